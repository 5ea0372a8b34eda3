// The dialogue in a web page. A page cannot block on a read, so a run goes
// over all the input typed so far and stops showing output where a console
// would wait for more. A replay goes over a whole session once, as a
// terminal in line mode gives it: one line per read, each echoed on the
// screen when the program takes it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

#include "dialogue/console.hpp"
#include "dialogue/dialogue.hpp"
#include "dialogue/number_scanner.hpp"
#include "dialogue/number_text.hpp"
#include "lens/compute_lens.hpp"
#include "lens/paraxial.hpp"
#include "lens/real_rays.hpp"
#include "page/last_run.hpp"

namespace tremovia {
namespace {

// The input typed so far. Used up before the user has ended the input, it
// reports end of input and remembers that the program now waits; the run
// then goes on as at end of input, which never blocks. With an echo, each
// read gives at most one line, and a line is echoed when its first byte is
// read.
class typed_input final : public input_stream {
public:
    typed_input(std::string_view typed, bool ended, std::string* echo)
        : rest_(typed), ended_(ended), echo_(echo) {}

    std::size_t read(std::span<char> buffer) override {
        if (rest_.empty()) {
            waiting_ = !ended_;
            end_read_ = ended_;
            return 0;
        }
        std::size_t available = rest_.size();
        if (echo_ != nullptr) {
            if (line_left_ == 0) {
                const std::size_t line_end = rest_.find('\n');
                line_left_ = line_end == std::string_view::npos ? rest_.size() : line_end + 1;
                echo_->append(rest_.substr(0, line_left_));
                sent_ += line_left_;
            }
            available = line_left_;
        }
        const std::size_t count = std::min(buffer.size(), available);
        rest_.copy(buffer.data(), count);
        rest_.remove_prefix(count);
        line_left_ -= std::min(line_left_, count);
        return count;
    }

    bool waiting() const { return waiting_; }
    bool end_read() const { return end_read_; }
    std::size_t sent() const { return sent_; }

private:
    std::string_view rest_;
    bool ended_;
    std::string* echo_;
    std::size_t line_left_ = 0;
    std::size_t sent_ = 0;
    bool waiting_ = false;
    bool end_read_ = false;
};

// The console flushes before every read, so what was written before the
// program waits is exactly the screen at that wait; the rest is dropped.
// The program's own output goes to `screen` (beside the echoes, if any) and
// to `program`.
class screen_output final : public output_stream {
public:
    screen_output(const typed_input& input, std::string& screen, std::string* program)
        : input_(input), screen_(screen), program_(program) {}

    void write(std::string_view bytes) override {
        if (input_.waiting()) return;
        screen_.append(bytes);
        if (program_ != nullptr) program_->append(bytes);
    }

private:
    const typed_input& input_;
    std::string& screen_;
    std::string* program_;
};

// Where reading a value alone writes nothing.
class no_output final : public output_stream {
public:
    void write(std::string_view) override {}
};

// Kept between runs, so its storage is reused.
std::string screen;
// A replay's screen without the echoes: what the program printed.
std::string program_screen;
std::size_t replay_sent = 0;
// How many pauses the last run answered (the final wait included): the
// characters it took after the seven values.
std::size_t pauses_answered = 0;
// The last run's record, for the figure: its 22 fields as the program
// computes them, then as the textbook does, in the record's order, then the
// real lens's semi-aperture, and 1 where each source is afocal, else 0.
constexpr std::size_t record_size = 22;
double figure_values[2 * record_size + 3];
lens_values program_record;
lens_values textbook_record;
// Where each of the seven values' text lay in the input: for each, the
// counts of bytes taken before its number, after it and after the character
// discarded, and 1 if a number was read.
std::uint32_t entry_table[7 * 4];
// The last number formatted for the page, and the last value read.
std::string number_text;
double value_read = 0;

int run(std::string_view typed, bool ended, std::string* echo) {
    screen.clear();
    program_screen.clear();
    typed_input input(typed, ended, echo);
    screen_output output(input, screen, echo != nullptr ? &program_screen : nullptr);
    console io(input, output);
    lens_values& lens = program_record;
    lens = lens_values{};
    entry_spans spans;
    run_dialogue(io, lens, &spans);
    pauses_answered = io.taken() - spans.back().end;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const entry_span& span = spans[i];
        const std::uint32_t row[] = {static_cast<std::uint32_t>(span.start), static_cast<std::uint32_t>(span.number_end),
                                     static_cast<std::uint32_t>(span.end), span.read ? 1u : 0u};
        std::copy(std::begin(row), std::end(row), entry_table + 4 * i);
    }
    lens_values& textbook = textbook_record;
    textbook = lens;
    compute_textbook_lens(textbook);
    for (const lens_values* record : {&lens, &textbook}) {
        const double fields[] = {record->n0,    record->n1,   record->n2,   record->v1,   record->v2,   record->s1,
                                 record->s2,    record->N01,  record->N12,  record->R221, record->R222, record->T1212,
                                 record->R121,  record->R122, record->S11,  record->S12,  record->S21,  record->S22,
                                 record->FI,    record->FO,   record->HI,   record->HO};
        static_assert(std::size(fields) == record_size);
        std::copy(std::begin(fields), std::end(fields), figure_values + (record == &lens ? 0 : record_size));
    }
    figure_values[2 * record_size] = semi_aperture(real_lens_of(textbook));
    figure_values[2 * record_size + 1] = is_afocal(lens, surface_terms::product) ? 1 : 0;
    figure_values[2 * record_size + 2] = is_afocal(textbook, surface_terms::quotient) ? 1 : 0;
    replay_sent = input.sent();
    return (input.waiting() ? 1 : 0) | (input.end_read() ? 2 : 0);
}

}  // namespace

