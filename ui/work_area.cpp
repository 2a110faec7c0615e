#include "ui/work_area.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

#include "core/parallel.h"
#include "ui/error_handling.h"
#include "ui/icons.h"
#include "ui/zone_overlay.h"

namespace jollix {

namespace {

// What one pixel of the view costs a core: zoomed out, a read from
// memory that is seldom in the cache.
constexpr parallel::PixelCost kViewPixelCost{2};
// What one pixel of a pending brush's preview costs a core: the brush's
// mapping and sampler at one picture pixel.
constexpr parallel::PixelCost kPreviewPixelCost{8};

HeldButtons heldOf(Qt::MouseButtons b) {
    HeldButtons h;
    h.left = b.testFlag(Qt::LeftButton);
    h.right = b.testFlag(Qt::RightButton);
    return h;
}

std::optional<MouseButton> buttonOf(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton: return MouseButton::Left;
        case Qt::RightButton: return MouseButton::Right;
        case Qt::MiddleButton: return MouseButton::Middle;
        default: return std::nullopt;
    }
}

// The picture pixel shown at view position v of a control `control` pixels
// long showing `picture` pixels: the one under the view pixel's centre.
inline int sourceOf(int v, int control, int picture) {
    return int((int64_t(2) * v + 1) * picture / (int64_t(2) * control));
}

}  // namespace

// ---------------------------------------------------------------------------
// The picture control

