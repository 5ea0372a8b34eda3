// Standard input and output on Windows, through the C runtime's descriptors
// in their default text mode: a "\n" is written as CR LF, a CR LF is read as
// "\n", and a Ctrl-Z ends the input, as for any Windows C program.
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "dialogue/fd_streams.hpp"

namespace tremovia {
namespace {

// The runtime counts in int.
unsigned int capped(std::size_t size) { return static_cast<unsigned int>(std::min<std::size_t>(size, INT_MAX)); }

}  // namespace

fd_output::fd_output(int fd) : fd_(fd) {}

std::size_t fd_input::read(std::span<char> buffer) {
    for (;;) {
        const int got = _read(fd_, buffer.data(), capped(buffer.size()));
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) return 0;  // an unreadable input ends like an empty one
    }
}

void fd_output::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const int put = _write(fd_, bytes.data(), capped(bytes.size()));
        if (put > 0) {
            // Counted in the bytes given, before any LF became CR LF.
            bytes.remove_prefix(std::min(static_cast<std::size_t>(put), bytes.size()));
        } else if (put == 0 || errno != EINTR) {
            return;  // nobody is reading: the dialogue goes on unseen
        }
    }
}

}  // namespace tremovia
