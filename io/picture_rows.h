#pragma once
// The decoders' one way of making a picture: rows as the file gives them,
// written straight into the picture's tiles, so that opening a picture costs
// its picture and a row or two, never a second full-size copy.
//
// Rows are given top first in the file's own orientation; an EXIF
// orientation (2 to 8, see orientPicture) puts each row where the turned
// and mirrored picture shows it, so a photo comes out upright without being
// turned afterwards. Rows may come in any order (an interlaced GIF, a
// bottom-up bitmap); a row never written keeps the fill colour.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/picture.h"
#include "core/tiles.h"

namespace jollix::io_detail {

class PictureRows {
public:
    // A picture of width x height pixels as stored in the file, every pixel
    // `fill` (0x00BBGGRR) until written. orientation 1 keeps it as stored.
    PictureRows(int width, int height, int orientation = 1, uint32_t fill = 0);
    PictureRows(const PictureRows&) = delete;
    PictureRows& operator=(const PictureRows&) = delete;

    int width() const { return width_; }    // as stored in the file
    int height() const { return height_; }  // as stored in the file

    // Row y as stored: width() pixels of blue, green, red.
    void bgr(int y, const uint8_t* row);
    // Row y as stored from pixels of red, green, blue.
    void rgb(int y, const uint8_t* row);
    // Row y as stored from pixels of `channels` bytes each (3 or 4) in the
    // order red, green, blue (alpha): the alpha, when there is one, blends
    // the pixel onto white.
    void rgbOnWhite(int y, const uint8_t* row, int channels);
    // Row y as stored from three separate planes of red, green and blue.
    void planes(int y, const uint8_t* red, const uint8_t* green, const uint8_t* blue, const uint8_t* alpha);
    // Part of row y as stored: count pixels of blue, green, red from x0 on
    // (the caller keeps them inside the row).
    void bgrSpan(int y, int x0, int count, const uint8_t* pixels);
    // count pixels of blue, green, red that land at x0, x0 + step, x0 +
    // 2 step ... of row y (an interlaced PNG's passes); the picture must be
    // kept as stored (orientation 1).
    void bgrSpaced(int y, int x0, int step, int count, const uint8_t* pixels);

    // The finished picture, upright. The writer is empty afterwards.
    Picture take();

private:
    void put(int y, const uint8_t* bgr);
    int width_, height_, orientation_;
    Picture picture_;
    TileWriter writer_;
    std::vector<uint8_t> row_, flipped_;
};

// Pixels a library decodes or draws at full size before they go into the
// picture: memory of their own (an anonymous mapping) that can be given back
// a band at a time as the rows go into the picture.
class PixelBuffer {
public:
    explicit PixelBuffer(size_t bytes);
    ~PixelBuffer();
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;
    uint8_t* data() { return static_cast<uint8_t*>(base_); }
    // The bytes [from, to) are not needed any more: the whole pages inside
    // go back to the system.
    void giveBack(size_t from, size_t to);

private:
    void* base_;
    size_t bytes_;
};

// One pixel of colour c (0..255) with alpha a onto white, rounded.
inline uint8_t onWhite(unsigned c, unsigned a) { return uint8_t((c * a + 255 * (255 - a) + 127) / 255); }

}  // namespace jollix::io_detail
