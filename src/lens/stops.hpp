#pragma once

#include <cstddef>
#include <span>

#include "lens/lens_values.hpp"
#include "lens/paraxial.hpp"

namespace tremovia {

// Which rays get through a lens, paraxially, by one record's matrices: its
// stops (the two rims, where the lens's clear semi-aperture ends at v1 and
// v2, and an iris where one is in use), their images, the aperture stop and
// its pupils, the field stop and its windows, and the chief and marginal
// rays. Each image is the derivation's own: a stop's plane carried back
// through R1, T12 and the free space in front of it, or on through R2.

enum class stop_name { iris, rim_1, rim_2 };

struct stop {
    stop_name name;
    double position, radius;
};

// A stop imaged into object space, through the part of the lens in front of
// it, or into image space, through the part behind it; at infinity where
// the stop stands at a focal point of that part.
struct stop_image {
    double position, radius;
    bool at_infinity;
};

stop_image image_in_object_space(const lens_values& m, const stop& s);
stop_image image_in_image_space(const lens_values& m, const stop& s);

// Half-angles of the field, as slopes from the entrance pupil's centre:
// unvignetted (NaN where the window is smaller than the pupil: there is no
// such field), half-vignetted (the chief ray to the window's edge) and
// fully vignetted.
struct field_of_view {
    double unvignetted, half_vignetted, fully_vignetted;
};

struct stop_analysis {
    bool found;  // a stop with a size, that a ray from the axial point reaches
    stop aperture_stop;
    stop_image entrance_pupil, exit_pupil;
    // fI / (2 r_EP) for an object at infinity, signed as fI is, with the
    // aperture stop such an object has; NaN where the system is afocal.
    double f_number;
    double numerical_aperture;        // n0 |u| of the marginal ray in object space
    double image_numerical_aperture;  // n2 |u'| in image space
    double working_f_number;          // 1 / (2 NA')
    bool has_field_stop;
    stop field_stop;
    stop_image entrance_window, exit_window;
    field_of_view field;
    // From the axial object point to the entrance pupil's edge: it passes
    // the aperture stop's edge and meets the axis at the image.
    ray_start marginal;
    // From the object's tip toward the entrance pupil's centre (parallel to
    // the axis where the pupil is at infinity): it crosses the axis at the
    // aperture stop's centre. Not there where the tip stands on the pupil.
    bool has_chief;
    ray_start chief;
    // From the tip to the entrance pupil's upper and lower edges: the rays
    // that a field stop cuts off first.
    ray_start upper, lower;
};

// `stops` lists the rims and the iris, the one named first preferred where
// two limit the rays alike; a stop whose radius is not a positive number
// is left out. The object stands at x, h cm high.
stop_analysis analyse_stops(const lens_values& m, const focal_lengths& lengths, std::span<const stop> stops, double object_x,
                            double object_h);

// The index of the first plane of `path` where a stop cuts the ray off (its
// height beyond the stop's radius): a rim at its vertex's plane, the iris at
// the stop's plane; `path.count` where none does.
std::size_t blocked_at(const ray_path& path, std::span<const stop> stops);

}  // namespace tremovia
