// The README and the technical documentation say what the program does: the
// sessions they show are compared with a run of the dialogue, every table
// that quotes the program or the textbook with the lens model's numbers for
// its section's lens, and every relative link and anchor must lead somewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "dialogue/dialogue.hpp"
#include "dialogue/memory_streams.hpp"
#include "dialogue/number_text.hpp"
#include "lens/compute_lens.hpp"
#include "lens/lens_table.hpp"
#include "lens/paraxial.hpp"
#include "lens/real_rays.hpp"
#include "lens/stops.hpp"

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
// the dialogue prints; what is computed from its points is headed so; real
// rays at the height the row names.
enum class column { none, program_prints, from_program, textbook, real_crossing, real_minus_FI, with_iris };

column column_of(const std::string& header) {
    if (header == "The program prints") return column::program_prints;
    if (header == "From the program's points") return column::from_program;
    if (header == "The textbook gives") return column::textbook;
    if (header == "A real ray crosses the axis at (cm)") return column::real_crossing;
    if (header == "That crossing − FI (cm)") return column::real_minus_FI;
    if (header == "With the iris, the textbook gives" || header == "Its slope from the axial object point") return column::with_iris;
    return column::none;
}

// Where a real ray entering parallel to the axis at `height` crosses it, as
// the textbook's lens bends it.
double real_crossing(const lens_values& lens, double height) {
    return trace_parallel_ray(real_lens_of(lens), height, lens.v1 - 1, lens.v2).crossing;
}

// What a section that puts in an iris ("an iris at x = -2 cm, of radius
// r = 0.5 cm") quotes of it, by the textbook's matrices, with the lens's
// rims where its surfaces meet and an object two focal lengths before it:
// by name, each quantity's numbers (a pupil's position and radius); none
// for a section without an iris.
std::map<std::string, std::vector<double>> stop_quantities(std::string text, const lens_values& typed) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    const auto number_after = [&](const std::string& words) {
        const std::size_t at = text.find(words);
        if (at == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
        std::string written = text.substr(at + words.size(), 16);
        const std::string minus = "\u2212";
        if (written.starts_with(minus)) written.replace(0, minus.size(), "-");
        return std::stod(written);
    };
    const double position = number_after("an iris at x = ");
    if (std::isnan(position)) return {};
    const double radius = number_after("of radius r = ");
    lens_values m = typed;
    compute_textbook_lens(m);
    const double rim = semi_aperture(real_lens_of(m)), x = m.v1 - 2 * (m.HO - m.FO);
    const stop stops[] = {{stop_name::iris, position, radius}, {stop_name::rim_1, m.v1, rim}, {stop_name::rim_2, m.v2, rim}};
    const stop_analysis found = analyse_stops(m, focal_lengths_of(m, surface_terms::quotient), stops, x, 1);
    // Each stop's slope seen from the axial object point: r / |h| for a
    // ray of slope 1 from it.
    const ray_path axial = trace_ray(m, ray_with_slope(m.v1, x, 0, 1), position);
    const auto slope_at = [&](plane where, double r) {
        for (std::size_t i = 0; i < axial.count; ++i) {
            if (axial.planes[i].where == where) return r / std::fabs(axial.planes[i].ray.y);
        }
        return std::numeric_limits<double>::quiet_NaN();
    };
    const auto& [entrance, exit, window] = std::tie(found.entrance_pupil, found.exit_pupil, found.entrance_window);
    return {
        {"x", {position}}, {"r", {radius}},
        {"the iris", {slope_at(plane::stop, radius)}}, {"surface 1's rim", {slope_at(plane::v1, rim)}},
        {"surface 2's rim", {slope_at(plane::v2, rim)}},
        {"entrance pupil", {entrance.position, entrance.radius}}, {"exit pupil", {exit.position, exit.radius}},
        {"entrance window", {window.position, window.radius}},
        {"entrance pupil x", {entrance.position}}, {"entrance pupil radius", {entrance.radius}},
        {"exit pupil x", {exit.position}}, {"exit pupil radius", {exit.radius}},
        {"entrance window x", {window.position}}, {"entrance window radius", {window.radius}},
        {"N", {found.f_number}}, {"working f-number", {found.working_f_number}},
        {"NA", {found.numerical_aperture}}, {"NA\u2032", {found.image_numerical_aperture}},
        {"unvignetted", {found.field.unvignetted}}, {"half-vignetted", {found.field.half_vignetted}},
        {"fully vignetted", {found.field.fully_vignetted}}, {"unvignetted field", {found.field.unvignetted}},
        {"half-vignetted field", {found.field.half_vignetted}}, {"fully vignetted field", {found.field.fully_vignetted}},
    };
}

