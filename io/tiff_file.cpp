// TIFF files through libtiff: the first page.
//
// Grey (either polarity), RGB and palette pictures of 1, 2, 4, 8 and 16 bits
// a sample, CMYK of 8 and 16 bits, stored in strips or tiles, with the
// samples of a pixel together or in separate planes, with or without an
// alpha sample (associated or not; other extra samples are skipped), and
// JPEG-compressed YCbCr, are read row by row and handed to the picture's row
// writer as they come: a picture in strips is read a scanline at a time
// whatever its strips' size, a tiled one a row of tiles at a time. Other
// colour spaces libtiff can render (other inks, CIE L*a*b*, subsampled
// YCbCr, LogLuv) go through its RGBA reader a band of strips or tiles at a
// time. The orientation tag is applied as the rows are placed, the ICC
// profile converted to sRGB (a CMYK one from the inks).
//
// Valid files of a kind the program does not read are refused by name
// (floating-point, 32- and 64-bit samples, an unknown compression); libtiff's
// errors and warnings become the error's text, never printed.
#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <tiffio.h>

#include "io/colour_profile.h"
#include "io/decode_util.h"
#include "io/picture_files.h"

namespace jollix {
using namespace io_detail;

namespace {

// The file's bytes as libtiff's client stream.
struct Source {
    const uint8_t* data;
    size_t size;
    uint64_t at = 0;
    std::string messages;  // libtiff's errors and warnings while it reads
};

tmsize_t readBytes(thandle_t h, void* buffer, tmsize_t n) {
    auto* s = static_cast<Source*>(h);
    if (n <= 0 || s->at >= s->size) return 0;
    const size_t count = std::min<uint64_t>(uint64_t(n), s->size - s->at);
    std::memcpy(buffer, s->data + s->at, count);
    s->at += count;
    return tmsize_t(count);
}
tmsize_t writeBytes(thandle_t, void*, tmsize_t) { return -1; }
toff_t seekTo(thandle_t h, toff_t offset, int whence) {
    auto* s = static_cast<Source*>(h);
    uint64_t base = whence == SEEK_CUR ? s->at : whence == SEEK_END ? s->size : 0;
    s->at = base + offset;
    return s->at;
}
int closeSource(thandle_t) { return 0; }
toff_t sizeOf(thandle_t h) { return static_cast<Source*>(h)->size; }
// The bytes are already in memory: libtiff reads uncompressed strips from
// them directly.
int mapSource(thandle_t h, void** base, toff_t* size) {
    auto* s = static_cast<Source*>(h);
    *base = const_cast<uint8_t*>(s->data);
    *size = s->size;
    return 1;
}
void unmapSource(thandle_t, void*, toff_t) {}

void keepMessage(Source* s, const char* module, const char* fmt, va_list ap) {
    if (s->messages.size() > 1000) return;
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, ap);
    if (!s->messages.empty()) s->messages += "; ";
    if (module && *module && std::strcmp(module, "TIFF") != 0) s->messages += std::string(module) + ": ";
    s->messages += text;
}
int onError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    keepMessage(static_cast<Source*>(user), module, fmt, ap);
    return 1;
}
int onWarning(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    keepMessage(static_cast<Source*>(user), module, fmt, ap);
    return 1;
}

