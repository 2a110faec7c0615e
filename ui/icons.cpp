#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSvgRenderer>
#include <QtMath>
#include <functional>

// The program icon's SVG is compiled into the library; a static library's
// resources must be registered by hand.
static void initProgramIconResource() { Q_INIT_RESOURCE(program_icon); }

namespace jollix::icons {

namespace {

using Draw = std::function<void(QPainter&)>;

// Every picture is drawn on a 16 x 16 grid and rendered at one and two
// times that size.
QPixmap render(const Draw& draw, int grid, int pixels) {
    QPixmap pm(pixels, pixels);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(pixels) / grid, qreal(pixels) / grid);
    draw(p);
    return pm;
}

QIcon make(const Draw& normal, const Draw& disabled = {}) {
    QIcon icon;
    for (int px : {16, 32}) {
        icon.addPixmap(render(normal, 16, px), QIcon::Normal);
        if (disabled) icon.addPixmap(render(disabled, 16, px), QIcon::Disabled);
    }
    return icon;
}

QPen pen(const QColor& c, qreal w = 1.2) {
    QPen p(c, w);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

const QColor kInk(40, 40, 40);
const QColor kBlue(30, 90, 200);
const QColor kGreen(30, 150, 60);
const QColor kRed(200, 40, 40);
const QColor kYellow(240, 200, 60);
const QColor kGreyInk(150, 150, 150);
const QColor kGreyLight(255, 255, 255);

// A curved arrow bending to the left (mirrored: to the right).
void curvedArrow(QPainter& p, bool mirrored, const QColor& c) {
    p.save();
    if (mirrored) {
        p.translate(16, 0);
        p.scale(-1, 1);
    }
    QPainterPath path;
    path.moveTo(13.5, 12.5);
    path.cubicTo(13.5, 5.5, 7.0, 4.0, 4.0, 7.5);
    p.setPen(pen(c, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    QPolygonF head;
    head << QPointF(1.5, 4.0) << QPointF(6.5, 5.0) << QPointF(3.0, 10.0);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(head);
    p.restore();
}

// The usual look of a disabled picture: a white shadow under a grey drawing.
Draw embossed(const std::function<void(QPainter&, const QColor&)>& shape) {
    return [shape](QPainter& p) {
        p.save();
        p.translate(0.8, 0.8);
        shape(p, kGreyLight);
        p.restore();
        shape(p, kGreyInk);
    };
}

void magnifier(QPainter& p, bool plus) {
    p.setPen(pen(kInk, 1.4));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 4.8, 4.8);
    p.setPen(pen(QColor(120, 80, 30), 2.6));
    p.drawLine(QPointF(10.2, 10.2), QPointF(14.5, 14.5));
    p.setPen(pen(kInk, 1.5));
    p.drawLine(QPointF(4.0, 6.5), QPointF(9.0, 6.5));
    if (plus) p.drawLine(QPointF(6.5, 4.0), QPointF(6.5, 9.0));
}

void scissors(QPainter& p, const QColor& c) {
    p.setPen(pen(c, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(4.5, 1.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(11.5, 1.5), QPointF(5.5, 10.5));
    p.drawEllipse(QPointF(4.0, 12.5), 2.3, 2.3);
    p.drawEllipse(QPointF(12.0, 12.5), 2.3, 2.3);
}

void twistArrow(QPainter& p, bool clockwise) {
    p.save();
    if (!clockwise) {
        p.translate(16, 0);
        p.scale(-1, 1);
    }
    QPainterPath spiral;
    const QPointF c(8, 8);
    for (int i = 0; i <= 40; ++i) {
        const qreal t = i / 40.0;
        const qreal a = -M_PI / 2 + t * 2.0 * M_PI * 1.25;
        const qreal r = 1.0 + 5.5 * t;
        const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            spiral.moveTo(pt);
        else
            spiral.lineTo(pt);
    }
    p.setPen(pen(kBlue, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(spiral);
    // The arrow head at the outer end, pointing along the turn.
    const qreal a = -M_PI / 2 + 2.0 * M_PI * 1.25;
    const QPointF tip(c.x() + 6.5 * std::cos(a), c.y() + 6.5 * std::sin(a));
    QPolygonF head;
    head << tip + QPointF(1.5, 2.5) << tip + QPointF(-2.0, 2.5) << tip + QPointF(0, -1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(head);
    p.restore();
}

void radialArrows(QPainter& p, bool outward) {
    p.setPen(pen(kInk, 1.0));
    p.setBrush(QColor(255, 230, 150));
    p.drawEllipse(QPointF(8, 8), 3.2, 3.2);
    p.setPen(pen(kRed, 1.4));
    for (int k = 0; k < 4; ++k) {
        p.save();
        p.translate(8, 8);
        p.rotate(45 + 90 * k);
        const qreal from = outward ? 4.2 : 7.5;
        const qreal to = outward ? 7.5 : 4.2;
        p.drawLine(QPointF(from, 0), QPointF(to, 0));
        const qreal back = outward ? -1.6 : 1.6;
        p.drawLine(QPointF(to, 0), QPointF(to + back, -1.4));
        p.drawLine(QPointF(to, 0), QPointF(to + back, 1.4));
        p.restore();
    }
}

}  // namespace

QIcon openPicture() {
    return make([](QPainter& p) {
        p.setPen(pen(QColor(150, 110, 20), 1.0));
        p.setBrush(QColor(220, 170, 50));
        p.drawRect(QRectF(1.5, 4.0, 11.0, 9.5));
        p.drawRect(QRectF(1.5, 2.5, 5.0, 2.0));
        QPolygonF flap;
        flap << QPointF(3.5, 7.0) << QPointF(15.0, 7.0) << QPointF(12.5, 13.5) << QPointF(1.5, 13.5);
        p.setBrush(kYellow);
        p.drawPolygon(flap);
    });
}

QIcon saveDraft() {
    return make([](QPainter& p) {
        p.setPen(pen(QColor(20, 40, 110), 1.0));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13.0, 13.0), 1.2, 1.2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.0, 1.5, 8.0, 5.0));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(4.0, 9.5, 8.0, 5.0));
        p.setBrush(kInk);
        p.drawRect(QRectF(9.5, 2.5, 1.5, 3.0));
    });
}

QIcon undo() {
    return make([](QPainter& p) { curvedArrow(p, false, kBlue); },
                embossed([](QPainter& p, const QColor& c) { curvedArrow(p, false, c); }));
}

QIcon redo() {
    return make([](QPainter& p) { curvedArrow(p, true, kBlue); },
                embossed([](QPainter& p, const QColor& c) { curvedArrow(p, true, c); }));
}

QIcon renew() {
    return make([](QPainter& p) {
        // A small photograph with a green circular arrow: back to the original.
        p.setPen(pen(kInk, 1.0));
        p.setBrush(QColor(170, 210, 250));
        p.drawRect(QRectF(1.5, 3.5, 9.0, 7.0));
        p.setBrush(kGreen.lighter(150));
        p.setPen(Qt::NoPen);
        QPolygonF hill;
        hill << QPointF(2, 10) << QPointF(5, 6.5) << QPointF(7.5, 9) << QPointF(10, 7.5) << QPointF(10, 10);
        p.drawPolygon(hill);
        p.setPen(pen(kGreen, 1.8));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(7.0, 7.0, 7.5, 7.5), 90 * 16, 270 * 16);
        QPolygonF head;
        head << QPointF(10.8, 5.2) << QPointF(13.8, 7.2) << QPointF(10.8, 9.2);
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawPolygon(head);
    });
}

QIcon zoomOut() {
    return make([](QPainter& p) { magnifier(p, false); });
}
QIcon zoomIn() {
    return make([](QPainter& p) { magnifier(p, true); });
}

QIcon selectZone() {
    return make([](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        QPen dash(kInk, 1);
        dash.setDashPattern({2, 2});
        p.setPen(dash);
        p.setBrush(Qt::NoBrush);
        p.drawRect(2, 3, 11, 9);
        p.setPen(QPen(kRed, 1));
        p.drawLine(12, 11, 15, 14);
        p.drawLine(12, 11, 12, 14);
        p.drawLine(12, 11, 15, 11);
    });
}

QIcon cutOut() {
    return make([](QPainter& p) { scissors(p, kRed); }, embossed([](QPainter& p, const QColor& c) { scissors(p, c); }));
}

QIcon printWork() {
    return make([](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.0, 1.5, 8.0, 5.0));
        p.setBrush(QColor(180, 180, 190));
        p.drawRoundedRect(QRectF(1.5, 6.0, 13.0, 6.0), 1.0, 1.0);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.0, 10.0, 8.0, 4.5));
        p.setPen(pen(kGreen, 1.0));
        p.drawPoint(QPointF(12.5, 8.0));
    });
}

