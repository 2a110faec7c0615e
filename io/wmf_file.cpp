// Windows metafiles: reading through libwmf's player, drawn by the
// program's own QPainter device (wmf_canvas.cpp), and the program's own
// writer of placeable metafiles.
//
// libwmf trusts the file it plays far more than a reader of hostile bytes
// may, so before any byte reaches it the metafile's structure is checked
// here: the placeable header, the metafile header and the chain of records up
// to the end-of-file record, every record lying inside the file. libwmf then
// plays a normalised copy: data after the end record is cut off, and the
// header's largest-record field (which libwmf allocates by) is replaced by
// the true largest record. libwmf's own memory goes through an allocator
// with a fixed budget.
//
// Size in pixels: a placeable file measures its bounding box in units per
// inch, shown at 96 pixels per inch, and the picture shows that box. A file
// without the placeable header has no physical size; it is shown over the
// bounding box of what it draws, one libwmf device unit per pixel (a
// logical unit in MM_TEXT; in the scaled mapping modes the window spans a
// 1024-unit viewport), scaled down to at most 4096 pixels a side.
//
// Before libwmf reads a bitmap record, the program's own DIB reader checks
// the bitmap; a record it refuses is left out of the copy.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "core/tiles.h"
#include "io/wmf_canvas.h"  // Qt's headers before libwmf's type macros
extern "C" {
#include <libwmf/api.h>
}

#include "io/atomic_file.h"
#include "io/decode_util.h"
#include "io/metafile_records.h"
#include "io/picture_files.h"
#include "io/picture_rows.h"

