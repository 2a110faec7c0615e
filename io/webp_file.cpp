// WebP files through libwebp (and libwebpdemux for the extended format):
// still pictures, lossy or lossless, and the first frame of an animation.
//
// The picture is decoded into memory of its own (an anonymous mapping) and
// moved into the picture's tiles a band of rows at a time, each band given
// back as soon as it is in: the file costs its picture and a band, besides
// what libwebp holds while decoding (a lossless picture keeps its pixels as
// 32-bit values until it is complete).
//
// An animation shows its first frame on its canvas: where the frame does
// not reach the canvas is transparent, and transparent parts become white,
// so the frame is drawn at its offset onto a white picture. A frame never
// costs more than its own size, however large the canvas.
//
// An EXIF orientation turns the picture upright; an ICC profile is converted
// to sRGB.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include <webp/decode.h>
#include <webp/demux.h>

#include "io/colour_profile.h"
#include "io/decode_util.h"
#include "io/picture_files.h"
#include "io/picture_rows.h"

namespace jollix {
using namespace io_detail;

namespace {

const char* statusText(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
        case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
        case VP8_STATUS_BITSTREAM_ERROR: return "bitstream error";
        case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported feature";
        case VP8_STATUS_SUSPENDED: return "suspended";
        case VP8_STATUS_USER_ABORT: return "user abort";
        case VP8_STATUS_NOT_ENOUGH_DATA: return "not enough data";
        default: return "unknown error";
    }
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

// The orientation tag of a WebP file's EXIF chunk; 1 when it has none.
int webpOrientation(WebPDemuxer* demux) {
    int orientation = 1;
    WebPChunkIterator chunk;
    if ((WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG) && WebPDemuxGetChunk(demux, "EXIF", 1, &chunk)) {
        orientation = exifOrientation(chunk.chunk.bytes, chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return orientation;
}

// The colour profile of a WebP file's ICCP chunk; sRGB when it has none.
ColourProfile webpColourProfile(WebPDemuxer* demux) {
    ColourProfile profile;
    WebPChunkIterator chunk;
    if ((WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) && WebPDemuxGetChunk(demux, "ICCP", 1, &chunk)) {
        profile = ColourProfile::fromIcc(chunk.chunk.bytes, chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return profile;
}

// Decodes one WebP bitstream (a still file or a frame) of width x height
// into rows of `into` from (x0, y0) on, clipped to the picture.
void decodeInto(const uint8_t* data, size_t size, int width, int height, int x0, int y0, PictureRows& into) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) fail("the WebP decoder could not start");
    const VP8StatusCode got = WebPGetFeatures(data, size, &config.input);
    if (got != VP8_STATUS_OK) fail(std::string("the WebP data is damaged (") + statusText(got) + ")");
    if (config.input.width != width || config.input.height != height)
        fail("the WebP data is damaged (its frame has another size than it says)");
    const bool alpha = config.input.has_alpha;
    const int channels = alpha ? 4 : 3;
    const size_t stride = size_t(width) * channels;
    PixelBuffer pixels(stride * size_t(height));
    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = pixels.data();
    config.output.u.RGBA.stride = int(stride);
    config.output.u.RGBA.size = stride * size_t(height);
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) fail(std::string("the WebP data is damaged (") + statusText(status) + ")");

    // Into the picture a band at a time, each band given back once it is in.
    const int x1 = std::min(into.width(), x0 + width), y1 = std::min(into.height(), y0 + height);
    const bool whole = x0 == 0 && x1 - x0 == width && width == into.width();
    std::vector<uint8_t> row;
    for (int y = y0; y < y1; ++y) {
        const uint8_t* line = pixels.data() + size_t(y - y0) * stride;
        if (whole && !alpha) {
            into.bgr(y, line);
        } else if (x1 > x0) {
            row.resize(size_t(x1 - x0) * 3);
            for (int x = x0; x < x1; ++x) {
                const uint8_t* p = line + size_t(x - x0) * channels;
                const unsigned a = alpha ? p[3] : 255;
                row[size_t(x - x0) * 3] = onWhite(p[0], a);
                row[size_t(x - x0) * 3 + 1] = onWhite(p[1], a);
                row[size_t(x - x0) * 3 + 2] = onWhite(p[2], a);
            }
            if (whole)
                into.bgr(y, row.data());
            else
                into.bgrSpan(y, x0, x1 - x0, row.data());
        }
        if ((y - y0) % 64 == 63) pixels.giveBack(size_t(y - y0 - 63) * stride, size_t(y - y0 + 1) * stride);
    }
}

}  // namespace

Picture decodeWebp(const uint8_t* data, size_t size, uint64_t maxPixels) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WEBP", 4) != 0)
        fail("the file is not a WebP file");
    WebPData webp{data, size};
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&webp));
    if (!demux) fail("the WebP data is damaged (its chunks cannot be read)");
    const int width = int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
    const int height = int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
    checkPictureSize(width, height, maxPixels, "WebP picture");

    WebPIterator frame;
    if (!WebPDemuxGetFrame(demux.get(), 1, &frame)) fail("the WebP file holds no picture");
    struct Release {
        WebPIterator* it;
        ~Release() { WebPDemuxReleaseIterator(it); }
    } release{&frame};
    PictureRows rows(width, height, webpOrientation(demux.get()), 0xFFFFFF);
    decodeInto(frame.fragment.bytes, frame.fragment.size, frame.width, frame.height, frame.x_offset, frame.y_offset,
               rows);
    Picture picture = rows.take();
    convertToSrgb(picture, webpColourProfile(demux.get()));
    return picture;
}

}  // namespace jollix
