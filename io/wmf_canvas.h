#pragma once
// The QPainter drawing device for libwmf's metafile player (see
// wmf_canvas.cpp). Include it before any other libwmf header: libwmf
// defines U8, U16 and the like as macros, which break Qt's headers.
#include <cstdint>

#include <QImage>
#include <QPainter>

extern "C" {
#include <libwmf/api.h>
}

namespace jollix::io_detail {

struct WmfCanvas {
    // A white picture of width x height pixels showing the device
    // rectangle frame, drawn in `pixels` (width * height * 4 bytes, kept by
    // the caller); bitmaps of more than maxBitmap pixels are skipped.
    WmfCanvas(uint8_t* pixels, int width, int height, const wmfD_Rect& frame, uint64_t maxBitmap);
    ~WmfCanvas();
    QImage image;
    QPainter painter;
    wmfD_Rect frame;
    double scaleX = 1, scaleY = 1;  // pixels per device unit
    double maxStroke = 0;           // widest pen and tallest text, in pixels
    uint64_t maxBitmapPixels = 0;
    // Pixels all drawing together may touch (drawingBudget); past that the
    // file is refused.
    double pixelBudget = 0, spentPixels = 0;
    bool overBudget = false;
};

// The device layer to hand to wmf_api_create (WMF_OPT_FUNCTION). After
// creating the API, set api->device_data to the canvas before wmf_play.
void wmfCanvasFunction(wmfAPI* api);

// A GUI application object for Qt's fonts, made once on the offscreen
// platform when the program has none (the batch command, the tests).
void ensureGuiApplication();

}  // namespace jollix::io_detail
