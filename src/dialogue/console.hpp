#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "dialogue/streams.hpp"

namespace tremovia {

// The dialogue's one door to the user: buffered output, and input read one
// character at a time with a look at the next one.
//
// Output is held until the program is about to wait for input (or `flush`
// is called), so every prompt is on the console before the program waits,
// and a piped run costs one write per refill of the input buffer.
// End of input is sticky: once the input has ended, every read returns
// `end_of_input` at once.
class console {
public:
    static constexpr int end_of_input = -1;

    console(input_stream& input, output_stream& output);
    console(const console&) = delete;
    console& operator=(const console&) = delete;

    // Prints a literal piece exactly as it is.
    void print(std::string_view text);
    // Prints a piece in which each "%lf" stands for the next of `numbers`,
    // written by the number output rule.
    void print(std::string_view format, std::initializer_list<double> numbers);
    void flush();

    // The next character, left in the input; `end_of_input` at the end.
    int peek() {
        if (input_next_ == input_end_ && !refill()) return end_of_input;
        return static_cast<unsigned char>(input_buffer_[input_next_]);
    }
    // The next character, taken from the input; `end_of_input` at the end.
    int get() {
        const int next = peek();
        if (next != end_of_input) ++input_next_;
        return next;
    }
    // How many characters have been taken from the input so far.
    std::size_t taken() const { return taken_before_buffer_ + input_next_; }

private:
    bool refill();

    input_stream& input_;
    output_stream& output_;
    std::string pending_output_;
    // Left uninitialised: only bytes a read has stored are looked at, and
    // zero-filling 64 KiB was a fifth of a short run's page faults.
    std::array<char, 65536> input_buffer_;
    std::size_t input_next_ = 0;
    std::size_t input_end_ = 0;
    std::size_t taken_before_buffer_ = 0;
    bool input_ended_ = false;
};

}  // namespace tremovia
