#pragma once
// Conversions between the program's picture and Qt's QImage, for the
// decoders that Qt lends and for the windows (display, clipboard, printing).
#include <QImage>
#include <string>

class QImageReader;

#include "core/picture.h"

namespace jollix {

// Any QImage to a 24-bit picture. Transparent parts are composed onto
// white. A null image gives an empty picture.
Picture pictureFromQImage(const QImage& image);

namespace io_detail {
class PixelBuffer;
// A drawing canvas (Format_RGB32, drawn in `pixels`) into a picture a band
// of rows at a time, each band of the canvas given back once it is in: the
// picture grows as the canvas shrinks.
Picture pictureFromCanvas(const QImage& canvas, PixelBuffer& pixels);
}  // namespace io_detail

// Reads the image through Qt's reader. Every decode that Qt lends the
// program goes through here: Qt's own allocation limit (256 MiB by default,
// less than a 2^28-pixel picture needs) is raised once to what the largest
// picture the program opens needs in Qt's widest format, 16 bits a channel
// with alpha, so that the program's own size check, made against the header
// before this call, is the limit that counts. A null image means failure;
// `why` then receives the reason: what Qt's reader said about the data
// (libpng's own complaint, say), never printed to standard error.
QImage readQImage(QImageReader& reader, std::string* why = nullptr);

// While one is alive, Qt's warnings on this thread are collected in text()
// instead of printed (a reader's header checks warn too).
class QtWarningCollector {
public:
    QtWarningCollector();
    ~QtWarningCollector();
    QtWarningCollector(const QtWarningCollector&) = delete;
    QtWarningCollector& operator=(const QtWarningCollector&) = delete;
    const std::string& text() const { return text_; }

private:
    std::string text_;
    std::string* previous_;
};

// Sets Qt up for decoding pictures: its allocation limit raised as above and
// its warnings about image data kept off standard error. Decoders that make
// Qt read pictures indirectly (the SVG of a metafile with bitmaps) call it.
void prepareQtImageDecoding();

// The picture as a QImage in Format_RGB888 (a deep copy).
QImage qimageFromPicture(const Picture& picture);

}  // namespace jollix
