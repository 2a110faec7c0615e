// Enhanced metafiles: the program's own reader, drawing the records onto the
// metafile canvas that Windows metafiles are drawn on (wmf_canvas.cpp).
//
// Every record is read with its size checked against the file and every
// count and offset inside it checked against the record: a record that
// claims more than it holds makes the whole file "damaged". Records the
// reader does not draw are skipped.
//
// Size in pixels: the header's frame (in 0.01 mm) at 96 pixels per inch;
// when the frame is empty, the header's bounds in device pixels. Device
// pixels of the reference device map onto the frame through the device's
// size in millimetres.
//
// Coordinates: logical units go through the world transform, the window
// and viewport mapping and the device-to-picture mapping to picture pixels,
// computed here in doubles. Shapes that reach far outside the picture are
// cut down to a guard rectangle around it before QPainter sees them, so
// that 32-bit coordinates under any transform stay cheap to draw.
//
// Work: the records are played twice. The first pass only measures, adding
// up the pixels each drawing may touch (its bounds within the picture) and
// the pixels of each bitmap read; a file past the drawing budget (the same
// as a Windows metafile's) is refused before its picture is made. The
// second pass draws.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QRegion>
#include <QTransform>

#include "core/tiles.h"
#include "io/decode_util.h"
#include "io/metafile_records.h"
#include "io/picture_files.h"
#include "io/picture_rows.h"
#include "io/qimage_picture.h"
#include "io/wmf_canvas.h"

namespace jollix {
using namespace io_detail;

namespace io_detail {

namespace {
constexpr uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrLast = 122;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
}  // namespace

EmfLayout checkEmfStructure(const uint8_t* data, size_t size) {
    EmfLayout layout;
    if (size < 88) fail("the file is not an enhanced metafile");
    if (le32(data) != kEmrHeader || le32(data + 40) != kEmfSignature) fail("the file is not an enhanced metafile");
    const uint32_t headerSize = le32(data + 4);
    if (headerSize < 88 || headerSize % 4 != 0 || headerSize > size) fail("the enhanced metafile's header is damaged");
    layout.boundsLeft = les32(data + 8);
    layout.boundsTop = les32(data + 12);
    layout.boundsRight = les32(data + 16);
    layout.boundsBottom = les32(data + 20);
    layout.frameLeft = les32(data + 24);
    layout.frameTop = les32(data + 28);
    layout.frameRight = les32(data + 32);
    layout.frameBottom = les32(data + 36);
    layout.devicePixelsX = les32(data + 72);
    layout.devicePixelsY = les32(data + 76);
    layout.deviceMmX = les32(data + 80);
    layout.deviceMmY = les32(data + 84);
    if (headerSize >= 108) {
        layout.deviceMicrometresX = les32(data + 100);
        layout.deviceMicrometresY = les32(data + 104);
    }
    layout.handles = le16(data + 56);
    size_t pos = 0;
    for (bool first = true;; first = false) {
        if (size - pos < 8) fail("the enhanced metafile ends before its end record");
        const uint32_t type = le32(data + pos), recordSize = le32(data + pos + 4);
        if (recordSize < 8 || recordSize % 4 != 0 || recordSize > size - pos)
            fail("an enhanced metafile record has an impossible size");
        if (type == 0 || type > kEmrLast) fail("the enhanced metafile holds an unknown record");
        if ((type == kEmrHeader) != first) fail("the enhanced metafile's header is misplaced");
        ++layout.records;
        pos += recordSize;
        if (type == kEmrEof) break;
    }
    layout.end = pos;
    return layout;
}

}  // namespace io_detail

namespace {

// Record types.
enum : uint32_t {
    kPolyBezier = 2,
    kPolygon = 3,
    kPolyline = 4,
    kPolyBezierTo = 5,
    kPolylineTo = 6,
    kPolyPolyline = 7,
    kPolyPolygon = 8,
    kSetWindowExt = 9,
    kSetWindowOrg = 10,
    kSetViewportExt = 11,
    kSetViewportOrg = 12,
    kSetPixel = 15,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kSetPolyFillMode = 19,
    kSetRop2 = 20,
    kSetTextAlign = 22,
    kSetTextColor = 24,
    kSetBkColor = 25,
    kOffsetClipRgn = 26,
    kMoveTo = 27,
    kExcludeClipRect = 29,
    kIntersectClipRect = 30,
    kScaleViewportExt = 31,
    kScaleWindowExt = 32,
    kSaveDc = 33,
    kRestoreDc = 34,
    kSetWorldTransform = 35,
    kModifyWorldTransform = 36,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrush = 39,
    kDeleteObject = 40,
    kAngleArc = 41,
    kEllipse = 42,
    kRectangle = 43,
    kRoundRect = 44,
    kArc = 45,
    kChord = 46,
    kPie = 47,
    kLineTo = 54,
    kArcTo = 55,
    kPolyDraw = 56,
    kSetArcDirection = 57,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kStrokeAndFillPath = 63,
    kStrokePath = 64,
    kSelectClipPath = 67,
    kAbortPath = 68,
    kFillRgn = 71,
    kFrameRgn = 72,
    kInvertRgn = 73,
    kPaintRgn = 74,
    kExtSelectClipRgn = 75,
    kBitBlt = 76,
    kStretchBlt = 77,
    kSetDibitsToDevice = 80,
    kStretchDibits = 81,
    kCreateFont = 82,
    kExtTextOutA = 83,
    kExtTextOutW = 84,
    kPolyBezier16 = 85,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kPolyBezierTo16 = 88,
    kPolylineTo16 = 89,
    kPolyPolyline16 = 90,
    kPolyPolygon16 = 91,
    kPolyDraw16 = 92,
    kCreateMonoBrush = 93,
    kCreateDibPatternBrush = 94,
    kExtCreatePen = 95,
    kAlphaBlend = 114,
    kGradientFill = 118,
};

[[noreturn]] void damaged() { fail("an enhanced metafile record is damaged"); }

// One record, every read checked against its size.
struct Record {
    const uint8_t* p;
    uint32_t size;
    uint32_t type;
    uint32_t u32(size_t at) const {
        if (at + 4 > size) damaged();
        return le32(p + at);
    }
    int32_t i32(size_t at) const { return int32_t(u32(at)); }
    float f32(size_t at) const {
        const uint32_t bits = u32(at);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    QPointF point(size_t at) const { return QPointF(i32(at), i32(at + 4)); }
    QRectF rect(size_t at) const {  // left, top, right, bottom
        const double l = i32(at), t = i32(at + 4), r = i32(at + 8), b = i32(at + 12);
        return QRectF(QPointF(l, t), QPointF(r, b));
    }
    // count items of `each` bytes at `at` lie inside the record.
    void need(size_t at, uint64_t count, uint64_t each) const {
        if (at > size || count * each > size - at) damaged();
    }
    // count points of 32 or 16 bits each at `at`.
    std::vector<QPointF> points(size_t at, uint64_t count, bool small) const {
        need(at, count, small ? 4 : 8);
        std::vector<QPointF> out;
        out.reserve(size_t(count));
        for (uint64_t i = 0; i < count; ++i) {
            const uint8_t* q = p + at + i * (small ? 4 : 8);
            out.emplace_back(small ? les16(q) : les32(q), small ? les16(q + 2) : les32(q + 4));
        }
        return out;
    }
};

// A canvas pixel (blue, green, red bytes) as 0xRRGGBB and back.
uint32_t loadPixel(const uint8_t* p) { return 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0]; }
void storePixel(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
}

QColor colourOf(uint32_t colorref) { return QColor(colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF); }

struct Pen {
    uint32_t style = 0;
    double width = 0;  // logical units; 0: one pixel
    bool cosmetic = true;
    QColor colour = Qt::black;
    bool null = false;
};

struct Brush {
    QBrush brush = QBrush(Qt::white);
};

struct Font {
    double height = 0;  // logical units; 0: the default
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    double escapement = 0;  // degrees
    QString face;
};

// A selectable object of the handle table.
struct Object {
    enum Kind { None, PenKind, BrushKind, FontKind } kind = None;
    Pen pen;
    Brush brush;
    Font font;
};

enum MapMode { kText = 1, kLoMetric, kHiMetric, kLoEnglish, kHiEnglish, kTwips, kIsotropic, kAnisotropic };

// What SaveDC keeps and RestoreDC brings back.
struct DeviceContext {
    int mapMode = kText;
    QPointF windowOrg{0, 0}, viewportOrg{0, 0};
    QSizeF windowExt{1, 1}, viewportExt{1, 1};
    QTransform world;
    Pen pen;
    Brush brush;
    Font font;
    QColor textColour = Qt::black, bkColour = Qt::white;
    bool opaque = true;  // background mode
    bool winding = false;
    unsigned rop2 = 13;  // R2_COPYPEN
    uint32_t textAlign = 0;
    bool clockwise = false;  // arc direction
    QPointF position{0, 0};  // current position, logical
    std::optional<QRegion> clip;
};

// The shapes of the file as QPainter paths, in picture pixels.
class Player {
public:
    // fromFrame: the picture shows the header's frame, else its bounds.
    Player(MetafileCanvas& canvas, const EmfLayout& layout, const uint8_t* data, uint64_t maxPixels, bool fromFrame)
        : c_(canvas),
          layout_(layout),
          data_(data),
          maxPixels_(maxPixels),
          objects_(std::max<size_t>(layout.handles, 1)) {
        deviceMapping(fromFrame);
        const double g = canvas.maxStroke + 64;
        guard_ = canvas.area().adjusted(-g, -g, g, g);
    }

