// GIF files through giflib, read record by record so that only the first
// image is ever decoded and nothing is allocated beyond one row of it.
//
// The result has the size of the logical screen. The first image is drawn at
// its offset, clipped to the screen, without transparency (pixels of the
// transparent index show their palette colour). The part of the screen it
// does not cover takes the background colour of the global palette, or white
// when the file has none. A screen of zero width or height takes the extent
// of the first image. Without any palette, index i shows grey level i.
//
// giflib decodes images whose LZW codes start at 3 to 9 bits; the format
// lets them start at up to 12 bits (a minimum code size of up to 11, so
// that the codes are at the 12-bit limit from the first one), which giflib
// refuses as unreadable. Those images are decoded by the program's own LZW
// reader below, from the bytes after giflib has read their descriptor.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "core/tiles.h"
#include "io/decode_util.h"
#include "io/input_bytes.h"
#include "io/picture_files.h"

namespace jollix {
using namespace io_detail;

namespace {

// giflib reads forwards only: what it has read is given back a megabyte at
// a time.
struct Source {
    const uint8_t* data;
    size_t size;
    size_t pos;
    size_t given = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
    auto* s = static_cast<Source*>(gif->UserData);
    if (length <= 0) return 0;
    const size_t n = std::min(size_t(length), s->size - s->pos);
    std::memcpy(buffer, s->data + s->pos, n);
    s->pos += n;
    if (s->pos - s->given >= (size_t(1) << 20)) {
        doneWithInput(s->data + s->given, s->data + s->pos);
        s->given = s->pos;
    }
    return int(n);
}

struct GifCloser {
    GifFileType* gif;
    ~GifCloser() {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};

[[noreturn]] void gifFailed(int code) {
    const char* text = GifErrorString(code);
    fail(std::string("the GIF data is damaged (") + (text ? text : "unknown error") + ")");
}

// LZW data of an image (sub-blocks of up to 255 bytes after the minimum
// code size), its codes of up to 12 bits read least significant bit first.
// The table stops growing when it holds 4096 codes, until a clear code
// (a "deferred clear"). Every code must name a string already known, or the
// one about to be made; anything else, and data that ends before the
// image's pixels, is damage.
class LzwReader {
public:
    LzwReader(const uint8_t* data, size_t size, size_t at, int minCodeSize)
        : data_(data), size_(size), at_(at), clear_(1u << minCodeSize), minCodeSize_(minCodeSize) {
        for (unsigned i = 0; i < clear_; ++i) {
            suffix_[i] = uint16_t(i);
            first_[i] = uint16_t(i);
        }
        reset();
    }

    // The next count pixels' indexes.
    void read(uint16_t* out, int count) {
        for (int i = 0; i < count; ++i) {
            while (stackSize_ == 0) nextString();
            out[i] = stack_[--stackSize_];
        }
    }

private:
    [[noreturn]] static void damaged(const char* why) { fail(std::string("the GIF data is damaged (") + why + ")"); }

    void reset() {
        codeSize_ = minCodeSize_ + 1;
        next_ = clear_ + 2;
        previous_ = -1;
    }

    unsigned bits(int count) {
        while (bitCount_ < count) {
            if (blockLeft_ == 0) {
                if (at_ >= size_ || data_[at_] == 0) damaged("the image data ended early");
                blockLeft_ = data_[at_++];
            }
            if (at_ >= size_) damaged("the image data ended early");
            bitBuffer_ |= uint32_t(data_[at_++]) << bitCount_;
            bitCount_ += 8;
            --blockLeft_;
        }
        const unsigned v = bitBuffer_ & ((1u << count) - 1);
        bitBuffer_ >>= count;
        bitCount_ -= count;
        return v;
    }

    // Reads codes until one gives pixels; puts them on the stack, last first.
    void nextString() {
        for (;;) {
            const unsigned code = bits(codeSize_);
            if (code == clear_) {
                reset();
                continue;
            }
            if (code == clear_ + 1) damaged("the image data ended early");
            if (previous_ < 0) {
                if (code > clear_) damaged("a code names no string");
                stack_[stackSize_++] = uint16_t(code);
                previous_ = int(code);
                return;
            }
            unsigned c = code, firstOfNew;
            if (code < next_) {
                firstOfNew = first_[code];
            } else if (code == next_ && next_ < 4096) {  // the string about to be made
                firstOfNew = first_[previous_];
                stack_[stackSize_++] = uint16_t(firstOfNew);
                c = unsigned(previous_);
            } else {
                damaged("a code names no string");
            }
            while (c > clear_) {
                stack_[stackSize_++] = suffix_[c];
                c = prefix_[c];
            }
            stack_[stackSize_++] = uint16_t(c);
            if (next_ < 4096) {
                prefix_[next_] = uint16_t(previous_);
                suffix_[next_] = uint16_t(firstOfNew);
                first_[next_] = first_[previous_];
                ++next_;
                if (next_ == (1u << codeSize_) && codeSize_ < 12) ++codeSize_;
            }
            previous_ = int(code);
            return;
        }
    }

