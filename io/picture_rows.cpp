// Rows into tiles, turned as the file's orientation says. A turned row of
// the file is a column of the picture: it is written tile by tile down that
// column, each tile looked up once.
#include "io/picture_rows.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace jollix::io_detail {

PictureRows::PictureRows(int width, int height, int orientation, uint32_t fill)
    : width_(width),
      height_(height),
      orientation_(orientation >= 2 && orientation <= 8 ? orientation : 1),
      picture_(orientation_ >= 5 ? height : width, orientation_ >= 5 ? width : height, fill),
      writer_(picture_) {
    row_.resize(size_t(std::max(width, 0)) * 3);
}

void PictureRows::bgr(int y, const uint8_t* row) { put(y, row); }

void PictureRows::rgb(int y, const uint8_t* row) {
    uint8_t* o = row_.data();
    for (int x = 0; x < width_; ++x, row += 3, o += 3) {
        o[0] = row[2];
        o[1] = row[1];
        o[2] = row[0];
    }
    put(y, row_.data());
}

void PictureRows::rgbOnWhite(int y, const uint8_t* row, int channels) {
    if (channels == 3) return rgb(y, row);
    uint8_t* o = row_.data();
    for (int x = 0; x < width_; ++x, row += channels, o += 3) {
        const unsigned a = row[3];
        o[0] = onWhite(row[2], a);
        o[1] = onWhite(row[1], a);
        o[2] = onWhite(row[0], a);
    }
    put(y, row_.data());
}

void PictureRows::planes(int y, const uint8_t* red, const uint8_t* green, const uint8_t* blue, const uint8_t* alpha) {
    uint8_t* o = row_.data();
    if (alpha) {
        for (int x = 0; x < width_; ++x, o += 3) {
            o[0] = onWhite(blue[x], alpha[x]);
            o[1] = onWhite(green[x], alpha[x]);
            o[2] = onWhite(red[x], alpha[x]);
        }
    } else {
        for (int x = 0; x < width_; ++x, o += 3) {
            o[0] = blue[x];
            o[1] = green[x];
            o[2] = red[x];
        }
    }
    put(y, row_.data());
}

void PictureRows::bgrSpan(int y, int x0, int count, const uint8_t* pixels) {
    if (orientation_ == 1) {
        writer_.putRow(y, x0, count, pixels);
        return;
    }
    // Rare (a GIF image smaller than its screen is never turned): the row
    // as it stands, with the span put in.
    std::vector<uint8_t> whole(size_t(width_) * 3);
    for (int x = 0; x < width_; ++x) {
        int px = x, py = y;
        // Read back what the row holds now, then put the span over it.
        switch (orientation_) {
            case 2: px = width_ - 1 - x; break;
            case 3: px = width_ - 1 - x, py = height_ - 1 - y; break;
            case 4: py = height_ - 1 - y; break;
            case 5: px = y, py = x; break;
            case 6: px = height_ - 1 - y, py = x; break;
            case 7: px = height_ - 1 - y, py = width_ - 1 - x; break;
            case 8: px = y, py = width_ - 1 - x; break;
        }
        std::memcpy(&whole[size_t(x) * 3], writer_.at(px, py), 3);
    }
    std::memcpy(&whole[size_t(x0) * 3], pixels, size_t(count) * 3);
    put(y, whole.data());
}

void PictureRows::bgrSpaced(int y, int x0, int step, int count, const uint8_t* pixels) {
    if (orientation_ != 1 || y < 0 || y >= height_) return;
    for (int i = 0; i < count; ++i) std::memcpy(writer_.at(x0 + i * step, y), pixels + size_t(i) * 3, 3);
}

void PictureRows::put(int y, const uint8_t* bgr) {
    if (y < 0 || y >= height_) return;
    const int w = width_, h = height_;
    switch (orientation_) {
        case 1: writer_.putRow(y, 0, w, bgr); return;
        case 3:  // half round: the row reversed, counted from the bottom
        case 2: {
            flipped_.resize(size_t(w) * 3);
            uint8_t* o = flipped_.data();
            for (int x = 0; x < w; ++x) std::memcpy(o + size_t(w - 1 - x) * 3, bgr + size_t(x) * 3, 3);
            writer_.putRow(orientation_ == 3 ? h - 1 - y : y, 0, w, o);
            return;
        }
        case 4: writer_.putRow(h - 1 - y, 0, w, bgr); return;
        default: break;
    }
    // 5 to 8: the stored row y is a column of the upright picture; pixel x
    // of it lands at (column, x), or (column, w - 1 - x) for 7 and 8:
    //   5: (x, y) -> (y, x)            6: (x, y) -> (h - 1 - y, x)
    //   7: (x, y) -> (h - 1 - y, w - 1 - x)   8: (x, y) -> (y, w - 1 - x)
    const int column = (orientation_ == 5 || orientation_ == 8) ? y : h - 1 - y;
    const bool reversed = orientation_ == 7 || orientation_ == 8;
    const int tx = column >> Picture::kTileBits;
    const size_t inTile = size_t(column & Picture::kTileMask) * 3;
    for (int ty = 0; ty < picture_.tilesY(); ++ty) {
        const int first = ty * Picture::kTile, last = std::min(w, first + Picture::kTile);
        uint8_t* tile = writer_.tileRow(tx, first);
        for (int oy = first; oy < last; ++oy) {
            const int x = reversed ? w - 1 - oy : oy;
            std::memcpy(tile + size_t(oy - first) * Picture::kTileStride + inTile, bgr + size_t(x) * 3, 3);
        }
    }
}

Picture PictureRows::take() { return std::move(picture_); }

PixelBuffer::PixelBuffer(size_t bytes) : bytes_(std::max<size_t>(bytes, 1)) {
    base_ = ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base_ == MAP_FAILED) throw std::bad_alloc();
}

PixelBuffer::~PixelBuffer() { ::munmap(base_, bytes_); }

void PixelBuffer::giveBack(size_t from, size_t to) {
    static const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    from = (from + page - 1) / page * page;
    to = std::min(to, bytes_) / page * page;
    if (from < to) ::madvise(data() + from, to - from, MADV_DONTNEED);
}

}  // namespace jollix::io_detail
