#include "io/animated_gif.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include <gif_lib.h>
#include <libimagequant.h>

#include "core/tiles.h"
#include "core/error.h"
#include "io/atomic_file.h"

namespace jollix {
using namespace io_detail;

namespace {

int appendToString(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size_t(length));
    return length;
}

[[noreturn]] void gifWriteFailed(int code) {
    const char* text = GifErrorString(code);
    if (code == E_GIF_ERR_NOT_ENOUGH_MEM) throw std::bad_alloc();
    throw JollixError(std::string("the GIF encoder failed (") + (text ? text : "unknown error") + ")");
}

struct GifWriter {
    GifFileType* gif = nullptr;
    ~GifWriter() {
        int error = 0;
        if (gif) EGifCloseFile(gif, &error);
    }
    void check(int result) const {
        if (result == GIF_ERROR) gifWriteFailed(gif->Error);
    }
};

struct LiqAttr {
    liq_attr* p = liq_attr_create();
    ~LiqAttr() {
        if (p) liq_attr_destroy(p);
    }
};
struct LiqImage {
    liq_image* p = nullptr;
    ~LiqImage() {
        if (p) liq_image_destroy(p);
    }
};
struct LiqResult {
    liq_result* p = nullptr;
    ~LiqResult() {
        if (p) liq_result_destroy(p);
    }
};
struct GifMap {
    ColorMapObject* p = nullptr;
    ~GifMap() {
        if (p) GifFreeMapObject(p);
    }
};

// The rectangle of a frame that is stored: [x0, x1) x [y0, y1).
struct Rect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x1 <= x0 || y1 <= y0; }
};

// Pixels of `now` that differ from `before`, as a bounding rectangle; tiles
// the two frames share are skipped unread.
Rect changedRect(const Picture& before, const Picture& now) {
    Rect r{now.width(), now.height(), 0, 0};
    const int w = now.width(), h = now.height();
    for (int ty = 0; ty < now.tilesY(); ++ty)
        for (int tx = 0; tx < now.tilesX(); ++tx) {
            const uint8_t* a = before.tile(tx, ty);
            const uint8_t* b = now.tile(tx, ty);
            if (a == b) continue;
            const int cols = std::min(Picture::kTile, w - tx * Picture::kTile);
            const int rows = std::min(Picture::kTile, h - ty * Picture::kTile);
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < cols; ++x) {
                    const size_t o = (size_t(y) * Picture::kTile + x) * 3;
                    if (a[o] == b[o] && a[o + 1] == b[o + 1] && a[o + 2] == b[o + 2]) continue;
                    const int px = tx * Picture::kTile + x, py = ty * Picture::kTile + y;
                    r.x0 = std::min(r.x0, px);
                    r.y0 = std::min(r.y0, py);
                    r.x1 = std::max(r.x1, px + 1);
                    r.y1 = std::max(r.y1, py + 1);
                }
        }
    return r;
}

// One frame's stored part: RGBA pixels of the rectangle, those that did not
// change since `before` (when given) transparent.
std::vector<uint8_t> rgbaOf(const Picture& now, const Picture* before, const Rect& r) {
    const int w = r.x1 - r.x0, h = r.y1 - r.y0;
    std::vector<uint8_t> out(size_t(w) * h * 4);
    std::vector<uint8_t> row(size_t(w) * 3), old(size_t(w) * 3);
    const TileReader nowReader(now);
    const std::optional<TileReader> beforeReader = before ? std::optional<TileReader>(*before) : std::nullopt;
    for (int y = 0; y < h; ++y) {
        nowReader.copyRow(r.y0 + y, r.x0, w, row.data());
        if (beforeReader) beforeReader->copyRow(r.y0 + y, r.x0, w, old.data());
        uint8_t* o = out.data() + size_t(y) * w * 4;
        for (int x = 0; x < w; ++x, o += 4) {
            const uint8_t* p = row.data() + size_t(x) * 3;
            if (before && std::memcmp(p, old.data() + size_t(x) * 3, 3) == 0) continue;  // stays (0,0,0,0)
            o[0] = p[2];
            o[1] = p[1];
            o[2] = p[0];
            o[3] = 255;
        }
    }
    return out;
}

