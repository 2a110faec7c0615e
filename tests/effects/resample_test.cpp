#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/error.h"
#include "core/picture.h"
#include "effects/resample.h"

using jollix::JollixError;
using jollix::Picture;
using jollix::resampleArea;
using jollix::resampleAreaRegion;
using jollix::zoomInOut;

namespace {

// A picture whose three channels follow different patterns, so that mixing
// up channels, rows or columns shows.
Picture patterned(int w, int h, uint32_t seed = 7) {
    Picture p(w, h);
    uint32_t s = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1103515245u + 12345u;
            const uint32_t r = (s >> 16) & 255, g = uint32_t(x * 37 + y * 11) & 255, b = uint32_t(x ^ (y * 3)) & 255;
            p.setPixel(x, y, r | (g << 8) | (b << 16));
        }
    return p;
}

int channel(uint32_t colour, int c) { return int((colour >> (8 * c)) & 255); }

// The reference, straight from the definition and in exact integers: with
// lengths measured in units of 1 / (dw * dh) of a source pixel's side, new
// pixel (i, k) covers [i * sw, (i + 1) * sw) x [k * sh, (k + 1) * sh) and
// source pixel (x, y) covers [x * dw, (x + 1) * dw) x [y * dh, (y + 1) * dh);
// each source pixel counts with the area of the overlap.
uint32_t referencePixel(const Picture& src, int dw, int dh, int i, int k) {
    const int64_t sw = src.width(), sh = src.height();
    const int64_t x0 = i * sw, x1 = (i + 1) * sw, y0 = k * sh, y1 = (k + 1) * sh;
    int64_t sum[3] = {0, 0, 0};
    for (int64_t y = 0; y < sh; ++y) {
        const int64_t wy = std::min(y1, (y + 1) * dh) - std::max(y0, y * dh);
        if (wy <= 0) continue;
        for (int64_t x = 0; x < sw; ++x) {
            const int64_t wx = std::min(x1, (x + 1) * dw) - std::max(x0, x * dw);
            if (wx <= 0) continue;
            const uint32_t c = src.pixel(int(x), int(y));
            for (int ch = 0; ch < 3; ++ch) sum[ch] += wx * wy * channel(c, ch);
        }
    }
    const int64_t area = sw * sh;  // (sw / dw) * (sh / dh) in those units
    uint32_t out = 0;
    for (int ch = 0; ch < 3; ++ch) {
        int64_t q = sum[ch] / area;
        const int64_t twice = 2 * (sum[ch] % area);
        if (twice > area || (twice == area && (q & 1))) ++q;  // ties to even
        out |= uint32_t(q) << (8 * ch);
    }
    return out;
}

}  // namespace

TEST(Resample, IntegerFactorsGiveTheMeansOfExactBlocks) {
    struct Case {
        int sw, sh, dw, dh;
    };
    for (const Case c : {Case{8, 6, 4, 3}, Case{9, 9, 3, 3}, Case{130, 70, 65, 35}, Case{12, 4, 3, 1}}) {
        const Picture src = patterned(c.sw, c.sh);
        const Picture out = resampleArea(src, c.dw, c.dh);
        ASSERT_EQ(out.width(), c.dw);
        ASSERT_EQ(out.height(), c.dh);
        const int fx = c.sw / c.dw, fy = c.sh / c.dh;
        for (int k = 0; k < c.dh; ++k)
            for (int i = 0; i < c.dw; ++i)
                for (int ch = 0; ch < 3; ++ch) {
                    int sum = 0;
                    for (int y = 0; y < fy; ++y)
                        for (int x = 0; x < fx; ++x) sum += channel(src.pixel(i * fx + x, k * fy + y), ch);
                    const int expected = int(std::nearbyint(double(sum) / (fx * fy)));
                    ASSERT_EQ(channel(out.pixel(i, k), ch), expected)
                        << c.sw << "x" << c.sh << " pixel " << i << "," << k << " channel " << ch;
                }
    }
}

TEST(Resample, ThreeToTwoWeighsTheMiddlePixelByHalves) {
    // 3 -> 2: new pixel 0 covers source [0, 1.5): 1 x p0 + 0.5 x p1, over 1.5.
    Picture src(3, 1);
    src.setPixel(0, 0, 0x000000 | 30);
    src.setPixel(1, 0, 0x000000 | 90);
    src.setPixel(2, 0, 0x000000 | 200);
    const Picture out = resampleArea(src, 2, 1);
    EXPECT_EQ(channel(out.pixel(0, 0), 0), 50);   // (30 + 45) / 1.5
    EXPECT_EQ(channel(out.pixel(1, 0), 0), 163);  // (45 + 200) / 1.5 = 163.33
}

