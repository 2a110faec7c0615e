// The whole-picture effects build their results tile by tile: tiles that
// come out blank share one block, tiles the clean-up leaves as they were
// share the source's, and every other tile is the result's own. The
// pixels themselves are checked by each effect's own tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "core/picture.h"
#include "effect_test_util.h"
#include "effects/pen_sketch.h"
#include "effects/pencil_sketch.h"
#include "effects/spot_cleanup.h"

using namespace jollix;

namespace {

// How many different blocks hold the picture's tiles.
size_t blockCount(const Picture& p) {
    std::set<const uint8_t*> blocks;
    for (int ty = 0; ty < p.tilesY(); ++ty)
        for (int tx = 0; tx < p.tilesX(); ++tx) blocks.insert(p.tile(tx, ty));
    return blocks.size();
}

// A 300 x 200 picture (5 x 4 tiles), `colour` everywhere but in a dark
// square over pixels 70 .. 89 of both axes (all inside tile (1, 1)).
Picture withSquare(uint32_t colour) {
    return effects_test::makePicture(
        300, 200, [&](int x, int y) { return x >= 70 && x < 90 && y >= 70 && y < 90 ? 0x101010u : colour; });
}

}  // namespace

TEST(SketchTiles, BlankTilesShareOneBlock) {
    struct Case {
        const char* what;
        std::function<Picture()> run;
        size_t blocks;  // of the 5 x 4 tiles
    };
    const Case cases[] = {
        // Black everywhere: the inverted border is white too.
        {"edge picture of black", [] { return edgePicture(Picture(300, 200, 0)); }, 1},
        // The square's edges make tile (1, 1) and nothing else.
        {"edge picture of black with a square", [] { return edgePicture(withSquare(0)); }, 2},
        // A grey border is not white: the 14 tiles along the border are
        // their own, the 6 inside share one block.
        {"edge picture of grey", [] { return edgePicture(Picture(300, 200, 0x808080)); }, 15},
        {"pen sketch of white", [] { return penSketch(Picture(300, 200, 0xFFFFFF), 150); }, 1},
        {"pen sketch of white with a square", [] { return penSketch(withSquare(0xFFFFFF), 150); }, 2},
        // All black is not the blank colour: every tile its own.
        {"pen sketch of black", [] { return penSketch(Picture(300, 200, 0), 150); }, 20},
        {"pencil sketch of white", [] { return pencilSketch(Picture(300, 200, 0xFFFFFF), 40); }, 1},
        {"pencil sketch of white with a square", [] { return pencilSketch(withSquare(0xFFFFFF), 40); }, 2},
    };
    for (const Case& c : cases) {
        const Picture out = c.run();
        EXPECT_EQ(blockCount(out), c.blocks) << c.what;
    }
}

TEST(SketchTiles, CleanUpSharesTheTilesItLeavesAsTheyWere) {
    struct Case {
        const char* what;
        std::function<void(Picture&)> draw;
        size_t changed;  // tiles of the 5 x 4 that the clean-up changes
    };
    const Case cases[] = {
        {"nothing to clean", [](Picture&) {}, 0},
        {"a thick square stays",
         [](Picture& p) {
             for (int y = 70; y < 90; ++y)
                 for (int x = 70; x < 90; ++x) p.setPixel(x, y, 0);
         },
         1},  // only its corners go, all in tile (1, 1)
        {"a speck inside a tile", [](Picture& p) { p.setPixel(100, 100, 0); }, 1},
        // A speck on a tile's last column: the tile to its right reads it
        // but does not change.
        {"a speck on a tile's edge", [](Picture& p) { p.setPixel(127, 100, 0); }, 1},
        {"specks in two tiles",
         [](Picture& p) {
             p.setPixel(10, 10, 0);
             p.setPixel(290, 190, 0);
         },
         2},
        // Specks on the border stay, so nothing changes.
        {"specks on the border",
         [](Picture& p) {
             p.setPixel(0, 100, 0);
             p.setPixel(299, 0, 0);
         },
         0},
    };
    for (const Case& c : cases) {
        Picture src(300, 200, 0xFFFFFF);
        for (int ty = 0; ty < src.tilesY(); ++ty)
            for (int tx = 0; tx < src.tilesX(); ++tx) src.mutableTile(tx, ty);
        c.draw(src);
        const Picture out = clearUpSpots(src);
        EXPECT_EQ(out.sharedTileCount(src), src.tileCount() - c.changed) << c.what;
    }
}

TEST(SketchTiles, EdgesAcrossTileBordersFollowTheRuleAtEverySize) {
    // Widths and heights just around whole tiles, so that a last tile one
    // or two pixels wide or high meets every neighbour rule.
    for (auto [w, h] : {std::pair{3, 3},
                        {63, 65},
                        {64, 64},
                        {65, 129},
                        {66, 3},
                        {129, 66},
                        {130, 130},
                        {1, 70},
                        {2, 70},
                        {70, 1},
                        {70, 2}}) {
        const Picture src = effects_test::noisePicture(w, h, uint32_t(w * 1000 + h));
        const Picture edge = edgePicture(src);
        auto at = [&](int x, int y, int k) { return int(src.pixelPtr(x, y)[k]); };
        long bad = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int k = 0; k < 3; ++k) {
                    int v = at(x, y, k);  // the border keeps its colour, inverted
                    if (x > 0 && y > 0 && x < w - 1 && y < h - 1) {
                        // Sums over the columns left (-1) and right (+1)
                        // and over the rows above (-1) and below (+1).
                        auto column = [&](int dx, int middle) {
                            return at(x + dx, y - 1, k) + middle * at(x + dx, y, k) + at(x + dx, y + 1, k);
                        };
                        auto row = [&](int dy) {
                            return at(x - 1, y + dy, k) + at(x, y + dy, k) + at(x + 1, y + dy, k);
                        };
                        const int rightMinusLeft = column(1, 2) - column(-1, 2);
                        const int belowMinusAbove = row(1) - row(-1);
                        const int leftMinusRight = column(-1, 1) - column(1, k == 1 ? 2 : 1);
                        v = std::clamp(std::max({rightMinusLeft, belowMinusAbove, leftMinusRight}), 0, 255);
                    }
                    bad += edge.pixelPtr(x, y)[k] != 255 - v;
                }
        EXPECT_EQ(bad, 0) << w << "x" << h;
    }
}
