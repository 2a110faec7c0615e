// The installed program: `cmake --install` into a scratch DESTDIR, then the
// tree as a desktop, a package manager and a user see it. The desktop entry
// and the metainfo pass their validators, the man pages render without
// warnings and name every option and step of the batch command, the help
// page names every shortcut of the main window's command table, the icon
// files show the window's icon, and the installed programs answer --help
// and --version without a display.
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "app/batch/batch.h"
#include "io/picture_files.h"
#include "ui/icons.h"
#include "ui/mail.h"
#include "ui/main_window.h"

using namespace jollix;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs a program to its end; env entries "NAME" are removed, "NAME=VALUE"
// set.
Run run(const QString& program, const QStringList& args, const QStringList& env = {}) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : env) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq < 0)
            e.remove(entry);
        else
            e.insert(entry.left(eq), entry.mid(eq + 1));
    }
    QProcess p;
    p.setProcessEnvironment(e);
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(30000)) {
        r.err = program + QStringLiteral(": cannot be started");
        return r;
    }
    p.waitForFinished(300000);
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// A file's text; a .gz file is read through gzip.
QString readText(const QString& path) {
    if (path.endsWith(QStringLiteral(".gz"))) {
        QProcess gzip;
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
        gzip.waitForFinished();
        return gzip.exitCode() == 0 ? QString::fromUtf8(gzip.readAllStandardOutput()) : QString();
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// The value of KEY= in the desktop entry.
QString desktopValue(const QString& entry, const QString& key) {
    const QRegularExpression re(QStringLiteral("^") + QRegularExpression::escape(key) + QStringLiteral("=(.*)$"),
                                QRegularExpression::MultilineOption);
    return re.match(entry).captured(1).trimmed();
}

// Roff source as plain words: "\-" is a hyphen, font changes vanish.
QString roffWords(QString roff) {
    roff.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    roff.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
    roff.remove(QStringLiteral("\\c"));
    return roff;
}

// The batch command's steps and options as its --help lists them: the step
// names up to their "=" or "@" (zoom=, expand@, pen-sketch, ...) and every
// "--option".
QStringList batchWords() {
    const QString help = QString::fromStdString(batch::helpText());
    QSet<QString> words;
    for (const QString& line : help.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("  "))) continue;
        // Columns are two or more spaces apart; a column with single spaces
        // in it is a description.
        for (const QString& column : line.split(QRegularExpression(QStringLiteral(" {2,}")), Qt::SkipEmptyParts)) {
            if (column.contains(QLatin1Char(' '))) continue;
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^([a-z][a-z.\\-]*[=@]?)")).match(column);
            if (m.hasMatch()) words << m.captured(1);
        }
    }
    const QRegularExpression option(QStringLiteral("(--[a-z][a-z\\-]*)"));
    for (auto it = option.globalMatch(help); it.hasNext();) words << it.next().captured(1);
    QStringList sorted(words.begin(), words.end());
    sorted.sort();
    return sorted;
}

}  // namespace

class InstalledTreeTest : public QObject {
    Q_OBJECT
    QTemporaryDir dest;
    QString usr;  // DESTDIR/usr

