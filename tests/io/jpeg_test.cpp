#include <gtest/gtest.h>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

namespace {

Picture decode(const std::string& bytes) { return decodeJpeg(u8(bytes), bytes.size()); }

Picture smoothPicture(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y,
                       uint32_t(64 + x * 128 / (w - 1)) | (uint32_t(64 + y * 128 / (h - 1)) << 8) | (0x80u << 16));
    return p;
}

struct Segment {
    uint8_t marker;
    size_t at;
    size_t length;
};

// The marker segments of a JPEG file up to its first scan.
std::vector<Segment> segments(const std::string& b) {
    std::vector<Segment> out;
    size_t i = 2;
    while (i + 4 <= b.size() && uint8_t(b[i]) == 0xFF) {
        const uint8_t m = uint8_t(b[i + 1]);
        const size_t len = (uint8_t(b[i + 2]) << 8) | uint8_t(b[i + 3]);
        out.push_back({m, i + 4, len - 2});
        if (m == 0xDA) break;
        i += 2 + len;
    }
    return out;
}

std::string withSof(std::string b, int width, int height) {
    for (const Segment& s : segments(b))
        if (s.marker == 0xC0 || s.marker == 0xC2) {
            b[s.at + 1] = char(height >> 8);
            b[s.at + 2] = char(height);
            b[s.at + 3] = char(width >> 8);
            b[s.at + 4] = char(width);
        }
    return b;
}

}  // namespace

TEST(Jpeg, SavedPictureOpensWithSameSizeAndCloseColours) {
    for (auto [w, h] : {std::pair{605, 469}, std::pair{17, 9}, std::pair{1, 1}}) {
        const Picture p = w > 1 ? smoothPicture(w, h) : Picture(1, 1, 0x204080);
        const Picture q = decode(encodeJpeg(p));
        ASSERT_EQ(q.width(), w);
        ASSERT_EQ(q.height(), h);
        EXPECT_LE(maxChannelDifference(p, q), 8) << w << " x " << h;
        EXPECT_LT(meanChannelDifference(p, q), 2.5);
    }
}

TEST(Jpeg, WriterMakesBaselineJfifWithThreeComponentsAtQuality90) {
    const std::string b = encodeJpeg(smoothPicture(40, 30));
    ASSERT_GE(b.size(), 4u);
    EXPECT_EQ(uint8_t(b[0]), 0xFF);
    EXPECT_EQ(uint8_t(b[1]), 0xD8);
    const auto segs = segments(b);
    ASSERT_FALSE(segs.empty());
    EXPECT_EQ(segs[0].marker, 0xE0);
    EXPECT_EQ(b.substr(segs[0].at, 5), std::string("JFIF\0", 5));
    bool sof0 = false;
    std::vector<int> firstTwoOfEachTable;
    for (const Segment& s : segs) {
        EXPECT_NE(s.marker, 0xC2) << "progressive";
        EXPECT_NE(s.marker, 0xC1) << "extended";
        if (s.marker == 0xC0) {
            sof0 = true;
            EXPECT_EQ(uint8_t(b[s.at]), 8);  // 8-bit samples
            EXPECT_EQ(uint8_t(b[s.at + 5]), 3) << "three components";
        }
        if (s.marker == 0xDB)
            for (size_t t = s.at; t + 65 <= s.at + s.length; t += 65) {
                firstTwoOfEachTable.push_back(uint8_t(b[t + 1]));
                firstTwoOfEachTable.push_back(uint8_t(b[t + 2]));
            }
    }
    EXPECT_TRUE(sof0);
    // The standard tables scaled for quality 90 (scale 20 %): luminance
    // 16, 11 -> 3, 2; chrominance 17, 18 -> 3, 4.
    EXPECT_EQ(firstTwoOfEachTable, (std::vector<int>{3, 2, 3, 4}));
}

TEST(Jpeg, GreyscaleCmykColourAndProgressiveFilesOpenAsColour) {
    struct Case {
        const char* file;
        const char* ref;
        int tolerance;
    };
    for (const Case& c : {Case{"io/grey.jpg", "io/grey.ref.png", 1}, Case{"io/rgb.jpg", "io/rgb.ref.png", 2},
                          Case{"io/cmyk.jpg", "io/cmyk.ref.png", 2}, Case{"io/progressive.jpg", nullptr, 0}}) {
        const Picture p = decode(readBytes(dataPath(c.file)));
        EXPECT_EQ(p.width(), 24) << c.file;
        EXPECT_EQ(p.height(), 16) << c.file;
        if (c.ref) {
            const Picture ref = referencePicture(dataPath(c.ref));
            EXPECT_LE(maxChannelDifference(p, ref), c.tolerance) << c.file;
        }
    }
    // The greyscale file's pixels are grey.
    const Picture grey = decode(readBytes(dataPath("io/grey.jpg")));
    const uint32_t c = grey.pixel(20, 10);
    EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);
    EXPECT_EQ(c & 0xFF, (c >> 16) & 0xFF);
    // The progressive file shows the same picture as the baseline one.
    const Picture progressive = decode(readBytes(dataPath("io/progressive.jpg")));
    EXPECT_LT(meanChannelDifference(progressive, referencePicture(dataPath("io/src.png"))), 4.0);
}

TEST(Jpeg, DamagedFilesGiveErrors) {
    const std::string good = encodeJpeg(smoothPicture(64, 48));
    // A progressive file whose last scan is repeated a thousand times: a
    // file of endless scans must be refused, not decoded for minutes.
    std::string manyScans = readBytes(dataPath("io/progressive.jpg"));
    const size_t lastScan = manyScans.rfind("\xFF\xDA");
    const std::string scan = manyScans.substr(lastScan, manyScans.size() - 2 - lastScan);
    manyScans.resize(manyScans.size() - 2);
    for (int i = 0; i < 1000; ++i) manyScans += scan;
    manyScans += "\xFF\xD9";
    const std::vector<RefusedFile> cases = {
        {"empty", "", "not a JPEG"},
        {"wrong magic", "GIF89a" + good.substr(6), "not a JPEG"},
        {"only the start marker", good.substr(0, 2), "damaged"},
        {"cut in the headers", good.substr(0, 100), "damaged"},
        {"cut in the scan", good.substr(0, good.size() / 2), "damaged"},
        {"60000 x 60000", withSof(good, 60000, 60000), "too large"},
        {"no height", withSof(good, 64, 0), "damaged"},
        {"endless scans", manyScans, "JPEG"},
    };
    expectRefusals([](const std::string& bytes) { decode(bytes); }, cases);
}
