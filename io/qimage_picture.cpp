#include "io/qimage_picture.h"

#include <QImageReader>
#include <QPainter>
#include <vector>

#include "io/picture_files.h"

namespace jollix {

QImage readQImage(QImageReader& reader) {
    static const bool raised = [] {
        QImageReader::setAllocationLimit(int(kMaxPicturePixels * 8 / (1024 * 1024)));
        return true;
    }();
    (void)raised;
    return reader.read();
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
    std::vector<uint8_t> row(size_t(w) * 3);
    std::vector<uint8_t> flat(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        const uchar* s = rgb.constScanLine(y);
        uint8_t* d = flat.data() + size_t(y) * w * 3;
        for (int x = 0; x < w; ++x) {  // RGB to BGR
            d[3 * x] = s[3 * x + 2];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x];
        }
    }
    return Picture::fromFlat(w, h, flat.data(), size_t(w) * 3);
}

QImage qimageFromPicture(const Picture& picture) {
    if (picture.isEmpty()) return QImage();
    const int w = picture.width(), h = picture.height();
    QImage img(w, h, QImage::Format_RGB888);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        picture.readRow(y, row.data());
        uchar* d = img.scanLine(y);
        for (int x = 0; x < w; ++x) {
            d[3 * x] = row[3 * x + 2];
            d[3 * x + 1] = row[3 * x + 1];
            d[3 * x + 2] = row[3 * x];
        }
    }
    return img;
}

} // namespace jollix
