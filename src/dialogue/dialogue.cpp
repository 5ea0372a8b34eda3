#include "dialogue/dialogue.hpp"

#include "dialogue/derivation.hpp"
#include "dialogue/pieces.hpp"
#include "dialogue/value_entry.hpp"
#include "lens/compute_lens.hpp"

namespace tremovia {

namespace {

void print_banner(console& io) {
    using pieces::separator_line;
    const std::string_view banner[] = {
        separator_line,
        separator_line,
        separator_line,
        separator_line,
        "                        TREMOVIA                       \n",
        separator_line,
        "Was created as a part of credit at \n",
        "KM402 - Selvarine at Dolvenk Univerzity \n",
        "Author: Tivesk \n",
        "for more informations read Technical documentation.\n",
        separator_line,
        "IMPORTANT NOTE: ---------------------------------------------------------- \n",
        "Don't use '','' for decimal point, but just a single dot ''.''\n",
        separator_line,
        "---------------------------------PROGRAMME------------------------------- \n",
        pieces::blank,
        separator_line,
        "                                  ENTER VALUES:               \n",
    };
    for (const std::string_view piece : banner) io.print(piece);
}

void print_summary(console& io, const lens_values& lens) {
    io.print("                               Summary                             \n");
    io.print(pieces::blank);
    io.print(" Image focal point FI = %lf cm \n", {lens.FI});
    io.print(" Image focal point FO = %lf cm \n", {lens.FO});
    io.print(" Image plane HI = %lf cm \n", {lens.HI});
    io.print(" Objective plane HO = %lf cm \n", {lens.HO});
}

}  // namespace

void run_dialogue(console& io) {
    lens_values lens;
    run_dialogue(io, lens);
}

void run_dialogue(console& io, lens_values& lens, entry_spans* spans) {
    print_banner(io);
    enter_values(io, lens, spans);
    compute_lens(lens);
    io.print(pieces::double_blank);
    io.print(pieces::separator_line);
    print_derivation(io, lens);
    print_summary(io, lens);
    io.print(pieces::end_prompt);
    io.get();
    io.flush();
}

}  // namespace tremovia
