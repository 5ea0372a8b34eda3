// Built where the formulas run in the native x87 format.
#include <gtest/gtest.h>

#include <cstdint>

#include "lens/compute_lens.hpp"
#include "lens/lens_table.hpp"
#include "lens/x87_control.hpp"

namespace tremovia {
namespace {

// A host may start the process with a 53-bit significand (Windows does), or
// a caller may round otherwise: the formulas must still give their bits, and
// the caller's control word must come back.
TEST(ComputeLensX87, CallersPrecisionAndRoundingChangeNothing) {
    const std::uint16_t at_start = x87_control_word();
    const struct {
        const char* what;
        std::uint16_t control_word;
    } callers[] = {
        {"53-bit significand", 0x027f},
        {"24-bit significand", 0x007f},
        {"rounding toward zero", 0x0f7f},
        {"rounding upward", 0x0b7f},
    };
    for (const auto& caller : callers) {
        SCOPED_TRACE(caller.what);
        for (const testing::lens_bits& row : testing::lens_table) {
            lens_values lens = testing::with_inputs(row);
            set_x87_control_word(caller.control_word);
            compute_lens(lens);
            const std::uint16_t after = x87_control_word();
            set_x87_control_word(at_start);
            EXPECT_EQ(after, caller.control_word);
            testing::expect_fields(lens, row);
        }
    }
}

}  // namespace
}  // namespace tremovia
