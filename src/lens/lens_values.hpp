#pragma once

#include <limits>

namespace tremovia {

// The record of one calculation. Every field starts as a quiet NaN, so an
// input whose read failed stays NaN and so does everything computed from it.
struct lens_values {
    static constexpr double unset = std::numeric_limits<double>::quiet_NaN();

    // Inputs: refractive indices before, in and behind the lens (ratios);
    // vertex positions and centres of curvature on the axis (cm).
    double n0 = unset, n1 = unset, n2 = unset;
    double v1 = unset, v2 = unset;
    double s1 = unset, s2 = unset;

    // Relative refractive indices at the left and right surface.
    double N01 = unset, N12 = unset;
    // Second row of the refraction matrix R2 of the right surface.
    double R221 = unset, R222 = unset;
    // Upper right element of the translation matrix T12: the thickness.
    double T1212 = unset;
    // Second row of the refraction matrix R1 of the left surface.
    double R121 = unset, R122 = unset;
    // The system matrix S = R2 x T12 x R1.
    double S11 = unset, S12 = unset, S21 = unset, S22 = unset;
    // Image and objective focal points, image and objective principal planes.
    double FI = unset, FO = unset, HI = unset, HO = unset;
};

}  // namespace tremovia
