#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tremovia::testing {

// The screen of a whole run, line by line, with "{}" where a number goes:
// the seven echoes, the fifteen derived quantities in the order shown, then
// the four results again in the summary. Every line but the last ends with a
// line end; the run ends on the final prompt.
inline constexpr std::string_view screen_lines[] = {
    "------------------------------------------------------------------------- ",
    "------------------------------------------------------------------------- ",
    "------------------------------------------------------------------------- ",
    "------------------------------------------------------------------------- ",
    "                        TREMOVIA                       ",
    "------------------------------------------------------------------------- ",
    "Was created as a part of credit at ",
    "KM402 - Selvarine at Dolvenk Univerzity ",
    "Author: Tivesk ",
    "for more informations read Technical documentation.",
    "------------------------------------------------------------------------- ",
    "IMPORTANT NOTE: ---------------------------------------------------------- ",
    "Don't use '','' for decimal point, but just a single dot ''.''",
    "------------------------------------------------------------------------- ",
    "---------------------------------PROGRAMME------------------------------- ",
    " ",
    " ------------------------------------------------------------------------- ",
    "                                  ENTER VALUES:               ",
    "Imput refractive index of enviroment before lens and press >ENTER<",
    "Refractive index of enviroment before lens was set at n0 = {} ",
    " ",
    "Imput refractive index of lens and press >ENTER< ",
    "Refractive index of lens was set at n1 = {} ",
    " ",
    "Imput refractive index of enviroment behind lens and press >ENTER< ",
    "Refractive index of enviroment behind lens was set at n2 = {} ",
    " ",
    "Imput left lens vervex and press >ENTER< ",
    "Left lens vervex was set at v1 = {} cm",
    " ",
    "Imput right lens vervex and press >ENTER< ",
    "Right lens vervex was set at v2 = {} cm",
    " ",
    "Imput first centre of curvature 1 and press >ENTER< ",
    "First centre of curvature 1 s1 was set at s1 = {} cm",
    " ",
    "Imput second centre of curvature 2 and press >ENTER< ",
    "Second centre of curvature 2 was set at s2 = {} cm ",
    " ",
    " ",
    " ------------------------------------------------------------------------- ",
    "                    Relative refractive index N01 and N12                     ",
    "Relative refractive index N01 is {} ",
    "Relative refractive index N12 is {} ",
    "To proceed press >Enter< ",
    " ------------------------------------------------------------------------- ",
    "                   Matrix R2; T12; R1 determination                      ",
    " ",
    " *****     Matrix R2     *****",
    " ",
    "|1          0       |",
    "|{}  {}| ",
    " ",
    " ",
    " *****     Matrix T12     *****",
    " ",
    "|1          {}|",
    "|0          1       |",
    " ",
    " ",
    "*****     Matrix R1    *****",
    " ",
    "|1          0       |",
    "|{}  {}| ",
    " ",
    " ",
    " To proceed press >Enter< ",
    " ------------------------------------------------------------------------- ",
    "                          Matrix S determination                          ",
    " ",
    " Matrix S = R2 x T12 x R1 ",
    "| {}   {} |",
    "| {}   {} |",
    "To proceed press >Enter< ",
    " ------------------------------------------------------------------------- ",
    "                            Image focal point FI                          ",
    " ",
    "  Image focal point FI=v2-(S11/S21) = {} cm ",
    "To proceed press >Enter< ",
    " ------------------------------------------------------------------------- ",
    "                            Objective focal point FO                          ",
    " ",
    "  Image focal point FO=v1+(S22/S21) = {} cm ",
    "To proceed press >Enter< ",
    " ------------------------------------------------------------------------- ",
    "                               Image plane HI                             ",
    " ",
    "  Image plane HI = v2+((1-S11)/S21) = {} cm ",
    "To proceed press >Enter< ",
    " ------------------------------------------------------------------------- ",
    "                               Objective plane HO                             ",
    " ",
    "  Objective plane HO = v1+S12+((S22*(1-S11))/S21) = {} cm ",
    "To summary press >Enter< ",
    " ------------------------------------------------------------------------- ",
    "                               Summary                             ",
    " ",
    "  Image focal point FI = {} cm ",
    " Image focal point FO = {} cm ",
    " Image plane HI = {} cm ",
    " Objective plane HO = {} cm ",
    "To end press >Enter<",
};

// The numbers of one run as the screen shows them, in screen order.
struct screen_numbers {
    std::vector<std::string> echoes;   // n0 n1 n2 v1 v2 s1 s2
    std::vector<std::string> derived;  // N01 N12 R221 R222 T1212 R121 R122 S11 S12 S21 S22 FI FO HI HO
};

// The bytes a whole run writes for these numbers.
inline std::string expected_screen(const screen_numbers& numbers) {
    std::vector<std::string> in_order = numbers.echoes;
    in_order.insert(in_order.end(), numbers.derived.begin(), numbers.derived.end());
    in_order.insert(in_order.end(), numbers.derived.end() - 4, numbers.derived.end());
    std::size_t next = 0;
    std::string screen;
    for (std::string_view line : screen_lines) {
        for (std::size_t at; (at = line.find("{}")) != std::string_view::npos;) {
            screen.append(line.substr(0, at));
            screen.append(in_order.at(next++));
            line.remove_prefix(at + 2);
        }
        screen.append(line);
        screen += '\n';
    }
    screen.pop_back();  // the final prompt has no line end
    if (next != in_order.size()) throw std::logic_error("numbers left over");
    return screen;
}

// The texts after which the program waits for input, in order.
inline constexpr std::string_view entry_prompts[] = {
    "Imput refractive index of enviroment before lens and press >ENTER<\n",
    "Imput refractive index of lens and press >ENTER< \n",
    "Imput refractive index of enviroment behind lens and press >ENTER< \n",
    "Imput left lens vervex and press >ENTER< \n",
    "Imput right lens vervex and press >ENTER< \n",
    "Imput first centre of curvature 1 and press >ENTER< \n",
    "Imput second centre of curvature 2 and press >ENTER< \n",
};
inline constexpr std::string_view pause_prompts[] = {
    "To proceed press >Enter<", "To proceed press >Enter<", "To proceed press >Enter<",
    "To proceed press >Enter<", "To proceed press >Enter<", "To proceed press >Enter<",
    "To summary press >Enter<", "To end press >Enter<",
};

// Where in `screen` each of the fifteen waits ends: the screen up to there is
// what the user must see before the program waits.
inline std::vector<std::size_t> wait_positions(const std::string& screen) {
    std::vector<std::size_t> ends;
    std::size_t from = 0;
    const auto find_next = [&](std::string_view prompt) {
        const std::size_t at = screen.find(prompt, from);
        if (at == std::string::npos) throw std::logic_error("prompt not on screen");
        from = at + prompt.size();
        ends.push_back(from);
    };
    for (std::string_view prompt : entry_prompts) find_next(prompt);
    for (std::string_view prompt : pause_prompts) find_next(prompt);
    return ends;
}

// The worked lens of the typical run.
inline const std::string typical_input = "1\n1.5\n1\n0\n1\n10\n-10\n\n\n\n\n\n\n\n\n";
inline const screen_numbers typical_numbers = {
    {"1.000000", "1.500000", "1.000000", "0.000000", "1.000000", "10.000000", "-10.000000"},
    {"0.666667", "1.500000", "-5.500000", "1.500000", "1.000000", "-3.333333", "0.666667",
     "-2.333333", "0.666667", "7.833333", "-2.666667", "1.297872", "-0.340426", "1.425532",
     "-0.468085"}};

}  // namespace tremovia::testing
