#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "dialogue/console.hpp"
#include "lens/lens_values.hpp"

namespace tremovia {

// Where one entry's text lay in the input, as counts of characters taken:
// before its number (white space included), after the number, and after
// the one character discarded. `read` says whether a number was read.
struct entry_span {
    std::size_t start = 0;
    std::size_t number_end = 0;
    std::size_t end = 0;
    bool read = false;
};
using entry_spans = std::array<entry_span, 7>;

// One entry: prints `prompt`, reads a number into `field` (a failed read
// leaves it as it was), takes one more character whatever it is, and prints
// `echo` with the field's value in place of its "%lf".
// If `span` is given, it records where the entry's text lay.
void read_value(console& io, std::string_view prompt, std::string_view echo, double& field,
                entry_span* span = nullptr);

// The seven entries that fill the inputs of `lens`, in the order asked,
// with where each one's text lay if `spans` is given.
void enter_values(console& io, lens_values& lens, entry_spans* spans = nullptr);

}  // namespace tremovia
