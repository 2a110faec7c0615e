// Photos stored sideways or mirrored: the EXIF orientation tag, read with
// libexif, and the turn or mirror that makes the picture upright.
#include <cstring>
#include <string>
#include <vector>

#include <libexif/exif-data.h>

#include "core/tiles.h"
#include "io/decode_util.h"

namespace jollix::io_detail {

int exifOrientation(const uint8_t* exif, size_t size) {
    if (!exif || size < 8 || size > 0xFFFFFF) return 1;
    // libexif wants the "Exif\0\0" prefix; WebP files often store the block
    // without it.
    static const char kPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::string owned;
    if (std::memcmp(exif, kPrefix, 6) != 0) {
        owned.assign(kPrefix, 6);
        owned.append(reinterpret_cast<const char*>(exif), size);
        exif = reinterpret_cast<const uint8_t*>(owned.data());
        size = owned.size();
    }
    ExifData* data = exif_data_new();
    if (!data) return 1;
    // Read the tags as they are: of libexif's options (a bit mask) only the
    // skipping of unknown tags stays, so no tag is fixed up or made up.
    exif_data_unset_option(data, ExifDataOption(~EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS));
    exif_data_load_data(data, exif, unsigned(size));
    int orientation = 1;
    if (ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION)) {
        if (e->format == EXIF_FORMAT_SHORT && e->components >= 1 && e->data && e->size >= 2) {
            const int v = exif_get_short(e->data, exif_data_get_byte_order(data));
            if (v >= 1 && v <= 8) orientation = v;
        }
    }
    exif_data_unref(data);
    return orientation;
}

Picture orientPicture(const Picture& picture, int orientation) {
    if (orientation < 2 || orientation > 8 || picture.isEmpty()) return picture;
    const int w = picture.width(), h = picture.height();
    const bool swap = orientation >= 5;
    const int ow = swap ? h : w, oh = swap ? w : h;
    std::vector<uint8_t> src(size_t(w) * h * 3);
    const TileReader reader(picture);
    for (int y = 0; y < h; ++y) reader.copyRow(y, 0, w, src.data() + size_t(y) * w * 3);
    std::vector<uint8_t> dst(size_t(ow) * oh * 3);
    // For each output pixel (x, y), the source pixel it shows.
    for (int y = 0; y < oh; ++y) {
        uint8_t* d = dst.data() + size_t(y) * ow * 3;
        for (int x = 0; x < ow; ++x, d += 3) {
            int sx = x, sy = y;
            switch (orientation) {
                case 2: sx = w - 1 - x; break;
                case 3:
                    sx = w - 1 - x;
                    sy = h - 1 - y;
                    break;
                case 4: sy = h - 1 - y; break;
                case 5:
                    sx = y;
                    sy = x;
                    break;
                case 6:
                    sx = y;
                    sy = h - 1 - x;
                    break;
                case 7:
                    sx = w - 1 - y;
                    sy = h - 1 - x;
                    break;
                case 8:
                    sx = w - 1 - y;
                    sy = x;
                    break;
            }
            const uint8_t* s = src.data() + (size_t(sy) * w + sx) * 3;
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
    return Picture::fromFlat(ow, oh, dst.data(), size_t(ow) * 3);
}

}  // namespace jollix::io_detail
