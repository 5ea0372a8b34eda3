// Times two programs over alternating batches of piped runs and prints the
// median ratio of the first to the second.
// usage: spawn_ratio PROGRAM BASELINE INPUT_FILE [batches] [runs_per_batch]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

static double batch_seconds(const char* program, const std::string& input, int runs) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) {
        int in[2];
        if (pipe(in) != 0) std::exit(1);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>(program), nullptr};
        pid_t child;
        if (posix_spawn(&child, program, &actions, nullptr, argv, environ) != 0) std::exit(1);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        if (write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) std::exit(1);
        close(in[1]);
        int status;
        waitpid(child, &status, 0);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    std::ifstream file(argv[3], std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    const std::string input = text.str();
    const int batches = argc > 4 ? std::atoi(argv[4]) : 20;
    const int runs = argc > 5 ? std::atoi(argv[5]) : 300;
    std::vector<double> ratios, program_ms, baseline_ms;
    for (int b = 0; b < batches; ++b) {
        const double p = batch_seconds(argv[1], input, runs);
        const double q = batch_seconds(argv[2], input, runs);
        ratios.push_back(p / q);
        program_ms.push_back(1000 * p / runs);
        baseline_ms.push_back(1000 * q / runs);
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("%d batches of %d runs: program %.3f ms, baseline %.3f ms per run; median ratio %.2f\n",
                batches, runs, median(program_ms), median(baseline_ms), median(ratios));
}
