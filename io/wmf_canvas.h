#pragma once
// The drawing surface both metafile readers draw on (see wmf_canvas.cpp): a
// white picture painted with QPainter, a budget of the pixels all drawing
// may touch, and the pens, brushes, raster operations and text that Windows
// and enhanced metafiles number alike. The Windows metafile reader plays
// its files through libwmf onto it; the enhanced metafile reader draws its
// records onto it itself.
//
// This header names no libwmf type, so that it can come before libwmf's
// headers, whose type macros (U8, U16) break Qt's.
#include <cstdint>
#include <memory>
#include <vector>

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QString>

#include "core/picture.h"
#include "io/picture_rows.h"

struct _wmfAPI;  // NOLINT(bugprone-reserved-identifier): libwmf's own name for its handle

namespace jollix::io_detail {

// Pen styles, brush styles and hatches, the same numbers in both kinds of
// metafile.
QPen metafilePen(uint32_t style, double widthPixels, const QColor& colour, double maxStroke);
QBrush metafileBrush(uint32_t style, uint32_t hatch, const QColor& colour);
// The binary raster operation of a device context, as far as QPainter has
// one.
QPainter::CompositionMode compositionForRop2(unsigned rop2);

// One run of text: where its reference point lands in pixels, its font in
// pixels, its angle (degrees, anticlockwise), and optionally the advance of
// each character (pixels along the baseline) and an opaque background.
struct TextRun {
    QString text;
    QPointF at;
    double pixelSize = 0;
    QString face;
    bool italic = false, underline = false, strikeOut = false;
    int weight = 400;
    double angle = 0;
    QColor colour = Qt::black;
    std::vector<double> advances;  // empty: the font's own
    // Where the reference point sits on the text: 0 left, 1 centre, 2 right;
    // 0 top, 1 baseline, 2 bottom.
    int horizontal = 0, vertical = 1;
    bool opaque = false;  // the text's cell filled with `background` first
    QColor background = Qt::white;
};

struct MetafileCanvas {
    // A white picture of width x height pixels, three bytes a pixel in the
    // picture's own order (blue, green, red), so that it goes into the
    // picture's tiles row by row as it is. With draw == false the canvas
    // only measures: every drawing is charged to the budget and nothing is
    // painted, so that a file can be refused before its picture is made.
    MetafileCanvas(int width, int height, bool draw, uint64_t maxBitmap);
    ~MetafileCanvas();
    MetafileCanvas(const MetafileCanvas&) = delete;
    MetafileCanvas& operator=(const MetafileCanvas&) = delete;

    bool measuring() const { return image.isNull(); }
    QRectF area() const { return QRectF(0, 0, width, height); }

    // Charges the pixels a drawing may touch (its bounds within the
    // picture, widened by margin) to the budget; false once the budget is
    // spent, so that a file of endless picture-filling shapes ends instead
    // of keeping the program busy. Measuring canvases answer false as well:
    // there is nothing to paint.
    bool charge(const QRectF& bounds, double margin = 0);
    void chargeWork(double pixels);  // work that is not painting (bitmaps read)

    // The pattern raster operations of a block transfer without a source
    // (BLACKNESS, WHITENESS, PATCOPY, DSTINVERT, PATINVERT) over a rectangle.
    void patternBlt(const QRectF& rect, uint32_t rop, const QBrush& pattern);
    void drawText(const TextRun& run);
    // The blue, green, red bytes of pixel (x, y), inside the picture.
    uint8_t* pixelAt(int x, int y) { return rowsStart_ + size_t(y) * stride_ + size_t(x) * 3; }
    // The picture drawn, moved into tiles a band at a time (each band's
    // memory given back once it is in). The canvas is spent afterwards.
    Picture take();

    int width, height;
    QImage image;
    QPainter painter;
    double maxStroke = 0;  // widest pen and tallest text, in pixels
    uint64_t maxBitmapPixels = 0;
    // Pixels all drawing together may touch (drawingBudget); past that the
    // file is refused.
    double pixelBudget = 0, spentPixels = 0;
    bool overBudget = false;

private:
    std::unique_ptr<PixelBuffer> pixels_;
    uint8_t* rowsStart_ = nullptr;
    size_t stride_ = 0;
};

// The canvas libwmf's player draws on: its device units map onto the
// picture through the frame (device units, left, top, right, bottom).
struct WmfCanvas : MetafileCanvas {
    WmfCanvas(int width, int height, double left, double top, double right, double bottom, uint64_t maxBitmap);
    double frameLeft, frameTop;
    double scaleX = 1, scaleY = 1;  // pixels per device unit
};

// The device layer to hand to wmf_api_create (WMF_OPT_FUNCTION). After
// creating the API, set api->device_data to the canvas before wmf_play.
void wmfCanvasFunction(_wmfAPI* api);

// A GUI application object for Qt's fonts, made once on the offscreen
// platform when the program has none (the batch command, the tests).
void ensureGuiApplication();

}  // namespace jollix::io_detail
