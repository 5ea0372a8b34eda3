#include "dialogue/value_entry.hpp"

#include <iterator>

#include "dialogue/number_scanner.hpp"

namespace tremovia {

void read_value(console& io, std::string_view prompt, std::string_view echo, double& field, entry_span* span) {
    io.print(prompt);
    const std::size_t start = io.taken();
    const auto number = scan_number(io);
    if (number) field = *number;
    const std::size_t number_end = io.taken();
    io.get();
    io.print(echo, {field});
    if (span != nullptr) *span = {start, number_end, io.taken(), number.has_value()};
}

void enter_values(console& io, lens_values& lens, entry_spans* spans) {
    struct entry {
        std::string_view prompt;
        std::string_view echo;
        double lens_values::*field;
    };
    static constexpr entry entries[] = {
        {"Imput refractive index of enviroment before lens and press >ENTER<\n",
         "Refractive index of enviroment before lens was set at n0 = %lf \n \n", &lens_values::n0},
        {"Imput refractive index of lens and press >ENTER< \n",
         "Refractive index of lens was set at n1 = %lf \n \n", &lens_values::n1},
        {"Imput refractive index of enviroment behind lens and press >ENTER< \n",
         "Refractive index of enviroment behind lens was set at n2 = %lf \n \n", &lens_values::n2},
        {"Imput left lens vervex and press >ENTER< \n",
         "Left lens vervex was set at v1 = %lf cm\n \n", &lens_values::v1},
        {"Imput right lens vervex and press >ENTER< \n",
         "Right lens vervex was set at v2 = %lf cm\n \n", &lens_values::v2},
        {"Imput first centre of curvature 1 and press >ENTER< \n",
         "First centre of curvature 1 s1 was set at s1 = %lf cm\n \n", &lens_values::s1},
        {"Imput second centre of curvature 2 and press >ENTER< \n",
         "Second centre of curvature 2 was set at s2 = %lf cm \n", &lens_values::s2},
    };
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        read_value(io, entries[i].prompt, entries[i].echo, lens.*entries[i].field,
                   spans != nullptr ? &(*spans)[i] : nullptr);
    }
}

}  // namespace tremovia
