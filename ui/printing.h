#pragma once
// Printing the picture: one page, the picture enlarged by the largest power
// of two that keeps it inside the page, centred, without smoothing.
#include "core/print_layout.h"
#include "core/picture.h"

class QPrinter;
class QWidget;

namespace jollix {

// The print command: the print dialog, then the page. Does nothing when the
// user cancels the dialog, and nothing at all for an empty picture (which
// has nothing to print). Printer failures throw JollixError.
void printWork(QWidget* parent, const Picture& picture);

// The page itself on an already chosen printer: the rectangle from the
// printable page in device pixels, one drawing of the picture into it.
// Returns the rectangle used (relative to the printable area).
PrintRectangle printPictureTo(QPrinter& printer, const Picture& picture);

}  // namespace jollix