PictureWidget::PictureWidget(Editor& editor, WorkArea& area) : editor_(editor), area_(area) {
    setObjectName(QStringLiteral("Image1"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resizeToControl();
}

void PictureWidget::resizeToControl() {
    const QSize size(std::max(0, editor_.controlWidth()), std::max(0, editor_.controlHeight()));
    if (size != this->size()) {
        setFixedSize(size);
        update();
    }
    showPicture();
}

bool PictureWidget::showPendingBrush() {
    const BrushMapping::Box box = editor_.pendingBounds();
    const int W = shown_.width(), H = shown_.height(), cw = width(), ch = height();
    if (W <= 0 || H <= 0 || cw <= 0 || ch <= 0 || box.left > box.right || box.top > box.bottom) return false;
    // The view's columns and rows whose picture pixels the brush may change
    // (the view reads one picture pixel for each of its own, in order).
    previewXs_.clear();
    previewYs_.clear();
    int vx0 = -1, vy0 = -1;
    for (int v = 0; v < cw; ++v)
        if (const int s = sourceOf(v, cw, W); s >= box.left && s <= box.right) {
            if (vx0 < 0) vx0 = v;
            previewXs_.push_back(s);
        }
    for (int v = 0; v < ch; ++v)
        if (const int s = sourceOf(v, ch, H); s >= box.top && s <= box.bottom) {
            if (vy0 < 0) vy0 = v;
            previewYs_.push_back(s);
        }
    if (previewXs_.empty() || previewYs_.empty()) return false;
    previewRect_ = QRect(vx0, vy0, int(previewXs_.size()), int(previewYs_.size()));
    preview_ = QImage(previewRect_.size(), QImage::Format_RGB32);
    previewMade_ = QRegion();
    if (preview_.isNull()) return false;  // no memory for it: the picture shows when done
    // Only what is in sight now; the rest when a paint needs it (the view
    // scrolled before the picture followed).
    const QRect inSight = visibleRegion().boundingRect() & previewRect_;
    lastUpdate_ = inSight;
    if (inSight.isEmpty()) return false;
    makePreview(inSight);
    previewUnpainted_ = true;
    update(inSight);
    return true;
}

void PictureWidget::makePreview(const QRect& area) {
    const int i0 = area.left() - previewRect_.left(), j0 = area.top() - previewRect_.top();
    const int w = area.width(), h = area.height();
    // Bands of rows over the machine's cores, each turned into the view's
    // pixel order on its way into the preview.
    constexpr int kBand = 16;
    const int bands = (h + kBand - 1) / kBand;
    parallel::forItems(size_t(bands), parallel::threadsFor((long long)w * h, kPreviewPixelCost), [&](size_t band) {
        const int first = int(band) * kBand, rows = std::min(kBand, h - first);
        std::vector<uint32_t> colours(size_t(w) * size_t(rows));
        editor_.pendingColours(previewXs_.data() + i0, w, previewYs_.data() + j0 + first, rows, colours.data());
        for (int r = 0; r < rows; ++r) {
            auto* out = reinterpret_cast<uint32_t*>(preview_.scanLine(j0 + first + r)) + i0;
            const uint32_t* in = colours.data() + size_t(r) * size_t(w);
            for (int i = 0; i < w; ++i)  // 0x00BBGGRR
                out[i] = 0xFF000000u | ((in[i] & 0xFFu) << 16) | (in[i] & 0xFF00u) | ((in[i] >> 16) & 0xFFu);
        }
    });
    previewMade_ += area;
}

void PictureWidget::showPicture() {
    // A brush being finished in the background shows its preview until it
    // is done (reading the picture would wait for it); its end shows the
    // picture.
    if (editor_.brushPending()) return;
    const bool previewShown = !preview_.isNull();
    preview_ = QImage();
    previewUnpainted_ = false;
    const Picture& now = editor_.picture();
    if (now.width() != shown_.width() || now.height() != shown_.height() || now.isEmpty()) {
        const bool same = now.isEmpty() && shown_.isEmpty();
        shown_ = now;
        if (!same) {
            lastUpdate_ = rect();
            update();
        }
        return;
    }
    // Tiles the new picture shares with the one shown are unchanged.
    int tx0 = INT_MAX, ty0 = INT_MAX, tx1 = -1, ty1 = -1;
    for (int ty = 0; ty < now.tilesY(); ++ty) {
        for (int tx = 0; tx < now.tilesX(); ++tx) {
            if (now.tile(tx, ty) != shown_.tile(tx, ty)) {
                tx0 = std::min(tx0, tx);
                tx1 = std::max(tx1, tx);
                ty0 = std::min(ty0, ty);
                ty1 = std::max(ty1, ty);
            }
        }
    }
    shown_ = now;
    if (previewShown) {
        // The picture that follows a preview is the brush's, whose colours
        // the preview already shows at every view pixel the brush may
        // change (the rest are unchanged); when it is the picture before
        // (the brush failed), the preview goes.
        if (tx1 < 0) update(previewRect_);
        return;
    }
    if (tx1 < 0) return;
    lastUpdate_ = viewRectOfTiles(tx0, ty0, tx1, ty1);
    update(lastUpdate_);
}

QRect PictureWidget::viewRectOfTiles(int tx0, int ty0, int tx1, int ty1) const {
    const int W = shown_.width(), H = shown_.height();
    const int cw = width(), ch = height();
    if (W <= 0 || H <= 0 || cw <= 0 || ch <= 0) return QRect();
    const int64_t x0 = int64_t(tx0) * Picture::kTile, y0 = int64_t(ty0) * Picture::kTile;
    const int64_t x1 = std::min<int64_t>(int64_t(tx1 + 1) * Picture::kTile, W);
    const int64_t y1 = std::min<int64_t>(int64_t(ty1 + 1) * Picture::kTile, H);
    // Picture span [x0, x1) covers at most view pixels [x0*cw/W - 1, x1*cw/W + 1].
    const int vx0 = int(x0 * cw / W) - 1, vy0 = int(y0 * ch / H) - 1;
    const int vx1 = int((x1 * cw + W - 1) / W) + 1, vy1 = int((y1 * ch + H - 1) / H) + 1;
    return QRect(QPoint(vx0, vy0), QPoint(vx1, vy1)) & rect();
}

void PictureWidget::renderPicture(QPainter& painter, const QRect& area) {
    const Picture& pic = shown_;
    const int W = pic.width(), H = pic.height();
    const int cw = width(), ch = height();
    if (area.isEmpty()) return;
    if (W <= 0 || H <= 0 || cw <= 0 || ch <= 0) {
        painter.fillRect(area, palette().window());
        return;
    }
    const int w = area.width(), h = area.height();
    if (scratch_.width() < w || scratch_.height() < h)
        scratch_ = QImage(std::max(w, scratch_.width()), std::max(h, scratch_.height()), QImage::Format_RGB32);

    // Column map: which tile and which byte within a tile row each view
    // column reads.
    std::vector<int> colTile(static_cast<size_t>(w)), colOff(static_cast<size_t>(w));
    for (int i = 0; i < w; ++i) {
        const int sx = sourceOf(area.x() + i, cw, W);
        colTile[size_t(i)] = sx >> Picture::kTileBits;
        colOff[size_t(i)] = (sx & Picture::kTileMask) * 3;
    }
    const int txFirst = colTile.front(), txLast = colTile.back();
    // Bands of rows over the machine's cores: a zoomed-out view reads one
    // pixel from each of many memory lines, so the time goes to waiting
    // for memory, which several cores do side by side.
    constexpr int kBand = 32;
    const int bands = (h + kBand - 1) / kBand;
    uchar* const lines = scratch_.bits();
    const qsizetype lineBytes = scratch_.bytesPerLine();
    parallel::forItems(size_t(bands), parallel::threadsFor((long long)w * h, kViewPixelCost), [&](size_t band) {
        std::vector<const uint8_t*> rowOf(static_cast<size_t>(pic.tilesX()), nullptr);
        const int j1 = std::min(h, int(band + 1) * kBand);
        for (int j = int(band) * kBand; j < j1; ++j) {
            const int sy = sourceOf(area.y() + j, ch, H);
            const int ty = sy >> Picture::kTileBits;
            const size_t inner = size_t(sy & Picture::kTileMask) * Picture::kTileStride;
            for (int tx = txFirst; tx <= txLast; ++tx) rowOf[size_t(tx)] = pic.tile(tx, ty) + inner;
            auto* out = reinterpret_cast<uint32_t*>(lines + lineBytes * j);
            for (int i = 0; i < w; ++i) {
                const uint8_t* p = rowOf[size_t(colTile[size_t(i)])] + colOff[size_t(i)];
                out[i] = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | uint32_t(p[0]);
            }
        }
    });
    painter.drawImage(area.topLeft(), scratch_, QRect(0, 0, w, h));
}

void PictureWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // A pending brush's preview covers its rectangle whole: the picture is
    // read only around it.
    QRegion picturePart = event->region();
    if (!preview_.isNull()) picturePart -= previewRect_;
    for (const QRect& r : picturePart) renderPicture(painter, r & rect());
    if (!preview_.isNull()) {
        const QRegion previewPart = event->region() & previewRect_;
        if (const QRegion missing = previewPart - previewMade_; !missing.isEmpty()) makePreview(missing.boundingRect());
        for (const QRect& r : previewPart)
            painter.drawImage(r.topLeft(), preview_, r.translated(-previewRect_.topLeft()));
        if (previewUnpainted_ && !previewPart.isEmpty()) {
            // Once this paint is on the screen, the brush's work may have
            // the processor.
            previewUnpainted_ = false;
            QMetaObject::invokeMethod(
                this, [this] { editor_.startPendingBrush(); }, Qt::QueuedConnection);
        }
    }
    if (outlineShown_ && event->region().intersects(brushOutlineRect().adjusted(-1, -1, 1, 1))) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(outlineCentre_, outlineRadius_, outlineRadius_);
    }
    paintZoneFrame(painter, editor_, area_.scrollX(), area_.scrollY());
}

