// Windows bitmap files: the program's own reader of every depth (1, 2, 4, 8,
// 16, 24 and 32 bits, RLE4, RLE8, bit fields, bottom-up and top-down, the
// OS/2 headers) and its 24-bit writer.
//
// The reader trusts nothing in the file: every offset and count is checked
// against the bytes actually present, the size is checked before the picture
// is allocated, and run-length data that would write outside the picture is
// clipped. Pixels that run-length data skips (deltas, early ends of lines)
// take colour 0 of the palette.
//
// A bitmap is read in stages: its header, its colours, where its pixels
// lie, then its rows, each written straight into the picture and its bytes
// given back as it goes, so a bitmap costs about one picture to open.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "core/tiles.h"
#include "io/colour_profile.h"
#include "io/decode_util.h"
#include "io/input_bytes.h"
#include "io/picture_rows.h"
#include "io/picture_files.h"

namespace jollix {
namespace io_detail {

void checkPictureSize(int64_t width, int64_t height, uint64_t maxPixels, const char* what) {
    if (width <= 0 || height <= 0)
        fail(std::string("the ") + what + " has no pixels (" + std::to_string(width) + " x " + std::to_string(height) +
             ")");
    if (width > kMaxPictureSide || height > kMaxPictureSide || uint64_t(width) * uint64_t(height) > maxPixels)
        fail(std::string("the ") + what + " is too large (" + std::to_string(width) + " x " + std::to_string(height) +
             " pixels; at most " + std::to_string(maxPixels) + " pixels and " + std::to_string(kMaxPictureSide) +
             " pixels a side)");
}

namespace {

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitfields = 6
};

// One channel of a bit-field pixel: mask, where it starts and its top value.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit Channel(uint32_t m = 0) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint8_t operator()(uint32_t v) const {
        if (!max) return 0;
        const uint64_t value = (v & mask) >> shift;
        return uint8_t((value * 255 + max / 2) / max);
    }
};

struct Bgr {
    uint8_t b, g, r;
};

// Expands run-length coded 8- or 4-bit data into rows of one palette index
// per pixel, handing each row to row(fileRow, indices) in file order (the
// first row is the bottom one for bottom-up). The data only ever moves
// right and down, so a row is complete once the data leaves it; pixels and
// rows it skips (deltas, early ends of lines) are index 0.
template <class Row>
void expandRle(const uint8_t* p, size_t n, int width, int height, bool four, Row&& row) {
    std::vector<uint8_t> line(size_t(width), 0);
    size_t i = 0;
    int64_t x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (x < width && y < height) line[size_t(x)] = v;
        ++x;
    };
    // Hands on the rows from y up to (not including) `to`.
    auto moveTo = [&](int64_t to) {
        for (; y < to && y < height; ++y) {
            row(int(y), line.data());
            std::fill(line.begin(), line.end(), 0);
        }
        y = to;
    };
    auto finish = [&] { moveTo(height); };
    for (;;) {
        if (y >= height) return finish();
        if (i + 2 > n) {
            // Data ended without an end-of-bitmap mark: accept it only when
            // the last row has been reached, else the file is cut short.
            if (y >= height - 1) return finish();
            fail("the bitmap's compressed data is cut short");
        }
        const uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            // A run: clip to the row so a long run costs at most a row.
            const int64_t k = std::min<int64_t>(count, std::max<int64_t>(0, width - x));
            if (four) {
                for (int64_t j = 0; j < k; ++j) put((j & 1) ? (value & 15) : (value >> 4));
            } else {
                for (int64_t j = 0; j < k; ++j) put(value);
            }
            x += count - k;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                moveTo(y + 1);
                break;
            case 1:  // end of bitmap
                return finish();
            case 2:  // delta
                if (i + 2 > n) fail("the bitmap's compressed data is cut short");
                x += p[i];
                moveTo(y + p[i + 1]);
                i += 2;
                break;
            default: {  // absolute run of `value` pixels, padded to 16 bits
                const size_t bytes = four ? (size_t(value) + 1) / 2 : value;
                const size_t padded = (bytes + 1) & ~size_t(1);
                if (i + bytes > n) fail("the bitmap's compressed data is cut short");
                for (int j = 0; j < value; ++j) {
                    const uint8_t b = p[i + (four ? size_t(j) / 2 : size_t(j))];
                    put(four ? ((j & 1) ? (b & 15) : (b >> 4)) : b);
                }
                i += std::min(padded, n - i);
                break;
            }
        }
    }
}

