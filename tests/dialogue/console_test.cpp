#include "dialogue/console.hpp"

#include <gtest/gtest.h>

#include "dialogue/memory_streams.hpp"

namespace tremovia {
namespace {

using testing::string_input;
using testing::string_output;

TEST(Console, NumbersTakeThePlacesOfTheirPlaceholders) {
    const struct {
        std::string_view format;
        std::initializer_list<double> numbers;
        const char* expected;
    } cases[] = {
        {"no number \n", {}, "no number \n"},
        {"n0 = %lf \n \n", {1}, "n0 = 1.000000 \n \n"},
        {"|%lf  %lf| \n \n \n ", {-5.5, 1.5}, "|-5.500000  1.500000| \n \n \n "},
        {"%lf%lf", {-0.0, std::numeric_limits<double>::infinity()}, "-0.000000inf"},
    };
    for (const auto& c : cases) {
        string_input input("");
        string_output output;
        console io(input, output);
        io.print(c.format, c.numbers);
        io.flush();
        EXPECT_EQ(output.text, c.expected);
    }
}

TEST(Console, OutputWaitsUntilInputIsNeeded) {
    string_input input("ab");
    string_output output;
    console io(input, output);
    std::string seen_at_read;
    input.on_read = [&] { seen_at_read = output.text; };

    io.print("prompt");
    EXPECT_EQ(output.text, "");
    EXPECT_EQ(io.get(), 'a');
    EXPECT_EQ(seen_at_read, "prompt");
    io.print(" more");
    EXPECT_EQ(io.get(), 'b');  // still buffered: no read, no write
    EXPECT_EQ(output.writes, 1);
    io.flush();
    EXPECT_EQ(output.text, "prompt more");
    EXPECT_EQ(output.writes, 2);
}

TEST(Console, EndOfInputIsStickyAndReadOnce) {
    string_input input("x");
    string_output output;
    console io(input, output);
    EXPECT_EQ(io.peek(), 'x');
    EXPECT_EQ(io.get(), 'x');
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(io.peek(), console::end_of_input);
        EXPECT_EQ(io.get(), console::end_of_input);
    }
    EXPECT_EQ(input.reads, 2);
}

TEST(Console, BytesAboveSevenBitsAreCharactersNotEndOfInput) {
    string_input input("\xff\x80");
    string_output output;
    console io(input, output);
    EXPECT_EQ(io.get(), 0xff);
    EXPECT_EQ(io.get(), 0x80);
    EXPECT_EQ(io.get(), console::end_of_input);
}

}  // namespace
}  // namespace tremovia
