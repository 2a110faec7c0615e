#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "effect_test_util.h"
#include "effects/engine/sampler.h"
#include "effects/brushes/smear.h"

using jollix::Picture;
namespace detail = jollix::detail;

using effects_test::noisePicture;

namespace {

struct CountingProgress : jollix::Progress {
    int steps = 0, resets = 0, finishes = 0;
    std::vector<int> stepsPerPass;
    void step() override { ++steps; }
    void reset() override {
        ++resets;
        stepsPerPass.push_back(steps);
        steps = 0;
    }
    void finish() override { ++finishes; }
};

using E = long double;

// The smear worked out independently, term by term as the routine is
// described: every named quantity stored as a double, everything else
// extended.
Picture referenceSmear(const Picture& src, int X0, int Y0, int X, int Y, int R) {
    Picture dst = src;
    for (int kind = 1; kind <= 8; ++kind) {
        const bool runs = kind == 1   ? X < X0 && Y < Y0
                          : kind == 2 ? X > X0 && Y > Y0
                          : kind == 3 ? X > X0 && Y < Y0
                          : kind == 4 ? X < X0 && Y > Y0
                          : kind == 5 ? X < X0 && Y == Y0
                          : kind == 6 ? X > X0 && Y == Y0
                          : kind == 7 ? X == X0 && Y > Y0
                                      : X == X0 && Y < Y0;
        if (!runs) continue;
        const bool diagonal = kind <= 4;
        double L, k = 0, d, cx, cy;
        E ux = 0, uy = 0;
        auto capped = [&](double len) { return (E)R / 2 < len ? double((E)R / 2) : len; };
        if (diagonal) {
            L = double(std::sqrt((E)(X0 - X) * (X0 - X) + (E)(Y0 - Y) * (Y0 - Y)));
            k = double((E)(Y0 - Y) / (E)(X0 - X));
            d = capped(L);
            const int s = X > X0 ? 1 : -1;
            const int sy = Y > Y0 ? 1 : -1;
            X = X0 + s * int(std::nearbyint(d / std::sqrt(1 + (E)k * k)));
            Y = Y0 + s * int(std::nearbyint((E)d * k / std::sqrt(1 + (E)k * k)));
            cx = double(((E)X0 + X) / 2);
            cy = double(((E)Y0 + Y) / 2);
            ux = s / std::sqrt(1 + (E)k * k);
            uy = sy / std::sqrt(1 + 1 / ((E)k * k));
        } else if (kind == 5) {
            d = capped(X0 - X);
            X = X0 - int(std::nearbyint(d));
            cx = double(X0 - (E)d / 2);
            cy = Y0;
            ux = -1;
        } else if (kind == 6) {
            d = capped(X - X0);
            X = X0 + int(std::nearbyint(d));
            cx = double(X - (E)d / 2);
            cy = Y0;
            ux = 1;
        } else if (kind == 7) {
            d = capped(Y - Y0);
            Y = Y0 + int(std::nearbyint(d));
            cx = X0;
            cy = double(Y0 + (E)d / 2);
            uy = 1;
        } else {
            d = capped(Y0 - Y);
            cx = X0;
            cy = double(Y0 - (E)d / 2);
            uy = -1;
        }
        const E rho = R + (E)d / 2;
        const int g0 = int(std::nearbyint(cx - (E)d / 2 - R)) + 1, g1 = int(std::nearbyint(cx + (E)d / 2 + R)) - 1;
        for (int G = g0; G <= g1; ++G) {
            const E hh = std::sqrt(rho * rho - (cx - (E)G) * (cx - (E)G));
            const int i0 = int(std::nearbyint(cy - hh)) + 1, i1 = int(std::nearbyint(cy + hh)) - 1;
            for (int i = i0; i <= i1; ++i) {
                if (!src.contains(G, i)) continue;
                double h, l;
                if (diagonal) {
                    h = double(((cy - (E)i) + G * (E)k + cx / (E)k) / (1 / (E)k + k));
                    l = double(cy - (h - (E)cx) / k);
                } else if (kind <= 6) {
                    h = cx;
                    l = i;
                } else {
                    h = G;
                    l = cy;
                }
                const E w2 = (h - (E)cx) * (h - cx) + (l - (E)cy) * (l - cy);
                const double m = double(std::sqrt(rho * rho - w2));
                const double o = double((2 * rho * rho - (R + (E)d) * (R + d)) / d);
                const double t = double(std::sqrt((R + d + (E)o) * (R + d + o) - w2) - (E)d / 2 - R - o);
                const double qx = double(h + t * ux);
                const double qy = diagonal ? double(l + (qx - (E)h) * k) : double(l + t * uy);
                const bool along = (G - (E)qx) * ux + (i - (E)qy) * uy >= 0;
                bool ahead;
                switch (kind) {
                    case 1: ahead = (E)G * G + (E)i * i < (E)qx * qx + (E)qy * qy; break;
                    case 2: ahead = (E)G * G + (E)i * i >= (E)qx * qx + (E)qy * qy; break;
                    case 3: ahead = (G == 0 || qx == 0) ? along : (E)qy / qx > (E)i / G; break;
                    case 4: ahead = (G == 0 || qx == 0) ? along : (E)qy / qx <= (E)i / G; break;
                    case 5: ahead = G < qx; break;
                    case 6: ahead = G >= qx; break;
                    case 7: ahead = i > qy; break;
                    default: ahead = i <= qy; break;
                }
                const double ex = double(h + (ahead ? m : -m) * ux), ey = double(l + (ahead ? m : -m) * uy);
                const double A = double(std::sqrt((G - (E)ex) * (G - ex) + (i - (E)ey) * (i - ey)));
                const double B = ahead ? double((E)m - t) : double((E)m + t);
                const double c = double((E)m * A / B);
                const E step = ahead ? (E)c - A : (E)A - c;
                double sx = double(G - step * ux), sy = double(i - step * uy);
                dst.setPixel(G, i, jollix::sampleBilinear(src, sx, sy));
            }
        }
    }
    return dst;
}

struct Drag {
    int x0, y0, x, y, R;
};

std::string describe(const Drag& g) {
    return std::to_string(g.x0) + "," + std::to_string(g.y0) + " -> " + std::to_string(g.x) + "," +
           std::to_string(g.y) + " R=" + std::to_string(g.R);
}

}  // namespace

