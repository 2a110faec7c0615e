// One stored fingerprint per effect at fixed parameters on the built-in
// start picture. The exactness tests compare fast paths with plain
// evaluations written alongside them; these catch a drift that both would
// share. A change here means every user's pictures come out different:
// only ever update a value for a deliberate change of an effect.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "effects/start_picture.h"
#include "effects/brushes/axis_stretch.h"
#include "effects/pen_sketch.h"
#include "effects/pencil_sketch.h"
#include "effects/resample.h"
#include "effects/brushes/smear.h"
#include "effects/brushes/spherical.h"
#include "effects/rubber.h"
#include "effects/spot_cleanup.h"
#include "effects/brushes/twist.h"

using namespace jollix;

namespace {

// 64-bit FNV-1a over the size and every pixel's bytes, rows top first.
uint64_t fingerprint(const Picture& p) {
    uint64_t h = 1469598103934665603ull;
    auto add = [&](uint8_t byte) {
        h ^= byte;
        h *= 1099511628211ull;
    };
    for (int v : {p.width(), p.height()})
        for (int k = 0; k < 4; ++k) add(uint8_t(v >> (8 * k)));
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const uint8_t* q = p.pixelPtr(x, y);
            add(q[0]);
            add(q[1]);
            add(q[2]);
        }
    return h;
}

// Writes the picture as a binary PPM (red, green, blue) for a look at what
// an effect gave; returns the file's path.
std::string writeForInspection(const Picture& p, const std::string& name) {
    std::string file = name;
    for (char& c : file)
        if (!std::isalnum((unsigned char)c)) c = '-';
    const std::string path = ::testing::TempDir() + "jollix-fingerprint-" + file + ".ppm";
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << p.width() << " " << p.height() << "\n255\n";
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const uint8_t* q = p.pixelPtr(x, y);
            const char rgb[3] = {char(q[2]), char(q[1]), char(q[0])};
            out.write(rgb, 3);
        }
    return path;
}

}  // namespace

TEST(EffectFingerprints, EveryEffectGivesTheStoredPictureFromTheStartPicture) {
    const Picture start = startPicture();
    const Picture edge = edgePicture(start);
    struct Case {
        const char* effect;
        std::function<Picture()> run;
        uint64_t want;
    };
    const Case cases[] = {
        {"spherical expand", [&] { return sphericalExpand(start, 300, 230, 150, 60); }, 0x9024ba003757836dull},
        {"spherical shrink", [&] { return sphericalShrink(start, 300, 230, 150, 60); }, 0xc3775f5ba5454d3dull},
        {"vertical expand", [&] { return verticalExpand(start, 280, 200, 140, 50); }, 0x2d8761dafa7fb2ceull},
        {"vertical shrink", [&] { return verticalShrink(start, 280, 200, 140, 50); }, 0x4a2481db6e3ca08full},
        {"horizontal expand", [&] { return horizontalExpand(start, 320, 250, 140, 50); }, 0xea88efb196c631c3ull},
        {"horizontal shrink", [&] { return horizontalShrink(start, 320, 250, 140, 50); }, 0xff1b1a4a1892374aull},
        {"dextrorotary twist", [&] { return twistClockwise(start, 300, 230, 200, 40); }, 0x1be8bdf33f739cecull},
        {"levorotary twist", [&] { return twistAnticlockwise(start, 300, 230, 200, 40); }, 0x4e735a5e3680617aull},
        {"smear, diagonal", [&] { return smear(start, 250, 200, 310, 280, 90); }, 0xd90d7a19acfac2e9ull},
        {"smear, straight", [&] { return smear(start, 250, 200, 250, 150, 90); }, 0xaa08072c48834201ull},
        {"edge picture", [&] { return edge; }, 0x363583b5aa8ed404ull},
        {"pen", [&] { return penSketch(edge, 128); }, 0xf9c94177efceebc2ull},
        {"pencil", [&] { return pencilSketch(edge, 30); }, 0x2342cf65fb70386ull},
        {"clean-up", [&] { return clearUpSpots(penSketch(edge, 128)); }, 0x880741093cda5866ull},
        {"resize smaller", [&] { return resampleArea(start, 242, 170); }, 0xd90f41737ff2f0e9ull},
        {"resize larger", [&] { return resampleArea(start, 1210, 1000); }, 0xc759361263dd969aull},
        {"rubber", [&] { return rubberDisc(start, 200, 150, 60); }, 0x337d8e12ab7d2d53ull},
    };
    for (const Case& c : cases) {
        const Picture picture = c.run();
        const uint64_t got = fingerprint(picture);
        EXPECT_EQ(got, c.want) << c.effect << std::hex << ": 0x" << got;
        if (got != c.want) std::cout << "  the picture is in " << writeForInspection(picture, c.effect) << "\n";
    }
}
