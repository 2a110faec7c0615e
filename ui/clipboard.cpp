#include "ui/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "io/qimage_picture.h"

namespace jollix {

std::optional<Picture> pictureFromClipboard() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard->mimeData();
    if (!data || !data->hasImage()) return std::nullopt;
    const QImage image = clipboard->image();
    Picture picture = pictureFromQImage(image);
    if (picture.isEmpty()) return std::nullopt;
    return picture;
}

void putPictureOnClipboard(const Picture& picture) {
    QGuiApplication::clipboard()->setImage(qimageFromPicture(picture));
}

}  // namespace jollix
