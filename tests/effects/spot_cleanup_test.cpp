#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "effect_test_util.h"
#include "core/numeric.h"
#include "core/picture.h"
#include "effects/spot_cleanup.h"

using jollix::clearUpSpots;
using jollix::Picture;
using jollix::selectionSort;

using effects_test::makePicture;
using effects_test::randomPicture;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0;

// The clean-up written out with selectionSort, pixel by pixel.
int medianBySelectionSort(const Picture& p, int x, int y, int k) {
    int v[9], n = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) v[n++] = p.pixelPtr(x + dx, y + dy)[k];
    selectionSort(v, 8);
    return v[4];
}

long countMedianMismatches(const Picture& src, const Picture& out) {
    long bad = 0;
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            for (int k = 0; k < 3; ++k) {
                const bool border = x == 0 || y == 0 || x == src.width() - 1 || y == src.height() - 1;
                const int expected = border ? src.pixelPtr(x, y)[k] : medianBySelectionSort(src, x, y, k);
                bad += out.pixelPtr(x, y)[k] != expected;
            }
    return bad;
}

}  // namespace

TEST(selectionSort, SortsNPlusOneValues) {
    int a[10] = {5, -3, 9, 9, 0, 7, -3, 2, 1, 42};
    selectionSort(a, 8);  // nine values; the tenth is not touched
    const int sorted[10] = {-3, -3, 0, 1, 2, 5, 7, 9, 9, 42};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(a[i], sorted[i]) << i;

    int one[1] = {4};
    selectionSort(one, 0);
    EXPECT_EQ(one[0], 4);

    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        std::vector<int> v(1 + rng() % 12);
        for (int& x : v) x = int(rng() % 21) - 10;
        std::vector<int> expected = v;
        std::sort(expected.begin(), expected.end());
        selectionSort(v.data(), int(v.size()) - 1);
        EXPECT_EQ(v, expected);
    }
}

TEST(ClearUpSpots, MedianEqualsSelectionSortForEveryBlackWhitePattern) {
    // The median is a fixed network of minima and maxima; if it picks the
    // fifth smallest for all 512 patterns of 0 and 1 it does for any values.
    for (int pattern = 0; pattern < 512; ++pattern) {
        // Blue carries the pattern, green its complement, red the pattern
        // read backwards.
        Picture src = makePicture(3, 3, [&](int x, int y) {
            const int bit = y * 3 + x;
            const uint32_t b = (pattern >> bit) & 1 ? 255 : 0;
            const uint32_t r = (pattern >> (8 - bit)) & 1 ? 255 : 0;
            return r | ((255 - b) << 8) | (b << 16);
        });
        ASSERT_EQ(countMedianMismatches(src, clearUpSpots(src)), 0) << pattern;
    }
}

TEST(ClearUpSpots, MedianEqualsSelectionSortOnRandomPictures) {
    // Few levels make many ties; the big one is split in two halves.
    struct Case {
        int w, h, levels;
    } cases[] = {{31, 17, 256}, {64, 65, 3}, {129, 70, 2}, {1100, 1000, 256}};
    for (const auto& c : cases) {
        Picture src = randomPicture(c.w, c.h, uint32_t(c.w * c.h), c.levels);
        EXPECT_EQ(countMedianMismatches(src, clearUpSpots(src)), 0) << c.w << "x" << c.h;
    }
}

TEST(ClearUpSpots, SpecksAndThinLinesGoThickLinesStay) {
    // A speck.
    Picture speck(9, 9, kWhite);
    speck.setPixel(4, 4, kBlack);
    EXPECT_EQ(clearUpSpots(speck), Picture(9, 9, kWhite));

    // Lines one pixel wide, horizontal and vertical.
    Picture thinH = makePicture(20, 12, [](int x, int y) { return y == 5 && x >= 3 && x <= 15 ? kBlack : kWhite; });
    EXPECT_EQ(clearUpSpots(thinH), Picture(20, 12, kWhite));
    Picture thinV = makePicture(12, 20, [](int x, int y) { return x == 5 && y >= 3 && y <= 15 ? kBlack : kWhite; });
    EXPECT_EQ(clearUpSpots(thinV), Picture(12, 20, kWhite));

    // A line two pixels wide stays, except for the two pixels across each end.
    auto thick = [](int x, int y) { return (y == 5 || y == 6) && x >= 3 && x <= 15; };
    Picture thickH = makePicture(20, 12, [&](int x, int y) { return thick(x, y) ? kBlack : kWhite; });
    Picture expected =
        makePicture(20, 12, [&](int x, int y) { return thick(x, y) && x != 3 && x != 15 ? kBlack : kWhite; });
    EXPECT_EQ(clearUpSpots(thickH), expected);
}

TEST(ClearUpSpots, BorderIsNeverChanged) {
    // Specks on the border and in the corners survive; the one inside goes.
    Picture src(10, 8, kWhite);
    for (auto [x, y] : {std::pair{0, 0}, {9, 7}, {0, 4}, {9, 3}, {5, 0}, {4, 7}, {5, 4}}) src.setPixel(x, y, kBlack);
    Picture out = clearUpSpots(src);
    for (auto [x, y] : {std::pair{0, 0}, {9, 7}, {0, 4}, {9, 3}, {5, 0}, {4, 7}}) EXPECT_EQ(out.pixel(x, y), kBlack);
    EXPECT_EQ(out.pixel(5, 4), kWhite);
}

TEST(ClearUpSpots, ChannelsAreCleanedEachOnItsOwn) {
    // Around the centre: red is high in 5 of 9, green in 4, blue in 6,
    // each in a different set of pixels.
    const uint32_t colours[9] = {0x0000FF, 0xFF00FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
                                 0xFF0000, 0x00FF00, 0xFFFFFF, 0xFF0000};
    Picture src = makePicture(3, 3, [&](int x, int y) { return colours[y * 3 + x]; });
    Picture out = clearUpSpots(src);
    EXPECT_EQ(out.pixel(1, 1), 0xFF00FFu);
    EXPECT_EQ(countMedianMismatches(src, out), 0);
}

TEST(ClearUpSpots, PicturesWithoutInteriorAndWidePictures) {
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {2, 50}, {50, 2}}) {
        Picture src = randomPicture(w, h, uint32_t(w + 100 * h));
        EXPECT_EQ(clearUpSpots(src), src) << w << "x" << h;
    }
    Picture wide = randomPicture(11000, 3, 99);
    EXPECT_EQ(countMedianMismatches(wide, clearUpSpots(wide)), 0);
}