// Checks every table of `text` that quotes numbers, for the lens `lens` (a
// table headed "Typed" names its lens on each row); adds each cell checked,
// and each value typed, to `checked`, and each under its row's name and
// its column's source: to `checked` where the row types its lens, else to
// `named`, the section's own.
void check_tables(const std::string& text, const lens_values* lens, std::set<std::string>& checked, std::set<std::string>& named) {
    std::map<std::string, std::string> program, from_program, textbook;
    const std::map<std::string, std::vector<double>> with_iris = lens != nullptr ? stop_quantities(text, *lens)
                                                                               : std::map<std::string, std::vector<double>>{};
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
            const char* inputs[] = {"n0", "n1", "n2", "v1", "v2", "s1", "s2"};
            for (std::size_t i = 0; i < typed.size() && i < 7; ++i) checked.insert(std::string("2 ") + inputs[i] + "=" + typed[i]);
            program = quotable_of(typed_lens(typed), compute_lens).printed;
            row.erase(row.begin());
            columns.erase(columns.begin());
        }
        for (std::size_t i = 1; i < row.size() && i < columns.size(); ++i) {
            if (columns[i] == column::none) continue;
            if (columns[i] == column::with_iris) {
                const auto found = with_iris.find(row[0]);
                ASSERT_NE(found, with_iris.end()) << "no number is known for the row " << row[0] << " with the iris";
                EXPECT_EQ(row[i], printed(found->second[0])) << line;
                checked.insert(row[i]);
                continue;
            }
            if (columns[i] == column::real_crossing || columns[i] == column::real_minus_FI) {
                lens_values textbook = *lens;
                compute_textbook_lens(textbook);
                const double crossing = real_crossing(textbook, std::stod(row[0]));
                EXPECT_EQ(row[i], printed(columns[i] == column::real_crossing ? crossing : crossing - textbook.FI)) << line;
                checked.insert(row[i]);
                continue;
            }
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
            // A row that types its lens may be quoted anywhere; one of the
            // section's lens, in its section.
            (typed_rows ? checked : named).insert((columns[i] == column::textbook ? "1 " : "0 ") + row[0] + "=" + row[i]);
        }
        if (typed_rows) columns.insert(columns.begin(), column::none);
    }
}

// A number the prose quotes of a lens: one with decimals, a length in cm,
// or a value given by "=", but not a term of a formula (1/r, 0 + 1/10) or
// part of a name (R121, 80-bit). `radius` is 1 or 2 where it is given as r1
// or r2.
struct quoted_number {
    std::string text;
    double value;
    int decimals;
    int radius;
    std::size_t at, end;  // where it stands in its text
};

std::vector<quoted_number> quoted_numbers(std::string line) {
    for (std::size_t open = line.find('`'); open != std::string::npos; open = line.find('`', open)) {
        const std::size_t close = line.find('`', open + 1);
        if (close == std::string::npos) break;
        line.replace(open, close + 1 - open, close + 1 - open, ' ');  // code is typed, not quoted
    }
    const std::string minus = "\u2212";
    const auto digit = [&](std::size_t i) { return i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); };
    const auto word = [&](std::size_t i) {
        return i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) || std::string("_./^").find(line[i]) != std::string::npos);
    };
    std::vector<quoted_number> numbers;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const bool signed_ = line[i] == '-' || line.compare(i, minus.size(), minus) == 0;
        const std::size_t first = signed_ ? i + (line[i] == '-' ? 1 : minus.size()) : i;
        if (!digit(first) || (i > 0 && word(i - 1))) continue;
        std::size_t end = first;
        while (digit(end)) ++end;
        int decimals = 0;
        if (line[end] == '.' && digit(end + 1)) {
            for (++end; digit(end); ++end) ++decimals;
        }
        const std::string after = line.substr(end, 4), before = line.substr(0, i);
        const bool formula = after.starts_with(" + ") || after.starts_with(" / ") || after.starts_with(" \u2212") || after.starts_with(" \u00d7");
        const bool joined = word(end) || (line[end] == '-' && std::isalpha(static_cast<unsigned char>(line[end + 1 < line.size() ? end + 1 : end])));
        const bool quoted = decimals > 0 || after.starts_with(" cm") || before.ends_with("= ");
        if (!formula && !joined && quoted) {
            const std::string text = line.substr(i, end - i);
            int radius = 0;
            for (const int r : {1, 2}) {
                const std::string name = "r" + std::to_string(r);
                if (before.ends_with(name + " = ") || before.ends_with(name + " = s" + std::to_string(r) + " " + minus + " v" + std::to_string(r) + " = "))
                    radius = r;
            }
            numbers.push_back({text, (signed_ ? -1 : 1) * std::stod(line.substr(first, end - first)), decimals, radius, i, end});
        }
        i = end;
    }
    return numbers;
}

