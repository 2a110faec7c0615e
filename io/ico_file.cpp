// Icon files: the program's own reader of the icon directory, the bitmap
// images decoded by the shared DIB reader, and PNG-compressed images by
// QtGui's PNG reader.
//
// An icon file may hold several images; the largest one is shown (the
// deepest among equally large ones), at its own size, drawn onto white so
// that its transparent parts stay white: through the alpha channel where the
// image has one, else through its AND mask.
#include <cstring>
#include <vector>

#include <QImage>

#include "io/decode_util.h"
#include "io/picture_files.h"

namespace jollix {
using namespace io_detail;

namespace {

uint32_t be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

Picture decodePngImage(const uint8_t* data, size_t size, uint64_t maxPixels) {
    // The size from the PNG header is checked before Qt allocates anything.
    if (size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0) fail("the icon's PNG image is damaged");
    checkPictureSize(be32(data + 16), be32(data + 20), maxPixels, "icon");
    QImage image;
    if (size > size_t(INT32_MAX) ||
        !image.loadFromData(reinterpret_cast<const uchar*>(data), int(size), "PNG"))
        fail("the icon's PNG image is damaged");
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) fail("the icon's PNG image is damaged");
    const int w = image.width(), h = image.height();
    Picture picture(w, h, 0xFFFFFF);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const unsigned a = unsigned(qAlpha(line[x]));
            auto blend = [a](int c) { return uint8_t((unsigned(c) * a + 255 * (255 - a) + 127) / 255); };
            row[size_t(x) * 3] = blend(qBlue(line[x]));
            row[size_t(x) * 3 + 1] = blend(qGreen(line[x]));
            row[size_t(x) * 3 + 2] = blend(qRed(line[x]));
        }
        picture.writeRow(y, row.data());
    }
    return picture;
}

} // namespace

Picture decodeIco(const uint8_t* data, size_t size, uint64_t maxPixels) {
    if (size < 6) fail("the icon file is cut short");
    const uint16_t reserved = le16(data), type = le16(data + 2), count = le16(data + 4);
    if (reserved != 0 || (type != 1 && type != 2)) fail("the file is not an icon file");
    if (count == 0) fail("the icon file holds no image");
    if (6 + size_t(count) * 16 > size) fail("the icon directory is cut short");

    int best = -1;
    uint64_t bestArea = 0;
    unsigned bestDepth = 0;
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = data + 6 + size_t(i) * 16;
        const uint64_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
        const unsigned depth = le16(e + 6);
        if (best < 0 || w * h > bestArea || (w * h == bestArea && depth > bestDepth)) {
            best = i;
            bestArea = w * h;
            bestDepth = depth;
        }
    }
    const uint8_t* e = data + 6 + size_t(best) * 16;
    const uint32_t bytes = le32(e + 8), offset = le32(e + 12);
    if (offset > size || bytes > size - offset || bytes == 0) fail("the icon's image lies beyond the end of the file");
    const uint8_t* image = data + offset;
    if (bytes >= 8 && std::memcmp(image, "\x89PNG\r\n\x1a\n", 8) == 0) return decodePngImage(image, bytes, maxPixels);
    DibOptions options;
    options.icon = true;
    return decodeDib(image, bytes, options, maxPixels);
}

} // namespace jollix