TEST(Resample, TiesRoundToEven) {
    // Means of two pixels: (0 + 1) / 2 = 0.5 -> 0, (1 + 2) / 2 = 1.5 -> 2,
    // (2 + 3) / 2 = 2.5 -> 2, (254 + 255) / 2 = 254.5 -> 254.
    const int a[] = {0, 1, 2, 254}, b[] = {1, 2, 3, 255}, want[] = {0, 2, 2, 254};
    for (int t = 0; t < 4; ++t) {
        Picture src(2, 1);
        src.setPixel(0, 0, uint32_t(a[t]) << 8);
        src.setPixel(1, 0, uint32_t(b[t]) << 8);
        EXPECT_EQ(channel(resampleArea(src, 1, 1).pixel(0, 0), 1), want[t]) << a[t] << "+" << b[t];
    }
}

TEST(Resample, FractionalSizesMatchTheAreaMeanDefinition) {
    struct Case {
        int sw, sh, dw, dh;
    };
    for (const Case c : {Case{7, 5, 3, 2}, Case{10, 3, 7, 3}, Case{5, 4, 8, 7}, Case{97, 61, 45, 29}, Case{3, 3, 5, 2},
                         Case{1, 9, 1, 4}, Case{9, 1, 4, 1}}) {
        const Picture src = patterned(c.sw, c.sh, uint32_t(c.sw * 31 + c.dh));
        const Picture out = resampleArea(src, c.dw, c.dh);
        ASSERT_EQ(out.width(), c.dw);
        ASSERT_EQ(out.height(), c.dh);
        for (int k = 0; k < c.dh; ++k)
            for (int i = 0; i < c.dw; ++i)
                ASSERT_EQ(out.pixel(i, k), referencePixel(src, c.dw, c.dh, i, k))
                    << c.sw << "x" << c.sh << "->" << c.dw << "x" << c.dh << " at " << i << "," << k;
    }
}

TEST(Resample, SameSizeIsTheIdentity) {
    const Picture src = patterned(131, 67);
    const Picture out = resampleArea(src, 131, 67);
    EXPECT_EQ(out, src);
}

TEST(Resample, UpscalingByWholeFactorsRepeatsPixels) {
    const Picture src = patterned(5, 3);
    const Picture out = zoomInOut(src, 15, 6);
    ASSERT_EQ(out.width(), 15);
    ASSERT_EQ(out.height(), 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 15; ++x) ASSERT_EQ(out.pixel(x, y), src.pixel(x / 3, y / 2)) << x << "," << y;
}

TEST(Resample, OnePixelWideAndHighPictures) {
    Picture column(1, 4);
    const int v[] = {10, 20, 40, 80};
    for (int y = 0; y < 4; ++y) column.setPixel(0, y, uint32_t(v[y]) << 16);
    const Picture halved = resampleArea(column, 1, 2);
    EXPECT_EQ(channel(halved.pixel(0, 0), 2), 15);
    EXPECT_EQ(channel(halved.pixel(0, 1), 2), 60);
    const Picture widened = resampleArea(column, 3, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(widened.pixel(x, y), column.pixel(0, y));
    const Picture dot = resampleArea(column, 1, 1);
    EXPECT_EQ(channel(dot.pixel(0, 0), 2), 38);  // 150 / 4 = 37.5 -> 38
}

TEST(Resample, TypedSizeIsKeptExactly) {
    // The 605 x 469 start picture resized to 300 x 200 is 300 x 200.
    const Picture out = zoomInOut(Picture(605, 469, 0x336699), 300, 200);
    EXPECT_EQ(out.width(), 300);
    EXPECT_EQ(out.height(), 200);
    EXPECT_EQ(out.pixel(0, 0), 0x336699u);
    EXPECT_EQ(out.pixel(299, 199), 0x336699u);
}

TEST(Resample, LargePicturesSplitAcrossThreadsGiveTheSameResult) {
    // Big enough for the two-thread path; compared with the definition on a
    // band of rows around the split and on the last rows.
    const Picture src = patterned(1500, 900, 99);
    const Picture out = resampleArea(src, 1001, 601);
    ASSERT_EQ(out.width(), 1001);
    ASSERT_EQ(out.height(), 601);
    for (int k : {0, 1, 254, 255, 256, 257, 299, 300, 301, 599, 600})
        for (int i : {0, 1, 500, 999, 1000})
            ASSERT_EQ(out.pixel(i, k), referencePixel(src, 1001, 601, i, k)) << i << "," << k;
}

TEST(Resample, HugeAreasPerPixelAreStillExact) {
    // 4200 x 4100 source pixels in one: the sums outgrow 32 bits.
    const Picture src = patterned(4200, 4100, 5);
    const Picture one = resampleArea(src, 1, 1);
    EXPECT_EQ(one.pixel(0, 0), referencePixel(src, 1, 1, 0, 0));
    const Picture two = resampleArea(src, 2, 3);
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 2; ++i) EXPECT_EQ(two.pixel(i, k), referencePixel(src, 2, 3, i, k)) << i << "," << k;
}