QIcon mailWork() {
    return make([](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(QColor(250, 245, 225));
        p.drawRect(QRectF(1.5, 3.5, 13.0, 9.0));
        p.drawLine(QPointF(1.5, 3.5), QPointF(8.0, 9.0));
        p.drawLine(QPointF(14.5, 3.5), QPointF(8.0, 9.0));
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawRect(QRectF(11.0, 4.5, 2.5, 2.5));
    });
}

QIcon online() {
    return make([](QPainter& p) {
        p.setPen(pen(QColor(20, 70, 140), 1.0));
        p.setBrush(QColor(120, 180, 240));
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 8), 3.0, 6.5);
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(2.5, 4.8), QPointF(13.5, 4.8));
        p.drawLine(QPointF(2.5, 11.2), QPointF(13.5, 11.2));
    });
}

QIcon expand() {
    return make([](QPainter& p) { radialArrows(p, true); });
}
QIcon shrink() {
    return make([](QPainter& p) { radialArrows(p, false); });
}
QIcon dextrorotary() {
    return make([](QPainter& p) { twistArrow(p, true); });
}
QIcon levorotary() {
    return make([](QPainter& p) { twistArrow(p, false); });
}

QIcon smear() {
    return make([](QPainter& p) {
        QLinearGradient g(QPointF(1, 8), QPointF(15, 8));
        g.setColorAt(0, QColor(200, 40, 40, 40));
        g.setColorAt(1, QColor(200, 40, 40, 255));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        QPainterPath streak;
        streak.moveTo(1, 9);
        streak.cubicTo(5, 5, 9, 12, 12, 6.5);
        streak.lineTo(14.5, 8.5);
        streak.cubicTo(11, 15, 6, 9, 1, 11);
        streak.closeSubpath();
        p.drawPath(streak);
        p.setBrush(kRed);
        p.drawEllipse(QPointF(13.2, 7.5), 2.3, 2.3);
    });
}

