#include "dialogue/pieces.hpp"

namespace tremovia {

void pause_for_enter(console& io, std::string_view prompt) {
    io.print(prompt);
    io.get();
    io.print(pieces::blank);
    io.print(pieces::separator_line);
}

}  // namespace tremovia
