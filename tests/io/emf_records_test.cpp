// Enhanced metafiles made record by record, as drawing programs and office
// suites write them, each checked at chosen pixels of the picture drawn.
// The pictures are 96 x 96 pixels with a frame of exactly one inch, so that
// the reference device's pixels are picture pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"
#include "metafile_builder.h"

using namespace jollix;
using namespace jollix::test;

namespace {

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF, kBlack = 0;

// The fields of one record after its type and size.
struct Fields {
    std::string bytes;
    Fields& u(uint32_t v) {
        put32(bytes, v);
        return *this;
    }
    Fields& i(int32_t v) { return u(uint32_t(v)); }
    Fields& f(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return u(bits);
    }
    Fields& rect(int32_t l, int32_t t, int32_t r, int32_t b) { return i(l).i(t).i(r).i(b); }
    Fields& raw(const std::string& s) {
        bytes += s;
        while (bytes.size() % 4) bytes.push_back('\0');
        return *this;
    }
};

EmfBuilder inch() { return EmfBuilder(95, 95, 2540, 2540); }

// A 24-bit bottom-up bitmap of w x h pixels, colours given top row first.
std::string dib(int w, int h, const std::vector<uint32_t>& colours) {
    std::string out;
    const uint32_t stride = (uint32_t(w) * 3 + 3) & ~3u;
    put32(out, 40), put32(out, uint32_t(w)), put32(out, uint32_t(h));
    put16(out, 1), put16(out, 24);
    put32(out, 0), put32(out, stride * uint32_t(h)), put32(out, 0), put32(out, 0), put32(out, 0), put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const uint32_t c = colours[size_t(y * w + x)];
            row.push_back(char((c >> 16) & 0xFF));
            row.push_back(char((c >> 8) & 0xFF));
            row.push_back(char(c & 0xFF));
        }
        row.resize(stride, '\0');
        out += row;
    }
    return out;
}

// StretchDIBits of the bitmap onto (x, y, w, h); the source rectangle is
// the whole bitmap unless given (its y counted from the bottom row).
struct Source {
    int x = 0, y = 0, w = 0, h = 0;
};
EmfBuilder& stretchDib(EmfBuilder& e, int32_t x, int32_t y, int32_t w, int32_t h, int bw, int bh,
                       const std::vector<uint32_t>& colours, uint32_t rop = 0x00CC0020, Source s = {}) {
    const std::string bitmap = dib(bw, bh, colours);
    if (s.w == 0) s = Source{0, 0, bw, bh};
    Fields f;
    f.rect(0, 0, 0, 0).i(x).i(y).i(s.x).i(s.y).i(s.w).i(s.h);
    f.u(80).u(40).u(120).u(uint32_t(bitmap.size() - 40)).u(0).u(rop).i(w).i(h);
    return e.rawRecord(81, f.raw(bitmap).bytes);
}

// BitBlt (stretch = false) or StretchBlt of a bitmap onto (x, y, w, h).
EmfBuilder& blt(EmfBuilder& e, bool stretch, int32_t x, int32_t y, int32_t w, int32_t h, int bw, int bh,
                const std::vector<uint32_t>& colours) {
    const std::string bitmap = dib(bw, bh, colours);
    const uint32_t at = stretch ? 108 : 100;
    Fields f;
    f.rect(0, 0, 0, 0).i(x).i(y).i(w).i(h).u(0x00CC0020).i(0).i(0);
    f.f(1).f(0).f(0).f(1).f(0).f(0).u(0).u(0);
    f.u(at).u(40).u(at + 40).u(uint32_t(bitmap.size() - 40));
    if (stretch) f.i(bw).i(bh);
    return e.rawRecord(stretch ? 77 : 76, f.raw(bitmap).bytes);
}

// AlphaBlend of a whole bitmap (a DIB of its own making) onto (x, y, w, h),
// at the constant opacity, through the bitmap's alpha when perPixel.
EmfBuilder& alphaBlend(EmfBuilder& e, int32_t x, int32_t y, int32_t w, int32_t h, const std::string& bitmap, int bw,
                       int bh, unsigned opacity, bool perPixel) {
    Fields f;
    f.rect(0, 0, 0, 0).i(x).i(y).i(w).i(h).u((opacity << 16) | (perPixel ? 1u << 24 : 0)).i(0).i(0);
    f.f(1).f(0).f(0).f(1).f(0).f(0).u(0).u(0);
    f.u(108).u(40).u(148).u(uint32_t(bitmap.size() - 40)).i(bw).i(bh);
    return e.rawRecord(114, f.raw(bitmap).bytes);
}

