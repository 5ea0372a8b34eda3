// What the explorer draws and tells of the last run's lens, computed here
// for the page's script, which only lays it out: each source's focal
// lengths, nodal points, image, principal rays carried plane by plane, its
// stops, pupils and field with the chief and marginal rays, and real rays
// through the textbook's lens.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>

#include "lens/paraxial.hpp"
#include "lens/real_rays.hpp"
#include "lens/stops.hpp"
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
        double constant = 0;  // the entries that are the matrix's ones and zeros, a bit each
        for (std::size_t k = 0; k < 4; ++k) {
            table.number(here + ".entries." + std::to_string(k), row.matrix[k]);
            if (row.constant[k]) constant += static_cast<double>(1u << k);
        }
        table.number(here + ".constant", constant);
    }
    table.number(at + ".system.y", path.system.y);
    table.number(at + ".system.u", path.system.u);
}

void export_image(const std::string& at, const stop_image& image) {
    table.number(at + ".position", image.position);
    table.number(at + ".radius", image.radius);
    table.flag(at + ".atInfinity", image.at_infinity);
}

void export_stop(const std::string& at, const stop& s) {
    const char* keys[] = {"iris", "rim-1", "rim-2"};
    const char* says[] = {"the iris", "surface 1's rim", "surface 2's rim"};
    const auto index = static_cast<std::size_t>(s.name);
    table.text(at + ".key", keys[index]);
    table.text(at + ".name", says[index]);
    table.number(at + ".position", s.position);
    table.number(at + ".radius", s.radius);
}

// The rays of the field from the object: each carried plane by plane, the
// stop's row among them, and where a stop cuts it off (the index of that
// plane, or the count of planes).
void export_field_rays(const std::string& at, const lens_values& m, const stop_analysis& found, std::span<const stop> stops,
                       double stop_x) {
    const std::pair<const char*, const ray_start*> rays[] = {
        {"marginal", &found.marginal}, {"chief", found.has_chief ? &found.chief : nullptr},
        {"upper", found.has_chief && !found.entrance_pupil.at_infinity ? &found.upper : nullptr},
        {"lower", found.has_chief && !found.entrance_pupil.at_infinity ? &found.lower : nullptr}};
    std::size_t count = 0;
    for (const auto& [name, start] : rays) {
        if (start == nullptr || !std::isfinite(start->u) || !std::isfinite(start->at_v1)) continue;
        const std::string here = at + "." + std::to_string(count++);
        const ray_path path = trace_ray(m, *start, stop_x);
        table.text(here + ".name", name);
        export_path(here, path);
        table.number(here + ".blocked", static_cast<double>(blocked_at(path, stops)));
    }
}

void export_stops(const std::string& at, const lens_values& m, const focal_lengths& lengths, std::span<const stop> stops,
                  double stop_x, double object_x, double object_h, bool rays) {
    const stop_analysis found = analyse_stops(m, lengths, stops, object_x, object_h);
    table.flag(at + ".found", found.found);
    if (!found.found) return;
    export_stop(at + ".aperture", found.aperture_stop);
    export_image(at + ".entrance", found.entrance_pupil);
    export_image(at + ".exit", found.exit_pupil);
    table.number(at + ".fNumber", found.f_number);
    table.number(at + ".workingFNumber", found.working_f_number);
    table.number(at + ".numericalAperture", found.numerical_aperture);
    table.number(at + ".imageNumericalAperture", found.image_numerical_aperture);
    table.flag(at + ".hasField", found.has_field_stop);
    if (found.has_field_stop) {
        export_stop(at + ".field", found.field_stop);
        export_image(at + ".entranceWindow", found.entrance_window);
        export_image(at + ".exitWindow", found.exit_window);
        table.number(at + ".fieldOfView.unvignetted", found.field.unvignetted);
        table.number(at + ".fieldOfView.halfVignetted", found.field.half_vignetted);
        table.number(at + ".fieldOfView.fullyVignetted", found.field.fully_vignetted);
    }
    if (rays) export_field_rays(at + ".rays", m, found, stops, stop_x);
}

// With `rays`, the source's rays too: only the rays of the source drawn are
// asked for.
void export_source(const std::string& name, const lens_values& m, surface_terms terms, double object_x, double object_h,
                   std::span<const stop> stops, double stop_x, bool rays) {
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
    const principal_rays principal = principal_rays_of(m, lengths, object_x, object_h);
    for (std::size_t i = 0; rays && i < principal.count; ++i) {
        const std::string at = name + ".rays." + std::to_string(i);
        table.text(at + ".name", ray_name(principal.names[i]));
        export_path(at, trace_ray(m, principal.starts[i], stop_x));
    }
    export_stops(name + ".stops", m, lengths, stops, stop_x, object_x, object_h, rays);
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
// object at (x, h), the lens's rims `clear_radius` from the axis and, where
// `iris` is nonzero, an iris at `iris_position`, `iris_radius` across, and
// the rays of the source `rays` (0 the program, 1 the textbook, else
// neither): at `tremovia_table_names` and `tremovia_table_values`.
void tremovia_explore(double object_x, double object_h, double clear_radius, int iris, double iris_position, double iris_radius,
                      int rays) {
    using namespace tremovia;
    table.clear();
    const lens_values& program = last_program_record();
    const stop stops[] = {{stop_name::iris, iris_position, iris_radius},
                          {stop_name::rim_1, program.v1, clear_radius},
                          {stop_name::rim_2, program.v2, clear_radius}};
    const std::span<const stop> in_use = iris != 0 ? std::span(stops) : std::span(stops).subspan(1);
    const double stop_x = iris != 0 ? iris_position : no_stop;
    export_source("program", program, surface_terms::product, object_x, object_h, in_use, stop_x, rays == 0);
    export_source("textbook", last_textbook_record(), surface_terms::quotient, object_x, object_h, in_use, stop_x, rays == 1);
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
