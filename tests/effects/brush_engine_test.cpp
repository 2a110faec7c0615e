// Every brush through the engine against the same brush painted one pixel
// at a time from its own mapping: random centres (in, at the edges of and
// outside the picture), radii, strengths and picture sizes, one pixel wide
// or high among them, and pictures big enough to be shared over threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/error.h"
#include "effect_test_util.h"
#include "effects/brushes/axis_stretch.h"
#include "effects/engine/brush_engine.h"
#include "effects/engine/sampler.h"
#include "effects/brushes/smear.h"
#include "effects/brushes/spherical.h"
#include "effects/brushes/twist.h"

using jollix::Picture;
namespace detail = jollix::detail;
using effects_test::firstDifference;
using effects_test::noisePicture;

namespace {

// A drag (dx, dy), |dx| < 500, packed into one number and back.
int packDrag(int dx, int dy) { return dx + 1000 * dy; }
int dragY(int d) { return (d + 500 + 1000000) / 1000 - 1000; }
int dragX(int d) { return d - 1000 * dragY(d); }

// A brush painted plainly, one pixel at a time from its mapping.
Picture plainly(Picture (*effect)(const Picture&, int, int, int, int, jollix::Progress*), const Picture& p, int a,
                int b, int R, int S) {
    const jollix::brush::PaintingPlainly plain;
    return effect(p, a, b, R, S, nullptr);
}

struct Brush {
    const char* name;
    // The routine, and the plain painting of the same brush.
    std::function<Picture(const Picture&, int, int, int, int)> routine, plain;
    // The brush as a mapping.
    std::function<jollix::BrushMapping(const Picture&, int, int, int, int)> mapping;
};

const Brush kBrushes[] = {
    {"spherical expand",
     [](const Picture& p, int a, int b, int R, int H) { return jollix::sphericalExpand(p, a, b, R, H); },
     [](const Picture& p, int a, int b, int R, int H) { return plainly(jollix::sphericalExpand, p, a, b, R, H); },
     [](const Picture& p, int a, int b, int R, int H) { return jollix::sphericalExpandMapping(p, a, b, R, H); }},
    {"spherical shrink",
     [](const Picture& p, int a, int b, int R, int H) { return jollix::sphericalShrink(p, a, b, R, H); },
     [](const Picture& p, int a, int b, int R, int H) { return plainly(jollix::sphericalShrink, p, a, b, R, H); },
     [](const Picture& p, int a, int b, int R, int H) { return jollix::sphericalShrinkMapping(p, a, b, R, H); }},
    {"vertical expand",
     [](const Picture& p, int a, int b, int R, int S) { return jollix::verticalExpand(p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return plainly(jollix::verticalExpand, p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return jollix::verticalExpandMapping(p, a, b, R, S); }},
    {"vertical shrink",
     [](const Picture& p, int a, int b, int R, int S) { return jollix::verticalShrink(p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return plainly(jollix::verticalShrink, p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return jollix::verticalShrinkMapping(p, a, b, R, S); }},
    {"horizontal expand",
     [](const Picture& p, int a, int b, int R, int S) { return jollix::horizontalExpand(p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return plainly(jollix::horizontalExpand, p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return jollix::horizontalExpandMapping(p, a, b, R, S); }},
    {"horizontal shrink",
     [](const Picture& p, int a, int b, int R, int S) { return jollix::horizontalShrink(p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return plainly(jollix::horizontalShrink, p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return jollix::horizontalShrinkMapping(p, a, b, R, S); }},
    {"dextrorotary twist",
     [](const Picture& p, int a, int b, int R, int S) { return jollix::twistClockwise(p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return plainly(jollix::twistClockwise, p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return jollix::twistClockwiseMapping(p, a, b, R, S); }},
    {"levorotary twist",
     [](const Picture& p, int a, int b, int R, int S) { return jollix::twistAnticlockwise(p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return plainly(jollix::twistAnticlockwise, p, a, b, R, S); },
     [](const Picture& p, int a, int b, int R, int S) { return jollix::twistAnticlockwiseMapping(p, a, b, R, S); }},
    // The smear's fourth number is the drag, packed: dx + 1000 dy.
    {"smear",
     [](const Picture& p, int a, int b, int R, int d) { return jollix::smear(p, a, b, a + dragX(d), b + dragY(d), R); },
     [](const Picture& p, int a, int b, int R, int d) {
         const jollix::brush::PaintingPlainly plain;
         return jollix::smear(p, a, b, a + dragX(d), b + dragY(d), R);
     },
     [](const Picture& p, int a, int b, int R, int d) {
         return jollix::smearMapping(p, a, b, a + dragX(d), b + dragY(d), R);
     }},
};

struct Case {
    int w, h, a, b, R, strength;
};

std::string describe(const Case& c) {
    return std::to_string(c.w) + "x" + std::to_string(c.h) + " centre " + std::to_string(c.a) + "," +
           std::to_string(c.b) + " R " + std::to_string(c.R) + " strength " + std::to_string(c.strength);
}

// The outcome of one painting: the picture, or the error's text.
struct Outcome {
    Picture picture;
    std::string error;
};
Outcome paintWith(const std::function<Picture(const Picture&, int, int, int, int)>& f, const Picture& src,
                  const Case& c) {
    try {
        return {f(src, c.a, c.b, c.R, c.strength), ""};
    } catch (const jollix::JollixError& e) {
        return {Picture(), e.what()};
    }
}

void expectSame(const Brush& brush, const Picture& src, const Case& c) {
    SCOPED_TRACE(std::string(brush.name) + ": " + describe(c));
    const Outcome got = paintWith(brush.routine, src, c), want = paintWith(brush.plain, src, c);
    EXPECT_EQ(got.error, want.error);
    EXPECT_TRUE(got.picture == want.picture) << "first difference at " << firstDifference(got.picture, want.picture);
}

}  // namespace

TEST(BrushEngine, EveryBrushMatchesItsMappingPaintedPixelByPixel) {
    std::mt19937 rng(20261208);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (const Brush& brush : kBrushes) {
        const bool smear = std::string(brush.name) == "smear";
        for (int n = 0; n < 60; ++n) {
            Case c{};
            // Sizes from one pixel up, a fifth of them one pixel wide or high.
            c.w = n % 10 == 0 ? 1 : pick(1, 150);
            c.h = n % 10 == 5 ? 1 : pick(1, 150);
            c.R = pick(1, 90);
            // Centres inside, on the edges and beyond them by up to R.
            c.a = pick(-c.R, c.w + c.R);
            c.b = pick(-c.R, c.h + c.R);
            if (n % 7 == 0) c.a = n % 2 ? 0 : c.w - 1;
            if (n % 7 == 3) c.b = n % 2 ? 0 : c.h - 1;
            if (smear) {
                const int dx = pick(-2 * c.R, 2 * c.R), dy = pick(-2 * c.R, 2 * c.R);
                c.strength = packDrag(dx, dy);
            } else {
                c.strength = pick(-c.R, 2 * c.R);
                if (c.strength == 0) c.strength = n % 3 == 0 ? 0 : 1;  // zero: the error path
            }
            expectSame(brush, noisePicture(c.w, c.h, uint32_t(n + 1)), c);
        }
    }
}

// Regions of more than 200,000 pixels are shared over threads: brushes
// over a big picture, centred inside and hanging over each corner.
TEST(BrushEngine, BigBrushesSharedOverThreadsMatchTheirMapping) {
    const Picture src = noisePicture(900, 700, 3);
    const Case cases[] = {
        {900, 700, 450, 350, 330, 120},
        {900, 700, 0, 0, 400, 60},
        {900, 700, 899, 699, 400, 250},
        {900, 700, 950, -30, 420, 90},
    };
    for (const Brush& brush : kBrushes) {
        const bool smear = std::string(brush.name) == "smear";
        for (Case c : cases) {
            if (smear) c.strength = packDrag(170, -120);
            expectSame(brush, src, c);
        }
    }
}

// The vector sampler against sampleBilinear, for every width of vector units
// the engine may pick: points at random, on every kind of tile edge (a
// cell's columns in two tiles, its rows in two tiles, both), on the
// picture's last row and column, beyond the picture, NaN, and halfway
// between pixels where the rounding must fall exactly as the sampler's.
TEST(BrushEngine, VectorSamplerGivesTheSamplersColours) {
    namespace brush = jollix::brush;
    const Picture src = noisePicture(200, 150, 11);
    // A picture whose neighbours differ by odd steps, so that halfway
    // points land exactly on halves.
    Picture steps(130, 70);
    for (int y = 0; y < steps.height(); ++y)
        for (int x = 0; x < steps.width(); ++x) steps.setPixel(x, y, uint32_t((x * 3 + y * 5) & 0xFF) * 0x010101u);
    const double nan = std::nan("");
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> any(-20.0, 220.0);
    for (const Picture* pic : {&src, static_cast<const Picture*>(&steps)}) {
        std::vector<double> xs, ys;
        const double edges[] = {62.0, 62.5, 63.0, 63.25, 63.999, 64.0, 127.5, 128.0};
        for (double e : edges)
            for (double f : edges) {
                xs.push_back(e), ys.push_back(f);
                xs.push_back(e + 0.5), ys.push_back(f - 0.5);
            }
        const double odd[][2] = {{pic->width() - 1.0, 3.5},
                                 {pic->width() - 2.0, pic->height() - 1.0},
                                 {pic->width() - 1.5, pic->height() - 1.5},
                                 {-0.0, 5.5},
                                 {-3.0, -7.0},
                                 {nan, 4.5},
                                 {4.5, nan},
                                 {1e300, -1e300},
                                 {10.5, 20.5},
                                 {11.5, 0.5}};
        for (const auto& p : odd) xs.push_back(p[0]), ys.push_back(p[1]);
        for (int k = 0; k < 300; ++k) xs.push_back(any(rng)), ys.push_back(any(rng) * 0.7);
        const brush::detail::SourceView grid(*pic);
        for (int level : {2, 1, 0}) {
            brush::detail::limitVectors(level);
            size_t quick = 0;
            for (size_t start = 0; start < xs.size(); start += 64) {
                const int n = int(std::min<size_t>(64, xs.size() - start));
                alignas(64) double sx[64] = {}, sy[64] = {};
                alignas(64) uint32_t colour[64];
                uint64_t ok[1];
                std::copy(xs.begin() + long(start), xs.begin() + long(start) + n, sx);
                std::copy(ys.begin() + long(start), ys.begin() + long(start) + n, sy);
                brush::detail::sampleRow(grid, sx, sy, n, colour, ok);
                for (int k = 0; k < n; ++k) {
                    if (!((ok[0] >> k) & 1)) continue;
                    ++quick;
                    const uint32_t want = jollix::sampleAt(*pic, sx[k], sy[k]);
                    const uint32_t bgr = ((want & 0xFF) << 16) | (want & 0xFF00) | ((want >> 16) & 0xFF);
                    EXPECT_EQ(colour[k], bgr) << "level " << level << " at " << sx[k] << ", " << sy[k];
                }
                if (level == 0) {
                    EXPECT_EQ(ok[0], 0u);
                }
            }
            // The vector units decide all but the few points near a
            // rounding tie, the tiles' edges among them.
            if (level > 0) {
                EXPECT_GT(quick, xs.size() * 8 / 10) << "level " << level;
            }
        }
        brush::detail::limitVectors(2);
    }
}

// Each brush's mapping evaluated on a grid of pixels gives the colours the
// brush's effect has there, and fails where the effect fails.
TEST(BrushEngine, MappingsGiveTheEffectsColoursOnAnyGrid) {
    const Picture src = noisePicture(300, 260, 11);
    const Case cases[] = {{300, 260, 150, 130, 120, 60},
                          {300, 260, 0, 259, 140, 200},
                          {300, 260, 299, 10, 90, -40},
                          {300, 260, 100, 100, 60, 0}};
    const int drags[] = {packDrag(40, -70), packDrag(-60, 0), packDrag(0, 65)};
    // Every fourth pixel from odd starts, repeated columns (one of them on
    // both sides of the 64th), and pixels outside the picture.
    std::vector<int> xs{-3}, ys{-1};
    for (int x = 1; x < 300; x += 4) xs.push_back(x);
    xs.insert(xs.begin() + 10, xs[10]);
    xs.insert(xs.begin() + 64, xs[63]);
    xs.push_back(300);
    for (int y = 2; y < 260; y += 3) ys.push_back(y);
    ys.push_back(400);
    for (const Brush& brush : kBrushes)
        for (Case c : cases)
            for (int drag : drags) {
                if (std::string(brush.name) == "smear") c.strength = drag;
                SCOPED_TRACE(std::string(brush.name) + ": " + describe(c));
                const Outcome whole = paintWith(brush.routine, src, c);
                std::string error;
                std::vector<uint32_t> got(xs.size() * ys.size(), 1);
                try {
                    const jollix::BrushMapping m = brush.mapping(src, c.a, c.b, c.R, c.strength);
                    m.brushed(src, xs.data(), int(xs.size()), ys.data(), int(ys.size()), got.data());
                    // Every changed pixel lies in the mapping's bounds.
                    const jollix::BrushMapping::Box box = m.bounds();
                    for (int y = 0; y < 260; ++y)
                        for (int x = 0; x < 300; ++x) {
                            if (!whole.error.empty() || whole.picture.pixel(x, y) == src.pixel(x, y)) continue;
                            ASSERT_TRUE(box.left <= x && x <= box.right && box.top <= y && y <= box.bottom)
                                << x << "," << y;
                        }
                } catch (const jollix::JollixError& e) {
                    error = e.what();
                }
                ASSERT_EQ(error, whole.error);
                if (!error.empty()) continue;
                for (size_t j = 0; j < ys.size(); ++j)
                    for (size_t i = 0; i < xs.size(); ++i)
                        ASSERT_EQ(got[j * xs.size() + i], whole.picture.pixel(xs[i], ys[j])) << xs[i] << "," << ys[j];
                if (std::string(brush.name) != "smear") break;
            }
}

// Every brush through the engine with each width of vector units the
// processor may have, and with none.
TEST(BrushEngine, BrushesMatchTheirMappingWithEveryVectorWidth) {
    const Picture src = noisePicture(300, 260, 5);
    const Case cases[] = {{300, 260, 150, 130, 120, 60}, {300, 260, 0, 259, 140, 200}, {300, 260, 299, 10, 90, -40}};
    // The smear along each kind of move: diagonal, and straight left,
    // right, up and down.
    const int drags[] = {packDrag(40, -70), packDrag(-60, 0), packDrag(75, 0), packDrag(0, -50), packDrag(0, 65)};
    for (int level : {2, 1, 0}) {
        SCOPED_TRACE("vector level " + std::to_string(level));
        jollix::brush::detail::limitVectors(level);
        for (const Brush& brush : kBrushes)
            for (Case c : cases) {
                if (std::string(brush.name) != "smear") {
                    expectSame(brush, src, c);
                    continue;
                }
                for (int drag : drags) {
                    c.strength = drag;
                    expectSame(brush, src, c);
                }
            }
    }
    jollix::brush::detail::limitVectors(2);
}

// The lines a plan works out are stepped through in order; when one fails,
// the steps of the lines before it are reported and the failure goes on,
// and a plan that succeeds reports none (its painting does).
TEST(BrushEngine, PlanLinesReportTheStepsBeforeAFailure) {
    struct Steps : jollix::Progress {
        int steps = 0;
        void step() override { ++steps; }
    };
    struct Case {
        std::vector<std::array<long long, 2>> ranges;
        long long failAt;  // none when outside every range
        std::vector<long long> visited;
        int steps;
        bool fails;
    };
    const Case cases[] = {
        {{{0, 4}}, 3, {0, 1, 2, 3}, 3, true},    {{{-3, -1}, {1, 3}}, 2, {-3, -2, -1, 1, 2}, 4, true},
        {{{-3, -1}, {1, 3}}, -3, {-3}, 0, true}, {{{0, 4}}, 9, {0, 1, 2, 3, 4}, 0, false},
        {{{5, 4}, {7, 7}}, 9, {7}, 0, false},
    };
    for (const Case& c : cases) {
        Steps progress;
        std::vector<long long> visited;
        bool failed = false;
        auto line = [&](long long v) {
            visited.push_back(v);
            if (v == c.failAt) throw jollix::JollixError(jollix::kRangeCheckError);
        };
        try {
            if (c.ranges.size() == 1)
                jollix::brush::planLines({c.ranges[0]}, &progress, line);
            else
                jollix::brush::planLines({c.ranges[0], c.ranges[1]}, &progress, line);
        } catch (const jollix::JollixError&) {
            failed = true;
        }
        EXPECT_EQ(visited, c.visited);
        EXPECT_EQ(progress.steps, c.steps);
        EXPECT_EQ(failed, c.fails);
    }
}

namespace {

// A brush that uses every rule the engine knows: a point for most pixels,
// some handed over to its exact rule (which keeps some and copies others),
// and the centre lines copied from a neighbour, the centre kept.
struct ToyBrush {
    bool point(int x, int y, double& sx, double& sy) const {
        sx = x * 0.75 + 3.25;
        sy = y * 1.5 - 2.5;
        return (x + 2 * y) % 7 == 0;
    }
    jollix::brush::Source exact(int x, int y) const {
        return x % 2 ? jollix::brush::keep() : jollix::brush::copyOf(x / 2, y / 3);
    }
    jollix::brush::Source centre(int x, int y) const {
        if (x == centreX && y == centreY) return jollix::brush::keep();
        return jollix::brush::copyOf(x == centreX ? x : x / 2, y == centreY ? y : y / 2);
    }
    int centreX, centreY;
};

// What the toy brush must give at (x, y), worked out from its rules here.
uint32_t toyColour(const Picture& src, const ToyBrush& b, int x, int y) {
    if (x == b.centreX && y == b.centreY) return src.pixel(x, y);
    if (x == b.centreX || y == b.centreY) return src.pixel(x == b.centreX ? x : x / 2, y == b.centreY ? y : y / 2);
    if ((x + 2 * y) % 7 == 0) return x % 2 ? src.pixel(x, y) : src.pixel(x / 2, y / 3);
    return jollix::sampleAt(src, x * 0.75 + 3.25, y * 1.5 - 2.5);
}

}  // namespace

// The disc of radius R around (x, y) as runs along its rows.
jollix::brush::Region discByRows(int x, int y, int R, int height) {
    jollix::brush::Region region = jollix::brush::disc(y, x, R, height);
    region.byRows = true;
    return region;
}

// The toy brush over discs whose centre lines and edges fall on every kind
// of place in the tiles (some covering whole tiles, kept pixels among
// them), as runs along columns and along rows, through the engine, plainly
// and as a mapping.
TEST(BrushEngine, ABrushIsItsRegionAndItsRules) {
    namespace brush = jollix::brush;
    const Picture src = noisePicture(200, 170, 9);
    const int centres[][3] = {{63, 64, 40}, {64, 63, 90}, {0, 169, 70}, {199, 0, 30}, {100, 80, 1}, {127, 128, 150}};
    for (const bool byRows : {false, true})
        for (const auto& c : centres) {
            SCOPED_TRACE(std::to_string(c[0]) + "," + std::to_string(c[1]) + " R " + std::to_string(c[2]) +
                         (byRows ? " by rows" : ""));
            const ToyBrush toy{c[0], c[1]};
            const brush::Region region =
                byRows ? discByRows(c[0], c[1], c[2], src.height()) : brush::disc(c[0], c[1], c[2], src.width());
            auto plan = [&](jollix::Progress*) { return std::optional<brush::Pass<ToyBrush>>({toy, region, 7}); };
            const Picture got = brush::effect(src, nullptr, plan);
            Picture plain;
            {
                const brush::PaintingPlainly plainly;
                plain = brush::effect(src, nullptr, plan);
            }
            EXPECT_TRUE(got == plain) << "first difference at " << firstDifference(got, plain);
            std::vector<int> xs(200);
            for (int x = 0; x < 200; ++x) xs[size_t(x)] = x;
            std::vector<uint32_t> row(200);
            const jollix::BrushMapping mapping = brush::mapping(plan);
            for (int y = 0; y < src.height(); ++y) {
                const int ys[] = {y};
                mapping.brushed(src, xs.data(), 200, ys, 1, row.data());
                for (int x = 0; x < src.width(); ++x) {
                    const uint32_t want =
                        brush::detail::regionHas(region, x, y) ? toyColour(src, toy, x, y) : src.pixel(x, y);
                    ASSERT_EQ(got.pixel(x, y), want) << x << "," << y;
                    ASSERT_EQ(row[size_t(x)], want) << x << "," << y;
                }
            }
        }
}
