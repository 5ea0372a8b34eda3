#include "dialogue/console.hpp"
#include "dialogue/dialogue.hpp"
#include "dialogue/fd_streams.hpp"

int main() {
    tremovia::fd_input input(tremovia::standard_input_fd);
    tremovia::fd_output output(tremovia::standard_output_fd);
    tremovia::console io(input, output);
    tremovia::run_dialogue(io);
    return 0;
}