// A 32-bit top-down bitmap of premultiplied blue, green, red, alpha bytes.
std::string dib32(int w, int h, const std::vector<uint32_t>& bgra) {
    std::string out;
    put32(out, 40), put32(out, uint32_t(w)), put32(out, uint32_t(-h));
    put16(out, 1), put16(out, 32);
    put32(out, 0), put32(out, uint32_t(w * h * 4)), put32(out, 0), put32(out, 0), put32(out, 0), put32(out, 0);
    for (uint32_t p : bgra) put32(out, p);
    return out;
}

uint32_t packed(int16_t x, int16_t y) { return uint32_t(uint16_t(x)) | (uint32_t(uint16_t(y)) << 16); }

// A font of the given height (negative: the characters' height).
EmfBuilder& font(EmfBuilder& e, uint32_t index, int32_t height) {
    Fields f;
    f.u(index).i(height).i(0).i(0).i(0).i(700).u(0).u(0);
    std::string face = "DejaVu Sans";
    std::string wide;
    for (char c : face) wide += std::string{c, '\0'};
    wide.resize(64, '\0');
    return e.rawRecord(82, f.raw(wide).bytes);
}

EmfBuilder& textOut(EmfBuilder& e, int32_t x, int32_t y, const std::string& text, uint32_t options = 0,
                    Fields box = Fields().rect(0, 0, 0, 0)) {
    std::string wide;
    for (char c : text) wide += std::string{c, '\0'};
    while (wide.size() % 4) wide.push_back('\0');
    Fields f;
    f.rect(0, 0, 0, 0).u(1).f(1).f(1);
    f.i(x).i(y).u(uint32_t(text.size())).u(76).u(options).raw(box.bytes).u(0);
    return e.rawRecord(84, f.raw(wide).bytes);
}

Picture emf(const std::string& bytes) { return decodeEmf(u8(bytes), bytes.size()); }

struct Probe {
    int x, y;
    uint32_t colour;
};

struct DrawCase {
    const char* what;
    std::string bytes;
    std::vector<Probe> probes;
};

}  // namespace

