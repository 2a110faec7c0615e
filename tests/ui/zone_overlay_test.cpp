// The zone frame as it is painted over the picture: single white and black
// points in the dash pattern, at view = window + scroll.
#include <QImage>
#include <QPainter>
#include <QtTest>
#include <set>

#include "core/zone_frame.h"
#include "editor/editor.h"
#include "ui/zone_overlay.h"

using namespace jollix;

namespace {

const QRgb kGrey = qRgb(128, 128, 128);

QImage paintedFrame(const ZoneFrameCorners& f, uint8_t phase, int sx, int sy) {
    QImage img(220, 160, QImage::Format_RGB32);
    img.fill(kGrey);
    QPainter painter(&img);
    paintZoneFrame(painter, f, phase, sx, sy);
    painter.end();
    return img;
}

// Every frame point is painted in its colour, and nothing else is touched.
void checkPainted(const QImage& img, const ZoneFrameCorners& f, uint8_t phase, int sx, int sy) {
    std::set<std::pair<int, int>> points;
    for (const FramePoint& p : zoneFramePoints(f, phase)) {
        const int x = p.x + sx, y = p.y + sy;
        points.insert({x, y});
        QCOMPARE(img.pixel(x, y), p.white ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    }
    int changed = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) changed += img.pixel(x, y) != kGrey;
    QCOMPARE(changed, int(points.size()));
}

}  // namespace

class ZoneOverlayTest : public QObject {
    Q_OBJECT
private slots:
    void framePointsArePaintedAsSinglePixels() {
        const ZoneFrameCorners f{10, 20, 110, 70};
        const QImage img = paintedFrame(f, 128, 0, 0);
        checkPainted(img, f, 128, 0, 0);
        // Along the top edge from the drag start: five black, three white.
        const QString expected = "BBBBBWWWBBBBBWWW";
        QString seen;
        for (int x = 10; x < 26; ++x) seen += img.pixel(x, 20) == qRgb(0, 0, 0) ? 'B' : 'W';
        QCOMPARE(seen, expected);
    }

    void scrollPositionsShiftTheFrameIntoViewCoordinates() {
        const ZoneFrameCorners f{60, 50, 5, 8};  // dragged up and to the left
        const QImage img = paintedFrame(f, 32, 30, 40);
        checkPainted(img, f, 32, 30, 40);
        QVERIFY(img.pixel(5, 8) == kGrey);
        QVERIFY(img.pixel(90, 90) != kGrey);  // the drag start (60, 50) + (30, 40)
    }

    void theEditorsFrameMarchesWithTheTimer() {
        Editor editor(Picture(300, 200, 0x808080));
        editor.toggleZoneMode();
        editor.mouseDown(MouseButton::Left, HeldButtons{true, false}, 10, 20);
        editor.mouseMove(HeldButtons{true, false}, 110, 70);
        editor.mouseUp(MouseButton::Left, 110, 70);
        QCOMPARE(editor.zoneFrame().Left, 10);
        QCOMPARE(editor.zoneFrame().Bottom, 70);

        QString rows[2];
        for (int tick = 0; tick < 2; ++tick) {
            QImage img(220, 160, QImage::Format_RGB32);
            img.fill(kGrey);
            QPainter painter(&img);
            paintZoneFrame(painter, editor, 0, 0);
            painter.end();
            checkPainted(img, editor.zoneFrame(), editor.state().dashPhase, 0, 0);
            for (int x = 10; x < 26; ++x) rows[tick] += img.pixel(x, 20) == qRgb(0, 0, 0) ? 'B' : 'W';
            editor.frameTick();
        }
        QCOMPARE(rows[0], QStringLiteral("BBBBBWWWBBBBBWWW"));
        QCOMPARE(rows[1], QStringLiteral("WWBBBBBWWWBBBBBW"));  // two points on

        // Leaving zone mode clears the frame: nothing is painted.
        editor.toggleZoneMode();
        QImage img(220, 160, QImage::Format_RGB32);
        img.fill(kGrey);
        QPainter painter(&img);
        paintZoneFrame(painter, editor, 0, 0);
        painter.end();
        QCOMPARE(img.pixel(10, 20), kGrey);
        QCOMPARE(img.pixel(110, 70), kGrey);
    }

    void theRepaintBandCoversTheFrameAndOnePixelAround() {
        const ZoneFrameCorners f{110, 70, 10, 20};
        const QRect band = zoneFrameBand(f, 5, 7);
        QCOMPARE(band, QRect(QPoint(14, 26), QPoint(116, 78)));
        QVERIFY(zoneFrameBand(ZoneFrameCorners{}, 5, 7).isEmpty());
        QVERIFY(zoneFrameBand(ZoneFrameCorners{3, 3, 3, 3}, 0, 0).isEmpty());

        const QRegion ring = zoneFrameRing(f, 5, 7);
        for (const FramePoint& p : zoneFramePoints(f, 128)) QVERIFY(ring.contains(QPoint(p.x + 5, p.y + 7)));
        QVERIFY(ring.contains(QPoint(14, 26)));
        QVERIFY(ring.contains(QPoint(116, 78)));
        QVERIFY(!ring.contains(QPoint(16, 28)));  // just inside the frame lines
        QVERIFY(!ring.contains(QPoint(60, 50)));
        QVERIFY(!ring.contains(QPoint(117, 50)));
        // A thin frame has no inside to leave out.
        QCOMPARE(zoneFrameRing(ZoneFrameCorners{10, 10, 11, 40}, 0, 0), QRegion(QRect(QPoint(9, 9), QPoint(12, 41))));
    }
};

QTEST_MAIN(ZoneOverlayTest)
#include "zone_overlay_test.moc"
