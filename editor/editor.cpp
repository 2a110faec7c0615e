#include "editor/editor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "effects/start_picture.h"
#include "core/numeric.h"
#include "core/parallel.h"
#include "core/tiles.h"
#include "effects/pen_sketch.h"
#include "effects/resample.h"

namespace jollix {

namespace {
// The largest side the picture control may have; a zoom step that would
// leave 1 .. kMaxControlSide does nothing.
constexpr int kMaxControlSide = 32767;

int scaledSide(int side, double zoomPercent) { return roundToInt((long double)side * zoomPercent / 100.0L); }
}  // namespace

Editor::Editor(std::optional<Picture> start) : palette_(state_, this) {
    work_ = start ? std::move(*start) : startPicture();
    history_.onControlsChanged = [this] { changed(); };
    history_.setMemoryBudget(defaultHistoryBudget());
    history_.onStepsDroppedForMemory = [this](const std::vector<int>& slots) { historyStepsDropped(slots); };
    palette_.onChanged = [this] { changed(); };
    // The main window's first showing: the start picture is what Renew
    // restores, Expand with the Spherical shape is chosen, one snapshot.
    state_.originalPicture = work_;
    state_.toolKind = ToolKindCode::Expand;
    state_.stretchShape = StretchShapeCode::Spherical;
    history_.reset(work_);
    animation_.restart(work_);
    sizeControlToPicture();
    savedPicture_ = work_;
}

// ---------------------------------------------------------------- helpers

size_t Editor::defaultHistoryBudget() {
    if (const char* mb = std::getenv("JOLLIX_HISTORY_MB")) {
        char* end = nullptr;
        const unsigned long long v = std::strtoull(mb, &end, 10);
        if (end != mb && *end == 0 && v > 0 && v < (1ull << 40)) return size_t(v) << 20;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return size_t(1) << 30;
    return size_t(pages) * size_t(pageSize) / 4;
}

void Editor::historyStepsDropped(const std::vector<int>& slots) {
    // Steps out of reach take their animation frames along.
    animation_.forgetUnreachable(history_);
    // Said once: the first time since the history was last reset.
    if (size_t(history_.stepsDroppedForMemory()) == slots.size() && onStatusMessage)
        onStatusMessage("Older steps were dropped from the history to save memory.");
}

void Editor::replacePicture(Picture p) {
    work_ = std::move(p);
    view_->pictureChanged();
    changed();
}

void Editor::sizeControlToPicture() {
    controlWidth_ = scaledSide(work_.width(), state_.zoomPercent);
    controlHeight_ = scaledSide(work_.height(), state_.zoomPercent);
    view_->pictureControlResized();
}

void Editor::resetHistory() {
    settle();
    palette_.changeTab(kPageDistort);
    history_.reset(work_);
    animation_.restart(work_);
    changed();
}

void Editor::addFrame() {
    animation_.addFrame(work_);
    if (onFramesWaiting && animation_.waitingFrames() < kMaxWaitingFrames)
        onFramesWaiting();
    else
        animation_.finishFrames();
}

void Editor::recordStep() {
    history_.backup(work_);
    animation_.stepRecorded(history_);
}

void Editor::makeEdgePicture() {
    settle();
    state_.edgePicture = edgePicture(work_, progress_);
}

void Editor::synchroniseUndoRedo() { history_.synchroniseControls(); }

void Editor::setArrowCursor() {
    cursor_ = PictureCursor::Arrow;
    changed();
}

void Editor::showToolPointer() {
    const ToolRow* tool = toolInUse(state_);
    if (!tool || !tool->pointer) return;
    cursor_ = *tool->pointer;
    changed();
}

// ---------------------------------------------------------------- tools

ToolPlace Editor::placeOf(const ToolRow& tool, const ToolPlace& where) {
    ToolPlace at = where;
    if (tool.slidersInViewPixels()) {
        // A brush's sliders are in view pixels; the brush works in picture
        // pixels at the current zoom.
        const int radiusSlider = tool.radius ? (palette_.*tool.radius).position() : state_.brushRadiusSlider;
        at.radius = state_.viewToPicture(radiusSlider);
        state_.brushRadiusSlider = radiusSlider;
        state_.brushRadius = at.radius;
        if (tool.strength) {
            at.strength = state_.viewToPicture((palette_.*tool.strength).position());
            state_.brushStrength = at.strength;
        }
    } else if (tool.strength) {
        at.strength = (palette_.*tool.strength).position();
    }
    return at;
}

void Editor::applyTool(const ToolRow& tool, const ToolPlace& where) {
    settle();
    const ToolPlace at = placeOf(tool, where);
    if (tool.source == ToolSource::EdgePicture && state_.edgePicture.isEmpty()) makeEdgePicture();
    const Picture& source = tool.source == ToolSource::EdgePicture ? state_.edgePicture : work_;
    replacePicture(tool.effect(source, at, progress_));
}

void Editor::chooseTool(const ToolRow& tool) {
    settle();
    if (tool.choose) (palette_.*tool.choose)();
    if (!tool.appliesWhenChosen) return;
    applyTool(tool, ToolPlace{});
    addFrame();
    recordStep();
}

void Editor::applyAtPressWithFrame(bool held) {
    const ToolRow* tool = toolInUse(state_);
    if (!tool) return;
    if (held ? tool->hold != OnHold::RepeatAtPressPoint : tool->press != OnPress::ApplyAtPressPoint) return;
    settle();
    if (startInBackground(*tool, ToolPlace{state_.pressX, state_.pressY})) return;
    applyTool(*tool, ToolPlace{state_.pressX, state_.pressY});
    addFrame();
}

// ---------------------------------------------------------------- background

struct Editor::PendingBrush {
    Picture source;
    BrushMapping mapping;
    ToolEffect effect = nullptr;
    ToolPlace at;
    Picture result;
    bool started = false;         // the work was started on its thread
    bool recordWhenDone = false;  // the gesture ended: its history step follows the picture
    ProgressRelay progress;       // the effect's progress, passed on to the window's on its thread
    parallel::BackgroundJob job;  // last: joined before the rest goes
};

Editor::~Editor() = default;

bool Editor::startInBackground(const ToolRow& tool, const ToolPlace& where) {
    // At 100 % and above the view shows every pixel: nothing to gain.
    if (!tool.mapping || !(state_.zoomPercent < 100.0) || work_.isEmpty()) return false;
    auto pending = std::make_unique<PendingBrush>();
    pending->at = placeOf(tool, where);
    pending->source = work_;
    // The mapping fails as the effect would, before anything starts.
    pending->mapping = tool.mapping(work_, pending->at);
    pending->effect = tool.effect;
    pending_ = std::move(pending);
    // The preview first: it is what the user waits for, and the work would
    // take the processor from it.
    if (!view_->brushStarted()) startPendingBrush();
    return true;
}

void Editor::startPendingBrush() {
    if (!pending_ || pending_->started) return;
    PendingBrush* p = pending_.get();
    p->started = true;
    p->job.start([p] { p->result = p->effect(p->source, p->at, &p->progress); });
}

bool Editor::brushFinished() const { return !pending_ || (pending_->started && pending_->job.done()); }

void Editor::showBackgroundProgress() {
    if (pending_) pending_->progress.passOn(progress_);
}

BrushMapping::Box Editor::pendingBounds() const { return pending_ ? pending_->mapping.bounds() : BrushMapping::Box{}; }

void Editor::pendingColours(const int* xs, int nx, const int* ys, int ny, uint32_t* out) const {
    if (pending_) pending_->mapping.brushed(pending_->source, xs, nx, ys, ny, out);
}

void Editor::settleQuietly() {
    if (!pending_) return;
    startPendingBrush();
    const std::unique_ptr<PendingBrush> p = std::move(pending_);
    try {
        p->job.finish();
        p->progress.passOn(progress_);
    } catch (...) {
        // The picture stays as it was; the error is shown at the next event.
        backgroundError_ = std::current_exception();
        if (p->recordWhenDone) recordStep();
        view_->pictureChanged();
        return;
    }
    replacePicture(std::move(p->result));
    addFrame();
    if (p->recordWhenDone) recordStep();
}

void Editor::settle() {
    settleQuietly();
    if (backgroundError_) std::rethrow_exception(std::exchange(backgroundError_, nullptr));
}

// ---------------------------------------------------------------- pointer

void Editor::mouseDown(MouseButton button, HeldButtons held, int x, int y) {
    settle();
    copyEnabled_ = false;
    if (held.left && state_.selectionShown) {
        zonePress(x, y);
        changed();
        return;
    }
    if (held.right) {
        removeZoneFrame();
        cutEnabled_ = false;
    }
    state_.pressX = state_.viewToPicture(x);
    state_.pressY = state_.viewToPicture(y);
    if (button == MouseButton::Left) gestureFailed_ = false;
    const ToolRow* tool = toolInUse(state_);
    if (held.left && tool && tool->hold == OnHold::RepeatAtPressPoint) {
        repeatRunning_ = true;
        view_->startRepeatTimer();
    }
    state_.buttonHeld = true;
    state_.pressViewX = x;
    state_.pressViewY = y;
    changed();
}

void Editor::mouseMove(HeldButtons held, int x, int y) {
    if (state_.selectionShown) {
        if (held.left) zoneDrag(x, y);
        if (held.right && state_.buttonHeld) {
            view_->zoneFrameChanged();
            view_->scrollBy(state_.pressViewX - x, state_.pressViewY - y);
        }
        return;
    }
    view_->hideBrushOutline();
    if (held.right && state_.buttonHeld) view_->scrollBy(state_.pressViewX - x, state_.pressViewY - y);
    const ToolRow* tool = toolInUse(state_);
    if (!tool) return;
    if (x >= 3 && x <= controlWidth_ - 3 && y >= 3 && y <= controlHeight_ - 3)
        view_->showBrushOutline(x, y, state_.brushRadiusSlider);
    else
        view_->hideBrushOutline();
    if (tool->drag == OnDrag::ApplyAtPointer && held.left)
        applyTool(*tool, ToolPlace{state_.viewToPicture(x), state_.viewToPicture(y)});
}

void Editor::mouseUp(MouseButton button, int x, int y) {
    if (repeatRunning_) {
        repeatRunning_ = false;
        view_->stopRepeatTimer();
    }
    state_.buttonHeld = false;
    const bool left = button == MouseButton::Left;
    if (left && state_.selectionShown) {
        view_->confinePointer(false);
        changed();
        return;
    }
    const ToolRow* tool = toolInUse(state_);
    if (left && tool && tool->release == OnRelease::RecordStep && pending_) {
        // The step is recorded when the brush's picture is done.
        pending_->recordWhenDone = true;
        return;
    }
    settle();
    if (left && tool) switch (tool->release) {
            case OnRelease::Nothing: break;
            case OnRelease::RecordStep: recordStep(); break;
            case OnRelease::ApplyFromPressThenRecord:
                try {
                    applyTool(*tool, ToolPlace{state_.pressX, state_.pressY, state_.viewToPicture(x),
                                               state_.viewToPicture(y)});
                } catch (...) {
                    // The gesture still ends with its history step.
                    recordStep();
                    throw;
                }
                addFrame();
                recordStep();
                break;
            case OnRelease::FrameThenRecordStep:
                addFrame();  // one frame for the whole drag
                recordStep();
                break;
        }
    changed();
}

void Editor::click() {
    if (state_.selectionShown || gestureFailed_) return;
    try {
        applyAtPressWithFrame(false);
    } catch (...) {
        gestureFailed_ = true;
        if (repeatRunning_) {
            repeatRunning_ = false;
            view_->stopRepeatTimer();
        }
        throw;
    }
}

void Editor::repeatTick() {
    if (gestureFailed_) return;
    try {
        applyAtPressWithFrame(true);
    } catch (...) {
        gestureFailed_ = true;
        repeatRunning_ = false;
        view_->stopRepeatTimer();
        throw;
    }
}

void Editor::wheel(int delta) {
    if (delta > 0)
        zoomOut();
    else
        zoomIn();
}

// ---------------------------------------------------------------- funny faces

void Editor::applyFacePreset(const FacePreset& preset, const std::vector<Face>& faces) {
    settle();
    if (faces.empty()) throw JollixError(kNoFaceFound);
    // Every stage is made before the picture changes, so a failing brush
    // leaves the picture, the history and the animation as they were.
    std::vector<Picture> stages;
    Picture p = work_;
    for (const BrushApplication& a : presetApplications(preset, faces)) {
        p = applyBrush(p, a, progress_);
        stages.push_back(p);
    }
    if (stages.empty()) return;
    for (size_t i = 0; i + 1 < stages.size(); ++i) {
        work_ = std::move(stages[i]);
        addFrame();
    }
    replacePicture(std::move(stages.back()));
    addFrame();
    recordStep();
}

// ---------------------------------------------------------------- commands

void Editor::undo() {
    settle();
    history_.undo(work_);
    animation_.pictureRestored(history_);
    view_->pictureChanged();
    changed();
}

void Editor::redo() {
    settle();
    history_.redo(work_);
    animation_.pictureRestored(history_);
    view_->pictureChanged();
    changed();
}

void Editor::renew() {
    settle();
    work_ = state_.originalPicture;
    sizeControlToPicture();
    view_->pictureChanged();
    resetHistory();
}

void Editor::openPicture(const Picture& loaded) {
    settle();
    work_ = loaded;
    state_.originalPicture = work_;
    resetHistory();
    sizeControlToPicture();
    view_->pictureChanged();
    savedPicture_ = work_;
    changed();
}

void Editor::zoomBy(long double factor) { setZoomPercent(double((long double)state_.zoomPercent * factor)); }

bool Editor::setZoomPercent(double zoom) {
    settle();
    if (!(zoom > 0) || !std::isfinite(zoom)) return false;
    if (!work_.isEmpty()) {
        const long double w = (long double)work_.width() * zoom / 100.0L;
        const long double h = (long double)work_.height() * zoom / 100.0L;
        // roundToInt to at least 1 and at most kMaxControlSide on both sides.
        if (w <= 0.5L || h <= 0.5L || w >= kMaxControlSide + 0.5L || h >= kMaxControlSide + 0.5L) return false;
    }
    if (state_.selectionShown) {
        removeZoneFrame();
        cutEnabled_ = false;
    }
    state_.zoomPercent = zoom;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f%%", zoom);
    zoomLabel_ = text;
    sizeControlToPicture();
    changed();
    return true;
}

void Editor::fitZoom(int viewWidth, int viewHeight) {
    if (work_.isEmpty() || viewWidth < 1 || viewHeight < 1) return;
    const long double w = work_.width(), h = work_.height();
    long double zoom = std::min(viewWidth / w, viewHeight / h) * 100.0L;
    // Each side rounds to at least 1 and at most kMaxControlSide pixels
    // (halves to even, so a side of exactly 0.5 would give 0).
    const long double smallest = 0.5000001L * 100.0L / std::min(w, h);
    const long double largest = (kMaxControlSide + 0.4999L) * 100.0L / std::max(w, h);
    setZoomPercent(double(std::clamp(zoom, smallest, largest)));
}

void Editor::zoomIn() { zoomBy(1.25L); }
void Editor::zoomOut() { zoomBy(0.8L); }

// ---------------------------------------------------------------- zone

void Editor::removeZoneFrame() {
    zoneFrame_ = ZoneFrameCorners{};
    view_->zoneFrameChanged();
}

void Editor::toggleZoneMode() {
    if (!state_.selectionShown) {
        state_.selectionShown = true;
        palette_.changeTab(kPageDistort);
        view_->hideBrushOutline();
        pictureHintShown_ = false;
        zoneHintShown_ = true;
    } else {
        state_.selectionShown = false;
        cutEnabled_ = false;
        removeZoneFrame();
        pictureHintShown_ = true;
        zoneHintShown_ = false;
    }
    cursor_ = PictureCursor::Crosshair;
    changed();
}

void Editor::zonePress(int x, int y) {
    copyEnabled_ = false;
    cutEnabled_ = false;
    const int xw = x - view_->scrollX(), yw = y - view_->scrollY();
    zoneFrame_ = ZoneFrameCorners{xw, yw, xw, yw};
    view_->zoneFrameChanged();
    view_->confinePointer(true);
}

void Editor::zoneDrag(int x, int y) {
    zoneFrame_.Right = x - view_->scrollX();
    zoneFrame_.Bottom = y - view_->scrollY();
    view_->zoneFrameChanged();
    state_.zoneRect = zoneRectFromFrame(zoneFrame_, view_->scrollX(), view_->scrollY(), state_.zoomPercent);
    // A zone with no pixels inside its frame cannot be cut or copied.
    int l, t, r, b;
    const bool usable = zoneFrame_.hasArea() && zoneBounds(l, t, r, b);
    copyEnabled_ = usable;
    cutEnabled_ = usable;
    changed();
}

void Editor::frameTick() {
    state_.dashPhase = nextDashPhase(state_.dashPhase);
    if (zoneFrame_.hasArea()) view_->zoneFrameChanged();
}

void Editor::scrolledByBar() {
    removeZoneFrame();
    cutEnabled_ = false;
    copyEnabled_ = false;
    changed();
}

bool Editor::zoneBounds(int& left, int& top, int& right, int& bottom) const {
    const ZoneRectangle& z = state_.zoneRect;
    // The pixels inside the frame lines, kept within the picture.
    left = std::max(z.zoneLeft, 0);
    top = std::max(z.zoneTop, 0);
    right = std::min(z.zoneRight, work_.width() - 1);
    bottom = std::min(z.zoneBottom, work_.height() - 1);
    return right >= left && bottom >= top;
}

Picture Editor::extractZone() const {
    int left, top, right, bottom;
    if (!zoneBounds(left, top, right, bottom)) return Picture();
    const int w = right - left + 1, h = bottom - top + 1;
    Picture zone = Picture::unwritten(w, h);
    const TileReader from(work_);
    TileWriter to(zone);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        from.copyRow(top + y, left, w, row.data());
        to.putRow(y, 0, w, row.data());
    }
    return zone;
}

std::optional<Picture> Editor::copyZone() const {
    picture();  // a brush finished first
    Picture p = extractZone();
    if (p.isEmpty()) return std::nullopt;
    return p;
}

void Editor::leaveZoneModeAfterReplace() {
    sizeControlToPicture();
    view_->pictureChanged();
    state_.selectionShown = false;
    cutEnabled_ = false;
    copyEnabled_ = false;
    zoneHintShown_ = false;
    pictureHintShown_ = true;
    resetHistory();
    showToolPointer();
}

bool Editor::cutOut() {
    settle();
    Picture zone = extractZone();
    if (zone.isEmpty()) return false;
    removeZoneFrame();
    work_ = std::move(zone);
    leaveZoneModeAfterReplace();
    return true;
}

bool Editor::paste(const std::optional<Picture>& clipboard) {
    settle();
    if (!clipboard || clipboard->isEmpty()) return false;
    removeZoneFrame();
    work_ = *clipboard;
    leaveZoneModeAfterReplace();
    return true;
}

void Editor::resizePicture(int newWidth, int newHeight) {
    settle();
    if (work_.isEmpty()) throw JollixError(kDivisionByZero);
    if (newWidth <= 0 || newHeight <= 0) throw JollixError(kRangeCheckError);
    const double wf = double((long double)newWidth / work_.width());
    const double hf = double((long double)newHeight / work_.height());
    Picture resized = resampleArea(work_, newWidth, newHeight, progress_);
    work_ = std::move(resized);
    // The control follows the factors, kept within what can be shown.
    controlWidth_ = std::clamp(roundToInt((long double)controlWidth_ * wf), 1, kMaxControlSide);
    controlHeight_ = std::clamp(roundToInt((long double)controlHeight_ * hf), 1, kMaxControlSide);
    view_->pictureControlResized();
    view_->pictureChanged();
    resetHistory();
}

}  // namespace jollix
