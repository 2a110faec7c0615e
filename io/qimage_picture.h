#pragma once
// Conversions between the program's picture and Qt's QImage, for the
// decoders that Qt lends and for the windows (display, clipboard, printing).
#include <QImage>

class QImageReader;

#include "core/picture.h"

namespace jollix {

// Any QImage to a 24-bit picture. Transparent parts are composed onto
// white. A null image gives an empty picture.
Picture pictureFromQImage(const QImage& image);

// Reads the image through Qt's reader. Every decode that Qt lends the
// program goes through here: Qt's own allocation limit (256 MiB by default,
// less than a 2^28-pixel picture needs) is raised once to what the largest
// picture the program opens needs in Qt's widest format, 16 bits a channel
// with alpha, so that the program's own size check, made against the header
// before this call, is the limit that counts. A null image means failure.
QImage readQImage(QImageReader& reader);

// The picture as a QImage in Format_RGB888 (a deep copy).
QImage qimageFromPicture(const Picture& picture);

} // namespace jollix
