// Writes the screen a whole piped run must show, for a script that runs the
// built program where no test can start it itself (Windows, under wine):
//   tremovia_expected_screen CASE LINE_END FILE
// CASE is typical, end-of-input or two-values; LINE_END is lf or crlf.
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/transcript.hpp"

int main(int argc, char** argv) {
    using tremovia::testing::screen_numbers;
    if (argc != 4) return 2;
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
    std::string screen;
    for (const char c : tremovia::testing::expected_screen(numbers)) {
        if (c == '\n' && std::string_view(argv[2]) == "crlf") screen += '\r';
        screen += c;
    }
    std::ofstream(argv[3], std::ios::binary) << screen;
    return 0;
}
