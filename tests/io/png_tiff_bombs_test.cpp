// Small PNG and TIFF files that unpack into huge pictures cost no more than
// their picture: rows go straight into the picture's tiles (peak memory at
// most 1.3 times the 24-bit raster) in no more than twice the time of
// opening a BMP of the same size, measured side by side here; and compressed
// data past the end of the picture is never unpacked.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

#include <zlib.h>

#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;

namespace {

// A zlib stream of `total` zero bytes, made fast: a megabyte of zeros is
// compressed once and its output repeated (a full flush makes each copy
// stand alone), the checksum made to fit the whole.
std::string zlibZeros(uint64_t total) {
    constexpr uint64_t kChunk = uint64_t(1) << 20;
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    const std::string zeros(kChunk, '\0');
    std::vector<unsigned char> buffer(kChunk);
    auto pass = [&](uint64_t n, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        z.avail_in = uInt(n);
        z.next_out = buffer.data();
        z.avail_out = uInt(buffer.size());
        deflate(&z, flush);
        return std::string(reinterpret_cast<char*>(buffer.data()), buffer.size() - z.avail_out);
    };
    const uint64_t copies = total / kChunk, rest = total % kChunk;
    std::string out = pass(rest, Z_FULL_FLUSH);  // the header and the odd part
    if (copies > 0) {
        const std::string copy = pass(kChunk, Z_FULL_FLUSH);
        out.reserve(out.size() + copy.size() * copies + 16);
        for (uint64_t i = 0; i < copies; ++i) out += copy;
    }
    std::string tail = pass(0, Z_FINISH);
    deflateEnd(&z);
    const uLong chunkSum = adler32(1, reinterpret_cast<const Bytef*>(zeros.data()), uInt(kChunk));
    uLong sum = adler32(1, reinterpret_cast<const Bytef*>(zeros.data()), uInt(rest));
    for (uint64_t i = 0; i < copies; ++i) sum = adler32_combine(sum, chunkSum, z_off_t(kChunk));
    tail.resize(tail.size() - 4);
    bigEndian32(tail, uint32_t(sum));
    return out + tail;
}

std::string pngOf(uint32_t w, uint32_t h, int depth, int colourType, bool interlaced, const std::string& zdata) {
    std::string png = "\x89PNG\r\n\x1A\n";
    std::string ihdr;
    bigEndian32(ihdr, w);
    bigEndian32(ihdr, h);
    ihdr += {char(depth), char(colourType), 0, 0, char(interlaced ? 1 : 0)};
    pngChunk(png, "IHDR", ihdr);
    for (size_t at = 0; at < zdata.size(); at += size_t(1) << 20)
        pngChunk(png, "IDAT", zdata.substr(at, size_t(1) << 20));
    pngChunk(png, "IEND", "");
    return png;
}

// The raw bytes of a PNG of zeros: each row (and each pass's row) is led by
// its filter byte.
uint64_t pngRawBytes(uint64_t w, uint64_t h, int bitsPerPixel, bool interlaced) {
    auto rowBytes = [&](uint64_t width) { return 1 + (width * bitsPerPixel + 7) / 8; };
    if (!interlaced) return h * rowBytes(w);
    static const int startX[7] = {0, 4, 0, 2, 0, 1, 0}, stepX[7] = {8, 8, 4, 4, 2, 2, 1};
    static const int startY[7] = {0, 0, 4, 0, 2, 0, 1}, stepY[7] = {8, 8, 8, 4, 4, 2, 2};
    uint64_t total = 0;
    for (int p = 0; p < 7; ++p) {
        const uint64_t cols = w > uint64_t(startX[p]) ? (w - startX[p] + stepX[p] - 1) / stepX[p] : 0;
        const uint64_t rows = h > uint64_t(startY[p]) ? (h - startY[p] + stepY[p] - 1) / stepY[p] : 0;
        if (cols > 0) total += rows * rowBytes(cols);
    }
    return total;
}

// A TIFF of one deflate-compressed strip holding `strip`.
std::string tiffOf(uint32_t w, uint32_t h, int samples, int bits, const std::string& strip) {
    std::string out = "II*";
    out += '\0';
    put32(out, 8);
    const int entries = 10;
    const uint32_t bitsAt = 8 + 2 + entries * 12 + 4, dataAt = bitsAt + 8;
    put16(out, entries);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        put16(out, tag);
        put16(out, type);
        put32(out, count);
        if (type == 3 && count == 1) {
            put16(out, value);
            put16(out, 0);
        } else {
            put32(out, value);
        }
    };
    entry(256, 4, 1, w);
    entry(257, 4, 1, h);
    if (samples == 3)
        entry(258, 3, 3, bitsAt);
    else
        entry(258, 3, 1, uint32_t(bits));
    entry(259, 3, 1, 8);  // deflate
    entry(262, 3, 1, samples == 3 ? 2 : 1);
    entry(273, 4, 1, dataAt);
    entry(277, 3, 1, uint32_t(samples));
    entry(278, 4, 1, h);  // one strip
    entry(279, 4, 1, uint32_t(strip.size()));
    entry(284, 3, 1, 1);
    put32(out, 0);
    for (int i = 0; i < 4; ++i) put16(out, uint32_t(bits));
    return out + strip;
}

