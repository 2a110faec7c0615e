// The metafile canvas: a white QImage painted with QPainter under a budget
// of pixels, with the pens, brushes, raster operations and text both kinds
// of metafile share. Below it, the drawing device libwmf plays Windows
// metafiles into: its player reads the records and maps logical to device
// coordinates, and those callbacks draw each shape on the canvas.
//
// libwmf's own gd device is not used: it fills shapes without clipping them
// to the picture (a rectangle with coordinates of +-32767 keeps it busy for
// minutes), allocates a pen image of the pen's width squared (a hostile
// 26000-unit pen asks for 2.7 GB), draws ellipses without filling them,
// stretches bitmaps by a pixel, and never frees the picture it hands out.
// QPainter clips everything to the picture, strokes wide pens as outlines and
// scales bitmaps exactly.
// Qt's headers come before libwmf's, whose type macros (U8, U16) would
// break them.
#include <algorithm>
#include <cmath>
#include <vector>

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainterPath>
#include <QPolygonF>

#include "io/wmf_canvas.h"
#include "io/decode_util.h"
#include "io/qt_messages.h"

extern "C" {
#include <libwmf/api.h>
#include <libwmf/ipa.h>
#include <libwmf/defs.h>
}

namespace jollix::io_detail {

// ---------------------------------------------------------------------------
// What both kinds of metafile share.

// Text needs Qt's font database, which needs a GUI application object.
// Programs without one (the batch command, the tests) get one on the
// offscreen platform, made once, the first time it is needed.
void ensureGuiApplication() {
    if (QGuiApplication::instance()) return;
    quietenRuntimeFolderWarning();
    static int argc = 3;
    static char arg0[] = "jollix", arg1[] = "-platform", arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

QPainter::CompositionMode compositionForRop2(unsigned rop2) {
    switch (rop2) {
        case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
        case R2_NOT: return QPainter::RasterOp_NotDestination;
        case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
        case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
        case R2_NOTCOPYPEN: return QPainter::RasterOp_NotSource;
        default: return QPainter::CompositionMode_SourceOver;
    }
}

QBrush metafileBrush(uint32_t style, uint32_t hatch, const QColor& colour) {
    if (style == BS_NULL) return Qt::NoBrush;
    if (style == BS_HATCHED) {
        static const Qt::BrushStyle kHatch[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(colour, hatch < 6 ? kHatch[hatch] : Qt::SolidPattern);
    }
    return QBrush(colour);
}

QPen metafilePen(uint32_t style, double widthPixels, const QColor& colour, double maxStroke) {
    if ((style & PS_STYLE_MASK) == PS_NULL) return Qt::NoPen;
    // A pen thinner than a pixel draws one pixel wide.
    double width = std::abs(widthPixels);
    if (!std::isfinite(width) || width < 1) width = 1;
    width = std::min(width, maxStroke);
    QPen pen(colour, width);
    switch (style & PS_STYLE_MASK) {
        case PS_DASH: pen.setStyle(Qt::DashLine); break;
        case PS_DOT:
        case PS_ALTERNATE: pen.setStyle(Qt::DotLine); break;
        case PS_DASHDOT: pen.setStyle(Qt::DashDotLine); break;
        case PS_DASHDOTDOT: pen.setStyle(Qt::DashDotDotLine); break;
        default: pen.setStyle(Qt::SolidLine); break;
    }
    switch (style & PS_ENDCAP_MASK) {
        case PS_ENDCAP_SQUARE: pen.setCapStyle(Qt::SquareCap); break;
        case PS_ENDCAP_FLAT: pen.setCapStyle(Qt::FlatCap); break;
        default: pen.setCapStyle(Qt::RoundCap); break;
    }
    switch (style & PS_JOIN_MASK) {
        case PS_JOIN_BEVEL: pen.setJoinStyle(Qt::BevelJoin); break;
        case PS_JOIN_MITER: pen.setJoinStyle(Qt::MiterJoin); break;
        default: pen.setJoinStyle(Qt::RoundJoin); break;
    }
    return pen;
}

MetafileCanvas::MetafileCanvas(int w, int h, bool draw, uint64_t maxBitmap)
    : width(w), height(h), maxBitmapPixels(maxBitmap) {
    maxStroke = 4.0 * std::max(w, h) + 16;
    pixelBudget = drawingBudget(w, h);
    if (!draw) return;
    stride_ = (size_t(w) * 3 + 3) & ~size_t(3);
    pixels_ = std::make_unique<PixelBuffer>(stride_ * size_t(h));
    rowsStart_ = pixels_->data();
    image = QImage(rowsStart_, w, h, qsizetype(stride_), QImage::Format_BGR888);
    image.fill(Qt::white);
    painter.begin(&image);
}

Picture MetafileCanvas::take() {
    if (painter.isActive()) painter.end();
    PictureRows picture(width, height);
    for (int y = 0; y < height; ++y) {
        picture.bgr(y, rowsStart_ + size_t(y) * stride_);
        if (y % 64 == 63) pixels_->giveBack(size_t(y - 63) * stride_, size_t(y + 1) * stride_);
    }
    image = QImage();
    return picture.take();
}

MetafileCanvas::~MetafileCanvas() {
    if (painter.isActive()) painter.end();
}

bool MetafileCanvas::charge(const QRectF& bounds, double margin) {
    if (overBudget) return false;
    const QRectF r = bounds.adjusted(-margin, -margin, margin, margin) & area();
    spentPixels += r.isValid() ? r.width() * r.height() + 1 : 1;
    if (spentPixels > pixelBudget) overBudget = true;
    return !overBudget && !measuring();
}

void MetafileCanvas::chargeWork(double pixels) {
    spentPixels += pixels;
    if (spentPixels > pixelBudget) overBudget = true;
}

void MetafileCanvas::patternBlt(const QRectF& rect, uint32_t rop, const QBrush& pattern) {
    if (!charge(rect)) return;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    switch (rop) {
        case 0x00000042: painter.fillRect(rect, Qt::black); break;  // BLACKNESS
        case 0x00FF0062: painter.fillRect(rect, Qt::white); break;  // WHITENESS
        case 0x00F00021: painter.fillRect(rect, pattern); break;    // PATCOPY
        case 0x00550009:                                            // DSTINVERT
            painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter.fillRect(rect, Qt::white);
            break;
        case 0x005A0049:  // PATINVERT
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.fillRect(rect, pattern);
            break;
        default: break;
    }
}

void MetafileCanvas::drawText(const TextRun& run) {
    if (run.text.isEmpty() || !std::isfinite(run.at.x()) || !std::isfinite(run.at.y())) return;
    double size = std::abs(run.pixelSize);
    if (!std::isfinite(size) || size < 1) return;
    size = std::min(size, maxStroke);
    // The text may reach its length in ems from its reference point, in any
    // direction it is turned.
    const double reach = size * (run.text.size() + 1);
    for (double a : run.advances) {
        if (!std::isfinite(a)) return;
    }
    if (!charge(QRectF(run.at.x() - reach, run.at.y() - reach, 2 * reach, 2 * reach))) return;
    QFont font(run.face.isEmpty() ? QString("Sans Serif") : run.face);
    font.setPixelSize(std::max(1, int(std::lround(size))));
    font.setItalic(run.italic);
    font.setWeight(run.weight > 550 ? QFont::Bold : QFont::Normal);
    font.setUnderline(run.underline);
    font.setStrikeOut(run.strikeOut);
    const QFontMetricsF metrics(font);
    double advance = 0;
    if (run.advances.empty())
        advance = metrics.horizontalAdvance(run.text);
    else
        for (double a : run.advances) advance += a;
    const double x = run.horizontal == 1 ? -advance / 2 : run.horizontal == 2 ? -advance : 0;
    const double y = run.vertical == 0 ? metrics.ascent() : run.vertical == 2 ? -metrics.descent() : 0;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.translate(run.at);
    painter.rotate(-run.angle);
    if (run.opaque)
        painter.fillRect(QRectF(x, y - metrics.ascent(), advance, metrics.ascent() + metrics.descent()),
                         run.background);
    painter.setFont(font);
    painter.setPen(run.colour);
    if (run.advances.empty()) {
        painter.drawText(QPointF(x, y), run.text);
    } else {
        // Each character at its own place; a pair of surrogates is one.
        double pos = x;
        for (qsizetype i = 0, a = 0; i < run.text.size() && a < qsizetype(run.advances.size()); ++i, ++a) {
            const qsizetype n = run.text[i].isHighSurrogate() && i + 1 < run.text.size() ? 2 : 1;
            painter.drawText(QPointF(pos, y), run.text.mid(i, n));
            pos += run.advances[size_t(a)];
            if (n == 2 && a + 1 < qsizetype(run.advances.size())) pos += run.advances[size_t(++a)];
            i += n - 1;
        }
    }
    painter.restore();
}

WmfCanvas::WmfCanvas(int w, int h, double left, double top, double right, double bottom, uint64_t maxBitmap)
    : MetafileCanvas(w, h, true, maxBitmap), frameLeft(left), frameTop(top) {
    scaleX = double(w) / (right - left);
    scaleY = double(h) / (bottom - top);
}

// ---------------------------------------------------------------------------
// libwmf's drawing device.

namespace {

WmfCanvas* canvasOf(wmfAPI* api) { return static_cast<WmfCanvas*>(api->device_data); }

QColor colourOf(const wmfRGB& c) { return QColor(c.r, c.g, c.b); }

QPointF toPixels(const WmfCanvas& c, const wmfD_Coord& d) {
    return QPointF((double(d.x) - c.frameLeft) * c.scaleX, (double(d.y) - c.frameTop) * c.scaleY);
}

bool finitePoint(const wmfD_Coord& d) { return std::isfinite(d.x) && std::isfinite(d.y); }

QBrush brushFor(wmfDC* dc) {
    const wmfBrush* b = dc->brush;
    if (!b) return Qt::NoBrush;
    return metafileBrush(b->lbStyle, b->lbHatch, colourOf(b->lbColor));
}

QPen penFor(const WmfCanvas& c, wmfDC* dc) {
    const wmfPen* p = dc->pen;
    if (!p) return Qt::NoPen;
    // Device units to pixels.
    return metafilePen(p->lopnStyle, p->width * c.scaleX, colourOf(p->lopnColor), c.maxStroke);
}

double penMargin(const WmfCanvas& c, wmfDC* dc) {
    const QPen pen = penFor(c, dc);
    return pen.style() == Qt::NoPen ? 0 : pen.widthF() + 2;
}

// Sets up the painter for a shape drawn with the context's pen and brush.
void prepare(WmfCanvas& c, wmfDC* dc, bool fill, bool stroke) {
    c.painter.setCompositionMode(compositionForRop2(dc->ROPmode));
    c.painter.setBrush(fill ? brushFor(dc) : QBrush(Qt::NoBrush));
    c.painter.setPen(stroke ? penFor(c, dc) : QPen(Qt::NoPen));
    c.painter.setBackgroundMode(dc->bgmode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
    c.painter.setBackground(colourOf(dc->bgcolor));
}

void deviceOpen(wmfAPI*) {}
void deviceClose(wmfAPI*) {}
void deviceBegin(wmfAPI*) {}
void deviceEnd(wmfAPI*) {}
// Flood fills need the picture drawn so far and a fill without limits;
// they are left out (metafiles written by drawing programs hardly use them).
void floodInterior(wmfAPI*, wmfFlood_t*) {}
void floodExterior(wmfAPI*, wmfFlood_t*) {}

void drawPixel(wmfAPI* api, wmfDrawPixel_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !finitePoint(d->pt)) return;
    const QPointF p = toPixels(*c, d->pt);
    c->painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!c->charge(QRectF(p, QSizeF(1, 1)))) return;
    c->painter.fillRect(QRectF(std::floor(p.x()), std::floor(p.y()), 1, 1), colourOf(d->color));
}

enum class ArcKind { Open, Pie, Chord, Ellipse };

void drawArcShape(wmfAPI* api, wmfDrawArc_t* d, ArcKind kind) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !finitePoint(d->TL) || !finitePoint(d->BR) || !finitePoint(d->start) || !finitePoint(d->end)) return;
    const QRectF rect = QRectF(toPixels(*c, d->TL), toPixels(*c, d->BR)).normalized();
    QPainterPath path;
    if (kind == ArcKind::Ellipse) {
        path.addEllipse(rect);
    } else {
        // start and end are relative to the centre; the arc runs clockwise
        // on the page from start to end.
        double from = std::atan2(double(d->start.y) * c->scaleY, double(d->start.x) * c->scaleX) * 180 / M_PI;
        double to = std::atan2(double(d->end.y) * c->scaleY, double(d->end.x) * c->scaleX) * 180 / M_PI;
        if (to <= from) to += 360;
        const double start = -from, span = -(to - from);
        if (kind == ArcKind::Pie) {
            path.moveTo(rect.center());
            path.arcTo(rect, start, span);
            path.closeSubpath();
        } else {
            path.arcMoveTo(rect, start);
            path.arcTo(rect, start, span);
            if (kind == ArcKind::Chord) path.closeSubpath();
        }
    }
    if (!c->charge(rect, penMargin(*c, d->dc))) return;
    prepare(*c, d->dc, kind != ArcKind::Open && TO_FILL(d), TO_DRAW(d));
    c->painter.drawPath(path);
}

void drawPie(wmfAPI* api, wmfDrawArc_t* d) { drawArcShape(api, d, ArcKind::Pie); }
void drawChord(wmfAPI* api, wmfDrawArc_t* d) { drawArcShape(api, d, ArcKind::Chord); }
void drawArc(wmfAPI* api, wmfDrawArc_t* d) { drawArcShape(api, d, ArcKind::Open); }
void drawEllipse(wmfAPI* api, wmfDrawArc_t* d) { drawArcShape(api, d, ArcKind::Ellipse); }

void drawLine(wmfAPI* api, wmfDrawLine_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !finitePoint(d->from) || !finitePoint(d->to) || !TO_DRAW(d)) return;
    const QLineF line(toPixels(*c, d->from), toPixels(*c, d->to));
    if (!c->charge(QRectF(line.p1(), line.p2()).normalized(), penMargin(*c, d->dc))) return;
    prepare(*c, d->dc, false, true);
    c->painter.drawLine(line);
}