struct Closer {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

const char* photometricName(int photometric) {
    switch (photometric) {
        case PHOTOMETRIC_SEPARATED: return "CMYK";
        case PHOTOMETRIC_YCBCR: return "YCbCr";
        case PHOTOMETRIC_CIELAB: return "CIE L*a*b*";
        case PHOTOMETRIC_ICCLAB: return "ICC L*a*b*";
        case PHOTOMETRIC_ITULAB: return "ITU L*a*b*";
        case PHOTOMETRIC_LOGL: return "LogL";
        case PHOTOMETRIC_LOGLUV: return "LogLuv";
        case PHOTOMETRIC_MASK: return "transparency mask";
        case PHOTOMETRIC_CFA: return "colour filter array (raw camera)";
        default: return nullptr;
    }
}

// What the rows of a picture read by the program itself hold.
struct Layout {
    int width = 0, height = 0;
    int samples = 1, bits = 1;
    int photometric = PHOTOMETRIC_MINISBLACK;
    int colours = 1;  // colour samples of a pixel (1 grey or palette, 3 RGB)
    int alpha = -1;   // index of the alpha sample, or -1
    bool separate = false;
    const uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;  // palette
    int paletteShift = 0;                                              // 8 for a palette written with 8-bit values
};

// Where a pixel's samples are: one packed row of all samples, or one packed
// row per sample.
struct RowSamples {
    const uint8_t* planes[16] = {};
    bool separate = false;
    int samples = 1, bits = 8;
    uint32_t get(int x, int s) const {
        const uint8_t* p = separate ? planes[s] : planes[0];
        const size_t i = separate ? size_t(x) : size_t(x) * samples + s;
        switch (bits) {
            case 8: return p[i];
            case 16: return reinterpret_cast<const uint16_t*>(p)[i];
            default: {
                const size_t bit = i * size_t(bits);
                return (p[bit >> 3] >> (8 - bits - (bit & 7))) & ((1u << bits) - 1);
            }
        }
    }
};

class RowConverter {
public:
    explicit RowConverter(const Layout& l) : l_(l) {
        const bool palette = l.photometric == PHOTOMETRIC_PALETTE;
        format_.channels = (palette ? 3 : l.colours) + (l.alpha >= 0 ? 1 : 0);
        format_.bits = (palette || l.bits == 16) ? 16 : 8;
        format_.cmyk = l.photometric == PHOTOMETRIC_SEPARATED;
        direct_ = !l.separate && !palette && l.photometric != PHOTOMETRIC_MINISWHITE && (l.bits == 8 || l.bits == 16) &&
                  l.samples == format_.channels && (l.alpha < 0 || l.alpha == l.colours);
        if (!direct_) out_.resize(size_t(l.width) * format_.channels * 2 + 8);
        // Grey of 1, 2 or 4 bits (and 8-bit min-is-white): each byte of the
        // row looked up as the 8-bit pixels it holds.
        bytewise_ = !l.separate && l.samples == 1 &&
                    (l.photometric == PHOTOMETRIC_MINISBLACK || l.photometric == PHOTOMETRIC_MINISWHITE) && l.bits <= 8;
        if (bytewise_) {
            const int perByte = 8 / l.bits;
            const uint32_t max = (1u << l.bits) - 1;
            expand_.resize(256 * size_t(perByte));
            for (int b = 0; b < 256; ++b)
                for (int i = 0; i < perByte; ++i) {
                    uint32_t v = (uint32_t(b) >> (8 - l.bits * (i + 1))) & max;
                    if (l.photometric == PHOTOMETRIC_MINISWHITE) v = max - v;
                    expand_[size_t(b) * perByte + i] = uint8_t(v * 255 / max);
                }
        }
    }
    RowFormat format() const { return format_; }
    void setPremultiplied(bool p) { format_.premultiplied = p; }

