#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace tremovia {

// Where the dialogue's bytes come from: standard input in the program,
// a string in the tests.
class input_stream {
public:
    virtual ~input_stream() = default;
    // Reads up to buffer.size() bytes, waiting for at least one; 0 means end
    // of input (or an error, which the dialogue treats the same way).
    virtual std::size_t read(std::span<char> buffer) = 0;
};

// Where the dialogue's bytes go: standard output in the program, a string
// in the tests.
class output_stream {
public:
    virtual ~output_stream() = default;
    virtual void write(std::string_view bytes) = 0;
};

}  // namespace tremovia
