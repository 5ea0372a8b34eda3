// What the explorer draws and tells of the last run's lens, computed here
// for the page's script, which only lays it out: each source's focal
// lengths, nodal points, image, principal rays carried plane by plane, and
// real rays through the textbook's lens.
#include <algorithm>
#include <cstddef>
#include <span>
#include <string>

#include "lens/paraxial.hpp"
#include "lens/real_rays.hpp"
#include "page/exported_table.hpp"
#include "page/last_run.hpp"

namespace tremovia {
namespace {

exported_table table;

const char* plane_name(plane where) {
    switch (where) {
        case plane::start: return "object";
        case plane::v1: return "v1";
        case plane::R1: return "R1";
        case plane::v2: return "v2";
        case plane::R2: return "R2";
        case plane::stop: return "stop";
    }
    return "";
}

const char* step_name(step by) {
    switch (by) {
        case step::none: return "";
        case step::free_space: return "free space";
        case step::R1: return "R1";
        case step::T12: return "T12";
        case step::part_of_T12: return "part of T12";
        case step::R2: return "R2";
    }
    return "";
}

const char* ray_name(principal_ray name) {
    switch (name) {
        case principal_ray::parallel: return "parallel";
        case principal_ray::focal: return "focal";
        case principal_ray::nodal: return "nodal";
    }
    return "";
}

void export_path(const std::string& at, const ray_path& path) {
    for (std::size_t i = 0; i < path.count; ++i) {
        const traced_plane& row = path.planes[i];
        const std::string here = at + ".planes." + std::to_string(i);
        table.text(here + ".plane", plane_name(row.where));
        table.number(here + ".x", row.x);
        table.number(here + ".y", row.ray.y);
        table.number(here + ".u", row.ray.u);
        if (row.by == step::none) continue;
        table.text(here + ".matrix", step_name(row.by));
        for (std::size_t k = 0; k < 4; ++k) {
            table.number(here + ".entries." + std::to_string(k), row.matrix[k]);
            table.flag(here + ".constant." + std::to_string(k), row.constant[k]);
        }
    }
    table.number(at + ".system.y", path.system.y);
    table.number(at + ".system.u", path.system.u);
}

void export_source(const std::string& name, const lens_values& m, surface_terms terms, double object_x, double object_h) {
    const focal_lengths lengths = focal_lengths_of(m, terms);
    table.flag(name + ".afocal", lengths.afocal);
    table.number(name + ".fI", lengths.fI);
    table.number(name + ".fO", lengths.fO);
    table.number(name + ".NO", lengths.NO);
    table.number(name + ".NI", lengths.NI);
    const paraxial_image image = image_of(m, object_x, object_h);
    table.number(name + ".image.position", image.position);
    table.number(name + ".image.height", image.height);
    table.number(name + ".image.magnification", image.magnification);
    table.flag(name + ".image.virtual", image.is_virtual);
    table.flag(name + ".image.atInfinity", image.at_infinity);
    const principal_rays rays = principal_rays_of(m, lengths, object_x, object_h);
    for (std::size_t i = 0; i < rays.count; ++i) {
        const std::string at = name + ".rays." + std::to_string(i);
        table.text(at + ".name", ray_name(rays.names[i]));
        export_path(at, trace_ray(m, rays.starts[i], no_stop));
    }
}

// The last fan of real rays: how many; for each ray its height, crossing,
// how it ended (the order of ray_end), its count of points, four points
// (x, y) and the direction it leaves in (x, y); then the marginal focus, the spherical aberration, the paraxial
// height, and whether the outermost ray that left the lens left parallel.
constexpr std::size_t most_real_rays = 64;
constexpr std::size_t real_ray_size = 14;
double fan_table[1 + most_real_rays * real_ray_size + 4];

}  // namespace
}  // namespace tremovia

extern "C" {

// The explorer's view of the last run's lens, for each source, with an
// object at (x, h): at `tremovia_table_names` and `tremovia_table_values`.
void tremovia_explore(double object_x, double object_h) {
    using namespace tremovia;
    table.clear();
    export_source("program", last_program_record(), surface_terms::product, object_x, object_h);
    export_source("textbook", last_textbook_record(), surface_terms::quotient, object_x, object_h);
}

const char* tremovia_table_names() { return tremovia::table.names().data(); }
std::size_t tremovia_table_names_size() { return tremovia::table.names().size(); }
const double* tremovia_table_values() { return tremovia::table.values().data(); }

// Traces `count` real rays (64 at most) parallel to the axis through the
// last run's lens as the textbook's geometry makes it, at heights up to
// `aperture`; each is drawn from x_start to x_end (where they are numbers),
// but traced from just before the lens, so that no number depends on where
// the figure's edges stand. The rays and their summary are at the address returned, as
// `fan_table` holds them.
const double* tremovia_real_rays(std::size_t count, double aperture, double x_start, double x_end) {
    using namespace tremovia;
    real_ray rays[most_real_rays];
    count = std::min(count, most_real_rays);
    const lens_values& textbook = last_textbook_record();
    const aberration summary = trace_fan(real_lens_of(textbook), aperture, x_start, x_end, textbook.FI,
                                         textbook.FI - textbook.HI, std::span(rays, count));
    fan_table[0] = static_cast<double>(count);
    for (std::size_t i = 0; i < count; ++i) {
        double* row = fan_table + 1 + real_ray_size * i;
        const real_ray& ray = rays[i];
        row[0] = ray.height;
        row[1] = ray.crossing;
        row[2] = static_cast<double>(ray.end);
        row[3] = static_cast<double>(ray.count);
        for (std::size_t k = 0; k < ray.count; ++k) {
            row[4 + 2 * k] = ray.points[k].x;
            row[5 + 2 * k] = ray.points[k].y;
        }
        row[12] = ray.direction.x;
        row[13] = ray.direction.y;
    }
    double* after = fan_table + 1 + real_ray_size * count;
    after[0] = summary.marginal_focus;
    after[1] = summary.spherical_aberration;
    after[2] = summary.paraxial_height;
    after[3] = summary.leaves_parallel ? 1 : 0;
    return fan_table;
}
}