QRect PictureWidget::brushOutlineRect() const {
    return QRect(outlineCentre_.x() - outlineRadius_, outlineCentre_.y() - outlineRadius_, 2 * outlineRadius_ + 1,
                 2 * outlineRadius_ + 1);
}

void PictureWidget::showBrushOutline(int x, int y, int radius) {
    if (outlineShown_) update(brushOutlineRect().adjusted(-1, -1, 1, 1));
    outlineShown_ = true;
    outlineCentre_ = QPoint(x, y);
    outlineRadius_ = std::max(0, radius);
    update(brushOutlineRect().adjusted(-1, -1, 1, 1));
}

void PictureWidget::hideBrushOutline() {
    if (!outlineShown_) return;
    outlineShown_ = false;
    update(brushOutlineRect().adjusted(-1, -1, 1, 1));
}

QRect PictureWidget::frameRectInView() const {
    const ZoneFrameCorners& f = editor_.zoneFrame();
    if (f.isCleared() || !f.hasArea()) return QRect();
    const int sx = area_.scrollX(), sy = area_.scrollY();
    return QRect(QPoint(std::min(f.Left, f.Right) + sx, std::min(f.Top, f.Bottom) + sy),
                 QPoint(std::max(f.Left, f.Right) + sx, std::max(f.Top, f.Bottom) + sy));
}