namespace jollix {
using namespace io_detail;

namespace io_detail {

WmfLayout checkWmfStructure(const uint8_t* data, size_t size) {
    WmfLayout layout;
    size_t pos = 0;
    if (size >= 4 && le32(data) == kPlaceableKey) {
        if (size < 22) fail("the metafile's placeable header is cut short");
        layout.placeable = true;
        layout.left = les16(data + 6);
        layout.top = les16(data + 8);
        layout.right = les16(data + 10);
        layout.bottom = les16(data + 12);
        layout.unitsPerInch = le16(data + 14);
        pos = 22;
    }
    layout.headerPos = pos;
    if (size - pos < 18) fail("the metafile header is cut short");
    const uint16_t type = le16(data + pos), headerWords = le16(data + pos + 2);
    if ((type != 1 && type != 2) || headerWords != 9) fail("the file is not a Windows metafile");
    layout.objects = le16(data + pos + 10);
    pos += 18;
    uint32_t largest = 5;  // at least the records put in front for libwmf
    bool sawViewportOrg = false, sawViewportExt = false;
    for (;;) {
        if (size - pos < 6) fail("the metafile ends before its end record");
        const uint32_t words = le32(data + pos);
        const uint16_t function = le16(data + pos + 4);
        if (words < 3) fail("the metafile holds a record of impossible size");
        if (uint64_t(words) * 2 > size - pos) fail("a metafile record runs past the end of the file");
        largest = std::max(largest, words);
        if (function == 0) {
            if (words != 3) fail("the metafile's end record is damaged");
            pos += 6;
            break;
        }
        const uint8_t* param = data + pos + 6;
        if (words >= 5 && function == kMetaSetViewportOrg && !sawViewportOrg) {
            sawViewportOrg = true;
            layout.viewportY = les16(param);
            layout.viewportX = les16(param + 2);
        }
        if (words >= 5 && function == kMetaSetViewportExt && !sawViewportExt) {
            sawViewportExt = true;
            layout.viewportH = les16(param);
            layout.viewportW = les16(param + 2);
        }
        ++layout.records;
        pos += size_t(words) * 2;
    }
    layout.end = pos;
    layout.largestRecord = largest;
    return layout;
}

}  // namespace io_detail

namespace {

// libwmf's allocations, counted against a budget. Each block carries its
// size in front.
struct Budget {
    size_t used = 0;
    size_t limit = 0;
};
constexpr size_t kHeader = 16;

void* budgetMalloc(void* context, size_t size) {
    auto* b = static_cast<Budget*>(context);
    if (size > b->limit - std::min(b->limit, b->used) || size > SIZE_MAX - kHeader) return nullptr;
    auto* p = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!p) return nullptr;
    std::memcpy(p, &size, sizeof size);
    b->used += size;
    return p + kHeader;
}

void budgetFree(void* context, void* mem) {
    if (!mem) return;
    auto* b = static_cast<Budget*>(context);
    auto* p = static_cast<unsigned char*>(mem) - kHeader;
    size_t size;
    std::memcpy(&size, p, sizeof size);
    b->used -= size;
    std::free(p);
}

void* budgetRealloc(void* context, void* mem, size_t size) {
    if (!mem) return budgetMalloc(context, size);
    auto* b = static_cast<Budget*>(context);
    auto* p = static_cast<unsigned char*>(mem) - kHeader;
    size_t old;
    std::memcpy(&old, p, sizeof old);
    if (size > old && size - old > b->limit - std::min(b->limit, b->used)) return nullptr;
    if (size > SIZE_MAX - kHeader) return nullptr;
    auto* q = static_cast<unsigned char*>(std::realloc(p, size + kHeader));
    if (!q) return nullptr;
    std::memcpy(q, &size, sizeof size);
    b->used = b->used - old + size;
    return q + kHeader;
}

// libwmf draws text with the 13 standard PostScript fonts. It looks for
// URW's Type 1 versions of them; where those are not installed, the DejaVu
// fonts (there wherever fontconfig is) stand in, so that metafiles still
// open. Without any of them libwmf refuses every metafile.
const char* const kUrwDir = "/usr/share/fonts/type1/urw-base35";
const char* const kDejaVuDir = "/usr/share/fonts/truetype/dejavu";

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

struct FontSetup {
    std::vector<std::string> names;  // storage for the strings below
    std::vector<char*> dirs;
    std::vector<wmfMapping> ps;
    bool useMap = false;
    FontSetup() {
        static const char* const kMap[][2] = {
            {"Times-Roman", "DejaVuSerif.ttf"},
            {"Times-Italic", "DejaVuSerif-Italic.ttf"},
            {"Times-Bold", "DejaVuSerif-Bold.ttf"},
            {"Times-BoldItalic", "DejaVuSerif-BoldItalic.ttf"},
            {"Helvetica", "DejaVuSans.ttf"},
            {"Helvetica-Oblique", "DejaVuSans-Oblique.ttf"},
            {"Helvetica-Bold", "DejaVuSans-Bold.ttf"},
            {"Helvetica-BoldOblique", "DejaVuSans-BoldOblique.ttf"},
            {"Courier", "DejaVuSansMono.ttf"},
            {"Courier-Oblique", "DejaVuSansMono-Oblique.ttf"},
            {"Courier-Bold", "DejaVuSansMono-Bold.ttf"},
            {"Courier-BoldOblique", "DejaVuSansMono-BoldOblique.ttf"},
            {"Symbol", "DejaVuSans.ttf"},
            {"ZapfDingbats", "DejaVuSans.ttf"},
        };
        names.reserve(64);
        auto keep = [this](const std::string& s) {
            names.push_back(s);
            return names.back().data();
        };
        dirs.push_back(keep(kUrwDir));
        dirs.push_back(keep(kDejaVuDir));
        dirs.push_back(nullptr);
        if (fileExists(std::string(kUrwDir) + "/NimbusRoman-Regular.t1")) return;
        if (!fileExists(std::string(kDejaVuDir) + "/DejaVuSans.ttf")) return;
        useMap = true;
        for (const auto& m : kMap) {
            wmfMapping entry;
            std::memset(&entry, 0, sizeof entry);
            entry.name = keep(m[0]);
            entry.mapping = keep(m[1]);
            entry.encoding = FT_ENCODING_UNICODE;
            ps.push_back(entry);
        }
        wmfMapping end;
        std::memset(&end, 0, sizeof end);
        ps.push_back(end);
    }
};

const FontSetup& fontSetup() {
    static const FontSetup setup;
    return setup;
}

struct WmfSession {
    wmfAPI* api = nullptr;
    bool open = false;
    ~WmfSession() {
        if (api) {
            if (open) wmf_mem_close(api);
            wmf_api_destroy(api);
        }
    }
};

const char* wmfErrorText(wmf_error_t e) {
    switch (e) {
        case wmf_E_InsMem: return "it needs more memory than a metafile may use";
        case wmf_E_BadFile: return "it cannot be read";
        case wmf_E_BadFormat: return "its records are damaged";
        case wmf_E_EOF: return "it ends too early";
        case wmf_E_DeviceError: return "drawing it failed";
        case wmf_E_UserExit: return "drawing it was stopped";
        default: return "the metafile reader failed";
    }
}

[[noreturn]] void wmfFailed(wmf_error_t e) { fail(std::string("the metafile cannot be shown: ") + wmfErrorText(e)); }

constexpr double kBareMetafileSide = 4096;

// What libwmf may allocate for one file: 64 MiB and four times its size.
constexpr size_t kLibwmfBudget = size_t(64) << 20;

// Where the device-independent bitmap of a record starts within its
// parameters, or 0 for records that carry none. Records with an old
// device-dependent bitmap give SIZE_MAX: they are never passed on.
size_t bitmapOffset(uint16_t function, size_t paramBytes) {
    switch (function) {
        case 0x0F43: return 22;                               // META_STRETCHDIB
        case 0x0B41: return paramBytes == 22 ? 0 : 20;        // META_DIBSTRETCHBLT
        case 0x0940: return paramBytes == 18 ? 0 : 16;        // META_DIBBITBLT
        case 0x0D33: return 18;                               // META_SETDIBTODEV
        case 0x0142: return 4;                                // META_DIBCREATEPATTERNBRUSH
        case 0x0B23: return paramBytes == 22 ? 0 : SIZE_MAX;  // META_STRETCHBLT
        case 0x0922: return paramBytes == 18 ? 0 : SIZE_MAX;  // META_BITBLT
        case 0x01F9: return SIZE_MAX;                         // META_CREATEPATTERNBRUSH
        default: return 0;
    }
}

bool bitmapRecordIsSound(uint16_t function, const uint8_t* params, size_t paramBytes, uint64_t maxPixels) {
    const size_t at = bitmapOffset(function, paramBytes);
    if (at == 0) return true;
    if (at == SIZE_MAX || at + 4 > paramBytes) return false;
    const uint32_t headerSize = le32(params + at);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        return false;
    try {
        checkDib(params + at, paramBytes - at, DibOptions{}, maxPixels);
        return true;
    } catch (const JollixError&) {
        return false;
    }
}

int roundedPixels(double v) {
    if (!(v >= 0) || v > 1e9) return 0;
    return int(std::nearbyint(v));
}

void put16(std::vector<unsigned char>& out, uint32_t v) {
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t((v >> 8) & 0xFF));
}
void put32(std::vector<unsigned char>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// The copy libwmf plays: ends at the end record, the header tells the
// truth about the largest record and the size. A placeable file is played
// the way such files are meant to be played: in MM_ANISOTROPIC with its
// bounding box as the window, which its own records may change, so these
// three records go in front of its own. Bitmaps go to libwmf's own bitmap
// reader, which trusts its input (a header of 39 bytes keeps it busy for
// ever): a record whose bitmap the program's own reader refuses is left out.
std::vector<unsigned char> playableCopy(const WmfLayout& layout, const uint8_t* data, size_t size, uint64_t maxPixels) {
    std::vector<unsigned char> prefix;
    if (layout.placeable) {
        put32(prefix, 4);
        put16(prefix, kMetaSetMapMode);
        put16(prefix, 8);
        put32(prefix, 5);
        put16(prefix, kMetaSetWindowOrg);
        put16(prefix, uint16_t(layout.top));
        put16(prefix, uint16_t(layout.left));
        put32(prefix, 5);
        put16(prefix, kMetaSetWindowExt);
        put16(prefix, uint16_t(int16_t(layout.bottom - layout.top)));
        put16(prefix, uint16_t(int16_t(layout.right - layout.left)));
    }
    const size_t recordsAt = layout.headerPos + 18;
    std::vector<unsigned char> copy;
    copy.reserve(layout.end + prefix.size());
    copy.insert(copy.end(), data, data + recordsAt);
    copy.insert(copy.end(), prefix.begin(), prefix.end());
    // A bitmap larger than libwmf's memory budget (below) fails there anyway.
    const uint64_t bitmapPixels = std::min<uint64_t>(maxPixels, kLibwmfBudget + uint64_t(size) * 4);
    for (size_t pos = recordsAt; pos < layout.end;) {
        const uint32_t words = le32(data + pos);
        const uint16_t function = le16(data + pos + 4);
        if (bitmapRecordIsSound(function, data + pos + 6, size_t(words) * 2 - 6, bitmapPixels))
            copy.insert(copy.end(), data + pos, data + pos + size_t(words) * 2);
        pos += size_t(words) * 2;
    }
    unsigned char* header = copy.data() + layout.headerPos;
    auto set32 = [](unsigned char* p, uint32_t v) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
        p[3] = uint8_t(v >> 24);
    };
    set32(header + 6, uint32_t((copy.size() - layout.headerPos) / 2));  // size in 16-bit words
    set32(header + 12, layout.largestRecord);
    return copy;
}

