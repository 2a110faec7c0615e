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

// A PNG image inside an icon goes through the program's PNG reader (Qt's,
// with the program's own size limit); its transparent parts become white.
Picture decodePngImage(const uint8_t* data, size_t size, uint64_t maxPixels) {
    // The size from the PNG header is checked first, by the program's rule.
    if (size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0) fail("the icon's PNG image is damaged");
    checkPictureSize(be32(data + 16), be32(data + 20), maxPixels, "icon");
    try {
        return decodePng(data, size, maxPixels);
    } catch (const JollixError& e) {
        fail(std::string("the icon's PNG image cannot be read: ") + e.what());
    }
}

}  // namespace

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

}  // namespace jollix
