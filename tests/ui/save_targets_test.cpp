// The window's Save into what is not a regular file: a pipe and a device
// (through a link) are written into and stay what they are.
#include <QAbstractButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "io/picture_files.h"
#include "window_test_util.h"

using namespace jollix;
using namespace jollix::testing;

namespace {

// Reads a pipe to its end on another thread.
std::future<std::string> readPipe(const std::string& path) {
    return std::async(std::launch::async, [path] {
        std::string got;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return got;
        char buffer[65536];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) got.append(buffer, size_t(n));
        ::close(fd);
        return got;
    });
}

}  // namespace

class SaveTargetsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Program> p;
    QTemporaryDir dir;

    // Saves through the dialog as BMP under `typed`, answering Replace.
    void saveAs(const QString& typed) {
        whenModal<QFileDialog>(this, [this, typed](QFileDialog* d) {
            whenModal<QMessageBox>(this, [](QMessageBox* box) {
                for (QAbstractButton* b : box->buttons())
                    if (b->text().remove(QLatin1Char('&')) == QLatin1String("Replace")) b->click();
            });
            d->selectNameFilter(d->nameFilters().at(1));  // BMP
            d->selectFile(typed);
            static_cast<QDialog*>(d)->accept();
        });
        p->form->savePicture();
    }

private slots:
    void init() {
        p = std::make_unique<Program>();
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        QVERIFY(p->editor->isModified());
    }
    void cleanup() { p.reset(); }

    void aPipeReceivesThePicture_data() {
        QTest::addColumn<bool>("throughLink");
        QTest::newRow("the pipe itself") << false;
        QTest::newRow("through a link") << true;
    }
    void aPipeReceivesThePicture() {
        QFETCH(bool, throughLink);
        const QString pipe = dir.filePath(QStringLiteral("pipe.bmp"));
        QFile::remove(pipe);
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        QString typed = pipe;
        if (throughLink) {
            typed = dir.filePath(QStringLiteral("link.bmp"));
            QFile::remove(typed);
            QVERIFY(QFile::link(pipe, typed));
        }
        std::future<std::string> reader = readPipe(QFile::encodeName(pipe).toStdString());
        saveAs(typed);
        QVERIFY2(p->errors.isEmpty(), qPrintable(p->errors.join(QLatin1Char('\n'))));
        QCOMPARE(reader.get(), encodeBmp(p->editor->picture()));
        QVERIFY(QFileInfo(pipe).exists());
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(pipe).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        if (throughLink) QVERIFY(QFileInfo(typed).isSymLink());
        QVERIFY(!p->editor->isModified());
    }

    void aDeviceStaysADevice() {
        // A null device made here when the test may (as root), else the
        // system's, through a link named like a picture.
        QString device = QStringLiteral("/dev/null");
        const QString made = dir.filePath(QStringLiteral("null-device"));
        if (::geteuid() == 0 && ::mknod(QFile::encodeName(made).constData(), S_IFCHR | 0666, ::makedev(1, 3)) == 0)
            device = made;
        struct stat before {
        }, after{};
        QVERIFY(::stat(QFile::encodeName(device).constData(), &before) == 0 && S_ISCHR(before.st_mode));
        const QString link = dir.filePath(QStringLiteral("null.bmp"));
        QVERIFY(QFile::link(device, link));
        saveAs(link);
        QVERIFY2(p->errors.isEmpty(), qPrintable(p->errors.join(QLatin1Char('\n'))));
        QVERIFY(::stat(QFile::encodeName(device).constData(), &after) == 0);
        QVERIFY(S_ISCHR(after.st_mode));
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_rdev, before.st_rdev);
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(!p->editor->isModified());
    }
};

QTEST_MAIN(SaveTargetsTest)
#include "save_targets_test.moc"
