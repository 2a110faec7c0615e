#include "effects/resample.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <numeric>
#include <vector>

#include "core/error.h"
#include "core/parallel.h"
#include "core/tiles.h"
#include "effects/engine/vector_build.h"

namespace jollix {

namespace {

// What resampling costs a core, per source pixel read and new pixel written.
constexpr parallel::PixelCost kAreaCost{2};

// The weights of one axis. With g = gcd(S, D), S' = S / g and D' = D / g,
// lengths are measured so that a new pixel is S' long and a source pixel D'
// long (the whole axis is D * S' = S * D'): new pixel i covers
// [i * S', (i + 1) * S') and source pixel j covers [j * D', (j + 1) * D');
// the overlap of the two is j's weight in i, an integer, and the weights of
// every new pixel add up to S'.
struct AxisWeights {
    uint64_t total = 1;          // S': the sum of each new pixel's weights
    std::vector<int32_t> first;  // first source pixel of new pixel i
    std::vector<int32_t> count;  // how many source pixels it reads
    std::vector<size_t> offset;  // where its weights start in `weight`
    std::vector<uint32_t> weight;
};

AxisWeights axisWeights(int src, int dst) {
    AxisWeights a;
    const uint64_t g = std::gcd(uint64_t(src), uint64_t(dst));
    const uint64_t sp = uint64_t(src) / g;  // length of a new pixel
    const uint64_t dp = uint64_t(dst) / g;  // length of a source pixel
    a.total = sp;
    a.first.resize(size_t(dst));
    a.count.resize(size_t(dst));
    a.offset.resize(size_t(dst));
    a.weight.reserve(size_t(dst) * (sp / dp + 2));
    for (int i = 0; i < dst; ++i) {
        const uint64_t lo = uint64_t(i) * sp, hi = lo + sp;
        const uint64_t j0 = lo / dp;
        const uint64_t j1 = (hi + dp - 1) / dp;  // one past the last source pixel
        a.first[size_t(i)] = int32_t(j0);
        a.count[size_t(i)] = int32_t(j1 - j0);
        a.offset[size_t(i)] = a.weight.size();
        for (uint64_t j = j0; j < j1; ++j) {
            const uint64_t s = std::max(lo, j * dp), e = std::min(hi, (j + 1) * dp);
            a.weight.push_back(uint32_t(e - s));
        }
    }
    return a;
}

// num / den rounded to nearest, ties to even, for den >= 2; num / den is at
// most 255 here. The quotient is estimated in double and then corrected, so
// the result is exact whatever the estimate's error.
struct RoundingDivider {
    uint64_t den;
    double inv;
    explicit RoundingDivider(uint64_t d) : den(d), inv(1.0 / double(d)) {}
    uint8_t operator()(uint64_t num) const {
        uint64_t q = uint64_t(double(num) * inv);
        int64_t r = int64_t(num) - int64_t(q * den);
        while (r < 0) {
            --q;
            r += int64_t(den);
        }
        while (uint64_t(r) >= den) {
            ++q;
            r -= int64_t(den);
        }
        const uint64_t twice = 2 * uint64_t(r);
        if (twice > den || (twice == den && (q & 1))) ++q;
        return uint8_t(q);
    }
};

// The same for num and den below 2^32, without branches: the quotient and
// remainder come exactly from one 64-bit reciprocal (for every 32-bit num,
// floor(c * num / 2^64) = num / den and the remainder follows from the low
// half, with c = floor((2^64 - 1) / den) + 1).
struct RoundingDivider32 {
    uint64_t den;
    uint64_t c;
    explicit RoundingDivider32(uint64_t d) : den(d), c(UINT64_MAX / d + 1) {}
    uint8_t operator()(uint32_t num) const {
        const uint64_t low = c * num;
        const uint64_t q = uint64_t((unsigned __int128)c * num >> 64);
        const uint64_t r = uint64_t((unsigned __int128)low * den >> 64);
        const uint64_t twice = 2 * r;
        return uint8_t(q + (twice > den) + ((twice == den) & q & 1));
    }
};

// What one thread keeps from one call of resampleRows to the next, over the
// same new columns: its buffers, and the horizontally resampled source rows,
// oldest first, that the next rows may still need (rows are needed in
// increasing order, and neighbouring new rows share their edge rows).
template <class H, class A>
struct RowScratch {
    struct CachedRow {
        int32_t y;
        std::vector<H> sums;
    };
    std::vector<uint8_t> srcRow, outRow;
    std::vector<A> acc;
    std::deque<CachedRow> cache;
    std::vector<std::vector<H>> spare;
};

// Resampling of the new pixels in rows [rowBegin, rowEnd) and columns
// [colBegin, colEnd) into dst. H is the type of the horizontal sums (each at
// most 255 * Sx'), A that of the whole sums (each at most 255 * Sx' * Sy').
// Calls sharing a scratch go down the picture.
template <class H, class A>
void resampleRows(const TileReader& src, TileWriter& dst, const AxisWeights& ax, const AxisWeights& ay, int rowBegin,
                  int rowEnd, int colBegin, int colEnd, RowScratch<H, A>& scratch) {
    const int dw = colEnd - colBegin;
    const size_t values = size_t(dw) * 3;
    const uint64_t den = ax.total * ay.total;
    // The source columns these new columns read.
    const int32_t sx0 = ax.first[size_t(colBegin)];
    const int32_t sx1 = ax.first[size_t(colEnd - 1)] + ax.count[size_t(colEnd - 1)];

    std::vector<uint8_t>& srcRow = scratch.srcRow;
    std::vector<A>& acc = scratch.acc;
    std::vector<uint8_t>& outRow = scratch.outRow;
    srcRow.resize(size_t(sx1 - sx0) * 3);
    acc.resize(values);
    outRow.resize(values);
    auto& cache = scratch.cache;
    auto& spare = scratch.spare;

    auto horizontal = [&](int32_t y, std::vector<H>& out) {
        src.copyRow(y, sx0, sx1 - sx0, srcRow.data());
        out.resize(values);
        const uint8_t* s = srcRow.data();
        for (int c = 0; c < dw; ++c) {
            const size_t i = size_t(colBegin) + size_t(c);
            const uint8_t* p = s + size_t(ax.first[i] - sx0) * 3;
            const uint32_t* w = ax.weight.data() + ax.offset[i];
            const int n = ax.count[i];
            H b = 0, g = 0, r = 0;
            for (int k = 0; k < n; ++k, p += 3) {
                const H wk = w[k];
                b += wk * p[0];
                g += wk * p[1];
                r += wk * p[2];
            }
            H* o = out.data() + size_t(c) * 3;
            o[0] = b;
            o[1] = g;
            o[2] = r;
        }
    };

    for (int y = rowBegin; y < rowEnd; ++y) {
        const int32_t y0 = ay.first[size_t(y)];
        const int32_t n = ay.count[size_t(y)];
        // Rows above this one's first source row go (and all of them, were
        // they left by rows further down).
        while (!cache.empty() && cache.front().y != y0) {
            spare.push_back(std::move(cache.front().sums));
            cache.pop_front();
        }
        int32_t next = cache.empty() ? y0 : cache.back().y + 1;
        for (; next < y0 + n; ++next) {
            std::vector<H> buf;
            if (!spare.empty()) {
                buf = std::move(spare.back());
                spare.pop_back();
            }
            horizontal(next, buf);
            cache.push_back({next, std::move(buf)});
        }

        const uint32_t* wy = ay.weight.data() + ay.offset[size_t(y)];
        {
            const H* h = cache[0].sums.data();
            const A w = wy[0];
            for (size_t c = 0; c < values; ++c) acc[c] = w * h[c];
        }
        for (int32_t k = 1; k < n; ++k) {
            const H* h = cache[size_t(k)].sums.data();
            const A w = wy[k];
            for (size_t c = 0; c < values; ++c) acc[c] += w * h[c];
        }
        if (den == 1) {
            for (size_t c = 0; c < values; ++c) outRow[c] = uint8_t(acc[c]);
        } else if constexpr (sizeof(A) == 4) {
            const RoundingDivider32 divide(den);
            for (size_t c = 0; c < values; ++c) outRow[c] = divide(acc[c]);
        } else {
            const RoundingDivider divide(den);
            for (size_t c = 0; c < values; ++c) outRow[c] = divide(acc[c]);
        }
        dst.putRow(y, colBegin, dw, outRow.data());
    }
}

// Calls run(H(), A()) with the types the sums of resampleRows are kept in:
// 32 bits while they fit, the horizontal ones while 255 * Sx' does, the
// whole ones while 255 * Sx' * Sy' does.
template <class Run>
void withSumTypes(const AxisWeights& ax, const AxisWeights& ay, Run&& run) {
    const uint64_t limit = uint64_t(UINT32_MAX) / 255;
    const bool narrowH = ax.total <= limit;
    const bool narrowA = narrowH && ay.total <= limit && ax.total * ay.total <= limit;
    if (narrowA)
        run(uint32_t(), uint32_t());
    else if (narrowH)
        run(uint32_t(), uint64_t());
    else
        run(uint64_t(), uint64_t());
}

// The new pixels [first, end) of one axis whose source intervals meet the
// source pixels [lo, hi).
std::pair<int, int> touchedRange(const AxisWeights& a, int lo, int hi) {
    // The source pixels each new pixel reads move forward with i. A walk is
    // enough: building the weights already took longer.
    const size_t n = a.first.size();
    size_t first = 0;
    while (first < n && a.first[first] + a.count[first] <= lo) ++first;
    size_t end = first;
    while (end < n && a.first[end] < hi) ++end;
    return {int(first), int(end)};
}

// Shrinking by whole factors fx and fy (each new pixel the mean of an
// fx x fy block, fx * fy at most kMaxBlock): every weight is 1, so sums of
// bytes fit 16 bits and the loops run on the vector units.
constexpr int kMaxBlock = 255;

// sum / den rounded to nearest, ties to even, for den <= kMaxBlock and sum
// <= 255 * den: the quotient from a 24-bit reciprocal is exact there (its
// error stays below sum / 2^24 < 1 / den).
struct BlockDivider {
    uint32_t den, inv;
    int shift = -1;  // log2 of den when den is a power of two
    explicit BlockDivider(uint32_t d) : den(d), inv(((1u << 24) + d - 1) / d) {
        if ((d & (d - 1)) == 0)
            for (shift = 0; (1u << shift) < d; ++shift) {}
    }
    // The same for den = 2^shift, shift >= 1, in 16 bits: a remainder above
    // half a den carries, and one of exactly half carries onto an odd
    // quotient.
    uint8_t byShift(uint16_t sum) const {
        const uint16_t half = uint16_t(1u << (shift - 1));
        return uint8_t((sum + (half - 1) + ((sum >> shift) & 1)) >> shift);
    }
    uint8_t operator()(uint32_t sum) const {
        const uint32_t q = (sum * inv) >> 24, twice = 2 * (sum - q * den);
        return uint8_t(q + ((uint32_t(twice > den) | (uint32_t(twice == den) & q)) & 1));
    }
};

// Tile of the picture shrunk by fx x fy: for each new row, the fy source
// rows summed byte by byte, read in place from the source's tiles; then the
// fx columns of each block; then the rounded means.
JOLLIX_VECTOR_CLONES
void blockMeanTile(const TileReader& src, const tiles::TileJob& t, int fx, int fy, BlockDivider divide) {
    constexpr int kMaxSpan = Picture::kTileStride * 16;  // source bytes of a row of new pixels, at fx <= 16
    alignas(64) uint16_t columnSums[kMaxSpan], wideSums[kMaxSpan];
    alignas(64) uint16_t blockSums[Picture::kTileStride];
    const int n = t.n, m = t.m;
    const int sx0 = t.x0 * fx, span = 3 * n * fx;  // the source pixels' first column, and their bytes
    const int step = 3 * fx;
    for (int r = 0; r < m; ++r) {
        const int sy = (t.y0 + r) * fy;
        for (int k = 0; k < fy; ++k) {
            // The row's source bytes, a tile at a time; the first row sets
            // the sums, the others add to them.
            for (int x = sx0; x < sx0 + span / 3;) {
                const int tx = x >> Picture::kTileBits, in = x & Picture::kTileMask;
                const int count = 3 * std::min(Picture::kTile - in, sx0 + span / 3 - x);
                const uint8_t* __restrict from = src.tileRow(tx, sy + k) + 3 * in;
                uint16_t* __restrict to = columnSums + 3 * (x - sx0);
                if (k == 0)
                    for (int i = 0; i < count; ++i) to[i] = from[i];
                else
                    for (int i = 0; i < count; ++i) to[i] = uint16_t(to[i] + from[i]);
                x += count / 3;
            }
        }
        // Each block's sum at its first column: the fx columns added up,
        // worked out at every byte and picked from every fx-th pixel.
        const uint16_t* sums = columnSums;
        if (fx > 1) {
            const int starts = span - 3 * (fx - 1);
            for (int i = 0; i < starts; ++i) wideSums[i] = uint16_t(columnSums[i] + columnSums[i + 3]);
            for (int j = 2; j < fx; ++j)
                for (int i = 0; i < starts; ++i) wideSums[i] = uint16_t(wideSums[i] + columnSums[i + 3 * j]);
            sums = wideSums;
        }
        for (int X = 0; X < n; ++X) std::memcpy(blockSums + 3 * X, sums + step * X, 3 * sizeof(uint16_t));
        uint8_t* __restrict o = t.dst + size_t(r) * Picture::kTileStride;
        if (divide.shift > 0)
            for (int i = 0; i < 3 * n; ++i) o[i] = divide.byShift(blockSums[i]);
        else
            for (int i = 0; i < 3 * n; ++i) o[i] = divide(blockSums[i]);
    }
}

}  // namespace

Picture resampleArea(const Picture& src, int newWidth, int newHeight, Progress* progress) {
    if (newWidth < 0 || newHeight < 0) throw JollixError(kRangeCheckError);
    if (newWidth == 0 || newHeight == 0) return Picture();
    if (src.isEmpty()) throw JollixError(kDivisionByZero);
    if (newWidth == src.width() && newHeight == src.height()) return src;

    if (src.width() % newWidth == 0 && src.height() % newHeight == 0) {
        const int fx = src.width() / newWidth, fy = src.height() / newHeight;
        if (fx <= 16 && fx * fy <= kMaxBlock) {
            const BlockDivider divide(uint32_t(fx * fy));
            // A new pixel costs a core about half a nanosecond a source pixel.
            const parallel::PixelCost cost{0.5 * fx * fy};
            const TileReader reader(src);
            return tiles::build(newWidth, newHeight, nullptr, nullptr, cost, progress, [&](const tiles::TileJob& t) {
                blockMeanTile(reader, t, fx, fy, divide);
                return tiles::Keep::Written;
            });
        }
    }

    const AxisWeights ax = axisWeights(src.width(), newWidth);
    const AxisWeights ay = axisWeights(src.height(), newHeight);

    // Every tile its own storage, taken in one go before the rows are
    // written, so that the threads below never touch shared tiles.
    Picture dst = Picture::unwritten(newWidth, newHeight);
    const TileReader reader(src);
    TileWriter writer(dst);

    // The rows of tiles are shared over the machine's cores, each written by
    // one thread only. Each new row is computed the same way whichever row of
    // tiles it is in, so the split never changes the result; each thread
    // keeps its buffers and the source rows it resampled, for its next row
    // of tiles.
    const uint64_t work = uint64_t(src.width()) * uint64_t(src.height()) + uint64_t(newWidth) * uint64_t(newHeight);
    const int tileRows = dst.tilesY();
    const unsigned threads = parallel::threadsFor((long long)std::min<uint64_t>(work, INT64_MAX), kAreaCost);
    withSumTypes(ax, ay, [&](auto h, auto a) {
        std::vector<RowScratch<decltype(h), decltype(a)>> scratch(std::max(threads, 1u));
        parallel::forItemsWithProgress(size_t(tileRows), threads, progress, [&](size_t i, unsigned worker) {
            const int r0 = int(i) * Picture::kTile;
            resampleRows(reader, writer, ax, ay, r0, std::min(newHeight, r0 + Picture::kTile), 0, newWidth,
                         scratch[worker]);
        });
    });
    return dst;
}

void resampleAreaRegion(const Picture& src, Picture& dst, int x0, int y0, int x1, int y1) {
    if (src.isEmpty() || dst.isEmpty()) return;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, src.width());
    y1 = std::min(y1, src.height());
    if (x0 >= x1 || y0 >= y1) return;
    const AxisWeights ax = axisWeights(src.width(), dst.width());
    const AxisWeights ay = axisWeights(src.height(), dst.height());
    const std::pair<int, int> columns = touchedRange(ax, x0, x1), rows = touchedRange(ay, y0, y1);
    if (columns.first >= columns.second || rows.first >= rows.second) return;
    TileWriter writer(dst);
    withSumTypes(ax, ay, [&](auto h, auto a) {
        RowScratch<decltype(h), decltype(a)> scratch;
        resampleRows(TileReader(src), writer, ax, ay, rows.first, rows.second, columns.first, columns.second, scratch);
    });
}

}  // namespace jollix
