#include <gtest/gtest.h>

#include <cstring>

#include "core/picture.h"

using jollix::Picture;

TEST(Picture, PixelsRoundTripAndOutsideWritesAreIgnored) {
    Picture p(130, 70, 0x112233);
    EXPECT_EQ(p.pixel(129, 69), 0x112233u);
    p.setPixel(64, 64, 0xABCDEF);
    p.setPixel(-1, 0, 0);
    p.setPixel(130, 0, 0);
    p.setPixel(0, 70, 0);
    EXPECT_EQ(p.pixel(64, 64), 0xABCDEFu);
    const uint8_t* b = p.pixelPtr(64, 64);
    EXPECT_EQ(b[0], 0xAB);  // blue first
    EXPECT_EQ(b[2], 0xEF);  // red last
    EXPECT_EQ(p.pixel(0, 0), 0x112233u);
}

TEST(Picture, CopySharesTilesUntilWritten) {
    Picture a(300, 200, 0);
    a.setPixel(0, 0, 1);           // make the tiles distinct from the fill block
    for (int ty = 0; ty < a.tilesY(); ++ty)
        for (int tx = 0; tx < a.tilesX(); ++tx) a.mutableTile(tx, ty);
    Picture b = a;
    EXPECT_EQ(b.sharedTileCount(a), a.tileCount());
    b.setPixel(150, 100, 0xFFFFFF);
    EXPECT_EQ(b.sharedTileCount(a), a.tileCount() - 1);
    EXPECT_EQ(a.pixel(150, 100), 0u);
    EXPECT_NE(a, b);
}

TEST(Picture, FlatRoundTripAcrossTileEdges) {
    const int w = 131, h = 67;
    std::vector<uint8_t> flat(size_t(w) * h * 3);
    for (size_t i = 0; i < flat.size(); ++i) flat[i] = uint8_t(i * 7 + 3);
    Picture p = Picture::fromFlat(w, h, flat.data(), size_t(w) * 3);
    EXPECT_EQ(p.toFlat(), flat);
    std::vector<uint8_t> span(10 * 3);
    p.readRowSpan(66, 60, 10, span.data());
    EXPECT_EQ(0, std::memcmp(span.data(), flat.data() + (size_t(66) * w + 60) * 3, span.size()));
}