// The picture size of a placeable file: its bounding box at 96 pixels an
// inch.
void placeableSize(const WmfLayout& layout, int64_t& width, int64_t& height) {
    if (layout.unitsPerInch == 0) fail("the metafile's placeable header gives no units per inch");
    const double inch = layout.unitsPerInch;
    width = roundedPixels(std::abs(double(layout.right) - layout.left) * 96.0 / inch);
    height = roundedPixels(std::abs(double(layout.bottom) - layout.top) * 96.0 / inch);
}

// libwmf, set up to play a copy with its memory counted against a budget
// and its drawing done on the program's canvas.
void openPlayer(WmfSession& session, Budget& budget, std::vector<unsigned char>& copy) {
    budget.limit = kLibwmfBudget + copy.size() * 4;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmfCanvasFunction;
    options.context = &budget;
    options.malloc = budgetMalloc;
    options.realloc = budgetRealloc;
    options.free = budgetFree;
    const FontSetup& fonts = fontSetup();
    options.fontdirs = const_cast<char**>(fonts.dirs.data());
    unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_ALLOC | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_FONTDIRS |
                          WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (fonts.useMap) {
        options.font.ps = const_cast<wmfMapping*>(fonts.ps.data());
        flags |= WMF_OPT_FONTMAP;
    }
    wmf_error_t err = wmf_api_create(&session.api, flags, &options);
    if (err != wmf_E_None || !session.api) {
        session.api = nullptr;
        fail("the metafile reader could not start");
    }
    err = wmf_mem_open(session.api, copy.data(), long(copy.size()));
    if (err != wmf_E_None) wmfFailed(err);
    session.open = true;
}

