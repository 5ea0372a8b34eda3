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
#include <optional>
#include <set>
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

// The record the program computes from `typed`, the seven values as typed.
lens_values typed_lens(const std::vector<std::string>& typed) {
    std::string input;
    for (const std::string& value : typed) input += value + '\n';
    testing::string_input keyboard(input + std::string(8, '\n'));
    testing::string_output output;
    console io(keyboard, output);
    lens_values lens;
    run_dialogue(io, lens);
    return lens;
}

// The values an example types: after each value prompt of its session, or
// its first indented block of seven lines.
std::vector<std::string> typed_values(const std::string& text) {
    std::vector<std::string> typed;
    std::istringstream lines(text);
    std::vector<std::string> block;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("Imput") && std::getline(lines, line)) typed.push_back(line);
        if (line.starts_with("    ")) {
            block.push_back(line.substr(4));
        } else {
            if (block.size() == 7 && typed.empty()) typed = block;
            block.clear();
        }
    }
    if (typed.size() > 7) typed.resize(7);
    return typed;
}

// The numbers a table may quote for a lens, as the program prints numbers:
// `printed` those the dialogue prints, `derived` those computed from its
// points (distances, focal lengths, nodal points).
struct quotable {
    std::map<std::string, std::string> printed, derived;
};

quotable quotable_of(lens_values lens, void (*compute)(lens_values&)) {
    compute(lens);
    const std::map<std::string, double> printed_values = {
        {"n0", lens.n0},     {"n1", lens.n1},     {"n2", lens.n2},     {"v1", lens.v1},     {"v2", lens.v2},
        {"s1", lens.s1},     {"s2", lens.s2},     {"N01", lens.N01},   {"N12", lens.N12},   {"R221", lens.R221},
        {"R222", lens.R222}, {"T1212", lens.T1212}, {"R121", lens.R121}, {"R122", lens.R122}, {"S11", lens.S11},
        {"S12", lens.S12},   {"S21", lens.S21},   {"S22", lens.S22},   {"FI", lens.FI},     {"FO", lens.FO},
        {"HI", lens.HI},     {"HO", lens.HO},
    };
    const double NO = lens.v1 - (1 - lens.S22) / lens.S21;
    const std::map<std::string, double> derived_values = {
        {"FI − v2", lens.FI - lens.v2}, {"v1 − FO", lens.v1 - lens.FO}, {"FI − HI", lens.FI - lens.HI},
        {"HO − FO", lens.HO - lens.FO}, {"HI − v2", lens.HI - lens.v2}, {"HO − v1", lens.HO - lens.v1},
        {"−1 / S21", -1 / lens.S21},    {"f′ − f", (lens.FI - lens.HI) - (lens.HO - lens.FO)},
        {"NO", NO},                     {"NI", lens.v2 - (lens.S11 * (lens.v1 - NO) + lens.S12)},
    };
    quotable texts;
    for (const auto& [name, value] : printed_values) texts.printed[name] = printed(value);
    for (const auto& [name, value] : derived_values) texts.derived[name] = printed(value);
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

std::vector<std::string> split_typed(const std::string& cell) {
    std::vector<std::string> values;
    std::istringstream parts(cell);
    for (std::string value; std::getline(parts, value, ',');) values.push_back(value.substr(value.find_first_not_of(' ')));
    return values;
}

// The columns a table may quote numbers in: the program prints only what
// the dialogue prints; what is computed from its points is headed so.
enum class column { none, program_prints, from_program, textbook };

column column_of(const std::string& header) {
    if (header == "The program prints") return column::program_prints;
    if (header == "From the program's points") return column::from_program;
    if (header == "The textbook gives") return column::textbook;
    return column::none;
}

// Checks every table of `text` that quotes numbers, for the lens `lens` (a
// table headed "Typed" names its lens on each row); adds each cell checked,
// and each value typed, to `checked`.
void check_tables(const std::string& text, const lens_values* lens, std::set<std::string>& checked) {
    std::map<std::string, std::string> program, from_program, textbook;
    if (lens != nullptr) {
        const quotable mine = quotable_of(*lens, compute_lens), theirs = quotable_of(*lens, compute_textbook_lens);
        program = mine.printed;
        from_program = mine.derived;
        textbook = theirs.printed;
        textbook.insert(theirs.derived.begin(), theirs.derived.end());
    }
    std::istringstream lines(text);
    std::vector<column> columns;
    bool typed_rows = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("|")) {
            columns.clear();
            continue;
        }
        std::vector<std::string> row = cells(line);
        if (columns.empty()) {
            typed_rows = row[0] == "Typed";
            for (const std::string& header : row) columns.push_back(column_of(header));
            continue;
        }
        if (line.starts_with("|---")) continue;
        if (typed_rows) {
            const std::vector<std::string> typed = split_typed(row[0]);
            checked.insert(typed.begin(), typed.end());
            program = quotable_of(typed_lens(typed), compute_lens).printed;
            row.erase(row.begin());
            columns.erase(columns.begin());
        }
        for (std::size_t i = 1; i < row.size() && i < columns.size(); ++i) {
            if (columns[i] == column::none) continue;
            const auto& known = columns[i] == column::program_prints ? program
                              : columns[i] == column::from_program   ? from_program
                                                                      : textbook;
            const auto found = known.find(row[0]);
            if (found == known.end()) {
                ADD_FAILURE() << "no number is known for the row " << row[0] << " in the column of " << line;
                continue;
            }
            EXPECT_EQ(row[i], found->second) << row[0] << " in " << line;
            checked.insert(row[i]);
        }
        if (typed_rows) columns.insert(columns.begin(), column::none);
    }
}