QPolygonF polygonOf(const WmfCanvas& c, const wmfD_Coord* pts, unsigned count) {
    QPolygonF poly;
    poly.reserve(int(count));
    for (unsigned i = 0; i < count; ++i)
        if (finitePoint(pts[i])) poly << toPixels(c, pts[i]);
    return poly;
}

void polyLine(wmfAPI* api, wmfPolyLine_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !d->pt || d->count < 2 || !TO_DRAW(d)) return;
    const QPolygonF poly = polygonOf(*c, d->pt, d->count);
    if (!c->charge(poly.boundingRect(), penMargin(*c, d->dc))) return;
    prepare(*c, d->dc, false, true);
    c->painter.drawPolyline(poly);
}

Qt::FillRule fillRuleOf(wmfDC* dc) { return dc->polyfillmode == WINDING ? Qt::WindingFill : Qt::OddEvenFill; }

void drawPolygon(wmfAPI* api, wmfPolyLine_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !d->pt || d->count < 2) return;
    const QPolygonF poly = polygonOf(*c, d->pt, d->count);
    if (!c->charge(poly.boundingRect(), penMargin(*c, d->dc))) return;
    prepare(*c, d->dc, TO_FILL(d), TO_DRAW(d));
    c->painter.drawPolygon(poly, fillRuleOf(d->dc));
}