    // The row in the writer's format (pointing into `rows` when it already is).
    const void* convert(const RowSamples& rows) {
        if (direct_) return rows.planes[0];
        if (bytewise_) {
            const int perByte = 8 / l_.bits;
            const size_t bytes = (size_t(l_.width) + perByte - 1) / perByte;
            for (size_t i = 0; i < bytes; ++i)
                std::memcpy(&out_[i * perByte], &expand_[size_t(rows.planes[0][i]) * perByte], size_t(perByte));
            return out_.data();
        }
        const uint32_t max = (1u << l_.bits) - 1;
        const bool wide = format_.bits == 16;
        auto scale = [&](uint32_t v) -> uint32_t {  // to the output depth
            if (l_.bits == 16) return v;
            if (wide) return v * 65535 / max;
            return l_.bits == 8 ? v : v * 255 / max;
        };
        auto put = [&](size_t i, uint32_t v) {
            if (wide)
                reinterpret_cast<uint16_t*>(out_.data())[i] = uint16_t(v);
            else
                out_[i] = uint8_t(v);
        };
        const int c = format_.channels;
        for (int x = 0; x < l_.width; ++x) {
            const size_t o = size_t(x) * c;
            if (l_.photometric == PHOTOMETRIC_PALETTE) {
                const uint32_t index = rows.get(x, 0);
                const int shift = l_.paletteShift;
                const auto entry = [&](const uint16_t* table) {
                    return shift ? uint32_t(table[index]) * 257 : table[index];
                };
                put(o, entry(l_.red));
                put(o + 1, entry(l_.green));
                put(o + 2, entry(l_.blue));
            } else {
                for (int s = 0; s < l_.colours; ++s) {
                    uint32_t v = rows.get(x, s);
                    if (l_.photometric == PHOTOMETRIC_MINISWHITE) v = max - v;
                    put(o + s, scale(v));
                }
            }
            if (l_.alpha >= 0) put(o + c - 1, scale(rows.get(x, l_.alpha)));
        }
        return out_.data();
    }

private:
    const Layout& l_;
    RowFormat format_;
    bool direct_ = false, bytewise_ = false;
    std::vector<uint8_t> out_, expand_;
};

[[noreturn]] void damaged(const Source& s, const char* what) {
    std::string why = std::string("the TIFF ") + what + " is damaged";
    if (!s.messages.empty()) why += " (" + s.messages + ")";
    fail(why);
}

// A picture in strips with its samples together: scanline by scanline.
void readScanlines(TIFF* tif, Source& src, const Layout& l, RowConverter& convert, PictureRowWriter& writer) {
    const tmsize_t lineBytes = TIFFScanlineSize(tif);
    if (lineBytes <= 0) damaged(src, "file's layout");
    std::vector<uint8_t> line(size_t(lineBytes) + 8);
    RowSamples rows;
    rows.planes[0] = line.data();
    rows.samples = l.samples;
    rows.bits = l.bits;
    for (int y = 0; y < l.height; ++y) {
        if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0) damaged(src, "image data");
        writer.writeRow(y, convert.convert(rows));
    }
}

// Tiles, or strips with one plane a sample: a band of rows (a row of tiles,
// a strip) at a time, each plane in its own buffer.
void readBands(TIFF* tif, Source& src, const Layout& l, RowConverter& convert, PictureRowWriter& writer) {
    const bool tiled = TIFFIsTiled(tif);
    const int planes = l.separate ? l.samples : 1;
    if (planes > 16) fail("TIFF with more than 16 samples a pixel in separate planes is not supported");
    uint32_t tileWidth = 0, bandHeight = 0;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &bandHeight);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &bandHeight);
    }
    if (bandHeight == 0 || (tiled && tileWidth == 0)) damaged(src, "file's layout");
    bandHeight = std::min<uint32_t>(bandHeight, uint32_t(l.height));
    const uint64_t samplesPerPlanePixel = l.separate ? 1 : uint64_t(l.samples);
    const uint32_t tilesAcross = tiled ? (uint32_t(l.width) + tileWidth - 1) / tileWidth : 1;
    const uint64_t bandWidth = tiled ? uint64_t(tilesAcross) * tileWidth : uint64_t(l.width);
    const uint64_t rowBytes = (bandWidth * samplesPerPlanePixel * l.bits + 7) / 8;
    // What one band of all planes costs: at most about the picture itself.
    if (rowBytes * bandHeight * planes > uint64_t(l.width) * l.height * 8 + (uint64_t(64) << 20))
        damaged(src, "file's layout");
    std::vector<std::vector<uint8_t>> band(size_t(planes), std::vector<uint8_t>(size_t(rowBytes * bandHeight) + 8));
    std::vector<uint8_t> tile;
    uint64_t tileRowBytes = 0;
    if (tiled) {
        tileRowBytes = uint64_t(TIFFTileRowSize64(tif));
        const tmsize_t tileBytes = TIFFTileSize(tif);
        if (tileBytes <= 0 || tileRowBytes * bandHeight > uint64_t(tileBytes) ||
            tileRowBytes * tilesAcross > rowBytes || uint64_t(tileBytes) > rowBytes * bandHeight + (uint64_t(64) << 20))
            damaged(src, "file's layout");
        tile.resize(size_t(tileBytes));
    }
    const uint32_t stripsPerPlane = tiled ? 0 : TIFFNumberOfStrips(tif) / uint32_t(planes);
    RowSamples rows;
    rows.separate = l.separate;
    rows.samples = l.samples;
    rows.bits = l.bits;
    for (uint32_t y0 = 0; y0 < uint32_t(l.height); y0 += bandHeight) {
        const uint32_t n = std::min<uint32_t>(bandHeight, uint32_t(l.height) - y0);
        for (int p = 0; p < planes; ++p) {
            if (tiled) {
                for (uint32_t t = 0; t < tilesAcross; ++t) {
                    if (TIFFReadTile(tif, tile.data(), t * tileWidth, y0, 0, uint16_t(p)) < 0)
                        damaged(src, "image data");
                    for (uint32_t r = 0; r < n; ++r)
                        std::memcpy(band[size_t(p)].data() + r * rowBytes + t * tileRowBytes,
                                    tile.data() + r * tileRowBytes, size_t(tileRowBytes));
                }
            } else {
                const uint32_t strip = uint32_t(p) * stripsPerPlane + y0 / bandHeight;
                if (TIFFReadEncodedStrip(tif, strip, band[size_t(p)].data(), tmsize_t(rowBytes * n)) < 0)
                    damaged(src, "image data");
            }
        }
        for (uint32_t r = 0; r < n; ++r) {
            for (int p = 0; p < planes; ++p) rows.planes[p] = band[size_t(p)].data() + r * rowBytes;
            writer.writeRow(int(y0 + r), convert.convert(rows));
        }
    }
}