TEST(EmfRecords, ShapesPensAndBrushesLandOnTheirPixels) {
    const uint32_t nullPen = 0x80000008, blackBrush = 0x80000004;
    auto nestedSquares = [&](bool winding) {
        EmfBuilder e = inch();
        e.brush(1, kBlue).select(1).select(nullPen).record(19, {winding ? 2u : 1u});
        return e
            .record(91, {0, 0, 0, 0, 2, 8, 4, 4, packed(10, 10), packed(90, 10), packed(90, 90), packed(10, 90),
                         packed(30, 30), packed(70, 30), packed(70, 70), packed(30, 70)})
            .bytes();
    };
    const DrawCase cases[] = {
        // A rectangle covers its left and top edges, not its right and
        // bottom ones.
        {"rectangle",
         inch().brush(1, kRed).select(1).select(nullPen).rectangle(10, 10, 30, 20).bytes(),
         {{10, 10, kRed}, {29, 19, kRed}, {30, 19, kWhite}, {29, 20, kWhite}, {9, 10, kWhite}, {10, 9, kWhite}}},
        // The default pen is black and one pixel wide, the brush white.
        {"default pen and brush",
         inch().rectangle(10, 10, 30, 20).bytes(),
         {{10, 15, kBlack}, {20, 10, kBlack}, {20, 15, kWhite}, {9, 15, kWhite}}},
        {"stock black brush",
         inch().select(blackBrush).select(nullPen).rectangle(10, 10, 30, 20).bytes(),
         {{20, 15, kBlack}, {40, 15, kWhite}}},
        {"ellipse",
         inch().brush(1, kBlue).select(1).select(nullPen).ellipse(20, 20, 80, 60).bytes(),
         {{50, 40, kBlue}, {22, 22, kWhite}, {78, 40, kBlue}, {50, 58, kBlue}}},
        {"round rectangle",
         inch().brush(1, kGreen).select(1).select(nullPen).record(44, {10, 10, 90, 90, 40, 40}).bytes(),
         {{50, 50, kGreen}, {11, 11, kWhite}, {50, 11, kGreen}, {11, 50, kGreen}}},
        {"16-bit triangle",
         inch()
             .brush(1, kRed)
             .select(1)
             .select(nullPen)
             .record(86, {0, 0, 0, 0, 3, packed(0, 0), packed(90, 0), packed(0, 90)})
             .bytes(),
         {{20, 20, kRed}, {80, 80, kWhite}, {5, 80, kRed}}},
        {"32-bit triangle",
         inch().brush(1, kRed).select(1).select(nullPen).record(3, {0, 0, 0, 0, 3, 0, 0, 90, 0, 0, 90}).bytes(),
         {{20, 20, kRed}, {80, 80, kWhite}}},
        // Two nested squares drawn the same way round: alternate filling
        // leaves the inner one empty, winding fills it.
        {"poly-polygon, alternate", nestedSquares(false), {{20, 20, kBlue}, {50, 50, kWhite}}},
        {"poly-polygon, winding", nestedSquares(true), {{20, 20, kBlue}, {50, 50, kBlue}}},
        // A pen 5 units wide along y = 50.
        {"wide pen polyline",
         inch()
             .record(38, {1, 0, 5, 0, kRed})
             .select(1)
             .record(87, {0, 0, 0, 0, 2, packed(10, 50), packed(90, 50)})
             .bytes(),
         {{50, 48, kRed}, {50, 52, kRed}, {50, 55, kWhite}, {50, 45, kWhite}}},
        {"move and line",
         inch().record(38, {1, 0, 0, 0, kRed}).select(1).record(27, {20, 30}).record(54, {80, 30}).bytes(),
         {{50, 30, kRed}, {50, 31, kWhite}, {15, 30, kWhite}}},
        {"polyline from the current position",
         inch()
             .record(38, {1, 0, 0, 0, kRed})
             .select(1)
             .record(27, {10, 70})
             .record(89, {0, 0, 0, 0, 1, packed(90, 70)})
             .bytes(),
         {{12, 70, kRed}, {88, 70, kRed}}},
        // From the top of the circle anticlockwise to its bottom: the left
        // half.
        {"pie",
         inch().brush(1, kRed).select(1).select(nullPen).record(47, {10, 10, 90, 90, 50, 10, 50, 90}).bytes(),
         {{30, 50, kRed}, {70, 50, kWhite}}},
        {"pie, clockwise",
         inch()
             .brush(1, kRed)
             .select(1)
             .select(nullPen)
             .record(57, {2})
             .record(47, {10, 10, 90, 90, 50, 10, 50, 90})
             .bytes(),
         {{30, 50, kWhite}, {70, 50, kRed}}},
        {"chord",
         inch().brush(1, kRed).select(1).select(nullPen).record(46, {10, 10, 90, 90, 90, 50, 10, 50}).bytes(),
         {{50, 30, kRed}, {50, 70, kWhite}}},
        {"set pixel", inch().record(15, {40, 41, kGreen}).bytes(), {{40, 41, kGreen}, {41, 41, kWhite}}},
        // A path of a triangle, filled.
        {"path filled",
         inch()
             .brush(1, kGreen)
             .select(1)
             .select(nullPen)
             .record(59, {})
             .record(27, {10, 10})
             .record(54, {90, 10})
             .record(54, {10, 90})
             .record(61, {})
             .record(60, {})
             .record(62, {0, 0, 0, 0})
             .bytes(),
         {{20, 20, kGreen}, {80, 80, kWhite}}},
        // An arc of an empty box continues a path with nothing.
        {"empty arc in a path",
         inch()
             .brush(1, kGreen)
             .select(1)
             .select(nullPen)
             .record(59, {})
             .record(27, {10, 10})
             .record(55, {40, 40, 40, 40, 0, 0, 1, 1})
             .record(54, {90, 10})
             .record(54, {10, 90})
             .record(60, {})
             .record(62, {0, 0, 0, 0})
             .bytes(),
         {{20, 20, kGreen}}},
        // Nothing is drawn while a path is being defined.
        {"path not filled",
         inch().brush(1, kGreen).select(1).record(59, {}).rectangle(10, 10, 90, 90).record(60, {}).bytes(),
         {{50, 50, kWhite}}},
        // Save, change the brush, restore: the first brush again.
        {"save and restore",
         inch()
             .brush(1, kRed)
             .brush(2, kBlue)
             .select(1)
             .select(nullPen)
             .record(33, {})
             .select(2)
             .record(34, {uint32_t(-1)})
             .rectangle(10, 10, 90, 90)
             .bytes(),
         {{50, 50, kRed}}},
        // A deleted object can no longer be selected.
        {"deleted brush",
         inch()
             .brush(1, kRed)
             .brush(2, kBlue)
             .select(1)
             .select(nullPen)
             .record(40, {2})
             .select(2)
             .rectangle(10, 10, 90, 90)
             .bytes(),
         {{50, 50, kRed}}},
        // Valid records the reader does not draw are passed over.
        {"records passed over",
         inch()
             .record(70, {4, 0x12345678})
             .record(118, {0, 0, 0, 0, 0, 0, 0})
             .brush(1, kRed)
             .select(1)
             .select(nullPen)
             .rectangle(10, 10, 20, 20)
             .bytes(),
         {{15, 15, kRed}}},
    };
    for (const DrawCase& c : cases) {
        const Picture p = emf(c.bytes);
        ASSERT_EQ(p.width(), 96) << c.what;
        ASSERT_EQ(p.height(), 96) << c.what;
        for (const Probe& at : c.probes)
            EXPECT_EQ(p.pixel(at.x, at.y), at.colour) << c.what << " at " << at.x << ", " << at.y;
    }
}

