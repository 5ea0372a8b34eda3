// The README's session and the technical documentation's table of the
// worked lens say what the dialogue prints: the session is compared with a
// run of the dialogue, the table with the numbers that the dialogue's own
// tests expect for that lens.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue/dialogue.hpp"
#include "dialogue/memory_streams.hpp"
#include "dialogue/transcript.hpp"

namespace tremovia {
namespace {

std::string read_source_file(const std::string& name) {
    std::ifstream file(std::string(TREMOVIA_SOURCE_DIR) + "/" + name, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + name);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// What a terminal shows when `typed` lines are entered one at a time, each
// echoed where the program waits for it.
std::string terminal_screen(const std::vector<std::string>& typed) {
    std::string input;
    for (const std::string& line : typed) input += line + '\n';
    testing::string_input keyboard(input, true);
    testing::string_output output;
    std::string screen;
    std::size_t next_line = 0;
    keyboard.on_read = [&] {
        screen += output.text;
        output.text.clear();
        if (next_line < typed.size()) screen += typed[next_line++] + '\n';
    };
    console io(keyboard, output);
    run_dialogue(io);
    return screen + output.text;
}

TEST(Documentation, ReadmeSessionIsWhatTheProgramShows) {
    const std::string readme = read_source_file("README.md");
    const std::size_t heading = readme.find("\n## A session\n");
    ASSERT_NE(heading, std::string::npos);
    const std::size_t start = readme.find("```\n", heading) + 4;
    const std::string session = readme.substr(start, readme.find("\n```", start) + 1 - start);

    // The line after each value prompt is what the user typed there.
    std::vector<std::string> typed;
    std::istringstream lines(session);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Imput") && std::getline(lines, line)) typed.push_back(line);
    }
    typed.resize(typed.size() + 8);  // Enter at each pause
    EXPECT_EQ(session, terminal_screen(typed));
}

// The last cell of the table row for `name` in `section`: | name | ... | value |
std::string last_cell(const std::string& section, const std::string& name) {
    const std::size_t row = section.find("\n| " + name + " | ");
    if (row == std::string::npos) return "";
    const std::string line = section.substr(row + 1, section.find('\n', row + 1) - row - 1);
    const std::size_t cell = line.rfind(" | ") + 3;
    return line.substr(cell, line.size() - cell - 2);
}

TEST(Documentation, WorkedLensTableQuotesWhatTheProgramPrints) {
    // What the dialogue prints for the worked lens, as its own tests expect it.
    std::vector<std::string> printed = testing::typical_numbers.echoes;
    printed.insert(printed.end(), testing::typical_numbers.derived.begin(), testing::typical_numbers.derived.end());
    const char* const names[] = {"n0",  "n1",   "n2",   "v1",    "v2",   "s1",   "s2",  "N01",
                                 "N12", "R221", "R222", "T1212", "R121", "R122", "S11", "S12",
                                 "S21", "S22",  "FI",   "FO",    "HI",   "HO"};
    ASSERT_EQ(printed.size(), std::size(names));

    const std::string documentation = read_source_file("docs/technical-documentation.md");
    const std::size_t section = documentation.find("\n## The worked lens\n");
    ASSERT_NE(section, std::string::npos);
    const std::string worked = documentation.substr(section, documentation.find("\n## ", section + 1) - section);
    for (std::size_t i = 0; i < std::size(names); ++i) {
        EXPECT_EQ(last_cell(worked, names[i]), printed[i]) << names[i];
    }
}

}  // namespace
}  // namespace tremovia
