// The README and the technical documentation say what the program does: the
// sessions they show are compared with a run of the dialogue, every table
// that quotes the program or the textbook with the lens model's numbers for
// its section's lens, and every relative link and anchor must lead somewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue/dialogue.hpp"
#include "dialogue/memory_streams.hpp"
#include "dialogue/number_text.hpp"
#include "lens/compute_lens.hpp"
#include "lens/lens_table.hpp"

namespace tremovia {
namespace {

const std::string documentation_file = "docs/technical-documentation.md";

std::string read_source_file(const std::string& name) {
    std::ifstream file(std::string(TREMOVIA_SOURCE_DIR) + "/" + name, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + name);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The text under a "## " heading, up to the next one; empty if none.
std::string section(const std::string& text, const std::string& heading) {
    const std::size_t start = text.find("\n## " + heading + "\n");
    if (start == std::string::npos) return "";
    return text.substr(start, text.find("\n## ", start + 1) - start);
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

// The first fenced block of `text` must be the session the dialogue shows
// for the values typed in it (the line after each value prompt).
void expect_session(const std::string& text) {
    const std::size_t start = text.find("```\n") + 4;
    ASSERT_NE(start, std::string::npos + 4);
    const std::string session = text.substr(start, text.find("\n```", start) + 1 - start);
    std::vector<std::string> typed;
    std::istringstream lines(session);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Imput") && std::getline(lines, line)) typed.push_back(line);
    }
    typed.resize(typed.size() + 8);  // Enter at each pause
    EXPECT_EQ(session, terminal_screen(typed));
}

TEST(Documentation, SessionsAreWhatTheProgramShows) {
    SCOPED_TRACE("README.md, A session");
    expect_session(section(read_source_file("README.md"), "A session"));
    SCOPED_TRACE(documentation_file + ", The worked lens");
    expect_session(section(read_source_file(documentation_file), "The worked lens"));
}

std::string printed(double value) {
    std::string text;
    append_number(text, value);
    return text;
}

// Every number a table may quote for a lens, as the program prints numbers,
// by the name in the table's first cell.
std::map<std::string, std::string> quotable(lens_values lens, void (*compute)(lens_values&)) {
    compute(lens);
    const std::map<std::string, double> values = {
        {"n0", lens.n0},     {"n1", lens.n1},       {"n2", lens.n2},       {"v1", lens.v1},
        {"v2", lens.v2},     {"s1", lens.s1},       {"s2", lens.s2},       {"N01", lens.N01},
        {"N12", lens.N12},   {"R221", lens.R221},   {"R222", lens.R222},   {"T1212", lens.T1212},
        {"R121", lens.R121}, {"R122", lens.R122},   {"S11", lens.S11},     {"S12", lens.S12},
        {"S21", lens.S21},   {"S22", lens.S22},     {"FI", lens.FI},       {"FO", lens.FO},
        {"HI", lens.HI},     {"HO", lens.HO},       {"FI − v2", lens.FI - lens.v2},
        {"v1 − FO", lens.v1 - lens.FO},             {"FI − HI", lens.FI - lens.HI},
        {"HO − FO", lens.HO - lens.FO},             {"HI − v2", lens.HI - lens.v2},
        {"HO − v1", lens.HO - lens.v1},             {"−1 / S21", -1 / lens.S21},
    };
    std::map<std::string, std::string> texts;
    for (const auto& [name, value] : values) texts[name] = printed(value);
    return texts;
}

std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> found;
    std::istringstream parts(row.substr(1));
    for (std::string cell; std::getline(parts, cell, '|');) {
        const std::size_t first = cell.find_first_not_of(' ');
        found.push_back(first == std::string::npos ? "" : cell.substr(first, cell.find_last_not_of(' ') - first + 1));
    }
    return found;
}

// Checks every table of `text` with a column "The program prints" or "The
// textbook gives"; returns how many cells it checked.
int check_tables(const std::string& text, const lens_values* lens) {
    int checked = 0;
    std::map<std::string, std::string> columns[2];
    if (lens != nullptr) columns[0] = quotable(*lens, compute_lens), columns[1] = quotable(*lens, compute_textbook_lens);
    std::istringstream lines(text);
    std::vector<int> sources;  // per column: 0 the program, 1 the textbook, -1 neither
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("|")) {
            sources.clear();
            continue;
        }
        const std::vector<std::string> row = cells(line);
        if (sources.empty()) {
            for (const std::string& header : row)
                sources.push_back(header == "The program prints" ? 0 : header == "The textbook gives" ? 1 : -1);
            if (lens == nullptr && std::count(sources.begin(), sources.end(), -1) != int(sources.size()))
                ADD_FAILURE() << "a table quotes numbers in a section with no lens: " << line;
            continue;
        }
        if (line.starts_with("|---") || lens == nullptr) continue;
        for (std::size_t i = 1; i < row.size() && i < sources.size(); ++i) {
            if (sources[i] < 0) continue;
            const auto known = columns[sources[i]].find(row[0]);
            if (known == columns[sources[i]].end()) {
                ADD_FAILURE() << "no number is known for the row " << row[0];
                continue;
            }
            EXPECT_EQ(row[i], known->second) << row[0] << (sources[i] == 0 ? " by the program" : " by the textbook");
            ++checked;
        }
    }
    return checked;
}