TEST(EmfRecords, MappingModesTransformsAndClipping) {
    const uint32_t nullPen = 0x80000008;
    auto red = [] {
        EmfBuilder e = inch();
        e.brush(1, kRed).select(1).select(0x80000008);
        return e;
    };
    const DrawCase cases[] = {
        // 1000 x 1000 logical units onto 100 x 100 device pixels.
        {"anisotropic",
         red().record(17, {8}).record(9, {1000, 1000}).record(11, {100, 100}).rectangle(200, 200, 400, 300).bytes(),
         {{25, 25, kRed}, {39, 29, kRed}, {41, 25, kWhite}, {25, 31, kWhite}}},
        // Isotropic keeps units square: the smaller scale (x) wins.
        {"isotropic",
         red().record(17, {7}).record(9, {100, 100}).record(11, {50, 90}).rectangle(0, 0, 100, 100).bytes(),
         {{25, 25, kRed}, {25, 49, kRed}, {25, 60, kWhite}, {60, 25, kWhite}}},
        {"window and viewport origins",
         red().record(17, {8}).record(10, {100, 100}).record(12, {10, 10}).rectangle(100, 100, 120, 120).bytes(),
         {{15, 15, kRed}, {5, 5, kWhite}, {35, 35, kWhite}}},
        // Tenths of a millimetre, y upwards: 10 mm from the left edge,
        // 10 to 20 mm down the page (37.8 to 75.6 pixels).
        {"lometric",
         red().record(17, {2}).rectangle(0, -100, 100, -200).bytes(),
         {{20, 56, kRed}, {20, 30, kWhite}, {20, 80, kWhite}, {45, 56, kWhite}}},
        // World transform: scale by 2 and move by (10, 0).
        {"world scale",
         red().record(35, {0x40000000, 0, 0, 0x40000000, 0x41200000, 0}).rectangle(10, 10, 20, 20).bytes(),
         {{35, 25, kRed}, {49, 39, kRed}, {51, 25, kWhite}, {25, 25, kWhite}}},
        // A quarter turn: (x, y) -> (-y, x), then 96 to the right.
        {"world quarter turn",
         red().record(35, {0, 0x3F800000, 0xBF800000, 0, 0x42C00000, 0}).rectangle(10, 10, 30, 20).bytes(),
         {{80, 20, kRed}, {20, 15, kWhite}}},
        // Modify: an identity reset after a scale.
        {"world reset",
         red()
             .record(35, {0x40000000, 0, 0, 0x40000000, 0, 0})
             .record(36, {0x3F800000, 0, 0, 0x3F800000, 0, 0, 1})
             .rectangle(10, 10, 20, 20)
             .bytes(),
         {{15, 15, kRed}, {30, 30, kWhite}}},
        {"intersect clip",
         red().record(30, {20, 20, 40, 40}).rectangle(0, 0, 96, 96).bytes(),
         {{30, 30, kRed}, {10, 10, kWhite}, {50, 30, kWhite}}},
        {"two intersecting clips",
         red().record(30, {10, 10, 50, 50}).record(30, {30, 30, 70, 70}).rectangle(0, 0, 96, 96).bytes(),
         {{40, 40, kRed}, {20, 20, kWhite}, {60, 60, kWhite}}},
        // A clip made from a path: a triangle.
        {"clip path",
         red()
             .record(59, {})
             .record(27, {0, 0})
             .record(54, {96, 0})
             .record(54, {0, 96})
             .record(61, {})
             .record(60, {})
             .record(67, {5})
             .rectangle(0, 0, 96, 96)
             .bytes(),
         {{20, 20, kRed}, {80, 80, kWhite}, {5, 85, kRed}, {85, 5, kRed}, {60, 60, kWhite}}},
        {"exclude clip",
         red().record(29, {20, 20, 40, 40}).rectangle(0, 0, 96, 96).bytes(),
         {{30, 30, kWhite}, {10, 10, kRed}, {50, 30, kRed}}},
        // Clip regions in device pixels: (50, 0) to (96, 96), then reset.
        // Two rectangles that overlap, out of order: the clip is both.
        {"clip region of overlapping rectangles",
         red()
             .record(75, {64, 5, 32, 1, 2, 32, 0, 0, 96, 96, 50, 0, 96, 96, 0, 0, 60, 40})
             .rectangle(0, 0, 96, 96)
             .bytes(),
         {{20, 20, kRed}, {20, 60, kWhite}, {70, 70, kRed}, {55, 20, kRed}}},
        {"clip region",
         red()
             .record(75, {48, 5, 32, 1, 1, 16, 50, 0, 96, 96, 50, 0, 96, 96})
             .rectangle(0, 0, 96, 48)
             .record(75, {0, 5})
             .rectangle(0, 60, 96, 96)
             .bytes(),
         {{60, 20, kRed}, {20, 20, kWhite}, {20, 70, kRed}}},
        {"save and restore the clip",
         red().record(33, {}).record(30, {0, 0, 10, 10}).record(34, {uint32_t(-1)}).rectangle(0, 0, 96, 96).bytes(),
         {{50, 50, kRed}}},
        // Coordinates near the 32-bit limits, scaled up a thousand times:
        // the rectangle fills the picture, the diagonal line still runs
        // through its centre.
        {"huge rectangle",
         red()
             .record(17, {8})
             .record(11, {1000, 1000})
             .rectangle(-2147483647, -2147483647, 2147483647, 2147483647)
             .bytes(),
         {{0, 0, kRed}, {95, 95, kRed}}},
        {"huge diagonal",
         inch()
             .select(nullPen)
             .record(38, {1, 0, 3, 0, kBlue})
             .select(1)
             .record(4, {0, 0, 0, 0, 2, uint32_t(-2000000000), uint32_t(-2000000000), 2000000000, 2000000000})
             .bytes(),
         {{48, 48, kBlue}, {10, 10, kBlue}, {90, 90, kBlue}, {48, 10, kWhite}}},
    };
    for (const DrawCase& c : cases) {
        const Picture p = emf(c.bytes);
        ASSERT_EQ(p.width(), 96) << c.what;
        for (const Probe& at : c.probes)
            EXPECT_EQ(p.pixel(at.x, at.y), at.colour) << c.what << " at " << at.x << ", " << at.y;
    }
}

