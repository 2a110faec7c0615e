// Enhanced metafiles: turned into SVG by libemf2svg, the SVG drawn by QtSvg
// onto a white picture at the metafile's size in pixels.
//
// libemf2svg reads record fields without checking them against the record,
// so every record is checked first: the chain of records must lie inside the
// file, start with the header and end with EMR_EOF, and each record must
// pass libUEMF's own record check (U_emf_record_safe, from the library
// libemf2svg is built on), which verifies the counts and offsets inside it.
//
// Size in pixels: the header's frame (in 0.01 mm) at 96 pixels per inch;
// when the frame is empty, the header's bounds in device pixels.
//
// Drawing has the same budget as a Windows metafile's: before the SVG is
// drawn for real it is played once onto a device that only measures, adding
// up the pixels each shape may touch (its bounds, as transformed, within the
// picture). A file that would pass the budget is refused without drawing, so
// that thousands of picture-filling shapes cannot keep the program busy.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <dlfcn.h>

extern "C" {
#include <emf2svg.h>
}

#include "io/decode_util.h"
#include "io/metafile_records.h"
#include "io/picture_files.h"
#include "io/picture_rows.h"
#include "io/qt_messages.h"
#include "io/qimage_picture.h"
#include "io/wmf_canvas.h"

namespace jollix {
using namespace io_detail;

namespace io_detail {

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

// libUEMF's record check, 1 when a record's internal counts and offsets fit
// inside its declared size. libUEMF is libemf2svg's own dependency, so it is
// always loaded with it; it is looked up at run time rather than linked,
// because libUEMF also exports functions named like libwmf's (wmf_free, ...)
// and must never come first in the program's symbol lookup.
using RecordCheck = int (*)(const char*);
RecordCheck recordCheck() {
    static RecordCheck check = [] {
        void* lib = dlopen("libuemf.so.0", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
        if (!lib) lib = dlopen("libuemf.so.0", RTLD_NOW | RTLD_LOCAL);
        return lib ? reinterpret_cast<RecordCheck>(dlsym(lib, "U_emf_record_safe")) : nullptr;
    }();
    return check;
}

bool uncheckedRecord(uint32_t type) {
    switch (type) {
        case 69:
        case 96:
        case 97:
        case 102:
        case 103:
        case 105:
        case 106:
        case 107:
        case 109:
        case 110:
        case 111:
        case 112:
        case 113:
        case 117:
        case 119:
        case 120:
        case 121: return true;
        default: return false;
    }
}

void setLe32(char* p, uint32_t v) {
    p[0] = char(v);
    p[1] = char(v >> 8);
    p[2] = char(v >> 16);
    p[3] = char(v >> 24);
}

void sanitiseHeader(char* header, uint32_t size) {
    const auto* h = reinterpret_cast<const uint8_t*>(header);
    const uint64_t descriptionChars = le32(h + 60), descriptionAt = le32(h + 64);
    if (descriptionChars == 0 || descriptionAt < 88 || descriptionAt + descriptionChars * 2 > size) {
        setLe32(header + 60, 0);
        setLe32(header + 64, 0);
    }
    if (size >= 100) {
        const uint64_t formatBytes = le32(h + 88), formatAt = le32(h + 92);
        if (formatBytes == 0 || formatAt < 100 || formatAt + formatBytes > size) {
            setLe32(header + 88, 0);
            setLe32(header + 92, 0);
        }
    }
}

// The measuring device: a paint engine that draws nothing and charges the
// bounds of every shape, image and text run, in device pixels within the
// picture, to the drawing budget.
//
// Converting and reading the SVG costs time in proportion to the records,
// so a first, cheaper estimate is made on the records themselves: each
// shape is charged the box it gives (its own rectangle, or the bounds the
// record carries), taken as device units and scaled from the header's
// bounds to the picture. That refuses the plain floods of big shapes before
// any conversion; shapes that only grow through the file's transforms are
// caught by the measuring pass.
double estimatedDrawing(const uint8_t* data, const EmfLayout& layout, int width, int height) {
    const double boundsW = std::max<int64_t>(1, int64_t(layout.boundsRight) - layout.boundsLeft + 1);
    const double boundsH = std::max<int64_t>(1, int64_t(layout.boundsBottom) - layout.boundsTop + 1);
    const double sx = width / boundsW, sy = height / boundsH;
    double spent = 0;
    for (size_t pos = 0; pos < layout.end;) {
        const uint32_t type = le32(data + pos), recordSize = le32(data + pos + 4);
        bool shape = false;
        switch (type) {
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
            case 7:
            case 8:  // poly* with their bounds
            case 42:
            case 43:
            case 44:
            case 45:
            case 46:
            case 47:  // ellipse, rectangle, arcs
            case 55:
            case 56:
            case 62:
            case 63:
            case 64:  // arc-to, poly-draw, paths
            case 71:
            case 72:
            case 73:
            case 74:  // regions
            case 76:
            case 77:
            case 78:
            case 79:
            case 80:
            case 81:  // bitmaps
            case 83:
            case 84:  // text
            case 85:
            case 86:
            case 87:
            case 88:
            case 89:
            case 90:
            case 91:
            case 92:  // 16-bit poly*
                shape = recordSize >= 24;
                break;
            default: break;
        }
        if (shape) {
            const double l = les32(data + pos + 8), t = les32(data + pos + 12);
            const double r = les32(data + pos + 16), b = les32(data + pos + 20);
            const double x0 = std::max<double>(std::min(l, r), layout.boundsLeft);
            const double x1 = std::min<double>(std::max(l, r), layout.boundsRight + 1.0);
            const double y0 = std::max<double>(std::min(t, b), layout.boundsTop);
            const double y1 = std::min<double>(std::max(t, b), layout.boundsBottom + 1.0);
            spent += (x1 > x0 && y1 > y0 ? (x1 - x0) * sx * (y1 - y0) * sy : 0) + 1;
        }
        pos += recordSize;
    }
    return spent;
}

class MeasuringEngine : public QPaintEngine {
public:
    MeasuringEngine(int width, int height) : QPaintEngine(AllFeatures), area_(0, 0, width, height) {}
    double spent = 0;

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState& state) override {
        if (state.state() & DirtyTransform) transform_ = state.transform();
        if (state.state() & DirtyPen) {
            const QPen pen = state.pen();
            penMargin_ = pen.style() == Qt::NoPen ? 0 : std::max(1.0, pen.widthF()) + 2;
        }
    }
    void drawPath(const QPainterPath& path) override { charge(path.controlPointRect(), true); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override {
        if (count <= 0) return;
        qreal left = points[0].x(), right = left, top = points[0].y(), bottom = top;
        for (int i = 1; i < count; ++i) {
            left = std::min(left, points[i].x()), right = std::max(right, points[i].x());
            top = std::min(top, points[i].y()), bottom = std::max(bottom, points[i].y());
        }
        charge(QRectF(QPointF(left, top), QPointF(right, bottom)), true);
    }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) charge(rects[i], true);
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) charge(QRectF(lines[i].p1(), lines[i].p2()).normalized(), true);
    }
    void drawEllipse(const QRectF& r) override { charge(r, true); }
    void drawPoints(const QPointF* points, int count) override {
        for (int i = 0; i < count; ++i) charge(QRectF(points[i], QSizeF(0, 0)), true);
    }
    void drawPixmap(const QRectF& r, const QPixmap&, const QRectF&) override { charge(r, false); }
    void drawImage(const QRectF& r, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
        charge(r, false);
    }
    void drawTiledPixmap(const QRectF& r, const QPixmap&, const QPointF&) override { charge(r, false); }
    void drawTextItem(const QPointF& p, const QTextItem& text) override {
        charge(QRectF(p.x(), p.y() - text.ascent(), text.width(), text.ascent() + text.descent()), false);
    }

private:
    void charge(const QRectF& bounds, bool stroked) {
        QRectF r = transform_.mapRect(bounds);
        if (stroked) r.adjust(-penMargin_, -penMargin_, penMargin_, penMargin_);
        r &= area_;
        spent += r.isValid() ? r.width() * r.height() + 1 : 1;
    }
    QRectF area_;
    QTransform transform_;
    double penMargin_ = 0;
};

