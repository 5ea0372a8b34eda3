#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "dialogue/streams.hpp"

namespace tremovia::testing {

// Input from a string. By default a read hands over everything that is
// left, as a pipe does; with `one_line_per_read` each read stops after a
// line end, as a terminal does. `on_read` runs before each read, so a test
// can look at what the user sees when the program waits.
class string_input final : public input_stream {
public:
    explicit string_input(std::string text, bool one_line_per_read = false)
        : text_(std::move(text)), one_line_per_read_(one_line_per_read) {}

    std::size_t read(std::span<char> buffer) override {
        ++reads;
        if (on_read) on_read();
        std::size_t size = std::min(buffer.size(), text_.size() - next_);
        if (one_line_per_read_) {
            const std::size_t line_end = text_.find('\n', next_);
            if (line_end != std::string::npos) size = std::min(size, line_end + 1 - next_);
        }
        std::memcpy(buffer.data(), text_.data() + next_, size);
        next_ += size;
        return size;
    }

    int reads = 0;
    std::function<void()> on_read;

private:
    std::string text_;
    std::size_t next_ = 0;
    bool one_line_per_read_;
};

class string_output final : public output_stream {
public:
    void write(std::string_view bytes) override {
        ++writes;
        text.append(bytes);
    }

    std::string text;
    int writes = 0;
};

}  // namespace tremovia::testing
