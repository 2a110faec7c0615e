#include <gtest/gtest.h>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

namespace {

// A bitmap file with a BITMAPINFOHEADER (or the 12-byte core header),
// colour table and pixel bytes given as they are stored.
std::string makeBmp(int w, int h, int bpp, uint32_t compression, const std::vector<uint32_t>& palette,
                    const std::string& pixels, bool core = false, const std::vector<uint32_t>& masks = {}) {
    std::string dib;
    if (core) {
        put32(dib, 12);
        put16(dib, uint32_t(w));
        put16(dib, uint32_t(h));
        put16(dib, 1);
        put16(dib, uint32_t(bpp));
        for (uint32_t c : palette) {
            dib.push_back(char(c));
            dib.push_back(char(c >> 8));
            dib.push_back(char(c >> 16));
        }
    } else {
        put32(dib, 40);
        put32(dib, uint32_t(w));
        put32(dib, uint32_t(h));
        put16(dib, 1);
        put16(dib, uint32_t(bpp));
        put32(dib, compression);
        put32(dib, uint32_t(pixels.size()));
        put32(dib, 2835);
        put32(dib, 2835);
        put32(dib, uint32_t(palette.size()));
        put32(dib, 0);
        for (uint32_t m : masks) put32(dib, m);
        for (uint32_t c : palette) put32(dib, c);  // stored B, G, R, 0 = 0x00RRGGBB little-endian
    }
    std::string file = "BM";
    put32(file, uint32_t(14 + dib.size() + pixels.size()));
    put32(file, 0);
    put32(file, uint32_t(14 + dib.size()));
    return file + dib + pixels;
}

Picture decode(const std::string& bytes) { return decodeBmp(u8(bytes), bytes.size()); }

// Colours given as 0x00RRGGBB for the palette; pictures use 0x00BBGGRR.
constexpr uint32_t kRedPal = 0xFF0000, kGreenPal = 0x00FF00, kBluePal = 0x0000FF, kWhitePal = 0xFFFFFF;
constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

}  // namespace

TEST(Bmp, SavedPictureOpensBitIdenticalAtEveryRowPadding) {
    for (int w : {1, 2, 3, 4, 5, 64, 65, 130}) {
        const Picture p = samplePicture(w, 67, unsigned(w));
        const std::string bytes = encodeBmp(p);
        const Picture q = decode(bytes);
        EXPECT_TRUE(q == p) << "width " << w;
    }
}

TEST(Bmp, WriterHeadersAndBottomUpPaddedRows) {
    Picture p(3, 2, 0);
    p.setPixel(0, 0, 0x030201);  // top-left: R=1 G=2 B=3
    p.setPixel(2, 1, 0x0C0B0A);  // bottom-right
    const std::string b = encodeBmp(p);
    const uint32_t stride = 12;  // 9 bytes padded to 12
    ASSERT_EQ(b.size(), 54u + stride * 2);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(get32(b, 2), b.size());
    EXPECT_EQ(get32(b, 10), 54u);
    EXPECT_EQ(get32(b, 14), 40u);
    EXPECT_EQ(int32_t(get32(b, 18)), 3);
    EXPECT_EQ(int32_t(get32(b, 22)), 2);  // positive: bottom-up
    EXPECT_EQ(get16(b, 26), 1u);
    EXPECT_EQ(get16(b, 28), 24u);
    EXPECT_EQ(get32(b, 30), 0u);
    EXPECT_EQ(get32(b, 34), stride * 2);
    // The first stored row is the bottom one; bytes are B, G, R.
    EXPECT_EQ(uint8_t(b[54 + 6]), 0x0C);
    EXPECT_EQ(uint8_t(b[54 + 8]), 0x0A);
    EXPECT_EQ(uint8_t(b[54 + stride]), 0x03);
    EXPECT_EQ(uint8_t(b[54 + stride + 2]), 0x01);
    EXPECT_EQ(b.substr(54 + 9, 3), std::string(3, '\0'));  // padding
}