void drawPolyPolygon(wmfAPI* api, wmfPolyPoly_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !d->pt || !d->count) return;
    QPainterPath path;
    path.setFillRule(fillRuleOf(d->dc));
    for (unsigned i = 0; i < d->npoly; ++i) {
        if (!d->pt[i] || d->count[i] < 2) continue;
        QPolygonF poly = polygonOf(*c, d->pt[i], d->count[i]);
        if (!poly.isEmpty()) poly << poly.first();
        path.addPolygon(poly);
    }
    if (!c->charge(path.boundingRect(), penMargin(*c, d->dc))) return;
    prepare(*c, d->dc, TO_FILL(d), TO_DRAW(d));
    c->painter.drawPath(path);
}

void drawRectangle(wmfAPI* api, wmfDrawRectangle_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !finitePoint(d->TL) || !finitePoint(d->BR)) return;
    const QRectF rect = QRectF(toPixels(*c, d->TL), toPixels(*c, d->BR)).normalized();
    if (!c->charge(rect, penMargin(*c, d->dc))) return;
    prepare(*c, d->dc, TO_FILL(d), TO_DRAW(d));
    if (d->width > 0 && d->height > 0 && std::isfinite(d->width) && std::isfinite(d->height))
        c->painter.drawRoundedRect(rect, d->width * c->scaleX / 2, d->height * c->scaleY / 2);
    else
        c->painter.drawRect(rect);
}

