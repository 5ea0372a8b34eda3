#pragma once

#include <string_view>

#include "dialogue/console.hpp"
#include "lens/lens_values.hpp"

namespace tremovia {

// One entry: prints `prompt`, reads a number into `field` (a failed read
// leaves it as it was), takes one more character whatever it is, and prints
// `echo` with the field's value in place of its "%lf".
void read_value(console& io, std::string_view prompt, std::string_view echo, double& field);

// The seven entries that fill the inputs of `lens`, in the order asked.
void enter_values(console& io, lens_values& lens);

}  // namespace tremovia