TEST(Bmp, FilesWrittenByImageMagickMatchTheirReferences) {
    for (const char* name : {"pal4", "pal8", "rle8", "mono1", "rgb24", "argb32"}) {
        const std::string bytes = readBytes(dataPath(std::string("io/") + name + ".bmp"));
        const Picture p = decode(bytes);
        const Picture ref = referencePicture(dataPath(std::string("io/") + name + ".ref.png"));
        EXPECT_EQ(maxChannelDifference(p, ref), 0) << name;
    }
}

TEST(Bmp, TopDownRowsAndCoreHeader) {
    // 2 x 2, 24 bits: rows padded to 8 bytes.
    std::string rows;
    auto row = [&](uint32_t a, uint32_t b) {
        for (uint32_t c : {a, b}) {
            rows.push_back(char(c >> 16));
            rows.push_back(char(c >> 8));
            rows.push_back(char(c));
        }
        rows += std::string(2, '\0');
    };
    row(kRed, kGreen);  // stored first
    row(kBlue, kWhite);
    const Picture bottomUp = decode(makeBmp(2, 2, 24, 0, {}, rows));
    EXPECT_EQ(bottomUp.pixel(0, 1), kRed);
    EXPECT_EQ(bottomUp.pixel(0, 0), kBlue);
    const Picture topDown = decode(makeBmp(2, -2, 24, 0, {}, rows));
    EXPECT_EQ(topDown.pixel(0, 0), kRed);
    EXPECT_EQ(topDown.pixel(1, 1), kWhite);

    // The 12-byte core header with a 3-byte colour table, 1 bit per pixel.
    const std::string mono = std::string(1, char(0x40)) + std::string(3, '\0');
    const Picture core = decode(makeBmp(2, 1, 1, 0, {kRedPal, kBluePal}, mono, true));
    EXPECT_EQ(core.pixel(0, 0), kRed);
    EXPECT_EQ(core.pixel(1, 0), kBlue);
}

TEST(Bmp, SixteenAndThirtyTwoBitFields) {
    // 16 bits, 5-6-5 masks: pure red, green, blue and white.
    std::string px;
    for (uint32_t v : {0xF800u, 0x07E0u, 0x001Fu, 0xFFFFu}) put16(px, v);
    const Picture p565 = decode(makeBmp(4, 1, 16, 3, {}, px, false, {0xF800, 0x07E0, 0x001F}));
    EXPECT_EQ(p565.pixel(0, 0), kRed);
    EXPECT_EQ(p565.pixel(1, 0), kGreen);
    EXPECT_EQ(p565.pixel(2, 0), kBlue);
    EXPECT_EQ(p565.pixel(3, 0), kWhite);

    // 16 bits without masks: 5-5-5, the top bit unused. 0x4210 = 16/31 each.
    std::string px555;
    put16(px555, 0x4210);
    put16(px555, 0);
    const Picture p555 = decode(makeBmp(1, 1, 16, 0, {}, px555));
    EXPECT_EQ(p555.pixel(0, 0), 0x848484u);  // 16 * 255 / 31 rounded = 132

    // 32 bits with masks in an unusual order (R in the low byte).
    std::string px32;
    put32(px32, 0x00302010);
    const Picture p32 = decode(makeBmp(1, 1, 32, 3, {}, px32, false, {0x000000FF, 0x0000FF00, 0x00FF0000}));
    EXPECT_EQ(p32.pixel(0, 0), 0x302010u);
}

