#pragma once
// Small helpers shared by the decoders: bounded little-endian reads of
// untrusted bytes, the size check every decoder makes before it allocates,
// and the DIB (device-independent bitmap) reader that BMP and ICO share.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/error.h"
#include "core/picture.h"

namespace jollix::io_detail {

[[noreturn]] inline void fail(const std::string& reason) { throw JollixError(reason); }

inline uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline int16_t les16(const uint8_t* p) { return int16_t(le16(p)); }
inline int32_t les32(const uint8_t* p) { return int32_t(le32(p)); }

// Refuses a picture of w x h before anything of that size is allocated:
// non-positive sides, a side above kMaxPictureSide, or more than maxPixels.
void checkPictureSize(int64_t width, int64_t height, uint64_t maxPixels, const char* what);

// What all drawing of a metafile together may touch, in pixels: 256 times
// its picture, and 16 million more for small pictures. Past that the file is
// refused: no honest drawing paints each pixel hundreds of times.
inline double drawingBudget(int width, int height) { return 256.0 * width * height + double(1 << 24); }

// A view of a device-independent bitmap: its header, colour table and
// pixels, as found in a BMP file (after the 14-byte file header) or as one
// image of an icon.
struct DibOptions {
    // Icons store twice the height (colour rows, then the AND mask rows).
    bool icon = false;
    // Where the pixel bits start, counted from the start of the header;
    // 0 = right after the header and colour table.
    size_t pixelOffset = 0;
};

// Decodes the DIB in [data, data + size) to a 24-bit picture. For icons the
// picture is the icon drawn onto white: through its alpha channel when a
// 32-bit image has one, else through its AND mask.
Picture decodeDib(const uint8_t* data, size_t size, const DibOptions& options, uint64_t maxPixels);
// Checks a DIB as decodeDib would (throws its error) without making the
// picture: its header, colours and the extent of its pixels, and walks
// run-length data through.
void checkDib(const uint8_t* data, size_t size, const DibOptions& options, uint64_t maxPixels);

}  // namespace jollix::io_detail

namespace jollix::io_detail {

// The orientation tag (1 to 8, as EXIF numbers it) of an EXIF block, read by
// libexif: the block as found in a JPEG's APP1 segment or a WebP's EXIF
// chunk, with or without the "Exif\0\0" prefix. 1 (upright) when the block
// has no readable tag.
int exifOrientation(const uint8_t* exif, size_t size);

// The picture turned and mirrored as an orientation tag says, so that it
// shows as the camera meant: 2 mirrors left-right, 3 turns half round, 4
// mirrors top-bottom, 5 mirrors along the main diagonal, 6 turns a quarter
// clockwise, 7 mirrors along the other diagonal, 8 turns a quarter
// anticlockwise. 1 and any other value give the picture unchanged.
Picture orientPicture(const Picture& picture, int orientation);

}  // namespace jollix::io_detail