TEST(Documentation, EveryTableQuotesTheLensModel) {
    const std::string documentation = read_source_file(documentation_file);
    using testing::lens_of;
    const lens_values worked = lens_of(1, 1.5, 1, 0, 1, 10, -10);
    const std::map<std::string, lens_values> lenses = {
        {"The worked lens", worked},
        {"How the surface terms compare with the textbook", worked},
        {"The textbook's numbers from the program itself", lens_of(1, 1.5, 1, 0, 1, 0.1, 0.9090909090909091)},
        {"A second example: two media", lens_of(1, 1.52, 1.33, 0, 1.2, 8, -12)},
    };
    int checked = 0;
    for (const auto& [heading, lens] : lenses) {
        SCOPED_TRACE(heading);
        const std::string text = section(documentation, heading);
        ASSERT_FALSE(text.empty());
        checked += check_tables(text, &lens);
    }
    EXPECT_EQ(checked, 22 + 12 + 22 + 4 + 15 + 20);
    // Anywhere else, no table may quote numbers.
    for (std::size_t at = documentation.find("\n## "); at != std::string::npos; at = documentation.find("\n## ", at + 1)) {
        const std::string heading = documentation.substr(at + 4, documentation.find('\n', at + 4) - at - 4);
        if (!lenses.contains(heading)) check_tables(section(documentation, heading), nullptr);
    }
}

// A heading's anchor as GitHub and pandoc's gfm make it.
std::string anchor_of(const std::string& heading) {
    std::string anchor;
    for (const char c : heading) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || byte >= 0x80) anchor += static_cast<char>(std::tolower(byte));
        else if (c == ' ') anchor += '-';
    }
    return anchor;
}

bool has_anchor(const std::string& text, const std::string& anchor) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("#") && anchor_of(line.substr(line.find(' ') + 1)) == anchor) return true;
    }
    return false;
}

TEST(Documentation, EveryRelativeLinkAndAnchorLeadsSomewhere) {
    namespace fs = std::filesystem;
    for (const std::string& file : {std::string("README.md"), documentation_file}) {
        const std::string text = read_source_file(file);
        const fs::path folder = fs::path(file).parent_path();
        int links = 0;
        for (std::size_t at = text.find("]("); at != std::string::npos; at = text.find("](", at + 1)) {
            const std::string target = text.substr(at + 2, text.find(')', at) - at - 2);
            if (target.starts_with("http")) continue;
            ++links;
            const std::string path = target.substr(0, target.find('#'));
            const std::string anchor = target.find('#') == std::string::npos ? "" : target.substr(target.find('#') + 1);
            const std::string linked = path.empty() ? file : (folder / path).lexically_normal().string();
            ASSERT_TRUE(fs::exists(fs::path(TREMOVIA_SOURCE_DIR) / linked)) << file << " links to " << target;
            if (!anchor.empty()) {
                EXPECT_TRUE(has_anchor(read_source_file(linked), anchor)) << file << " links to " << target;
            }
        }
        EXPECT_GT(links, 2) << file;
    }
}

}  // namespace
}  // namespace tremovia