TEST(EmfRecords, BitmapsAreStretchedMirroredAndCombined) {
    // A 2 x 2 bitmap: red, green over blue, black.
    const std::vector<uint32_t> four = {kRed, kGreen, kBlue, kBlack};
    EmfBuilder stretched = inch(), mirrored = inch(), anded = inch(), bitBlt = inch(), stretchBlt = inch();
    EmfBuilder corner = inch();
    stretchDib(stretched, 10, 10, 40, 40, 2, 2, four);
    // The source's bottom-left pixel: y counts up from the bottom row.
    stretchDib(corner, 10, 10, 20, 20, 2, 2, four, 0x00CC0020, Source{0, 0, 1, 1});
    stretchDib(mirrored, 50, 10, -40, 40, 2, 2, four);
    // Yellow anded with the bitmap: red stays red, blue becomes black.
    anded.brush(1, 0x00FFFF).select(1).select(0x80000008).rectangle(0, 0, 96, 96);
    stretchDib(anded, 10, 10, 40, 40, 2, 2, four, 0x008800C6);
    blt(bitBlt, false, 20, 30, 2, 2, 2, 2, four);
    // The 2 x 2 bitmap as a PNG file inside a bitmap header that says so.
    EmfBuilder png = inch();
    {
        Picture quad(2, 2);
        for (int i = 0; i < 4; ++i) quad.setPixel(i % 2, i / 2, four[size_t(i)]);
        const std::string file = encodePng(quad);
        std::string header;
        put32(header, 40), put32(header, 2), put32(header, 2), put16(header, 1), put16(header, 0);
        put32(header, 5), put32(header, uint32_t(file.size())), put32(header, 0), put32(header, 0);
        put32(header, 0), put32(header, 0);
        Fields f;
        f.rect(0, 0, 0, 0).i(10).i(10).i(0).i(0).i(2).i(2);
        f.u(80).u(40).u(120).u(uint32_t(file.size())).u(0).u(0x00CC0020).i(40).i(40);
        png.rawRecord(81, f.raw(header + file).bytes);
    }
    // Opaque red, and blue at half opacity (premultiplied), over white.
    EmfBuilder alpha = inch(), faded = inch();
    alphaBlend(alpha, 0, 0, 40, 20, dib32(2, 1, {0xFFFF0000, 0x80000080}), 2, 1, 255, true);
    // A bitmap without alpha at a constant opacity of 128.
    alphaBlend(faded, 0, 0, 40, 20, dib(1, 1, {kRed}), 1, 1, 128, false);
    blt(stretchBlt, true, 0, 0, 96, 96, 2, 2, four);
    const DrawCase cases[] = {
        {"stretched",
         stretched.bytes(),
         {{10, 10, kRed},
          {29, 29, kRed},
          {30, 10, kGreen},
          {49, 49, kBlack},
          {10, 49, kBlue},
          {50, 50, kWhite},
          {9, 9, kWhite}}},
        {"bottom-left source pixel", corner.bytes(), {{10, 10, kBlue}, {29, 29, kBlue}, {30, 30, kWhite}}},
        {"mirrored", mirrored.bytes(), {{12, 12, kGreen}, {48, 12, kRed}, {12, 48, kBlack}}},
        {"and", anded.bytes(), {{15, 15, kRed}, {15, 45, kBlack}, {45, 15, 0x00FF00}, {60, 60, 0x00FFFF}}},
        {"PNG inside", png.bytes(), {{10, 10, kRed}, {49, 10, kGreen}, {10, 49, kBlue}, {49, 49, kBlack}}},
        {"alpha blend", alpha.bytes(), {{10, 10, kRed}, {30, 10, 0xFF7F7F}, {50, 10, kWhite}}},
        {"constant opacity", faded.bytes(), {{10, 10, 0x7F7FFF}, {30, 25, kWhite}}},
        {"bit block",
         bitBlt.bytes(),
         {{20, 30, kRed}, {21, 30, kGreen}, {20, 31, kBlue}, {21, 31, kBlack}, {22, 30, kWhite}}},
        {"stretch block", stretchBlt.bytes(), {{0, 0, kRed}, {95, 0, kGreen}, {0, 95, kBlue}, {95, 95, kBlack}}},
    };
    for (const DrawCase& c : cases) {
        const Picture p = emf(c.bytes);
        for (const Probe& at : c.probes)
            EXPECT_EQ(p.pixel(at.x, at.y), at.colour) << c.what << " at " << at.x << ", " << at.y;
    }
}

