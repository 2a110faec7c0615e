// HEIC and HEIF files through libheif: the primary image, turned and
// mirrored by libheif as the file's own rotation and mirroring say (the way
// phones store a photo taken upright). The EXIF block these files also carry
// repeats that orientation, so it is not applied a second time. Pictures of
// more than 8 bits a channel become 8 bits; transparent parts become white.
//
// libheif's own limits bound the work a file may ask for: the side of every
// image it makes (set here from the program's largest picture), the number
// of images a grid or other derived image decodes, the items of a file.
// What it refuses for a reason other than the size keeps its reason.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <libheif/heif.h>

#include "io/colour_profile.h"
#include "io/decode_util.h"
#include "io/picture_files.h"
#include "io/picture_rows.h"

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

// libheif's refusals: a picture past the size limit is told as the other
// decoders tell it; libheif's other limits (derived images, items) keep
// libheif's own reason.
void check(const heif_error& e, const char* what, int side) {
    if (e.code == heif_error_Ok) return;
    const std::string reason = e.message ? e.message : "";
    if (e.subcode == heif_suberror_Security_limit_exceeded) {
        if (reason.find("maximum image size") != std::string::npos)
            fail("the HEIF picture is too large (an image in it has more than " + std::to_string(side) +
                 " pixels a side)");
        fail("the HEIF file asks for more work than its picture needs (" + reason + ")");
    }
    std::string message = std::string("the HEIF ") + what + " is damaged";
    if (!reason.empty()) message += " (" + reason + ")";
    fail(message);
}

// The items a file declares (its item information box) and the largest
// image size any of its image properties states, read from the boxes
// without libheif. libheif's reading of the items takes time growing with
// the square of their number (12,000 items took 17 s), so the number is
// bounded by the picture before libheif reads them: a photo has a few
// dozen, a grid one a tile.
struct ItemCount {
    uint64_t items = 0;
    uint64_t largestPixels = 0;
};

uint32_t be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// One box of the file: its four-letter type and its body.
struct Box {
    const uint8_t* type;
    const uint8_t* body;
    size_t size;
    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
};

// Calls each(box) for each box in [data, data + size); stops at the first
// box that does not fit.
template <class Each>
void forEachBox(const uint8_t* data, size_t size, Each&& each) {
    size_t at = 0;
    while (size - at >= 8) {
        uint64_t length = be32(data + at);
        size_t header = 8;
        if (length == 1) {
            if (size - at < 16) return;
            length = (uint64_t(be32(data + at + 8)) << 32) | be32(data + at + 12);
            header = 16;
        } else if (length == 0) {
            length = size - at;
        }
        if (length < header || length > size - at) return;
        each(Box{data + at + 4, data + at + header, size_t(length - header)});
        at += size_t(length);
    }
}

// The item number a box of the given version holds at `at`: 16 bits in
// version 0, 32 bits after.
uint32_t itemNumber(const Box& box, size_t at) {
    return box.body[0] == 0     ? (uint32_t(box.body[at]) << 8 | box.body[at + 1])
           : box.size >= at + 4 ? be32(box.body + at)
                                : 0;
}

ItemCount countItems(const uint8_t* data, size_t size) {
    ItemCount count;
    forEachBox(data, size, [&](const Box& meta) {
        if (!meta.is("meta") || meta.size < 4) return;
        forEachBox(meta.body + 4, meta.size - 4, [&](const Box& box) {
            if (box.is("iinf") && box.size >= 6) {
                count.items += itemNumber(box, 4);
            } else if (box.is("iprp")) {
                forEachBox(box.body, box.size, [&](const Box& properties) {
                    if (!properties.is("ipco")) return;
                    forEachBox(properties.body, properties.size, [&](const Box& property) {
                        if (property.is("ispe") && property.size >= 12)
                            count.largestPixels = std::max(count.largestPixels,
                                                           uint64_t(be32(property.body + 4)) * be32(property.body + 8));
                    });
                });
            }
        });
    });
    return count;
}