void ropDraw(wmfAPI* api, wmfROP_Draw_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !finitePoint(d->TL) || !finitePoint(d->BR)) return;
    c->patternBlt(QRectF(toPixels(*c, d->TL), toPixels(*c, d->BR)).normalized(), d->ROP, brushFor(d->dc));
}

void bmpRead(wmfAPI* api, wmfBMP_Read_t* r) { wmf_ipa_bmp_read(api, r); }
void bmpFree(wmfAPI* api, wmfBMP* b) { wmf_ipa_bmp_free(api, b); }

void bmpDraw(wmfAPI* api, wmfBMP_Draw_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !d->bmp.data || !finitePoint(d->pt) || d->crop.w == 0 || d->crop.h == 0) return;
    if (uint64_t(d->crop.w) * d->crop.h > c->maxBitmapPixels) return;
    // Reading the bitmap costs its own pixels, drawing it those it covers.
    c->spentPixels += double(d->crop.w) * d->crop.h;
    if (uint32_t(d->crop.x) + d->crop.w > d->bmp.width || uint32_t(d->crop.y) + d->crop.h > d->bmp.height) return;
    const int w = d->crop.w, h = d->crop.h;
    QImage image(w, h, QImage::Format_ARGB32);
    if (image.isNull()) return;
    // Rows of the bitmap run bottom-up.
    for (int j = 0; j < h; ++j) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(h - 1 - j));
        for (int i = 0; i < w; ++i) {
            wmfRGB rgb;
            const int opacity = wmf_ipa_bmp_color(api, &d->bmp, &rgb, unsigned(d->crop.x + i), unsigned(d->crop.y + j));
            line[i] = qRgba(rgb.r, rgb.g, rgb.b, opacity < 0 ? 0 : std::min(opacity, 255));
        }
    }
    const QPointF topLeft = toPixels(*c, d->pt);
    const double dw = double(w) * d->pixel_width * c->scaleX, dh = double(h) * d->pixel_height * c->scaleY;
    if (!std::isfinite(dw) || !std::isfinite(dh)) return;
    switch (d->type) {
        case 0x008800C6: c->painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;  // SRCAND
        case 0x00EE0086: c->painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;   // SRCPAINT
        case 0x00660046: c->painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;  // SRCINVERT
        default: c->painter.setCompositionMode(QPainter::CompositionMode_SourceOver); break;
    }
    const QRectF target = QRectF(topLeft, QSizeF(dw, dh)).normalized();
    if (!c->charge(target)) return;
    c->painter.drawImage(target, image);
}