    QString at(const QString& rel) const { return usr + QLatin1Char('/') + rel; }

private slots:
    void initTestCase() {
        QVERIFY(dest.isValid());
        usr = dest.path() + QStringLiteral("/usr");
        const Run install = run(QStringLiteral(JOLLIX_CMAKE),
                                {QStringLiteral("--install"), QStringLiteral(JOLLIX_BUILD_DIR),
                                 QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                {QStringLiteral("DESTDIR=") + dest.path()});
        QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
        // Nothing lands outside DESTDIR/usr.
        QCOMPARE(QDir(dest.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"usr"});
    }

    void theFilesAreThere_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("executable");
        QTest::newRow("program") << "bin/jollix" << true;
        QTest::newRow("batch") << "bin/jollix-batch" << true;
        QTest::newRow("desktop entry") << "share/applications/jollix.desktop" << false;
        QTest::newRow("metainfo") << "share/metainfo/example.jollix.Jollix.metainfo.xml" << false;
        QTest::newRow("scalable icon") << "share/icons/hicolor/scalable/apps/jollix.svg" << false;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::newRow(qPrintable(QStringLiteral("icon %1").arg(size)))
                << QStringLiteral("share/icons/hicolor/%1x%1/apps/jollix.png").arg(size) << false;
        QTest::newRow("man jollix") << "share/man/man1/jollix.1.gz" << false;
        QTest::newRow("man jollix-batch") << "share/man/man1/jollix-batch.1.gz" << false;
        QTest::newRow("help page") << "share/jollix/help/index.html" << false;
        QTest::newRow("copyright") << "share/doc/jollix/copyright" << false;
        QTest::newRow("changelog") << "share/doc/jollix/changelog.gz" << false;
        QTest::newRow("list of installed files") << "share/jollix/installed-files.txt" << false;
    }
    void theFilesAreThere() {
        QFETCH(QString, file);
        QFETCH(bool, executable);
        const QFileInfo info(at(file));
        QVERIFY2(info.isFile() && info.size() > 0, qPrintable(file));
        QCOMPARE(info.isExecutable(), executable);
    }

