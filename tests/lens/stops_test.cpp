#include "lens/stops.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dialogue/number_text.hpp"
#include "lens/compute_lens.hpp"
#include "lens/fraction.hpp"

namespace tremovia {
namespace {

using testing::exact_lens;
using testing::expect_close;
using testing::fraction;
using testing::one;

const fraction zero = fraction::of(0, 1);

// A ray (y, u) worked exactly, and the lens's elements as exact matrices:
// each plane of the lens in turn, so that a stop's image is found by
// carrying rays from it back into object space, or on into image space,
// not by the code's formulas.
struct exact_ray {
    fraction y, u;
};

exact_ray across(exact_ray r, fraction d) { return {r.y + d * r.u, r.u}; }
exact_ray refract(exact_ray r, fraction c, fraction n) { return {r.y, c * r.y + n * r.u}; }
exact_ray unrefract(exact_ray r, fraction c, fraction n) { return {r.y, (r.u - c * r.y) / n}; }

struct exact_system {
    exact_lens m;

    // From the plane p forward to just after v2 (0 = at the plane v1 before R1).
    exact_ray to_image_space(exact_ray r, fraction p) const {
        if ((p - m.v2).n >= 0) return across(r, m.v2 - p);
        if ((p - m.v1).n > 0) return refract(across(r, m.v2 - p), m.R221, m.R222);
        return refract(across(refract(across(r, m.v1 - p), m.R121, m.R122), m.T), m.R221, m.R222);
    }
    // From the plane p back to the plane v1, in object space.
    exact_ray to_object_space(exact_ray r, fraction p) const {
        if ((p - m.v1).n <= 0) return across(r, m.v1 - p);
        if ((p - m.v2).n < 0) return unrefract(across(r, m.v1 - p), m.R121, m.R122);
        return unrefract(across(unrefract(across(r, m.v2 - p), m.R221, m.R222), zero - m.T), m.R121, m.R122);
    }
    // A ray arriving at v1 carried to the plane p.
    exact_ray at(exact_ray r, fraction p) const {
        if ((p - m.v1).n <= 0) return across(r, p - m.v1);
        const exact_ray inside = refract(r, m.R121, m.R122);
        if ((p - m.v2).n < 0) return across(inside, p - m.v1);
        return across(refract(across(inside, m.T), m.R221, m.R222), p - m.v2);
    }
    // The image of a stop where a ray from its centre crosses the axis, as
    // high as a ray from its edge parallel to the axis stands there; none
    // where the first leaves parallel.
    struct image {
        bool finite;
        fraction position, radius;
    };
    image image_of(fraction p, fraction r, bool object_space) const {
        const exact_ray centre = object_space ? to_object_space({zero, one}, p) : to_image_space({zero, one}, p);
        const exact_ray edge = object_space ? to_object_space({r, zero}, p) : to_image_space({r, zero}, p);
        if (centre.u.n == 0) return {false, zero, zero};
        const fraction from = object_space ? m.v1 : m.v2;
        const fraction position = from - centre.y / centre.u;
        const fraction height = edge.y + (position - from) * edge.u;
        return {true, position, height.n < 0 ? zero - height : height};
    }
};

fraction absolute(fraction x) { return x.n < 0 ? zero - x : x; }

// The stop a ray (at v1) meets the edge of first, of those not skipped.
std::size_t first_limit(const exact_system& lens, const std::vector<std::array<fraction, 2>>& stops, exact_ray ray, std::size_t skip) {
    std::size_t best = stops.size();
    fraction smallest = zero;
    for (std::size_t k = 0; k < stops.size(); ++k) {
        const fraction height = absolute(lens.at(ray, stops[k][0]).y);
        if (k == skip || height.n == 0) continue;
        const fraction ratio = stops[k][1] / height;
        if (best == stops.size() || (ratio - smallest).n < 0) best = k, smallest = ratio;
    }
    return best;
}

std::string printed(double x) {
    std::string text;
    append_number(text, x);
    return text;
}

// The worked lens, its rims 3.197558 cm from the axis, an object 1 cm high
// two focal lengths before it (-660/31), and an iris 0.5 cm across at each
// place in turn: each stop's
// pupils, windows, f-number, apertures and field against the same worked
// exactly, and the chief and marginal rays where they must pass.
TEST(Stops, PupilsWindowsAndFieldsAgreeWithExactArithmetic) {
    const std::vector<std::string> typed = {"1", "1.5", "1", "0", "1", "10", "-10"};
    const exact_system lens{exact_lens(typed)};
    const lens_values record = testing::textbook_of(typed);
    const focal_lengths lengths = focal_lengths_of(record, surface_terms::quotient);
    const fraction rim = fraction::parse("3.197558"), radius = fraction::parse("0.5");
    const fraction x = fraction::of(-660, 31), h = one;
    const fraction FI = fraction::of(350, 31), FO = fraction::of(-320, 31);
    const struct {
        const char* where;
        fraction iris;
        stop_name aperture, field;
    } cases[] = {
        {"before the lens", fraction::of(-2, 1), stop_name::iris, stop_name::rim_2},
        {"at v1", zero, stop_name::iris, stop_name::rim_2},
        {"in the glass", fraction::of(1, 2), stop_name::iris, stop_name::rim_1},
        {"at v2", one, stop_name::iris, stop_name::rim_1},
        {"behind the lens", fraction::of(3, 1), stop_name::iris, stop_name::rim_1},
        {"at the image focal point", FI, stop_name::iris, stop_name::rim_1},
        {"at the objective focal point", FO, stop_name::iris, stop_name::rim_2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        const std::vector<std::array<fraction, 2>> exact_stops = {{c.iris, radius}, {lens.m.v1, rim}, {lens.m.v2, rim}};
        const stop stops[] = {{stop_name::iris, c.iris.value(), radius.value()}, {stop_name::rim_1, 0, rim.value()},
                              {stop_name::rim_2, 1, rim.value()}};
        const stop_analysis found = analyse_stops(record, lengths, stops, x.value(), h.value());
        ASSERT_TRUE(found.found);
        const exact_ray axial{lens.m.v1 - x, one};
        const std::size_t aperture = first_limit(lens, exact_stops, axial, 3);
        EXPECT_EQ(found.aperture_stop.name, stops[aperture].name);
        EXPECT_EQ(found.aperture_stop.name, c.aperture);
        const fraction as_at = exact_stops[aperture][0], as_radius = exact_stops[aperture][1];
        const auto expect_image = [&](const stop_image& got, const exact_system::image& want, const char* what) {
            ASSERT_EQ(got.at_infinity, !want.finite) << what;
            if (!want.finite) return;
            expect_close(got.position, want.position, what);
            expect_close(got.radius, want.radius, what);
        };
        const exact_system::image pupil = lens.image_of(as_at, as_radius, true);
        expect_image(found.entrance_pupil, pupil, "entrance pupil");
        expect_image(found.exit_pupil, lens.image_of(as_at, as_radius, false), "exit pupil");

        // The marginal ray meets the aperture stop's edge: n0 |u| and n2 |u'|.
        const fraction u = as_radius / lens.at(axial, as_at).y;
        const exact_ray marginal = lens.at({(lens.m.v1 - x) * u, u}, lens.m.v2 + one);
        expect_close(found.numerical_aperture, absolute(u), "NA");
        expect_close(found.image_numerical_aperture, absolute(marginal.u), "NA'");
        expect_close(found.working_f_number, one / (fraction::of(2, 1) * absolute(marginal.u)), "working f-number");
        // From infinity, the aperture stop's image: fI / (2 r_EP), fI = -1/S21.
        const std::size_t at_infinity = first_limit(lens, exact_stops, {one, zero}, 3);
        const fraction far_pupil = lens.image_of(exact_stops[at_infinity][0], exact_stops[at_infinity][1], true).radius;
        expect_close(found.f_number, (fraction::of(-1, 1) / lens.m.S21) / (fraction::of(2, 1) * far_pupil), "f-number");

        // The field stop limits a ray from the entrance pupil's centre.
        const exact_ray from_pupil = pupil.finite ? exact_ray{lens.m.v1 - pupil.position, one} : exact_ray{one, zero};
        const std::size_t field = first_limit(lens, exact_stops, from_pupil, aperture);
        ASSERT_TRUE(found.has_field_stop);
        EXPECT_EQ(found.field_stop.name, stops[field].name);
        EXPECT_EQ(found.field_stop.name, c.field);
        const exact_system::image window = lens.image_of(exact_stops[field][0], exact_stops[field][1], true);
        expect_image(found.entrance_window, window, "entrance window");
        expect_image(found.exit_window, lens.image_of(exact_stops[field][0], exact_stops[field][1], false), "exit window");
        if (pupil.finite && window.finite) {
            const fraction apart = absolute(window.position - pupil.position);
            expect_close(found.field.half_vignetted, window.radius / apart, "half-vignetted field");
            expect_close(found.field.fully_vignetted, (window.radius + pupil.radius) / apart, "fully vignetted field");
            const fraction unvignetted = (window.radius - pupil.radius) / apart;
            if (unvignetted.n < 0) EXPECT_TRUE(std::isnan(found.field.unvignetted));
            else expect_close(found.field.unvignetted, unvignetted, "unvignetted field");
        }

        // The chief ray crosses the axis at the aperture stop's centre; the
        // marginal ray passes its edge and meets the axis at the image.
        ASSERT_TRUE(found.has_chief);
        const double at = as_at.value();
        const ray_path chief = trace_ray(record, found.chief, at);
        const ray_path through = trace_ray(record, found.marginal, at);
        for (std::size_t i = 0; i < chief.count; ++i) {
            if (chief.planes[i].where != plane::stop) continue;
            EXPECT_NEAR(chief.planes[i].ray.y, 0, 1e-12);
            EXPECT_NEAR(through.planes[i].ray.y, as_radius.value(), 1e-12);
        }
        const traced_plane& leaving = through.planes[through.count - (at >= 1 ? 2 : 1)];
        EXPECT_NEAR(leaving.x - leaving.ray.y / leaving.ray.u, image_of(record, x.value(), 1).position, 1e-9);
        if (c.iris.n == -2) {
            // As the page gives them for the worked lens.
            EXPECT_EQ(printed(found.exit_pupil.position) + " " + printed(found.exit_pupil.radius), "-2.325581 0.639535");
            EXPECT_EQ(printed(found.f_number) + " " + printed(found.working_f_number), "10.645161 18.722960");
            EXPECT_EQ(printed(found.numerical_aperture) + " " + printed(found.image_numerical_aperture), "0.025920 0.026705");
        }
    }
}

// A ray beyond a stop ends there: the first plane along it where it is.
TEST(Stops, ARayEndsAtTheFirstStopThatCutsItOff) {
    const lens_values record = testing::textbook_of({"1", "1.5", "1", "0", "1", "10", "-10"});
    const stop stops[] = {{stop_name::iris, -2, 0.5}, {stop_name::rim_1, 0, 3.2}, {stop_name::rim_2, 1, 3.2}};
    const struct {
        double height;
        plane ends;
    } cases[] = {{0.4, plane::R2}, {0.6, plane::stop}};
    for (const auto& c : cases) {
        const ray_path path = trace_ray(record, ray_through(0, -20, c.height, -std::numeric_limits<double>::infinity(), 0), -2);
        const std::size_t at = blocked_at(path, stops);
        EXPECT_EQ(at == path.count ? plane::R2 : path.planes[at].where, c.ends) << c.height;
    }
}

}  // namespace
}  // namespace tremovia
