// Fit to window and Copy picture: the zoom that shows the whole picture in
// the work area, reached through its menu item and its keys; the whole
// picture on the clipboard, beside the zone copy of Ctrl+C.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

#include "io/picture_files.h"
#include "io/qimage_picture.h"
#include "window_test_util.h"

using namespace jollix;
using namespace jollix::testing;

class FitAndCopyTest : public QObject {
    Q_OBJECT

private slots:
    void fitToWindowShowsTheWholePicture_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("how");
        QTest::newRow("6000 x 4000 photo, menu") << 6000 << 4000 << "menu";
        QTest::newRow("6000 x 4000 photo, keys") << 6000 << 4000 << "keys";
        QTest::newRow("tall strip, menu") << 300 << 9000 << "menu";
        QTest::newRow("small picture grows, keys") << 40 << 30 << "keys";
        QTest::newRow("one row of 60000, menu") << 60000 << 1 << "menu";
    }
    void fitToWindowShowsTheWholePicture() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QString, how);
        Program p(Picture(width, height));
        QVERIFY(QTest::qWaitForWindowExposed(p.form.get()));
        p.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(p.form.get()));
        if (how == "menu")
            p.form->commands.fitToWindow.menuItem->trigger();
        else
            QTest::keyClick(p.form.get(), Qt::Key_0, Qt::ControlModifier);
        QVERIFY(p.errors.isEmpty());
        const QSize room = p.area()->scrollArea()->maximumViewportSize();
        const QSize control = p.image()->size();
        const double zoom = p.editor->state().zoomPercent;
        QCOMPARE(p.form->zoomLabel()->text(), QString::asprintf("%.1f%%", zoom));
        QVERIFY(control.width() >= 1 && control.height() >= 1);
        if (width == 60000) {
            // Below one pixel of height the zoom stops at its bound; the
            // width still fits.
            QCOMPARE(control.height(), 1);
            return;
        }
        // The whole picture shows, with no scroll bar, and it fills the
        // room in one direction.
        QVERIFY2(control.width() <= room.width() && control.height() <= room.height(),
                 qPrintable(QStringLiteral("%1 x %2 in %3 x %4")
                                .arg(control.width())
                                .arg(control.height())
                                .arg(room.width())
                                .arg(room.height())));
        QVERIFY(control.width() >= room.width() - 1 || control.height() >= room.height() - 1);
        QTRY_VERIFY(!p.area()->scrollArea()->horizontalScrollBar()->isVisible() &&
                    !p.area()->scrollArea()->verticalScrollBar()->isVisible());
    }

    void openKeepsTheFittedZoom() {
        QTemporaryDir dir;
        Program p(Picture(6000, 4000));
        QVERIFY(QTest::qWaitForWindowExposed(p.form.get()));
        p.form->fitToWindow();
        const double fitted = p.editor->state().zoomPercent;
        QVERIFY(fitted < 20.0);
        const QString file = dir.filePath(QStringLiteral("small.bmp"));
        savePictureFile(patterned(300, 200), file.toStdString(), SaveFormat::Bmp);
        QVERIFY(p.form->openFile(file));
        QCOMPARE(p.editor->state().zoomPercent, fitted);
    }

    void copyPictureCopiesTheWholePicture_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("menu") << "menu";
        QTest::newRow("keys") << "keys";
    }
    void copyPictureCopiesTheWholePicture() {
        QFETCH(QString, how);
        const Picture photo = patterned(123, 77);
        Program p(photo);
        QVERIFY(QTest::qWaitForWindowExposed(p.form.get()));
        QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
        // No zone: Ctrl+C stays disabled, Copy picture works.
        QVERIFY(!p.form->commands.copy.shortcut->isEnabled());
        QVERIFY(!p.form->commands.copy.menuItem->isEnabled());
        p.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(p.form.get()));
        if (how == "menu")
            p.form->commands.copyPicture.menuItem->trigger();
        else
            QTest::keyClick(p.form.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(p.errors.isEmpty());
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(123, 77));
        QVERIFY(pictureFromQImage(copied) == photo);
        QVERIFY(!p.form->commands.copy.shortcut->isEnabled());
        // Nothing else changed.
        QVERIFY(p.editor->picture() == photo);
        QVERIFY(!p.editor->isModified());
    }

    // Ctrl+C keeps its zone: the menu item "Copy" follows the key's state
    // and copies only the zone.
    void copyKeepsItsZone() {
        Program p(patterned(200, 150));
        QVERIFY(QTest::qWaitForWindowExposed(p.form.get()));
        p.form->selectZone();
        send(p.image(), QEvent::MouseButtonPress, QPoint(10, 20), Qt::LeftButton, Qt::LeftButton);
        send(p.image(), QEvent::MouseMove, QPoint(60, 50), Qt::NoButton, Qt::LeftButton);
        send(p.image(), QEvent::MouseButtonRelease, QPoint(60, 50), Qt::LeftButton, Qt::NoButton);
        QVERIFY(p.form->commands.copy.shortcut->isEnabled());
        QVERIFY(p.form->commands.copy.menuItem->isEnabled());
        p.form->commands.copy.menuItem->trigger();
        const QImage zone = QGuiApplication::clipboard()->image();
        QVERIFY(zone.width() < 200 && zone.height() < 150);
        QVERIFY(zone.width() >= 40 && zone.height() >= 20);
        p.form->commands.copyPicture.shortcut->trigger();
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(200, 150));
    }
};

QTEST_MAIN(FitAndCopyTest)
#include "fit_and_copy_test.moc"