TEST(Smear, ReleaseOnThePressPixelChangesNothing) {
    const Picture src = noisePicture(120, 100, 11);
    CountingProgress p;
    EXPECT_EQ(jollix::smear(src, 60, 50, 60, 50, 100, &p), src);
    EXPECT_TRUE(detail::smearPasses(60, 50, 60, 50, 100).empty());
    EXPECT_EQ(p.steps + p.resets, 0);
}

TEST(Smear, ThreePixelsToTheRight) {
    const int X0 = 150, Y0 = 140, R = 100;
    const auto passes = detail::smearPasses(X0, Y0, X0 + 3, Y0, R);
    ASSERT_EQ(passes.size(), 1u);
    const auto& p = passes[0];
    EXPECT_EQ(p.kind, detail::kRight);
    EXPECT_EQ(p.d, 3.0);
    EXPECT_EQ(p.endX, X0 + 3);
    EXPECT_EQ(p.cx, X0 + 1.5);
    EXPECT_EQ(p.cy, double(Y0));
    // The pixel at the new end takes the colour sampled at the middle.
    const auto s = detail::smearSource(p, R, X0 + 3, Y0);
    EXPECT_EQ(s.x, X0 + 1.5);
    EXPECT_EQ(s.y, double(Y0));
    // The shift fades toward the rows 101.5 above and below.
    const double near = X0 + 3 - detail::smearSource(p, R, X0 + 3, Y0 - 50).x;
    const double far = X0 + 3 - detail::smearSource(p, R, X0 + 3, Y0 - 100).x;
    EXPECT_GT(near, far);
    EXPECT_GT(far, 0);
    EXPECT_LT(far, 0.1);

    Picture src = noisePicture(320, 300, 11);
    // Halfway between levels 0x10 and 0x11 and between 0x21 and 0x22: the
    // sample must land exactly on X0 + 1.5 to round both to even.
    src.setPixel(X0 + 1, Y0, 0x102110);
    src.setPixel(X0 + 2, Y0, 0x112211);
    CountingProgress progress;
    const Picture out = jollix::smear(src, X0, Y0, X0 + 3, Y0, R, &progress);
    EXPECT_EQ(out.pixel(X0 + 3, Y0), 0x102210u);
    // Columns X0 - 99 .. X0 + 102 of the disc of radius 101.5 around
    // (X0 + 1.5, Y0); nothing outside it changes.
    EXPECT_EQ(progress.stepsPerPass, std::vector<int>{202});
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 320; ++x) {
            const double dx = x - (X0 + 1.5), dy = y - Y0;
            if (dx * dx + dy * dy >= 101.5 * 101.5) {
                ASSERT_EQ(out.pixel(x, y), src.pixel(x, y)) << x << "," << y;
            }
        }
}

TEST(Smear, LongDragsCountHalfTheRadius) {
    const int X0 = 200, Y0 = 200, R = 100;
    const auto passes = detail::smearPasses(X0, Y0, X0 + 200, Y0, R);
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0].d, 50.0);
    EXPECT_EQ(passes[0].endX, X0 + 50);
    // The largest shift, on the centre line, is d/2 = R/4.
    const auto s = detail::smearSource(passes[0], R, X0 + 50, Y0);
    EXPECT_EQ(s.x, X0 + 25.0);
    EXPECT_EQ(s.y, double(Y0));
    // Odd R: d = R/2 ends in .5 and the end point rounds to even.
    const auto odd = detail::smearPasses(X0, Y0, X0, Y0 + 90, 101);
    ASSERT_EQ(odd.size(), 1u);
    EXPECT_EQ(odd[0].d, 50.5);
    EXPECT_EQ(odd[0].endY, Y0 + 50);
    EXPECT_EQ(odd[0].cy, Y0 + 25.25);
}