// What the header, masks and colour table of a DIB say, checked against the
// bytes present: everything needed to turn its pixel rows into a picture.
struct DibLayout {
    int width = 0, height = 0, bpp = 0;
    uint32_t compression = kRgb;
    bool topDown = false, icon = false;
    Channel red, green, blue, alpha;
    Bgr palette[256] = {};
    const uint8_t* pixels = nullptr;  // the first row in the file
    size_t available = 0;             // bytes from there to the end
    uint64_t stride = 0;              // bytes a row, padded to 32 bits
    const uint8_t* mask = nullptr;    // an icon's AND mask, if whole
    uint64_t maskStride = 0;
    bool useAlpha = false;  // an icon drawn through its alpha channel
    bool runLength() const { return compression == kRle8 || compression == kRle4; }
};

// The header: size, depth, compression, direction.
void readDibHeader(const uint8_t* data, size_t size, const DibOptions& options, uint64_t maxPixels, DibLayout& d,
                   uint32_t& headerSize, uint32_t& colorsUsed, size_t& paletteEntry) {
    if (size < 12) fail("the bitmap header is cut short");
    headerSize = le32(data);
    if (headerSize < 12 || headerSize > size) fail("the bitmap header is damaged or cut short");

    int64_t width, height;
    colorsUsed = 0;
    paletteEntry = 4;
    bool os2v2 = false;
    if (headerSize == 12) {  // OS/2 1.x and Windows 2.x core header
        width = le16(data + 4);
        height = le16(data + 6);
        d.bpp = le16(data + 10);
        paletteEntry = 3;
    } else {
        if (headerSize < 16) fail("the bitmap header is damaged");
        os2v2 = headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124 &&
                headerSize <= 64;
        width = les32(data + 4);
        height = les32(data + 8);
        d.bpp = le16(data + 14);
        if (headerSize >= 20) d.compression = le32(data + 16);
        if (headerSize >= 36) colorsUsed = le32(data + 32);
    }
    if (height < 0) {
        d.topDown = true;
        height = -height;
    }
    d.icon = options.icon;
    if (options.icon) height /= 2;

    const uint32_t compression = d.compression;
    if (os2v2 && compression > kRle4) fail("the bitmap uses an OS/2 compression that cannot be read");
    if (compression == kJpeg || compression == kPng)
        fail("the bitmap holds a compressed JPEG or PNG image, which cannot be read");
    if (compression > kAlphaBitfields) fail("the bitmap's compression is unknown");
    switch (d.bpp) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32: break;
        default: fail("the bitmap's depth of " + std::to_string(d.bpp) + " bits is not a valid one");
    }
    if ((compression == kRle8 && d.bpp != 8) || (compression == kRle4 && d.bpp != 4) ||
        ((compression == kBitfields || compression == kAlphaBitfields) && d.bpp != 16 && d.bpp != 32))
        fail("the bitmap's compression does not fit its depth");
    checkPictureSize(width, height, maxPixels, "bitmap");
    d.width = int(width);
    d.height = int(height);
}

// The colour masks and the colour table; returns where the pixels start
// when the caller gives no offset of its own.
size_t readDibColours(const uint8_t* data, size_t size, const DibOptions& options, uint32_t headerSize,
                      uint32_t colorsUsed, size_t paletteEntry, DibLayout& d) {
    size_t tableStart = headerSize;
    if (d.bpp == 16) {
        d.red = Channel(0x7C00);
        d.green = Channel(0x03E0);
        d.blue = Channel(0x001F);
    } else if (d.bpp == 32) {
        d.red = Channel(0xFF0000);
        d.green = Channel(0xFF00);
        d.blue = Channel(0xFF);
        d.alpha = Channel(0xFF000000u);
    }
    if (d.compression == kBitfields || d.compression == kAlphaBitfields) {
        const uint8_t* m;
        const size_t maskBytes = d.compression == kAlphaBitfields ? 16 : 12;
        if (headerSize >= 40 + maskBytes) {
            m = data + 40;
        } else {
            if (size < size_t(headerSize) + maskBytes) fail("the bitmap's colour masks are cut short");
            m = data + headerSize;
            tableStart += maskBytes;
        }
        d.red = Channel(le32(m));
        d.green = Channel(le32(m + 4));
        d.blue = Channel(le32(m + 8));
        d.alpha = Channel(d.compression == kAlphaBitfields ? le32(m + 12) : 0);
    }

    if (d.bpp <= 8) {
        const uint32_t maxColors = 1u << d.bpp;
        uint64_t count = colorsUsed ? colorsUsed : maxColors;
        if (count > maxColors) count = maxColors;
        size_t tableEnd = options.pixelOffset ? options.pixelOffset : size;
        if (tableEnd < tableStart) tableEnd = tableStart;
        const uint64_t present = (tableEnd - tableStart) / paletteEntry;
        if (present < count) {
            if (options.pixelOffset == 0) fail("the bitmap's colour table is cut short");
            count = present;  // the file's own offset leaves less room: use what is there
        }
        for (uint64_t k = 0; k < count; ++k) {
            const uint8_t* e = data + tableStart + k * paletteEntry;
            d.palette[k] = {e[0], e[1], e[2]};
        }
        if (!options.pixelOffset) tableStart += size_t(count) * paletteEntry;
    } else if (colorsUsed && !options.pixelOffset) {
        // A colour table that deeper bitmaps may carry for display hints.
        const uint64_t skip = uint64_t(colorsUsed) * paletteEntry;
        if (skip > size - tableStart) fail("the bitmap's colour table is cut short");
        tableStart += size_t(skip);
    }
    return tableStart;
}

