// Writes the screen a whole piped run must show, for the tests that run the
// program where no C++ test can start it (Windows under wine, the web page):
//   tremovia_expected_screen CASE LINE_END FILE [WAITS_FILE]
// CASE is typical, end-of-input or two-values; LINE_END is lf or crlf.
// WAITS_FILE gets the offset in the lf screen where each wait ends, a line each.
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/transcript.hpp"

int main(int argc, char** argv) {
    using tremovia::testing::screen_numbers;
    if (argc != 4 && argc != 5) return 2;
    const std::string_view which = argv[1];
    const std::vector<std::string> nan15(15, "nan");
    screen_numbers numbers;
    if (which == "typical") {
        numbers = tremovia::testing::typical_numbers;
    } else if (which == "end-of-input") {
        numbers = {std::vector<std::string>(7, "nan"), nan15};
    } else if (which == "two-values") {  // 1 and 1.5, then the input ends
        numbers = {{"1.000000", "1.500000", "nan", "nan", "nan", "nan", "nan"}, nan15};
        numbers.derived[0] = numbers.derived[6] = "0.666667";  // N01 and R122
    } else {
        return 2;
    }
    const std::string lf_screen = tremovia::testing::expected_screen(numbers);
    if (argc == 5) {
        std::ofstream waits(argv[4]);
        for (const std::size_t end : tremovia::testing::wait_positions(lf_screen)) waits << end << '\n';
    }
    std::string screen;
    for (const char c : lf_screen) {
        if (c == '\n' && std::string_view(argv[2]) == "crlf") screen += '\r';
        screen += c;
    }
    std::ofstream(argv[3], std::ios::binary) << screen;
    return 0;
}
