#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/picture.h"
#include "core/tiles.h"

using jollix::Picture;

TEST(Picture, PixelsRoundTripAndOutsideWritesAreIgnored) {
    Picture p(130, 70, 0x112233);
    EXPECT_EQ(p.pixel(129, 69), 0x112233u);
    p.setPixel(64, 64, 0xABCDEF);
    p.setPixel(-1, 0, 0);
    p.setPixel(130, 0, 0);
    p.setPixel(0, 70, 0);
    EXPECT_EQ(p.pixel(64, 64), 0xABCDEFu);
    const uint8_t* b = jollix::TileReader(p).at(64, 64);
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

// The reader and the writer against a flat copy: every pixel, tile rows in
// place, and runs of a row that start, end and cross tile edges.
TEST(Tiles, ReaderAndWriterAgreeWithAFlatPictureAcrossTileEdges) {
    using jollix::TileReader;
    using jollix::TileWriter;
    const int w = 131, h = 67;
    std::vector<uint8_t> flat(size_t(w) * h * 3);
    for (size_t i = 0; i < flat.size(); ++i) flat[i] = uint8_t(i * 7 + 3);
    const Picture p = Picture::fromFlat(w, h, flat.data(), size_t(w) * 3);
    const TileReader reader(p);
    ASSERT_EQ(reader.width(), w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* f = &flat[(size_t(y) * w + x) * 3];
            ASSERT_EQ(0, std::memcmp(reader.at(x, y), f, 3)) << x << "," << y;
            ASSERT_EQ(reader.colour(x, y), uint32_t(f[2]) | uint32_t(f[1]) << 8 | uint32_t(f[0]) << 16);
            ASSERT_EQ(reader.tileRow(x / Picture::kTile, y) + (x % Picture::kTile) * 3, reader.at(x, y));
        }
    for (const auto& [x, y] : {std::pair{-1, 0}, std::pair{w, 0}, std::pair{0, -1}, std::pair{0, h}})
        EXPECT_EQ(reader.colour(x, y), 0u) << x << "," << y;
    const struct {
        int y, x0, count;
    } runs[] = {{0, 0, w}, {66, 60, 10}, {5, 63, 2}, {33, 64, 64}, {1, 130, 1}, {2, 7, 0}};
    for (const auto& r : runs) {
        SCOPED_TRACE(testing::Message() << "row " << r.y << " from " << r.x0 << ", " << r.count << " pixels");
        std::vector<uint8_t> run(size_t(r.count) * 3 + 1, 0xEE);
        reader.copyRow(r.y, r.x0, r.count, run.data());
        EXPECT_EQ(0, std::memcmp(run.data(), &flat[(size_t(r.y) * w + r.x0) * 3], size_t(r.count) * 3));
        EXPECT_EQ(run.back(), 0xEE) << "wrote past the run";

        // Written into a copy: just those pixels change, the original keeps
        // its own, and the copy still shares the tiles the run missed.
        Picture q = p;
        TileWriter writer(q);
        std::vector<uint8_t> ones(size_t(r.count) * 3, 1);
        writer.putRow(r.y, r.x0, r.count, ones.data());
        for (int x = 0; x < w; ++x) {
            const bool inRun = x >= r.x0 && x < r.x0 + r.count;
            EXPECT_EQ(q.pixel(x, r.y), inRun ? 0x010101u : p.pixel(x, r.y)) << x;
        }
        EXPECT_EQ(TileReader(p).colour(r.x0, r.y), reader.colour(r.x0, r.y));
        const size_t tilesTouched =
            r.count ? size_t((r.x0 + r.count - 1) / Picture::kTile - r.x0 / Picture::kTile + 1) : 0;
        EXPECT_EQ(q.sharedTileCount(p), p.tileCount() - tilesTouched);
    }
    // Single pixels through the writer: inside set, outside ignored.
    Picture q = p;
    TileWriter writer(q);
    writer.setColour(64, 64, 0xABCDEF);
    writer.setColour(-1, 3, 0);
    writer.setColour(w, 3, 0);
    writer.at(0, 0)[0] = 9;
    EXPECT_EQ(q.pixel(64, 64), 0xABCDEFu);
    EXPECT_EQ(q.pixel(0, 0) >> 16, 9u);
    EXPECT_EQ(q.sharedTileCount(p), p.tileCount() - 2);
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
