// PNG and TIFF files through Qt's image readers, and PNG, WebP and TIFF
// through its writers: PNG is built into QtGui, WebP and TIFF come as Qt's
// image format plugins. (WebP files are read by libwebp: webp_file.cpp.)
//
// Reading checks the size from the header before anything is decoded, reads
// the first page of a TIFF file, and turns the picture upright: a TIFF's
// orientation tag is read by Qt (libtiff). Transparent parts become white,
// 16-bit and greyscale pictures become 24-bit (pictureFromQImage).
//
// Writing: PNG losslessly, WebP at quality 90, TIFF with lossless LZW
// compression; nothing but the pixels is written (no camera metadata).
#include <climits>
#include <cstring>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>

#include "io/decode_util.h"
#include "io/picture_files.h"
#include "io/qimage_picture.h"

namespace jollix {
using namespace io_detail;

namespace {

struct QtFormat {
    const char* qtName;  // Qt's name of the format
    const char* name;    // the name the user reads
};
constexpr QtFormat kPng{"png", "PNG"}, kWebp{"webp", "WebP"}, kTiff{"tiff", "TIFF"};

void requireSupport(const QtFormat& f, bool writing) {
    const QList<QByteArray> formats =
        writing ? QImageWriter::supportedImageFormats() : QImageReader::supportedImageFormats();
    if (!formats.contains(QByteArray(f.qtName)))
        fail(std::string(f.name) + " files cannot be " + (writing ? "written" : "read") +
             ": Qt's image format plugin for them is not installed (qt6-image-formats-plugins)");
}

// Qt's transformation as the EXIF orientation number.
int orientationOf(QImageIOHandler::Transformations t) {
    switch (int(t)) {
        case QImageIOHandler::TransformationMirror: return 2;
        case QImageIOHandler::TransformationRotate180: return 3;
        case QImageIOHandler::TransformationFlip: return 4;
        case QImageIOHandler::TransformationFlipAndRotate90: return 5;
        case QImageIOHandler::TransformationRotate90: return 6;
        case QImageIOHandler::TransformationMirrorAndRotate90: return 7;
        case QImageIOHandler::TransformationRotate270: return 8;
        default: return 1;
    }
}

Picture decodeWithQt(const QtFormat& f, const uint8_t* data, size_t size, uint64_t maxPixels, int* orientation) {
    requireSupport(f, false);
    if (size > size_t(INT_MAX)) fail(std::string("the ") + f.name + " file is too large");
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QtWarningCollector quiet;  // Qt's complaints go into the error, not to standard error
    QImageReader reader(&buffer, f.qtName);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    if (!reader.canRead()) fail(std::string("the file is not a ") + f.name + " file");
    const QSize expected = reader.size();
    if (!expected.isValid()) fail(std::string("the ") + f.name + " header is damaged");
    checkPictureSize(expected.width(), expected.height(), maxPixels, (std::string(f.name) + " picture").c_str());
    if (orientation) *orientation = orientationOf(reader.transformation());
    std::string why;
    const QImage image = readQImage(reader, &why);
    if (image.isNull()) fail(std::string("the ") + f.name + " data is damaged (" + why + ")");
    if (image.size() != expected) fail(std::string("the ") + f.name + " data is damaged (its size changed)");
    return pictureFromQImage(image);
}

std::string encodeWithQt(const QtFormat& f, const Picture& picture, int quality, int compression) {
    if (picture.isEmpty()) throw JollixError("an empty picture cannot be saved");
    requireSupport(f, true);
    const QImage image = qimageFromPicture(picture);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, f.qtName);
    if (quality >= 0) writer.setQuality(quality);
    if (compression >= 0) writer.setCompression(compression);
    if (!writer.write(image))
        throw JollixError(std::string("the ") + f.name + " encoder failed (" + writer.errorString().toStdString() +
                          ")");
    return std::string(bytes.constData(), size_t(bytes.size()));
}

// libpng allocates a chunk's declared length before it reads the chunk, so a
// few hundred bytes claiming a 2 GB text chunk would cost 2 GB. No chunk can
// be longer than what is left of the file: walk the chunks up to IEND (or
// the end of the bytes, which libpng reports itself) and refuse one that
// claims more.
void checkPngChunks(const uint8_t* data, size_t size) {
    size_t at = 8;  // after the signature, which Qt checks
    while (at < size && size - at >= 8) {
        const uint32_t length = (uint32_t(data[at]) << 24) | (uint32_t(data[at + 1]) << 16) |
                                (uint32_t(data[at + 2]) << 8) | uint32_t(data[at + 3]);
        const bool end = std::memcmp(data + at + 4, "IEND", 4) == 0;
        if (length > size - at - 8) fail("the PNG data is damaged (a chunk is longer than the file)");
        if (end) return;
        at += 8 + size_t(length);
        if (size - at < 4) return;  // cut short in a checksum: libpng says so
        at += 4;
    }
}

}  // namespace

Picture decodePng(const uint8_t* data, size_t size, uint64_t maxPixels) {
    if (size >= 8) checkPngChunks(data, size);
    return decodeWithQt(kPng, data, size, maxPixels, nullptr);
}

Picture decodeTiff(const uint8_t* data, size_t size, uint64_t maxPixels) {
    int orientation = 1;
    const Picture picture = decodeWithQt(kTiff, data, size, maxPixels, &orientation);
    return orientPicture(picture, orientation);
}

std::string encodePng(const Picture& picture) { return encodeWithQt(kPng, picture, -1, -1); }

std::string encodeWebp(const Picture& picture) {
    // The WebP format's own limit.
    if (picture.width() > 16383 || picture.height() > 16383)
        throw JollixError("the picture is too large for a WebP file (at most 16383 pixels a side)");
    return encodeWithQt(kWebp, picture, 90, -1);
}

// Qt's TIFF writer: compression 1 is LZW.
std::string encodeTiff(const Picture& picture) { return encodeWithQt(kTiff, picture, -1, 1); }

}  // namespace jollix
