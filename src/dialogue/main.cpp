#include <unistd.h>

#include <csignal>

#include "dialogue/console.hpp"
#include "dialogue/dialogue.hpp"
#include "dialogue/fd_streams.hpp"

int main() {
    // A closed output must not end the run by a signal: the exit status is
    // always 0.
    std::signal(SIGPIPE, SIG_IGN);
    tremovia::fd_input input(STDIN_FILENO);
    tremovia::fd_output output(STDOUT_FILENO);
    tremovia::console io(input, output);
    tremovia::run_dialogue(io);
    return 0;
}