void PictureWidget::updateFrameBand(const QRect& frame) {
    // Only a band three pixels wide along the frame line is repainted.
    const QRect g = frame.adjusted(-1, -1, 1, 1);
    update(QRect(g.left(), g.top(), g.width(), 3));
    update(QRect(g.left(), g.bottom() - 2, g.width(), 3));
    update(QRect(g.left(), g.top(), 3, g.height()));
    update(QRect(g.right() - 2, g.top(), 3, g.height()));
}

void PictureWidget::zoneFrameChanged() {
    const QRect now = frameRectInView();
    if (framePainted_.isValid()) updateFrameBand(framePainted_);
    if (now.isValid()) updateFrameBand(now);
    framePainted_ = now;
}

QPoint PictureWidget::confinedPosition(QMouseEvent* event) {
    QPoint pos = event->position().toPoint();
    if (!confined_) return pos;
    QRect bounds = rect();
    const QRect visible = visibleRegion().boundingRect();
    if (!visible.isEmpty()) bounds &= visible;
    if (bounds.isEmpty()) return pos;
    const QPoint clamped(std::clamp(pos.x(), bounds.left(), bounds.right()),
                         std::clamp(pos.y(), bounds.top(), bounds.bottom()));
    if (clamped != pos) {
        QCursor::setPos(mapToGlobal(clamped));
        pos = clamped;
    }
    return pos;
}

void PictureWidget::press(QMouseEvent* event, bool canClick) {
    const auto button = buttonOf(event->button());
    if (!button) return;
    const QPoint pos = event->position().toPoint();
    lastPos_ = pos;
    if (*button == MouseButton::Left) {
        clickArmed_ = canClick;
        leftDown_ = true;
    }
    if (!guarded([&] { editor_.mouseDown(*button, heldOf(event->buttons()), pos.x(), pos.y()); }))
        finishGestureIfReleased();
}

void PictureWidget::mousePressEvent(QMouseEvent* event) { press(event, true); }

// The second press of a double click is a press like any other, but its
// release is no click.
void PictureWidget::mouseDoubleClickEvent(QMouseEvent* event) { press(event, false); }

void PictureWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = confinedPosition(event);
    lastPos_ = pos;
    if (!guarded([&] { editor_.mouseMove(heldOf(event->buttons()), pos.x(), pos.y()); })) finishGestureIfReleased();
}

void PictureWidget::mouseReleaseEvent(QMouseEvent* event) {
    const auto button = buttonOf(event->button());
    if (!button) return;
    const QPoint pos = confined_ ? confinedPosition(event) : event->position().toPoint();
    lastPos_ = pos;
    if (*button == MouseButton::Left) {
        const bool click = clickArmed_ && rect().contains(pos);
        clickArmed_ = false;
        leftDown_ = false;
        // The click comes first; whatever it does, the release follows.
        if (click) guarded([&] { editor_.click(); });
    }
    guarded([&] { editor_.mouseUp(*button, pos.x(), pos.y()); });
}

void PictureWidget::finishGestureIfReleased() {
    if (!leftDown_ || QGuiApplication::mouseButtons().testFlag(Qt::LeftButton)) return;
    leftDown_ = false;
    clickArmed_ = false;
    guarded([&] { editor_.mouseUp(MouseButton::Left, lastPos_.x(), lastPos_.y()); });
}

void PictureWidget::enterEvent(QEnterEvent* event) {
    editor_.pointerEntered();
    QWidget::enterEvent(event);
}

void PictureWidget::leaveEvent(QEvent* event) {
    editor_.pointerLeft();
    // A circle left behind would mark a spot the brush no longer points at.
    hideBrushOutline();
    QWidget::leaveEvent(event);
}

bool PictureWidget::event(QEvent* event) {
    // A dialog that opens under a pointer at rest takes the pointer from the
    // picture without a leave of its own.
    if (event->type() == QEvent::WindowBlocked) hideBrushOutline();
    return QWidget::event(event);
}

// ---------------------------------------------------------------------------
// The wheel hook: every wheel message of the application passes here. Over
// the picture (whichever window has the focus) and anywhere over the work
// area each one is one zoom step; the work area never scrolls by wheel.