void drawText(wmfAPI* api, wmfDrawText_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !d->str || !finitePoint(d->pt)) return;
    const wmfFont* f = d->dc->font;
    TextRun run;
    run.text = QString::fromLatin1(d->str);
    run.at = toPixels(*c, d->pt);
    run.pixelSize = d->font_height * c->scaleY;
    run.colour = colourOf(d->dc->textcolor);
    // libwmf hands over the baseline's start.
    run.vertical = 1;
    if (f) {
        run.face = f->lfFaceName ? QString::fromLatin1(f->lfFaceName) : QString();
        run.italic = f->lfItalic != 0;
        run.weight = f->lfWeight;
        run.underline = f->lfUnderline != 0;
        run.strikeOut = f->lfStrikeOut != 0;
        run.angle = double(f->lfEscapement) / 10;
    }
    if (d->dc->bgmode == OPAQUE && finitePoint(d->bbox.TL) && finitePoint(d->bbox.BR) && !c->measuring()) {
        const QPolygonF box = QPolygonF() << toPixels(*c, d->bbox.TL) << toPixels(*c, d->bbox.TR)
                                          << toPixels(*c, d->bbox.BR) << toPixels(*c, d->bbox.BL);
        if (c->charge(box.boundingRect())) {
            c->painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            c->painter.setPen(Qt::NoPen);
            c->painter.setBrush(colourOf(d->dc->bgcolor));
            c->painter.drawPolygon(box);
        }
    }
    c->drawText(run);
}

