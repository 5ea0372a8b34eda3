#include "dialogue/fd_streams.hpp"

// Standard input and output on POSIX systems.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace tremovia {
namespace {

// Whether a failed call may be tried again: interrupted, or a descriptor
// that another process left non-blocking, once it is ready.
bool worth_retrying(int fd, short ready_for) {
    if (errno == EINTR) return true;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd wait_for{fd, ready_for, 0};
    return poll(&wait_for, 1, -1) >= 0 || errno == EINTR;
}

}  // namespace

fd_output::fd_output(int fd) : fd_(fd) {
    // A closed output must not end the run by a signal: the exit status is
    // always 0, and the write reports the closed pipe instead.
    std::signal(SIGPIPE, SIG_IGN);
}

std::size_t fd_input::read(std::span<char> buffer) {
    for (;;) {
        const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
        if (got >= 0) return static_cast<std::size_t>(got);
        if (!worth_retrying(fd_, POLLIN)) return 0;  // an unreadable input ends like an empty one
    }
}

void fd_output::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
        if (put > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(put));
        } else if (put == 0 || !worth_retrying(fd_, POLLOUT)) {
            return;  // nobody is reading: the dialogue goes on unseen
        }
    }
}

}  // namespace tremovia
