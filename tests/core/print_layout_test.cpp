#include <gtest/gtest.h>

#include "core/print_layout.h"

using jollix::PrintRectangle;
using jollix::printRectangle;

TEST(PrintLayout, DoublesAndCentres) {
    struct Case {
        int w, h, pw, ph, left, top, right, bottom;
    };
    const Case cases[] = {
        // The start picture on an A4 page at 600 dpi: doubled three times.
        {605, 469, 4960, 7016, 60, 1632, 4900, 5384},
        // 1 x 1 grows to 4096: 4096 is not below 7016 div 2 nor 4960 div 2.
        {1, 1, 4960, 7016, 432, 1460, 4528, 5556},
        // At least half the page wide: one device pixel per picture pixel.
        {2480, 100, 4960, 7016, 1240, 3458, 3720, 3558},
        // At least half the page high (the height is tested first).
        {100, 3508, 4960, 7016, 2430, 1754, 2530, 5262},
        // Just under half in both: doubled once.
        {2479, 3507, 4960, 7016, 1, 1, 4959, 7015},
        // Larger than the page: negative offsets, centred and cut off.
        {6000, 8000, 4960, 7016, -520, -492, 5480, 7508},
        // Odd differences truncate toward zero, also when negative.
        {4961, 7017, 4960, 7016, 0, 0, 4961, 7017},
        {4963, 7019, 4960, 7016, -1, -1, 4962, 7018},
        // A page too small to halve leaves the picture as it is.
        {3, 2, 1, 1, -1, 0, 2, 2},
        // An empty picture is never doubled (the loop would not end).
        {0, 0, 4960, 7016, 2480, 3508, 2480, 3508},
        {0, 10, 4960, 7016, 2480, 3503, 2480, 3513},
    };
    for (const Case& c : cases) {
        const PrintRectangle r = printRectangle(c.w, c.h, c.pw, c.ph);
        EXPECT_EQ(r.Left, c.left) << c.w << "x" << c.h;
        EXPECT_EQ(r.Top, c.top) << c.w << "x" << c.h;
        EXPECT_EQ(r.Right, c.right) << c.w << "x" << c.h;
        EXPECT_EQ(r.Bottom, c.bottom) << c.w << "x" << c.h;
    }
}

TEST(PrintLayout, TheScaleIsAPowerOfTwoThatKeepsThePictureInsideThePage) {
    for (int w = 1; w < 700; w += 37)
        for (int h = 1; h < 900; h += 53) {
            const PrintRectangle r = printRectangle(w, h, 4960, 7016);
            const int k = r.width() / w;
            ASSERT_EQ(r.width(), k * w);
            ASSERT_EQ(r.height(), k * h);
            ASSERT_EQ(k & (k - 1), 0) << "scale " << k;
            ASSERT_LE(r.width(), 4960);
            ASSERT_LE(r.height(), 7016);
            // One more doubling would have been allowed only if both were
            // still below half the page.
            ASSERT_FALSE(r.height() < 7016 / 2 && r.width() < 4960 / 2);
            ASSERT_EQ(r.Left, (4960 - r.width()) / 2);
            ASSERT_EQ(r.Top, (7016 - r.height()) / 2);
        }
}