class MeasuringDevice : public QPaintDevice {
public:
    MeasuringDevice(int width, int height) : engine(width, height), width_(width), height_(height) {}
    MeasuringEngine engine;
    QPaintEngine* paintEngine() const override { return const_cast<MeasuringEngine*>(&engine); }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth: return width_;
            case PdmHeight: return height_;
            case PdmWidthMM: return int(width_ * 25.4 / 96);
            case PdmHeightMM: return int(height_ * 25.4 / 96);
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY: return 96;
            case PdmDepth: return 32;
            case PdmNumColors: return INT_MAX;
            case PdmDevicePixelRatio: return 1;
            case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    int width_, height_;
};

constexpr size_t kMaxRecords = size_t(1) << 20;

int pixelsFromHundredthsMm(int64_t extent) {
    const long double px = std::fabs(static_cast<long double>(extent)) * 96.0L / 2540.0L;
    if (px > 1e9L) return kMaxPictureSide + 1;
    return int(std::nearbyint(px));
}

}  // namespace

Picture decodeEmf(const uint8_t* data, size_t size, uint64_t maxPixels) {
    const EmfLayout layout = checkEmfStructure(data, size);

    // The records libemf2svg reads, in an aligned copy that ends at EOF.
    // Records that libUEMF cannot check and libemf2svg does not draw (its
    // "not implemented" kinds) are left out; the header's optional parts
    // (description, pixel format), which nothing checks, are dropped when
    // they point outside the header.
    const RecordCheck safe = recordCheck();
    if (!safe) fail("the enhanced metafile reader is incomplete (libUEMF's record check is missing)");
    std::vector<char> copy;
    copy.reserve(layout.end);
    uint32_t kept = 0;
    for (size_t pos = 0; pos < layout.end;) {
        const uint32_t type = le32(data + pos), recordSize = le32(data + pos + 4);
        if (!uncheckedRecord(type)) {
            const size_t at = copy.size();
            copy.insert(copy.end(), data + pos, data + pos + recordSize);
            if (type == kEmrHeader) sanitiseHeader(copy.data() + at, recordSize);
            if (!safe(&copy[at])) fail("an enhanced metafile record is damaged");
            ++kept;
        }
        pos += recordSize;
    }
    setLe32(copy.data() + 48, uint32_t(copy.size()));  // nBytes
    setLe32(copy.data() + 52, kept);                   // nRecords

    int64_t width = pixelsFromHundredthsMm(int64_t(layout.frameRight) - layout.frameLeft);
    int64_t height = pixelsFromHundredthsMm(int64_t(layout.frameBottom) - layout.frameTop);
    if (width == 0 || height == 0) {
        width = std::abs(int64_t(layout.boundsRight) - layout.boundsLeft) + 1;
        height = std::abs(int64_t(layout.boundsBottom) - layout.boundsTop) + 1;
    }
    checkPictureSize(width, height, maxPixels, "enhanced metafile");
    // Converting costs some hundred bytes of SVG and its document a record.
    if (layout.records > kMaxRecords) fail("the enhanced metafile holds more than a million records");
    if (estimatedDrawing(data, layout, int(width), int(height)) > drawingBudget(int(width), int(height)))
        fail("the metafile draws far more than its picture holds");

    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    char nameSpace[] = "";
    options.nameSpace = nameSpace;
    options.verbose = false;
    options.emfplus = false;
    options.svgDelimiter = true;
    options.imgWidth = double(width);
    options.imgHeight = double(height);
    char* svg = nullptr;
    size_t svgLength = 0;
    const int ok = emf2svg(copy.data(), copy.size(), &svg, &svgLength, &options);
    struct Freer {
        char* p;
        ~Freer() { std::free(p); }
    } freer{svg};
    if (!ok || !svg) fail("the enhanced metafile cannot be converted");

    ensureGuiApplication();
    prepareQtImageDecoding();  // the SVG's bitmaps are decoded by Qt
    QSvgRenderer renderer(QByteArray(svg, qsizetype(svgLength)));
    if (!renderer.isValid()) fail("the enhanced metafile's drawing is damaged");
    const int w = int(width), h = int(height);
    {
        MeasuringDevice measure(w, h);
        QPainter painter(&measure);
        renderer.render(&painter, QRectF(0, 0, w, h));
        painter.end();
        if (measure.engine.spent > drawingBudget(w, h)) fail("the metafile draws far more than its picture holds");
    }
    PixelBuffer pixels(size_t(w) * size_t(h) * 4);
    QImage image(pixels.data(), w, h, qsizetype(w) * 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, w, h));
    }
    return pictureFromCanvas(image, pixels);
}

}  // namespace jollix