// Where the pixel rows (and an icon's mask) lie, checked against the bytes
// present, and whether an icon draws through its alpha channel.
void locateDibPixels(const uint8_t* data, size_t size, size_t pixelStart, DibLayout& d) {
    if (pixelStart > size) fail("the bitmap's pixels lie beyond the end of the file");
    d.pixels = data + pixelStart;
    d.available = size - pixelStart;
    const int w = d.width, h = d.height;
    d.stride = ((uint64_t(w) * d.bpp + 31) / 32) * 4;
    const uint64_t lastRowBytes = (uint64_t(w) * d.bpp + 7) / 8;
    if (!d.runLength() && d.stride * uint64_t(h - 1) + lastRowBytes > d.available)
        fail("the bitmap's pixels are cut short");

    // The AND mask of an icon follows its colour rows.
    d.maskStride = ((uint64_t(w) + 31) / 32) * 4;
    if (d.icon) {
        const uint64_t colourBytes = d.stride * uint64_t(h);
        if (colourBytes <= d.available && d.maskStride * uint64_t(h) <= d.available - colourBytes)
            d.mask = d.pixels + colourBytes;
    }

    // Icons with 32-bit pixels draw through their alpha channel when it is
    // used at all; bitmap files drop the alpha channel.
    if (d.icon && d.bpp == 32 && d.alpha.max) {
        for (int y = 0; y < h && !d.useAlpha; ++y) {
            const uint8_t* row = d.pixels + d.stride * uint64_t(y);
            for (int x = 0; x < w; ++x)
                if (d.alpha(le32(row + size_t(x) * 4))) {
                    d.useAlpha = true;
                    break;
                }
        }
    }
    if (d.icon && !d.useAlpha && !d.mask) fail("the icon's transparency mask is cut short");
}

DibLayout readDibLayout(const uint8_t* data, size_t size, const DibOptions& options, uint64_t maxPixels) {
    DibLayout d;
    uint32_t headerSize = 0, colorsUsed = 0;
    size_t paletteEntry = 4;
    readDibHeader(data, size, options, maxPixels, d, headerSize, colorsUsed, paletteEntry);
    const size_t tableEnd = readDibColours(data, size, options, headerSize, colorsUsed, paletteEntry, d);
    locateDibPixels(data, size, options.pixelOffset ? options.pixelOffset : tableEnd, d);
    return d;
}

// File row fy of uncompressed pixels as blue, green, red (and the alpha of
// an icon drawn through it).
void convertDibRow(const DibLayout& d, const uint8_t* row, uint8_t* out, uint8_t* alphaRow) {
    const int w = d.width;
    uint8_t* o = out;
    if (d.bpp <= 8) {
        const int perByte = 8 / d.bpp;
        const unsigned valueMask = (1u << d.bpp) - 1;
        for (int x = 0; x < w; ++x, o += 3) {
            const uint8_t byte = row[x / perByte];
            const int shift = 8 - d.bpp * (x % perByte + 1);
            const Bgr& c = d.palette[(byte >> shift) & valueMask];
            o[0] = c.b;
            o[1] = c.g;
            o[2] = c.r;
        }
    } else if (d.bpp == 24) {
        std::memcpy(o, row, size_t(w) * 3);
    } else if (d.bpp == 16) {
        for (int x = 0; x < w; ++x, o += 3) {
            const uint32_t v = le16(row + size_t(x) * 2);
            o[0] = d.blue(v);
            o[1] = d.green(v);
            o[2] = d.red(v);
        }
    } else {  // 32
        for (int x = 0; x < w; ++x, o += 3) {
            const uint32_t v = le32(row + size_t(x) * 4);
            o[0] = d.blue(v);
            o[1] = d.green(v);
            o[2] = d.red(v);
            if (d.useAlpha) alphaRow[x] = d.alpha(v);
        }
    }
}