TEST(Bmp, RunLengthCodedFourAndEightBits) {
    // RLE8, 4 x 3 bottom-up: a run, an absolute run, a delta and the end.
    std::string rle8 = {char(3), char(1), char(0), char(0),                    // row 0: 3 x index 1, end of line
                        char(0), char(3), char(2), char(1), char(2), char(0),  // row 1: absolute 2 1 2 (+pad)
                        char(0), char(0),                                      // end of line
                        char(0), char(2), char(1), char(0),                    // delta: x + 1 on row 2
                        char(1), char(2),                                      // index 2 at x 1
                        char(0), char(1)};                                     // end of bitmap
    const Picture p = decode(makeBmp(4, 3, 8, 1, {kWhitePal, kRedPal, kBluePal}, rle8));
    EXPECT_EQ(p.pixel(0, 2), kRed);  // file row 0 is the bottom row
    EXPECT_EQ(p.pixel(2, 2), kRed);
    EXPECT_EQ(p.pixel(3, 2), kWhite);  // skipped by the end of line: colour 0
    EXPECT_EQ(p.pixel(0, 1), kBlue);
    EXPECT_EQ(p.pixel(1, 1), kRed);
    EXPECT_EQ(p.pixel(2, 1), kBlue);
    EXPECT_EQ(p.pixel(0, 0), kWhite);  // skipped by the delta
    EXPECT_EQ(p.pixel(1, 0), kBlue);

    // RLE4: a run alternates its two nibbles; an absolute run of 3.
    std::string rle4 = {char(5), char(0x12), char(0), char(3), char(0x21), char(0x20), char(0), char(1)};
    const Picture q = decode(makeBmp(8, 1, 4, 2, {kWhitePal, kRedPal, kBluePal}, rle4));
    const uint32_t expected[8] = {kRed, kBlue, kRed, kBlue, kRed, kBlue, kRed, kBlue};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(q.pixel(x, 0), expected[x]) << x;

    // A run longer than the row is clipped, never written past it.
    std::string longRun = {char(255), char(1), char(0), char(1)};
    const Picture r = decode(makeBmp(2, 2, 8, 1, {kWhitePal, kRedPal}, longRun));
    EXPECT_EQ(r.pixel(1, 1), kRed);
    EXPECT_EQ(r.pixel(0, 0), kWhite);
}

TEST(Bmp, DamagedFilesGiveErrors) {
    const std::string good = encodeBmp(samplePicture(9, 7));
    std::string hugeHeader = good;
    hugeHeader[18] = char(0xA0);
    hugeHeader[19] = char(0x86);
    hugeHeader[20] = char(0x01);
    hugeHeader[21] = 0;  // 100000
    hugeHeader[22] = char(0xA0);
    hugeHeader[23] = char(0x86);
    hugeHeader[24] = char(0x01);
    hugeHeader[25] = 0;
    std::string badDepth = good;
    badDepth[28] = 7;
    std::string rleDepth = good;
    rleDepth[30] = 1;  // RLE8 on 24 bits
    std::string offsetBeyond = good;
    offsetBeyond[10] = char(0xFF);
    offsetBeyond[11] = char(0xFF);
    std::string zeroWidth = good;
    zeroWidth[18] = zeroWidth[19] = zeroWidth[20] = zeroWidth[21] = 0;
    // 8 bits with a full colour table expected but absent, and no pixel
    // offset to say where the pixels are.
    std::string noOffset = makeBmp(2, 2, 8, 0, {}, std::string(8, '\0'));
    noOffset[10] = noOffset[11] = noOffset[12] = noOffset[13] = 0;
    const std::vector<RefusedFile> cases = {
        {"empty", "", "not a Windows bitmap"},
        {"wrong magic", "XX" + good.substr(2), "not a Windows bitmap"},
        {"header only", good.substr(0, 30), "cut short"},
        {"pixels cut short", good.substr(0, good.size() - 40), "cut short"},
        {"100000 x 100000", hugeHeader, "too large"},
        {"7 bits per pixel", badDepth, "depth"},
        {"RLE8 on 24 bits", rleDepth, "compression"},
        {"pixel offset past the end", offsetBeyond, "beyond the end"},
        {"no pixels", zeroWidth, "no pixels"},
        {"RLE cut short", makeBmp(4, 4, 8, 1, {kWhitePal}, std::string{char(2), char(0)}), "cut short"},
        {"palette cut short", noOffset, "colour table is cut short"},
    };
    expectRefusals([](const std::string& bytes) { decode(bytes); }, cases);
}