// A few hundred items for any picture, and one for every 256 x 256 pixels
// of the largest image the file states (whose side libheif bounds).
void checkItemCount(const uint8_t* data, size_t size) {
    const ItemCount count = countItems(data, size);
    const uint64_t allowed = 256 + count.largestPixels / 65536;
    if (count.items > allowed)
        fail("the HEIF file holds " + std::to_string(count.items) + " items, more than a picture of its size needs (" +
             std::to_string(allowed) + ")");
}

// The colour space the primary image states: its ICC profile, else its nclx
// code points; sRGB when it states none.
ColourProfile heifColourProfile(const heif_image_handle* handle) {
    const size_t iccSize = heif_image_handle_get_raw_color_profile_size(handle);
    if (iccSize > 0 && iccSize < (size_t(16) << 20)) {
        std::vector<uint8_t> icc(iccSize);
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok)
            return ColourProfile::fromIcc(icc.data(), icc.size());
    }
    heif_color_profile_nclx* nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok || !nclx) return ColourProfile();
    const ColourProfile profile =
        ColourProfile::fromCodePoints(int(nclx->color_primaries), int(nclx->transfer_characteristics));
    heif_nclx_color_profile_free(nclx);
    return profile;
}

// The coding of the file's primary item as its four-letter type, read from
// the boxes (meta: pitm, iinf / infe) for the message about a coding libheif
// cannot decode. Empty when the boxes do not say.
std::string primaryItemType(const uint8_t* data, size_t size) {
    uint32_t primary = 0;
    bool havePrimary = false;
    std::vector<std::pair<uint32_t, std::string>> types;
    forEachBox(data, size, [&](const Box& meta) {
        if (!meta.is("meta") || meta.size < 4) return;
        forEachBox(meta.body + 4, meta.size - 4, [&](const Box& box) {
            if (box.is("pitm") && box.size >= 6) {
                primary = itemNumber(box, 4);
                havePrimary = true;
            } else if (box.is("iinf") && box.size >= 6) {
                const size_t first = box.body[0] == 0 ? 6 : 8;
                if (box.size < first) return;
                forEachBox(box.body + first, box.size - first, [&](const Box& info) {
                    if (!info.is("infe") || info.size < 4 || info.body[0] < 2) return;
                    const size_t idBytes = info.body[0] == 2 ? 2 : 4;
                    const size_t at = 4 + idBytes + 2;
                    if (at + 4 > info.size) return;
                    const uint32_t id =
                        idBytes == 2 ? (uint32_t(info.body[4]) << 8 | info.body[5]) : be32(info.body + 4);
                    types.emplace_back(id, std::string(reinterpret_cast<const char*>(info.body + at), 4));
                });
            }
        });
    });
    for (const auto& [id, type] : types)
        if (havePrimary && id == primary) return type;
    return std::string();
}

// The name of a coding of the primary item that this libheif cannot
// decode, for the message; empty when it can (or the type says nothing).
std::string unsupportedCoding(const std::string& type) {
    if (type == "avc1") return "AVC";
    if (type == "jpeg") return "JPEG";
    if (type == "j2k1") return "JPEG 2000";
    if (type == "vvc1") return "VVC";
    if (type == "unci") return "uncompressed samples";
    if (type == "hvc1" && !heif_have_decoder_for_format(heif_compression_HEVC)) return "HEVC";
    if (type == "av01" && !heif_have_decoder_for_format(heif_compression_AV1)) return "AV1";
    return std::string();
}

// A failure on a file whose primary image is of a coding this libheif
// cannot decode is that, not damage: refused by name.
void checkCoding(const heif_error& e, const uint8_t* data, size_t size) {
    if (e.code == heif_error_Ok) return;
    const std::string name = unsupportedCoding(primaryItemType(data, size));
    if (!name.empty()) fail("HEIF image coded as " + name + " is not supported");
}

