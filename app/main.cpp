// Jollix, the desktop program. `jollix [FILE]` starts on the built-in start
// picture, or on FILE opened as the Open command would.
#include <QCommandLineParser>
#include <QStringList>

#include "editor/editor.h"
#include "ui/error_handling.h"
#include "ui/icons.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    jollix::JollixApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Jollix"));
    QApplication::setApplicationVersion(QStringLiteral("6.01"));
    QApplication::setWindowIcon(jollix::icons::program());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A picture editor for making funny photos."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A picture to open at start."),
                                 QStringLiteral("[file]"));
    parser.process(app);

    // The session starts with the built-in picture, Expand and the Spherical
    // shape, and the history holding that picture.
    jollix::Editor editor;
    // The main window creates the work area, the tool palette, the about
    // box and the image size dialog; its first showing places the work
    // area and shows the palette.
    jollix::TForm1 form(editor);
    form.show();

    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) form.openFile(files.constFirst());

    return app.exec();
}
