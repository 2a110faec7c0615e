// GIF files through giflib, read record by record so that only the first
// image is ever decoded and nothing is allocated beyond one row of it.
//
// The result has the size of the logical screen. The first image is drawn at
// its offset, clipped to the screen, without transparency (pixels of the
// transparent index show their palette colour). The part of the screen it
// does not cover takes the background colour of the global palette, or white
// when the file has none. A screen of zero width or height takes the extent
// of the first image. Without any palette, index i shows grey level i.
#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

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
    if (DGifGetImageDesc(gif) == GIF_ERROR) gifFailed(gif->Error);
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

    // BGR of every palette index, once.
    uint8_t lut[256][3];
    for (int i = 0; i < 256; ++i) {
        const uint32_t c = colourOf(map, i);
        lut[i][0] = uint8_t(c >> 16);
        lut[i][1] = uint8_t(c >> 8);
        lut[i][2] = uint8_t(c);
    }

    std::vector<GifPixelType> line(size_t(im.Width));
    std::vector<uint8_t> bgr(size_t(im.Width) * 3);
    // Interlaced images deliver their rows in four passes.
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const int passes = im.Interlace ? 4 : 1;
    const int x0 = std::max(0, im.Left), x1 = std::min<int64_t>(sw, int64_t(im.Left) + im.Width);
    for (int pass = 0; pass < passes; ++pass) {
        const int start = im.Interlace ? kStart[pass] : 0, step = im.Interlace ? kStep[pass] : 1;
        for (int row = start; row < im.Height; row += step) {
            if (DGifGetLine(gif, line.data(), im.Width) == GIF_ERROR) gifFailed(gif->Error);
            const int64_t y = int64_t(im.Top) + row;
            if (y < 0 || y >= sh || x0 >= x1) continue;
            uint8_t* o = bgr.data();
            for (int x = x0; x < x1; ++x, o += 3) std::memcpy(o, lut[line[size_t(x - im.Left)]], 3);
            picture.writeRowSpan(int(y), x0, x1 - x0, bgr.data());
        }
    }
    return picture;
}

}  // namespace jollix