    void play() {
        for (size_t pos = 0; pos < layout_.end && !c_.overBudget;) {
            Record r{data_ + pos, le32(data_ + pos + 4), le32(data_ + pos)};
            record(r);
            pos += r.size;
        }
    }

private:
    // ---- coordinates
    void deviceMapping(bool fromFrame) {
        // Device pixels to picture pixels.
        const double frameW = double(layout_.frameRight) - layout_.frameLeft;
        const double frameH = double(layout_.frameBottom) - layout_.frameTop;
        double mmPerPixelX = 0, mmPerPixelY = 0;  // of the reference device
        if (layout_.deviceMicrometresX > 0 && layout_.deviceMicrometresY > 0 && layout_.devicePixelsX > 0 &&
            layout_.devicePixelsY > 0) {
            mmPerPixelX = layout_.deviceMicrometresX / 1000.0 / layout_.devicePixelsX;
            mmPerPixelY = layout_.deviceMicrometresY / 1000.0 / layout_.devicePixelsY;
        } else if (layout_.deviceMmX > 0 && layout_.deviceMmY > 0 && layout_.devicePixelsX > 0 &&
                   layout_.devicePixelsY > 0) {
            mmPerPixelX = double(layout_.deviceMmX) / layout_.devicePixelsX;
            mmPerPixelY = double(layout_.deviceMmY) / layout_.devicePixelsY;
        } else {
            mmPerPixelX = mmPerPixelY = 25.4 / 96;
        }
        pixelsPerMmX_ = 1 / mmPerPixelX;
        pixelsPerMmY_ = 1 / mmPerPixelY;
        if (fromFrame && frameW != 0 && frameH != 0) {
            // device px -> 0.01 mm -> picture px
            const double sx = 100 * mmPerPixelX * c_.width / frameW, sy = 100 * mmPerPixelY * c_.height / frameH;
            device_ = QTransform(sx, 0, 0, sy, -double(layout_.frameLeft) * c_.width / frameW,
                                 -double(layout_.frameTop) * c_.height / frameH);
        } else {
            device_ = QTransform::fromTranslate(-double(layout_.boundsLeft), -double(layout_.boundsTop));
        }
        update();
    }

    // The page mapping (window to viewport) of the current mapping mode.
    QTransform page() const {
        double sx = 1, sy = 1;
        const DeviceContext& s = dc_;
        switch (s.mapMode) {
            case kLoMetric: sx = pixelsPerMmX_ / 10, sy = -pixelsPerMmY_ / 10; break;
            case kHiMetric: sx = pixelsPerMmX_ / 100, sy = -pixelsPerMmY_ / 100; break;
            case kLoEnglish: sx = pixelsPerMmX_ * 0.254, sy = -pixelsPerMmY_ * 0.254; break;
            case kHiEnglish: sx = pixelsPerMmX_ * 0.0254, sy = -pixelsPerMmY_ * 0.0254; break;
            case kTwips: sx = pixelsPerMmX_ * 25.4 / 1440, sy = -pixelsPerMmY_ * 25.4 / 1440; break;
            case kIsotropic:
            case kAnisotropic: {
                sx = s.viewportExt.width() / s.windowExt.width();
                sy = s.viewportExt.height() / s.windowExt.height();
                if (s.mapMode == kIsotropic) {
                    const double m = std::min(std::abs(sx), std::abs(sy));
                    sx = std::copysign(m, sx), sy = std::copysign(m, sy);
                }
                break;
            }
            default: break;
        }
        return QTransform(sx, 0, 0, sy, s.viewportOrg.x() - s.windowOrg.x() * sx,
                          s.viewportOrg.y() - s.windowOrg.y() * sy);
    }

    // After any change of mapping: logical units to picture pixels.
    void update() {
        total_ = dc_.world * page() * device_;
        const double d = std::abs(total_.determinant());
        scale_ = std::isfinite(d) ? std::sqrt(d) : 0;
    }
    bool usable() const {
        return std::isfinite(total_.m11()) && std::isfinite(total_.m12()) && std::isfinite(total_.m21()) &&
               std::isfinite(total_.m22()) && std::isfinite(total_.dx()) && std::isfinite(total_.dy());
    }
    QPointF map(const QPointF& p) const { return total_.map(p); }
    double logicalLength(double v) const { return v * scale_; }

    // ---- drawing
    QPen pen() const {
        const Pen& p = dc_.pen;
        if (p.null) return Qt::NoPen;
        const double w = p.cosmetic ? 1 : logicalLength(p.width);
        QPen pen = metafilePen(p.style, w, p.colour, c_.maxStroke);
        // One pixel wide: Qt's line drawer, which walks only the pixels
        // inside the picture.
        if (pen.widthF() <= 1) pen.setCosmetic(true);
        return pen;
    }
    double penMargin() const {
        const QPen p = pen();
        return p.style() == Qt::NoPen ? 0 : p.widthF() + 2;
    }

    static bool finite(const QRectF& r) {
        return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.right()) &&
               std::isfinite(r.bottom());
    }

    void applyClip() {
        if (c_.measuring()) return;
        if (dc_.clip)
            c_.painter.setClipRegion(*dc_.clip);
        else
            c_.painter.setClipping(false);
    }

