#include <gtest/gtest.h>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"
#include "metafile_builder.h"

using namespace jollix;
using namespace jollix::test;

namespace {

Picture wmf(const std::string& bytes) { return decodeWmf(u8(bytes), bytes.size()); }
Picture emf(const std::string& bytes) { return decodeEmf(u8(bytes), bytes.size()); }

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

void expectError(const char* what, const std::function<void()>& run, const char* message) {
    try {
        run();
        ADD_FAILURE() << what << ": no error";
    } catch (const JollixError& e) {
        EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << what << ": " << e.what();
    }
}

}  // namespace

TEST(Wmf, PlaceableHeaderAndRecordsOfTheWriter) {
    const Picture p = samplePicture(605, 469);
    const std::string b = encodeWmf(p);
    // The 22-byte placeable header.
    EXPECT_EQ(get32(b, 0), 0x9AC6CDD7u);
    EXPECT_EQ(get16(b, 4), 0u);
    EXPECT_EQ(get16(b, 6), 0u);
    EXPECT_EQ(get16(b, 8), 0u);
    // 605 px = 16007 hundredths of a mm at 96 dpi; x 96 / 2540 = 605.
    EXPECT_EQ(get16(b, 10), 605u);
    EXPECT_EQ(get16(b, 12), 469u);
    EXPECT_EQ(get16(b, 14), 96u);
    EXPECT_EQ(get32(b, 16), 0u);
    uint32_t sum = 0;
    for (size_t i = 0; i < 20; i += 2) sum ^= get16(b, i);
    EXPECT_EQ(get16(b, 20), sum);
    // The metafile header: in memory, 9 words, version 3, total size.
    EXPECT_EQ(get16(b, 22), 1u);
    EXPECT_EQ(get16(b, 24), 9u);
    EXPECT_EQ(get16(b, 26), 0x0300u);
    EXPECT_EQ(get32(b, 28) * 2, b.size() - 22);
    // Records chain to the end record; one STRETCHDIB holds the picture as
    // a 24-bit bottom-up DIB, the same rows a bitmap file holds.
    size_t pos = 22 + 18, stretch = 0, largest = 0;
    int count = 0;
    for (;;) {
        const uint32_t words = get32(b, pos), function = get16(b, pos + 4);
        largest = std::max<size_t>(largest, words);
        if (function == 0) {
            EXPECT_EQ(words, 3u);
            EXPECT_EQ(pos + 6, b.size());
            break;
        }
        if (function == 0x0F43) {
            stretch = pos;
            ++count;
        }
        pos += size_t(words) * 2;
        ASSERT_LT(pos, b.size());
    }
    EXPECT_EQ(get32(b, 34), largest);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(get32(b, stretch + 6), 0x00CC0020u);  // SRCCOPY
    EXPECT_EQ(get16(b, stretch + 12), 469u);        // source height, width
    EXPECT_EQ(get16(b, stretch + 14), 605u);
    EXPECT_EQ(get16(b, stretch + 20), 469u);  // destination height, width
    EXPECT_EQ(get16(b, stretch + 22), 605u);
    const std::string bmp = encodeBmp(p);
    EXPECT_EQ(b.substr(stretch + 28, 40).substr(0, 16), bmp.substr(14, 16));
    EXPECT_TRUE(b.substr(stretch + 28 + 40, bmp.size() - 54) == bmp.substr(54));
}

TEST(Wmf, SavedPictureOpensAgainThroughLibwmfWithSameSizeAndCloseColours) {
    for (auto [w, h] : {std::pair{605, 469}, std::pair{7, 5}, std::pair{1, 1}}) {
        const Picture p = samplePicture(w, h, unsigned(w));
        const Picture q = wmf(encodeWmf(p));
        ASSERT_EQ(q.width(), w);
        ASSERT_EQ(q.height(), h);
        EXPECT_LE(maxChannelDifference(p, q), 4) << w << " x " << h;
        EXPECT_LT(meanChannelDifference(p, q), 1.0);
    }
}