TEST(Resample, DegenerateSizes) {
    const Picture src = patterned(4, 4);
    EXPECT_TRUE(resampleArea(src, 0, 5).isEmpty());
    EXPECT_TRUE(resampleArea(src, 5, 0).isEmpty());
    EXPECT_THROW(resampleArea(src, -1, 5), JollixError);
    try {
        resampleArea(Picture(), 3, 3);
        FAIL() << "an empty picture cannot be resampled";
    } catch (const JollixError& e) {
        EXPECT_STREQ(e.what(), "Floating point division by zero");
    }
}

TEST(Resample, RegionUpdateAfterALocalChangeEqualsTheWholeResampling) {
    // The source changes inside [x0, x1) x [y0, y1); the resampling of the
    // old source, brought up to date over that rectangle, must be the
    // resampling of the new one, every pixel (a missed edge pixel or a
    // shifted column shows).
    struct Case {
        int sw, sh, dw, dh, x0, y0, x1, y1;
    };
    for (const Case c : {Case{640, 400, 213, 133, 100, 50, 228, 178},    // inside, fractional factor
                         Case{640, 400, 213, 133, 0, 0, 1, 1},           // one corner pixel
                         Case{640, 400, 213, 133, 639, 399, 640, 400},   // the other corner
                         Case{300, 200, 100, 50, 64, 0, 128, 200},       // a full-height band
                         Case{97, 61, 45, 29, 10, 10, 11, 61},           // one column to the bottom
                         Case{50, 40, 70, 90, 20, 5, 30, 15},            // enlarging
                         Case{200, 150, 64, 48, -20, 140, 500, 900}}) {  // reaching outside
        const Picture before = patterned(c.sw, c.sh, 3);
        Picture after = before;
        for (int y = std::max(c.y0, 0); y < std::min(c.y1, c.sh); ++y)
            for (int x = std::max(c.x0, 0); x < std::min(c.x1, c.sw); ++x)
                after.setPixel(x, y, ~before.pixel(x, y) & 0xFFFFFFu);
        Picture frame = resampleArea(before, c.dw, c.dh);
        const Picture untouched = frame;
        resampleAreaRegion(after, frame, c.x0, c.y0, c.x1, c.y1);
        EXPECT_EQ(frame, resampleArea(after, c.dw, c.dh))
            << c.sw << "x" << c.sh << "->" << c.dw << "x" << c.dh << " change " << c.x0 << "," << c.y0;
        // Copy on write: the picture the frame was copied from keeps its pixels.
        EXPECT_EQ(untouched, resampleArea(before, c.dw, c.dh));
    }
}

TEST(Resample, WholeFactorShrinksAreTheRoundedBlockMeansAtEverySize) {
    // Factors across tile borders, the largest blocks summed in 16 bits,
    // blocks too large for that, a picture big enough for two threads, and
    // pictures of one colour at the top of the range.
    struct Case {
        int sw, sh, fx, fy;
        uint32_t colour;
    };
    const Case cases[] = {
        {256, 200, 2, 2, 0},
        {390, 260, 3, 4, 0},
        {130, 129, 2, 3, 0},
        {1024, 70, 16, 1, 0},
        {320, 300, 16, 15, 0},
        {340, 30, 17, 1, 0},
        {256, 256, 16, 16, 0},
        {2600, 1600, 2, 2, 0},
        {66, 2, 2, 2, 0},
        {3, 300, 1, 3, 0},
        {320, 300, 16, 15, 0xFFFFFF},
        {30, 30, 15, 15, 0xFEFDFC},
        // Blocks of a power of two pixels.
        {130, 64, 2, 1, 0},
        {256, 64, 16, 8, 0},
        {256, 64, 16, 8, 0xFFFFFF},
        {8, 200, 1, 8, 0},
    };
    for (const Case& c : cases) {
        const Picture src = c.colour ? Picture(c.sw, c.sh, c.colour) : patterned(c.sw, c.sh, uint32_t(c.sw + c.fy));
        const int dw = c.sw / c.fx, dh = c.sh / c.fy, area = c.fx * c.fy;
        const Picture out = resampleArea(src, dw, dh);
        ASSERT_EQ(out.width(), dw);
        ASSERT_EQ(out.height(), dh);
        long bad = 0;
        for (int k = 0; k < dh; ++k)
            for (int i = 0; i < dw; ++i) {
                uint32_t want = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    int sum = 0;
                    for (int y = k * c.fy; y < (k + 1) * c.fy; ++y)
                        for (int x = i * c.fx; x < (i + 1) * c.fx; ++x) sum += channel(src.pixel(x, y), ch);
                    int q = sum / area;
                    const int twice = 2 * (sum % area);
                    if (twice > area || (twice == area && (q & 1))) ++q;  // ties to even
                    want |= uint32_t(q) << (8 * ch);
                }
                bad += out.pixel(i, k) != want;
            }
        EXPECT_EQ(bad, 0) << c.sw << "x" << c.sh << " by " << c.fx << "x" << c.fy;
    }
}
