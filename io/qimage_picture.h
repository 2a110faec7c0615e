#pragma once
// Conversions between the program's picture and Qt's QImage, for the
// decoders that Qt lends and for the windows (display, clipboard, printing).
#include <QImage>

#include "core/picture.h"

namespace jollix {

// Any QImage to a 24-bit picture. Transparent parts are composed onto
// white. A null image gives an empty picture.
Picture pictureFromQImage(const QImage& image);

// The picture as a QImage in Format_RGB888 (a deep copy).
QImage qimageFromPicture(const Picture& picture);

} // namespace jollix
