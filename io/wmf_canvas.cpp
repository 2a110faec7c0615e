// The drawing device libwmf plays Windows metafiles into: its player reads
// the records and maps logical to device coordinates, and these callbacks
// draw each shape with QPainter on a white QImage.
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
#include <QPainterPath>
#include <QPolygonF>

#include "io/wmf_canvas.h"
#include "io/decode_util.h"

extern "C" {
#include <libwmf/ipa.h>
#include <libwmf/defs.h>
}

namespace jollix::io_detail {

namespace {

WmfCanvas* canvasOf(wmfAPI* api) { return static_cast<WmfCanvas*>(api->device_data); }

QColor colourOf(const wmfRGB& c) { return QColor(c.r, c.g, c.b); }

QPointF toPixels(const WmfCanvas& c, const wmfD_Coord& d) {
    return QPointF((double(d.x) - c.frame.TL.x) * c.scaleX, (double(d.y) - c.frame.TL.y) * c.scaleY);
}

bool finitePoint(const wmfD_Coord& d) { return std::isfinite(d.x) && std::isfinite(d.y); }

// The raster operation of the device context, as far as QPainter has one.
QPainter::CompositionMode compositionFor(unsigned rop2) {
    switch (rop2) {
        case R2_XORPEN: return QPainter::RasterOp_SourceXorDestination;
        case R2_NOT: return QPainter::RasterOp_NotDestination;
        case R2_MASKPEN: return QPainter::RasterOp_SourceAndDestination;
        case R2_MERGEPEN: return QPainter::RasterOp_SourceOrDestination;
        case R2_NOTCOPYPEN: return QPainter::RasterOp_NotSource;
        default: return QPainter::CompositionMode_SourceOver;
    }
}

QBrush brushFor(const WmfCanvas& c, wmfDC* dc) {
    const wmfBrush* b = dc->brush;
    if (!b || b->lbStyle == BS_NULL) return Qt::NoBrush;
    if (b->lbStyle == BS_HATCHED) {
        static const Qt::BrushStyle kHatch[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        return QBrush(colourOf(b->lbColor), b->lbHatch < 6 ? kHatch[b->lbHatch] : Qt::SolidPattern);
    }
    (void)c;
    return QBrush(colourOf(b->lbColor));
}

QPen penFor(const WmfCanvas& c, wmfDC* dc) {
    const wmfPen* p = dc->pen;
    if (!p || (p->lopnStyle & PS_STYLE_MASK) == PS_NULL) return Qt::NoPen;
    // Device units to pixels; a pen thinner than a pixel draws one pixel wide.
    double width = std::abs(p->width * c.scaleX);
    if (!std::isfinite(width) || width < 1) width = 1;
    width = std::min(width, c.maxStroke);
    QPen pen(colourOf(p->lopnColor), width);
    switch (p->lopnStyle & PS_STYLE_MASK) {
        case PS_DASH: pen.setStyle(Qt::DashLine); break;
        case PS_DOT:
        case PS_ALTERNATE: pen.setStyle(Qt::DotLine); break;
        case PS_DASHDOT: pen.setStyle(Qt::DashDotLine); break;
        case PS_DASHDOTDOT: pen.setStyle(Qt::DashDotDotLine); break;
        default: pen.setStyle(Qt::SolidLine); break;
    }
    switch (p->lopnStyle & PS_ENDCAP_MASK) {
        case PS_ENDCAP_SQUARE: pen.setCapStyle(Qt::SquareCap); break;
        case PS_ENDCAP_FLAT: pen.setCapStyle(Qt::FlatCap); break;
        default: pen.setCapStyle(Qt::RoundCap); break;
    }
    switch (p->lopnStyle & PS_JOIN_MASK) {
        case PS_JOIN_BEVEL: pen.setJoinStyle(Qt::BevelJoin); break;
        case PS_JOIN_MITER: pen.setJoinStyle(Qt::MiterJoin); break;
        default: pen.setJoinStyle(Qt::RoundJoin); break;
    }
    return pen;
}

// Charges the pixels a drawing may touch (its bounds within the picture)
// to the canvas's budget; false once the budget is spent, so that a file of
// endless picture-filling shapes ends instead of keeping the program busy.
bool charge(WmfCanvas& c, const QRectF& bounds, double margin = 0) {
    if (c.overBudget) return false;
    const QRectF r = bounds.adjusted(-margin, -margin, margin, margin) & QRectF(c.image.rect());
    c.spentPixels += r.isValid() ? r.width() * r.height() + 1 : 1;
    if (c.spentPixels > c.pixelBudget) c.overBudget = true;
    return !c.overBudget;
}

double penMargin(const WmfCanvas& c, wmfDC* dc) {
    const QPen pen = penFor(c, dc);
    return pen.style() == Qt::NoPen ? 0 : pen.widthF() + 2;
}

// Sets up the painter for a shape drawn with the context's pen and brush.
void prepare(WmfCanvas& c, wmfDC* dc, bool fill, bool stroke) {
    c.painter.setCompositionMode(compositionFor(dc->ROPmode));
    c.painter.setBrush(fill ? brushFor(c, dc) : QBrush(Qt::NoBrush));
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
    if (!charge(*c, QRectF(p, QSizeF(1, 1)))) return;
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
    if (!charge(*c, rect, penMargin(*c, d->dc))) return;
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
    if (!charge(*c, QRectF(line.p1(), line.p2()).normalized(), penMargin(*c, d->dc))) return;
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
    if (!charge(*c, poly.boundingRect(), penMargin(*c, d->dc))) return;
    prepare(*c, d->dc, false, true);
    c->painter.drawPolyline(poly);
}

Qt::FillRule fillRuleOf(wmfDC* dc) { return dc->polyfillmode == WINDING ? Qt::WindingFill : Qt::OddEvenFill; }

void drawPolygon(wmfAPI* api, wmfPolyLine_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !d->pt || d->count < 2) return;
    const QPolygonF poly = polygonOf(*c, d->pt, d->count);
    if (!charge(*c, poly.boundingRect(), penMargin(*c, d->dc))) return;
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
    if (!charge(*c, path.boundingRect(), penMargin(*c, d->dc))) return;
    prepare(*c, d->dc, TO_FILL(d), TO_DRAW(d));
    c->painter.drawPath(path);
}

void drawRectangle(wmfAPI* api, wmfDrawRectangle_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !finitePoint(d->TL) || !finitePoint(d->BR)) return;
    const QRectF rect = QRectF(toPixels(*c, d->TL), toPixels(*c, d->BR)).normalized();
    if (!charge(*c, rect, penMargin(*c, d->dc))) return;
    prepare(*c, d->dc, TO_FILL(d), TO_DRAW(d));
    if (d->width > 0 && d->height > 0 && std::isfinite(d->width) && std::isfinite(d->height))
        c->painter.drawRoundedRect(rect, d->width * c->scaleX / 2, d->height * c->scaleY / 2);
    else
        c->painter.drawRect(rect);
}

void ropDraw(wmfAPI* api, wmfROP_Draw_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !finitePoint(d->TL) || !finitePoint(d->BR)) return;
    const QRectF rect = QRectF(toPixels(*c, d->TL), toPixels(*c, d->BR)).normalized();
    if (!charge(*c, rect)) return;
    c->painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    switch (d->ROP) {
        case 0x00000042: c->painter.fillRect(rect, Qt::black); break;            // BLACKNESS
        case 0x00FF0062: c->painter.fillRect(rect, Qt::white); break;            // WHITENESS
        case 0x00F00021: c->painter.fillRect(rect, brushFor(*c, d->dc)); break;  // PATCOPY
        case 0x00550009:                                                         // DSTINVERT
            c->painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            c->painter.fillRect(rect, Qt::white);
            break;
        case 0x005A0049:  // PATINVERT
            c->painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            c->painter.fillRect(rect, brushFor(*c, d->dc));
            break;
        default: break;
    }
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
    if (!charge(*c, target)) return;
    c->painter.drawImage(target, image);
}

