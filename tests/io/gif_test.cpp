#include <gtest/gtest.h>

#include <map>

#include "core/error.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

namespace {

Picture decode(const std::string& bytes) { return decodeGif(u8(bytes), bytes.size()); }

// LZW codes packed as a GIF image holds them: least significant bit first,
// after the minimum code size, in sub-blocks of up to 255 bytes.
class CodeWriter {
public:
    void send(uint32_t code, int size) {
        acc_ |= code << bits_;
        bits_ += size;
        while (bits_ >= 8) {
            bytes_.push_back(char(acc_ & 0xFF));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    std::string data(int minCodeSize) {
        if (bits_ > 0) bytes_.push_back(char(acc_ & 0xFF));
        std::string out(1, char(minCodeSize));
        for (size_t i = 0; i < bytes_.size(); i += 255) {
            const std::string block = bytes_.substr(i, 255);
            out.push_back(char(block.size()));
            out += block;
        }
        out.push_back(0);
        return out;
    }

private:
    std::string bytes_;
    uint32_t acc_ = 0;
    int bits_ = 0;
};

// LZW data with a minimum code size of 2 (four colours): every index is
// sent as a literal after a clear code, so the code table never grows and
// every code is 3 bits wide.
std::string lzw(const std::vector<uint8_t>& indices) {
    CodeWriter w;
    for (uint8_t i : indices) {
        w.send(4, 3);
        w.send(i, 3);
    }
    w.send(5, 3);
    return w.data(2);
}

struct GifImage {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint32_t> localPalette;  // 4 colours 0x00RRGGBB, or none
    std::vector<uint8_t> indices;
    int transparentIndex = -1;
};

std::string makeGif(int screenW, int screenH, const std::vector<uint32_t>& globalPalette, int background,
                    const std::vector<GifImage>& images) {
    std::string g = "GIF89a";
    put16(g, uint32_t(screenW));
    put16(g, uint32_t(screenH));
    g.push_back(char(globalPalette.empty() ? 0 : 0x81));  // 4 entries
    g.push_back(char(background));
    g.push_back(0);
    auto palette = [&](const std::vector<uint32_t>& p) {
        for (uint32_t c : p) {
            g.push_back(char(c >> 16));
            g.push_back(char(c >> 8));
            g.push_back(char(c));
        }
    };
    palette(globalPalette);
    for (const GifImage& im : images) {
        if (im.transparentIndex >= 0) {
            g += "\x21\xF9\x04\x01";
            put16(g, 0);
            g.push_back(char(im.transparentIndex));
            g.push_back(0);
        }
        g.push_back(',');
        put16(g, uint32_t(im.left));
        put16(g, uint32_t(im.top));
        put16(g, uint32_t(im.width));
        put16(g, uint32_t(im.height));
        g.push_back(char(im.localPalette.empty() ? 0 : 0x81));
        palette(im.localPalette);
        g += lzw(im.indices);
    }
    g.push_back(';');
    return g;
}

constexpr uint32_t kRed = 0x0000FF, kLime = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

}  // namespace

TEST(Gif, OffsetFirstFrameWrittenByImageMagickSitsOnTheScreenBackground) {
    // 40 x 30 screen; a 20 x 10 frame at (5, 7): lime in its first five
    // columns, red elsewhere, one blue pixel at its bottom-right corner. The
    // background index of the file points at blue in the global palette.
    const Picture p = decode(readBytes(dataPath("io/offset.gif")));
    ASSERT_EQ(p.width(), 40);
    ASSERT_EQ(p.height(), 30);
    EXPECT_EQ(p.pixel(0, 0), kBlue);
    EXPECT_EQ(p.pixel(4, 7), kBlue);
    EXPECT_EQ(p.pixel(5, 7), kLime);
    EXPECT_EQ(p.pixel(9, 16), kLime);
    EXPECT_EQ(p.pixel(10, 7), kRed);
    EXPECT_EQ(p.pixel(23, 16), kRed);
    EXPECT_EQ(p.pixel(24, 16), kBlue);
    EXPECT_EQ(p.pixel(25, 16), kBlue);
    EXPECT_EQ(p.pixel(10, 17), kBlue);
    EXPECT_EQ(p.pixel(39, 29), kBlue);
}

TEST(Gif, InterlacedFileMatchesItsReference) {
    const Picture p = decode(readBytes(dataPath("io/interlaced.gif")));
    EXPECT_EQ(maxChannelDifference(p, referencePicture(dataPath("io/interlaced.ref.png"))), 0);
}

TEST(Gif, PalettesBackgroundClippingAndTransparency) {
    const std::vector<uint32_t> global = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    // Without a global palette the uncovered part is white; the local
    // palette colours the frame.
    GifImage small{1, 1, 2, 1, {0x0000FF, 0xFF0000, 0, 0}, {0, 1}};
    const Picture a = decode(makeGif(4, 3, {}, 0, {small}));
    EXPECT_EQ(a.pixel(0, 0), kWhite);
    EXPECT_EQ(a.pixel(1, 1), kBlue);
    EXPECT_EQ(a.pixel(2, 1), kRed);
    EXPECT_EQ(a.pixel(3, 2), kWhite);

    // A frame running off the screen is clipped; the transparent index is
    // drawn with its own colour; later frames are ignored.
    GifImage big{2, 1, 3, 3, {}, {0, 1, 2, 3, 0, 1, 2, 3, 0}, 0};
    GifImage later{0, 0, 4, 3, {}, std::vector<uint8_t>(12, 3)};
    const Picture b = decode(makeGif(4, 3, global, 2, {big, later}));
    ASSERT_EQ(b.width(), 4);
    EXPECT_EQ(b.pixel(0, 0), kBlue);  // background index 2
    EXPECT_EQ(b.pixel(2, 1), kRed);   // index 0, the transparent one
    EXPECT_EQ(b.pixel(3, 1), kLime);
    EXPECT_EQ(b.pixel(2, 2), kWhite);  // index 3
    EXPECT_EQ(b.pixel(3, 2), kRed);

    // A screen of zero size takes the frame's extent.
    GifImage one{1, 2, 2, 1, {}, {1, 2}};
    const Picture c = decode(makeGif(0, 0, global, 0, {one}));
    EXPECT_EQ(c.width(), 3);
    EXPECT_EQ(c.height(), 3);
    EXPECT_EQ(c.pixel(2, 2), kBlue);
}

TEST(Gif, DamagedFilesAndFilesWithoutImagesGiveErrors) {
    const std::vector<uint32_t> global = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    const std::string good = makeGif(8, 8, global, 0, {GifImage{0, 0, 8, 8, {}, std::vector<uint8_t>(64, 1)}});
    ASSERT_EQ(decode(good).pixel(7, 7), kLime);
    const std::vector<RefusedFile> cases = {
        {"no images", makeGif(8, 8, global, 0, {}), "holds no picture"},
        {"not a GIF", "PNG" + good.substr(3), "not a GIF"},
        {"cut in the header", good.substr(0, 9), "damaged"},
        {"cut in the pixels", good.substr(0, good.size() - 12), "damaged"},
        {"65535 x 65535 screen", makeGif(65535, 65535, global, 0, {GifImage{0, 0, 1, 1, {}, {1}}}), "too large"},
        {"65535 x 65535 frame", makeGif(4, 4, global, 0, {GifImage{0, 0, 65535, 65535, {}, {1}}}), "too large"},
        {"empty frame", makeGif(4, 4, global, 0, {GifImage{0, 0, 0, 0, {}, {}}}), "no pixels"},
    };
    expectRefusals([](const std::string& bytes) { decode(bytes); }, cases);
}

namespace {

// LZW data as encoders write it: the code table grows to 4096 codes, then
// a clear code starts it afresh or, a "deferred clear", the encoder goes on
// with the full table and 12-bit codes.
std::string lzwCoded(const std::vector<uint16_t>& indices, int minCodeSize, bool clearWhenFull) {
    const unsigned clear = 1u << minCodeSize;
    std::map<std::pair<unsigned, uint16_t>, unsigned> table;  // (string's code, index) -> code
    int size = minCodeSize + 1;
    unsigned next = clear + 2;
    CodeWriter writer;
    auto send = [&](unsigned code) { writer.send(code, size); };
    send(clear);
    unsigned string = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const auto known = table.find({string, indices[i]});
        if (known != table.end()) {
            string = known->second;
            continue;
        }
        send(string);
        if (next < 4096) {
            table[{string, indices[i]}] = next++;
            if (next == (1u << size) + 1 && size < 12) ++size;
        }
        if (next == 4096 && clearWhenFull) {
            send(clear);
            table.clear();
            next = clear + 2;
            size = minCodeSize + 1;
        }
        string = indices[i];
    }
    send(string);
    send(clear + 1);
    return writer.data(minCodeSize);
}

// A GIF of one w x h image with a global palette of 256 greys (index i
// shows grey i) and the given LZW data.
std::string greyGif(int w, int h, const std::string& lzwData) {
    std::string g = "GIF89a";
    put16(g, uint32_t(w));
    put16(g, uint32_t(h));
    g += std::string("\xF7\0\0", 3);
    for (int i = 0; i < 256; ++i) g += std::string(3, char(i));
    g.push_back(',');
    put16(g, 0);
    put16(g, 0);
    put16(g, uint32_t(w));
    put16(g, uint32_t(h));
    g.push_back(0);
    return g + lzwData + ";";
}

}  // namespace

TEST(Gif, CodesUpToTheTwelveBitLimitDecode) {
    // Noise and runs, so that the table fills and strings grow long; codes
    // that start at 3 bits (giflib's) up to the 12 bits a minimum code size
    // of 11 gives from the first code (the program's own reader).
    const int w = 120, h = 90;
    std::vector<uint16_t> indices;
    uint32_t seed = 9;
    while (indices.size() < size_t(w) * h) {
        seed = seed * 1664525u + 1013904223u;
        const uint16_t v = uint16_t(seed >> 28);
        indices.insert(indices.end(), (seed >> 20 & 15) == 0 ? 300 : 1, v);
    }
    indices.resize(size_t(w) * h);
    struct Case {
        int minCodeSize;
        bool clearWhenFull;
        bool lowBits;  // indices 0 to 3 only
    } cases[] = {{2, false, true},  {2, true, true},   {4, false, false},  {8, false, false}, {8, true, false},
                 {9, false, false}, {10, true, false}, {11, false, false}, {11, true, false}};
    for (const Case& c : cases) {
        std::vector<uint16_t> v = indices;
        if (c.lowBits)
            for (uint16_t& i : v) i &= 3;
        const std::string gif = greyGif(w, h, lzwCoded(v, c.minCodeSize, c.clearWhenFull));
        Picture p;
        ASSERT_NO_THROW(p = decode(gif)) << "minimum code size " << c.minCodeSize << (c.clearWhenFull ? ", clear" : "");
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) wrong += p.pixel(x, y) != v[size_t(y) * w + x] * 0x010101u;
        EXPECT_EQ(wrong, 0) << "minimum code size " << c.minCodeSize << (c.clearWhenFull ? ", clear" : "");
    }
    // The program's own reader calls damage damage.
    const std::string good = greyGif(w, h, lzwCoded(indices, 11, false));
    std::string unknownCode = good;
    const size_t data = good.size() - lzwCoded(indices, 11, false).size() - 1;  // the minimum code size
    // The 12-bit codes after the block's length: the clear code, then 4095
    // where a string must begin.
    unknownCode[data + 3] = char(unknownCode[data + 3] | 0xF0);
    unknownCode[data + 4] = char(0xFF);
    const std::vector<RefusedFile> refused = {
        {"a code naming no string", unknownCode, "damaged"},
        {"cut in the pixels", good.substr(0, good.size() / 2), "damaged"},
        {"no data", greyGif(w, h, std::string("\x0B\x00", 2)), "damaged"},
    };
    expectRefusals([](const std::string& bytes) { decode(bytes); }, refused);
}
