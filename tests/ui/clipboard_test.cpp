// Copy and paste through the real clipboard (offscreen platform).
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QtTest>

#include "core/picture.h"
#include "editor/editor.h"
#include "ui/clipboard.h"

using namespace jollix;

namespace {

Picture patterned(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y, uint32_t((x * 7) & 255) | uint32_t((y * 13) & 255) << 8 | uint32_t((x ^ y) & 255) << 16);
    return p;
}

// A zone drag at 100 % from view point (x0, y0) to (x1, y1).
void dragZone(Editor& e, int x0, int y0, int x1, int y1) {
    e.mouseDown(MouseButton::Left, HeldButtons{true, false}, x0, y0);
    e.mouseMove(HeldButtons{true, false}, x1, y1);
    e.mouseUp(MouseButton::Left, x1, y1);
}

}  // namespace

class ClipboardTest : public QObject {
    Q_OBJECT
private slots:
    void aPictureGoesOnTheClipboardAndComesBackUnchanged() {
        const Picture p = patterned(131, 67);
        putPictureOnClipboard(p);
        const QImage onClipboard = QGuiApplication::clipboard()->image();
        QCOMPARE(onClipboard.size(), QSize(131, 67));
        QCOMPARE(onClipboard.depth(), 24);
        QCOMPARE(onClipboard.pixelColor(5, 3), QColor((5 * 7) & 255, (3 * 13) & 255, 5 ^ 3));
        const std::optional<Picture> back = pictureFromClipboard();
        QVERIFY(back.has_value());
        QVERIFY(*back == p);
    }

    void anyPictureIsPastedAsTwentyFourBits() {
        QImage argb(3, 2, QImage::Format_ARGB32);
        argb.fill(QColor(255, 0, 0, 255));
        argb.setPixelColor(1, 1, QColor(0, 0, 0, 0));  // transparent: white
        QGuiApplication::clipboard()->setImage(argb);
        const std::optional<Picture> p = pictureFromClipboard();
        QVERIFY(p.has_value());
        QCOMPARE(p->width(), 3);
        QCOMPARE(p->height(), 2);
        QCOMPARE(p->pixel(0, 0), 0x0000FFu);  // red, 0x00BBGGRR
        QCOMPARE(p->pixel(1, 1), 0xFFFFFFu);

        QImage indexed(4, 4, QImage::Format_Indexed8);
        indexed.setColorTable({qRgb(0, 0, 255), qRgb(0, 255, 0)});
        indexed.fill(1);
        QGuiApplication::clipboard()->setImage(indexed);
        const std::optional<Picture> q = pictureFromClipboard();
        QVERIFY(q.has_value());
        QCOMPARE(q->pixel(2, 2), 0x00FF00u);
    }

    void textOrNothingOnTheClipboardIsNoPicture() {
        QGuiApplication::clipboard()->setText(QStringLiteral("hello"));
        QVERIFY(!pictureFromClipboard().has_value());
        QGuiApplication::clipboard()->clear();
        QVERIFY(!pictureFromClipboard().has_value());
    }

    void copyThenPasteTheZone() {
        Editor editor(patterned(200, 120));
        editor.toggleZoneMode();
        dragZone(editor, 10, 20, 110, 70);
        QVERIFY(editor.copyEnabled());
        const std::optional<Picture> zone = editor.copyZone();
        QVERIFY(zone.has_value());
        putPictureOnClipboard(*zone);

        // Ctrl+V: the clipboard's picture becomes the picture; zone mode ends
        // and the history holds only it.
        const Picture before = editor.picture();
        QVERIFY(editor.paste(pictureFromClipboard()));
        const Picture& pasted = editor.picture();
        QCOMPARE(pasted.width(), 99);
        QCOMPARE(pasted.height(), 49);
        QCOMPARE(pasted.pixel(0, 0), before.pixel(11, 21));
        QCOMPARE(pasted.pixel(98, 48), before.pixel(109, 69));
        QVERIFY(!editor.state().selectionShown);
        QVERIFY(!editor.history().undoEnabled());
        QCOMPARE(editor.controlWidth(), 99);
        QCOMPARE(editor.controlHeight(), 49);
    }

    void ctrlVWithTextOnTheClipboardChangesNothing() {
        Editor editor(patterned(50, 40));
        // One recorded step, so that Undo is enabled.
        editor.mouseDown(MouseButton::Left, HeldButtons{true, false}, 25, 20);
        editor.click();
        editor.mouseUp(MouseButton::Left, 25, 20);
        QVERIFY(editor.history().undoEnabled());
        editor.toggleZoneMode();
        const Picture before = editor.picture();

        QGuiApplication::clipboard()->setText(QStringLiteral("not a picture"));
        const std::optional<Picture> clip = pictureFromClipboard();
        QVERIFY(!clip.has_value());
        QVERIFY(!editor.paste(clip));
        QVERIFY(editor.picture() == before);
        QVERIFY(editor.history().undoEnabled());
        QVERIFY(editor.state().selectionShown);
    }
};

QTEST_MAIN(ClipboardTest)
#include "clipboard_test.moc"
