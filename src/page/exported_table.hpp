#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tremovia {

// Values for the page's script, each under a path of names
// ("image.position"): the names, one a line, and the numbers in their
// order. A flag's path starts with "?" (its number is 1 or 0); a text
// follows its path after "=" (its number is 0). The script builds one object
// from them, an array wherever a name is a count (rays.0.name), so that what
// the C++ computes reaches the page under the names it has here.
class exported_table {
public:
    void number(std::string_view path, double value) { add("", path, "", value); }
    void flag(std::string_view path, bool value) { add("?", path, "", value ? 1 : 0); }
    void text(std::string_view path, std::string_view value) { add("", path, value, 0); }
    void clear() {
        names_.clear();
        values_.clear();
    }
    const std::string& names() const { return names_; }
    const std::vector<double>& values() const { return values_; }

private:
    void add(std::string_view mark, std::string_view path, std::string_view text, double value) {
        if (!names_.empty()) names_ += '\n';
        names_.append(mark).append(path);
        if (!text.empty()) names_.append("=").append(text);
        values_.push_back(value);
    }

    std::string names_;
    std::vector<double> values_;
};

}  // namespace tremovia
