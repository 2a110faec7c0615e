// PNG, WebP and TIFF files through Qt's image writers: PNG is built into
// QtGui, WebP and TIFF come as Qt's image format plugins. (They are read by
// png_file.cpp, webp_file.cpp and tiff_file.cpp.)
//
// Writing: WebP at quality 90; nothing but the pixels is written (no camera
// metadata). PNG and TIFF have writers of their own (png_write.cpp,
// tiff_write.cpp).
#include <QBuffer>
#include <QByteArray>
#include <QImageWriter>

#include "io/colour_profile.h"
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
constexpr QtFormat kWebp{"webp", "WebP"};

void requireSupport(const QtFormat& f) {
    if (!QImageWriter::supportedImageFormats().contains(QByteArray(f.qtName)))
        fail(
            std::string(f.name) +
            " files cannot be written: Qt's image format plugin for them is not installed (qt6-image-formats-plugins)");
}

std::string encodeWithQt(const QtFormat& f, const Picture& picture, int quality, int compression) {
    if (picture.isEmpty()) throw JollixError("an empty picture cannot be saved");
    requireSupport(f);
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

}  // namespace

std::string encodeWebp(const Picture& picture) {
    // The WebP format's own limit.
    if (picture.width() > 16383 || picture.height() > 16383)
        throw JollixError("the picture is too large for a WebP file (at most 16383 pixels a side)");
    return encodeWithQt(kWebp, picture, 90, -1);
}

}  // namespace jollix