// Everything else libtiff renders, through its RGBA reader a band of
// strips or tiles at a time (associated alpha, 8 bits a channel).
Picture readThroughRgba(TIFF* tif, Source& src, int width, int height, int orientation, const ColourProfile& profile) {
    char message[1024] = "";
    TIFFRGBAImage image;
    if (!TIFFRGBAImageBegin(&image, tif, 0, message)) damaged(src, "file's layout");
    struct End {
        TIFFRGBAImage* image;
        ~End() { TIFFRGBAImageEnd(image); }
    } end{&image};
    // Rows as stored; the writer applies the orientation.
    image.req_orientation = image.orientation;
    uint32_t band = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
    band = std::clamp<uint32_t>(band, 1, uint32_t(height));
    RowFormat format;
    format.channels = 4;
    format.bits = 8;
    format.premultiplied = true;
    PictureRowWriter writer(width, height, orientation, format, profile);
    std::vector<uint32_t> raster(size_t(width) * band);
    for (uint32_t y0 = 0; y0 < uint32_t(height); y0 += band) {
        const uint32_t n = std::min<uint32_t>(band, uint32_t(height) - y0);
        image.row_offset = int(y0);
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster.data(), uint32_t(width), n)) damaged(src, "image data");
        // Each pixel is A B G R from the high byte down: R G B A in memory
        // on a little-endian machine.
        for (uint32_t r = 0; r < n; ++r) {
            uint32_t* p = raster.data() + size_t(r) * width;
            if constexpr (std::endian::native == std::endian::big)
                for (int x = 0; x < width; ++x) p[x] = __builtin_bswap32(p[x]);
            writer.writeRow(int(y0 + r), p);
        }
    }
    return writer.take();
}

}  // namespace

