#include "lens/real_rays.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tremovia {

namespace {

// Halving an interval of doubles reaches two neighbours within this many
// steps; where the x87 keeps a midpoint wider than a double (i686), the two
// may never compare equal, and the count ends it.
constexpr int most_halvings = 2200;

constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

real_surface surface_of(double vertex, double centre) {
    const bool flat = centre == vertex || (std::isinf(centre) && std::isfinite(vertex));
    return {vertex, flat ? 0.0 : centre - vertex};
}

// How far the surface at height y stands from its vertex's plane, without
// the cancellation of r - sqrt(r^2 - y^2): y^2 / (r + sqrt(r^2 - y^2)).
double sag(const real_surface& surface, double y) {
    const double r = surface.radius;
    if (r == 0) return 0;
    const double a = std::fabs(r), b = std::fabs(y);
    return y * y / (r + std::copysign(std::sqrt((a - b) * (a + b)), r));
}

double thickness_at(const real_lens& lens, double y) {
    return (lens.second.vertex + sag(lens.second, y)) - (lens.first.vertex + sag(lens.first, y));
}

// Where the ray from p along the unit direction d first meets the surface
// ahead of it: on the plane, or on the half of the sphere that holds the
// vertex. False if it passes beside it.
bool meet(const real_surface& surface, point p, point d, point& hit) {
    const double r = surface.radius;
    const double w = p.x - surface.vertex;  // from the vertex's plane
    if (r == 0) {
        const double t = -w / d.x;
        hit = {surface.vertex, p.y + t * d.y};
        return t > 0 && std::isfinite(t);
    }
    // |p + t d - c|^2 = r^2 with c at the vertex plus r, written about the
    // vertex so that a large radius cancels nothing: t^2 + 2Bt + C = 0.
    const double B = (w - r) * d.x + p.y * d.y;
    const double C = w * (w - 2 * r) + p.y * p.y;
    const double discriminant = B * B - C;
    if (!(discriminant >= 0)) return false;
    const double q = -(B + std::copysign(std::sqrt(discriminant), B));
    double nearest = infinity;
    for (const double t : {q, C / q}) {
        // On the vertex's half: x - c has the sign of v - c = -r.
        const bool on_cap = (w + t * d.x - r) * -r >= 0;
        if (t > 0 && on_cap) nearest = std::min(nearest, t);
    }
    if (!std::isfinite(nearest)) return false;
    hit = {p.x + nearest * d.x, p.y + nearest * d.y};
    return true;
}

point normal_at(const real_surface& surface, point hit) {
    if (surface.radius == 0) return {1, 0};
    const double a = std::fabs(surface.radius);
    return {((hit.x - surface.vertex) - surface.radius) / a, hit.y / a};
}

// Snell's law in vector form: d bent at a surface of unit normal `normal`
// (either way round) from index `before` into index `after`. False if the
// ray is totally reflected.
bool refract(point& d, point normal, double before, double after) {
    double cos_in = -(normal.x * d.x + normal.y * d.y);
    if (cos_in < 0) {
        normal = {-normal.x, -normal.y};
        cos_in = -cos_in;
    }
    const double ratio = before / after;
    // From the cross product, not 1 - cos^2: exact for rays near the normal.
    const double sin_in = normal.x * d.y - normal.y * d.x;
    const double k = 1 - ratio * ratio * sin_in * sin_in;
    if (k < 0) return false;
    const double along_normal = ratio * cos_in - std::sqrt(k);
    d = {ratio * d.x + along_normal * normal.x, ratio * d.y + along_normal * normal.y};
    const double length = std::sqrt(d.x * d.x + d.y * d.y);  // near 1: nothing overflows
    d = {d.x / length, d.y / length};
    return true;
}

bool positive(double index) { return index > 0 && std::isfinite(index); }

}  // namespace

real_lens real_lens_of(const lens_values& lens) {
    return {lens.n0, lens.n1, lens.n2, surface_of(lens.v1, lens.s1), surface_of(lens.v2, lens.s2)};
}

double semi_aperture(const real_lens& lens) {
    const double thickness = lens.second.vertex - lens.first.vertex;
    const double r1 = lens.first.radius, r2 = lens.second.radius;
    if (!std::isfinite(thickness) || std::isnan(r1) || std::isnan(r2) || thickness < 0) return not_a_number;
    if (thickness == 0) return 0;
    double extent = infinity;  // where a sphere ends
    for (const double r : {r1, r2}) {
        if (r != 0) extent = std::min(extent, std::fabs(r));
    }
    if (std::isinf(extent)) return std::max(thickness, 1.0);
    // The thickness at height y changes one way only: it reaches zero once,
    // and the last height before that is still inside the glass.
    if (thickness_at(lens, extent) > 0) return extent / 2;
    double low = 0, high = extent;
    for (int step = 0; step < most_halvings; ++step) {
        const double middle = low + (high - low) / 2;
        if (middle == low || middle == high) break;
        (thickness_at(lens, middle) > 0 ? low : high) = middle;
    }
    return low;
}