// What the prose may quote of a lens by name, for each source (0 the
// program, 1 the textbook): both records, the focal lengths and nodal
// points, and what real rays through the textbook's lens show. A name is
// the words just before its number ("FI = ", "focal length of ") or just
// after it (" cm thick").
using named_values = std::map<std::string, std::array<std::vector<double>, 2>>;

named_values quantities_of(const lens_values& typed, const std::string& text = "") {
    named_values named;
    for (const auto& [name, values] : stop_quantities(text, typed)) named[name][1] = values;
    const auto both = [&](const std::string& name, double value) { named[name][0].push_back(value), named[name][1].push_back(value); };
    const char* inputs[] = {"n0", "n1", "n2", "v1", "v2", "s1", "s2"};
    const double typed_values[] = {typed.n0, typed.n1, typed.n2, typed.v1, typed.v2, typed.s1, typed.s2};
    for (std::size_t i = 0; i < 7; ++i) both(inputs[i], typed_values[i]);
    both("n2 / n0", typed.n2 / typed.n0);
    both(" cm thick", typed.v2 - typed.v1);
    lens_values records[] = {typed, typed};
    compute_lens(records[0]);
    compute_textbook_lens(records[1]);
    for (std::size_t source = 0; source < 2; ++source) {
        const lens_values& record = records[source];
        for (std::size_t i = 0; i < std::size(testing::derived_fields); ++i)
            named[testing::derived_names[i]][source].push_back(record.*testing::derived_fields[i]);
        const double fI = record.FI - record.HI, fO = record.HO - record.FO, NO = record.v1 - (1 - record.S22) / record.S21;
        const std::pair<const char*, double> derived[] = {
            {"f\u2032", fI}, {"f", fO}, {"focal length", fI}, {"focal length", fO}, {"f\u2032 \u2212 f", fI - fO},
            {"NO", NO}, {"NI", record.v2 - (record.S11 * (record.v1 - NO) + record.S12)}};
        for (const auto& [name, value] : derived) named[name][source].push_back(value);
    }
    const real_lens real = real_lens_of(records[1]);
    const double aperture = semi_aperture(real);
    std::vector<real_ray> fan(7);
    const aberration seen = trace_fan(real, aperture, typed.v1 - 1, typed.v2, records[1].FI, records[1].FI - records[1].HI, fan);
    named["surfaces meet"][1] = {aperture};
    named[" cm before FI"][1] = {-seen.spherical_aberration};
    named["within"][1] = {seen.paraxial_height};
    return named;
}

// The numbers of every quantity, for a number whose sentence names none.
std::vector<double> every_value(const named_values& named) {
    std::vector<double> values;
    for (const auto& [name, sources] : named) {
        for (const auto& found : sources) {
            for (const double value : found) values.insert(values.end(), {value, std::fabs(value)});
        }
    }
    return values;
}

bool rounds_to(double value, const quoted_number& number) {
    return std::fabs(value - number.value) <= 0.5 * std::pow(10.0, -number.decimals) * (1 + 1e-9);
}

// The name that the sentence around a number gives it, and the source it
// speaks of (0 the program, 1 the textbook, 2 either): the nearest name
// before the number ("FI = ", "FI" alone, the longer where two end at the
// same place), else one just after it; the nearest source before it.
struct naming {
    std::string name;
    int source;
};

naming name_of(const std::string& sentence, std::size_t at, std::size_t end, const named_values& named) {
    naming found{"", 2};
    std::size_t best = 0;
    const std::string before = sentence.substr(0, at), after = sentence.substr(end);
    const auto is_word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    for (const auto& [name, sources] : named) {
        if (name.starts_with(" ")) {
            if (after.starts_with(name) && found.name.empty()) found.name = name;
            continue;
        }
        for (std::size_t place = before.find(name); place != std::string::npos; place = before.find(name, place + 1)) {
            const std::size_t stop = place + name.size();
            const bool whole = (place == 0 || !is_word(before[place - 1])) && (stop == before.size() || !is_word(before[stop]));
            if (whole && (stop > best || (stop == best && name.size() > found.name.size()))) best = stop, found.name = name;
        }
    }
    std::size_t nearest = 0;
    for (const auto& [cue, source] : {std::pair<const char*, int>{"textbook", 1}, {"program's", 0}, {"prints", 0}}) {
        const std::size_t place = before.rfind(cue);
        if (place != std::string::npos && place + 1 > nearest) nearest = place + 1, found.source = source;
    }
    return found;
}

