#include "dialogue/fd_streams.hpp"

#include <unistd.h>

#include <cerrno>

namespace tremovia {

std::size_t fd_input::read(std::span<char> buffer) {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR) return 0;  // an unreadable input ends like an empty one
    }
}

void fd_output::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;  // nobody is reading: the dialogue goes on unseen
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
}

}  // namespace tremovia
