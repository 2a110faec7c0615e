#include "io/qimage_picture.h"

#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "core/tiles.h"
#include "io/picture_files.h"
#include "io/picture_rows.h"

namespace jollix {

namespace {

// Qt's image readers report trouble with the data through qWarning (and
// libpng's messages through it too). While a picture is read those messages
// are collected for the error instead; everything else goes where it went.
thread_local std::string* collecting = nullptr;
QtMessageHandler previousHandler = nullptr;

void collectingHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (collecting && type != QtFatalMsg) {
        if (!collecting->empty()) *collecting += "; ";
        *collecting += message.toStdString();
        return;
    }
    if (previousHandler)
        previousHandler(type, context, message);
    else
        qt_message_output(type, context, message);
}

// n pixels with their first and third bytes swapped: red, green, blue to
// blue, green, red and back.
void swapRedAndBlue(const uint8_t* s, uint8_t* d, int n) {
    for (int i = 0; i < n; ++i) {
        d[3 * i] = s[3 * i + 2];
        d[3 * i + 1] = s[3 * i + 1];
        d[3 * i + 2] = s[3 * i];
    }
}

// The pixels of a row of w pixels that tile column tx holds: how many, and
// where they start in a flat row.
int inTile(int tx, int w) { return std::min(Picture::kTile, w - tx * Picture::kTile); }
size_t tileStart(int tx) { return size_t(tx) * Picture::kTileStride; }

}  // namespace

void prepareQtImageDecoding() {
    static const bool prepared = [] {
        QImageReader::setAllocationLimit(int(kMaxPicturePixels * 8 / (1024 * 1024)));
        previousHandler = qInstallMessageHandler(collectingHandler);
        return true;
    }();
    (void)prepared;
}

QtWarningCollector::QtWarningCollector() : previous_(collecting) {
    prepareQtImageDecoding();
    collecting = &text_;
}

QtWarningCollector::~QtWarningCollector() { collecting = previous_; }

QImage readQImage(QImageReader& reader, std::string* why) {
    QtWarningCollector warnings;
    QImage image = reader.read();
    if (image.isNull() && why) *why = warnings.text().empty() ? reader.errorString().toStdString() : warnings.text();
    return image;
}

Picture pictureFromQImage(const QImage& image) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return Picture();
    QImage rgb;
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB888);
        flat.fill(Qt::white);
        QPainter p(&flat);
        p.drawImage(0, 0, image);
        p.end();
        rgb = flat;
    } else {
        rgb = image.convertToFormat(QImage::Format_RGB888);
    }
    const int w = rgb.width(), h = rgb.height();
    Picture picture = Picture::unwritten(w, h);
    TileWriter writer(picture);
    for (int y = 0; y < h; ++y)
        for (int tx = 0; tx < picture.tilesX(); ++tx)
            swapRedAndBlue(rgb.constScanLine(y) + tileStart(tx), writer.tileRow(tx, y), inTile(tx, w));
    return picture;
}

QImage qimageFromPicture(const Picture& picture) {
    if (picture.isEmpty()) return QImage();
    const int w = picture.width(), h = picture.height();
    QImage img(w, h, QImage::Format_RGB888);
    const TileReader reader(picture);
    for (int y = 0; y < h; ++y) {
        for (int tx = 0; tx < picture.tilesX(); ++tx)
            swapRedAndBlue(reader.tileRow(tx, y), img.scanLine(y) + tileStart(tx), inTile(tx, w));
    }
    return img;
}

Picture io_detail::pictureFromCanvas(const QImage& canvas, io_detail::PixelBuffer& pixels) {
    const int w = canvas.width(), h = canvas.height();
    io_detail::PictureRows picture(w, h);
    std::vector<uint8_t> row(size_t(w) * 3);
    const size_t stride = size_t(canvas.bytesPerLine());
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            row[size_t(x) * 3] = uint8_t(qBlue(line[x]));
            row[size_t(x) * 3 + 1] = uint8_t(qGreen(line[x]));
            row[size_t(x) * 3 + 2] = uint8_t(qRed(line[x]));
        }
        picture.bgr(y, row.data());
        if (y % 64 == 63) pixels.giveBack(size_t(y - 63) * stride, size_t(y + 1) * stride);
    }
    return picture.take();
}

}  // namespace jollix
