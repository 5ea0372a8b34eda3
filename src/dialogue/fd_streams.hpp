#pragma once

#include "dialogue/streams.hpp"

namespace tremovia {

// Standard input and output as unbuffered file descriptors; the console
// does the buffering. One source file per platform holds their calls.
inline constexpr int standard_input_fd = 0;
inline constexpr int standard_output_fd = 1;

class fd_input final : public input_stream {
public:
    explicit fd_input(int fd) : fd_(fd) {}
    std::size_t read(std::span<char> buffer) override;

private:
    int fd_;
};

class fd_output final : public output_stream {
public:
    explicit fd_output(int fd);
    void write(std::string_view bytes) override;

private:
    int fd_;
};

}  // namespace tremovia