struct Cost {
    double wall = 0, cpu = 0, megabytes = 0;
    std::string outcome;
};

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Makes the file and decodes it in a child process of its own: how much its
// peak memory grew while decoding, and the time taken. (Run as its own
// process, as the test runner does: tiles pooled by earlier tests in the
// same process would hide part of the growth.)
Cost measure(const std::function<std::string()>& make, PictureFormat format) {
    const ChildOutcome child = runInChild(
        [&] {
            const std::string bytes = make();
            rusage before{};
            ::getrusage(RUSAGE_SELF, &before);
            const double cpu0 = cpuSeconds();
            const auto t0 = std::chrono::steady_clock::now();
            std::string outcome = "ok";
            try {
                const Picture p = decodePicture(format, u8(bytes), bytes.size());
                outcome += " " + std::to_string(p.width()) + "x" + std::to_string(p.height());
            } catch (const std::exception& e) {
                outcome = e.what();
            }
            const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            const double cpu = cpuSeconds() - cpu0;
            rusage after{};
            ::getrusage(RUSAGE_SELF, &after);
            char text[256];
            std::snprintf(text, sizeof text, "%f %f %f ", wall, cpu, double(after.ru_maxrss - before.ru_maxrss) / 1024);
            return text + outcome;
        },
        120);
    Cost c;
    char rest[200] = "";
    if (std::sscanf(child.text.c_str(), "%lf %lf %lf %199[^\n]", &c.wall, &c.cpu, &c.megabytes, rest) != 4)
        c.outcome = "child failed: " + child.text;
    else
        c.outcome = rest;
    return c;
}

struct Bomb {
    const char* what;
    std::function<std::string()> make;
    PictureFormat format;
};

constexpr int kSide = 8192;

// Each bomb against a BMP of the same size, measured side by side.
void expectCostOfTheirPicture(const std::vector<Bomb>& bombs) {
    const double raster = double(kSide) * kSide * 3 / (1024 * 1024);
    // The BMP's cost: the middle of three runs (the kernel's page faults
    // make single runs vary by several times on a busy machine).
    std::vector<Cost> bmps;
    for (int i = 0; i < 3; ++i)
        bmps.push_back(measure([] { return encodeBmp(Picture(kSide, kSide, 0x336699)); }, PictureFormat::Bmp));
    std::sort(bmps.begin(), bmps.end(), [](const Cost& a, const Cost& b) { return a.cpu < b.cpu; });
    const Cost bmp = bmps[1];
    ASSERT_EQ(bmp.outcome, "ok 8192x8192");
    std::printf("raster %.0f MB; BMP: %.2f s (%.2f s CPU), %.0f MB\n", raster, bmp.wall, bmp.cpu, bmp.megabytes);
    for (const Bomb& c : bombs) {
        // CPU time, so that other work on the machine does not count, with
        // some slack for the kernel's page faults; on a machine busy enough
        // to slow even that, the best of three runs counts.
        const double bound = 2 * bmp.cpu + 0.4;
        Cost cost;
        for (int attempt = 0; attempt < 3; ++attempt) {
            cost = measure(c.make, c.format);
            std::printf("%s: %.2f s (%.2f s CPU), %.0f MB\n", c.what, cost.wall, cost.cpu, cost.megabytes);
            if (cost.cpu <= bound) break;
        }
        EXPECT_EQ(cost.outcome, "ok 8192x8192") << c.what;
        EXPECT_LE(cost.megabytes, 1.3 * raster) << c.what;
        EXPECT_LE(cost.cpu, bound) << c.what;
    }
}

}  // namespace

TEST(PictureBombs, PngBombsCostWhatTheirPictureCosts) {
    expectCostOfTheirPicture({
        {"RGB PNG", [] { return pngOf(kSide, kSide, 8, 2, false, zlibZeros(pngRawBytes(kSide, kSide, 24, false))); },
         PictureFormat::Png},
        {"1-bit PNG", [] { return pngOf(kSide, kSide, 1, 0, false, zlibZeros(pngRawBytes(kSide, kSide, 1, false))); },
         PictureFormat::Png},
    });
}

TEST(PictureBombs, InterlacedPngBombsCostWhatTheirPictureCosts) {
    expectCostOfTheirPicture({
        {"interlaced RGB PNG",
         [] { return pngOf(kSide, kSide, 8, 2, true, zlibZeros(pngRawBytes(kSide, kSide, 24, true))); },
         PictureFormat::Png},
    });
}

TEST(PictureBombs, TiffBombsCostWhatTheirPictureCosts) {
    expectCostOfTheirPicture({
        {"RGB TIFF", [] { return tiffOf(kSide, kSide, 3, 8, zlibZeros(uint64_t(kSide) * kSide * 3)); },
         PictureFormat::Tiff},
        {"1-bit TIFF", [] { return tiffOf(kSide, kSide, 1, 1, zlibZeros(uint64_t(kSide) / 8 * kSide)); },
         PictureFormat::Tiff},
    });
}

TEST(PictureBombs, APngWhoseDataInflatesFarPastItsPictureStopsAtThePicture) {
    // A 10 x 10 picture followed by 10 GiB of zeros in its compressed data.
    const std::string stream = zlibZeros(uint64_t(10) << 30);
    const std::string png = pngOf(10, 10, 8, 2, false, stream);
    ASSERT_GT(png.size(), size_t(9) << 20);

    const auto t0 = std::chrono::steady_clock::now();
    const Picture p = decodePng(u8(png), png.size());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("10 x 10 PNG inflating to 10 GiB (%zu bytes): %.3f s\n", png.size(), seconds);
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(p.width(), 10);
    EXPECT_EQ(p.pixel(9, 9), 0u);
}
