// Pictures dropped on the main window or the work area, and the file
// dialogs' preview of photos stored sideways.
#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMessageBox>
#include <QMimeData>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUrl>

#include "io/formats.h"
#include "io/picture_files.h"
#include "io/qimage_picture.h"
#include "window_test_util.h"

using namespace jollix;
using namespace jollix::testing;

namespace {

QString testData(const char* name) { return QStringLiteral(JOLLIX_TEST_DATA "/") + QString::fromUtf8(name); }

// Upright, the orientation pictures show red at the top left and green at
// the top right.
bool upright(const QImage& image) {
    const QRgb tl = image.pixel(0, 0), tr = image.pixel(image.width() - 1, 0);
    return image.width() > image.height() && qRed(tl) > 200 && qGreen(tl) < 60 && qGreen(tr) > 200 && qRed(tr) < 60;
}

}  // namespace

class DropTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Program> p;
    QTemporaryDir dir;

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    QWidget* target(const QString& where) const {
        if (where == QLatin1String("picture")) return p->image();
        if (where == QLatin1String("work area")) return p->area();
        return p->form->findChild<QMdiArea*>();
    }

    // A drag entering the widget and dropped on it, as the windowing system
    // sends them; then the event loop runs the opening.
    void drop(QWidget* on, QMimeData* data) {
        const QPoint at = on->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &dropped);
        QVERIFY(dropped.isAccepted());
        QTest::qWait(50);
    }

    static QMimeData* files(const QStringList& names) {
        auto* d = new QMimeData;
        QList<QUrl> urls;
        for (const QString& n : names) urls << (n.contains(QLatin1String("://")) ? QUrl(n) : QUrl::fromLocalFile(n));
        d->setUrls(urls);
        return d;
    }