    // Open figures cut to the guard rectangle, segment by segment.
    QPainterPath guardedOpen(const QPainterPath& path) const {
        QPainterPath out;
        for (const QPolygonF& poly : path.toSubpathPolygons()) {
            bool connected = false;
            for (qsizetype i = 1; i < poly.size(); ++i) {
                QPointF a = poly[i - 1], b = poly[i];
                if (!clipSegment(a, b)) {
                    connected = false;
                    continue;
                }
                if (!connected || out.currentPosition() != a) out.moveTo(a);
                out.lineTo(b);
                connected = poly[i] == b;
            }
        }
        return out;
    }
    // Liang-Barsky against the guard rectangle (or another).
    bool clipSegment(QPointF& a, QPointF& b) const { return clipSegment(a, b, guard_); }
    static bool clipSegment(QPointF& a, QPointF& b, const QRectF& to) {
        double t0 = 0, t1 = 1;
        const double dx = b.x() - a.x(), dy = b.y() - a.y();
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {a.x() - to.left(), to.right() - a.x(), a.y() - to.top(), to.bottom() - a.y()};
        for (int i = 0; i < 4; ++i) {
            if (p[i] == 0) {
                if (q[i] < 0) return false;
                continue;
            }
            const double t = q[i] / p[i];
            if (p[i] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
            if (t0 > t1) return false;
        }
        const QPointF a0 = a;
        if (t1 < 1) b = QPointF(a0.x() + t1 * dx, a0.y() + t1 * dy);
        if (t0 > 0) a = QPointF(a0.x() + t0 * dx, a0.y() + t0 * dy);
        return true;
    }

    // Closed figures cut to the guard rectangle, one side after the other
    // (Sutherland-Hodgman): inside the rectangle every point keeps its
    // winding number, so the fill there is the same.
    QPainterPath guardedClosed(const QPainterPath& path) const {
        QPainterPath out;
        out.setFillRule(path.fillRule());
        for (QPolygonF poly : path.toSubpathPolygons()) {
            for (int side = 0; side < 4 && poly.size() >= 3; ++side) {
                auto inside = [&](const QPointF& p) {
                    switch (side) {
                        case 0: return p.x() >= guard_.left();
                        case 1: return p.x() <= guard_.right();
                        case 2: return p.y() >= guard_.top();
                        default: return p.y() <= guard_.bottom();
                    }
                };
                auto crossing = [&](const QPointF& a, const QPointF& b) {
                    const double t = side == 0   ? (guard_.left() - a.x()) / (b.x() - a.x())
                                     : side == 1 ? (guard_.right() - a.x()) / (b.x() - a.x())
                                     : side == 2 ? (guard_.top() - a.y()) / (b.y() - a.y())
                                                 : (guard_.bottom() - a.y()) / (b.y() - a.y());
                    return a + (b - a) * t;
                };
                QPolygonF next;
                next.reserve(poly.size() + 4);
                for (qsizetype i = 0; i < poly.size(); ++i) {
                    const QPointF &now = poly[i], &before = poly[i == 0 ? poly.size() - 1 : i - 1];
                    const bool in = inside(now), wasIn = inside(before);
                    if (in != wasIn) next << crossing(before, now);
                    if (in) next << now;
                }
                poly = std::move(next);
            }
            if (poly.size() < 3) continue;
            out.addPolygon(poly);
            out.closeSubpath();
        }
        return out;
    }

    // What drawing a shape costs besides its area: each outline segment its
    // length inside the picture times the pen's width, each edge of a fill
    // the rows it crosses inside the picture, and each point.
    double outlineWork(const QPainterPath& fillShape, const QPainterPath& strokeShape, bool fill,
                       double penWidth) const {
        const QRectF picture = c_.area();
        double work = 0;
        if (penWidth > 0) {
            for (const QPolygonF& poly : strokeShape.toSubpathPolygons()) {
                work += double(poly.size());
                for (qsizetype i = 1; i < poly.size(); ++i) {
                    QPointF a = poly[i - 1], b = poly[i];
                    if (clipSegment(a, b, picture)) work += (QLineF(a, b).length() + 1) * (penWidth + 2);
                }
            }
        }
        if (fill) {
            for (const QPolygonF& poly : fillShape.toSubpathPolygons()) {
                work += double(poly.size());
                for (qsizetype i = 1; i < poly.size(); ++i) {
                    const double top = std::max(picture.top(), std::min(poly[i - 1].y(), poly[i].y()));
                    const double bottom = std::min(picture.bottom(), std::max(poly[i - 1].y(), poly[i].y()));
                    if (bottom > top) work += bottom - top;
                }
            }
        }
        return work;
    }

    // Draws a shape given in picture pixels: filled with the brush when fill,
    // outlined with the pen when stroke; closed says whether its figures are
    // areas (an open polyline's are not).
    void draw(const QPainterPath& shape, bool fill, bool stroke, bool closed = true) {
        if (inPath_) {
            path_.addPath(shape);
            return;
        }
        const QRectF bounds = shape.controlPointRect();
        if (!finite(bounds)) return;
        const QPen p = stroke ? pen() : QPen(Qt::NoPen);
        const QBrush b = fill ? dc_.brush.brush : QBrush(Qt::NoBrush);
        if (p.style() == Qt::NoPen && b.style() == Qt::NoBrush) return;
        c_.charge(bounds, p.style() == Qt::NoPen ? 0 : p.widthF() + 2);
        if (c_.overBudget) return;
        QPainterPath fillShape = shape, strokeShape = shape;
        if (!guard_.contains(bounds)) {
            // Cut down to the guard rectangle: what lies outside it is far
            // enough from the picture that no pen reaches back in.
            if (b.style() != Qt::NoBrush || (closed && p.style() != Qt::NoPen)) fillShape = guardedClosed(shape);
            strokeShape = closed ? fillShape : guardedOpen(shape);
        }
        c_.chargeWork(
            outlineWork(fillShape, strokeShape, b.style() != Qt::NoBrush, p.style() == Qt::NoPen ? 0 : p.widthF()));
        if (c_.overBudget || c_.measuring()) return;
        applyClip();
        c_.painter.setCompositionMode(compositionForRop2(dc_.rop2));
        c_.painter.setBackgroundMode(dc_.opaque ? Qt::OpaqueMode : Qt::TransparentMode);
        c_.painter.setBackground(dc_.bkColour);
        if (b.style() != Qt::NoBrush) {
            fillShape.setFillRule(dc_.winding ? Qt::WindingFill : Qt::OddEvenFill);
            c_.painter.fillPath(fillShape, b);
        }
        if (p.style() != Qt::NoPen) {
            c_.painter.setPen(p);
            c_.painter.setBrush(Qt::NoBrush);
            c_.painter.drawPath(strokeShape);
        }
    }

    QPainterPath polygonPath(const std::vector<QPointF>& pts, bool close) const {
        QPainterPath path;
        if (pts.empty()) return path;
        path.moveTo(map(pts[0]));
        for (size_t i = 1; i < pts.size(); ++i) path.lineTo(map(pts[i]));
        if (close) path.closeSubpath();
        return path;
    }

    // ---- records
    void polyRecord(const Record& r, bool small) {
        const uint32_t count = r.u32(24);
        const std::vector<QPointF> pts = r.points(28, count, small);
        const uint32_t t = r.type;
        const bool bezier = t == kPolyBezier || t == kPolyBezier16 || t == kPolyBezierTo || t == kPolyBezierTo16;
        const bool to = t == kPolyBezierTo || t == kPolyBezierTo16 || t == kPolylineTo || t == kPolylineTo16;
        const bool polygon = t == kPolygon || t == kPolygon16;
        if (pts.empty()) return;
        QPainterPath path;
        size_t i = 0;
        if (to) {
            path.moveTo(map(dc_.position));
        } else {
            path.moveTo(map(pts[0]));
            i = 1;
        }
        if (bezier) {
            for (; i + 3 <= pts.size(); i += 3) path.cubicTo(map(pts[i]), map(pts[i + 1]), map(pts[i + 2]));
        } else {
            for (; i < pts.size(); ++i) path.lineTo(map(pts[i]));
        }
        if (to) dc_.position = bezier ? (pts.size() >= 3 ? pts[(pts.size() / 3) * 3 - 1] : dc_.position) : pts.back();
        if (polygon) {
            path.closeSubpath();
            draw(path, true, true);
        } else if (inPath_ && to) {
            // The figure goes on from the current position.
            appendToFigure(path);
        } else {
            draw(path, false, true, false);
        }
    }

    void appendToFigure(const QPainterPath& path) {
        // path starts with a move to the current position: continue the
        // open figure instead of starting a new one. (An arc of an empty
        // box adds nothing.)
        if (path.elementCount() == 0) return;
        if (path_.elementCount() == 0 || path_.currentPosition() != path.elementAt(0)) {
            path_.addPath(path);
            return;
        }
        path_.connectPath(path);
    }

    void polyPolyRecord(const Record& r, bool small) {
        const uint32_t polys = r.u32(24), total = r.u32(28);
        r.need(32, polys, 4);
        const std::vector<QPointF> pts = r.points(32 + size_t(polys) * 4, total, small);
        const bool polygon = r.type == kPolyPolygon || r.type == kPolyPolygon16;
        QPainterPath path;
        uint64_t at = 0;
        for (uint32_t k = 0; k < polys; ++k) {
            const uint32_t n = le32(r.p + 32 + size_t(k) * 4);
            if (n > total - at) damaged();
            std::vector<QPointF> one(pts.begin() + ptrdiff_t(at), pts.begin() + ptrdiff_t(at + n));
            path.addPath(polygonPath(one, polygon));
            at += n;
        }
        draw(path, polygon, true, polygon);
    }

    void polyDraw(const Record& r, bool small) {
        const uint32_t count = r.u32(24);
        const std::vector<QPointF> pts = r.points(28, count, small);
        r.need(28 + size_t(count) * (small ? 4 : 8), count, 1);
        const uint8_t* types = r.p + 28 + size_t(count) * (small ? 4 : 8);
        QPainterPath path;
        path.moveTo(map(dc_.position));
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t t = types[i] & ~1u;
            if (t == 6) {
                path.moveTo(map(pts[i]));
            } else if (t == 4 && i + 2 < count) {
                path.cubicTo(map(pts[i]), map(pts[i + 1]), map(pts[i + 2]));
                i += 2;
            } else {
                path.lineTo(map(pts[i]));
            }
            if (types[i] & 1) path.closeSubpath();
            dc_.position = pts[i];
        }
        draw(path, false, true, false);
    }