TEST(Wmf, DrawingsPlacedByTheirBoundingBox) {
    struct Case {
        const char* what;
        std::string bytes;
        int width, height;
        int insideX, insideY, outsideX, outsideY;
    };
    const Case cases[] = {
        // 200 x 100 units at 96 per inch; a red box from (50, 25) to (100, 50).
        {"same units",
         WmfBuilder(true, 200, 100)
             .windowOrg(0, 0)
             .windowExt(200, 100)
             .brush(0xFF)
             .select(0)
             .nullPen()
             .select(1)
             .rectangle(50, 25, 100, 50)
             .bytes(),
         200, 100, 75, 37, 120, 37},
        // The window in units ten times finer maps onto the same box.
        {"finer window",
         WmfBuilder(true, 200, 100)
             .windowOrg(0, 0)
             .windowExt(2000, 1000)
             .brush(0xFF)
             .select(0)
             .nullPen()
             .select(1)
             .rectangle(500, 250, 1000, 500)
             .bytes(),
         200, 100, 75, 37, 120, 37},
        // No window records: the bounding box is the window.
        {"no window",
         WmfBuilder(true, 200, 100).brush(0xFF).select(0).nullPen().select(1).rectangle(50, 25, 100, 50).bytes(), 200,
         100, 75, 37, 40, 37},
        // 1440 units per inch: 2880 x 1440 units are 192 x 96 pixels.
        {"twips",
         WmfBuilder(true, 2880, 1440, 1440)
             .brush(0xFF)
             .select(0)
             .nullPen()
             .select(1)
             .rectangle(1440, 0, 2880, 720)
             .bytes(),
         192, 96, 150, 20, 40, 20},
        // No placeable header: the picture is what is drawn (libwmf counts
        // half a unit of pen around the box).
        {"bare",
         WmfBuilder(false, 0, 0)
             .windowOrg(0, 0)
             .windowExt(300, 150)
             .brush(0xFF)
             .select(0)
             .nullPen()
             .select(1)
             .rectangle(0, 0, 150, 75)
             .bytes(),
         151, 76, 75, 37, -1, -1},
    };
    for (const Case& c : cases) {
        const Picture p = wmf(c.bytes);
        EXPECT_EQ(p.width(), c.width) << c.what;
        EXPECT_EQ(p.height(), c.height) << c.what;
        EXPECT_EQ(p.pixel(c.insideX, c.insideY), kRed) << c.what;
        if (c.outsideX >= 0) {
            EXPECT_EQ(p.pixel(c.outsideX, c.outsideY), kWhite) << c.what;
        }
    }
}

TEST(Wmf, TextAndShapesDrawn) {
    const Picture p = wmf(WmfBuilder(true, 300, 100)
                              .windowOrg(0, 0)
                              .windowExt(300, 100)
                              .brush(0xFF0000)
                              .select(0)
                              .pen(0x000000, 3)
                              .select(1)
                              .ellipse(200, 10, 290, 90)
                              .font(-40, "Arial")
                              .select(2)
                              .textOut(10, 20, "Hi")
                              .bytes());
    ASSERT_EQ(p.width(), 300);
    EXPECT_EQ(p.pixel(245, 50), kBlue);   // inside the ellipse
    EXPECT_EQ(p.pixel(205, 15), kWhite);  // its bounding box's corner
    int dark = 0;
    for (int y = 10; y < 80; ++y)
        for (int x = 0; x < 100; ++x) dark += (p.pixel(x, y) & 0xFF) < 128;
    EXPECT_GT(dark, 50) << "the text was not drawn";
    // A placeable file that draws nothing is its white bounding box.
    const Picture empty = wmf(WmfBuilder(true, 20, 10).bytes());
    EXPECT_EQ(empty.width(), 20);
    EXPECT_EQ(empty.pixel(10, 5), kWhite);
}

