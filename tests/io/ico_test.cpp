#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

namespace {

Picture decode(const std::string& bytes) { return decodeIco(u8(bytes), bytes.size()); }

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

// A 4-bit icon image of w x h: colour indices and an AND mask (1 =
// transparent), rows bottom-up as icons store them.
std::string fourBitImage(int w, int h, const std::vector<uint32_t>& palette, const std::vector<uint8_t>& indices,
                         const std::vector<uint8_t>& mask) {
    std::string d;
    put32(d, 40);
    put32(d, uint32_t(w));
    put32(d, uint32_t(h * 2));
    put16(d, 1);
    put16(d, 4);
    put32(d, 0);
    put32(d, 0);
    put32(d, 0);
    put32(d, 0);
    put32(d, 16);
    put32(d, 0);
    for (int i = 0; i < 16; ++i) put32(d, i < int(palette.size()) ? palette[size_t(i)] : 0);
    const int stride = ((w * 4 + 31) / 32) * 4, maskStride = ((w + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y) {
        std::string row(size_t(stride), '\0');
        for (int x = 0; x < w; ++x) row[size_t(x / 2)] |= char(indices[size_t(y * w + x)] << (x % 2 ? 0 : 4));
        d += row;
    }
    for (int y = h - 1; y >= 0; --y) {
        std::string row(size_t(maskStride), '\0');
        for (int x = 0; x < w; ++x)
            if (mask[size_t(y * w + x)]) row[size_t(x / 8)] |= char(0x80 >> (x % 8));
        d += row;
    }
    return d;
}

struct Entry {
    int w, h, depth;
    std::string data;
};

std::string makeIco(const std::vector<Entry>& entries) {
    std::string f;
    put16(f, 0);
    put16(f, 1);
    put16(f, uint32_t(entries.size()));
    size_t offset = 6 + 16 * entries.size();
    for (const Entry& e : entries) {
        f.push_back(char(e.w & 0xFF));
        f.push_back(char(e.h & 0xFF));
        f.push_back(0);
        f.push_back(0);
        put16(f, 1);
        put16(f, uint32_t(e.depth));
        put32(f, uint32_t(e.data.size()));
        put32(f, uint32_t(offset));
        offset += e.data.size();
    }
    for (const Entry& e : entries) f += e.data;
    return f;
}

}  // namespace

TEST(Ico, IconWrittenByImageMagickOpensAtItsSizeWithTransparentPartsWhite) {
    // 16 x 16, transparent but for a red square from (4, 4) to (11, 11).
    const Picture p = decode(readBytes(dataPath("io/icon32.ico")));
    ASSERT_EQ(p.width(), 16);
    ASSERT_EQ(p.height(), 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 4 && x <= 11 && y >= 4 && y <= 11;
            EXPECT_EQ(p.pixel(x, y), inside ? kRed : kWhite) << x << "," << y;
        }
}

TEST(Ico, MaskedIconAndTheLargestOfSeveralImages) {
    // 3 x 2: red top row, blue bottom row; the mask hides the middle column,
    // which has colour 0 (black).
    const std::vector<uint8_t> idx = {1, 0, 1, 2, 0, 2}, mask = {0, 1, 0, 0, 1, 0};
    const std::string img = fourBitImage(3, 2, {0, 0xFF0000, 0x0000FF}, idx, mask);
    const std::string smaller = fourBitImage(2, 1, {0, 0x0000FF}, {1, 1}, {0, 0});
    const Picture p = decode(makeIco({{2, 1, 4, smaller}, {3, 2, 4, img}}));
    ASSERT_EQ(p.width(), 3);
    ASSERT_EQ(p.height(), 2);
    EXPECT_EQ(p.pixel(0, 0), kRed);
    EXPECT_EQ(p.pixel(1, 0), kWhite);  // transparent over a black colour: white
    EXPECT_EQ(p.pixel(2, 0), kRed);
    EXPECT_EQ(p.pixel(0, 1), kBlue);
    EXPECT_EQ(p.pixel(1, 1), kWhite);
    EXPECT_EQ(p.pixel(2, 1), kBlue);
}

TEST(Ico, PngCompressedImageIsBlendedOntoWhite) {
    QImage image(4, 2, QImage::Format_ARGB32);
    image.fill(qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(0, 0, 255, 0));
    image.setPixel(2, 1, qRgba(0, 0, 0, 128));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    const Picture p = decode(makeIco({{4, 2, 32, png.toStdString()}}));
    ASSERT_EQ(p.width(), 4);
    EXPECT_EQ(p.pixel(0, 0), kRed);
    EXPECT_EQ(p.pixel(1, 0), kWhite);
    EXPECT_EQ(p.pixel(2, 1), 0x7F7F7Fu);  // half black over white
}

TEST(Ico, DamagedIconsGiveErrors) {
    const std::string img = fourBitImage(2, 2, {0, 0xFF0000}, {1, 1, 1, 1}, {0, 0, 0, 0});
    const std::string good = makeIco({{2, 2, 4, img}});
    ASSERT_EQ(decode(good).pixel(1, 1), kRed);
    std::string offsetBeyond = good;
    offsetBeyond[6 + 12] = char(0xFF);
    std::string hugePng = makeIco(
        {{0, 0, 32,
          std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\x00\x01\x00\x00\x00\x01\x00\x00", 24) + std::string(16, '\0')}});
    const std::vector<RefusedFile> cases = {
        {"empty", "", "cut short"},
        {"not an icon", "BM" + good.substr(2), "not an icon"},
        {"no images", good.substr(0, 4) + std::string(2, '\0'), "no image"},
        {"directory cut short", good.substr(0, 12), "cut short"},
        {"image beyond the end", offsetBeyond, "beyond the end"},
        {"mask cut short", makeIco({{2, 2, 4, img.substr(0, img.size() - 8)}}), "cut short"},
        {"65536 x 65536 PNG", hugePng, "too large"},
        {"damaged PNG", makeIco({{4, 4, 32, std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, 'x')}}), "damaged"},
    };
    expectRefusals([](const std::string& bytes) { decode(bytes); }, cases);
}