    // Arc, chord and pie: the figure runs from where the line from the
    // centre through start meets the ellipse to where the one through end
    // does, anticlockwise on the page (clockwise when the arc direction
    // says so).
    enum class ArcKind { Open, Chord, Pie };
    QPainterPath arcPath(const QRectF& box, const QPointF& start, const QPointF& end, ArcKind kind,
                         bool fromPosition) const {
        const QRectF r = box.normalized();
        const QPointF centre = r.center();
        const double rx = r.width() / 2, ry = r.height() / 2;
        QPainterPath logical;
        if (rx <= 0 || ry <= 0) return logical;
        auto angleOf = [&](const QPointF& p) {
            return std::atan2(-(p.y() - centre.y()) / ry, (p.x() - centre.x()) / rx) * 180 / M_PI;
        };
        const double a0 = angleOf(start), a1 = angleOf(end);
        double sweep = a1 - a0;
        if (dc_.clockwise) {
            while (sweep >= 0) sweep -= 360;
        } else {
            while (sweep <= 0) sweep += 360;
        }
        if (kind == ArcKind::Pie) {
            logical.moveTo(centre);
            logical.arcTo(r, a0, sweep);
            logical.closeSubpath();
        } else {
            if (fromPosition) {
                logical.moveTo(dc_.position);
                QPainterPath arc;
                arc.arcMoveTo(r, a0);
                logical.lineTo(arc.currentPosition());
            } else {
                logical.arcMoveTo(r, a0);
            }
            logical.arcTo(r, a0, sweep);
            if (kind == ArcKind::Chord) logical.closeSubpath();
        }
        return total_.map(logical);
    }

    void textOut(const Record& r, bool wide) {
        if (inPath_) return;
        const QPointF reference = r.point(36);
        const uint32_t chars = r.u32(44), offString = r.u32(48), options = r.u32(52);
        const QRectF box = r.rect(56);
        const uint32_t offDx = r.u32(72);
        r.need(offString, chars, wide ? 2 : 1);
        QString text;
        if (wide) {
            std::vector<char16_t> units(chars);
            for (uint32_t i = 0; i < chars; ++i) units[i] = char16_t(le16(r.p + offString + 2 * size_t(i)));
            text = QString::fromUtf16(units.data(), qsizetype(chars));
        } else {
            text = QString::fromLatin1(reinterpret_cast<const char*>(r.p + offString), qsizetype(chars));
        }
        // ETO_OPAQUE fills the box with the background colour; ETO_CLIPPED
        // keeps the text inside it.
        const bool opaqueBox = options & 0x2, clipped = options & 0x4;
        const QRectF boxPixels = total_.mapRect(box);
        const bool useBox = (opaqueBox || clipped) && finite(boxPixels) && !box.isEmpty();
        std::optional<QRegion> saved = dc_.clip;
        if (useBox && opaqueBox && c_.charge(boxPixels)) {
            applyClip();
            c_.painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            c_.painter.fillPath(guardedClosed(total_.map(QPolygonF(box))), dc_.bkColour);
        }
        if (text.isEmpty()) return;
        TextRun run;
        run.text = text;
        const uint32_t align = dc_.textAlign;
        const QPointF at = (align & 1) ? dc_.position : reference;
        run.at = map(at);
        if (!guard_.contains(run.at)) return;
        const Font& f = dc_.font;
        const double height = f.height != 0 ? std::abs(f.height) : 16 / std::max(scale_, 1e-9);
        // The font's height runs along the page's y axis.
        const double yScale = std::hypot(total_.m21(), total_.m22());
        run.pixelSize = height * yScale;
        run.face = f.face;
        run.weight = f.weight;
        run.italic = f.italic;
        run.underline = f.underline;
        run.strikeOut = f.strikeOut;
        run.angle = f.escapement;
        run.colour = dc_.textColour;
        run.opaque = dc_.opaque && !opaqueBox;
        run.background = dc_.bkColour;
        run.horizontal = (align & 6) == 6 ? 1 : (align & 2) ? 2 : 0;
        run.vertical = (align & 24) == 24 ? 1 : (align & 8) ? 2 : 0;
        if (offDx != 0 && chars > 0) {
            // ETO_PDY: a vertical offset follows each horizontal one.
            const uint32_t step = (options & 0x2000) ? 2 : 1;
            r.need(offDx, uint64_t(chars) * step, 4);
            const double xScale = std::hypot(total_.m11(), total_.m12());
            run.advances.reserve(chars);
            for (uint32_t i = 0; i < chars; ++i)
                run.advances.push_back(les32(r.p + offDx + size_t(i) * 4 * step) * xScale);
        }
        if (useBox && clipped && !c_.measuring()) {
            const QRegion boxRegion = regionOf(boxPixels);
            dc_.clip = dc_.clip ? *dc_.clip & boxRegion : boxRegion;
        }
        applyClip();
        c_.drawText(run);
        dc_.clip = saved;
        if (align & 1) {
            double advance = 0;
            for (double a : run.advances) advance += a;
            if (xScaleNonZero()) dc_.position.rx() += advance / std::hypot(total_.m11(), total_.m12());
        }
    }
    bool xScaleNonZero() const { return std::hypot(total_.m11(), total_.m12()) > 0; }

    QPainterPath guardedClosed(const QPolygonF& poly) const {
        QPainterPath path;
        path.addPolygon(poly);
        path.closeSubpath();
        return guard_.contains(path.controlPointRect()) ? path : guardedClosed(path);
    }

    // A rectangle of picture pixels as whole pixels, inside the guard.
    QRegion regionOf(const QRectF& r) const {
        const QRectF g = r.normalized() & guard_;
        if (!g.isValid() || !finite(g)) return QRegion();
        const int x0 = int(std::lround(g.left())), y0 = int(std::lround(g.top()));
        const int x1 = int(std::lround(g.right())), y1 = int(std::lround(g.bottom()));
        if (x1 <= x0 || y1 <= y0) return QRegion();
        return QRegion(x0, y0, x1 - x0, y1 - y0);
    }

    // The pixels a path covers within `area`, found by filling it on a mask
    // (Qt's own conversion of polygons to regions leaks memory on some
    // shapes).
    static QRegion regionOfPath(const QPainterPath& path, const QRect& area) {
        if (area.isEmpty()) return QRegion();
        QImage mask(area.size(), QImage::Format_Grayscale8);
        if (mask.isNull()) return QRegion();
        mask.fill(0);
        {
            QPainter painter(&mask);
            painter.translate(-area.topLeft());
            painter.fillPath(path, Qt::white);
        }
        std::vector<QRect> runs;
        for (int y = 0; y < mask.height(); ++y) {
            const uchar* line = mask.constScanLine(y);
            for (int x = 0; x < mask.width();) {
                if (line[x] < 128) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < mask.width() && line[x] >= 128) ++x;
                runs.emplace_back(area.left() + start, area.top() + y, x - start, 1);
            }
        }
        return unionOf(runs, 0, runs.size());
    }

