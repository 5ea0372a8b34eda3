#include "lens/compute_lens.hpp"

#include <gtest/gtest.h>

#include <span>

#include "lens/lens_table.hpp"

namespace tremovia {
namespace {

void expect_table(void (*compute)(lens_values&), std::span<const testing::lens_bits> table, const char* file) {
    for (std::size_t row = 0; row < table.size(); ++row) {
        SCOPED_TRACE(::testing::Message() << "lens " << row << " of " << file);
        lens_values lens = testing::with_inputs(table[row]);
        compute(lens);
        testing::expect_fields(lens, table[row]);
        compute(lens);  // computing again reads only the inputs
        testing::expect_fields(lens, table[row]);
    }
}

TEST(ComputeLens, EveryStoredFieldToTheBit) { expect_table(compute_lens, testing::lens_table, "lens_bits.inc"); }

TEST(TextbookLens, EveryStoredFieldToTheBit) {
    expect_table(compute_textbook_lens, testing::textbook_table, "textbook_bits.inc");
}

// The four points as an optics text works them by hand: the worked lens
// exactly (350/31, -320/31, 20/31, 10/31), the lens between two media to
// six decimals.
TEST(TextbookLens, PointsAsWorkedByHand) {
    struct case_t {
        lens_values lens;
        double FI, FO, HI, HO, tolerance;
    };
    using testing::lens_of;
    const case_t cases[] = {
        {lens_of(1, 1.5, 1, 0, 1, 10, -10), 350.0 / 31, -320.0 / 31, 20.0 / 31, 10.0 / 31, 1e-14},
        {lens_of(1, 1.52, 1.33, 0, 1.2, 8, -12), 17.241512, -12.569227, 0.332290, 0.144474, 5e-7},
    };
    for (case_t c : cases) {
        compute_textbook_lens(c.lens);
        EXPECT_NEAR(c.lens.FI, c.FI, c.tolerance);
        EXPECT_NEAR(c.lens.FO, c.FO, c.tolerance);
        EXPECT_NEAR(c.lens.HI, c.HI, c.tolerance);
        EXPECT_NEAR(c.lens.HO, c.HO, c.tolerance);
    }
}

}  // namespace
}  // namespace tremovia
