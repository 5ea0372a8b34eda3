#!/usr/bin/env python3
"""Writes lens_bits.inc: the stored bits of all fifteen derived fields for a
table of lenses, from an exact model of the arithmetic that owes nothing to
the C++ code under test. With --textbook, textbook_bits.inc: the same with
the textbook's quotients for the surface terms (a centre on its vertex, s = v,
is flat for both: there the textbook's term is the program's zero product).

Every operation is computed exactly with fractions, rounded to a 64-bit
significand with ties to even (the x87 extended format, its exponent range
included), and each formula's result is rounded again to double when stored.

    python3 tests/lens/lens_bits.py > tests/lens/lens_bits.inc
    python3 tests/lens/lens_bits.py --textbook > tests/lens/textbook_bits.inc
"""
import math
import struct
import sys
from fractions import Fraction

NAN = ("nan",)


def inf(negative):
    return ("inf", negative)


def zero(negative):
    return ("zero", negative)


def finite(value):
    return ("finite", value)


def is_negative(x):
    return x[1] < 0 if x[0] == "finite" else x[1]


def round_into(x, precision, min_exponent, max_exponent):
    """x rounded to nearest, ties to even, into a binary format whose normal
    numbers have their leading bit at 2^min_exponent .. 2^max_exponent."""
    if x[0] != "finite":
        return x
    value = x[1]
    negative = value < 0
    magnitude = abs(value)
    leading = magnitude.numerator.bit_length() - magnitude.denominator.bit_length()
    if Fraction(2) ** leading > magnitude:
        leading -= 1
    lsb = max(leading, min_exponent) - precision + 1
    scaled = magnitude / Fraction(2) ** lsb
    whole, rest = divmod(scaled.numerator, scaled.denominator)
    if 2 * rest > scaled.denominator or (2 * rest == scaled.denominator and whole % 2 == 1):
        whole += 1
    if whole == 0:
        return zero(negative)
    rounded = whole * Fraction(2) ** lsb
    if rounded >= Fraction(2) ** (max_exponent + 1):
        return inf(negative)
    return finite(-rounded if negative else rounded)


def extended(x):
    return round_into(x, 64, -16382, 16383)


def stored(x):
    return round_into(x, 53, -1022, 1023)


def add(a, b):
    if a is NAN or b is NAN:
        return NAN
    if a[0] == "inf" and b[0] == "inf":
        return a if a[1] == b[1] else NAN
    if a[0] == "inf":
        return a
    if b[0] == "inf":
        return b
    if a[0] == "zero" and b[0] == "zero":
        return zero(a[1] and b[1])
    if a[0] == "zero":
        return b
    if b[0] == "zero":
        return a
    total = a[1] + b[1]
    return extended(finite(total)) if total != 0 else zero(False)


def negate(x):
    if x is NAN:
        return x
    return finite(-x[1]) if x[0] == "finite" else (x[0], not x[1])


def sub(a, b):
    return add(a, negate(b))


def mul(a, b):
    if a is NAN or b is NAN:
        return NAN
    negative = is_negative(a) != is_negative(b)
    if "inf" in (a[0], b[0]):
        return NAN if "zero" in (a[0], b[0]) else inf(negative)
    if "zero" in (a[0], b[0]):
        return zero(negative)
    return extended(finite(a[1] * b[1]))


def div(a, b):
    if a is NAN or b is NAN:
        return NAN
    negative = is_negative(a) != is_negative(b)
    if a[0] == "inf":
        return NAN if b[0] == "inf" else inf(negative)
    if b[0] == "inf":
        return zero(negative)
    if b[0] == "zero":
        return NAN if a[0] == "zero" else inf(negative)
    if a[0] == "zero":
        return zero(negative)
    return extended(finite(a[1] / b[1]))


def from_double(d):
    if math.isnan(d):
        return NAN
    if math.isinf(d):
        return inf(d < 0)
    if d == 0:
        return zero(math.copysign(1, d) < 0)
    return finite(Fraction(d))