// Whether the file's ftyp box lists a brand of the image file format family
// that this libheif's quick check does not know (newer codings).
bool hasImageBrand(const uint8_t* data, size_t size) {
    if (size < 16 || std::memcmp(data + 4, "ftyp", 4) != 0) return false;
    const size_t length =
        std::min<size_t>(size, (size_t(data[0]) << 24 | size_t(data[1]) << 16 | size_t(data[2]) << 8 | data[3]));
    for (size_t at = 8; at + 4 <= length; at += 4)
        if (at != 12 && (std::memcmp(data + at, "mif1", 4) == 0 || std::memcmp(data + at, "msf1", 4) == 0 ||
                         std::memcmp(data + at, "mif2", 4) == 0))
            return true;
    return false;
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
    if (size < 12 || size > size_t(INT_MAX) ||
        (heif_check_filetype(data, int(size)) == heif_filetype_no && !hasImageBrand(data, size)))
        fail("the file is not a HEIF file");
    checkItemCount(data, size);
    initialiseLibheif();
    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context) throw std::bad_alloc();
    // libheif checks every image it makes against its own limit a side:
    // thumbnails, tiles, and the canvas a grid of tiles is put together
    // on, whose size the file states apart from the primary image's. The
    // side of a square of the program's largest picture keeps all of them
    // within that picture's memory (a 700-byte grid claiming a canvas of
    // 27759 x 14441 for a 24 x 16 picture took 22 s and 2.3 GB before).
    // libheif refuses an image of its limit itself: one more lets a
    // picture of exactly that side through.
    const int side = int(std::min<uint64_t>(32768, std::max<uint64_t>(1, uint64_t(std::sqrt(double(maxPixels))))));
    heif_context_set_maximum_image_size_limit(context.get(), side + 1);
    const heif_error read = heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr);
    checkCoding(read, data, size);
    check(read, "file", side);

    heif_image_handle* rawHandle = nullptr;
    const heif_error primary = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    checkCoding(primary, data, size);
    check(primary, "file's primary image", side);
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
    checkPictureSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()), maxPixels,
                     "HEIF picture");

    // Planar RGB: the form libheif puts a grid together in, so the picture
    // is not converted once more before it goes into the tiles.
    std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    if (!options) throw std::bad_alloc();
    options->ignore_transformations = 0;
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    const heif_error decoded =
        heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_444, options.get());
    checkCoding(decoded, data, size);
    std::unique_ptr<heif_image, ImageDeleter> image(rawImage);
    check(decoded, "image data", side);

    const int w = heif_image_get_width(image.get(), heif_channel_R);
    const int h = heif_image_get_height(image.get(), heif_channel_R);
    checkPictureSize(w, h, maxPixels, "HEIF picture");
    const heif_channel channels[4] = {heif_channel_R, heif_channel_G, heif_channel_B, heif_channel_Alpha};
    const uint8_t* plane[4] = {};
    int stride[4] = {};
    const bool alpha = heif_image_has_channel(image.get(), heif_channel_Alpha);
    for (int c = 0; c < (alpha ? 4 : 3); ++c) {
        plane[c] = heif_image_get_plane_readonly(image.get(), channels[c], &stride[c]);
        if (!plane[c] || heif_image_get_bits_per_pixel_range(image.get(), channels[c]) != 8 || stride[c] < w ||
            heif_image_get_width(image.get(), channels[c]) != w || heif_image_get_height(image.get(), channels[c]) != h)
            fail("the HEIF image data has a layout that cannot be read");
    }
    PictureRows picture(w, h);
    for (int y = 0; y < h; ++y) {
        auto row = [&](int c) { return plane[c] ? plane[c] + size_t(y) * size_t(stride[c]) : nullptr; };
        picture.planes(y, row(0), row(1), row(2), row(3));
    }
    Picture result = picture.take();
    convertToSrgb(result, heifColourProfile(handle.get()));
    return result;
}

}  // namespace jollix