// The numbers of `line` written with six decimals, as the program prints
// them: an optional "-", digits, ".", six digits.
std::vector<std::string> six_decimal_numbers(const std::string& line) {
    const auto digit = [&](std::size_t i) { return i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); };
    std::vector<std::string> numbers;
    for (std::size_t point = line.find('.'); point != std::string::npos; point = line.find('.', point + 1)) {
        std::size_t start = point;
        while (start > 0 && digit(start - 1)) --start;
        std::size_t end = point + 1;
        while (digit(end)) ++end;
        if (start == point || end - point - 1 != 6) continue;
        if (start > 0 && line[start - 1] == '-') --start;
        numbers.push_back(line.substr(start, end - start));
    }
    return numbers;
}

TEST(Documentation, EveryTableQuotesTheLensModelForTheValuesItsExampleTypes) {
    const std::string documentation = read_source_file(documentation_file);
    std::set<std::string> checked;
    std::size_t examples = 0;
    lens_values worked;
    for (std::size_t at = documentation.find("\n## "); at != std::string::npos; at = documentation.find("\n## ", at + 1)) {
        const std::string heading = documentation.substr(at + 4, documentation.find('\n', at + 4) - at - 4);
        SCOPED_TRACE(heading);
        const std::string text = section(documentation, heading);
        const std::vector<std::string> typed = typed_values(text);
        std::optional<lens_values> lens;
        if (typed.size() == 7) lens = typed_lens(typed), ++examples;
        if (heading == "The worked lens") worked = *lens;
        // This section compares the worked lens both ways.
        if (heading == "How the surface terms compare with the textbook") lens = worked;
        check_tables(text, lens ? &*lens : nullptr, checked);
    }
    EXPECT_EQ(examples, 4u);
    // Every number the prose quotes with six decimals is one a table checks.
    bool fenced = false;
    std::istringstream lines(documentation);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("```")) fenced = !fenced;
        if (fenced || line.starts_with("|") || line.starts_with("    ")) continue;
        for (const std::string& number : six_decimal_numbers(line)) {
            EXPECT_TRUE(checked.contains(number)) << number << " in the prose is in no table: " << line;
        }
    }
    EXPECT_GT(checked.size(), 80u);
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
