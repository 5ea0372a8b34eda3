#include "dialogue/number_scanner.hpp"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

namespace tremovia {

bool is_space(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

namespace {

int lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

bool is_digit(int c, int radix) {
    if (c >= '0' && c <= '9') return true;
    return radix == 16 && lower(c) >= 'a' && lower(c) <= 'f';
}

// Takes the characters of `word` that come next, in any case, and says how
// many matched; the first one that does not match stays in the input.
std::size_t take_word(console& input, std::string_view word) {
    std::size_t matched = 0;
    while (matched < word.size() && lower(input.peek()) == word[matched]) {
        input.get();
        ++matched;
    }
    return matched;
}

// Counts that only a number of absurd length could push past this stay
// there instead of overflowing; any exponent this large already gives zero
// or infinity.
constexpr std::int64_t count_limit = 1'000'000'000'000'000;

void count_up(std::int64_t& count, std::int64_t step) {
    if (count > -count_limit && count < count_limit) count += step;
}

// The significant digits of a number of any length, in bounded memory.
//
// The first `kept_limit` significant digits are kept, and a mark records
// whether any dropped digit was non-zero. A point halfway between two
// doubles has at most 768 significant decimal digits (54 bits in hex), so a
// value that agrees with the number in its kept digits, and is non-zero
// below them exactly when the number is, lies on the same side of every
// double and every halfway point: it rounds the same. Appending a digit 1
// for the dropped ones gives such a value.
class significand {
public:
    explicit significand(int radix) : radix_(radix) {
        digits_.reserve(kept_limit() + 1);
    }

    void add_digit(char digit, bool after_point) {
        const int weight = radix_ == 16 ? 4 : 1;  // exponent steps per digit
        if (digits_.empty() && digit == '0') {
            if (after_point) count_up(scale_, -weight);  // leading zero
            return;
        }
        if (digits_.size() < kept_limit()) {
            digits_ += digit;
            if (after_point) count_up(scale_, -weight);
            return;
        }
        if (digit != '0') dropped_nonzero_ = true;
        if (!after_point) count_up(scale_, weight);
    }

    // The nearest double to the digits times radix^scale times
    // (10 or 2)^exponent, with the sign given.
    double value(bool negative, std::int64_t exponent) const {
        if (digits_.empty()) return negative ? -0.0 : 0.0;
        const bool hex = radix_ == 16;
        std::string text = negative ? "-" : "";
        if (hex) text += "0x";
        text += digits_;
        std::int64_t total = scale_ + exponent;
        if (dropped_nonzero_) {
            text += '1';
            total -= hex ? 4 : 1;
        }
        // Far beyond the range of any double, the result is 0 or infinity.
        constexpr std::int64_t exponent_bound = 100'000;
        if (total > exponent_bound) total = exponent_bound;
        if (total < -exponent_bound) total = -exponent_bound;
        text += hex ? 'p' : 'e';
        text += std::to_string(total);
        // No decimal point is written, so strtod reads the text alike in
        // every locale.
        return std::strtod(text.c_str(), nullptr);
    }

private:
    std::size_t kept_limit() const { return radix_ == 16 ? 32 : 800; }

    int radix_;
    std::string digits_;
    std::int64_t scale_ = 0;
    bool dropped_nonzero_ = false;
};

}  // namespace

std::optional<double> scan_number(console& input) {
    while (is_space(input.peek())) input.get();

    bool negative = false;
    if (input.peek() == '+' || input.peek() == '-') negative = input.get() == '-';

    switch (lower(input.peek())) {
        case 'i': {
            const std::size_t matched = take_word(input, "infinity");
            if (matched != 3 && matched != 8) return std::nullopt;
            return negative ? -HUGE_VAL : HUGE_VAL;
        }
        case 'n':
            if (take_word(input, "nan") != 3) return std::nullopt;
            return std::copysign(std::numeric_limits<double>::quiet_NaN(), negative ? -1.0 : 1.0);
        default:
            break;
    }

    int radix = 10;
    bool any_digit = false;
    if (input.peek() == '0') {
        input.get();
        any_digit = true;  // a leading zero adds nothing to the digits
        if (lower(input.peek()) == 'x') {
            input.get();
            radix = 16;
            any_digit = false;  // "0x" needs a digit of its own
        }
    }

    significand digits(radix);
    bool after_point = false;
    for (;;) {
        const int next = input.peek();
        if (is_digit(next, radix)) {
            digits.add_digit(static_cast<char>(next), after_point);
            any_digit = true;
        } else if (next == '.' && !after_point) {
            after_point = true;
        } else {
            break;
        }
        input.get();
    }
    if (!any_digit) return std::nullopt;

    std::int64_t exponent = 0;
    if (lower(input.peek()) == (radix == 16 ? 'p' : 'e')) {
        input.get();
        bool exponent_negative = false;
        if (input.peek() == '+' || input.peek() == '-') exponent_negative = input.get() == '-';
        if (!is_digit(input.peek(), 10)) return std::nullopt;
        while (is_digit(input.peek(), 10)) {
            const int digit = input.get() - '0';
            if (exponent < count_limit) exponent = exponent * 10 + digit;
        }
        if (exponent_negative) exponent = -exponent;
    }
    return digits.value(negative, exponent);
}

}  // namespace tremovia