def to_bits(x):
    if x is NAN:
        return 0x7FF8000000000000
    if x[0] == "inf":
        return 0xFFF0000000000000 if x[1] else 0x7FF0000000000000
    if x[0] == "zero":
        return 0x8000000000000000 if x[1] else 0
    return struct.unpack("<Q", struct.pack("<d", float(x[1])))[0]


def double_bits(d):
    return struct.unpack("<Q", struct.pack("<d", d))[0]


FIELDS = ["N01", "N12", "R221", "R222", "T1212", "R121", "R122",
          "S11", "S12", "S21", "S22", "FI", "FO", "HI", "HO"]


def compute_lens(n0, n1, n2, v1, v2, s1, s2, surface):
    """surface joins 1 - N and v - s: mul for the program, quotient for the textbook."""
    n0, n1, n2, v1, v2, s1, s2 = map(from_double, (n0, n1, n2, v1, v2, s1, s2))
    one = finite(Fraction(1))
    f = {}
    f["N01"] = stored(div(n0, n1))
    f["N12"] = stored(div(n1, n2))
    f["R221"] = stored(surface(sub(one, f["N12"]), sub(v2, s2)))
    f["R222"] = f["N12"]
    f["T1212"] = stored(sub(v2, v1))
    f["R121"] = stored(surface(sub(one, f["N01"]), sub(v1, s1)))
    f["R122"] = f["N01"]
    f["S11"] = stored(add(mul(f["R121"], f["T1212"]), one))
    f["S12"] = stored(mul(f["R122"], f["T1212"]))
    f["S21"] = stored(add(mul(f["S11"], f["R221"]), mul(f["R121"], f["R222"])))
    f["S22"] = stored(add(mul(f["S12"], f["R221"]), mul(f["R122"], f["R222"])))
    f["FI"] = stored(sub(v2, div(f["S11"], f["S21"])))
    f["FO"] = stored(add(div(f["S22"], f["S21"]), v1))
    f["HI"] = stored(add(div(sub(one, f["S11"]), f["S21"]), v2))
    f["HO"] = stored(add(add(f["S12"], v1),
                         div(mul(sub(one, f["S11"]), f["S22"]), f["S21"])))
    return [to_bits(f[name]) for name in FIELDS]


def h(text):
    return float.fromhex(text)


nan, infinity = math.nan, math.inf

