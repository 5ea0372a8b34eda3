// The README's session and the technical documentation's worked lens are
// what the dialogue prints: a change to either, or to the dialogue, that
// makes them differ fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue/dialogue.hpp"
#include "dialogue/memory_streams.hpp"

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

// The worked lens: seven values, then Enter at each of the eight pauses.
const std::vector<std::string> worked_lens = {"1", "1.5", "1", "0", "1", "10", "-10",
                                              "",  "",    "",  "",  "",  "",   "",  ""};

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

// The fields of `text` between any of `separators`, none of them empty.
std::vector<std::string> fields(const std::string& text, std::string_view separators) {
    std::vector<std::string> found;
    std::string field;
    for (const char c : text + separators[0]) {
        if (separators.find(c) == std::string_view::npos) {
            field += c;
        } else if (!field.empty()) {
            found.push_back(field);
            field.clear();
        }
    }
    return found;
}

// A number as the dialogue prints it: an optional minus, digits, six decimals.
bool is_printed_number(std::string_view text) {
    if (text.starts_with('-')) text.remove_prefix(1);
    const std::size_t point = text.find('.');
    const auto digits = [](std::string_view part) {
        return !part.empty() && std::all_of(part.begin(), part.end(), [](unsigned char c) { return std::isdigit(c); });
    };
    return point != std::string_view::npos && digits(text.substr(0, point)) && text.size() - point == 7 &&
           digits(text.substr(point + 1));
}

TEST(Documentation, WorkedLensTableQuotesWhatTheProgramPrints) {
    std::vector<std::string> printed = fields(terminal_screen(worked_lens), " |\n");
    std::erase_if(printed, [](const std::string& field) { return !is_printed_number(field); });
    const char* const names[] = {"n0",  "n1",   "n2",   "v1",    "v2",   "s1",   "s2",  "N01",
                                 "N12", "R221", "R222", "T1212", "R121", "R122", "S11", "S12",
                                 "S21", "S22",  "FI",   "FO",    "HI",   "HO"};
    ASSERT_GE(printed.size(), std::size(names));

    // The table under "The worked lens": | name | formula | printed value |
    const std::string documentation = read_source_file("docs/technical-documentation.md");
    const std::size_t section = documentation.find("\n## The worked lens\n");
    ASSERT_NE(section, std::string::npos);
    std::istringstream lines(documentation.substr(section, documentation.find("\n## ", section + 1) - section));
    std::map<std::string, std::string> quoted;
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> cells = fields(line, "|");
        const auto word = [](const std::string& cell) {
            const std::vector<std::string> words = fields(cell, " ");
            return words.empty() ? std::string() : words.front();
        };
        if (line.starts_with("| ") && cells.size() == 3) quoted[word(cells[0])] = word(cells[2]);
    }
    for (std::size_t i = 0; i < std::size(names); ++i) {
        EXPECT_EQ(quoted[names[i]], printed[i]) << names[i];
    }
}

}  // namespace
}  // namespace tremovia
