#include "dialogue/console.hpp"

#include <cassert>

#include "dialogue/number_text.hpp"

namespace tremovia {

console::console(input_stream& input, output_stream& output) : input_(input), output_(output) {}

void console::print(std::string_view text) { pending_output_.append(text); }

void console::print(std::string_view format, std::initializer_list<double> numbers) {
    static constexpr std::string_view placeholder = "%lf";
    const double* number = numbers.begin();
    for (;;) {
        const std::size_t at = format.find(placeholder);
        pending_output_.append(format.substr(0, at));
        if (at == std::string_view::npos) break;
        assert(number != numbers.end() && "more %lf than numbers");
        append_number(pending_output_, *number++);
        format.remove_prefix(at + placeholder.size());
    }
    assert(number == numbers.end() && "more numbers than %lf");
}

void console::flush() {
    if (pending_output_.empty()) return;
    output_.write(pending_output_);
    pending_output_.clear();
}

bool console::refill() {
    if (input_ended_) return false;
    flush();  // the user sees every prompt before the program waits
    taken_before_buffer_ += input_end_;
    input_next_ = 0;
    input_end_ = input_.read(input_buffer_);
    input_ended_ = input_end_ == 0;
    return !input_ended_;
}

}  // namespace tremovia
