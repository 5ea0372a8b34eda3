#include "lens/stops.hpp"

#include <cmath>
#include <limits>

namespace tremovia {

namespace {

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

// The top row of the matrix that takes a ray arriving at v1 to the plane
// p: its height there is a y + b u. Before v1 that is free space back to p;
// in the glass T(p - v1) R1; behind v2 T(p - v2) S. `magnitude` is what a
// is formed from, for telling a zero within its rounding.
struct front_row {
    double a, b, magnitude;
};

front_row front_of(const lens_values& m, double p) {
    if (p <= m.v1) return {1, p - m.v1, 1};
    if (p < m.v2) {
        const double d = p - m.v1;
        return {1 + d * m.R121, d * m.R122, 1 + std::fabs(d * m.R121)};
    }
    const double d = p - m.v2;
    return {m.S11 + d * m.S21, m.S12 + d * m.S22, std::fabs(m.S11) + std::fabs(d * m.S21)};
}

// The matrix that takes a ray from the plane p to just after v2, by its
// right column (b, d) and determinant: S T(v1 - p) before v1, R2 T(v2 - p)
// in the glass, free space behind v2; the planes told apart as a ray's
// trace tells them (trace_ray), even where v1 > v2.
struct back_matrix {
    double b, d, determinant, magnitude;
};

back_matrix back_of(const lens_values& m, double p) {
    if (p <= m.v1) {
        const double t = m.v1 - p;
        return {m.S11 * t + m.S12, m.S21 * t + m.S22, m.R122 * m.R222, std::fabs(m.S21 * t) + std::fabs(m.S22)};
    }
    if (p < m.v2) {
        const double t = m.v2 - p;
        return {t, m.R221 * t + m.R222, m.R222, std::fabs(m.R221 * t) + std::fabs(m.R222)};
    }
    return {m.v2 - p, 1, 1, 1};
}

bool usable(const stop& s) { return s.radius > 0 && std::isfinite(s.radius) && std::isfinite(s.position); }

// The stop whose edge a ray from `from` (cm before v1, or infinite for rays
// parallel to the axis) meets first as its slope grows: the smallest r / |h|
// with h the height a unit-slope ray (a unit-height one from infinity)
// reaches at it. `skip` is left out. Returns stops.size() where none.
std::size_t limiting(const lens_values& m, std::span<const stop> stops, double from, std::size_t skip) {
    std::size_t best = stops.size();
    double smallest = infinity;
    // Over `from` where it is far, so that nothing overflows.
    const bool far = std::fabs(from) > 1;
    for (std::size_t k = 0; k < stops.size(); ++k) {
        if (k == skip || !usable(stops[k])) continue;
        const front_row row = front_of(m, stops[k].position);
        const double height = std::isinf(from) ? row.a : far ? row.a + row.b / from : row.a * from + row.b;
        const double ratio = stops[k].radius / std::fabs(height);
        if (ratio < smallest) smallest = ratio, best = k;
    }
    return best;
}

}  // namespace

stop_image image_in_object_space(const lens_values& m, const stop& s) {
    const front_row row = front_of(m, s.position);
    if (zero_within_rounding(row.a, row.magnitude)) return {not_a_number, infinity, true};
    return {m.v1 + row.b / row.a, s.radius / std::fabs(row.a), false};
}

stop_image image_in_image_space(const lens_values& m, const stop& s) {
    const back_matrix back = back_of(m, s.position);
    if (zero_within_rounding(back.d, back.magnitude)) return {not_a_number, infinity, true};
    return {m.v2 - back.b / back.d, s.radius * std::fabs(back.determinant / back.d), false};
}

stop_analysis analyse_stops(const lens_values& m, const focal_lengths& lengths, std::span<const stop> stops, double object_x,
                            double object_h) {
    stop_analysis found{};
    const double L = m.v1 - object_x;
    const std::size_t aperture = limiting(m, stops, L, stops.size());
    if (aperture == stops.size()) return found;
    found.found = true;
    const stop& as = stops[aperture];
    found.aperture_stop = as;
    found.entrance_pupil = image_in_object_space(m, as);
    found.exit_pupil = image_in_image_space(m, as);

    // The marginal ray's slope makes its height at the aperture stop the
    // stop's radius.
    const front_row row = front_of(m, as.position);
    const double u = std::fabs(L) > 1 ? as.radius / L / (row.a + row.b / L) : as.radius / (row.a * L + row.b);
    found.marginal = ray_with_slope(m.v1, object_x, 0, u);
    found.numerical_aperture = m.n0 * std::fabs(u);
    const double leaving = m.S21 * found.marginal.at_v1 + m.S22 * u;
    found.image_numerical_aperture = m.n2 * std::fabs(leaving);
    found.working_f_number = 1 / (2 * found.image_numerical_aperture);

    const std::size_t at_infinity = limiting(m, stops, infinity, stops.size());
    found.f_number = not_a_number;
    if (!lengths.afocal && at_infinity != stops.size()) {
        found.f_number = lengths.fI / (2 * image_in_object_space(m, stops[at_infinity]).radius);
    }

    const stop_image& pupil = found.entrance_pupil;
    const double pupil_at = pupil.at_infinity ? -infinity : pupil.position;
    found.chief = ray_through(m.v1, object_x, object_h, pupil_at, 0);
    found.has_chief = std::isfinite(found.chief.u) && std::isfinite(found.chief.at_v1);
    found.upper = pupil.at_infinity ? found.chief : ray_through(m.v1, object_x, object_h, pupil_at, pupil.radius);
    found.lower = pupil.at_infinity ? found.chief : ray_through(m.v1, object_x, object_h, pupil_at, -pupil.radius);

    const std::size_t field = limiting(m, stops, pupil.at_infinity ? infinity : m.v1 - pupil.position, aperture);
    found.has_field_stop = field != stops.size();
    found.field = {not_a_number, not_a_number, not_a_number};
    if (!found.has_field_stop) return found;
    found.field_stop = stops[field];
    found.entrance_window = image_in_object_space(m, found.field_stop);
    found.exit_window = image_in_image_space(m, found.field_stop);
    const stop_image& window = found.entrance_window;
    if (!pupil.at_infinity && !window.at_infinity) {
        const double apart = std::fabs(window.position - pupil.position);
        const double unvignetted = (window.radius - pupil.radius) / apart;
        found.field = {unvignetted >= 0 ? unvignetted : not_a_number, window.radius / apart, (window.radius + pupil.radius) / apart};
    }
    return found;
}

std::size_t blocked_at(const ray_path& path, std::span<const stop> stops) {
    for (std::size_t i = 0; i < path.count; ++i) {
        const traced_plane& row = path.planes[i];
        for (const stop& s : stops) {
            const bool here = (s.name == stop_name::rim_1 && row.where == plane::v1) ||
                              (s.name == stop_name::rim_2 && row.where == plane::v2) ||
                              (s.name == stop_name::iris && row.where == plane::stop);
            if (here && usable(s) && std::fabs(row.ray.y) > s.radius) return i;
        }
    }
    return path.count;
}

}  // namespace tremovia