TEST(Wmf, DamagedMetafilesGiveErrors) {
    const std::string good = WmfBuilder(true, 20, 10).brush(0xFF).select(0).rectangle(0, 0, 10, 10).bytes();
    ASSERT_EQ(wmf(good).width(), 20);
    std::string tinyRecord = good, longRecord = good, noInch = good, huge = good;
    tinyRecord[40] = 2;           // first record: 2 words
    longRecord[42] = char(0x7F);  // first record: far past the end
    noInch[14] = noInch[15] = 0;
    huge[10] = huge[12] = char(0xFF);  // 32767 x 32767 units at 96 per inch
    huge[11] = huge[13] = char(0x7F);
    const std::pair<const char*, std::pair<std::string, const char*>> cases[] = {
        {"empty", {"", "cut short"}},
        {"placeable header cut", {good.substr(0, 10), "cut short"}},
        {"not a metafile", {std::string(40, 'x'), "not a Windows metafile"}},
        {"no end record", {good.substr(0, good.size() - 6), "end record"}},
        {"record under 3 words", {tinyRecord, "impossible size"}},
        {"record past the end", {longRecord, "past the end"}},
        {"no units per inch", {noInch, "units per inch"}},
        {"32767 x 32767", {huge, "too large"}},
        {"bare and empty", {WmfBuilder(false, 0, 0).bytes(), "draws nothing"}},
    };
    for (const auto& [what, c] : cases)
        expectError(
            what, [&] { wmf(c.first); }, c.second);
}

TEST(Emf, DrawnAtTheFrameSizeOnWhite) {
    // A 200 x 100 pixel frame (5292 x 2646 hundredths of a mm); a red
    // rectangle from (50, 25) to (100, 50).
    const Picture p = emf(EmfBuilder(199, 99, 5292, 2646).brush(1, 0xFF).select(1).rectangle(50, 25, 100, 50).bytes());
    ASSERT_EQ(p.width(), 200);
    ASSERT_EQ(p.height(), 100);
    EXPECT_EQ(p.pixel(75, 37), kRed);
    EXPECT_EQ(p.pixel(10, 10), kWhite);
    EXPECT_EQ(p.pixel(150, 80), kWhite);
    // Without a frame the bounds in pixels give the size.
    const Picture q = emf(EmfBuilder(39, 29, 0, 0).brush(1, 0xFF0000).select(1).ellipse(0, 0, 40, 30).bytes());
    EXPECT_EQ(q.width(), 40);
    EXPECT_EQ(q.height(), 30);
    EXPECT_EQ(q.pixel(20, 15), kBlue);
}

TEST(Emf, DamagedMetafilesGiveErrors) {
    const std::string good = EmfBuilder(19, 9, 529, 265).rectangle(0, 0, 10, 10).bytes();
    ASSERT_EQ(emf(good).width(), 20);
    std::string badSignature = good, pastEnd = good, oddSize = good, huge = good, unknown = good;
    badSignature[40] = 'X';
    pastEnd[108 + 4] = char(0xF0);  // the rectangle record's size
    oddSize[108 + 4] = 30;
    unknown[108] = char(200);  // record type 200
    for (int i : {32, 36}) {
        huge[i] = char(0xFF);
        huge[i + 1] = char(0xFF);
        huge[i + 2] = char(0xFF);
        huge[i + 3] = 0x3F;
    }
    // A polygon claiming 100000 points in a record of two.
    const std::string polygon = EmfBuilder(19, 9, 529, 265).record(3, {0, 0, 10, 10, 100000, 1, 1, 5, 5}).bytes();
    const std::pair<const char*, std::pair<std::string, const char*>> cases[] = {
        {"empty", {"", "not an enhanced metafile"}},
        {"bad signature", {badSignature, "not an enhanced metafile"}},
        {"record past the end", {pastEnd, "impossible size"}},
        {"record size not a multiple of 4", {oddSize, "impossible size"}},
        {"unknown record", {unknown, "unknown record"}},
        {"no end record", {good.substr(0, good.size() - 20), "end record"}},
        {"huge frame", {huge, "too large"}},
        {"polygon with too many points", {polygon, "damaged"}},
    };
    for (const auto& [what, c] : cases)
        expectError(
            what, [&] { emf(c.first); }, c.second);
}

