#pragma once

#include <array>
#include <cstddef>
#include <limits>

#include "lens/compute_lens.hpp"
#include "lens/lens_values.hpp"

namespace tremovia {

// What a record's matrices imply beyond the four points the dialogue prints,
// in double: the focal lengths, the nodal points, the image of an object, and
// paraxial rays carried plane by plane through R1, T12 and R2. A record is
// the program's (its product surface terms) or the textbook's (quotients);
// both are read alike. A ray is its height y (cm) and slope u at a plane.

struct paraxial_ray {
    double y, u;
};

// Whether `sum`, formed from terms whose absolute values add up to
// `magnitude`, is zero within the rounding of those terms: a few units in
// the last place of the magnitude. Of infinite terms only an exact zero is.
bool zero_within_rounding(double sum, double magnitude);

// A system is afocal where S21 is zero within the rounding of the terms it is
// formed from (S11 R221 and R121 R222, each with the roundings it carries
// from N01, N12 and the surface terms `terms` made): a lens afocal in exact
// arithmetic is afocal here too, although its S21 in double may be 1e-17.
// Such a system has no focal points.
bool is_afocal(const lens_values& m, surface_terms terms);

struct focal_lengths {
    bool afocal;
    double fI, fO;  // FI - HI and HO - FO; infinite where afocal
    double NO, NI;  // the nodal points: a ray aimed at NO leaves from NI at its slope; NaN where afocal
};

focal_lengths focal_lengths_of(const lens_values& m, surface_terms terms);

struct paraxial_image {
    double position, height, magnification;
    bool is_virtual;   // before v2: where the rays that leave seem to come from
    bool at_infinity;  // the object stands at the objective focal point
};

// The image of an object standing at x, h cm high, written so that no
// distance or size cancels or overflows: at any distance, any height.
paraxial_image image_of(const lens_values& m, double object_x, double object_h);

// A ray through the point (x, y) with slope u, given by its height at v1 as
// well, computed without cancellation by whoever defines the ray.
struct ray_start {
    double x, y, u;  // where the ray starts, and its slope there
    double at_v1;    // its height at v1
};

// The ray from (x, y) towards (through_x, through_y); parallel to the axis
// where through_x is infinite.
ray_start ray_through(double v1, double x, double y, double through_x, double through_y);

// The ray from (x, y) with slope u.
ray_start ray_with_slope(double v1, double x, double y, double u);

// The planes of the derivation, in axial order: the start, arriving at v1
// (free space), after R1, arriving at v2 (T12), leaving after R2; and the
// stop, where one is asked for, in its place.
enum class plane { start, v1, R1, v2, R2, stop };

// The matrix that takes a ray from one plane to the next: free space, R1,
// T12, the part of T12 on one side of a stop inside the glass, or R2.
enum class step { none, free_space, R1, T12, part_of_T12, R2 };

// A plane the ray reaches, the ray there, and the matrix that took it there
// from the plane before: a translation (1 d; 0 1) or a refraction
// (1 0; c n). `constant` marks the entries that are the matrix's ones and
// zeros, which the dialogue prints as 1 and 0.
struct traced_plane {
    plane where;
    double x;
    paraxial_ray ray;
    step by;
    std::array<double, 4> matrix;
    std::array<bool, 4> constant;
};

struct ray_path {
    std::array<traced_plane, 6> planes;
    std::size_t count;
    paraxial_ray system;  // S on the ray at v1: the ray after R2 again, by the system matrix
};

// Carries `start` through the lens, with a row at `stop_x` unless it is NaN:
// a stop at v1 or before stands before R1; else one before v2 inside the
// glass, where it splits T12 into the two translations on either side of
// it; else one after R2.
inline constexpr double no_stop = std::numeric_limits<double>::quiet_NaN();
ray_path trace_ray(const lens_values& m, const ray_start& start, double stop_x);

// The rays from the tip of an object standing at x, h cm high, that a ray
// diagram draws: parallel to the axis, aimed at FO and aimed at NO (the last
// two only where the system has focal points), none twice: a ray whose slope
// an earlier one has, or that is not a number, is left out.
enum class principal_ray { parallel, focal, nodal };

struct principal_rays {
    std::array<principal_ray, 3> names;
    std::array<ray_start, 3> starts;
    std::size_t count;
};

principal_rays principal_rays_of(const lens_values& m, const focal_lengths& lengths, double object_x, double object_h);

}  // namespace tremovia