private slots:
    void init() {
        QVERIFY(dir.isValid());
        p = std::make_unique<Program>(patterned(605, 469));
        QVERIFY(QTest::qWaitForWindowExposed(p->form.get()));
        savePictureFile(patterned(40, 30), path("first.bmp").toStdString(), SaveFormat::Bmp);
        savePictureFile(patterned(50, 20), path("second.png").toStdString(), SaveFormat::Png);
        writePictureFile(patterned(50, 20), path("download").toStdString(), SaveFormat::Png);
        QFile notes(path("notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not a picture");
    }
    void cleanup() { p.reset(); }

    void aDroppedPictureOpens_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<int>("openedWidth");  // 0: nothing opens
        const QStringList places{"picture", "work area", "main window"};
        for (const QString& where : places) {
            const QByteArray w = where.toUtf8();
            QTest::newRow(w + ": one picture") << where << QStringList{"first.bmp"} << 40;
            QTest::newRow(w + ": the first picture of several")
                << where << QStringList{"second.png", "first.bmp"} << 50;
        }
        QTest::newRow("a text file first") << "picture" << QStringList{"notes.txt", "first.bmp"} << 40;
        QTest::newRow("only a text file") << "picture" << QStringList{"notes.txt"} << 0;
        // A picture whose name does not tell its type is known by its content.
        QTest::newRow("a picture without an extension") << "picture" << QStringList{"notes.txt", "download"} << 50;
        QTest::newRow("a web address") << "picture" << QStringList{"https://jollix.example/a.jpg"} << 0;
        QTest::newRow("a file that does not exist") << "picture" << QStringList{"gone.jpg"} << 0;
    }
    void aDroppedPictureOpens() {
        QFETCH(QString, where);
        QFETCH(QStringList, dropped);
        QFETCH(int, openedWidth);
        p->form->zoomOut();
        QStringList full;
        for (const QString& d : dropped) full << (d.contains(QLatin1String("://")) ? d : path(d.toUtf8().constData()));
        std::unique_ptr<QMimeData> data(files(full));
        drop(target(where), data.get());
        if (openedWidth == 0) {
            QVERIFY(p->editor->picture() == patterned(605, 469));
            const bool missing = dropped.constFirst() == QLatin1String("gone.jpg");
            // A picture name that cannot be read is reported as Open reports it.
            QCOMPARE(p->errors.size(), missing ? 1 : 0);
            if (!missing) QVERIFY(p->form->statusBar()->currentMessage().contains(QStringLiteral("Nothing to open")));
            return;
        }
        QVERIFY(p->errors.isEmpty());
        QCOMPARE(p->editor->picture().width(), openedWidth);
        // As Open: the history starts again, the zoom stays.
        QCOMPARE(p->editor->history().undoDepth(), 0);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("80.0%"));
        QVERIFY(p->form->statusBar()->currentMessage().isEmpty());
    }

    void textDroppedSaysSoOnTheStatusBar() {
        QMimeData text;
        text.setText(QStringLiteral("hello"));
        drop(p->image(), &text);
        QVERIFY(p->editor->picture() == patterned(605, 469));
        const QString message = p->form->statusBar()->currentMessage();
        QVERIFY(message.contains(QStringLiteral("Nothing to open")));
        // It names every format the program opens.
        for (const FileFormat& f : fileFormats()) QVERIFY2(message.contains(QLatin1String(f.name)), f.name);
    }

    void aDropOverUnsavedChangesAsksFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opened");
        QTest::newRow("cancel keeps the work") << int(QMessageBox::Cancel) << false;
        QTest::newRow("discard") << int(QMessageBox::Discard) << true;
    }
    void aDropOverUnsavedChangesAsksFirst() {
        QFETCH(int, answer);
        QFETCH(bool, opened);
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        QVERIFY(p->editor->isModified());
        const Picture edited = p->editor->picture();
        QString question;
        whenModal<QMessageBox>(this, [&, answer](QMessageBox* box) {
            question = box->text();
            box->button(QMessageBox::StandardButton(answer))->click();
        });
        std::unique_ptr<QMimeData> data(files({path("first.bmp")}));
        drop(p->image(), data.get());
        QTRY_VERIFY(!question.isEmpty());
        QVERIFY(question.contains(QStringLiteral("not been saved")));
        if (opened) {
            QTRY_COMPARE(p->editor->picture().width(), 40);
        } else {
            QTest::qWait(50);
            QVERIFY(p->editor->picture() == edited);
            QVERIFY(p->editor->isModified());
        }
    }

    void aSidewaysPhotoDroppedOpensUpright() {
        std::unique_ptr<QMimeData> data(files({testData("orientation/jpeg-6.jpg")}));
        drop(p->image(), data.get());
        QVERIFY(p->errors.isEmpty());
        QVERIFY(upright(qimageFromPicture(p->editor->picture())));
    }

    void thePreviewShowsSidewaysPhotosUpright_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("JPEG") << testData("orientation/jpeg-8.jpg");
        QTest::newRow("WebP") << testData("orientation/webp-6.webp");
        QTest::newRow("TIFF") << testData("orientation/tiff-5.tif");
    }
    void thePreviewShowsSidewaysPhotosUpright() {
        QFETCH(QString, file);
        QImage shown;
        QString size;
        whenModal<QFileDialog>(this, [&, file](QFileDialog* d) {
            // The cursor moves onto the file in the dialog's list.
            emit d->currentChanged(file);
            QWidget* preview = d->findChild<QWidget*>(QStringLiteral("preview"));
            for (QLabel* l : preview->findChildren<QLabel*>()) {
                if (!l->pixmap().isNull())
                    shown = l->pixmap().toImage();
                else if (!l->text().isEmpty())
                    size = l->text();
            }
            d->reject();
        });
        p->form->openPicture();
        QVERIFY(!shown.isNull());
        QVERIFY(upright(shown));
        QCOMPARE(size, QStringLiteral("24 x 16"));
    }
};

QTEST_MAIN(DropTest)
#include "drop_test.moc"
