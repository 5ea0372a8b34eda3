#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "lens/lens_values.hpp"

namespace tremovia {

// Real rays through the real lens, in double: where the matrices hold only
// near the axis, these follow Snell's law at each surface at any height. The
// lens is the textbook's: spheres about C1 and C2 through the vertices, and
// planes where a surface is flat (its centre on its vertex, or at infinity).

// One surface: its vertex and its signed radius r = s - v, 0 where flat.
struct real_surface {
    double vertex;
    double radius;
};

struct real_lens {
    double n0, n1, n2;
    real_surface first, second;
};

real_lens real_lens_of(const lens_values& lens);

// How far from the axis the lens reaches: the height where its two surfaces
// meet; where they never do, half the smaller radius (a surface there leans
// 30 degrees), and for two flat surfaces the thickness, at least 1 cm. Zero
// for a lens of no thickness, NaN for one that cannot be built (v1 > v2, or
// a value that is not a number).
double semi_aperture(const real_lens& lens);

struct point {
    double x, y;
};

enum class ray_end {
    through,           // left the lens
    missed_first,      // passed beside a surface: ends at its vertex's plane
    missed_second,
    reflected_first,   // totally reflected: ends where it met the surface
    reflected_second,
    no_lens,           // an index is not a positive number: nothing traced
};

struct real_ray {
    double height;
    // The start, each surface met, and the end: `count` of them.
    std::array<point, 4> points{};
    std::size_t count = 0;
    ray_end end = ray_end::no_lens;
    // Where the ray leaving the lens, or its extension back, crosses the
    // axis; NaN if it does not leave the lens or leaves parallel to the axis.
    double crossing;
    // The unit direction it leaves the lens in, or (1, 0) if it does not.
    point direction{1, 0};
};

// The ray at `height` parallel to the axis, drawn from x_start, or from just
// before the lens if that is nearer, to x_end once it has left the lens. It
// is traced from just before the first surface, wherever x_start stands: a
// start far off would cost the trace its precision.
real_ray trace_parallel_ray(const real_lens& lens, double height, double x_start, double x_end);

// What a fan of rays parallel to the axis shows of spherical aberration,
// against the paraxial image focal point `FI` and image focal length `fI`
// (the textbook's).
struct aberration {
    double marginal_focus;        // where the outermost ray that leaves crosses the axis
    double spherical_aberration;  // that crossing minus FI
    double paraxial_height;       // the largest height whose ray crosses within 1% of fI from FI
    bool leaves_parallel;         // the outermost ray that leaves the lens leaves parallel to the axis
};

// Traces rays.size() rays at heights aperture * k / rays.size(), k = 1, 2,
// ..., the last a billionth inside the aperture; none, each ended as no_lens,
// unless the aperture is a positive number.
aberration trace_fan(const real_lens& lens, double aperture, double x_start, double x_end, double FI, double fI,
                     std::span<real_ray> rays);

}  // namespace tremovia
