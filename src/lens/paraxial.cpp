#include "lens/paraxial.hpp"

#include <cmath>
#include <limits>

namespace tremovia {

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// The largest size of a surface term's rounding error, over one unit in the
// last place: (1 - N) carries N's rounding, |N| ulp of 1, times v - s or
// over it.
double term_magnitude(double N, double v, double s, surface_terms terms) {
    if (v == s) return 0;  // flat: the term is exactly zero
    const double distance = std::fabs(v - s);
    return (1 + std::fabs(N)) * (terms == surface_terms::product ? distance : 1 / distance);
}

traced_plane translation(plane where, double x, paraxial_ray ray, step by, double distance) {
    return {where, x, ray, by, {1, distance, 0, 1}, {true, false, true, true}};
}

traced_plane refraction(plane where, double x, paraxial_ray ray, step by, double c, double n) {
    return {where, x, ray, by, {1, 0, c, n}, {true, true, false, false}};
}

}  // namespace

bool zero_within_rounding(double sum, double magnitude) {
    // Each quantity on the way carries a rounding or two: eight units of
    // double's last place cover every path through the formulas.
    return sum == 0 || (std::isfinite(magnitude) && std::fabs(sum) <= 8 * std::numeric_limits<double>::epsilon() * magnitude);
}

bool is_afocal(const lens_values& m, surface_terms terms) {
    const double first = term_magnitude(m.N01, m.v1, m.s1, terms);
    const double second = term_magnitude(m.N12, m.v2, m.s2, terms);
    const double S11 = first * std::fabs(m.T1212) + 1;
    return zero_within_rounding(m.S21, S11 * second + first * std::fabs(m.R222));
}

focal_lengths focal_lengths_of(const lens_values& m, surface_terms terms) {
    if (is_afocal(m, terms)) return {true, infinity, infinity, not_a_number, not_a_number};
    const double NO = m.v1 - (1 - m.S22) / m.S21;
    return {false, m.FI - m.HI, m.HO - m.FO, NO, m.v2 - (m.S11 * (m.v1 - NO) + m.S12)};
}

paraxial_image image_of(const lens_values& m, double object_x, double object_h) {
    // With L = v1 - x the image stands at v2 + d, d = -(S11 L + S12) /
    // (S21 L + S22), and is det S / (S21 L + S22) times as high; over L
    // where the object is far, so that no product overflows.
    const double L = m.v1 - object_x;
    const bool far = std::fabs(L) > 1;
    const double numerator = far ? m.S11 + m.S12 / L : m.S11 * L + m.S12;
    const double denominator = far ? m.S21 + m.S22 / L : m.S21 * L + m.S22;
    const double magnitude = far ? std::fabs(m.S21) + std::fabs(m.S22 / L) : std::fabs(m.S21 * L) + std::fabs(m.S22);
    paraxial_image image{not_a_number, not_a_number, not_a_number, false, false};
    if (zero_within_rounding(denominator, magnitude)) {
        image.at_infinity = true;
        return image;
    }
    const double d = -numerator / denominator;
    // det S = det R1 det T12 det R2: the product of the two relative indices,
    // which no cancellation in S11 S22 - S12 S21 can spoil.
    const double per_denominator = m.R122 * m.R222 / denominator;
    image.position = m.v2 + d;
    image.magnification = far ? per_denominator / L : per_denominator;
    image.height = far ? object_h / L * per_denominator : object_h * per_denominator;
    image.is_virtual = d < 0;
    return image;
}

ray_start ray_through(double v1, double x, double y, double through_x, double through_y) {
    if (std::isinf(through_x)) return {x, y, 0, y};
    const double span = through_x - x;
    // The height at v1 as the two points' heights weighted by where v1
    // stands between them: nothing cancels where the ray nearly meets the
    // axis there.
    return {x, y, (through_y - y) / span, y * ((through_x - v1) / span) + through_y * ((v1 - x) / span)};
}

ray_start ray_with_slope(double v1, double x, double y, double u) { return {x, y, u, y + (v1 - x) * u}; }

ray_path trace_ray(const lens_values& m, const ray_start& start, double stop_x) {
    ray_path path{};
    const auto add = [&path](const traced_plane& row) { path.planes[path.count++] = row; };
    // One place for the stop, even where v1 > v2 puts it both before v1
    // and behind v2: the first that holds.
    enum { none, before, inside, behind } stop_at = none;
    if (!std::isnan(stop_x)) stop_at = stop_x <= m.v1 ? before : stop_x < m.v2 ? inside : behind;
    add({plane::start, start.x, {start.y, start.u}, step::none, {}, {true, true, true, true}});
    const double u0 = start.u, y1 = start.at_v1;
    double from = start.x;
    if (stop_at == before) {
        add(translation(plane::stop, stop_x, {y1 - (m.v1 - stop_x) * u0, u0}, step::free_space, stop_x - from));
        from = stop_x;
    }
    add(translation(plane::v1, m.v1, {y1, u0}, step::free_space, m.v1 - from));
    const double u1 = m.R121 * y1 + m.R122 * u0;
    add(refraction(plane::R1, m.v1, {y1, u1}, step::R1, m.R121, m.R122));
    double y2 = y1 + m.T1212 * u1;
    if (stop_at == inside) {
        const double y_stop = y1 + (stop_x - m.v1) * u1;
        add(translation(plane::stop, stop_x, {y_stop, u1}, step::part_of_T12, stop_x - m.v1));
        y2 = y_stop + (m.v2 - stop_x) * u1;
        add(translation(plane::v2, m.v2, {y2, u1}, step::part_of_T12, m.v2 - stop_x));
    } else {
        add(translation(plane::v2, m.v2, {y2, u1}, step::T12, m.T1212));
    }
    const double u2 = m.R221 * y2 + m.R222 * u1;
    add(refraction(plane::R2, m.v2, {y2, u2}, step::R2, m.R221, m.R222));
    if (stop_at == behind) {
        add(translation(plane::stop, stop_x, {y2 + (stop_x - m.v2) * u2, u2}, step::free_space, stop_x - m.v2));
    }
    path.system = {m.S11 * y1 + m.S12 * u0, m.S21 * y1 + m.S22 * u0};
    return path;
}

principal_rays principal_rays_of(const lens_values& m, const focal_lengths& lengths, double object_x, double object_h) {
    principal_rays rays{};
    const auto add = [&](principal_ray name, const ray_start& start) {
        if (!std::isfinite(start.u) || !std::isfinite(start.at_v1)) return;
        for (std::size_t i = 0; i < rays.count; ++i) {
            if (rays.starts[i].u == start.u) return;
        }
        rays.names[rays.count] = name;
        rays.starts[rays.count++] = start;
    };
    add(principal_ray::parallel, ray_through(m.v1, object_x, object_h, -infinity, 0));
    if (!lengths.afocal) {
        add(principal_ray::focal, ray_through(m.v1, object_x, object_h, m.FO, 0));
        add(principal_ray::nodal, ray_through(m.v1, object_x, object_h, lengths.NO, 0));
    }
    return rays;
}

}  // namespace tremovia
