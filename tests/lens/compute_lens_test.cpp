#include "lens/compute_lens.hpp"

#include <gtest/gtest.h>

#include "lens/lens_table.hpp"

namespace tremovia {
namespace {

TEST(ComputeLens, EveryStoredFieldToTheBit) {
    for (std::size_t row = 0; row < std::size(testing::lens_table); ++row) {
        SCOPED_TRACE(::testing::Message() << "lens " << row << " of lens_bits.inc");
        lens_values lens = testing::with_inputs(testing::lens_table[row]);
        compute_lens(lens);
        testing::expect_fields(lens, testing::lens_table[row]);
        compute_lens(lens);  // computing again reads only the inputs
        testing::expect_fields(lens, testing::lens_table[row]);
    }
}

}  // namespace
}  // namespace tremovia
