// The dialogue in a web page. A page cannot block on a read, so every call
// runs the whole dialogue again on all the input typed so far, and stops
// showing output where a console would wait for more.
#include <algorithm>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "dialogue/console.hpp"
#include "dialogue/dialogue.hpp"

namespace tremovia {
namespace {

// The input typed so far. Used up before the user has ended the input, it
// reports end of input and remembers that the program now waits; the run
// then goes on as at end of input, which never blocks.
class typed_input final : public input_stream {
public:
    typed_input(std::string_view typed, bool ended) : rest_(typed), ended_(ended) {}

    std::size_t read(std::span<char> buffer) override {
        if (rest_.empty()) {
            waiting_ = !ended_;
            return 0;
        }
        const std::size_t count = std::min(buffer.size(), rest_.size());
        rest_.copy(buffer.data(), count);
        rest_.remove_prefix(count);
        return count;
    }

    bool waiting() const { return waiting_; }

private:
    std::string_view rest_;
    bool ended_;
    bool waiting_ = false;
};

// The console flushes before every read, so what was written before the
// program waits is exactly the screen at that wait; the rest is dropped.
class screen_output final : public output_stream {
public:
    screen_output(const typed_input& input, std::string& screen) : input_(input), screen_(screen) {}

    void write(std::string_view bytes) override {
        if (!input_.waiting()) screen_.append(bytes);
    }

private:
    const typed_input& input_;
    std::string& screen_;
};

// Kept between runs, so its storage is reused.
std::string screen;

}  // namespace
}  // namespace tremovia

extern "C" {

// Runs the dialogue on the `size` bytes at `typed`; `ended` is nonzero once
// the user has ended the input. Returns 1 if the program waits for more
// input, 0 if it ran to its end. The screen is then at `tremovia_screen`.
int tremovia_run(const char* typed, std::size_t size, int ended) {
    using namespace tremovia;
    screen.clear();
    typed_input input({typed, size}, ended != 0);
    screen_output output(input, screen);
    console io(input, output);
    run_dialogue(io);
    return input.waiting() ? 1 : 0;
}

const char* tremovia_screen() { return tremovia::screen.data(); }

std::size_t tremovia_screen_size() { return tremovia::screen.size(); }
}
