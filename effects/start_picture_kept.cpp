// The start picture as the build kept it: its rows, top first, 3 bytes a
// pixel (B, G, R), compressed with zlib by tools/make_start_picture.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "effects/start_picture.h"

namespace jollix {

namespace kept_start_picture {
extern const uint8_t kBytes[];
extern const size_t kSize;
}  // namespace kept_start_picture

Picture startPicture() {
    // Unpacked once; copies share its tiles.
    static const Picture picture = [] {
        std::vector<uint8_t> rows(size_t(kDefaultPictureWidth) * kDefaultPictureHeight * 3);
        uLongf size = uLongf(rows.size());
        if (uncompress(rows.data(), &size, kept_start_picture::kBytes, uLong(kept_start_picture::kSize)) != Z_OK ||
            size != rows.size())
            throw std::logic_error("the start picture kept in the program is damaged");
        return Picture::fromFlat(kDefaultPictureWidth, kDefaultPictureHeight, rows.data(),
                                 size_t(kDefaultPictureWidth) * 3);
    }();
    return picture;
}

}  // namespace jollix
