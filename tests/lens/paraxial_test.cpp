#include "lens/paraxial.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "lens/compute_lens.hpp"
#include "lens/fraction.hpp"
#include "lens/lens_table.hpp"

namespace tremovia {
namespace {

using testing::exact_lens;
using testing::expect_close;
using testing::fraction;
using testing::one;
using testing::textbook_of;

// Focal lengths, nodal points, the image, and each principal ray at every
// plane of the derivation against the same worked exactly: a ray from the
// tip aimed at a point on the axis, bent by R1 at v1, carried by T12 and
// bent by R2 at v2; S on it at v1 gives what R2 gives.
TEST(Paraxial, EverythingTheMatricesImplyAgreesWithExactArithmetic) {
    const std::vector<std::string> worked = {"1", "1.5", "1", "0", "1", "10", "-10"};
    const struct {
        const char* name;
        std::vector<std::string> lens;
        std::string x, h;
        bool is_virtual;
    } cases[] = {
        {"a converging lens, a real image", worked, "-21.29", "1", false},
        {"a converging lens, a virtual image", worked, "-5", "1", true},
        {"a virtual object, behind v1", worked, "3", "1", false},
        {"between air and water", {"1", "1.52", "1.33", "0", "1.2", "8", "-12"}, "-30", "2", false},
        {"a diverging lens", {"1", "1.5", "1", "0", "0.3", "-10", "10.3"}, "-5", "1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const exact_lens m(c.lens);
        const lens_values record = textbook_of(c.lens);
        const focal_lengths lengths = focal_lengths_of(record, surface_terms::quotient);
        ASSERT_FALSE(lengths.afocal);
        // FI - HI = -1/S21; HO - FO = -det/S21; NO - v1 = -(1 - S22)/S21.
        const fraction det = m.R122 * m.R222;
        expect_close(lengths.fI, fraction::of(-1, 1) / m.S21, "fI");
        expect_close(lengths.fO, fraction::of(0, 1) - det / m.S21, "fO");
        const fraction NO = m.v1 - (one - m.S22) / m.S21;
        expect_close(lengths.NO, NO, "NO");
        expect_close(lengths.NI, m.v2 - (m.S11 * (m.v1 - NO) + m.S12), "NI");

        const fraction x = fraction::parse(c.x), h = fraction::parse(c.h), L = m.v1 - x;
        const fraction d = fraction::of(0, 1) - (m.S11 * L + m.S12) / (m.S21 * L + m.S22);
        const paraxial_image image = image_of(record, x.value(), h.value());
        expect_close(image.position, m.v2 + d, "image position");
        expect_close(image.magnification, m.S11 + d * m.S21, "magnification");
        expect_close(image.height, (m.S11 + d * m.S21) * h, "image height");
        EXPECT_EQ(image.is_virtual, c.is_virtual);

        const principal_rays rays = principal_rays_of(record, lengths, x.value(), h.value());
        ASSERT_EQ(rays.count, 3u);
        const fraction FO = m.v1 + m.S22 / m.S21;
        for (std::size_t i = 0; i < rays.count; ++i) {
            SCOPED_TRACE(static_cast<int>(rays.names[i]));
            const fraction aim = rays.names[i] == principal_ray::focal ? FO : NO;
            const fraction u = rays.names[i] == principal_ray::parallel ? fraction::of(0, 1) : (fraction::of(0, 1) - h) / (aim - x);
            const fraction y1 = h + L * u, u1 = m.R121 * y1 + m.R122 * u, y2 = y1 + m.T * u1, u2 = m.R221 * y2 + m.R222 * u1;
            const ray_path path = trace_ray(record, rays.starts[i], no_stop);
            ASSERT_EQ(path.count, 5u);
            const fraction expected[][2] = {{h, u}, {y1, u}, {y1, u1}, {y2, u1}, {y2, u2}};
            for (std::size_t k = 0; k < path.count; ++k) {
                expect_close(path.planes[k].ray.y, expected[k][0], "y");
                expect_close(path.planes[k].ray.u, expected[k][1], "u");
            }
            expect_close(path.system.y, y2, "S on the ray at v1: y");
            expect_close(path.system.u, u2, "S on the ray at v1: u");
        }
    }
}

// A lens afocal in exact arithmetic is afocal, though its S21 in double is
// not zero; one a little off it has focal points. A far, large object's
// image is as tall as its angular size times fI: at 1e17 cm the exact image
// differs from that limit by a part in 1e16, within the tolerance.
TEST(Paraxial, AfocalWithinRoundingAndFarObjectsWithoutCancellation) {
    const std::vector<std::string> afocal = {"1", "1.5", "1", "0", "60", "10", "50"};
    const lens_values record = textbook_of(afocal);
    EXPECT_NE(record.S21, 0);
    EXPECT_EQ(exact_lens(afocal).S21.n, 0);
    EXPECT_TRUE(is_afocal(record, surface_terms::quotient));
    EXPECT_FALSE(is_afocal(textbook_of({"1", "1.5", "1", "0", "60.001", "10", "50"}), surface_terms::quotient));
    EXPECT_FALSE(is_afocal(textbook_of({"1", "1.5", "1", "0", "1", "10", "-10"}), surface_terms::quotient));
    // An infinite S21 is no zero: the program's product with s2 = -inf.
    lens_values infinite = testing::lens_of(1, 1.5, 1, 0, 1e-6, 0, -std::numeric_limits<double>::infinity());
    compute_lens(infinite);
    ASSERT_TRUE(std::isinf(infinite.S21));
    EXPECT_FALSE(is_afocal(infinite, surface_terms::product));

    const std::vector<std::string> worked = {"1", "1.5", "1", "0", "1", "10", "-10"};
    const exact_lens m(worked);
    for (const double far : {1e17, 1e300}) {
        const paraxial_image image = image_of(textbook_of(worked), -far, far);
        expect_close(image.height, m.R122 * m.R222 / m.S21, "image height");
        expect_close(image.position, m.v2 - m.S11 / m.S21, "image at FI");
    }
}

// A stop between the object and v1, in the glass, or behind v2 adds a row at
// its place, taken there by the translation from the plane before; the
// rows after it take the ray on from it.
TEST(Paraxial, AStopAddsARowInItsPlace) {
    const lens_values record = textbook_of({"1", "1.5", "1", "0", "1", "10", "-10"});
    const ray_start start = ray_through(record.v1, -20, 1, 0.5, 0);
    const struct {
        double stop;
        std::vector<plane> order;
    } cases[] = {
        {-2, {plane::start, plane::stop, plane::v1, plane::R1, plane::v2, plane::R2}},
        {0, {plane::start, plane::stop, plane::v1, plane::R1, plane::v2, plane::R2}},
        {0.5, {plane::start, plane::v1, plane::R1, plane::stop, plane::v2, plane::R2}},
        {3, {plane::start, plane::v1, plane::R1, plane::v2, plane::R2, plane::stop}},
    };
    // Reversed, v1 > v2, a stop between them stands before v1 only.
    lens_values reversed = textbook_of({"1", "1.5", "1", "0", "-0.79", "10", "-10"});
    const ray_path one_stop = trace_ray(reversed, start, -0.72);
    EXPECT_EQ(one_stop.count, 6u);
    EXPECT_EQ(one_stop.planes[1].where, plane::stop);
    for (const auto& c : cases) {
        const ray_path path = trace_ray(record, start, c.stop);
        ASSERT_EQ(path.count, c.order.size()) << c.stop;
        for (std::size_t k = 0; k < path.count; ++k) {
            const traced_plane& row = path.planes[k];
            EXPECT_EQ(row.where, c.order[k]) << c.stop;
            if (k == 0) continue;
            const paraxial_ray before = path.planes[k - 1].ray;
            EXPECT_NEAR(row.ray.y, row.matrix[0] * before.y + row.matrix[1] * before.u, 1e-12) << c.stop << " row " << k;
            EXPECT_NEAR(row.ray.u, row.matrix[2] * before.y + row.matrix[3] * before.u, 1e-12) << c.stop << " row " << k;
        }
    }
}

}  // namespace
}  // namespace tremovia
