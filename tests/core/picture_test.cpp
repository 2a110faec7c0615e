#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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
    a.setPixel(0, 0, 1);  // make the tiles distinct from the fill block
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

TEST(Picture, UnwrittenPicturesOwnEveryTileAndShareTileSharesOneBlock) {
    struct Case {
        int w, h, tilesX, tilesY;
    } cases[] = {{1, 1, 1, 1}, {64, 64, 1, 1}, {65, 130, 2, 3}, {200, 3, 4, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        Picture p = Picture::unwritten(c.w, c.h);
        ASSERT_EQ(p.width(), c.w);
        ASSERT_EQ(p.tilesX(), c.tilesX);
        ASSERT_EQ(p.tilesY(), c.tilesY);
        // Every tile is its own block: writing one clones nothing, and no
        // two tiles are the same block.
        std::vector<const uint8_t*> blocks;
        for (int ty = 0; ty < p.tilesY(); ++ty)
            for (int tx = 0; tx < p.tilesX(); ++tx) {
                const uint8_t* before = p.tile(tx, ty);
                EXPECT_EQ(p.mutableTile(tx, ty), before);
                blocks.push_back(before);
            }
        std::sort(blocks.begin(), blocks.end());
        EXPECT_EQ(std::unique(blocks.begin(), blocks.end()), blocks.end());
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) p.setPixel(x, y, uint32_t(x * 7 + y * 131));
        for (int y = 0; y < c.h; ++y)
            for (int tx = 0; tx < p.tilesX(); ++tx) EXPECT_EQ(p.tileRow(tx, y), p.pixelPtr(tx * Picture::kTile, y));

        // A tile that takes another picture's block shows that picture's
        // pixels; the first write to it clones it and leaves the other alone.
        const Picture grey(130, 70, 0x808080);
        const Picture greyBefore = grey;
        p.shareTile(0, 0, grey, 1, 1);
        EXPECT_EQ(p.tile(0, 0), grey.tile(1, 1));
        EXPECT_EQ(p.pixel(0, 0), 0x808080u);
        p.setPixel(0, 0, 0x123456);
        EXPECT_NE(p.tile(0, 0), grey.tile(1, 1));
        EXPECT_EQ(p.pixel(0, 0), 0x123456u);
        EXPECT_EQ(grey, greyBefore);
    }
    EXPECT_TRUE(Picture::unwritten(0, 5).isEmpty());
}