void putLoopForever(const GifWriter& w) {
    static const GifByteType kApplication[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType kLoop[] = {1, 0, 0};  // sub-block 1, repeat count 0: for ever
    w.check(EGifPutExtensionLeader(w.gif, APPLICATION_EXT_FUNC_CODE));
    w.check(EGifPutExtensionBlock(w.gif, sizeof kApplication, kApplication));
    w.check(EGifPutExtensionBlock(w.gif, sizeof kLoop, kLoop));
    w.check(EGifPutExtensionTrailer(w.gif));
}

void putFrame(const GifWriter& w, const Rect& r, std::vector<uint8_t>& rgba, int delayCs) {
    const int width = r.x1 - r.x0, height = r.y1 - r.y0;
    LiqAttr attr;
    if (!attr.p) throw std::bad_alloc();
    liq_set_max_colors(attr.p, 256);
    liq_set_speed(attr.p, 8);
    LiqImage image;
    image.p = liq_image_create_rgba(attr.p, rgba.data(), width, height, 0);
    if (!image.p) throw std::bad_alloc();
    LiqResult result;
    const liq_error e = liq_image_quantize(image.p, attr.p, &result.p);
    if (e == LIQ_OUT_OF_MEMORY) throw std::bad_alloc();
    if (e != LIQ_OK) throw JollixError("the colours of a frame could not be reduced to a palette");
    liq_set_dithering_level(result.p, 1.0f);
    std::vector<GifPixelType> indices(size_t(width) * height);
    if (liq_write_remapped_image(result.p, image.p, indices.data(), indices.size()) != LIQ_OK)
        throw JollixError("the colours of a frame could not be reduced to a palette");
    const liq_palette* palette = liq_get_palette(result.p);

    int transparent = NO_TRANSPARENT_COLOR;
    for (unsigned i = 0; i < palette->count; ++i)
        if (palette->entries[i].a < 128) transparent = int(i);
    if (transparent != NO_TRANSPARENT_COLOR) {
        // Every unchanged pixel shows through, whatever dithering chose.
        for (size_t i = 0; i < indices.size(); ++i)
            if (rgba[i * 4 + 3] == 0) indices[i] = GifPixelType(transparent);
    }

    const int bits = std::max(1, GifBitSize(int(palette->count)));
    GifMap map;
    map.p = GifMakeMapObject(1 << bits, nullptr);
    if (!map.p) throw std::bad_alloc();
    std::memset(map.p->Colors, 0, sizeof(GifColorType) * size_t(1 << bits));
    for (unsigned i = 0; i < palette->count; ++i)
        map.p->Colors[i] = GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};

    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = delayCs;
    gcb.TransparentColor = transparent;
    GifByteType ext[4];
    const size_t extLength = EGifGCBToExtension(&gcb, ext);
    w.check(EGifPutExtension(w.gif, GRAPHICS_EXT_FUNC_CODE, int(extLength), ext));
    w.check(EGifPutImageDesc(w.gif, r.x0, r.y0, width, height, false, map.p));
    for (int y = 0; y < height; ++y) w.check(EGifPutLine(w.gif, indices.data() + size_t(y) * width, width));
}

}  // namespace

std::string encodeAnimatedGif(const std::vector<Picture>& frames) {
    if (frames.empty() || frames[0].isEmpty()) throw JollixError("there is nothing to animate");
    const int width = frames[0].width(), height = frames[0].height();
    if (width > 65535 || height > 65535) throw JollixError("the frames are too large for a GIF file");
    for (const Picture& f : frames)
        if (f.width() != width || f.height() != height) throw JollixError("the frames differ in size");

    std::string bytes;
    int error = 0;
    GifWriter w;
    w.gif = EGifOpen(&bytes, appendToString, &error);
    if (!w.gif) gifWriteFailed(error);
    EGifSetGifVersion(w.gif, true);
    w.check(EGifPutScreenDesc(w.gif, width, height, 8, 0, nullptr));
    putLoopForever(w);

    for (size_t k = 0; k < frames.size(); ++k) {
        const int delay = k + 1 == frames.size() ? kAnimationLastDelayCs : kAnimationFrameDelayCs;
        const Picture* before = k == 0 ? nullptr : &frames[k - 1];
        Rect r = before ? changedRect(*before, frames[k]) : Rect{0, 0, width, height};
        // Nothing changed: one transparent pixel keeps the frame's time.
        if (r.empty()) r = Rect{0, 0, 1, 1};
        std::vector<uint8_t> rgba = rgbaOf(frames[k], before, r);
        putFrame(w, r, rgba, delay);
    }
    const int result = EGifCloseFile(w.gif, &error);
    w.gif = nullptr;
    if (result == GIF_ERROR) gifWriteFailed(error);
    return bytes;
}

void saveAnimatedGif(const std::vector<Picture>& frames, const std::string& path) {
    std::string bytes;
    try {
        bytes = encodeAnimatedGif(frames);
    } catch (const JollixError& e) {
        throw JollixError("Cannot save the animation " + path + ": " + e.what() + ".");
    } catch (const std::bad_alloc&) {
        throw JollixError("Cannot save the animation " + path + ": there is not enough memory.");
    }
    writeFileAtomically(path, bytes);
}

}  // namespace jollix
