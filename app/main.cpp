// Jollix, the desktop program. `jollix [FILE]` starts on the built-in start
// picture, or on FILE opened as the Open command would.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include "editor/editor.h"
#include "io/qt_messages.h"
#include "ui/error_handling.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "ui/translations.h"

namespace {

void describeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("A picture editor for making funny photos."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A picture to open at start."),
                                 QStringLiteral("[file]"));
}

// --help and --version print and end the program before the window system
// is opened, so that they work without a display.
void answerWithoutDisplay(int& argc, char** argv) {
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser);
    // Errors (an unknown option, or one of the window system's own that
    // only the window start understands) are left to that start.
    parser.parse(core.arguments());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version"))) parser.showVersion();
}

}  // namespace

int main(int argc, char** argv) {
    jollix::quietenRuntimeFolderWarning();
    QCoreApplication::setApplicationName(QStringLiteral("Jollix"));
    QCoreApplication::setApplicationVersion(QStringLiteral(JOLLIX_VERSION));
    answerWithoutDisplay(argc, argv);

    jollix::JollixApplication app(argc, argv);
    jollix::installTranslations(app);
    QApplication::setWindowIcon(jollix::icons::program());

    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);

    // The session starts with the built-in picture, Expand and the Spherical
    // shape, and the history holding that picture.
    jollix::Editor editor;
    // The main window creates the work area, the tool palette, the about
    // box and the image size dialog; its first showing places the work
    // area and shows the palette.
    jollix::MainWindow form(editor);
    form.show();

    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) form.openFile(files.constFirst());

    return app.exec();
}
