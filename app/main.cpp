// Jollix, the desktop program. `jollix [FILE]` starts on the built-in start
// picture, or on FILE opened as the Open command would.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

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

// The window system's own options, which the window start takes out of the
// command line (-platform offscreen, -style fusion, ...): known here, so
// that anything else is an error before the window system is opened.
void describeWindowSystemOptions(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform",
                             "platformpluginpath",
                             "platformtheme",
                             "plugin",
                             "qwindowgeometry",
                             "qwindowicon",
                             "qwindowtitle",
                             "display",
                             "geometry",
                             "style",
                             "stylesheet",
                             "session",
                             "title",
                             "name",
                             "visual",
                             "font",
                             "fn",
                             "bg",
                             "background",
                             "fg",
                             "foreground",
                             "btn",
                             "button",
                             "im",
                             "inputstyle",
                             "cmap",
                             "ncols",
                             "qmljsdebugger",
                             "qwindowcolor"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

// --help, --version and mistakes on the command line are answered before
// the window system is opened, so that they work without a display: a
// mistake prints its message and ends the program with 1.
void answerWithoutDisplay(int& argc, char** argv) {
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser);
    describeWindowSystemOptions(parser);
    if (!parser.parse(core.arguments())) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName().toLower()),
                     qPrintable(parser.errorText()));
        std::fprintf(stderr, "Try 'jollix --help' for more information.\n");
        std::exit(1);
    }
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
    describeWindowSystemOptions(parser);
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
