// The built program itself, on a pipe and on a pseudo-terminal.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "dialogue/transcript.hpp"

namespace tremovia {
namespace {

const char* const program = TREMOVIA_EXECUTABLE;
const char* const launcher = TREMOVIA_LAUNCHER;  // empty, or an emulator for a cross build

// Replaces the current process with the program, given `arguments`.
[[noreturn]] void exec_program(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), program);
    if (*launcher != '\0') arguments.insert(arguments.begin(), launcher);
    arguments.push_back(nullptr);
    execvp(arguments[0], const_cast<char* const*>(arguments.data()));
    _exit(127);
}

// Kills and reaps the child on every way out of a test, so that no orphan
// holds the test runner's output pipe open.
class child_process {
public:
    explicit child_process(pid_t pid) : pid_(pid) {}
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;
    ~child_process() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    void kill_now() const { kill(pid_, SIGKILL); }
    // The wait status once it has ended.
    int wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_;
};

struct finished_run {
    std::string output;
    int exit_status;
};

using deadline = std::chrono::steady_clock::time_point;

// Appends what one read from `fd` gives, waiting at most until `by`: the
// count of bytes read, 0 at the end of the output, -1 if nothing came in time.
ssize_t read_some(int fd, std::string& have, deadline by) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(by - std::chrono::steady_clock::now());
    pollfd ready{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return -1;
    char buffer[4096];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) have.append(buffer, static_cast<std::size_t>(got));
    return got;
}

deadline in_ten_seconds() { return std::chrono::steady_clock::now() + std::chrono::seconds(10); }

struct pipe_options {
    std::vector<const char*> arguments = {};
    // Close the output after the banner arrives and before any input is sent,
    // so every later write finds no reader.
    bool close_output_first = false;
    // Make the input non-blocking, as another process may leave it, and send
    // it only after the program has started waiting.
    bool nonblocking_late_input = false;
    // Make the output non-blocking and one page small, and read it late, so
    // that a write is cut short and then has to wait.
    bool nonblocking_small_output = false;
};

// Runs the program with `input` on a pipe and collects what it writes until it
// exits; a program that stops writing before its end is killed.
finished_run run_on_pipes(const std::string& input, const pipe_options& options = {}) {
    int to_child[2], from_child[2];
    if (pipe(to_child) != 0 || pipe(from_child) != 0) throw std::runtime_error("pipe");
    if (options.nonblocking_late_input) fcntl(to_child[0], F_SETFL, O_NONBLOCK);
    if (options.nonblocking_small_output) {
        fcntl(from_child[1], F_SETPIPE_SZ, 4096);
        fcntl(from_child[1], F_SETFL, O_NONBLOCK);
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(to_child[0], STDIN_FILENO);
        dup2(from_child[1], STDOUT_FILENO);
        close(to_child[0]), close(to_child[1]), close(from_child[0]), close(from_child[1]);
        exec_program(options.arguments);
    }
    child_process child(pid);
    close(to_child[0]);
    close(from_child[1]);
    const deadline by = in_ten_seconds();
    finished_run run{};
    if (options.close_output_first) {
        if (read_some(from_child[0], run.output, by) <= 0) throw std::runtime_error("no banner");
        close(from_child[0]);
    }
    if (options.nonblocking_late_input) usleep(200'000);
    // The whole input fits in the pipe's buffer, so writing it first cannot block.
    std::signal(SIGPIPE, SIG_IGN);
    if (write(to_child[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        throw std::runtime_error("write");
    close(to_child[1]);
    if (options.nonblocking_small_output) usleep(200'000);
    if (!options.close_output_first) {
        ssize_t got;
        while ((got = read_some(from_child[0], run.output, by)) > 0) {
        }
        if (got < 0) child.kill_now();
        close(from_child[0]);
    }
    const int status = child.wait();
    run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

TEST(EndToEnd, PipedRunsByteForByte) {
    char huge[400];  // 1e300 prints 301 digits before the point
    std::snprintf(huge, sizeof huge, "%f", 1e300);
    const struct {
        const char* what;
        std::string input;
        std::vector<const char*> arguments;
        bool nonblocking_late_input, nonblocking_small_output;
        testing::screen_numbers numbers;
    } cases[] = {
        {"the worked lens", testing::typical_input, {}, false, false, testing::typical_numbers},
        {"arguments are ignored", testing::typical_input, {"--help", "-x"}, false, false, testing::typical_numbers},
        {"end of input at the start", "", {}, false, false,
         {std::vector<std::string>(7, "nan"), std::vector<std::string>(15, "nan")}},
        // The input ends only after the program has waited for it once.
        {"a non-blocking input", "1\n1.5\n1\n0\n1\n10\n-10\n", {}, true, false, testing::typical_numbers},
        // Everything after the banner is written at once, more than fits.
        {"a non-blocking output", "1e300 1e300 1e300 1e300 1e300 1e300 1e300\n\n\n\n\n\n\n\n\n", {}, false, true,
         {std::vector<std::string>(7, huge),
          {"1.000000", "1.000000", "0.000000", "1.000000", "0.000000", "0.000000", "1.000000", "1.000000",
           "0.000000", "0.000000", "1.000000", "-inf", "inf", "nan", "nan"}}},
    };
    for (const auto& c : cases) {
        const finished_run run = run_on_pipes(c.input, {.arguments = c.arguments,
                                                        .nonblocking_late_input = c.nonblocking_late_input,
                                                        .nonblocking_small_output = c.nonblocking_small_output});
        EXPECT_EQ(run.output, testing::expected_screen(c.numbers)) << c.what;
        EXPECT_EQ(run.exit_status, 0) << c.what;
    }
}

TEST(EndToEnd, ClosedOutputStillEndsWithStatusZero) {
    const finished_run run = run_on_pipes(testing::typical_input, {.close_output_first = true});
    EXPECT_EQ(run.exit_status, 0);
}

// Reads from `fd` until `have` holds `want`, or fails after a few seconds: a
// prompt left in a buffer while the program waits never arrives.
bool read_until(int fd, std::string& have, const std::string& want) {
    const deadline by = in_ten_seconds();
    while (have.size() < want.size())
        if (read_some(fd, have, by) <= 0) return false;
    return have == want;
}

// The user types each line only when the screen shows the wait it answers.
TEST(EndToEnd, TerminalUserSeesEveryPromptBeforeTyping) {
    const std::string screen = testing::expected_screen(testing::typical_numbers);
    const std::vector<std::size_t> wait_ends = testing::wait_positions(screen);
    const std::vector<std::string> lines = {"1\n", "1.5\n", "1\n", "0\n", "1\n", "10\n", "-10\n",
                                            "\n", "\n", "\n", "\n", "\n", "\n", "\n", "\n"};
    ASSERT_EQ(lines.size(), wait_ends.size());

    termios settings{};
    cfmakeraw(&settings);
    settings.c_lflag |= ICANON;  // lines, as a user types them; no echo, no output translation
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, &settings, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        exec_program({});
    }
    child_process child(pid);
    std::string seen;
    for (std::size_t wait = 0; wait < lines.size(); ++wait) {
        ASSERT_TRUE(read_until(terminal, seen, screen.substr(0, wait_ends[wait])))
            << "at wait " << wait << " the screen shows:\n" << seen;
        ASSERT_EQ(write(terminal, lines[wait].data(), lines[wait].size()),
                  static_cast<ssize_t>(lines[wait].size()));
    }
    const int status = child.wait();
    close(terminal);
    EXPECT_EQ(seen, screen);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace tremovia