    // Region data (RGNDATA) at `at`, `bytes` long: its rectangles, mapped by
    // `transform` to picture pixels.
    QRegion regionData(const Record& r, size_t at, uint32_t bytes, const QTransform& transform) {
        r.need(at, bytes, 1);
        if (bytes < 32) damaged();
        const uint32_t count = le32(r.p + at + 8);
        r.need(at + 32, count, 16);
        if (uint64_t(count) * 16 > bytes - 32) damaged();
        c_.chargeWork(count);
        std::vector<QRect> rects;
        rects.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* q = r.p + at + 32 + size_t(i) * 16;
            const QRectF rect(QPointF(les32(q), les32(q + 4)), QPointF(les32(q + 8), les32(q + 12)));
            const QRegion one = regionOf(transform.mapRect(rect));
            if (!one.isEmpty()) rects.push_back(one.boundingRect());
        }
        // The file's rectangles may overlap or come in any order, which
        // QRegion::setRects does not allow: they are united, in halves.
        return unionOf(rects, 0, rects.size());
    }
    static QRegion unionOf(const std::vector<QRect>& rects, size_t from, size_t to) {
        if (to - from == 0) return QRegion();
        if (to - from == 1) return QRegion(rects[from]);
        const size_t middle = from + (to - from) / 2;
        return unionOf(rects, from, middle) | unionOf(rects, middle, to);
    }

    void combineClip(const QRegion& region, uint32_t mode) {
        const QRegion all(c_.area().toRect().adjusted(0, 0, 0, 0));
        const QRegion current = dc_.clip ? *dc_.clip : all;
        switch (mode) {
            case 1: dc_.clip = current & region; break;  // RGN_AND
            case 2: dc_.clip = current | region; break;  // RGN_OR
            case 3: dc_.clip = current ^ region; break;  // RGN_XOR
            case 4: dc_.clip = current - region; break;  // RGN_DIFF
            default: dc_.clip = region; break;           // RGN_COPY
        }
    }

    // Brushes made from a bitmap: its pixels as a texture.
    QBrush patternBrush(const Record& r, size_t offBmi, size_t cbBmi, size_t offBits, size_t cbBits) {
        const std::optional<Picture> bitmap = readBitmap(r, offBmi, cbBmi, offBits, cbBits, uint64_t(1) << 20);
        if (!bitmap) return QBrush(Qt::black);
        if (c_.measuring()) return QBrush(Qt::black);
        return QBrush(qimageFromPicture(*bitmap));
    }

    // The device-independent bitmap of a record; nothing when the record
    // has none or the bitmap reader refuses it. Offsets outside the record
    // make the record damaged.
    std::optional<Picture> readBitmap(const Record& r, size_t offBmi, size_t cbBmi, size_t offBits, size_t cbBits,
                                      uint64_t maxPixels) {
        if (cbBmi == 0) return std::nullopt;
        r.need(offBmi, cbBmi, 1);
        r.need(offBits, cbBits, 1);
        if (cbBmi < 12) return std::nullopt;
        // Its pixels are charged to the budget before it is read.
        const uint32_t headerSize = le32(r.p + offBmi);
        int64_t w = 0, h = 0;
        if (headerSize == 12) {
            w = le16(r.p + offBmi + 4), h = le16(r.p + offBmi + 6);
        } else if (cbBmi >= 16) {
            w = les32(r.p + offBmi + 4), h = std::abs(int64_t(les32(r.p + offBmi + 8)));
        }
        if (w <= 0 || h <= 0 || uint64_t(w) * uint64_t(h) > std::min(maxPixels, c_.maxBitmapPixels))
            return std::nullopt;
        c_.chargeWork(double(w) * double(h));
        if (c_.overBudget || c_.measuring()) return std::nullopt;
        try {
            // A JPEG or PNG file as the bitmap's pixels (printers and office
            // programs write them so): no larger than the header says.
            const uint32_t compression = headerSize >= 40 && cbBmi >= 20 ? le32(r.p + offBmi + 16) : 0;
            if (compression == 4) return decodeJpeg(r.p + offBits, cbBits, uint64_t(w) * uint64_t(h));
            if (compression == 5) return decodePng(r.p + offBits, cbBits, uint64_t(w) * uint64_t(h));
            if (offBits >= offBmi + cbBmi || (offBits >= offBmi && offBits + cbBits <= offBmi + cbBmi)) {
                DibOptions options;
                options.pixelOffset = offBits - offBmi;
                if (options.pixelOffset == 0) return std::nullopt;
                return decodeDib(r.p + offBmi, offBits + cbBits - offBmi, options, maxPixels);
            }
            // Bits before the header: put them together.
            std::vector<uint8_t> joined(r.p + offBmi, r.p + offBmi + cbBmi);
            joined.insert(joined.end(), r.p + offBits, r.p + offBits + cbBits);
            DibOptions options;
            options.pixelOffset = cbBmi;
            return decodeDib(joined.data(), joined.size(), options, maxPixels);
        } catch (const JollixError&) {
            return std::nullopt;
        }
    }

    // The picture pixels inside `bounds` that the clip lets through, as
    // rectangles.
    QRegion pixelsWithin(const QRectF& bounds) const {
        QRegion target = regionOf(bounds.adjusted(-1, -1, 1, 1)) & QRegion(0, 0, c_.width, c_.height);
        if (dc_.clip) target &= *dc_.clip;
        return target;
    }

    // Maps the source rectangle (sx, sy, sw, sh) of a bitmap of bw x bh
    // pixels (rows top first) onto the logical rectangle dest: each picture
    // pixel the rectangle covers takes the bitmap pixel its centre falls on,
    // put(destination, x, y) combining them.
    template <class Put>
    void paintMapped(int bw, int bh, double sx, double sy, double sw, double sh, const QRectF& dest, Put put) {
        if (sw == 0 || sh == 0 || dest.width() == 0 || dest.height() == 0) return;
        // Source pixels to picture pixels.
        const QTransform toDest(dest.width() / sw, 0, 0, dest.height() / sh, dest.left() - sx * dest.width() / sw,
                                dest.top() - sy * dest.height() / sh);
        const QTransform forward = toDest * total_;
        bool invertible = false;
        const QTransform back = forward.inverted(&invertible);
        if (!invertible) return;
        const QRectF source = QRectF(sx, sy, sw, sh).normalized();
        const QRectF bounds = forward.mapRect(source);
        if (!finite(bounds) || !c_.charge(bounds)) return;
        const double sx0 = std::max(0.0, source.left()), sy0 = std::max(0.0, source.top());
        const double sx1 = std::min(double(bw), source.right()), sy1 = std::min(double(bh), source.bottom());
        for (const QRect& rect : pixelsWithin(bounds)) {
            for (int y = rect.top(); y <= rect.bottom(); ++y) {
                uint8_t* line = c_.pixelAt(0, y);
                for (int x = rect.left(); x <= rect.right(); ++x) {
                    const QPointF s = back.map(QPointF(x + 0.5, y + 0.5));
                    if (!(s.x() >= sx0 && s.x() < sx1 && s.y() >= sy0 && s.y() < sy1)) continue;
                    uint8_t* at = line + size_t(x) * 3;
                    uint32_t value = loadPixel(at);
                    put(value, int(s.x()), int(s.y()));
                    storePixel(at, value);
                }
            }
        }
    }

    // A decoded bitmap with a raster operation, or with a constant opacity
    // (0 to 255) where rop is 0.
    void drawBitmap(const Picture& bitmap, double sx, double sy, double sw, double sh, const QRectF& dest, uint32_t rop,
                    unsigned opacity = 255) {
        const TileReader pixels(bitmap);
        paintMapped(bitmap.width(), bitmap.height(), sx, sy, sw, sh, dest, [&](uint32_t& dst, int u, int v) {
            const uint8_t* px = pixels.at(u, v);
            const uint32_t src = 0xFF000000u | (uint32_t(px[2]) << 16) | (uint32_t(px[1]) << 8) | px[0];
            switch (rop) {
                case 0:
                    dst = blend(dst, px[0] * opacity / 255, px[1] * opacity / 255, px[2] * opacity / 255, opacity);
                    break;
                case 0x008800C6: dst = src & dst; break;                  // SRCAND
                case 0x00EE0086: dst = src | dst; break;                  // SRCPAINT
                case 0x00660046: dst = 0xFF000000u | (src ^ dst); break;  // SRCINVERT
                case 0x00330008: dst = 0xFF000000u | ~src; break;         // NOTSRCCOPY
                case 0x00AA0029: break;                                   // the destination kept
                default: dst = src; break;
            }
        });
    }

    // A premultiplied colour (blue, green, red) of opacity a over dst.
    static uint32_t blend(uint32_t dst, unsigned b, unsigned g, unsigned r, unsigned a) {
        auto over = [a](unsigned src, unsigned d) { return std::min(255u, src + (d * (255 - a) + 127) / 255); };
        return 0xFF000000u | (over(r, (dst >> 16) & 0xFF) << 16) | (over(g, (dst >> 8) & 0xFF) << 8) |
               over(b, dst & 0xFF);
    }

    // The bitmap records: where the bitmap lies in the record, its source
    // and destination rectangles.
    void bitmapRecord(const Record& r) {
        if (inPath_) return;
        int32_t dx, dy, dw, dh, sx, sy, sw, sh;
        uint32_t rop = 0x00CC0020, offBmi, cbBmi, offBits, cbBits;
        bool bottomUpSource = false;
        switch (r.type) {
            case kBitBlt:
            case kStretchBlt:
            case kAlphaBlend:
                dx = r.i32(24), dy = r.i32(28), dw = r.i32(32), dh = r.i32(36);
                rop = r.u32(40);  // for AlphaBlend: operation, flags, opacity, alpha format
                sx = r.i32(44), sy = r.i32(48);
                offBmi = r.u32(84), cbBmi = r.u32(88), offBits = r.u32(92), cbBits = r.u32(96);
                if (r.type != kBitBlt)
                    sw = r.i32(100), sh = r.i32(104);
                else
                    sw = dw, sh = dh;
                break;
            case kStretchDibits:
                dx = r.i32(24), dy = r.i32(28);
                sx = r.i32(32), sy = r.i32(36), sw = r.i32(40), sh = r.i32(44);
                offBmi = r.u32(48), cbBmi = r.u32(52), offBits = r.u32(56), cbBits = r.u32(60);
                rop = r.u32(68);
                dw = r.i32(72), dh = r.i32(76);
                bottomUpSource = true;
                break;
            default:  // SetDIBitsToDevice
                dx = r.i32(24), dy = r.i32(28);
                sx = r.i32(32), sy = r.i32(36), sw = r.i32(40), sh = r.i32(44);
                offBmi = r.u32(48), cbBmi = r.u32(52), offBits = r.u32(56), cbBits = r.u32(60);
                dw = sw, dh = sh;
                bottomUpSource = true;
                break;
        }
        const QRectF dest(dx, dy, dw, dh);
        if (cbBmi == 0) {
            // No bitmap: a pattern operation on the destination.
            const QRectF rect = total_.mapRect(dest.normalized());
            if (!finite(rect)) return;
            applyClip();
            c_.patternBlt(rect & guard_, rop, dc_.brush.brush);
            return;
        }
        if (r.type == kAlphaBlend) {
            if (cbBmi == 0) return;
            const unsigned opacity = (rop >> 16) & 0xFF;
            if ((rop >> 24) & 1 && alphaBlend(r, offBmi, cbBmi, offBits, cbBits, sx, sy, sw, sh, dest, opacity)) return;
            // Without an alpha channel the bitmap is drawn at its constant
            // opacity.
            rop = 0;
            alphaOpacity_ = opacity;
        }
        const std::optional<Picture> bitmap = readBitmap(r, offBmi, cbBmi, offBits, cbBits, maxPixels_);
        if (c_.measuring()) {
            const QRectF rect = total_.mapRect(dest.normalized());
            if (finite(rect)) c_.charge(rect);
            return;
        }
        if (!bitmap) return;
        // The bitmap's rows run bottom-up unless its height is negative;
        // for these records the source's y counts from its bottom then.
        const bool bottomUp = le32(r.p + offBmi) == 12 || les32(r.p + offBmi + 8) > 0;
        const double top = bottomUpSource && bottomUp ? double(bitmap->height()) - sy - sh : double(sy);
        drawBitmap(*bitmap, sx, top, sw, sh, dest, rop, alphaOpacity_);
        alphaOpacity_ = 255;
    }

    // GradientFill: rectangles shaded from one corner's colour to the
    // other's, across or down, or triangles shaded between their corners.
    void gradientFill(const Record& r) {
        if (inPath_) return;
        const uint32_t vertices = r.u32(24), pieces = r.u32(28), mode = r.u32(32);
        if (mode > 2) return;
        r.need(36, vertices, 16);
        const size_t piecesAt = 36 + size_t(vertices) * 16;
        const unsigned each = mode == 2 ? 12 : 8;
        r.need(piecesAt, pieces, each);
        struct Vertex {
            QPointF at;  // picture pixels
            double red, green, blue;
        };
        std::vector<Vertex> v(vertices);
        for (uint32_t i = 0; i < vertices; ++i) {
            const uint8_t* q = r.p + 36 + size_t(i) * 16;
            v[i] = Vertex{map(QPointF(les32(q), les32(q + 4))), le16(q + 8) / 257.0, le16(q + 10) / 257.0,
                          le16(q + 12) / 257.0};
        }
        for (uint32_t k = 0; k < pieces; ++k) {
            const uint8_t* q = r.p + piecesAt + size_t(k) * each;
            const uint32_t a = le32(q), b = le32(q + 4), c = mode == 2 ? le32(q + 8) : 0;
            if (a >= vertices || b >= vertices || c >= vertices) continue;
            if (mode < 2) {
                // The rectangle between the two corners, in picture pixels.
                const Vertex &from = v[a], &to = v[b];
                const QRectF rect = QRectF(from.at, to.at).normalized();
                if (!finite(rect) || !c_.charge(rect)) continue;
                QLinearGradient shade(from.at,
                                      mode == 0 ? QPointF(to.at.x(), from.at.y()) : QPointF(from.at.x(), to.at.y()));
                shade.setColorAt(0, QColor::fromRgbF(from.red / 255, from.green / 255, from.blue / 255));
                shade.setColorAt(1, QColor::fromRgbF(to.red / 255, to.green / 255, to.blue / 255));
                applyClip();
                c_.painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
                c_.painter.fillRect(rect & guard_, QBrush(shade));
                continue;
            }
            const Vertex &p0 = v[a], &p1 = v[b], &p2 = v[c];
            QPolygonF triangle;
            triangle << p0.at << p1.at << p2.at;
            const QRectF bounds = triangle.boundingRect();
            if (!finite(bounds) || !c_.charge(bounds)) continue;
            const double area =
                (p1.at.x() - p0.at.x()) * (p2.at.y() - p0.at.y()) - (p2.at.x() - p0.at.x()) * (p1.at.y() - p0.at.y());
            if (area == 0) continue;
            for (const QRect& rect : pixelsWithin(bounds)) {
                for (int y = rect.top(); y <= rect.bottom(); ++y) {
                    uint8_t* line = c_.pixelAt(0, y);
                    for (int x = rect.left(); x <= rect.right(); ++x) {
                        // Barycentric weights of the pixel's centre.
                        const double px = x + 0.5, py = y + 0.5;
                        const double w1 =
                            ((px - p0.at.x()) * (p2.at.y() - p0.at.y()) - (p2.at.x() - p0.at.x()) * (py - p0.at.y())) /
                            area;
                        const double w2 =
                            ((p1.at.x() - p0.at.x()) * (py - p0.at.y()) - (px - p0.at.x()) * (p1.at.y() - p0.at.y())) /
                            area;
                        const double w0 = 1 - w1 - w2;
                        if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                        auto mix = [&](double c0, double c1, double c2) {
                            return uint32_t(std::clamp(std::lround(w0 * c0 + w1 * c1 + w2 * c2), 0L, 255L));
                        };
                        storePixel(line + size_t(x) * 3, (mix(p0.red, p1.red, p2.red) << 16) |
                                                             (mix(p0.green, p1.green, p2.green) << 8) |
                                                             mix(p0.blue, p1.blue, p2.blue));
                    }
                }
            }
        }
    }

    // AlphaBlend of a 32-bit bitmap whose pixels carry premultiplied alpha,
    // read in place from the record; false when the bitmap is of another
    // kind.
    bool alphaBlend(const Record& r, size_t offBmi, size_t cbBmi, size_t offBits, size_t cbBits, double sx, double sy,
                    double sw, double sh, const QRectF& dest, unsigned opacity) {
        r.need(offBmi, cbBmi, 1);
        r.need(offBits, cbBits, 1);
        if (cbBmi < 40 || le32(r.p + offBmi) < 40) return false;
        const uint8_t* h = r.p + offBmi;
        const int64_t w = les32(h + 4), signedHeight = les32(h + 8);
        const int64_t height = std::abs(signedHeight);
        if (le16(h + 14) != 32 || le32(h + 16) != 0 || w <= 0 || height == 0) return false;
        const size_t stride = size_t(w) * 4;
        if (uint64_t(w) * uint64_t(height) > c_.maxBitmapPixels || uint64_t(height) * stride > cbBits) return false;
        c_.chargeWork(double(w) * double(height));
        if (c_.measuring()) {
            const QRectF rect = total_.mapRect(dest.normalized());
            if (finite(rect)) c_.charge(rect);
            return true;
        }
        const uint8_t* bits = r.p + offBits;
        const bool bottomUp = signedHeight > 0;
        paintMapped(int(w), int(height), sx, sy, sw, sh, dest, [&](uint32_t& dst, int u, int v) {
            const uint8_t* px = bits + size_t(bottomUp ? height - 1 - v : v) * stride + size_t(u) * 4;
            const unsigned a = px[3] * opacity / 255;
            dst = blend(dst, px[0] * opacity / 255, px[1] * opacity / 255, px[2] * opacity / 255, a);
        });
        return true;
    }

    Object* objectAt(uint32_t index) {
        if (index == 0 || index >= objects_.size()) return nullptr;
        return &objects_[index];
    }

    void selectStock(uint32_t which) {
        switch (which) {
            case 0: dc_.brush.brush = QBrush(Qt::white); break;
            case 1: dc_.brush.brush = QBrush(QColor(0xC0, 0xC0, 0xC0)); break;
            case 2: dc_.brush.brush = QBrush(QColor(0x80, 0x80, 0x80)); break;
            case 3: dc_.brush.brush = QBrush(QColor(0x40, 0x40, 0x40)); break;
            case 4: dc_.brush.brush = QBrush(Qt::black); break;
            case 5: dc_.brush.brush = QBrush(Qt::NoBrush); break;
            case 6: dc_.pen = Pen{0, 0, true, Qt::white, false}; break;
            case 7: dc_.pen = Pen{}; break;
            case 8: dc_.pen = Pen{5, 0, true, Qt::black, true}; break;
            case 10:
            case 11:
            case 12:
            case 13:
            case 14:
            case 16:
            case 17: dc_.font = Font{}; break;
            default: break;
        }
    }

    void record(const Record& r) {
        switch (r.type) {
            case kPolyBezier:
            case kPolygon:
            case kPolyline:
            case kPolyBezierTo:
            case kPolylineTo: polyRecord(r, false); break;
            case kPolyBezier16:
            case kPolygon16:
            case kPolyline16:
            case kPolyBezierTo16:
            case kPolylineTo16: polyRecord(r, true); break;
            case kPolyPolyline:
            case kPolyPolygon: polyPolyRecord(r, false); break;
            case kPolyPolyline16:
            case kPolyPolygon16: polyPolyRecord(r, true); break;
            case kPolyDraw: polyDraw(r, false); break;
            case kPolyDraw16: polyDraw(r, true); break;
            case kSetWindowExt:
            case kSetViewportExt: {
                const double w = r.i32(8), h = r.i32(12);
                // Refused, as the system does, for empty extents and in
                // the modes with fixed units.
                if (w == 0 || h == 0 || dc_.mapMode < kIsotropic) break;
                (r.type == kSetWindowExt ? dc_.windowExt : dc_.viewportExt) = QSizeF(w, h);
                update();
                break;
            }
            case kSetWindowOrg: dc_.windowOrg = r.point(8), update(); break;
            case kSetViewportOrg: dc_.viewportOrg = r.point(8), update(); break;
            case kScaleViewportExt:
            case kScaleWindowExt: {
                const double xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
                if (xd == 0 || yd == 0 || xn == 0 || yn == 0) break;
                QSizeF& ext = r.type == kScaleWindowExt ? dc_.windowExt : dc_.viewportExt;
                ext = QSizeF(ext.width() * xn / xd, ext.height() * yn / yd);
                update();
                break;
            }
            case kSetMapMode: {
                const uint32_t mode = r.u32(8);
                if (mode >= kText && mode <= kAnisotropic) dc_.mapMode = int(mode);
                update();
                break;
            }
            case kSetWorldTransform:
            case kModifyWorldTransform: {
                const QTransform x(r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28));
                const uint32_t mode = r.type == kSetWorldTransform ? 4 : r.u32(32);
                const bool sound = std::isfinite(x.m11()) && std::isfinite(x.m12()) && std::isfinite(x.m21()) &&
                                   std::isfinite(x.m22()) && std::isfinite(x.dx()) && std::isfinite(x.dy());
                if (mode == 1)
                    dc_.world = QTransform();
                else if (!sound)
                    break;
                else if (mode == 2)
                    dc_.world = x * dc_.world;
                else if (mode == 3)
                    dc_.world = dc_.world * x;
                else if (mode == 4)
                    dc_.world = x;
                update();
                break;
            }
            case kSetPixel: {
                const QPointF p = map(r.point(8));
                if (inPath_ || !guard_.contains(p) || !c_.charge(QRectF(p, QSizeF(1, 1)))) break;
                applyClip();
                c_.painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
                c_.painter.fillRect(QRectF(std::floor(p.x()), std::floor(p.y()), 1, 1), colourOf(r.u32(16)));
                break;
            }
            case kSetBkMode: dc_.opaque = r.u32(8) == 2; break;
            case kSetPolyFillMode: dc_.winding = r.u32(8) == 2; break;
            case kSetRop2: dc_.rop2 = r.u32(8); break;
            case kSetTextAlign: dc_.textAlign = r.u32(8); break;
            case kSetTextColor: dc_.textColour = colourOf(r.u32(8)); break;
            case kSetBkColor: dc_.bkColour = colourOf(r.u32(8)); break;
            case kSetArcDirection: dc_.clockwise = r.u32(8) == 2; break;
            case kMoveTo:
                dc_.position = r.point(8);
                if (inPath_) path_.moveTo(map(dc_.position));
                break;
            case kLineTo: {
                const QPointF to = r.point(8);
                QPainterPath path;
                path.moveTo(map(dc_.position));
                path.lineTo(map(to));
                dc_.position = to;
                if (inPath_)
                    appendToFigure(path);
                else
                    draw(path, false, true, false);
                break;
            }
            case kRectangle:
            case kEllipse:
            case kRoundRect: {
                const QRectF box = r.rect(8).normalized();
                QPainterPath logical;
                if (r.type == kRectangle)
                    logical.addRect(box);
                else if (r.type == kEllipse)
                    logical.addEllipse(box);
                else
                    logical.addRoundedRect(box, std::abs(r.i32(24)) / 2.0, std::abs(r.i32(28)) / 2.0);
                draw(total_.map(logical), true, true);
                break;
            }
            case kArc:
            case kChord:
            case kPie:
            case kArcTo: {
                const ArcKind kind = r.type == kChord ? ArcKind::Chord : r.type == kPie ? ArcKind::Pie : ArcKind::Open;
                const QPainterPath path = arcPath(r.rect(8), r.point(24), r.point(32), kind, r.type == kArcTo);
                if (r.type == kArcTo) {
                    if (!path.isEmpty() && usable()) {
                        bool ok = false;
                        const QTransform back = total_.inverted(&ok);
                        if (ok) dc_.position = back.map(path.currentPosition());
                    }
                    if (inPath_) {
                        appendToFigure(path);
                        break;
                    }
                }
                draw(path, kind != ArcKind::Open, true, kind != ArcKind::Open);
                break;
            }
            case kAngleArc: {
                const QPointF centre = r.point(8);
                const double radius = r.u32(16);
                const double start = r.f32(20), sweep = r.f32(24);  // degrees
                if (!std::isfinite(start) || !std::isfinite(sweep)) break;
                const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
                QPainterPath logical;
                logical.moveTo(dc_.position);
                QPainterPath arc;
                arc.arcMoveTo(box, start);
                logical.lineTo(arc.currentPosition());
                logical.arcTo(box, start, std::clamp(sweep, -720.0, 720.0));
                dc_.position = logical.currentPosition();
                if (inPath_)
                    appendToFigure(total_.map(logical));
                else
                    draw(total_.map(logical), false, true, false);
                break;
            }
            case kSaveDc:
                if (saved_.size() < 4096) saved_.push_back(dc_);
                break;
            case kRestoreDc: {
                const int32_t n = r.i32(8);
                size_t level = saved_.size();
                if (n < 0 && uint64_t(-int64_t(n)) <= saved_.size())
                    level = saved_.size() - size_t(-int64_t(n));
                else if (n > 0 && size_t(n) <= saved_.size())
                    level = size_t(n) - 1;
                else
                    break;
                dc_ = saved_[level];
                saved_.resize(level);
                update();
                break;
            }
            case kSelectObject: {
                const uint32_t index = r.u32(8);
                if (index & 0x80000000u) {
                    selectStock(index & 0x7FFFFFFFu);
                    break;
                }
                const Object* o = objectAt(index);
                if (!o) break;
                if (o->kind == Object::PenKind) dc_.pen = o->pen;
                if (o->kind == Object::BrushKind) dc_.brush = o->brush;
                if (o->kind == Object::FontKind) dc_.font = o->font;
                break;
            }
            case kDeleteObject:
                if (Object* o = objectAt(r.u32(8))) *o = Object{};
                break;
            case kCreatePen: {
                Object* o = objectAt(r.u32(8));
                if (!o) break;
                Pen p;
                p.style = r.u32(12);
                p.width = r.i32(16);
                p.colour = colourOf(r.u32(24));
                p.null = (p.style & 0xF) == 5;
                p.cosmetic = p.width <= 0;  // width 0: one pixel whatever the mapping
                *o = Object{Object::PenKind, p, {}, {}};
                break;
            }
            case kExtCreatePen: {
                Object* o = objectAt(r.u32(8));
                if (!o) break;
                Pen p;
                p.style = r.u32(28);
                p.width = r.u32(32);
                const uint32_t brushStyle = r.u32(36);
                p.colour = colourOf(r.u32(40));
                p.null = (p.style & 0xF) == 5 || brushStyle == 1;
                p.cosmetic = !(p.style & 0x10000) || p.width == 0;
                *o = Object{Object::PenKind, p, {}, {}};
                break;
            }
            case kCreateBrush: {
                Object* o = objectAt(r.u32(8));
                if (!o) break;
                *o = Object{Object::BrushKind, {}, {metafileBrush(r.u32(12), r.u32(20), colourOf(r.u32(16)))}, {}};
                break;
            }
            case kCreateMonoBrush:
            case kCreateDibPatternBrush: {
                Object* o = objectAt(r.u32(8));
                if (!o) break;
                const QBrush brush = patternBrush(r, r.u32(16), r.u32(20), r.u32(24), r.u32(28));
                *o = Object{Object::BrushKind, {}, {brush}, {}};
                break;
            }
            case kCreateFont: {
                Object* o = objectAt(r.u32(8));
                r.need(12, 92, 1);
                if (!o) break;
                Font f;
                f.height = r.i32(12);
                f.escapement = r.i32(20) / 10.0;
                f.weight = r.i32(28);
                f.italic = r.p[32] != 0;
                f.underline = r.p[33] != 0;
                f.strikeOut = r.p[34] != 0;
                char16_t name[32];
                qsizetype length = 0;
                for (; length < 32; ++length) {
                    name[length] = char16_t(le16(r.p + 40 + 2 * size_t(length)));
                    if (name[length] == 0) break;
                }
                f.face = QString::fromUtf16(name, length);
                *o = Object{Object::FontKind, {}, {}, f};
                break;
            }
            case kBeginPath:
                inPath_ = true;
                path_ = QPainterPath();
                break;
            case kEndPath: inPath_ = false; break;
            case kAbortPath:
                inPath_ = false;
                path_ = QPainterPath();
                break;
            case kCloseFigure:
                if (inPath_) path_.closeSubpath();
                break;
            case kFillPath:
            case kStrokePath:
            case kStrokeAndFillPath: {
                if (inPath_) break;
                const QPainterPath path = path_;
                path_ = QPainterPath();
                draw(path, r.type != kStrokePath, r.type != kFillPath, r.type != kStrokePath);
                break;
            }
            case kSelectClipPath: {
                if (inPath_) break;
                QPainterPath path = path_;
                path_ = QPainterPath();
                path.setFillRule(dc_.winding ? Qt::WindingFill : Qt::OddEvenFill);
                if (!guard_.contains(path.controlPointRect())) path = guardedClosed(path);
                const QRect area = path.controlPointRect().toAlignedRect() & QRect(0, 0, c_.width, c_.height);
                c_.chargeWork(path.elementCount() + double(area.width()) * area.height());
                if (c_.measuring()) break;
                combineClip(regionOfPath(path, area), r.u32(8));
                break;
            }
            case kIntersectClipRect:
            case kExcludeClipRect: {
                const QRegion rect = regionOf(total_.mapRect(r.rect(8)));
                combineClip(rect, r.type == kIntersectClipRect ? 1 : 4);
                break;
            }
            case kOffsetClipRgn:
                if (dc_.clip) {
                    const QPointF d = total_.map(r.point(8)) - total_.map(QPointF(0, 0));
                    if (std::abs(d.x()) < 1e6 && std::abs(d.y()) < 1e6)
                        dc_.clip->translate(int(std::lround(d.x())), int(std::lround(d.y())));
                }
                break;
            case kExtSelectClipRgn: {
                const uint32_t bytes = r.u32(8), mode = r.u32(12);
                if (bytes == 0) {
                    if (mode == 5) dc_.clip.reset();
                    break;
                }
                // Region rectangles are in device pixels.
                combineClip(regionData(r, 16, bytes, device_), mode);
                break;
            }
            case kFillRgn:
            case kPaintRgn:
            case kInvertRgn:
            case kFrameRgn: {
                const bool brushed = r.type == kFillRgn || r.type == kFrameRgn;
                const uint32_t bytes = r.u32(24);
                const size_t at = r.type == kFrameRgn ? 40 : brushed ? 32 : 28;
                QBrush brush = dc_.brush.brush;
                if (brushed) {
                    const uint32_t index = r.u32(28);
                    if (const Object* o = objectAt(index); o && o->kind == Object::BrushKind) brush = o->brush.brush;
                }
                const QRegion region = regionData(r, at, bytes, total_);
                if (inPath_ || !c_.charge(region.boundingRect())) break;
                applyClip();
                c_.painter.setCompositionMode(r.type == kInvertRgn ? QPainter::RasterOp_NotDestination
                                                                   : QPainter::CompositionMode_SourceOver);
                if (r.type == kInvertRgn) brush = QBrush(Qt::white);
                const double fw = r.type == kFrameRgn ? std::clamp(logicalLength(r.i32(32)), 1.0, c_.maxStroke) : 0;
                for (const QRect& rect : region) {
                    if (r.type != kFrameRgn) {
                        c_.painter.fillRect(rect, brush);
                        continue;
                    }
                    const QRectF f(rect);
                    c_.painter.fillRect(QRectF(f.left(), f.top(), f.width(), fw), brush);
                    c_.painter.fillRect(QRectF(f.left(), f.bottom() + 1 - fw, f.width(), fw), brush);
                    c_.painter.fillRect(QRectF(f.left(), f.top(), fw, f.height()), brush);
                    c_.painter.fillRect(QRectF(f.right() + 1 - fw, f.top(), fw, f.height()), brush);
                }
                break;
            }
            case kBitBlt:
            case kStretchBlt:
            case kStretchDibits:
            case kSetDibitsToDevice:
            case kAlphaBlend: bitmapRecord(r); break;
            case kGradientFill: gradientFill(r); break;
            case kExtTextOutA:
            case kExtTextOutW: textOut(r, r.type == kExtTextOutW); break;
            default: break;  // not drawn
        }
    }

    MetafileCanvas& c_;
    const EmfLayout& layout_;
    const uint8_t* data_;
    uint64_t maxPixels_;
    std::vector<Object> objects_;
    DeviceContext dc_;
    std::vector<DeviceContext> saved_;
    QTransform device_, total_;
    double scale_ = 1;
    double pixelsPerMmX_ = 96 / 25.4, pixelsPerMmY_ = 96 / 25.4;
    QRectF guard_;
    bool inPath_ = false;
    QPainterPath path_;
    unsigned alphaOpacity_ = 255;
};