Picture decodeTiff(const uint8_t* data, size_t size, uint64_t maxPixels) {
    const bool tiff = size >= 8 && (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0 ||
                                    std::memcmp(data, "II+\0", 4) == 0 || std::memcmp(data, "MM\0+", 4) == 0);
    if (!tiff) fail("the file is not a TIFF file");
    Source src{data, size, 0, {}};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) throw std::bad_alloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, onError, &src);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, &src);
    std::unique_ptr<TIFF, Closer> tif(TIFFClientOpenExt("TIFF", "r", &src, readBytes, writeBytes, seekTo, closeSource,
                                                        sizeOf, mapSource, unmapSource, options));
    TIFFOpenOptionsFree(options);
    if (!tif) damaged(src, "header");
    TIFF* t = tif.get();

    uint32_t w = 0, h = 0;
    if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h)) damaged(src, "header");
    checkPictureSize(w, h, maxPixels, "TIFF picture");
    uint16_t samples = 1, bits = 1, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG, compression = 1;
    uint16_t photometric = 0, orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &orientation);
    if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;

    // Valid files of kinds the program does not read.
    if (!TIFFIsCODECConfigured(compression)) {
        const TIFFCodec* codec = TIFFFindCODEC(compression);
        fail(std::string("TIFF compressed with ") +
             (codec ? codec->name : "an unknown method (" + std::to_string(compression) + ")") + " is not supported");
    }
    if (format == SAMPLEFORMAT_IEEEFP || format == SAMPLEFORMAT_COMPLEXIEEEFP)
        fail("TIFF with floating-point samples is not supported");
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16)
        fail("TIFF with " + std::to_string(bits) + "-bit samples is not supported");
    if (format == SAMPLEFORMAT_INT || format == SAMPLEFORMAT_COMPLEXINT)
        fail("TIFF with signed samples is not supported");
    if (samples < 1) damaged(src, "header");

    ColourProfile profile;
    uint32_t iccLength = 0;
    void* icc = nullptr;
    if (TIFFGetField(t, TIFFTAG_ICCPROFILE, &iccLength, &icc) && icc)
        profile = ColourProfile::fromIcc(static_cast<const uint8_t*>(icc), iccLength);

    Layout l;
    l.width = int(w);
    l.height = int(h);
    l.samples = samples;
    l.bits = bits;
    l.photometric = photometric;
    l.separate = planar == PLANARCONFIG_SEPARATE && samples > 1;
    bool own = false;
    switch (photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE: own = true; break;
        case PHOTOMETRIC_RGB: own = samples >= 3; break;
        case PHOTOMETRIC_SEPARATED: {
            uint16_t inks = INKSET_CMYK;
            TIFFGetFieldDefaulted(t, TIFFTAG_INKSET, &inks);
            own = inks == INKSET_CMYK && samples >= 4 && (bits == 8 || bits == 16);
            break;
        }
        case PHOTOMETRIC_PALETTE:
            own = bits <= 8 && TIFFGetField(t, TIFFTAG_COLORMAP, &l.red, &l.green, &l.blue);
            break;
        case PHOTOMETRIC_YCBCR:
            // libjpeg turns the samples into RGB itself.
            if (compression == COMPRESSION_JPEG && !l.separate && samples == 3 && bits == 8 &&
                TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB)) {
                own = true;
                l.photometric = PHOTOMETRIC_RGB;
            }
            break;
        default: break;
    }
    if (!own) {
        char message[1024] = "";
        if (!TIFFRGBAImageOK(t, message)) {
            const char* name = photometricName(photometric);
            if (name) fail(std::string("TIFF with ") + name + " colour is not supported");
            damaged(src, "header");
        }
        return readThroughRgba(t, src, l.width, l.height, orientation, profile);
    }
    l.colours = l.photometric == PHOTOMETRIC_RGB ? 3 : l.photometric == PHOTOMETRIC_SEPARATED ? 4 : 1;
    if (samples < l.colours) damaged(src, "header");
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    bool premultiplied = false;
    if (TIFFGetField(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0 && extraTypes) {
        if (samples > l.colours &&
            (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA)) {
            l.alpha = l.colours;
            premultiplied = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
        }
    } else if (l.photometric == PHOTOMETRIC_RGB && samples == 4) {
        l.alpha = 3;  // an RGB picture with a fourth sample and no word on it: associated alpha
        premultiplied = true;
    }
    if (l.photometric == PHOTOMETRIC_PALETTE) {
        // Palettes are 16 bits an entry; some writers put 8-bit values there.
        const size_t entries = size_t(1) << bits;
        bool eightBit = true;
        for (size_t i = 0; i < entries && eightBit; ++i)
            eightBit = l.red[i] < 256 && l.green[i] < 256 && l.blue[i] < 256;
        l.paletteShift = eightBit ? 8 : 0;
    }

    RowConverter convert(l);
    convert.setPremultiplied(premultiplied);
    PictureRowWriter writer(l.width, l.height, orientation, convert.format(), profile);
    if (!TIFFIsTiled(t) && !l.separate)
        readScanlines(t, src, l, convert, writer);
    else
        readBands(t, src, l, convert, writer);
    return writer.take();
}

}  // namespace jollix