    const uint8_t* data_;
    size_t size_, at_;
    const unsigned clear_;
    const int minCodeSize_;
    int codeSize_ = 0, previous_ = -1, bitCount_ = 0;
    unsigned next_ = 0, blockLeft_ = 0;
    uint32_t bitBuffer_ = 0;
    // Each code's string: its prefix code, its last and its first index.
    uint16_t prefix_[4096] = {}, suffix_[4096] = {}, first_[4096] = {};
    uint16_t stack_[4097] = {};
    int stackSize_ = 0;
};

uint32_t colourOf(const ColorMapObject* map, int index) {
    if (!map) return uint32_t(index) * 0x010101u;
    if (index < 0 || index >= map->ColorCount) return 0;
    const GifColorType& c = map->Colors[index];
    return uint32_t(c.Red) | (uint32_t(c.Green) << 8) | (uint32_t(c.Blue) << 16);
}

}  // namespace

Picture decodeGif(const uint8_t* data, size_t size, uint64_t maxPixels) {
    if (size < 6 || std::memcmp(data, "GIF", 3) != 0) fail("the file is not a GIF file");
    Source source{data, size, 0};
    int error = 0;
    GifCloser closer{DGifOpen(&source, readFromMemory, &error)};
    GifFileType* gif = closer.gif;
    if (!gif) gifFailed(error);

    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) gifFailed(gif->Error);
        if (type == TERMINATE_RECORD_TYPE) fail("the GIF file holds no picture");
        if (type == EXTENSION_RECORD_TYPE) {
            int code;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) gifFailed(gif->Error);
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) gifFailed(gif->Error);
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) fail("the GIF file holds an unknown record");
        break;
    }
    // Where the image's minimum code size is: after the descriptor (9 bytes
    // past the separator giflib has just read) and its palette.
    size_t codeSizeAt = source.pos + 9;
    if (codeSizeAt < size && (data[codeSizeAt - 1] & 0x80)) codeSizeAt += size_t(3) << ((data[codeSizeAt - 1] & 7) + 1);
    const int minCodeSize = codeSizeAt < size ? data[codeSizeAt] : 0;
    std::unique_ptr<LzwReader> ownReader;
    if (DGifGetImageDesc(gif) == GIF_ERROR) {
        if (minCodeSize < 9 || minCodeSize > 11 || source.pos != codeSizeAt + 1) gifFailed(gif->Error);
        ownReader = std::make_unique<LzwReader>(data, size, codeSizeAt + 1, minCodeSize);
    }
    const GifImageDesc& im = gif->Image;
    checkPictureSize(im.Width, im.Height, maxPixels, "GIF image");
    int64_t screenW = gif->SWidth, screenH = gif->SHeight;
    if (screenW <= 0 || screenH <= 0) {
        screenW = int64_t(im.Left) + im.Width;
        screenH = int64_t(im.Top) + im.Height;
    }
    checkPictureSize(screenW, screenH, maxPixels, "GIF picture");

    const ColorMapObject* global = gif->SColorMap;
    const ColorMapObject* map = im.ColorMap ? im.ColorMap : global;
    uint32_t background = 0xFFFFFF;
    if (global) background = colourOf(global, gif->SBackGroundColor);

    const int sw = int(screenW), sh = int(screenH);
    Picture picture(sw, sh, background);
    TileWriter writer(picture);

    // BGR of every index a code can give, once (past a palette's 256
    // entries: black).
    std::vector<std::array<uint8_t, 3>> lut(4096);
    for (int i = 0; i < 4096; ++i) {
        const uint32_t c = i < 256 ? colourOf(map, i) : 0;
        lut[i][0] = uint8_t(c >> 16);
        lut[i][1] = uint8_t(c >> 8);
        lut[i][2] = uint8_t(c);
    }

    std::vector<GifPixelType> line(size_t(im.Width));
    std::vector<uint16_t> indexes(size_t(im.Width));
    std::vector<uint8_t> bgr(size_t(im.Width) * 3);
    // Interlaced images deliver their rows in four passes.
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const int passes = im.Interlace ? 4 : 1;
    const int x0 = std::max(0, im.Left), x1 = std::min<int64_t>(sw, int64_t(im.Left) + im.Width);
    for (int pass = 0; pass < passes; ++pass) {
        const int start = im.Interlace ? kStart[pass] : 0, step = im.Interlace ? kStep[pass] : 1;
        for (int row = start; row < im.Height; row += step) {
            if (ownReader) {
                ownReader->read(indexes.data(), im.Width);
            } else {
                if (DGifGetLine(gif, line.data(), im.Width) == GIF_ERROR) gifFailed(gif->Error);
                std::copy(line.begin(), line.end(), indexes.begin());
            }
            const int64_t y = int64_t(im.Top) + row;
            if (y < 0 || y >= sh || x0 >= x1) continue;
            uint8_t* o = bgr.data();
            for (int x = x0; x < x1; ++x, o += 3) std::memcpy(o, lut[indexes[size_t(x - im.Left)]].data(), 3);
            writer.putRow(int(y), x0, x1 - x0, bgr.data());
        }
    }
    return picture;
}

}  // namespace jollix