void udataInit(wmfAPI*, wmfUserData_t*) {}
void udataCopy(wmfAPI*, wmfUserData_t*) {}
void udataSet(wmfAPI*, wmfUserData_t*) {}
void udataFree(wmfAPI*, wmfUserData_t*) {}

QRectF regionRect(const WmfCanvas& c, const wmfD_Coord& tl, const wmfD_Coord& br) {
    return QRectF(toPixels(c, tl), toPixels(c, br)).normalized();
}

void regionFrame(wmfAPI* api, wmfPolyRectangle_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !d->TL || !d->BR) return;
    const double bw = std::max(1.0, std::min(c->maxStroke, std::abs(d->width * c->scaleX)));
    const double bh = std::max(1.0, std::min(c->maxStroke, std::abs(d->height * c->scaleY)));
    c->painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QBrush brush = brushFor(d->dc);
    for (unsigned i = 0; i < d->count; ++i) {
        if (!finitePoint(d->TL[i]) || !finitePoint(d->BR[i])) continue;
        const QRectF r = regionRect(*c, d->TL[i], d->BR[i]);
        if (!c->charge(r)) return;
        c->painter.fillRect(QRectF(r.left(), r.top(), r.width(), bh), brush);
        c->painter.fillRect(QRectF(r.left(), r.bottom() - bh, r.width(), bh), brush);
        c->painter.fillRect(QRectF(r.left(), r.top(), bw, r.height()), brush);
        c->painter.fillRect(QRectF(r.right() - bw, r.top(), bw, r.height()), brush);
    }
}

void regionPaint(wmfAPI* api, wmfPolyRectangle_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !d->TL || !d->BR) return;
    c->painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QBrush brush = brushFor(d->dc);
    for (unsigned i = 0; i < d->count; ++i) {
        if (!finitePoint(d->TL[i]) || !finitePoint(d->BR[i])) continue;
        const QRectF r = regionRect(*c, d->TL[i], d->BR[i]);
        if (!c->charge(r)) return;
        c->painter.fillRect(r, brush);
    }
}

void regionClip(wmfAPI* api, wmfPolyRectangle_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c) return;
    if (!d->TL || !d->BR || d->count == 0) {
        c->painter.setClipping(false);
        return;
    }
    QRegion region;
    for (unsigned i = 0; i < d->count && i < 10000; ++i) {
        if (!finitePoint(d->TL[i]) || !finitePoint(d->BR[i])) continue;
        const QRectF r = regionRect(*c, d->TL[i], d->BR[i]) & c->area();
        region += r.toAlignedRect();
    }
    c->painter.setClipRegion(region);
}

}  // namespace

void wmfCanvasFunction(_wmfAPI* api) {
    auto* fr = static_cast<wmfFunctionReference*>(api->function_reference);
    fr->device_open = deviceOpen;
    fr->device_close = deviceClose;
    fr->device_begin = deviceBegin;
    fr->device_end = deviceEnd;
    fr->flood_interior = floodInterior;
    fr->flood_exterior = floodExterior;
    fr->draw_pixel = drawPixel;
    fr->draw_pie = drawPie;
    fr->draw_chord = drawChord;
    fr->draw_arc = drawArc;
    fr->draw_ellipse = drawEllipse;
    fr->draw_line = drawLine;
    fr->poly_line = polyLine;
    fr->draw_polygon = drawPolygon;
    fr->draw_polypolygon = drawPolyPolygon;
    fr->draw_rectangle = drawRectangle;
    fr->rop_draw = ropDraw;
    fr->bmp_draw = bmpDraw;
    fr->bmp_read = bmpRead;
    fr->bmp_free = bmpFree;
    fr->draw_text = drawText;
    fr->udata_init = udataInit;
    fr->udata_copy = udataCopy;
    fr->udata_set = udataSet;
    fr->udata_free = udataFree;
    fr->region_frame = regionFrame;
    fr->region_paint = regionPaint;
    fr->region_clip = regionClip;
    api->device_data = nullptr;  // set to the canvas before playing
}

}  // namespace jollix::io_detail