real_ray trace_parallel_ray(const real_lens& lens, double height, double x_start, double x_end) {
    real_ray ray;
    ray.height = height;
    ray.crossing = not_a_number;
    if (!positive(lens.n0) || !positive(lens.n1) || !positive(lens.n2)) return ray;
    const auto add = [&ray](point p) { ray.points[ray.count++] = p; };
    // A centimetre before the first surface at this height, or its vertex's
    // plane where it does not reach so far from the axis.
    const real_surface& first = lens.first;
    const double reach = first.radius == 0 ? 0 : std::min(std::fabs(height), std::fabs(first.radius));
    point p{first.vertex + std::min(sag(first, std::copysign(reach, height)), 0.0) - 1, height};
    point d{1, 0};
    add({std::isnan(x_start) ? p.x : std::min(x_start, p.x), height});
    const real_surface* surfaces[] = {&lens.first, &lens.second};
    const double indices[] = {lens.n0, lens.n1, lens.n2};
    point hit{};
    for (std::size_t i = 0; i < 2; ++i) {
        const real_surface& surface = *surfaces[i];
        if (!meet(surface, p, d, hit)) {
            // It ends at the plane of the vertex it passed.
            const double t = (surface.vertex - p.x) / d.x;
            if (t > 0 && std::isfinite(t)) add({surface.vertex, p.y + t * d.y});
            ray.end = i == 0 ? ray_end::missed_first : ray_end::missed_second;
            return ray;
        }
        add(hit);
        if (!refract(d, normal_at(surface, hit), indices[i], indices[i + 1])) {
            ray.end = i == 0 ? ray_end::reflected_first : ray_end::reflected_second;
            return ray;
        }
        p = hit;
    }
    ray.end = ray_end::through;
    ray.direction = d;
    if (d.y != 0) ray.crossing = hit.x - hit.y * d.x / d.y;
    const double t = (x_end - hit.x) / d.x;
    if (t > 0 && std::isfinite(t)) add({hit.x + t * d.x, hit.y + t * d.y});
    return ray;
}

aberration trace_fan(const real_lens& lens, double aperture, double x_start, double x_end, double FI, double fI,
                     std::span<real_ray> rays) {
    aberration found{not_a_number, not_a_number, not_a_number, false};
    if (!(aperture > 0 && std::isfinite(aperture))) {
        for (real_ray& ray : rays) ray = real_ray{aperture, {}, 0, ray_end::no_lens, not_a_number, {1, 0}};
        return found;
    }
    const double count = static_cast<double>(rays.size());
    for (std::size_t k = 0; k < rays.size(); ++k) {
        // The outermost a hair inside the rim, where the surfaces meet and
        // a ray would graze the edge.
        const double inset = k + 1 == rays.size() ? 1 - 1e-9 : 1;
        rays[k] = trace_parallel_ray(lens, aperture * static_cast<double>(k + 1) / count * inset, x_start, x_end);
        if (rays[k].end == ray_end::through) {
            found.marginal_focus = rays[k].crossing;
            found.leaves_parallel = std::isnan(rays[k].crossing);
        }
    }
    found.spherical_aberration = found.marginal_focus - FI;
    if (!std::isfinite(FI) || !std::isfinite(fI) || fI == 0 || !(aperture > 0)) return found;
    const double vertex = lens.first.vertex;
    const auto within = [&](double height) {
        const real_ray ray = trace_parallel_ray(lens, height, vertex - 1, vertex);
        return ray.end == ray_end::through && std::fabs(ray.crossing - FI) <= 0.01 * std::fabs(fI);
    };
    // The largest height within: the first of 256 heights down from the
    // aperture that is, then halving the step between it and the one above.
    constexpr int samples = 256;
    double inside = 0, outside = aperture;
    for (int k = samples; k >= 1; --k) {
        const double height = aperture * k / samples;
        if (within(height)) {
            inside = height;
            break;
        }
        outside = height;
    }
    if (inside == aperture) {
        found.paraxial_height = aperture;
        return found;
    }
    for (int step = 0; step < most_halvings; ++step) {
        const double middle = inside + (outside - inside) / 2;
        if (middle == inside || middle == outside) break;
        (within(middle) ? inside : outside) = middle;
    }
    found.paraxial_height = inside;
    return found;
}

}  // namespace tremovia
