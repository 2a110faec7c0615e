#include "ui/table_texts.h"

#include <QtGlobal>

namespace jollix {

std::span<const char* const> tableTexts() {
    static const char* const kTexts[] = {
        // The menus and the main window's commands.
        QT_TRANSLATE_NOOP("jollix", "&File"),
        QT_TRANSLATE_NOOP("jollix", "&Edit"),
        QT_TRANSLATE_NOOP("jollix", "&Help"),
        QT_TRANSLATE_NOOP("jollix", "Open"),
        QT_TRANSLATE_NOOP("jollix", "Open a new picture"),
        QT_TRANSLATE_NOOP("jollix", "Save"),
        QT_TRANSLATE_NOOP("jollix", "Save the draft"),
        QT_TRANSLATE_NOOP("jollix", "Save animation..."),
        QT_TRANSLATE_NOOP("jollix", "Exit"),
        QT_TRANSLATE_NOOP("jollix", "Image Size"),
        QT_TRANSLATE_NOOP("jollix", "Undo"),
        QT_TRANSLATE_NOOP("jollix", "Redo"),
        QT_TRANSLATE_NOOP("jollix", "Renew"),
        QT_TRANSLATE_NOOP("jollix", "&View"),
        QT_TRANSLATE_NOOP("jollix", "Fit to window"),
        QT_TRANSLATE_NOOP("jollix", "Copy"),
        QT_TRANSLATE_NOOP("jollix", "Copy picture"),
        QT_TRANSLATE_NOOP("jollix", "Paste"),
        QT_TRANSLATE_NOOP("jollix", "Print..."),
        QT_TRANSLATE_NOOP("jollix", "Zoom out the view"),
        QT_TRANSLATE_NOOP("jollix", "Zoom in the view"),
        QT_TRANSLATE_NOOP("jollix", "Select a zone to cut"),
        QT_TRANSLATE_NOOP("jollix", "Cut out the selection"),
        QT_TRANSLATE_NOOP("jollix", "Print the work"),
        QT_TRANSLATE_NOOP("jollix", "Mail the work to a friend"),
        QT_TRANSLATE_NOOP("jollix", "Online"),
        QT_TRANSLATE_NOOP("jollix", "F.A.Q."),
        QT_TRANSLATE_NOOP("jollix", "About"),
        // The palette: tools, captions and hints.
        QT_TRANSLATE_NOOP("jollix", "Expand"),
        QT_TRANSLATE_NOOP("jollix", "Shrink"),
        QT_TRANSLATE_NOOP("jollix", "Dextrorotary"),
        QT_TRANSLATE_NOOP("jollix", "Levorotary"),
        QT_TRANSLATE_NOOP("jollix", "Smear"),
        QT_TRANSLATE_NOOP("jollix", "Make pen sketch"),
        QT_TRANSLATE_NOOP("jollix", "Make pencil sketch"),
        QT_TRANSLATE_NOOP("jollix", "Clear up spot"),
        QT_TRANSLATE_NOOP("jollix", "Rubber"),
        QT_TRANSLATE_NOOP("jollix", "Rad."),
        QT_TRANSLATE_NOOP("jollix", "Cur."),
        QT_TRANSLATE_NOOP("jollix", "Pen    Pressure:"),
        QT_TRANSLATE_NOOP("jollix", "Pencil    Contrast:"),
        QT_TRANSLATE_NOOP("jollix", "  == Follows for sketch ==    "),
        QT_TRANSLATE_NOOP("jollix", "Rubber thick:"),
        QT_TRANSLATE_NOOP("jollix", "Click or Keep Down"),
        QT_TRANSLATE_NOOP("jollix", "Keep Down and move"),
        QT_TRANSLATE_NOOP("jollix", "You are selecting a zone to cut "),
        // Messages of the layers below the windows.
        QT_TRANSLATE_NOOP("jollix", "Range check error"),
        QT_TRANSLATE_NOOP("jollix", "Floating point division by zero"),
        QT_TRANSLATE_NOOP("jollix", "Invalid floating point operation"),
        QT_TRANSLATE_NOOP("jollix", "There is not enough memory to finish this operation. Nothing was changed."),
        QT_TRANSLATE_NOOP("jollix", "Please input a valid integer value."),
        QT_TRANSLATE_NOOP("jollix", "Older steps were dropped from the history to save memory."),
        // The funny faces.
        QT_TRANSLATE_NOOP("jollix", "Big eyes"),
        QT_TRANSLATE_NOOP("jollix", "Big nose"),
        QT_TRANSLATE_NOOP("jollix", "Tiny chin"),
        QT_TRANSLATE_NOOP("jollix", "Alien"),
        QT_TRANSLATE_NOOP("jollix", "Twisted grin"),
        QT_TRANSLATE_NOOP("jollix", "Dizzy eyes"),
        QT_TRANSLATE_NOOP("jollix", "Long face"),
        QT_TRANSLATE_NOOP("jollix", "Squashed face"),
        QT_TRANSLATE_NOOP("jollix", "Fat cheeks"),
        QT_TRANSLATE_NOOP("jollix", "Thin face"),
        QT_TRANSLATE_NOOP("jollix", "Melting mouth"),
        QT_TRANSLATE_NOOP("jollix", "No face was found in the picture."),
        // The file dialog's preview and the mail hand-over.
        QT_TRANSLATE_NOOP("jollix", "(no preview)"),
        QT_TRANSLATE_NOOP("jollix", "xdg-email, which hands mail to the mail program, is not installed"),
        QT_TRANSLATE_NOOP("jollix", "the recipient is not a mail address"),
        QT_TRANSLATE_NOOP("jollix", "xdg-email stopped unexpectedly"),
        QT_TRANSLATE_NOOP("jollix", "xdg-email reported failure %1"),
        QT_TRANSLATE_NOOP("jollix", "xdg-email could not be started"),
    };
    return kTexts;
}

}  // namespace jollix
