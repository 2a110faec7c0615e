#include "ui/printing.h"

#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "core/error.h"
#include "io/qimage_picture.h"

namespace jollix {

PrintRectangle printPictureTo(QPrinter& printer, const Picture& picture) {
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const PrintRectangle r =
        printRectangle(picture.width(), picture.height(), int32_t(page.width()), int32_t(page.height()));
    const QImage image = qimageFromPicture(picture);
    // The painter's origin is the top-left corner of the printable area.
    QPainter painter;
    if (!painter.begin(&printer)) throw JollixError("The printer could not start the document");
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(QRect(r.Left, r.Top, r.width(), r.height()), image);
    if (!painter.end()) throw JollixError("The printer could not finish the document");
    return r;
}

void printWork(QWidget* parent, const Picture& picture) {
    if (picture.isEmpty()) return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return;
    printPictureTo(printer, picture);
}

}  // namespace jollix
