// PNG files through libpng's progressive reader.
//
// Every bit depth and colour type is read: palettes and grey below 8 bits
// are expanded, a transparent colour (tRNS) becomes an alpha channel, 16-bit
// samples keep their precision until the colour conversion. Rows go straight
// into the picture as libpng finishes them (an interlaced file's pixels as
// each pass brings them), and feeding stops as soon as the last row is in:
// compressed data past the picture is never inflated, however much of it
// there is.
//
// The colour space is the file's cICP chunk, else its iCCP profile, else
// sRGB when it has an sRGB chunk, else its gAMA and cHRM; a file with none
// of them is sRGB and its pixels are kept exactly.
//
// libpng's errors end the decoding through its jump buffer and become the
// error's text; its warnings are kept for that text too, never printed.
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "io/colour_profile.h"
#include "io/decode_util.h"
#include "io/picture_files.h"

namespace jollix {
using namespace io_detail;

namespace {

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// What the chunk walk learns before libpng starts.
struct ChunkScan {
    bool hasCodePoints = false;
    int primaries = 0, transfer = 0;
};

// libpng allocates a chunk's declared length before it reads the chunk, so a
// few hundred bytes claiming a 2 GB text chunk would cost 2 GB. No chunk can
// be longer than what is left of the file: walk the chunks up to IEND (or
// the end of the bytes, which libpng reports itself) and refuse one that
// claims more. The walk also picks up the cICP chunk, which this libpng
// does not know.
ChunkScan scanChunks(const uint8_t* data, size_t size) {
    ChunkScan scan;
    size_t at = 8;
    bool seenData = false;
    while (at < size && size - at >= 8) {
        const uint32_t length = be32(data + at);
        const uint8_t* type = data + at + 4;
        if (length > size - at - 8) fail("the PNG data is damaged (a chunk is longer than the file)");
        if (std::memcmp(type, "IEND", 4) == 0) break;
        if (std::memcmp(type, "IDAT", 4) == 0) seenData = true;
        if (!seenData && std::memcmp(type, "cICP", 4) == 0 && length == 4 && !scan.hasCodePoints) {
            const uint8_t* body = type + 4;
            // Only full-range RGB is defined for PNG (matrix 0).
            if (body[2] == 0 && body[3] == 1) {
                scan.hasCodePoints = true;
                scan.primaries = body[0];
                scan.transfer = body[1];
            }
        }
        at += 8 + size_t(length);
        if (size - at < 4) break;  // cut short in a checksum: libpng says so
        at += 4;
    }
    return scan;
}

struct Decoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    uint64_t maxPixels = 0;
    ChunkScan chunks;
    std::string error;     // why decoding stopped, when it failed
    std::string warnings;  // libpng's warnings, for the error's text
    std::optional<PictureRowWriter> writer;
    int width = 0, height = 0;
    bool interlaced = false;
    size_t rowBytes = 0;
    int64_t rowsDone = 0, rowsExpected = 0;  // rows of all passes
    bool complete = false;
    ~Decoder() { png_destroy_read_struct(&png, &info, nullptr); }
};

Decoder& decoderOf(png_structp png) { return *static_cast<Decoder*>(png_get_progressive_ptr(png)); }

void onError(png_structp png, png_const_charp message) {
    auto* d = static_cast<Decoder*>(png_get_error_ptr(png));
    if (d->error.empty()) d->error = std::string("the PNG data is damaged (") + message + ")";
    png_longjmp(png, 1);
}

void onWarning(png_structp png, png_const_charp message) {
    auto* d = static_cast<Decoder*>(png_get_error_ptr(png));
    if (d->warnings.size() < 1000) {
        if (!d->warnings.empty()) d->warnings += "; ";
        d->warnings += message;
    }
}

// Our own failures inside libpng's callbacks: the message kept, then out
// through libpng's jump buffer (exceptions must not cross its C frames).
[[noreturn]] void stop(Decoder& d, const std::string& why) {
    d.error = why;
    png_longjmp(d.png, 1);
}

ColourProfile profileOf(Decoder& d) {
    png_structp png = d.png;
    png_infop info = d.info;
    if (d.chunks.hasCodePoints) return ColourProfile::fromCodePoints(d.chunks.primaries, d.chunks.transfer);
    png_charp name = nullptr;
    int compression = 0;
    png_bytep icc = nullptr;
    png_uint_32 iccLength = 0;
    if (png_get_iCCP(png, info, &name, &compression, &icc, &iccLength) & PNG_INFO_iCCP)
        return ColourProfile::fromIcc(icc, iccLength);
    int intent = 0;
    if (png_get_sRGB(png, info, &intent) & PNG_INFO_sRGB) return ColourProfile();
    double gamma = 0;
    if (png_get_gAMA(png, info, &gamma) & PNG_INFO_gAMA) {
        double c[8];
        if (png_get_cHRM(png, info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6], &c[7]) & PNG_INFO_cHRM)
            return ColourProfile::fromGamma(gamma, c);
        return ColourProfile::fromGamma(gamma, nullptr);
    }
    return ColourProfile();
}

