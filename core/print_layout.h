#pragma once
// Where the printed picture goes on the page: enlarged by the largest power
// of two that keeps it under half the page in both directions, and centred.
#include <cstdint>

namespace jollix {

struct PrintRectangle {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    int32_t width() const { return Right - Left; }
    int32_t height() const { return Bottom - Top; }
};

// pictureWidth x pictureHeight picture pixels on a printable page of
// pageWidth x pageHeight device pixels. The picture is doubled while its
// height is below half the page height and its width below half the page
// width; it is then centred, with negative offsets when it is larger than
// the page (it is cut off at the edges). An empty picture is not enlarged.
PrintRectangle printRectangle(int32_t pictureWidth, int32_t pictureHeight, int32_t pageWidth, int32_t pageHeight);

}  // namespace jollix
