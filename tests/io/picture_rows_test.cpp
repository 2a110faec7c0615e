// The decoders' row writer: rows given in any order, in every orientation,
// make the same picture as turning the stored picture afterwards.
#include <gtest/gtest.h>

#include "io/decode_util.h"
#include "io/picture_rows.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::io_detail;
using namespace jollix::test;

TEST(PictureRows, EveryOrientationMatchesTurningAfterwards) {
    // Sides across tile edges, rows written bottom first.
    for (const auto& [w, h] : {std::pair{70, 130}, std::pair{129, 3}, std::pair{1, 65}}) {
        const Picture stored = samplePicture(w, h, 3);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            PictureRows rows(w, h, orientation);
            std::vector<uint8_t> row(size_t(w) * 3);
            const TileReader reader(stored);
            for (int y = h - 1; y >= 0; --y) {
                reader.copyRow(y, 0, w, row.data());
                rows.bgr(y, row.data());
            }
            EXPECT_TRUE(rows.take() == orientPicture(stored, orientation)) << w << "x" << h << " " << orientation;
        }
    }
}

TEST(PictureRows, SpansAndChannelOrdersLandWhereTheyBelong) {
    for (int orientation : {1, 3, 6, 8}) {
        PictureRows rows(5, 4, orientation, 0xFFFFFF);
        const uint8_t rgb[15] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3, 4, 5, 6};
        const uint8_t rgba[20] = {10, 20, 30, 255, 40, 50, 60, 0, 70, 80, 90, 128, 1, 2, 3, 255, 4, 5, 6, 255};
        const uint8_t span[6] = {7, 8, 9, 11, 12, 13};  // blue, green, red
        rows.rgb(0, rgb);
        rows.rgbOnWhite(1, rgba, 4);
        rows.bgrSpan(3, 1, 2, span);
        Picture expected(5, 4, 0xFFFFFF);
        for (int x = 0; x < 5; ++x) {
            expected.setPixel(x, 0, rgb[3 * x] | rgb[3 * x + 1] << 8 | rgb[3 * x + 2] << 16);
            const uint8_t* p = rgba + 4 * x;
            expected.setPixel(x, 1, onWhite(p[0], p[3]) | onWhite(p[1], p[3]) << 8 | onWhite(p[2], p[3]) << 16);
        }
        expected.setPixel(1, 3, 0x070809);
        expected.setPixel(2, 3, 0x0B0C0D);
        EXPECT_TRUE(rows.take() == orientPicture(expected, orientation)) << orientation;
        EXPECT_EQ(expected.pixel(1, 1), 0xFFFFFFu);  // alpha 0 is white
    }
}