void onInfo(png_structp png, png_infop info) {
    Decoder& d = decoderOf(png);
    png_uint_32 w = 0, h = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(png, info, &w, &h, &depth, &type, &interlace, nullptr, nullptr);
    // The refusal is kept and the jump made outside the handler, so that the
    // exception object is destroyed before libpng's jump leaves this frame.
    bool refused = false;
    try {
        checkPictureSize(w, h, d.maxPixels, "PNG picture");
    } catch (const JollixError& e) {
        d.error = e.what();
        refused = true;
    }
    if (refused) png_longjmp(png, 1);
    d.width = int(w);
    d.height = int(h);
    const ColourProfile profile = profileOf(d);

    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (depth == 16) png_set_swap(png);  // the machine's byte order
    // Interlaced files come pass by pass, each pass's pixels written where
    // they belong: no buffer of the whole picture either.
    d.interlaced = interlace != PNG_INTERLACE_NONE;
    d.rowsExpected = d.height;
    if (d.interlaced) {
        d.rowsExpected = 0;
        for (int pass = 0; pass < 7; ++pass)
            if (PNG_PASS_COLS(w, pass) > 0) d.rowsExpected += int64_t(PNG_PASS_ROWS(h, pass));
    }
    png_read_update_info(png, info);

    RowFormat format;
    format.channels = png_get_channels(png, info);
    format.bits = png_get_bit_depth(png, info);
    d.rowBytes = png_get_rowbytes(png, info);
    if (format.channels < 1 || format.channels > 4 || (format.bits != 8 && format.bits != 16) ||
        d.rowBytes != size_t(w) * format.channels * (format.bits / 8))
        stop(d, "the PNG file has a layout that cannot be read");
    bool failed = false;
    try {
        d.writer.emplace(d.width, d.height, 1, format, profile);
    } catch (const std::bad_alloc&) {
        d.error = "there is not enough memory to open it";
        failed = true;
    } catch (const JollixError& e) {
        d.error = e.what();
        failed = true;
    }
    if (failed) png_longjmp(png, 1);
}

void onRow(png_structp png, png_bytep row, png_uint_32 y, int pass) {
    Decoder& d = decoderOf(png);
    if (!row || d.complete) return;
    if (d.interlaced) {
        if (pass < 0 || pass > 6) return;
        const png_uint_32 imageY = PNG_ROW_FROM_PASS_ROW(y, pass);
        if (imageY >= png_uint_32(d.height)) return;
        d.writer->writePixels(int(imageY), int(PNG_PASS_START_COL(pass)), int(PNG_PASS_COL_OFFSET(pass)),
                              int(PNG_PASS_COLS(png_uint_32(d.width), pass)), row);
    } else {
        if (y >= png_uint_32(d.height)) return;
        d.writer->writeRow(int(y), row);
    }
    if (++d.rowsDone == d.rowsExpected) d.complete = true;
}

// Runs libpng over the bytes; false after an error (in d.error).
bool run(Decoder& d, const uint8_t* data, size_t size) {
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d, onError, onWarning);
    if (!d.png) throw std::bad_alloc();
    d.info = png_create_info_struct(d.png);
    if (!d.info) throw std::bad_alloc();
    if (setjmp(png_jmpbuf(d.png))) return false;
    // The program's own size check is the one that counts.
    png_set_user_limits(d.png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_set_progressive_read_fn(d.png, &d, onInfo, onRow, nullptr);
    // Fed a slice at a time so that nothing after the last row is looked at.
    constexpr size_t kSlice = 64 * 1024;
    for (size_t at = 0; at < size && !d.complete; at += kSlice)
        png_process_data(d.png, d.info, const_cast<uint8_t*>(data + at), std::min(kSlice, size - at));
    return true;
}

}  // namespace

Picture decodePng(const uint8_t* data, size_t size, uint64_t maxPixels) {
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) fail("the file is not a PNG file");
    auto d = std::make_unique<Decoder>();
    d->maxPixels = maxPixels;
    d->chunks = scanChunks(data, size);
    // An error in what follows a complete picture (a later chunk) costs
    // nothing of the picture.
    if (!run(*d, data, size) && !d->complete) {
        if (d->error.rfind("the PNG data is damaged", 0) == 0 && !d->warnings.empty())
            d->error.insert(d->error.size() - 1, "; " + d->warnings);
        fail(d->error);
    }
    if (!d->complete) {
        std::string why = "the PNG data ended early";
        if (!d->warnings.empty()) why += " (" + d->warnings + ")";
        fail(why);
    }
    return d->writer->take();
}

}  // namespace jollix
