// Writing PNG files: 8-bit RGB, marked as sRGB, compressed on all cores.
//
// Each row gets the filter that libpng's default choice would give it (of
// the five, the one whose bytes, read as signed, sum smallest in absolute
// value). The rows are cut into bands, and each band is filtered and
// compressed on its own, on every core, by libdeflate (which on photos
// makes smaller files than zlib's default level in a fraction of its
// time). A PNG holds one zlib stream, so the bands' deflate streams are
// joined as zlib's own tools join them: each band's final block is made an
// ordinary one, and an empty stored block brings it to a byte boundary; the
// stream's checksum is the bands' Adler-32 sums combined.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <libdeflate.h>
#include <zlib.h>

#include "core/tiles.h"
#include "core/parallel.h"
#include "io/decode_util.h"
#include "io/picture_files.h"

namespace jollix {
using namespace io_detail;

namespace {

// What filtering and compressing one pixel costs a core.
constexpr parallel::PixelCost kFilterAndDeflateCost{15};

// libdeflate's level 5: on photos its files are within about a per cent of
// the default level 6's, made in about half the time. Bands that shrink to
// less than an eighth
// (drawings, screenshots) are compressed again at its strongest level,
// which for them costs little time and saves a few per cent.
constexpr int kLevel = 5, kStrongLevel = 9;
// Rows go in bands of about this many bytes: enough bands to keep every
// core busy to the end, few enough that starting each band's stream afresh
// costs well below a per cent.
constexpr size_t kBandBytes = size_t(1) << 20;
// The compressed stream goes out in IDAT chunks of at most this many bytes.
constexpr size_t kChunkBytes = size_t(1) << 20;

void put32(std::string& out, uint32_t v) {
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}

void putChunk(std::string& out, const char* type, std::string_view body) {
    put32(out, uint32_t(body.size()));
    const size_t start = out.size();
    out.append(type, 4);
    out.append(body);
    put32(out, libdeflate_crc32(0, out.data() + start, out.size() - start));
}

// Filters one row of n bytes (RGB, so the byte to the left is 3 back) into
// out[0 .. n]: the filter type, then the filtered bytes. row and prev (the
// row above; a row of zeros above the first) are read from 3 bytes before
// their start, where their buffers hold zeros, so that every byte is
// filtered alike and the loop runs on vectors. trial holds 4 * n bytes of
// scratch. A filtered row is measured by its bytes read as signed, summed
// in absolute value (for a byte v that is the smaller of v and -v).
__attribute__((target_clones("avx2", "default"))) void filterRow(const uint8_t* __restrict row,
                                                                 const uint8_t* __restrict prev, size_t n,
                                                                 uint8_t* __restrict out, uint8_t* __restrict trial) {
    uint8_t* __restrict sub = trial;
    uint8_t* __restrict up = trial + n;
    uint8_t* __restrict avg = trial + 2 * n;
    uint8_t* __restrict pae = trial + 3 * n;
    const uint8_t* __restrict left = row - 3;
    const uint8_t* __restrict upLeft = prev - 3;
    uint32_t none = 0, subSum = 0, upSum = 0, avgSum = 0, paethSum = 0;
    for (size_t i = 0; i < n; ++i) {
        const int16_t x = row[i], a = left[i], b = prev[i], c = upLeft[i];
        // Paeth's predictor: of a, b and c, the nearest to a + b - c, ties
        // going to a, then b.
        const int16_t pa = int16_t(std::abs(b - c)), pb = int16_t(std::abs(a - c));
        const int16_t pc = int16_t(std::abs(a + b - 2 * c));
        const int16_t predicted = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        const uint8_t s = uint8_t(x - a), u = uint8_t(x - b), v = uint8_t(x - ((a + b) >> 1));
        const uint8_t p = uint8_t(x - predicted);
        sub[i] = s;
        up[i] = u;
        avg[i] = v;
        pae[i] = p;
        none += std::min<uint8_t>(uint8_t(x), uint8_t(-x));
        subSum += std::min<uint8_t>(s, uint8_t(-s));
        upSum += std::min<uint8_t>(u, uint8_t(-u));
        avgSum += std::min<uint8_t>(v, uint8_t(-v));
        paethSum += std::min<uint8_t>(p, uint8_t(-p));
    }
    const uint32_t sums[5] = {none, subSum, upSum, avgSum, paethSum};
    int best = 0;
    for (int f = 1; f < 5; ++f)
        if (sums[f] < sums[best]) best = f;
    out[0] = uint8_t(best);
    std::memcpy(out + 1, best == 0 ? row : trial + size_t(best - 1) * n, n);
}

// The row y of the picture as RGB bytes.
void rgbRow(const TileReader& picture, int y, std::vector<uint8_t>& bgr, uint8_t* rgb) {
    const size_t w = size_t(picture.width());
    picture.copyRow(y, 0, picture.width(), bgr.data());
    for (size_t x = 0; x < w; ++x) {
        rgb[3 * x] = bgr[3 * x + 2];
        rgb[3 * x + 1] = bgr[3 * x + 1];
        rgb[3 * x + 2] = bgr[3 * x];
    }
}

// Turns a raw deflate stream that ends in a final block into one that other
// streams may follow: the final block's flag is cleared (found with zlib's
// inflate stopping at each block boundary) and an empty stored block ends the
// stream on a byte boundary, as a sync flush would.
void makeJoinable(std::string& stream) {
    auto* bytes = reinterpret_cast<unsigned char*>(stream.data());
    z_stream z{};
    if (stream.empty() || inflateInit2(&z, -15) != Z_OK) fail("the PNG encoder failed");
    struct End {
        z_stream* z;
        ~End() { inflateEnd(z); }
    } end{&z};
    unsigned char scratch[1 << 14];
    // Each block's flag is cleared before the block is decoded, so that the
    // final one ends as ordinary blocks do: at a boundary with its exact bit.
    bool last = (bytes[0] & 1) != 0;
    bytes[0] &= 0xFE;
    z.next_in = bytes;
    z.avail_in = uInt(stream.size());
    for (;;) {
        z.next_out = scratch;
        z.avail_out = sizeof scratch;
        const int rc = inflate(&z, Z_BLOCK);
        if (rc != Z_OK && rc != Z_BUF_ERROR) fail("the PNG encoder failed");
        const size_t used = size_t(z.next_in - bytes);
        if (z.data_type & 128) {
            // At a boundary: `unused` bits of the last byte read are left.
            const int unused = z.data_type & 7;
            if (last) {
                stream.resize(used);
                if (unused > 0) stream.back() = char(uint8_t(stream.back()) & (0xFF >> unused));
                // An empty stored block: 3 bits of header, up to the byte
                // boundary, then its length 0 and that length inverted.
                if (unused < 3) stream.push_back('\0');
                stream.append("\0\0\xFF\xFF", 4);
                return;
            }
            if (unused == 0 && used >= stream.size()) fail("the PNG encoder failed");
            unsigned char* header = unused ? bytes + used - 1 : bytes + used;
            const int bit = unused ? 8 - unused : 0;
            last = ((*header >> bit) & 1) != 0;
            *header = uint8_t(*header & ~(1u << bit));
        } else if (rc == Z_BUF_ERROR && z.avail_in == 0) {
            fail("the PNG encoder failed");
        }
    }
}

// A thread's compressors, made when first needed, and its buffers, kept
// from band to band.
struct Compressors {
    libdeflate_compressor* normal = nullptr;
    libdeflate_compressor* strong = nullptr;
    std::vector<uint8_t> bgr, trial, filtered, compressed;
    // Two RGB rows (this one and the one above) and a row of zeros, each
    // after 3 zero bytes.
    std::vector<uint8_t> rows[3];
    Compressors() = default;
    Compressors(const Compressors&) = delete;
    Compressors& operator=(const Compressors&) = delete;
    ~Compressors() {
        libdeflate_free_compressor(normal);
        libdeflate_free_compressor(strong);
    }
};

libdeflate_compressor* madeAt(libdeflate_compressor*& compressor, int level) {
    if (!compressor) compressor = libdeflate_alloc_compressor(level);
    if (!compressor) throw std::bad_alloc();
    return compressor;
}

// Filtered rows deflated as a raw stream, at the strong level when they
// shrink much.
std::string deflateBand(Compressors& c, const uint8_t* data, size_t size) {
    libdeflate_compressor* normal = madeAt(c.normal, kLevel);
    c.compressed.resize(std::max(c.compressed.size(), libdeflate_deflate_compress_bound(normal, size)));
    size_t length = libdeflate_deflate_compress(normal, data, size, c.compressed.data(), c.compressed.size());
    if (length == 0) fail("the PNG encoder failed");
    if (length < size / 8) {
        const size_t again =
            libdeflate_deflate_compress(madeAt(c.strong, kStrongLevel), data, size, c.compressed.data(), length);
        if (again != 0) return std::string(reinterpret_cast<const char*>(c.compressed.data()), again);
        length = libdeflate_deflate_compress(normal, data, size, c.compressed.data(), c.compressed.size());
    }
    return std::string(reinterpret_cast<const char*>(c.compressed.data()), length);
}

// Appends a zlib stream to the file as IDAT chunks of kChunkBytes each (the
// last one shorter), each chunk's length and checksum filled in when it is
// full.
class IdatChunks {
public:
    explicit IdatChunks(std::string& file) : file_(file) {}
    void append(std::string_view bytes) {
        while (!bytes.empty()) {
            if (!open_) {
                start_ = file_.size();
                file_.append("\0\0\0\0IDAT", 8);
                open_ = true;
            }
            const size_t room = kChunkBytes - (file_.size() - start_ - 8);
            const size_t take = std::min(room, bytes.size());
            file_.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            if (take == room) close();
        }
    }
    void close() {
        if (!open_) return;
        const uint32_t length = uint32_t(file_.size() - start_ - 8);
        for (int i = 0; i < 4; ++i) file_[start_ + size_t(i)] = char(length >> (24 - 8 * i));
        put32(file_, libdeflate_crc32(0, file_.data() + start_ + 4, length + 4));
        open_ = false;
    }

private:
    std::string& file_;
    size_t start_ = 0;
    bool open_ = false;
};

struct Band {
    std::string stream;
    uLong adler = 1;
    size_t length = 0;
};

}  // namespace

std::string encodePng(const Picture& picture) {
    if (picture.isEmpty()) throw JollixError("an empty picture cannot be saved");
    const int width = picture.width(), height = picture.height();
    const size_t rowBytes = size_t(width) * 3;
    const size_t filteredRow = rowBytes + 1;
    const int bandRows = int(std::clamp<size_t>(kBandBytes / filteredRow, 1, size_t(height)));
    const int bands = (height + bandRows - 1) / bandRows;

    std::vector<Band> out(static_cast<size_t>(bands));
    const unsigned threads = parallel::threadsFor(int64_t(width) * height, kFilterAndDeflateCost);
    std::vector<Compressors> compressors(threads);
    const TileReader reader(picture);
    parallel::forItems(size_t(bands), threads, [&](size_t band, unsigned worker) {
        const int first = int(band) * bandRows;
        const int last = std::min(height, first + bandRows);
        Compressors& c = compressors[worker];
        if (c.trial.empty()) {
            c.bgr.resize(rowBytes + 8);
            c.trial.resize(4 * rowBytes);
            c.filtered.resize(size_t(bandRows) * filteredRow);
            for (auto& row : c.rows) row.assign(rowBytes + 3, 0);
        }
        auto rgbAt = [&](int y) { return c.rows[y & 1].data() + 3; };
        if (first > 0) rgbRow(reader, first - 1, c.bgr, rgbAt(first - 1));
        for (int y = first; y < last; ++y) {
            rgbRow(reader, y, c.bgr, rgbAt(y));
            filterRow(rgbAt(y), y > 0 ? rgbAt(y - 1) : c.rows[2].data() + 3, rowBytes,
                      c.filtered.data() + size_t(y - first) * filteredRow, c.trial.data());
        }
        const size_t length = size_t(last - first) * filteredRow;
        Band& b = out[band];
        b.stream = deflateBand(c, c.filtered.data(), length);
        if (last < height) makeJoinable(b.stream);
        b.adler = libdeflate_adler32(1, c.filtered.data(), length);
        b.length = length;
    });
    uLong adler = out[0].adler;
    for (size_t i = 1; i < out.size(); ++i) adler = adler32_combine(adler, out[i].adler, z_off_t(out[i].length));
    size_t streamSize = 6;
    for (const Band& b : out) streamSize += b.stream.size();

    std::string file;
    file.reserve(8 + 25 + 13 + streamSize + (streamSize / kChunkBytes + 1) * 12 + 12);
    file.append("\x89PNG\r\n\x1A\n", 8);
    std::string header;
    put32(header, uint32_t(width));
    put32(header, uint32_t(height));
    header.append("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, adaptive filters, not interlaced
    putChunk(file, "IHDR", header);
    putChunk(file, "sRGB", std::string_view("\0", 1));  // perceptual rendering intent
    // The zlib stream: its header (deflate, 32 KiB window, default level),
    // the bands, the checksum.
    IdatChunks idat(file);
    idat.append(std::string_view("\x78\x9C", 2));
    for (Band& b : out) {
        idat.append(b.stream);
        std::string().swap(b.stream);
    }
    std::string checksum;
    put32(checksum, uint32_t(adler));
    idat.append(checksum);
    idat.close();
    putChunk(file, "IEND", {});
    return file;
}

}  // namespace jollix