// Every number the prose of `text` quotes is the quantity its sentence
// names, of the source it names, for its section's lens or the worked lens,
// or a table's cell of its section, or of a row that types its lens, under
// that name in that source's column (`named_cells`
// holds "0 FI=1.297872" for the program's, "1 ..." for the textbook's, "2
// ..." for a value typed); one that names none is in a table or of its lens. A
// radius is that of its surface, on its lens or on the worked lens that
// every section may speak of.
void check_prose(const std::string& text, const lens_values& lens, const lens_values& worked,
                 const std::set<std::string>& checked, const std::set<std::string>& named_cells) {
    const named_values named = quantities_of(lens, text), of_worked = quantities_of(worked);
    const std::vector<double> values = every_value(named);
    // The prose, paragraph by paragraph.
    std::vector<std::string> paragraphs(1);
    bool fenced = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("```")) fenced = !fenced;
        if (fenced || line.starts_with("|") || line.starts_with("    ") || line.empty()) {
            if (!paragraphs.back().empty()) paragraphs.emplace_back();
            continue;
        }
        paragraphs.back() += (paragraphs.back().empty() ? "" : " ") + line;
    }
    for (const std::string& paragraph : paragraphs) {
        for (const quoted_number& number : quoted_numbers(paragraph)) {
            if (number.radius != 0) {
                const auto radius = [&](const lens_values& of) { return number.radius == 1 ? of.s1 - of.v1 : of.s2 - of.v2; };
                EXPECT_TRUE(rounds_to(radius(lens), number) || rounds_to(radius(worked), number))
                    << number.text << " is not r" << number.radius << ": " << paragraph;
                continue;
            }
            // Its sentence: from the last ". ", ": " or "; " before it.
            std::size_t start = 0;
            for (const char* stop : {". ", ": ", "; "}) {
                const std::size_t place = paragraph.rfind(stop, number.at);
                if (place != std::string::npos) start = std::max(start, place + 2);
            }
            const std::string sentence = paragraph.substr(start);
            const naming said = name_of(sentence, number.at - start, number.end - start, named);
            if (said.name.empty()) {
                const bool known = checked.contains(number.text) ||
                                   std::any_of(values.begin(), values.end(), [&](double q) { return rounds_to(q, number); });
                EXPECT_TRUE(known) << number.text << " in the prose is in no table, nor of its lens: " << paragraph;
                continue;
            }
            const auto in_cells = [&](const std::string& key) { return named_cells.contains(key) || checked.contains(key); };
            bool known = in_cells("2 " + said.name + "=" + number.text);
            for (int source = 0; source < 2; ++source) {
                if (said.source != 2 && said.source != source) continue;
                known = known || in_cells(std::to_string(source) + " " + said.name + "=" + number.text);
                for (const named_values* of : {&named, &of_worked}) {
                    const auto entry = of->find(said.name);
                    if (entry == of->end()) continue;
                    const std::vector<double>& found = entry->second[source];
                    known = known || std::any_of(found.begin(), found.end(), [&](double q) { return rounds_to(q, number); });
                }
            }
            EXPECT_TRUE(known) << number.text << " is not " << (said.source == 0 ? "the program's " : said.source == 1 ? "the textbook's " : "")
                               << said.name << " of its lens, nor in a table under that name: " << sentence.substr(0, 200);
        }
    }
}

TEST(Documentation, EveryNumberQuotedIsTheLensModels) {
    const std::string documentation = read_source_file(documentation_file);
    std::set<std::string> checked;
    std::size_t examples = 0;
    // A section that types no lens of its own speaks of the worked lens.
    const lens_values worked = typed_lens(typed_values(section(documentation, "The worked lens")));
    struct checked_section {
        std::string text;
        lens_values lens;
        std::set<std::string> named;
    };
    std::vector<checked_section> sections = {{documentation.substr(0, documentation.find("\n## ")), worked, {}}};
    for (std::size_t at = documentation.find("\n## "); at != std::string::npos; at = documentation.find("\n## ", at + 1)) {
        const std::string heading = documentation.substr(at + 4, documentation.find('\n', at + 4) - at - 4);
        SCOPED_TRACE(heading);
        const std::string text = section(documentation, heading);
        const std::vector<std::string> typed = typed_values(text);
        lens_values lens = worked;
        if (typed.size() == 7) lens = typed_lens(typed), ++examples;
        std::set<std::string> named;
        check_tables(text, &lens, checked, named);
        sections.push_back({text, lens, named});
    }
    EXPECT_EQ(examples, 5u);
    EXPECT_GT(checked.size(), 80u);
    for (const checked_section& one : sections) check_prose(one.text, one.lens, worked, checked, one.named);
    // The README's opening speaks of the lens its session types.
    const std::string readme = read_source_file("README.md");
    const lens_values session = typed_lens(typed_values(section(readme, "A session")));
    check_prose(readme.substr(0, readme.find("\n## ")), session, session, checked, {});
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
