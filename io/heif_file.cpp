// HEIC and HEIF files through libheif: the primary image, turned and
// mirrored by libheif as the file's own rotation and mirroring say (the way
// phones store a photo taken upright). The EXIF block these files also carry
// repeats that orientation, so it is not applied a second time. Pictures of
// more than 8 bits a channel become 8 bits; transparent parts become white.
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <libheif/heif.h>

#include "io/decode_util.h"
#include "io/picture_files.h"

namespace jollix {
using namespace io_detail;

namespace {

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

void check(const heif_error& e, const char* what) {
    if (e.code == heif_error_Ok) return;
    std::string message = std::string("the HEIF ") + what + " is damaged";
    if (e.message && *e.message) message += std::string(" (") + e.message + ")";
    fail(message);
}

// libheif's plugins (the HEVC decoder among them) are loaded once.
void initialiseLibheif() {
    static const bool done = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)done;
}

}  // namespace

Picture decodeHeif(const uint8_t* data, size_t size, uint64_t maxPixels) {
    if (size < 12 || size > size_t(INT_MAX) || heif_check_filetype(data, int(size)) == heif_filetype_no)
        fail("the file is not a HEIF file");
    initialiseLibheif();
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context) throw std::bad_alloc();
    // libheif checks every image it makes against its own limit a side:
    // thumbnails, tiles, and the canvas a grid of tiles is put together
    // on, whose size the file states apart from the primary image's. The
    // side of a square of the program's largest picture keeps all of them
    // within that picture's memory (a 700-byte grid claiming a canvas of
    // 27759 x 14441 for a 24 x 16 picture took 22 s and 2.3 GB before).
    const int side = int(std::min<uint64_t>(32768, std::max<uint64_t>(1, uint64_t(std::sqrt(double(maxPixels))))));
    heif_context_set_maximum_image_size_limit(context.get(), side);
    check(heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr), "file");

    heif_image_handle* rawHandle = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &rawHandle), "file's primary image");
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
    checkPictureSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()), maxPixels,
                     "HEIF picture");

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
    std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    if (!options) throw std::bad_alloc();
    options->ignore_transformations = 0;
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    const heif_error decoded =
        heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    if (decoded.subcode == heif_suberror_Security_limit_exceeded)
        fail("the HEIF picture is too large (an image in it has more than " + std::to_string(side) + " pixels a side)");
    check(decoded, "image data");
    std::unique_ptr<heif_image, ImageDeleter> image(rawImage);

    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    checkPictureSize(w, h, maxPixels, "HEIF picture");
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8)
        fail("the HEIF image data has a layout that cannot be read");
    const int channels = alpha ? 4 : 3;
    if (stride < w * channels) fail("the HEIF image data has a layout that cannot be read");

    Picture picture(w, h);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = plane + size_t(y) * size_t(stride);
        uint8_t* d = row.data();
        for (int x = 0; x < w; ++x, s += channels, d += 3) {
            if (alpha) {  // onto white
                const unsigned a = s[3];
                auto blend = [a](unsigned c) { return uint8_t((c * a + 255 * (255 - a) + 127) / 255); };
                d[0] = blend(s[2]);
                d[1] = blend(s[1]);
                d[2] = blend(s[0]);
            } else {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
            }
        }
        picture.writeRow(y, row.data());
    }
    return picture;
}

}  // namespace jollix