    void theProgramsAnswerWithoutADisplay_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected");
        QTest::newRow("jollix --help") << "jollix"
                                       << "--help"
                                       << "Usage:";
        QTest::newRow("jollix --version") << "jollix"
                                          << "--version"
                                          << "Jollix 6.01";
        QTest::newRow("jollix-batch --help") << "jollix-batch"
                                             << "--help"
                                             << "Usage: jollix-batch";
    }
    void theProgramsAnswerWithoutADisplay() {
        QFETCH(QString, program);
        QFETCH(QString, option);
        QFETCH(QString, expected);
        const Run r =
            run(at(QStringLiteral("bin/") + program), {option},
                {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("QT_QPA_PLATFORM")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(expected), qPrintable(r.out));
    }

    // A mistake on the command line is answered without a display: its
    // message and exit status 1, as the man page says. The window system's
    // own options are no mistake.
    void aBadOptionEndsWithOneWithoutADisplay_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("--bogus") << QStringList{"--bogus"} << 1 << "Unknown option 'bogus'";
        QTest::newRow("-x") << QStringList{"-x"} << 1 << "Unknown option 'x'";
        QTest::newRow("two files") << QStringList{"--bogus", "a.jpg"} << 1 << "bogus";
        QTest::newRow("-style fusion --version") << QStringList{"-style", "fusion", "--version"} << 0 << "";
    }
    void aBadOptionEndsWithOneWithoutADisplay() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, said);
        const Run r =
            run(at(QStringLiteral("bin/jollix")), args,
                {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("QT_QPA_PLATFORM")});
        QCOMPARE(r.exitCode, status);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
    }

    // The installation's own list names every file it installed, by its
    // installed path, and nothing else.
    void theListOfInstalledFilesIsExact() {
        QStringList listed = readText(at(QStringLiteral("share/jollix/installed-files.txt")))
                                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        listed.sort();
        QStringList present;
        QDirIterator it(usr, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) present << it.next().mid(dest.path().size());
        present.sort();
        QCOMPARE(listed, present);
        QVERIFY(listed.contains(QStringLiteral("/usr/bin/jollix")));
    }

    // The copyright file names the licence of the program and of the
    // libraries it is combined with.
    void theLicenceIsStated() {
        const QString copyright = readText(at(QStringLiteral("share/doc/jollix/copyright")));
        QVERIFY(copyright.startsWith(
            QStringLiteral("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/")));
        QVERIFY(copyright.contains(QStringLiteral("License: GPL-3+")));
        for (const char* library : {"libimagequant", "libheif", "libwmf", "Qt 6", "OpenCV"})
            QVERIFY2(copyright.contains(QLatin1String(library)), library);
        // No GPL-2-only library is linked, nor named as linked.
        QVERIFY(!copyright.contains(QLatin1String("libemf2svg")));
        QVERIFY(readText(at(QStringLiteral("share/doc/jollix/changelog.gz")))
                    .startsWith(QStringLiteral("jollix (" JOLLIX_VERSION ")")));
    }

    void theDesktopEntryIsValid() {
        const Run r =
            run(QStringLiteral("desktop-file-validate"), {at(QStringLiteral("share/applications/jollix.desktop"))});
        QVERIFY2(r.exitCode == 0 && r.out.trimmed().isEmpty(), qPrintable(r.err + r.out));
    }

    void theMetainfoIsValid() {
        const Run r = run(QStringLiteral("appstreamcli"),
                          {QStringLiteral("validate"), QStringLiteral("--no-net"),
                           at(QStringLiteral("share/metainfo/example.jollix.Jollix.metainfo.xml"))});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        // It launches the installed desktop entry.
        const QString xml = readText(at(QStringLiteral("share/metainfo/example.jollix.Jollix.metainfo.xml")));
        const QString launched =
            QRegularExpression(QStringLiteral("<launchable type=\"desktop-id\">([^<]+)</launchable>"))
                .match(xml)
                .captured(1);
        QVERIFY(QFileInfo(at(QStringLiteral("share/applications/") + launched)).isFile());
    }

    // The entry starts the installed program with its installed icon, and
    // offers it for exactly the picture types it opens: a type is listed when
    // one of its file name patterns names a file the program opens.
    void theDesktopEntryListsEveryTypeTheProgramOpens() {
        const QString entry = readText(at(QStringLiteral("share/applications/jollix.desktop")));
        QCOMPARE(desktopValue(entry, QStringLiteral("Exec")), QStringLiteral("jollix %f"));
        const QString icon = desktopValue(entry, QStringLiteral("Icon"));
        QVERIFY(QFileInfo(at(QStringLiteral("share/icons/hicolor/scalable/apps/") + icon + QStringLiteral(".svg")))
                    .isFile());

        auto opens = [](const QMimeType& type) {
            for (const QString& glob : type.globPatterns())
                if (glob.startsWith(QStringLiteral("*.")) &&
                    formatForName(QStringLiteral("x").append(glob.mid(1)).toStdString()) != PictureFormat::Unknown)
                    return true;
            return false;
        };
        QMimeDatabase db;
        QSet<QString> listed;
        for (const QString& t :
             desktopValue(entry, QStringLiteral("MimeType")).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QMimeType type = db.mimeTypeForName(t);
            QVERIFY2(type.isValid() && opens(type), qPrintable(t + " is listed but not opened"));
            listed << type.name();
        }
        int opened = 0;
        // Picture types only: a video named *.mjpeg would open as a JPEG by
        // its name's last four characters, but is no picture.
        for (const QMimeType& type : db.allMimeTypes())
            if (type.name().startsWith(QStringLiteral("image/")) && opens(type)) {
                QVERIFY2(listed.contains(type.name()), qPrintable(type.name() + " is opened but not listed"));
                ++opened;
            }
        QVERIFY(opened >= 6);
    }

    void theManPagesRenderWithoutWarnings_data() {
        QTest::addColumn<QString>("page");
        QTest::newRow("jollix") << "jollix";
        QTest::newRow("jollix-batch") << "jollix-batch";
    }
    void theManPagesRenderWithoutWarnings() {
        QFETCH(QString, page);
        const Run r = run(QStringLiteral("man"),
                          {QStringLiteral("--warnings"), QStringLiteral("-l"),
                           at(QStringLiteral("share/man/man1/%1.1.gz").arg(page))},
                          {QStringLiteral("MANWIDTH=80"), QStringLiteral("LC_ALL=C.UTF-8"),
                           QStringLiteral("MANPAGER=cat"), QStringLiteral("PAGER=cat")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QVERIFY2(r.err.trimmed().isEmpty(), qPrintable(r.err));
        for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "EXAMPLES"})
            QVERIFY2(r.out.contains(QLatin1String("\n") + QLatin1String(section) + QLatin1String("\n")), section);
    }

    void theBatchManPageNamesEveryStepAndOption() {
        const QString page = roffWords(readText(at(QStringLiteral("share/man/man1/jollix-batch.1.gz"))));
        const QStringList words = batchWords();
        // The help text's own layout still reads as expected.
        for (const char* known : {"zoom=", "expand@", "smear@", "pen-sketch", "resize@", "renew"})
            QVERIFY2(words.contains(QString::fromUtf8(known)), known);
        for (const QString& word : words) QVERIFY2(page.contains(word), qPrintable(word + " is not in jollix-batch.1"));
    }

    // Every key of the command table and every menu's Alt key is named on
    // the page, on a row that also names what the key does.
    void theHelpPageNamesEveryShortcut() {
        const QString html = readText(at(QStringLiteral("share/jollix/help/index.html")));
        QVERIFY(!html.isEmpty());
        // The table rows: what follows each "<tr>" up to its "</tr>".
        QStringList rows = html.split(QStringLiteral("<tr>"));
        rows.removeFirst();
        for (QString& row : rows) row = row.section(QStringLiteral("</tr>"), 0, 0);
        auto rowOf = [&](const QString& key) {
            const QString kbd = QStringLiteral("<kbd>") + key.toHtmlEscaped() + QStringLiteral("</kbd>");
            for (const QString& row : rows)
                if (row.contains(kbd)) return row;
            return QString();
        };
        int keys = 0;
        for (const CommandRow& command : commandTable())
            for (const QKeySequence& k : keysOf(command)) {
                const QString key = k.toString(QKeySequence::PortableText);
                const QString row = rowOf(key);
                QVERIFY2(!row.isEmpty(), qPrintable(key + " is not on the help page"));
                QVERIFY2(row.contains(QString::fromUtf8(command.name)),
                         qPrintable(key + " is not beside \"" + command.name + "\" on the help page"));
                ++keys;
            }
        QVERIFY(keys >= 15);
        for (const MenuRow& menu : menuTable()) {
            const QString title = QString::fromUtf8(menu.title);
            const qsizetype amp = title.indexOf(QLatin1Char('&'));
            QVERIFY(amp >= 0);
            const QString key = QStringLiteral("Alt+") + title.at(amp + 1).toUpper();
            QVERIFY2(!rowOf(key).isEmpty(), qPrintable(key + " is not on the help page"));
        }
    }

    // The page and the man page say where the mail command leaves the
    // picture, with the program's name as jollix sets it.
    void thePagesSayWhereTheMailPictureGoes() {
        const QString before = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(QStringLiteral("Jollix"));
        qunsetenv("XDG_CACHE_HOME");
        const QString path = mailWorkPath();
        QCoreApplication::setApplicationName(before);
        QCOMPARE(path, QDir::homePath() + QStringLiteral("/.cache/Jollix/mywork.jpg"));
        const QString said = QStringLiteral("~/.cache/Jollix/mywork.jpg");
        QVERIFY(readText(at(QStringLiteral("share/jollix/help/index.html"))).contains(said));
        QVERIFY(roffWords(readText(at(QStringLiteral("share/man/man1/jollix.1.gz")))).contains(said));
    }

    // The icon files are the window's icon: the same picture, rendered by
    // another renderer, so equal up to the smoothing of edges (which at 16
    // pixels is most of the picture, so that size is left out).
    void theIconFilesShowTheWindowIcon_data() {
        QTest::addColumn<int>("size");
        for (int size : {32, 48, 128, 256}) QTest::newRow(qPrintable(QString::number(size))) << size;
    }
    void theIconFilesShowTheWindowIcon() {
        QFETCH(int, size);
        const QImage file(at(QStringLiteral("share/icons/hicolor/%1x%1/apps/jollix.png").arg(size)));
        QCOMPARE(file.size(), QSize(size, size));
        const QImage shown = icons::program().pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.size(), QSize(size, size));
        const QImage a = file.convertToFormat(QImage::Format_ARGB32);
        double sum = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb p = a.pixel(x, y), q = shown.pixel(x, y);
                sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) +
                       std::abs(qAlpha(p) - qAlpha(q));
            }
        const double mean = sum / (4.0 * size * size);
        QVERIFY2(mean < 4.0, qPrintable(QStringLiteral("mean difference %1").arg(mean)));
    }
};

QTEST_MAIN(InstalledTreeTest)
#include "installed_tree_test.moc"
