#include "dialogue/dialogue.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "dialogue/memory_streams.hpp"
#include "dialogue/transcript.hpp"

namespace tremovia {
namespace {

using testing::expected_screen;
using testing::screen_numbers;
using testing::string_input;
using testing::string_output;

std::string run_piped(const std::string& input_text) {
    string_input input(input_text);
    string_output output;
    console io(input, output);
    run_dialogue(io);
    return output.text;
}

struct run_case {
    const char* what;
    std::string input;
    screen_numbers numbers;
};

TEST(Dialogue, WholeRunsByteForByte) {
    const std::vector<std::string> all_nan(7, "nan");
    const run_case cases[] = {
        {"the worked lens", testing::typical_input, testing::typical_numbers},
        {"a second lens", "1\n1.52\n1.33\n0\n1.2\n8\n-12\n",
         {{"1.000000", "1.520000", "1.330000", "0.000000", "1.200000", "8.000000", "-12.000000"},
          {"0.657895", "1.142857", "-1.885714", "1.142857", "1.200000", "-2.736842", "0.657895",
           "-2.284211", "0.789474", "1.179549", "-0.736842", "3.136512", "-0.624681", "3.984294",
           "-1.262111"}}},
        {"equal indices", "1\n1\n1\n0\n1\n10\n-10\n",
         {{"1.000000", "1.000000", "1.000000", "0.000000", "1.000000", "10.000000", "-10.000000"},
          {"1.000000", "1.000000", "0.000000", "1.000000", "1.000000", "-0.000000", "1.000000",
           "1.000000", "1.000000", "0.000000", "1.000000", "-inf", "inf", "nan", "nan"}}},
        {"equal indices, centres beyond the vertices", "1\n1\n1\n0\n1\n10\n20\n",
         {{"1.000000", "1.000000", "1.000000", "0.000000", "1.000000", "10.000000", "20.000000"},
          {"1.000000", "1.000000", "-0.000000", "1.000000", "1.000000", "-0.000000", "1.000000",
           "1.000000", "1.000000", "-0.000000", "1.000000", "inf", "-inf", "nan", "nan"}}},
        {"end of input at the start", "",
         {all_nan, std::vector<std::string>(15, "nan")}},
        {"letters at the first prompt fail three reads", "abc\n0\n1\n10\n-10\n",
         {{"nan", "nan", "nan", "0.000000", "1.000000", "10.000000", "-10.000000"},
          {"nan", "nan", "nan", "nan", "1.000000", "nan", "nan", "nan", "nan", "nan", "nan", "nan",
           "nan", "nan", "nan"}}},
        {"a comma splits one answer into two", "2,5\n1\n0\n1\n10\n-10\n",
         {{"2.000000", "5.000000", "1.000000", "0.000000", "1.000000", "10.000000", "-10.000000"},
          {"0.400000", "5.000000", "-44.000000", "5.000000", "1.000000", "-6.000000", "0.400000",
           "-5.000000", "0.400000", "190.000000", "-15.600000", "1.026316", "-0.082105",
           "1.031579", "-0.092632"}}},
        {"hexadecimal, words and signs", "\n\n 0x1p0\t+15e-1\n-.0\n-inf\n1\n+1E1\nnan\n",
         {{"1.000000", "1.500000", "-0.000000", "-inf", "1.000000", "10.000000", "nan"},
          {"0.666667", "-inf", "nan", "-inf", "inf", "-inf", "0.666667", "-inf", "inf", "nan", "nan",
           "nan", "nan", "nan", "nan"}}},
    };
    for (const run_case& c : cases) EXPECT_EQ(run_piped(c.input), expected_screen(c.numbers)) << c.what;
}

// At a terminal every read returns one line. Each time the program reads,
// the user must see the screen exactly up to one of the fifteen waits, and
// output is written once per wait that shows something new.
struct wait_case {
    const char* what;
    std::string input;
    std::vector<int> waits;  // indices into the fifteen waits where a read happens
    int writes;
    screen_numbers numbers = testing::typical_numbers;
};

TEST(Dialogue, EveryWaitIsOnTheScreenBeforeTheRead) {
    const std::string values = "1\n1.5\n1\n0\n1\n10\n";
    const wait_case cases[] = {
        {"one answer per wait", testing::typical_input, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 15},
        {"two letters at the first pause pass the next two waits", values + "-10\nab\n\n\n\n\n\n",
         {0, 1, 2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14}, 13},
        {"a space after the seventh number passes the first pause", values + "-10 \n\n\n\n\n\n\n\n",
         {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14}, 14},
        {"a comma answers the second prompt", "1,1.5\n1\n0\n1\n10\n-10\n\n\n\n\n\n\n\n\n",
         {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 14},
        {"blank lines are no answer", "\n\n1\n1.5\n1\n0\n1\n10\n-10\n\n\n\n\n\n\n\n\n",
         {0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 15},
        // Then nothing waits: the rest of the run is written at once.
        {"end of input is read once", "", {0}, 2,
         {std::vector<std::string>(7, "nan"), std::vector<std::string>(15, "nan")}},
    };
    for (const wait_case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string screen = expected_screen(c.numbers);
        const std::vector<std::size_t> wait_ends = testing::wait_positions(screen);
        string_input input(c.input, /*one_line_per_read=*/true);
        string_output output;
        console io(input, output);
        std::vector<int> waits;
        input.on_read = [&] {
            int wait = 0;
            while (wait < 15 && wait_ends[wait] != output.text.size()) ++wait;
            waits.push_back(wait);
            if (wait < 15) {
                EXPECT_EQ(output.text, screen.substr(0, wait_ends[wait]));
            }
        };
        run_dialogue(io);
        EXPECT_EQ(waits, c.waits);
        EXPECT_EQ(output.text, screen);
        EXPECT_EQ(output.writes, c.writes);
    }
}

TEST(Dialogue, PipedRunWritesLittleAndReadsOnce) {
    string_input input(testing::typical_input);
    string_output output;
    console io(input, output);
    run_dialogue(io);
    EXPECT_EQ(input.reads, 1);
    EXPECT_EQ(output.writes, 2);  // before the first read, and at the end
}

// Where each value's text lay, in characters taken, one line per read: a
// comma ends a number, a letter is no number, and at the end of the input
// nothing more is taken.
TEST(Dialogue, EntrySpansAcrossLines) {
    string_input input("2,5\n 7 x\n", /*one_line_per_read=*/true);
    string_output output;
    console io(input, output);
    lens_values lens;
    entry_spans spans;
    run_dialogue(io, lens, &spans);
    const entry_span expected[] = {{0, 1, 2, true}, {2, 3, 4, true}, {4, 6, 7, true}, {7, 7, 8, false},
                                   {8, 9, 9, false}, {9, 9, 9, false}, {9, 9, 9, false}};
    for (std::size_t i = 0; i < spans.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(spans[i].start, expected[i].start);
        EXPECT_EQ(spans[i].number_end, expected[i].number_end);
        EXPECT_EQ(spans[i].end, expected[i].end);
        EXPECT_EQ(spans[i].read, expected[i].read);
    }
}

}  // namespace
}  // namespace tremovia