TEST(EmfRecords, TextIsDrawnInItsColourAndOpaqueBox) {
    EmfBuilder e = inch();
    font(e, 1, -40).select(1).record(24, {kBlue}).record(18, {1});
    textOut(e, 5, 5, "Hi");
    // The opaque box in the background colour, without text.
    e.record(25, {kGreen});
    textOut(e, 0, 0, "", 2, Fields().rect(60, 60, 90, 90));
    const Picture p = emf(e.bytes());
    int blue = 0;
    for (int y = 0; y < 55; ++y)
        for (int x = 0; x < 96; ++x) blue += p.pixel(x, y) == kBlue;
    EXPECT_GT(blue, 50) << "the text was not drawn";
    EXPECT_EQ(p.pixel(75, 75), kGreen);
    EXPECT_EQ(p.pixel(59, 75), kWhite);
    EXPECT_EQ(p.pixel(75, 90), kWhite);
}

TEST(EmfRecords, RecordsThatClaimMoreThanTheyHoldAreDamaged) {
    EmfBuilder bitmapPastEnd = inch();
    stretchDib(bitmapPastEnd, 0, 0, 10, 10, 2, 2, {kRed, kRed, kRed, kRed});
    std::string bitmap = bitmapPastEnd.bytes();
    bitmap[108 + 8 + 48] = char(0xF0);  // offBitsSrc far past the record
    const std::pair<const char*, std::string> cases[] = {
        {"rectangle cut short", inch().record(43, {10, 10}).bytes()},
        {"poly-polygon counts beyond its points",
         inch().record(8, {0, 0, 0, 0, 2, 3, 2, 5, 0, 0, 1, 1, 2, 2}).bytes()},
        {"poly-polygon with more polygons than the record holds", inch().record(91, {0, 0, 0, 0, 100000, 0}).bytes()},
        {"16-bit polyline with too many points", inch().record(87, {0, 0, 0, 0, 50, packed(1, 1)}).bytes()},
        {"text longer than its record",
         [] {
             EmfBuilder e = inch();
             std::string b = textOut(e, 0, 0, "abcd").bytes();
             b[108 + 8 + 36] = char(0xE8), b[108 + 8 + 37] = 0x03;  // 1000 characters
             return b;
         }()},
        {"bitmap outside its record", bitmap},
        {"font cut short", inch().record(82, {1, uint32_t(-20), 0}).bytes()},
        {"clip region with more rectangles than bytes", inch().record(75, {48, 5, 32, 1, 100, 16, 0, 0, 9, 9, 0, 0, 9, 9}).bytes()},
        {"gradient with more corners than the record holds", inch().record(118, {0, 0, 0, 0, 1000, 1, 0}).bytes()},
        {"bit block cut short", inch().record(76, {0, 0, 0, 0, 0, 0, 5, 5}).bytes()},
    };
    for (const auto& [what, bytes] : cases) {
        const std::string error = errorOf([&] { emf(bytes); });
        EXPECT_NE(error.find("damaged"), std::string::npos) << what << ": " << error;
    }
    // A frame of 20000 x 20000 pixels is refused by its size before any
    // drawing.
    const std::string huge = EmfBuilder(99, 99, 529167, 529167).rectangle(0, 0, 10, 10).bytes();
    EXPECT_NE(errorOf([&] { emf(huge); }).find("too large"), std::string::npos);
}