QIcon penSketch() {
    return make([](QPainter& p) {
        p.setPen(pen(kInk, 1.0));
        p.setBrush(kInk);
        QPolygonF nib;
        nib << QPointF(2.0, 14.0) << QPointF(4.0, 8.5) << QPointF(10.5, 2.0) << QPointF(14.0, 5.5)
            << QPointF(7.5, 12.0);
        p.drawPolygon(nib);
        p.setPen(pen(Qt::white, 0.9));
        p.drawLine(QPointF(2.5, 13.5), QPointF(6.0, 10.0));
    });
}

QIcon pencilSketch() {
    return make([](QPainter& p) {
        p.save();
        p.translate(8, 8);
        p.rotate(-45);
        p.setPen(pen(kInk, 0.8));
        p.setBrush(kYellow);
        p.drawRect(QRectF(-4.0, -2.0, 9.5, 4.0));
        p.setBrush(QColor(240, 150, 160));
        p.drawRect(QRectF(5.5, -2.0, 2.0, 4.0));
        QPolygonF tip;
        tip << QPointF(-4.0, -2.0) << QPointF(-7.5, 0) << QPointF(-4.0, 2.0);
        p.setBrush(QColor(240, 220, 190));
        p.drawPolygon(tip);
        p.setBrush(kInk);
        QPolygonF lead;
        lead << QPointF(-6.2, -0.75) << QPointF(-7.5, 0) << QPointF(-6.2, 0.75);
        p.drawPolygon(lead);
        p.restore();
    });
}

QIcon clearUpSpot() {
    return make([](QPainter& p) {
        // Specks on paper, swept away by a star of cleaning.
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        for (const QPointF& s : {QPointF(3, 12), QPointF(5.5, 13.5), QPointF(2.5, 9.5)}) p.drawEllipse(s, 0.9, 0.9);
        p.setPen(pen(kBlue, 1.3));
        const QPointF c(10.5, 5.5);
        for (int k = 0; k < 4; ++k) {
            p.save();
            p.translate(c);
            p.rotate(45 * k);
            p.drawLine(QPointF(-4.0, 0), QPointF(4.0, 0));
            p.restore();
        }
    });
}

QIcon rubber() {
    return make([](QPainter& p) {
        p.save();
        p.translate(8, 8);
        p.rotate(-35);
        p.setPen(pen(kInk, 0.9));
        p.setBrush(QColor(240, 120, 140));
        p.drawRoundedRect(QRectF(-1.0, -3.0, 7.5, 6.0), 1, 1);
        p.setBrush(QColor(90, 120, 220));
        p.drawRoundedRect(QRectF(-6.5, -3.0, 5.5, 6.0), 1, 1);
        p.restore();
    });
}

QIcon tool(std::string_view batchName) {
    static constexpr struct {
        const char* batchName;
        QIcon (*picture)();
    } kToolIcons[] = {
        {"expand", expand}, {"shrink", shrink},        {"dextro", dextrorotary},        {"levo", levorotary},
        {"smear", smear},   {"pen-sketch", penSketch}, {"pencil-sketch", pencilSketch}, {"clean-spots", clearUpSpot},
        {"rubber", rubber},
    };
    for (const auto& t : kToolIcons)
        if (batchName == t.batchName) return t.picture();
    return QIcon();
}

QIcon program() {
    // The same picture as the installed icon files, which the build renders
    // from this SVG.
    initProgramIconResource();
    QSvgRenderer svg(QStringLiteral(":/jollix/jollix.svg"));
    QIcon icon;
    for (int px : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pm(px, px);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        svg.render(&p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace jollix::icons
