#include "ui/zone_overlay.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "editor/editor.h"

namespace jollix {

void paintZoneFrame(QPainter& painter, const ZoneFrameCorners& frame, uint8_t dashPhase, int scrollX, int scrollY) {
    if (!frame.hasArea()) return;
    const std::vector<FramePoint> points = zoneFramePoints(frame, dashPhase);
    QPolygon white, black;
    white.reserve(int(points.size()));
    black.reserve(int(points.size()));
    for (const FramePoint& p : points) (p.white ? white : black) << QPoint(p.x + scrollX, p.y + scrollY);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    // A cosmetic pen of width 1 sets exactly one pixel per point.
    QPen pen(Qt::black, 1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    painter.drawPoints(black);
    pen.setColor(Qt::white);
    painter.setPen(pen);
    painter.drawPoints(white);
    painter.restore();
}

void paintZoneFrame(QPainter& painter, const Editor& editor, int scrollX, int scrollY) {
    paintZoneFrame(painter, editor.zoneFrame(), editor.state().dashPhase, scrollX, scrollY);
}

QRect zoneFrameBand(const ZoneFrameCorners& frame, int scrollX, int scrollY) {
    if (!frame.hasArea()) return QRect();
    const int left = std::min(frame.Left, frame.Right) + scrollX;
    const int right = std::max(frame.Left, frame.Right) + scrollX;
    const int top = std::min(frame.Top, frame.Bottom) + scrollY;
    const int bottom = std::max(frame.Top, frame.Bottom) + scrollY;
    return QRect(QPoint(left - 1, top - 1), QPoint(right + 1, bottom + 1));
}

QRegion zoneFrameRing(const ZoneFrameCorners& frame, int scrollX, int scrollY) {
    const QRect band = zoneFrameBand(frame, scrollX, scrollY);
    if (band.isEmpty()) return QRegion();
    // The inside: the pixels strictly within the frame lines.
    const QRect inside = band.adjusted(2, 2, -2, -2);
    QRegion ring(band);
    if (inside.isValid()) ring -= inside;
    return ring;
}

}  // namespace jollix
