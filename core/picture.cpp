#include "core/picture.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <sys/mman.h>

#include <cstdlib>
#include <mutex>

#include "core/error.h"
#include "core/tiles.h"

namespace jollix {

namespace {

// Tiles come from 2 MiB slabs that the kernel may back with huge pages, and
// freed tiles are kept for reuse. A fresh 24-megapixel picture then costs
// a few dozen page faults instead of some eighteen thousand, and tiles
// released by the history or by a replaced picture are reused without any.
// The memory of the slabs stays with the process for its whole run.
class TilePool {
public:
    static constexpr size_t kSlabBytes = size_t(2) << 20;
    // Tiles lie back to back in a slab; after the last one the slab keeps
    // room for the slack a tile's readers may touch.
    static_assert(kSlabBytes % Picture::kTileBytes >= Picture::kTileSlack);

    void* take() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (free_.empty()) addSlab();
        void* t = free_.back();
        free_.pop_back();
        return t;
    }
    // n tiles under one lock, appended to `out` (which the caller has
    // reserved room for).
    void take(size_t n, std::vector<void*>& out) {
        std::lock_guard<std::mutex> lock(mutex_);
        while (free_.size() < n) addSlab();
        // In the order take() would hand them out, so that a new picture's
        // tiles lie in memory in the order of its rows.
        out.insert(out.end(), free_.rbegin(), free_.rbegin() + std::ptrdiff_t(n));
        free_.resize(free_.size() - n);
    }
    void give(void* t) {
        std::lock_guard<std::mutex> lock(mutex_);
        free_.push_back(t);
    }
    void give(void* const* t, size_t n) {
        std::lock_guard<std::mutex> lock(mutex_);
        free_.insert(free_.end(), t, t + n);
    }

private:
    void addSlab() {
        void* slab = std::aligned_alloc(kSlabBytes, kSlabBytes);
        if (!slab) throw std::bad_alloc();
        ::madvise(slab, kSlabBytes, MADV_HUGEPAGE);
        const size_t n = kSlabBytes / Picture::kTileBytes;
        free_.reserve(free_.size() + n);
        // Handed out from the slab's start so that a new picture's tiles lie
        // together.
        for (size_t i = n; i-- > 0;) free_.push_back(static_cast<char*>(slab) + i * Picture::kTileBytes);
    }
    std::mutex mutex_;
    std::vector<void*> free_;
};

TilePool& tilePool() {
    static TilePool* pool = new TilePool;  // lives until exit, after every picture
    return *pool;
}

}  // namespace

template <class T>
std::shared_ptr<T> Picture::newTile(const T* copyFrom) {
    T* t = static_cast<T*>(tilePool().take());
    if (copyFrom) std::memcpy(t->data, copyFrom->data, kTileBytes);
    // Should the shared pointer's bookkeeping fail to allocate, it hands
    // the block to the deleter itself, which gives it back to the pool.
    return std::shared_ptr<T>(t, [](T* p) { tilePool().give(p); });
}

Picture Picture::sized(int width, int height) {
    Picture p;
    if (width < 0 || height < 0) throw JollixError(kRangeCheckError);
    if (width == 0 || height == 0) return p;
    p.width_ = width;
    p.height_ = height;
    p.tilesX_ = (width + kTile - 1) >> kTileBits;
    p.tilesY_ = (height + kTile - 1) >> kTileBits;
    return p;
}

Picture::Picture(int width, int height, uint32_t colour) : Picture(sized(width, height)) {
    if (isEmpty()) return;
    auto block = newTile<Tile>(nullptr);
    const uint8_t b = uint8_t(colour >> 16), g = uint8_t(colour >> 8), r = uint8_t(colour);
    for (size_t i = 0; i < kTileBytes; i += 3) {
        block->data[i] = b;
        block->data[i + 1] = g;
        block->data[i + 2] = r;
    }
    tiles_.assign(size_t(tilesX_) * tilesY_, block);
}

uint8_t* Picture::mutableTile(int tx, int ty) {
    auto& t = tiles_[size_t(ty) * tilesX_ + tx];
    if (t.use_count() != 1) t = newTile<Tile>(t.get());
    return t->data;
}

Picture::Rewrite Picture::rewriteTiles(const std::vector<size_t>& indices) {
    // Every block is taken before any tile changes, so that a failed
    // allocation leaves the picture as it was.
    std::vector<std::shared_ptr<Tile>> blocks = newTiles(indices.size());
    Rewrite r;
    r.fresh.reserve(indices.size());
    r.old.reserve(indices.size());
    r.keep.reserve(indices.size());
    for (size_t n = 0; n < indices.size(); ++n) {
        const size_t i = indices[n];
        r.old.push_back(tiles_[i]->data);
        r.fresh.push_back(blocks[n]->data);
        r.keep.push_back(std::move(tiles_[i]));
        tiles_[i] = std::move(blocks[n]);
    }
    return r;
}

std::vector<std::shared_ptr<Picture::Tile>> Picture::newTiles(size_t n) {
    std::vector<void*> blocks;
    blocks.reserve(n);
    std::vector<std::shared_ptr<Tile>> tiles;
    tiles.reserve(n);
    tilePool().take(n, blocks);
    size_t wrapped = 0;
    try {
        for (; wrapped < n; ++wrapped)
            tiles.emplace_back(static_cast<Tile*>(blocks[wrapped]), [](Tile* t) { tilePool().give(t); });
    } catch (...) {
        // The block whose wrapping failed went back through its deleter;
        // those after it never reached a tile.
        tilePool().give(blocks.data() + wrapped + 1, n - wrapped - 1);
        throw;
    }
    return tiles;
}

Picture Picture::unwritten(int width, int height) {
    Picture p = sized(width, height);
    p.tiles_ = newTiles(size_t(p.tilesX_) * p.tilesY_);
    return p;
}

void Picture::shareTile(int tx, int ty, const Picture& from, int fromX, int fromY) {
    tiles_[size_t(ty) * tilesX_ + tx] = from.tiles_[size_t(fromY) * from.tilesX_ + fromX];
}

Picture Picture::fromFlat(int width, int height, const uint8_t* bgr, size_t stride) {
    Picture p = unwritten(width, height);
    TileWriter writer(p);
    for (int y = 0; y < height; ++y) writer.putRow(y, 0, width, bgr + size_t(y) * stride);
    return p;
}

bool Picture::operator==(const Picture& o) const {
    if (width_ != o.width_ || height_ != o.height_) return false;
    for (int ty = 0; ty < tilesY_; ++ty) {
        const int rows = std::min(kTile, height_ - ty * kTile);
        for (int tx = 0; tx < tilesX_; ++tx) {
            const size_t i = size_t(ty) * tilesX_ + tx;
            if (tiles_[i] == o.tiles_[i]) continue;
            const size_t bytes = size_t(std::min(kTile, width_ - tx * kTile)) * 3;
            for (int r = 0; r < rows; ++r)
                if (std::memcmp(tiles_[i]->data + size_t(r) * kTileStride, o.tiles_[i]->data + size_t(r) * kTileStride,
                                bytes) != 0)
                    return false;
        }
    }
    return true;
}

size_t Picture::sharedTileCount(const Picture& o) const {
    if (tiles_.size() != o.tiles_.size()) return 0;
    size_t n = 0;
    for (size_t i = 0; i < tiles_.size(); ++i) n += tiles_[i] == o.tiles_[i];
    return n;
}

}  // namespace jollix
