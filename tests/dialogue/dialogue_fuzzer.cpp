// Any bytes as the user's input, arriving whole or a line at a time: the run
// must end, start with the banner and end on the final prompt.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dialogue/dialogue.hpp"
#include "dialogue/memory_streams.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tremovia;
    const bool line_by_line = size > 0 && (data[0] & 1);
    testing::string_input input(std::string(reinterpret_cast<const char*>(data), size), line_by_line);
    testing::string_output output;
    console io(input, output);
    run_dialogue(io);

    constexpr std::string_view banner_start =
        "------------------------------------------------------------------------- \n";
    constexpr std::string_view final_prompt = " \nTo end press >Enter<";
    const std::string_view screen = output.text;
    if (screen.substr(0, banner_start.size()) != banner_start) __builtin_trap();
    if (screen.size() < final_prompt.size() ||
        screen.substr(screen.size() - final_prompt.size()) != final_prompt)
        __builtin_trap();
    return 0;
}
