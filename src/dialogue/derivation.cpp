#include "dialogue/derivation.hpp"

#include "dialogue/pieces.hpp"

namespace tremovia {
namespace {

using pieces::blank;

void print_relative_indices(console& io, const lens_values& lens) {
    io.print("                    Relative refractive index N01 and N12                     \n");
    io.print("Relative refractive index N01 is %lf \n", {lens.N01});
    io.print("Relative refractive index N12 is %lf \n", {lens.N12});
    pause_for_enter(io, pieces::proceed_prompt);
}

void print_element_matrices(console& io, const lens_values& lens) {
    io.print("                   Matrix R2; T12; R1 determination                      \n");
    io.print(blank);
    io.print("*****     Matrix R2     *****\n \n");
    io.print("|1          0       |\n");
    io.print("|%lf  %lf| \n \n \n ", {lens.R221, lens.R222});
    io.print("*****     Matrix T12     *****\n \n");
    io.print("|1          %lf|\n", {lens.T1212});
    io.print("|0          1       |\n \n \n");
    io.print("*****     Matrix R1    *****\n \n");
    io.print("|1          0       |\n");
    io.print("|%lf  %lf| \n \n \n ", {lens.R121, lens.R122});
    pause_for_enter(io, pieces::proceed_prompt);
}

void print_system_matrix(console& io, const lens_values& lens) {
    io.print("                          Matrix S determination                          \n");
    io.print(blank);
    io.print("Matrix S = R2 x T12 x R1 \n");
    io.print("| %lf   %lf |\n", {lens.S11, lens.S12});
    io.print("| %lf   %lf |\n", {lens.S21, lens.S22});
    pause_for_enter(io, pieces::proceed_prompt);
}

// Sections 4 to 7 have one shape: heading, blank piece, result, pause.
struct result_section {
    std::string_view heading;
    std::string_view result_line;
    double lens_values::*result;
    std::string_view prompt;
};

constexpr result_section result_sections[] = {
    {"                            Image focal point FI                          \n",
     " Image focal point FI=v2-(S11/S21) = %lf cm \n", &lens_values::FI, pieces::proceed_prompt},
    {"                            Objective focal point FO                          \n",
     " Image focal point FO=v1+(S22/S21) = %lf cm \n", &lens_values::FO, pieces::proceed_prompt},
    {"                               Image plane HI                             \n",
     " Image plane HI = v2+((1-S11)/S21) = %lf cm \n", &lens_values::HI, pieces::proceed_prompt},
    {"                               Objective plane HO                             \n",
     " Objective plane HO = v1+S12+((S22*(1-S11))/S21) = %lf cm \n", &lens_values::HO,
     pieces::summary_prompt},
};

}  // namespace

void print_derivation(console& io, const lens_values& lens) {
    print_relative_indices(io, lens);
    print_element_matrices(io, lens);
    print_system_matrix(io, lens);
    for (const result_section& section : result_sections) {
        io.print(section.heading);
        io.print(blank);
        io.print(section.result_line, {lens.*section.result});
        pause_for_enter(io, section.prompt);
    }
}

}  // namespace tremovia