int pixelsFromHundredthsMm(int64_t extent) {
    const long double px = std::fabs(static_cast<long double>(extent)) * 96.0L / 2540.0L;
    if (px > 1e9L) return kMaxPictureSide + 1;
    return int(std::nearbyint(px));
}

}  // namespace

Picture decodeEmf(const uint8_t* data, size_t size, uint64_t maxPixels) {
    const EmfLayout layout = checkEmfStructure(data, size);
    int64_t width = pixelsFromHundredthsMm(int64_t(layout.frameRight) - layout.frameLeft);
    int64_t height = pixelsFromHundredthsMm(int64_t(layout.frameBottom) - layout.frameTop);
    const bool fromFrame = width != 0 && height != 0;
    if (!fromFrame) {
        width = std::abs(int64_t(layout.boundsRight) - layout.boundsLeft) + 1;
        height = std::abs(int64_t(layout.boundsBottom) - layout.boundsTop) + 1;
    }
    checkPictureSize(width, height, maxPixels, "enhanced metafile");
    const int w = int(width), h = int(height);
    ensureGuiApplication();
    // First measured, then drawn.
    {
        MetafileCanvas measure(w, h, false, maxPixels);
        Player player(measure, layout, data, maxPixels, fromFrame);
        player.play();
        if (measure.overBudget) fail("the metafile draws far more than its picture holds");
    }
    MetafileCanvas canvas(w, h, true, maxPixels);
    {
        Player player(canvas, layout, data, maxPixels, fromFrame);
        player.play();
    }
    if (canvas.overBudget) fail("the metafile draws far more than its picture holds");
    return canvas.take();
}

}  // namespace jollix