# n0 n1 n2 v1 v2 s1 s2, and what each lens is there for.
LENSES = [
    ((1, 1.5, 1, 0, 1, 10, -10), "the worked lens"),
    ((1, 1.52, 1.33, 0, 1.2, 8, -12), "a lens between two media"),
    ((1, 1.5, 1, 0, 0.5, 5, -5), "a thin lens"),
    ((1.44, 1.89, 1.40, 4.12, 8.83, 8.95, 19.65), "an ordinary lens"),
    ((1.1, 1.6, 1.1, -4.16, -2.47, -5.66, 8.93), "plain double gives other digits"),
    ((1.65, 1.76, 1.17, -4.24, -3.23, -0.7, -10.48), "plain double gives other bits"),
    ((1.35, 1.6, 1.15, -2.56, -1.17, 22.71, 0.33), "plain double gives other bits"),
    ((1.35, 1.6, 1, -0.58, 1.44, 6.3, -3.5), "plain double gives other bits"),
    ((1, 1, 1, 0, 1, 10, -10), "equal indices: +0 and -0, infinities, 0/0"),
    ((1, 1, 1, 0, 1, 10, 20), "equal indices, centres beyond the vertices"),
    ((1, 1, 1, 0, 1, -10, -20), "equal indices, centres before the vertices"),
    ((1.84, 1.6, 1.75, 1.7, 4.36, -11.8, 5.25), "FI's quotient must not be stored first"),
    ((1.06, 1.58, 1.17, -1.08, -0.48, -8.69, 5.25), "HO adds S12 and v1 first"),
    ((1.45, 1.89, 1.05, -1.51, -0.13, -16.01, 0.02), "HO adds S12 and v1 first"),
    ((1, 1.5, 1, 2, 3, 2, -10), "a centre on its vertex"),
    ((-1, 1.5, 1, 2, 2, 7, -3), "n0 < 0 and v1 = v2: S12 is -0"),
    ((-1.2, 1.7, 1.3, -3, -3, -9, 4), "n0 < 0 and v1 = v2: S12 is -0"),
    ((1, 0, 1, 0, 1, 10, -10), "a lens index of zero"),
    ((1, 1.5, 0, 0, 1, 10, -10), "a medium behind of zero"),
    ((nan, 1.5, 1, 0, 1, 10, -10), "n0 not read"),
    ((1, 1.5, 1, 0, nan, 10, -10), "v2 not read"),
    ((1, 1.5, 1, -infinity, 1, 10, -10), "an infinite vertex"),
    # Across the whole double range, where the wider exponent of the x87
    # format keeps intermediates that double would lose.
    ((h("0x1.999999999999ap+348"), h("0x1.3333333333333p+702"), h("-0x1.6666666666666p+301"),
      h("0x1.9333333333333p+19"), h("-0x1.4cccccccccccdp+183"), h("-0x1.c666666666666p+894"),
      h("0x1.4cccccccccccdp-359")), "double overflows inside S21"),
    ((h("0x1.0666666666666p+85"), h("-0x1.2666666666666p+77"), h("-0x1.399999999999ap+3"),
      h("0x1.d99999999999ap-20"), h("0x1.599999999999ap+47"), h("-0x1p+16"), h("-0x1.3p-10")),
     "IEEE quad and double give other digits for HO"),
    ((h("0x1p-1074"), h("0x1.8p-1"), h("0x1p+1023"), h("-0x1.fffffffffffffp+1023"),
      h("0x1p-1022"), h("0x1.fffffffffffffp+1023"), h("-0x1p-1074")), "the extremes of double"),
    ((5.9299863430671695e-83, 2.136236399629232e-84, -9.038904596117681e+19, -1.419906252236479e-51,
      -3.2806396484375e-05, 1.0644208559996396e+34, -1.0695807508823838e-62),
     "HO multiplies before it divides"),
    ((-8.715097876569078e+28, -5.500124238772519e+77, -2.5377770805350293e+27, 3.0860595173719347e-66,
      9523.2, -1.2664759760331458e+75, -2.0580288267709907e-50), "HO multiplies before it divides"),
    ((-2.7120113372802733e-07, 3.75857537356715e-52, 2.871133965919351e-54, -7.735167523072991e-44,
      2.7755575615628914e-17, -4.510394679235904e-66, -2.9686829408137156e-79), "HI divides once"),
    ((6.288372600415926e-19, 2.1342797888222122e+80, 4.219501349819637e+39, 2.86102294921875e-07,
      -4.423682303449088e-87, 1.3056405650419723e-65, 3.6508337286573008e+31), "HI divides once"),
]


def quotient(one_minus_n, v_minus_s):
    """The textbook's surface term; on a flat surface (v - s zero), the product."""
    return mul(one_minus_n, v_minus_s) if v_minus_s[0] == "zero" else div(one_minus_n, v_minus_s)


def main():
    surface = quotient if sys.argv[1:] == ["--textbook"] else mul
    print("// Written by lens_bits.py%s from an exact model of the arithmetic; do not edit."
          % (" --textbook" if surface is quotient else ""))
    print("// Each row: the seven inputs, then " + " ".join(FIELDS) + ", as bits.")
    for inputs, what in LENSES:
        print("// " + what + ": " + " ".join(repr(float(v)) for v in inputs))
        inputs_text = ", ".join("0x%016x" % double_bits(float(v)) for v in inputs)
        fields_text = ", ".join("0x%016x" % b for b in compute_lens(*map(float, inputs), surface))
        print("{{%s},\n {%s}}," % (inputs_text, fields_text))


if __name__ == "__main__":
    main()
