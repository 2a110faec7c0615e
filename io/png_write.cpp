// Writing PNG files: 8-bit RGB, marked as sRGB, compressed on all cores.
//
// Each row gets the filter that libpng's default choice would give it (of
// the five, the one whose bytes, read as signed, sum smallest in absolute
// value). The rows are cut into bands, and each band is filtered and
// compressed on its own, on every core, by libdeflate (which on photos
// makes files a tenth smaller than zlib's default level in less than half
// its time). A PNG holds one zlib stream, so the bands' deflate streams are
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

#include "core/parallel.h"
#include "io/decode_util.h"
#include "io/picture_files.h"

namespace jollix {
using namespace io_detail;

namespace {

// libdeflate's default level. Bands that shrink to less than an eighth
// (drawings, screenshots) are compressed again at its strongest level,
// which for them costs little time and saves a few per cent.
constexpr int kLevel = 6, kStrongLevel = 9;
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

// A byte read as signed, its absolute value: the measure of a filtered row.
inline unsigned weight(uint8_t v) { return v < 128 ? v : 256u - v; }

inline uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return uint8_t(a);
    if (pb <= pc) return uint8_t(b);
    return uint8_t(c);
}

// Filters one row of n bytes (RGB, so the byte to the left is 3 back) into
// out[0 .. n]: the filter type, then the filtered bytes. prev is the row
// above, or nullptr for the first row. trial holds 4 * n bytes of scratch.
void filterRow(const uint8_t* row, const uint8_t* prev, size_t n, uint8_t* out, uint8_t* trial) {
    uint8_t* sub = trial;
    uint8_t* up = trial + n;
    uint8_t* avg = trial + 2 * n;
    uint8_t* pae = trial + 3 * n;
    unsigned long sums[5] = {0, 0, 0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        const int x = row[i];
        const int a = i >= 3 ? row[i - 3] : 0;
        const int b = prev ? prev[i] : 0;
        const int c = prev && i >= 3 ? prev[i - 3] : 0;
        sub[i] = uint8_t(x - a);
        up[i] = uint8_t(x - b);
        avg[i] = uint8_t(x - ((a + b) >> 1));
        pae[i] = uint8_t(x - paeth(a, b, c));
        sums[0] += weight(uint8_t(x));
        sums[1] += weight(sub[i]);
        sums[2] += weight(up[i]);
        sums[3] += weight(avg[i]);
        sums[4] += weight(pae[i]);
    }
    int best = 0;
    for (int f = 1; f < 5; ++f)
        if (sums[f] < sums[best]) best = f;
    out[0] = uint8_t(best);
    std::memcpy(out + 1, best == 0 ? row : trial + size_t(best - 1) * n, n);
}

// The row y of the picture as RGB bytes.
void rgbRow(const Picture& picture, int y, std::vector<uint8_t>& bgr, uint8_t* rgb) {
    const size_t w = size_t(picture.width());
    picture.readRow(y, bgr.data());
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

// A thread's compressors, made when first needed.
struct Compressors {
    libdeflate_compressor* normal = nullptr;
    libdeflate_compressor* strong = nullptr;
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
    std::string out(libdeflate_deflate_compress_bound(normal, size), '\0');
    out.resize(libdeflate_deflate_compress(normal, data, size, out.data(), out.size()));
    if (out.empty()) fail("the PNG encoder failed");
    if (out.size() < size / 8) {
        std::string again(out.size(), '\0');
        again.resize(
            libdeflate_deflate_compress(madeAt(c.strong, kStrongLevel), data, size, again.data(), again.size()));
        if (!again.empty() && again.size() < out.size()) out.swap(again);
    }
    return out;
}

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
    const unsigned threads = parallel::threadsFor(int64_t(width) * height, 1 << 20);
    std::vector<Compressors> compressors(threads);
    parallel::forItems(size_t(bands), threads, [&](size_t band, unsigned worker) {
        const int first = int(band) * bandRows;
        const int last = std::min(height, first + bandRows);
        std::vector<uint8_t> bgr(rowBytes + 8), trial(4 * rowBytes);
        std::vector<uint8_t> rows[2] = {std::vector<uint8_t>(rowBytes), std::vector<uint8_t>(rowBytes)};
        std::vector<uint8_t> filtered(size_t(last - first) * filteredRow);
        if (first > 0) rgbRow(picture, first - 1, bgr, rows[(first - 1) & 1].data());
        for (int y = first; y < last; ++y) {
            uint8_t* row = rows[y & 1].data();
            rgbRow(picture, y, bgr, row);
            filterRow(row, y > 0 ? rows[(y + 1) & 1].data() : nullptr, rowBytes,
                      filtered.data() + size_t(y - first) * filteredRow, trial.data());
        }
        Band& b = out[band];
        b.stream = deflateBand(compressors[worker], filtered.data(), filtered.size());
        if (last < height) makeJoinable(b.stream);
        b.adler = adler32(1, filtered.data(), uInt(filtered.size()));
        b.length = filtered.size();
    });
    uLong adler = out[0].adler;
    size_t streamSize = 6;
    for (size_t i = 1; i < out.size(); ++i) adler = adler32_combine(adler, out[i].adler, z_off_t(out[i].length));
    for (const Band& b : out) streamSize += b.stream.size();

    // The zlib stream: its header (deflate, 32 KiB window, default level),
    // the bands, the checksum.
    std::string stream;
    stream.reserve(streamSize);
    stream.append("\x78\x9C", 2);
    for (Band& b : out) {
        stream += b.stream;
        std::string().swap(b.stream);
    }
    put32(stream, uint32_t(adler));

    std::string file;
    file.reserve(stream.size() + stream.size() / kChunkBytes * 12 + 128);
    file.append("\x89PNG\r\n\x1A\n", 8);
    std::string header;
    put32(header, uint32_t(width));
    put32(header, uint32_t(height));
    header.append("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, adaptive filters, not interlaced
    putChunk(file, "IHDR", header);
    putChunk(file, "sRGB", std::string_view("\0", 1));  // perceptual rendering intent
    for (size_t at = 0; at < stream.size(); at += kChunkBytes)
        putChunk(file, "IDAT", std::string_view(stream).substr(at, kChunkBytes));
    putChunk(file, "IEND", {});
    return file;
}

}  // namespace jollix