class WheelHook : public QObject {
public:
    WheelHook(Editor& editor, WorkArea& area) : editor_(editor), area_(area) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        const bool overArea = widget == &area_ || area_.isAncestorOf(widget);
        if (!editor_.state().pointerOverPicture && !overArea) return false;
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        if (delta != 0) guarded([&] { editor_.wheel(delta); });
        return true;
    }

private:
    Editor& editor_;
    WorkArea& area_;
};

// ---------------------------------------------------------------------------
// The work area window

WorkArea::WorkArea(Editor& editor, QWidget* parent) : QMdiSubWindow(parent), editor_(editor) {
    setObjectName(QStringLiteral("Work_area"));
    setWindowTitle(QStringLiteral("Vova dirur uzudo"));
    setWindowIcon(icons::program());
    scroll_ = new QScrollArea;
    scroll_->setWidgetResizable(false);
    scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll_->setBackgroundRole(QPalette::Window);
    image_ = new PictureWidget(editor_, *this);
    scroll_->setWidget(image_);
    setWidget(scroll_);
    connect(scroll_->horizontalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] { scrolledByBar(); });
    connect(scroll_->verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this] { scrolledByBar(); });

    repeatTimer_.setInterval(1000);
    connect(&repeatTimer_, &QTimer::timeout, this, &WorkArea::repeatTick);
    frameTimer_.setInterval(100);
    connect(&frameTimer_, &QTimer::timeout, this, &WorkArea::frameTick);
    frameTimer_.start();
    settleTimer_.setInterval(2);
    connect(&settleTimer_, &QTimer::timeout, this, [this] {
        // The preview's paint came before this tick, if there was one to
        // come (a hidden view has none): the work starts now at the latest.
        editor_.startPendingBrush();
        if (!editor_.brushFinished()) {
            editor_.showBackgroundProgress();
            return;
        }
        settleTimer_.stop();
        guarded([&] { editor_.settle(); });
    });

    editor_.setView(this);
}

WorkArea::~WorkArea() {
    editor_.setView(nullptr);
    if (wheelHook_) qApp->removeEventFilter(wheelHook_.get());
}

void WorkArea::showEvent(QShowEvent* event) {
    QMdiSubWindow::showEvent(event);
    if (!wheelHook_) {
        wheelHook_ = std::make_unique<WheelHook>(editor_, *this);
        qApp->installEventFilter(wheelHook_.get());
    }
}

// Closing the work area only minimises it inside the main window.
void WorkArea::closeEvent(QCloseEvent* event) {
    event->ignore();
    showMinimized();
}

void WorkArea::scrolledByBar() {
    guarded([&] { editor_.scrolledByBar(); });
}

void WorkArea::repeatTick() {
    if (!guarded([&] { editor_.repeatTick(); })) image_->finishGestureIfReleased();
}

void WorkArea::frameTick() {
    guarded([&] { editor_.frameTick(); });
}

void WorkArea::startRepeatTimer() { repeatTimer_.start(); }
void WorkArea::stopRepeatTimer() { repeatTimer_.stop(); }
int WorkArea::scrollX() const { return scroll_->horizontalScrollBar()->value(); }
int WorkArea::scrollY() const { return scroll_->verticalScrollBar()->value(); }

void WorkArea::scrollBy(int dx, int dy) {
    QScrollBar* h = scroll_->horizontalScrollBar();
    QScrollBar* v = scroll_->verticalScrollBar();
    h->setValue(h->value() + dx);
    v->setValue(v->value() + dy);
}

void WorkArea::showBrushOutline(int x, int y, int radius) { image_->showBrushOutline(x, y, radius); }
void WorkArea::hideBrushOutline() { image_->hideBrushOutline(); }
void WorkArea::zoneFrameChanged() { image_->zoneFrameChanged(); }
void WorkArea::confinePointer(bool on) { image_->setConfined(on); }
void WorkArea::pictureChanged() { image_->showPicture(); }
void WorkArea::pictureControlResized() { image_->resizeToControl(); }

bool WorkArea::brushStarted() {
    const bool previewed = image_->showPendingBrush();
    settleTimer_.start();
    return previewed;
}

}  // namespace jollix