TEST(Smear, DiagonalStepRoundingToZeroRunsTheStraightCaseToo) {
    // One column left, 40 rows up, R = 30: L = 40.01, d = 15, x step 0,
    // y step 15, then the upward case smears the same disc again.
    const int X0 = 100, Y0 = 90, R = 30;
    const auto passes = detail::smearPasses(X0, Y0, X0 - 1, Y0 - 40, R);
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_EQ(passes[0].kind, detail::kUpLeft);
    EXPECT_EQ(passes[0].d, 15.0);
    EXPECT_EQ(passes[0].endX, X0);
    EXPECT_EQ(passes[0].endY, Y0 - 15);
    EXPECT_EQ(passes[0].cx, double(X0));
    EXPECT_EQ(passes[0].cy, Y0 - 7.5);
    EXPECT_EQ(passes[1].kind, detail::kUp);
    EXPECT_EQ(passes[1].d, 15.0);
    EXPECT_EQ(passes[1].cy, Y0 - 7.5);

    const Picture src = noisePicture(200, 180, 11);
    CountingProgress progress;
    const Picture out = jollix::smear(src, X0, Y0, X0 - 1, Y0 - 40, R, &progress);
    EXPECT_EQ(out, jollix::smear(src, X0, Y0, X0, Y0 - 15, R));
    EXPECT_NE(out, src);
    ASSERT_EQ(progress.stepsPerPass.size(), 2u);
    EXPECT_EQ(progress.stepsPerPass[0], progress.stepsPerPass[1]);
}

TEST(Smear, ZeroRadiusChangesNothing) {
    const Picture src = noisePicture(80, 60, 11);
    for (Drag g : {Drag{40, 30, 10, 5, 0}, Drag{40, 30, 70, 30, 0}, Drag{40, 30, 40, 59, 0}}) {
        CountingProgress p;
        EXPECT_EQ(jollix::smear(src, g.x0, g.y0, g.x, g.y, g.R, &p), src) << describe(g);
        EXPECT_EQ(p.steps, 0);
    }
}

// Every pixel against the independent working, for moves in all eight
// directions, patches over the picture's edges, column 0, odd radii, and
// moves whose unit direction is an exact fraction (3-4-5).
TEST(Smear, WholePictureMatchesIndependentWorking) {
    const Drag drags[] = {
        {120, 100, 90, 80, 60},    {120, 100, 150, 130, 60}, {120, 100, 160, 70, 60},
        {120, 100, 85, 125, 60},   {120, 100, 70, 100, 60},  {120, 100, 170, 100, 60},
        {120, 100, 120, 150, 60},  {120, 100, 120, 40, 60},  {120, 100, 123, 100, 100},  // the worked 3-pixel drag
        {120, 100, 150, 140, 101},                                                       // 3-4-5 move, capped at 50.5
        {120, 100, 126, 108, 100},                                                       // 3-4-5 move, not capped
        {120, 100, 100, 80, 51},                                                         // 45 degrees, odd radius
        {120, 100, 119, 60, 30},                                                         // diagonal, then straight up
        {8, 100, 30, 60, 50},      // up-right by the left edge: column 0
        {5, 50, 0, 90, 40},        // down-left by the left edge
        {0, 10, 20, 0, 40},        // press in column 0, up-right
        {230, 190, 250, 230, 70},  // beyond the bottom right corner
        {3, 3, 1, 1, 40},          // up-left into the corner
        {120, 100, 121, 101, 3},   // tiny
        {120, 100, 110, 100, 1},   // R = 1, d = 0.5 rounds to 0
    };
    const Picture src = noisePicture(240, 200, 11);
    for (const Drag& g : drags) {
        SCOPED_TRACE(describe(g));
        const Picture out = jollix::smear(src, g.x0, g.y0, g.x, g.y, g.R);
        const Picture want = referenceSmear(src, g.x0, g.y0, g.x, g.y, g.R);
        int wrong = 0;
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x)
                if (out.pixel(x, y) != want.pixel(x, y) && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << std::hex << ": " << out.pixel(x, y) << " instead of "
                                  << want.pixel(x, y);
        EXPECT_EQ(wrong, 0);
        if (g.R > 1) {
            EXPECT_NE(out, src);
        }
    }
}

TEST(Smear, ProgressAdvancesPerColumnAndResetsPerPass) {
    const Picture src = noisePicture(100, 100, 11);
    CountingProgress p;
    // Ten rows down with R = 20: d = 10, centre (50, 55), patch columns
    // roundToInt(50 - 5 - 20) + 1 .. roundToInt(50 + 5 + 20) - 1.
    jollix::smear(src, 50, 50, 50, 60, 20, &p);
    EXPECT_EQ(p.stepsPerPass, std::vector<int>{49});  // 26 .. 74
    EXPECT_EQ(p.finishes, 0);
}

TEST(Smear, TouchesOnlyTheTilesOfItsPatch) {
    Picture src(3000, 2000, 0x336699);
    src.setPixel(1500, 1000, 0);
    const Picture out = jollix::smear(src, 1500, 1000, 1520, 1010, 40);
    EXPECT_NE(out, src);
    // The patch (radius about 51) lies in at most 3 x 3 tiles.
    EXPECT_GE(out.sharedTileCount(src), src.tileCount() - 9);
}