void drawText(wmfAPI* api, wmfDrawText_t* d) {
    WmfCanvas* c = canvasOf(api);
    if (!c || !d->str || !finitePoint(d->pt)) return;
    double size = std::abs(d->font_height * c->scaleY);
    if (!std::isfinite(size) || size < 1) return;
    size = std::min(size, c->maxStroke);
    const wmfFont* f = d->dc->font;
    QFont font(f && f->lfFaceName ? QString::fromLatin1(f->lfFaceName) : QString("Sans Serif"));
    font.setPixelSize(std::max(1, int(std::lround(size))));
    if (f) {
        font.setItalic(f->lfItalic != 0);
        font.setWeight(f->lfWeight > 550 ? QFont::Bold : QFont::Normal);
        font.setUnderline(f->lfUnderline != 0);
        font.setStrikeOut(f->lfStrikeOut != 0);
    }
    const QString text = QString::fromLatin1(d->str);
    const QPointF at = toPixels(*c, d->pt);
    if (!charge(*c, QRectF(at.x() - size * text.size(), at.y() - size * text.size(), 2 * size * text.size(),
                           2 * size * text.size())))
        return;
    c->painter.save();
    c->painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (d->dc->bgmode == OPAQUE && finitePoint(d->bbox.TL) && finitePoint(d->bbox.BR)) {
        const QPolygonF box = QPolygonF() << toPixels(*c, d->bbox.TL) << toPixels(*c, d->bbox.TR)
                                          << toPixels(*c, d->bbox.BR) << toPixels(*c, d->bbox.BL);
        c->painter.setPen(Qt::NoPen);
        c->painter.setBrush(colourOf(d->dc->bgcolor));
        c->painter.drawPolygon(box);
    }
    c->painter.translate(at);
    if (f) c->painter.rotate(-double(f->lfEscapement) / 10);
    c->painter.setFont(font);
    c->painter.setPen(colourOf(d->dc->textcolor));
    c->painter.drawText(QPointF(0, 0), text);
    c->painter.restore();
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
    const QBrush brush = brushFor(*c, d->dc);
    for (unsigned i = 0; i < d->count; ++i) {
        if (!finitePoint(d->TL[i]) || !finitePoint(d->BR[i])) continue;
        const QRectF r = regionRect(*c, d->TL[i], d->BR[i]);
        if (!charge(*c, r)) return;
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
    const QBrush brush = brushFor(*c, d->dc);
    for (unsigned i = 0; i < d->count; ++i) {
        if (!finitePoint(d->TL[i]) || !finitePoint(d->BR[i])) continue;
        const QRectF r = regionRect(*c, d->TL[i], d->BR[i]);
        if (!charge(*c, r)) return;
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
        const QRectF r = regionRect(*c, d->TL[i], d->BR[i]) & QRectF(c->image.rect());
        region += r.toAlignedRect();
    }
    c->painter.setClipRegion(region);
}

}  // namespace

WmfCanvas::WmfCanvas(uint8_t* pixels, int width, int height, const wmfD_Rect& frameRect, uint64_t maxBitmap)
    : image(pixels, width, height, qsizetype(width) * 4, QImage::Format_RGB32),
      frame(frameRect),
      maxBitmapPixels(maxBitmap) {
    image.fill(Qt::white);
    scaleX = double(width) / (double(frame.BR.x) - frame.TL.x);
    scaleY = double(height) / (double(frame.BR.y) - frame.TL.y);
    maxStroke = 4.0 * std::max(width, height) + 16;
    pixelBudget = drawingBudget(width, height);
    painter.begin(&image);
}

WmfCanvas::~WmfCanvas() {
    if (painter.isActive()) painter.end();
}

void wmfCanvasFunction(wmfAPI* api) {
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