TEST(EmfRecords, GradientsShadeBetweenTheirCorners) {
    // Vertices: position, then red, green, blue, alpha in 16 bits each.
    auto vertex = [](Fields& f, int32_t x, int32_t y, uint32_t colour) {
        f.i(x).i(y).u(((colour & 0xFF) * 257) | (((colour >> 8) & 0xFF) * 257) << 16).u((colour >> 16 & 0xFF) * 257);
    };
    Fields across;
    across.rect(0, 0, 0, 0).u(2).u(1).u(0);
    vertex(across, 0, 0, kRed), vertex(across, 96, 48, kBlue);
    across.u(0).u(1);
    Fields triangle;
    triangle.rect(0, 0, 0, 0).u(3).u(1).u(2);
    vertex(triangle, 0, 48, kRed), vertex(triangle, 96, 48, kGreen), vertex(triangle, 48, 96, kBlue);
    triangle.u(0).u(1).u(2);
    const Picture p = emf(inch().rawRecord(118, across.bytes).rawRecord(118, triangle.bytes).bytes());
    auto near = [](uint32_t got, uint32_t want) {
        for (int shift : {0, 8, 16})
            if (std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)) > 16) return false;
        return true;
    };
    const std::pair<Probe, const char*> probes[] = {
        {{0, 10, kRed}, "left end"},
        {{95, 10, kBlue}, "right end"},
        {{48, 30, 0x800080}, "across, middle"},
        {{2, 49, kRed}, "triangle, red corner"},
        {{93, 49, kGreen}, "green corner"},
        {{48, 93, kBlue}, "blue corner"},
        {{48, 70, 0x784542}, "inside"},
        {{5, 90, kWhite}, "outside"},
    };
    for (const auto& [at, what] : probes)
        EXPECT_TRUE(near(p.pixel(at.x, at.y), at.colour)) << what << ": " << std::hex << p.pixel(at.x, at.y);
}