// libwmf measures in device units. In MM_ANISOTROPIC the window maps onto a
// viewport of 1024 x 1024 units unless the file sets its own, so that square
// (or the file's viewport) is the placeable bounding box. A bare metafile
// shows what it draws, its size then taken from that.
wmfD_Rect frameOf(const WmfLayout& layout, const wmfD_Rect& bbox, int64_t& width, int64_t& height, uint64_t maxPixels) {
    wmfD_Rect frame = bbox;
    if (layout.placeable) {
        frame.TL.x = float(layout.viewportX);
        frame.TL.y = float(layout.viewportY);
        frame.BR.x = float(layout.viewportX + layout.viewportW);
        frame.BR.y = float(layout.viewportY + layout.viewportH);
        if (frame.BR.x < frame.TL.x) std::swap(frame.BR.x, frame.TL.x);
        if (frame.BR.y < frame.TL.y) std::swap(frame.BR.y, frame.TL.y);
        // Drawing that misses the bounding box altogether (the file changed
        // the mapping in a way not followed here): show what is drawn.
        if (!(frame.BR.x > frame.TL.x) || !(frame.BR.y > frame.TL.y) || bbox.BR.x <= frame.TL.x ||
            bbox.TL.x >= frame.BR.x || bbox.BR.y <= frame.TL.y || bbox.TL.y >= frame.BR.y)
            frame = bbox;
    } else {
        double w = double(bbox.BR.x) - bbox.TL.x, h = double(bbox.BR.y) - bbox.TL.y;
        const double longest = std::max(w, h);
        if (longest > kBareMetafileSide) {
            w = w * kBareMetafileSide / longest;
            h = h * kBareMetafileSide / longest;
        }
        width = std::max(1, roundedPixels(w));
        height = std::max(1, roundedPixels(h));
        checkPictureSize(width, height, maxPixels, "metafile");
    }
    return frame;
}