// An icon's row drawn onto white: through its alpha, or as the screen draws
// an icon, (background AND mask) XOR colour.
void drawIconRow(const DibLayout& d, int fy, uint8_t* out, const uint8_t* alphaRow) {
    uint8_t* o = out;
    if (d.useAlpha) {
        for (int x = 0; x < d.width; ++x, o += 3) {
            const unsigned a = alphaRow[x];
            for (int k = 0; k < 3; ++k) o[k] = uint8_t((o[k] * a + 255 * (255 - a) + 127) / 255);
        }
    } else {
        const uint8_t* mr = d.mask + d.maskStride * uint64_t(fy);
        for (int x = 0; x < d.width; ++x, o += 3)
            if ((mr[x >> 3] >> (7 - (x & 7))) & 1)
                for (int k = 0; k < 3; ++k) o[k] = uint8_t(0xFF ^ o[k]);
    }
}

// Every row into the picture, in file order; a bitmap file's rows are given
// back to the system as they go in (icons are small and read their mask
// too).
Picture decodeDibRows(const DibLayout& d) {
    const int w = d.width, h = d.height;
    PictureRows picture(w, h, 1, 0xFFFFFF);
    std::vector<uint8_t> out(size_t(w) * 3);
    std::vector<uint8_t> alphaRow(size_t(w), 255);
    auto place = [&](int fy) {
        if (d.icon) drawIconRow(d, fy, out.data(), alphaRow.data());
        picture.bgr(d.topDown ? fy : h - 1 - fy, out.data());
    };
    if (d.runLength()) {
        expandRle(d.pixels, d.available, w, h, d.compression == kRle4, [&](int fy, const uint8_t* indices) {
            uint8_t* o = out.data();
            for (int x = 0; x < w; ++x, o += 3) {
                const Bgr& c = d.palette[indices[x]];
                o[0] = c.b;
                o[1] = c.g;
                o[2] = c.r;
            }
            place(fy);
        });
        return picture.take();
    }
    constexpr int kBand = 64;
    for (int fy = 0; fy < h; ++fy) {
        convertDibRow(d, d.pixels + d.stride * uint64_t(fy), out.data(), alphaRow.data());
        place(fy);
        if (!d.icon && (fy % kBand == kBand - 1 || fy == h - 1)) {
            const int first = fy - fy % kBand;
            doneWithInput(d.pixels + d.stride * uint64_t(first), d.pixels + d.stride * uint64_t(fy + 1));
        }
    }
    return picture.take();
}

}  // namespace

Picture decodeDib(const uint8_t* data, size_t size, const DibOptions& options, uint64_t maxPixels) {
    return decodeDibRows(readDibLayout(data, size, options, maxPixels));
}

void checkDib(const uint8_t* data, size_t size, const DibOptions& options, uint64_t maxPixels) {
    const DibLayout d = readDibLayout(data, size, options, maxPixels);
    if (d.runLength()) expandRle(d.pixels, d.available, d.width, d.height, d.compression == kRle4, [](int, auto) {});
}

}  // namespace io_detail

using namespace io_detail;

Picture decodeBmp(const uint8_t* data, size_t size, uint64_t maxPixels) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') fail("the file is not a Windows bitmap");
    if (size < 14 + 12) fail("the bitmap file is cut short");
    const uint32_t offBits = le32(data + 10);
    const uint32_t headerSize = le32(data + 14);
    if (headerSize > size - 14) fail("the bitmap header is damaged or cut short");
    DibOptions options;
    // The file's own pixel offset is used when it points past the header;
    // otherwise the pixels are taken to follow the header and colour table.
    if (offBits >= 14 + uint64_t(headerSize) && offBits <= size)
        options.pixelOffset = offBits - 14;
    else if (offBits > size)
        fail("the bitmap's pixels lie beyond the end of the file");
    Picture picture = decodeDib(data + 14, size - 14, options, maxPixels);
    convertToSrgb(picture, ColourProfile::fromBitmapHeader(data + 14, size - 14));
    return picture;
}

std::string encodeBmp(const Picture& picture) {
    const int w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0) throw JollixError("an empty picture cannot be saved");
    const uint64_t stride = (uint64_t(w) * 3 + 3) & ~uint64_t(3);
    const uint64_t imageBytes = stride * uint64_t(h);
    const uint64_t fileBytes = 54 + imageBytes;
    if (fileBytes > 0xFFFFFFFFu) throw JollixError("the picture is too large for a bitmap file");
    std::string out(size_t(fileBytes), '\0');
    auto put16 = [&](size_t at, uint32_t v) {
        out[at] = char(v);
        out[at + 1] = char(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, uint32_t(fileBytes));
    put32(10, 54);
    put32(14, 40);  // BITMAPINFOHEADER
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));  // positive: rows bottom-up
    put16(26, 1);            // planes
    put16(28, 24);           // bits per pixel
    put32(30, 0);            // uncompressed
    put32(34, uint32_t(imageBytes));
    const TileReader reader(picture);
    for (int y = 0; y < h; ++y)
        reader.copyRow(y, 0, w, reinterpret_cast<uint8_t*>(&out[54 + size_t(stride) * size_t(h - 1 - y)]));
    return out;
}

}  // namespace jollix