const lens_values& last_program_record() { return program_record; }
const lens_values& last_textbook_record() { return textbook_record; }

}  // namespace tremovia

extern "C" {

// Runs the dialogue on the `size` bytes at `typed`; `ended` is nonzero once
// the user has ended the input. Returns 1 if the program waits for more
// input, 0 if it ran to its end. The screen is then at `tremovia_screen`.
int tremovia_run(const char* typed, std::size_t size, int ended) {
    return tremovia::run({typed, size}, ended != 0, nullptr) & 1;
}

// Replays a session: the dialogue once over the `size` bytes at `typed`,
// sent line by line with each line echoed where the program read it.
// Returns 1 if the program waits for more input, plus 2 if it read the end
// of the input; `tremovia_sent_size` is then the count of bytes sent before
// the program ended or waited.
int tremovia_replay(const char* typed, std::size_t size, int ended) {
    return tremovia::run({typed, size}, ended != 0, &tremovia::screen);
}

std::size_t tremovia_sent_size() { return tremovia::replay_sent; }

// The last replay's screen without the echoes.
const char* tremovia_program_screen() { return tremovia::program_screen.data(); }

std::size_t tremovia_program_screen_size() { return tremovia::program_screen.size(); }

std::size_t tremovia_pauses_answered() { return tremovia::pauses_answered; }

// The records of the last run or replay: 47 doubles, as `figure_values` holds them.
const double* tremovia_lens() { return tremovia::figure_values; }

// Where the last run's seven values lay in its input: 7 rows of 4, as
// `entry_table` holds them.
const std::uint32_t* tremovia_entries() { return tremovia::entry_table; }

// `value` as the dialogue prints a number, at `tremovia_number_text`.
void tremovia_format(double value) {
    tremovia::number_text.clear();
    tremovia::append_number(tremovia::number_text, value);
}

const char* tremovia_number_text() { return tremovia::number_text.data(); }

// Reads the `size` bytes at `text` as the dialogue reads a value. Returns 1
// if they hold one number and nothing but white space around it; the
// number is then at `tremovia_value_read`.
int tremovia_read_value(const char* text, std::size_t size) {
    tremovia::typed_input input({text, size}, true, nullptr);
    tremovia::no_output output;
    tremovia::console io(input, output);
    const auto number = tremovia::scan_number(io);
    if (number) tremovia::value_read = *number;
    while (tremovia::is_space(io.peek())) io.get();
    return number && io.peek() == tremovia::console::end_of_input ? 1 : 0;
}

double tremovia_value_read() { return tremovia::value_read; }

std::size_t tremovia_number_text_size() { return tremovia::number_text.size(); }

const char* tremovia_screen() { return tremovia::screen.data(); }

std::size_t tremovia_screen_size() { return tremovia::screen.size(); }
}