// The program's own metafiles draw one 24-bit bitmap at its own size over
// the whole bounding box, in the window the placeable header gives. Such a
// file shows exactly its bitmap, which is read straight into the picture
// (a picture of 16384 square took a minute and 5.9 GB through the player).
// Anything else in the file, or a bitmap of another size, goes through the
// player.
bool isOwnPicture(const WmfLayout& layout, const uint8_t* data, int64_t width, int64_t height, const uint8_t** dib,
                  size_t* dibBytes) {
    if (!layout.placeable || layout.left != 0 || layout.top != 0 || layout.records != 4) return false;
    const uint8_t* r = data + layout.headerPos + 18;
    auto record = [&](uint32_t words, uint16_t function) {
        const bool ok = le32(r) == words && le16(r + 4) == function;
        return ok;
    };
    if (!record(4, kMetaSetMapMode) || le16(r + 6) != 8) return false;
    r += 8;
    if (!record(5, kMetaSetWindowOrg) || le16(r + 6) != 0 || le16(r + 8) != 0) return false;
    r += 10;
    if (!record(5, kMetaSetWindowExt) || le16(r + 6) != height || le16(r + 8) != width) return false;
    r += 10;
    const uint32_t words = le32(r);
    if (le16(r + 4) != kMetaStretchDib || words < 3 + 11 + 20) return false;
    const uint8_t* p = r + 6;
    const uint16_t expected[9] = {0, uint16_t(height), uint16_t(width), 0, 0, uint16_t(height), uint16_t(width), 0, 0};
    if (le32(p) != 0x00CC0020) return false;  // SRCCOPY
    for (int i = 0; i < 9; ++i)
        if (le16(p + 4 + 2 * i) != expected[i]) return false;
    *dib = p + 22;
    *dibBytes = size_t(words) * 2 - 6 - 22;
    // A plain 24-bit bitmap of the picture's size, bottom-up.
    return *dibBytes >= 40 && le32(*dib) == 40 && les32(*dib + 4) == width && les32(*dib + 8) == height &&
           le16(*dib + 12) == 1 && le16(*dib + 14) == 24 && le32(*dib + 16) == 0;
}

}  // namespace

Picture decodeWmf(const uint8_t* data, size_t size, uint64_t maxPixels) {
    const WmfLayout layout = checkWmfStructure(data, size);
    int64_t width = 1, height = 1;
    if (layout.placeable) placeableSize(layout, width, height);
    checkPictureSize(width, height, maxPixels, "metafile");
    const uint8_t* dib = nullptr;
    size_t dibBytes = 0;
    if (isOwnPicture(layout, data, width, height, &dib, &dibBytes)) return decodeDib(dib, dibBytes, {}, maxPixels);

    std::vector<unsigned char> copy = playableCopy(layout, data, size, maxPixels);
    Budget budget;
    WmfSession session;
    openPlayer(session, budget, copy);
    wmfAPI* api = session.api;
    wmfD_Rect bbox;
    wmf_error_t err = wmf_scan(api, 0, &bbox);
    if (err != wmf_E_None) wmfFailed(err);
    auto finite = [](const wmfD_Rect& r) {
        return std::isfinite(r.TL.x) && std::isfinite(r.TL.y) && std::isfinite(r.BR.x) && std::isfinite(r.BR.y);
    };
    if (!finite(bbox) || !(bbox.BR.x > bbox.TL.x) || !(bbox.BR.y > bbox.TL.y)) {
        // Nothing drawn: a placeable file is its white bounding box, a bare
        // metafile has no size at all.
        if (layout.placeable) return Picture(int(width), int(height), 0xFFFFFF);
        fail("the metafile draws nothing");
    }
    const wmfD_Rect frame = frameOf(layout, bbox, width, height, maxPixels);

    ensureGuiApplication();
    WmfCanvas canvas(int(width), int(height), frame.TL.x, frame.TL.y, frame.BR.x, frame.BR.y, maxPixels);
    api->device_data = &canvas;
    err = wmf_play(api, 0, &bbox);
    api->device_data = nullptr;
    canvas.painter.end();
    if (err != wmf_E_None) wmfFailed(err);
    if (canvas.overBudget) fail("the metafile draws far more than its picture holds");
    return canvas.take();
}

// ---------------------------------------------------------------------------
// Writer.

namespace {

// The screen's physical size of one pixel, in hundredths of a millimetre:
// 96 pixels per inch.
constexpr int64_t kHundredthsMmPerInch = 2540;
constexpr int64_t kScreenPixelsPerInch = 96;

// a * b / c rounded to the nearest integer (a, b, c positive).
int64_t mulDiv(int64_t a, int64_t b, int64_t c) { return (a * b + c / 2) / c; }

struct Writer {
    std::string out;
    void u16(uint32_t v) {
        out.push_back(char(v & 0xFF));
        out.push_back(char((v >> 8) & 0xFF));
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
};

}  // namespace

std::string encodeWmf(const Picture& picture) {
    const int w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0) throw JollixError("an empty picture cannot be saved");
    if (w > 32767 || h > 32767)
        throw JollixError("the picture is too large for a metafile (at most 32767 pixels a side)");

