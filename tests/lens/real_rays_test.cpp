#include "lens/real_rays.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "lens/compute_lens.hpp"
#include "lens/lens_table.hpp"

namespace tremovia {
namespace {

using testing::lens_of;

// A second method, in long double: the meridional trace of the optics
// texts, by angles. A ray is its slope angle U (positive going down) and
// where it crosses the axis, L from the vertex; at a sphere of radius r,
// sin I = (L - r) sin U / r, sin I' = (n / n') sin I, U' = U + I - I' and
// L' = r + r sin I' / sin U'. A ray parallel to the axis at height h meets
// the first sphere with sin I = h / r; a plane keeps the height, so that
// L' tan U' = L tan U.
long double crossing_by_angles(const lens_values& lens, long double h) {
    const long double r1 = lens.s1 - lens.v1, thickness = lens.v2 - lens.v1;
    long double I = std::asin(h / r1);
    long double I_out = std::asin(lens.n0 / lens.n1 * std::sin(I));
    long double U = I - I_out;
    long double L = r1 + r1 * std::sin(I_out) / std::sin(U) - thickness;
    if (lens.s2 == lens.v2) {
        const long double U_out = std::asin(lens.n1 / lens.n2 * std::sin(U));
        return lens.v2 + L * std::tan(U) / std::tan(U_out);
    }
    const long double r2 = lens.s2 - lens.v2;
    I = std::asin((L - r2) * std::sin(U) / r2);
    I_out = std::asin(lens.n1 / lens.n2 * std::sin(I));
    U = U + I - I_out;
    return lens.v2 + r2 + r2 * std::sin(I_out) / std::sin(U);
}

double textbook_FI(lens_values lens) {
    compute_textbook_lens(lens);
    return lens.FI;
}

TEST(RealRays, CrossingsAgreeWithTheTraceByAnglesAndMeetFIAtTheAxis) {
    const struct {
        const char* name;
        lens_values lens;
        std::vector<double> heights;
    } cases[] = {
        {"the worked lens, biconvex", lens_of(1, 1.5, 1, 0, 1, 10, -10), {0.5, 1, 2, 3, 3.19}},
        {"a meniscus", lens_of(1, 1.5, 1, 0, 0.5, 5, 10), {0.5, 1, 2}},
        {"a lens between two media", lens_of(1, 1.52, 1.33, 0, 1.2, 8, -12), {1, 2, 3}},
        {"a flat second surface", lens_of(1, 1.5, 1, 0, 1, 10, 1), {1, 2, 4}},
        {"a biconcave lens", lens_of(1, 1.5, 1, 0, 0.3, -10, 10.3), {1, 2, 4}},
        {"a ball lens", lens_of(1, 1.5, 1, -1, 1, 0, 0), {0.1, 0.5, 0.9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const real_lens lens = real_lens_of(c.lens);
        for (const double h : c.heights) {
            const real_ray ray = trace_parallel_ray(lens, h, c.lens.v1 - 5, c.lens.v2 + 50);
            ASSERT_EQ(ray.end, ray_end::through) << "at " << h;
            const double expected = static_cast<double>(crossing_by_angles(c.lens, h));
            EXPECT_NEAR(ray.crossing, expected, 1e-10 * std::fabs(expected)) << "at " << h;
        }
        // Near the axis the real ray is the paraxial one.
        const double FI = textbook_FI(c.lens);
        EXPECT_NEAR(trace_parallel_ray(lens, 1e-4, c.lens.v1 - 5, c.lens.v2).crossing, FI, 1e-6);
    }
}

// Each point of a ray where it should be: the start, a point of each
// sphere, the end along the ray that leaves; and where rays stop.
TEST(RealRays, PointsLieOnTheSurfacesAndRaysThatFailEndThere) {
    const lens_values worked = lens_of(1, 1.5, 1, 0, 1, 10, -10);
    const real_ray ray = trace_parallel_ray(real_lens_of(worked), 2, -5, 30);
    ASSERT_EQ(ray.count, 4u);
    EXPECT_EQ(ray.points[0].x, -5);
    EXPECT_EQ(ray.points[0].y, 2);
    EXPECT_NEAR(std::hypot(ray.points[1].x - 10, ray.points[1].y), 10, 1e-12);
    EXPECT_LT(ray.points[1].x, 10);  // on the half that holds the vertex
    EXPECT_NEAR(std::hypot(ray.points[2].x + 10, ray.points[2].y), 11, 1e-12);
    EXPECT_GT(ray.points[2].x, -10);
    EXPECT_EQ(ray.points[3].x, 30);
    const double along = (ray.points[3].y - ray.points[2].y) / (ray.points[3].x - ray.points[2].x);
    EXPECT_NEAR(ray.points[2].y - along * (ray.points[2].x - ray.crossing), 0, 1e-12);

    const struct {
        const char* name;
        lens_values lens;
        double height;
        ray_end end;
        std::size_t count;
    } failing[] = {
        {"above a sphere of radius 1", lens_of(1, 1.5, 1, 0, 1, 1, 1), 1.5, ray_end::missed_first, 2},
        {"totally reflected at a flat back", lens_of(1, 2, 1, 0, 1, 1, 1), 0.95, ray_end::reflected_second, 3},
        {"an index of zero", lens_of(1, 0, 1, 0, 1, 10, -10), 1, ray_end::no_lens, 0},
    };
    for (const auto& c : failing) {
        const real_ray stopped = trace_parallel_ray(real_lens_of(c.lens), c.height, -5, 30);
        EXPECT_EQ(stopped.end, c.end) << c.name;
        EXPECT_EQ(stopped.count, c.count) << c.name;
        EXPECT_TRUE(std::isnan(stopped.crossing)) << c.name;
    }
}

TEST(RealRays, SemiApertureWhereTheSurfacesMeetOrTheRim) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        lens_values lens;
        double expected;
    } cases[] = {
        // Circles about 10 (radius 10) and -10 (radius 11) meet at x = 21/40.
        {"the worked lens", lens_of(1, 1.5, 1, 0, 1, 10, -10), std::sqrt(100 - (10 - 0.525) * (10 - 0.525))},
        {"a ball lens, at its equator", lens_of(1, 1.5, 1, -1, 1, 0, 0), 1},
        {"a biconcave lens: half its smaller radius", lens_of(1, 1.5, 1, 0, 0.5, -10, 10.5), 5},
        {"a glass plate: its thickness", lens_of(1, 1.5, 1, 0, 2, 0, 2), 2},
        {"a plate thinner than 1 cm: 1 cm", lens_of(1, 1.5, 1, 0, 0.5, 0, 0.5), 1},
        // The sphere about -10 (radius 11) meets the plane x = 0 at y^2 = 21.
        {"a flat first surface: where the second meets its plane", lens_of(1, 1.5, 1, 0, 1, 0, -10), std::sqrt(21.0)},
        {"v1 > v2", lens_of(1, 1.5, 1, 1, 0, 10, -10), nan},
    };
    for (const auto& c : cases) {
        const double found = semi_aperture(real_lens_of(c.lens));
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(found)) << c.name;
        else
            EXPECT_NEAR(found, c.expected, 1e-12) << c.name;
    }
}

// The fan's summary against crossings traced ray by ray: the worked lens's
// outermost ray, and the height within 1% of fI from FI found by halving.
TEST(RealRays, FanSummary) {
    lens_values worked = lens_of(1, 1.5, 1, 0, 1, 10, -10);
    compute_textbook_lens(worked);
    const real_lens lens = real_lens_of(worked);
    const double fI = worked.FI - worked.HI;
    std::vector<real_ray> rays(7);
    const aberration found = trace_fan(lens, 3, -5, 30, worked.FI, fI, rays);
    EXPECT_NEAR(rays[6].height, 3, 1e-8);
    EXPECT_EQ(found.marginal_focus, rays[6].crossing);
    EXPECT_EQ(found.spherical_aberration, rays[6].crossing - worked.FI);
    const auto off = [&](double h) {
        return std::fabs(trace_parallel_ray(lens, h, -5, 30).crossing - worked.FI) / std::fabs(fI);
    };
    EXPECT_LE(off(found.paraxial_height), 0.01);
    EXPECT_GT(off(found.paraxial_height * (1 + 1e-9)), 0.01);

    // A ray beyond the rim, where the surfaces meet (3.197558 cm), passes
    // beside the second: the marginal focus is that of the outermost ray
    // that left the lens.
    const aberration beyond = trace_fan(lens, 3.6, -5, 30, worked.FI, fI, rays);
    ASSERT_EQ(rays[6].end, ray_end::missed_second);
    ASSERT_EQ(rays[5].end, ray_end::through);
    EXPECT_EQ(beyond.marginal_focus, rays[5].crossing);
}

// Where a ray is drawn from changes nothing it shows: the figure's edge may
// stand at 1e200 cm, and a weak lens's crossing far off is no less exact.
TEST(RealRays, NothingDependsOnWhereTheRayIsDrawnFrom) {
    for (const lens_values& typed : {lens_of(1, 1.5, 1, 0, 1, 10, -10), lens_of(1, 1.0001, 1, 0, 1, 10, -10)}) {
        const real_lens lens = real_lens_of(typed);
        for (const double height : {0.5, 3.0}) {
            const real_ray near = trace_parallel_ray(lens, height, typed.v1 - 1, typed.v2);
            for (const double start : {-1e8, -1e12, -1e200}) {
                const real_ray far = trace_parallel_ray(lens, height, start, typed.v2);
                EXPECT_EQ(far.end, ray_end::through) << start;
                EXPECT_EQ(far.crossing, near.crossing) << start;
                EXPECT_EQ(far.points[0].x, start);
            }
        }
    }
}

}  // namespace
}  // namespace tremovia
