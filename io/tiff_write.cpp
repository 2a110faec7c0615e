// Writing TIFF files: 8-bit RGB in strips, each strip's rows differenced
// horizontally (the TIFF predictor 2: each byte minus the same colour's byte
// of the pixel to its left) and compressed with Deflate. The strips are
// compressed at once on every core with libdeflate and handed to libtiff as they
// are; libtiff writes the header, the tags and the strip offsets. A photo so
// saved takes about a third of its raw pixels.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <tiffio.h>
#include <libdeflate.h>

#include "core/tiles.h"
#include "core/parallel.h"
#include "io/decode_util.h"
#include "io/picture_files.h"

namespace jollix {
using namespace io_detail;

namespace {

// What predicting and compressing one pixel costs a core.
constexpr parallel::PixelCost kPredictAndDeflateCost{15};

constexpr int kLevel = 6;
// Rows per strip: strips of about this many bytes compress nearly as well
// as one whole stream and keep every core busy.
constexpr size_t kStripBytes = size_t(512) << 10;

// The file being written, in memory, for libtiff's client procedures.
struct MemoryFile {
    std::string bytes;
    toff_t at = 0;
    std::string errors;
};

tmsize_t readNothing(thandle_t, void*, tmsize_t) { return 0; }

tmsize_t writeBytes(thandle_t h, void* data, tmsize_t size) {
    auto* f = static_cast<MemoryFile*>(h);
    if (size < 0) return -1;
    const size_t end = size_t(f->at) + size_t(size);
    if (end > f->bytes.size()) f->bytes.resize(end);
    std::memcpy(f->bytes.data() + f->at, data, size_t(size));
    f->at = end;
    return size;
}

toff_t seekTo(thandle_t h, toff_t offset, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    const toff_t base = whence == SEEK_CUR ? f->at : whence == SEEK_END ? toff_t(f->bytes.size()) : 0;
    f->at = base + offset;
    return f->at;
}

int closeNothing(thandle_t) { return 0; }
toff_t sizeOf(thandle_t h) { return toff_t(static_cast<MemoryFile*>(h)->bytes.size()); }
int mapNothing(thandle_t, void**, toff_t*) { return 0; }
void unmapNothing(thandle_t, void*, toff_t) {}

// libtiff's complaints go into the error text, never to standard error.
int keepMessage(TIFF*, void* user, const char*, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    auto* f = static_cast<MemoryFile*>(user);
    if (f->errors.empty()) f->errors = text;
    return 1;
}
int ignoreMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Rows first .. last - 1 as RGB, differenced, deflated into a zlib stream.
std::string compressStrip(const TileReader& picture, int first, int last) {
    const size_t rowBytes = size_t(picture.width()) * 3;
    std::vector<uint8_t> rows(size_t(last - first) * rowBytes + 8);
    std::vector<uint8_t> bgr(rowBytes + 8);
    for (int y = first; y < last; ++y) {
        picture.copyRow(y, 0, picture.width(), bgr.data());
        uint8_t* out = rows.data() + size_t(y - first) * rowBytes;
        uint8_t left[3] = {0, 0, 0};
        for (size_t x = 0; x < rowBytes; x += 3) {
            const uint8_t rgb[3] = {bgr[x + 2], bgr[x + 1], bgr[x]};
            for (int c = 0; c < 3; ++c) {
                out[x + size_t(c)] = uint8_t(rgb[c] - left[c]);
                left[c] = rgb[c];
            }
        }
    }
    const size_t raw = size_t(last - first) * rowBytes;
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(kLevel);
    if (!compressor) throw std::bad_alloc();
    std::string deflated(libdeflate_zlib_compress_bound(compressor, raw), '\0');
    const size_t size = libdeflate_zlib_compress(compressor, rows.data(), raw, deflated.data(), deflated.size());
    libdeflate_free_compressor(compressor);
    if (size == 0) fail("the TIFF encoder failed");
    deflated.resize(size);
    return deflated;
}

}  // namespace

std::string encodeTiff(const Picture& picture) {
    if (picture.isEmpty()) throw JollixError("an empty picture cannot be saved");
    const int width = picture.width(), height = picture.height();
    const size_t rowBytes = size_t(width) * 3;
    const int stripRows = int(std::clamp<size_t>(kStripBytes / rowBytes, 1, size_t(height)));
    const int strips = (height + stripRows - 1) / stripRows;

    std::vector<std::string> compressed(static_cast<size_t>(strips));
    const TileReader reader(picture);
    parallel::forItems(
        size_t(strips), parallel::threadsFor(int64_t(width) * height, kPredictAndDeflateCost),
        [&](size_t s) {
            const int first = int(s) * stripRows;
            compressed[s] = compressStrip(reader, first, std::min(height, first + stripRows));
        },
        [](size_t) {});

    MemoryFile file;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepMessage, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreMessage, nullptr);
    TIFF* tiff = TIFFClientOpenExt("picture", "w", &file, readNothing, writeBytes, seekTo, closeNothing, sizeOf,
                                   mapNothing, unmapNothing, options);
    TIFFOpenOptionsFree(options);
    if (!tiff) fail("the TIFF encoder failed (" + file.errors + ")");
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width)) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height)) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
              TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(stripRows));
    for (size_t s = 0; ok && s < compressed.size(); ++s) {
        ok = TIFFWriteRawStrip(tiff, uint32_t(s), compressed[s].data(), tmsize_t(compressed[s].size())) >= 0;
        std::string().swap(compressed[s]);
    }
    ok = ok && TIFFWriteDirectory(tiff);
    TIFFClose(tiff);
    if (!ok) fail("the TIFF encoder failed (" + file.errors + ")");
    return std::move(file.bytes);
}

}  // namespace jollix