TEST(Wmf, HostileDrawingsAreClippedToThePicture) {
    // One logical unit is 1000 pixels: a rectangle and a triangle of +-32767
    // units cover the picture and are drawn clipped to it; a pen 26212
    // units wide and a font 30000 units tall are drawn as outlines, not as
    // images of their own size.
    const Picture rect = wmf(WmfBuilder(true, 1000, 1000)
                                 .windowExt(1, 1)
                                 .brush(0xFF)
                                 .select(0)
                                 .rectangle(-32768, -32768, 32767, 32767)
                                 .bytes());
    EXPECT_EQ(rect.pixel(0, 0), kRed);
    EXPECT_EQ(rect.pixel(999, 999), kRed);
    const Picture triangle = wmf(WmfBuilder(true, 1000, 1000)
                                     .windowExt(1, 1)
                                     .brush(0xFF)
                                     .select(0)
                                     .record(0x0324, {3, 0x8000, 0x8000, 0x7FFF, 0x8000, 0, 0x7FFF})
                                     .bytes());
    EXPECT_EQ(triangle.pixel(500, 500), kRed);
    const Picture pen = wmf(WmfBuilder(true, 200, 100).pen(0xFF, 26212).select(0).rectangle(50, 25, 100, 50).bytes());
    EXPECT_EQ(pen.pixel(0, 0), kRed);
    const Picture text =
        wmf(WmfBuilder(true, 1000, 1000).windowExt(100, 100).font(30000, "Arial").select(0).textOut(0, 0, "W").bytes());
    EXPECT_EQ(text.width(), 1000);
    // A window of no extent maps nothing anywhere: libwmf refuses it.
    expectError(
        "zero window",
        [] { wmf(WmfBuilder(true, 100, 100).windowExt(0, 0).brush(0xFF).select(0).rectangle(0, 0, 50, 50).bytes()); },
        "damaged");
}

TEST(Wmf, EndlessDrawingIsRefused) {
    // Thousands of rectangles each covering the whole picture: more than
    // 256 times its area (and 16 million pixels) is not drawn to the end.
    WmfBuilder many(true, 100, 100);
    many.brush(0xFF).select(0);
    for (int i = 0; i < 2500; ++i) many.rectangle(-10, -10, 110, 110);
    expectError(
        "2500 full-picture rectangles", [&] { wmf(many.bytes()); }, "draws far more");
    WmfBuilder some(true, 100, 100);
    some.brush(0xFF).select(0);
    for (int i = 0; i < 200; ++i) some.rectangle(-10, -10, 110, 110);
    EXPECT_EQ(wmf(some.bytes()).pixel(50, 50), kRed);
}

TEST(Wmf, BitmapThatItsReaderWouldChokeOnIsLeftOut) {
    // The program's own metafile with its bitmap header claiming 39 bytes
    // (libwmf's bitmap reader loops for ever on it): the rest of the file
    // opens, without the bitmap.
    const Picture p(20, 10, 0x0000FF);
    std::string b = encodeWmf(p);
    const size_t stretch = 22 + 18 + 8 + 10 + 10;  // after SetMapMode, SetWindowOrg, SetWindowExt
    ASSERT_EQ(get16(b, stretch + 4), 0x0F43u);
    b[stretch + 28] = 39;
    const Picture q = wmf(b);
    EXPECT_EQ(q.width(), 20);
    EXPECT_EQ(q.pixel(10, 5), kWhite);
    EXPECT_EQ(wmf(encodeWmf(p)).pixel(10, 5), kRed);
}
