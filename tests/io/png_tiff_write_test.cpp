// The PNG and TIFF writers: every picture reads back exactly, the PNG's
// zlib stream is one valid stream with the right checksum, the files are marked as they should be (sRGB; Deflate with
// the horizontal predictor), and they are no larger than what Qt's writers
// (the program's earlier ones) made of the same picture.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>

#include <tiffio.h>
#include <zlib.h>

#include "io/picture_files.h"
#include "io/qimage_picture.h"
#include "io_test_util.h"
#include "tests/photo_like.h"

using namespace jollix;
using namespace jollix::test;

namespace {

uint32_t be32(const std::string& s, size_t at) {
    return (uint32_t(uint8_t(s[at])) << 24) | (uint32_t(uint8_t(s[at + 1])) << 16) |
           (uint32_t(uint8_t(s[at + 2])) << 8) | uint32_t(uint8_t(s[at + 3]));
}

struct PngChunks {
    std::vector<std::string> types;  // in file order
    std::string idat;                // every IDAT's data, joined
    bool crcsRight = true;
};

PngChunks chunksOf(const std::string& png) {
    PngChunks c;
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = be32(png, at);
        const std::string type = png.substr(at + 4, 4);
        const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), uInt(length + 4));
        c.crcsRight = c.crcsRight && crc == be32(png, at + 8 + length);
        c.types.push_back(type);
        if (type == "IDAT") c.idat += png.substr(at + 8, length);
        at += 12 + length;
    }
    return c;
}

std::string qtEncoded(const Picture& p, const char* format, int compression) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (compression >= 0) writer.setCompression(compression);
    EXPECT_TRUE(writer.write(qimageFromPicture(p)));
    return std::string(bytes.constData(), size_t(bytes.size()));
}

// Pictures of every shape the writers cut differently: single pixels and
// rows, sides around the tile size, several bands and strips.
std::vector<std::pair<std::string, Picture>> shapes() {
    return {
        {"1 x 1", Picture(1, 1, 0x0A0B0C)},
        {"3 x 2", samplePicture(3, 2)},
        {"one row", samplePicture(777, 1)},
        {"one column", samplePicture(1, 1500)},
        {"tile edges", samplePicture(65, 63)},
        {"flat", Picture(300, 200, 0xFFFFFF)},
        {"photo of several bands", testing_photo::photoLike(1100, 700)},
        {"noise of several bands", samplePicture(900, 1300, 7)},
    };
}

}  // namespace

TEST(PngTiffWriters, PicturesReadBackExactly) {
    for (const auto& [what, picture] : shapes()) {
        const std::string png = encodePng(picture);
        EXPECT_TRUE(decodePng(u8(png), png.size()) == picture) << what;
        const std::string tif = encodeTiff(picture);
        EXPECT_TRUE(decodeTiff(u8(tif), tif.size()) == picture) << what;
        // Qt's own readers agree.
        QImage viaQt = QImage::fromData(QByteArray(png.data(), qsizetype(png.size())), "PNG");
        EXPECT_TRUE(pictureFromQImage(viaQt) == picture) << what;
    }
}

TEST(PngTiffWriters, PngIsOneValidZlibStreamMarkedSrgb) {
    for (const auto& [what, picture] : shapes()) {
        const std::string png = encodePng(picture);
        const PngChunks c = chunksOf(png);
        EXPECT_TRUE(c.crcsRight) << what;
        ASSERT_GE(c.types.size(), 4u) << what;
        EXPECT_EQ(c.types.front(), "IHDR");
        EXPECT_EQ(c.types[1], "sRGB") << "the sRGB chunk comes before the pixels";
        EXPECT_EQ(c.types.back(), "IEND");
        // zlib's one-shot inflate checks the stream's end and its Adler-32.
        const size_t raw = size_t(picture.width() * 3 + 1) * size_t(picture.height());
        std::string out(raw + 1, '\0');
        uLongf outSize = uLongf(out.size());
        EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize,
                             reinterpret_cast<const Bytef*>(c.idat.data()), uLong(c.idat.size())),
                  Z_OK)
            << what;
        EXPECT_EQ(outSize, raw) << what;
        // A flipped bit in the last band's checksum is noticed.
        std::string broken = c.idat;
        broken.back() = char(broken.back() ^ 1);
        outSize = uLongf(out.size());
        EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &outSize,
                             reinterpret_cast<const Bytef*>(broken.data()), uLong(broken.size())),
                  Z_DATA_ERROR)
            << what;
    }
}

TEST(PngTiffWriters, TiffIsDeflateWithThePredictor) {
    const Picture p = testing_photo::photoLike(640, 480);
    TempDir dir;
    writeBytes(dir / "p.tif", encodeTiff(p));
    TIFF* tiff = TIFFOpen((dir / "p.tif").c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    uint16_t compression = 0, predictor = 0, samples = 0, bits = 0, photometric = 0;
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_PREDICTOR, &predictor);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    EXPECT_EQ(compression, COMPRESSION_ADOBE_DEFLATE);
    EXPECT_EQ(predictor, PREDICTOR_HORIZONTAL);
    EXPECT_EQ(samples, 3);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(photometric, PHOTOMETRIC_RGB);
    // libtiff's own decoding of the strips gives the pixels.
    std::vector<uint32_t> rgba(size_t(p.width()) * size_t(p.height()));
    ASSERT_EQ(
        TIFFReadRGBAImageOriented(tiff, uint32_t(p.width()), uint32_t(p.height()), rgba.data(), ORIENTATION_TOPLEFT, 0),
        1);
    TIFFClose(tiff);
    for (int y = 0; y < p.height(); y += 37)
        for (int x = 0; x < p.width(); x += 13) {
            const uint32_t v = rgba[size_t(y) * size_t(p.width()) + size_t(x)];
            EXPECT_EQ(v & 0xFFFFFF, p.pixel(x, y)) << x << "," << y;
        }
}

TEST(PngTiffWriters, FilesAreNoLargerThanBefore) {
    // Against Qt's writers on a photo and on a drawing of flat colours:
    // PNG within 3 %, TIFF below its LZW without a predictor (on the photo
    // well below: the predictor suits photos).
    Picture drawing(900, 600, 0xFFFFFF);
    for (int y = 0; y < drawing.height(); ++y)
        for (int x = 0; x < drawing.width(); ++x)
            if ((x / 150 + y / 100) % 3 == 0 || x % 97 < 2 || (x + 2 * y) % 89 < 2)
                drawing.setPixel(x, y, uint32_t(x / 150) * 0x203040u);
    // and lines of writing: small marks in rows
    uint32_t seed = 5;
    for (int y = 10; y + 8 < drawing.height(); y += 14)
        for (int x = 10; x < drawing.width() - 10; ++x) {
            seed = seed * 1664525u + 1013904223u;
            if ((seed >> 28) < 5) drawing.setPixel(x, y + int((seed >> 20) & 7), 0x101010);
        }
    for (const auto& [p, tiffShare] : {std::pair{testing_photo::photoLike(1200, 800), 0.6}, std::pair{drawing, 1.0}}) {
        const double png = double(encodePng(p).size()), qtPng = double(qtEncoded(p, "png", -1).size());
        EXPECT_LE(png, qtPng * 1.03) << png << " against " << qtPng;
        const double tif = double(encodeTiff(p).size()), qtTif = double(qtEncoded(p, "tiff", 1).size());
        EXPECT_LE(tif, qtTif * tiffShare) << tif << " against " << qtTif;
    }
}