    // The frame in hundredths of a millimetre, then the bounding box in
    // units of 1/96 inch.
    const int64_t frameW = mulDiv(w, kHundredthsMmPerInch, kScreenPixelsPerInch);
    const int64_t frameH = mulDiv(h, kHundredthsMmPerInch, kScreenPixelsPerInch);
    const int64_t right = mulDiv(frameW, 96, kHundredthsMmPerInch);
    const int64_t bottom = mulDiv(frameH, 96, kHundredthsMmPerInch);

    const uint64_t stride = (uint64_t(w) * 3 + 3) & ~uint64_t(3);
    const uint64_t dibBytes = 40 + stride * uint64_t(h);
    const uint64_t stretchWords = 3 + 11 + dibBytes / 2;
    if (stretchWords > 0xFFFFFFFFu) throw JollixError("the picture is too large for a metafile");
    const uint32_t mapModeWords = 4, orgWords = 5, extWords = 5, eofWords = 3;
    const uint64_t totalWords = 9 + mapModeWords + orgWords + extWords + stretchWords + eofWords;
    if (totalWords > 0xFFFFFFFFu) throw JollixError("the picture is too large for a metafile");

    Writer wr;
    wr.out.reserve(size_t(22 + totalWords * 2));
    // Placeable header.
    const uint16_t words[10] = {uint16_t(kPlaceableKey & 0xFFFF),
                                uint16_t(kPlaceableKey >> 16),
                                0,
                                0,
                                0,
                                uint16_t(right),
                                uint16_t(bottom),
                                96,
                                0,
                                0};
    uint16_t checksum = 0;
    for (uint16_t v : words) {
        wr.u16(v);
        checksum ^= v;
    }
    wr.u16(checksum);
    // Metafile header.
    wr.u16(1);       // in memory
    wr.u16(9);       // header size in words
    wr.u16(0x0300);  // version
    wr.u32(uint32_t(totalWords));
    wr.u16(0);  // objects
    wr.u32(uint32_t(stretchWords));
    wr.u16(0);
    // MM_ANISOTROPIC, window (0, 0) to the picture's size.
    wr.u32(mapModeWords);
    wr.u16(kMetaSetMapMode);
    wr.u16(8);
    wr.u32(orgWords);
    wr.u16(kMetaSetWindowOrg);
    wr.u16(0);
    wr.u16(0);
    wr.u32(extWords);
    wr.u16(kMetaSetWindowExt);
    wr.u16(uint32_t(h));
    wr.u16(uint32_t(w));
    // The picture, drawn once at its own size.
    wr.u32(uint32_t(stretchWords));
    wr.u16(kMetaStretchDib);
    wr.u32(0x00CC0020);  // SRCCOPY
    wr.u16(0);           // DIB_RGB_COLORS
    wr.u16(uint32_t(h));
    wr.u16(uint32_t(w));  // source height, width
    wr.u16(0);
    wr.u16(0);  // source y, x
    wr.u16(uint32_t(h));
    wr.u16(uint32_t(w));  // destination height, width
    wr.u16(0);
    wr.u16(0);  // destination y, x
    wr.u32(40);
    wr.u32(uint32_t(w));
    wr.u32(uint32_t(h));
    wr.u16(1);
    wr.u16(24);
    wr.u32(0);
    wr.u32(uint32_t(stride * uint64_t(h)));
    wr.u32(0);
    wr.u32(0);
    wr.u32(0);
    wr.u32(0);
    const size_t bitsAt = wr.out.size();
    wr.out.resize(bitsAt + size_t(stride) * size_t(h), '\0');
    const TileReader reader(picture);
    for (int y = 0; y < h; ++y)
        reader.copyRow(y, 0, w, reinterpret_cast<uint8_t*>(&wr.out[bitsAt + size_t(stride) * size_t(h - 1 - y)]));
    wr.u32(eofWords);
    wr.u16(0);
    return wr.out;
}

void saveWmf(const Picture& picture, const std::string& path) { writePictureFile(picture, path, SaveFormat::Wmf); }

}  // namespace jollix
