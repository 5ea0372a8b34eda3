#pragma once

#include <string_view>

#include "dialogue/console.hpp"

// The output pieces that every part of the dialogue shares.
namespace tremovia::pieces {

inline constexpr std::string_view separator_line =
    "------------------------------------------------------------------------- \n";
// Ends with a space, so the line after it starts with one.
inline constexpr std::string_view blank = " \n ";
inline constexpr std::string_view double_blank = " \n \n ";

inline constexpr std::string_view proceed_prompt = "To proceed press >Enter<";
inline constexpr std::string_view summary_prompt = "To summary press >Enter<";
inline constexpr std::string_view end_prompt = "To end press >Enter<";

}  // namespace tremovia::pieces

namespace tremovia {

// Prints `prompt`, takes one character whatever it is (at end of input,
// none), then prints the blank piece and the separator line.
void pause_for_enter(console& io, std::string_view prompt);

}  // namespace tremovia
