#pragma once
// The editing session: the working picture, the tool state, the palette
// model and the edit history, and what every pointer event, timer tick,
// palette button and main-window command does to them. It knows nothing of
// windows: the desktop program's work area and main window forward their
// events here and mirror the observable state, and the batch command drives
// the same calls headlessly. What only a window can do (timers, scrolling,
// drawing the outline and the frame, confining the pointer) is asked of a
// WorkAreaView.
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/history.h"
#include "core/palette.h"
#include "core/picture.h"
#include "core/progress.h"
#include "core/tool_state.h"
#include "core/zone_frame.h"
#include "editor/edit_animation.h"
#include "editor/face_presets.h"
#include "editor/tools.h"

namespace jollix {

enum class MouseButton { Left, Right, Middle };

// Buttons held during a pointer event.
struct HeldButtons {
    bool left = false;
    bool right = false;
};

// The window side of the work area. Every method has a do-nothing default so
// that headless callers implement only what they need.
class WorkAreaView {
public:
    virtual ~WorkAreaView() = default;
    virtual void startRepeatTimer() {}
    virtual void stopRepeatTimer() {}
    // Scroll positions of the work area (window + scroll = view).
    virtual int scrollX() const { return 0; }
    virtual int scrollY() const { return 0; }
    // Move the scroll positions by (dx, dy), clamped by the scroll bars.
    virtual void scrollBy(int /*dx*/, int /*dy*/) {}
    // The brush outline: a circle of `radius` view pixels around the view
    // point (x, y); hide erases it.
    virtual void showBrushOutline(int /*x*/, int /*y*/, int /*radius*/) {}
    virtual void hideBrushOutline() {}
    // The zone frame changed (drawn, moved, erased): repaint its band.
    virtual void zoneFrameChanged() {}
    // Keep the pointer inside the picture control while a zone is dragged.
    virtual void confinePointer(bool /*on*/) {}
    // A brush is being finished in the background (see Editor::brushPending):
    // show its preview, and call Editor::settle once brushFinished() says so.
    // Returns whether the view starts the brush's work itself
    // (Editor::startPendingBrush) once the preview is on the screen, so that
    // the work does not slow the preview's paint; otherwise it starts at once.
    virtual bool brushStarted() { return false; }
    // WorkPicture was replaced (same size) or the picture control's size changed.
    virtual void pictureChanged() {}
    virtual void pictureControlResized() {}
};

class Editor : private PaletteHost {
public:
    // Start-up: the built-in start picture (or `start` when given), the
    // tool state's start values, OriginalPicture and a reset history.
    explicit Editor(std::optional<Picture> start = std::nullopt);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    void setView(WorkAreaView* view) { view_ = view ? view : &nullView_; }
    void setProgress(Progress* progress) { progress_ = progress; }

    // ---- State (read by the windows, written through the calls below) ----
    // The picture; a brush still being finished in the background is
    // waited for first.
    const Picture& picture() const {
        const_cast<Editor*>(this)->settleQuietly();
        return work_;
    }
    ToolState& state() { return state_; }
    const ToolState& state() const { return state_; }
    Palette& palette() { return palette_; }
    const History& history() const {
        const_cast<Editor*>(this)->settleQuietly();
        return history_;
    }
    // The history as recorded so far, without waiting for a brush being
    // finished in the background (its step comes when it is done, and with
    // it a state change): what the Undo and Redo controls show meanwhile.
    const History& recordedHistory() const { return history_; }

    // ---- A brush finished in the background ----
    // On a view zoomed out below 100 %, a click or a second held starts the
    // brush's full-resolution effect on another thread and returns at once;
    // meanwhile the view shows the brush's colours at its own pixels, from
    // the brush's mapping. Everything that reads the picture (this class's
    // calls, picture(), history()) first waits for the effect, so what is
    // recorded, saved or shown afterwards is exactly the effect's picture.
    bool brushPending() const { return pending_ != nullptr; }
    // Starts the pending brush's work, if it has not started yet (see
    // WorkAreaView::brushStarted); whatever reads the picture starts it too.
    void startPendingBrush();
    // The background work is done: settle() will not wait.
    bool brushFinished() const;
    // Passes the background work's progress so far on to the progress sink
    // (on the calling thread, which owns the sink).
    void showBackgroundProgress();
    // The picture pixels the pending brush may change.
    BrushMapping::Box pendingBounds() const;
    // The pending brush's colours (0x00BBGGRR) at pixels (xs[i], ys[j]) of
    // the picture, xs ascending, into out[j * nx + i].
    void pendingColours(const int* xs, int nx, const int* ys, int ny, uint32_t* out) const;
    // Makes the pending brush's effect the picture (waiting for it), with
    // its frame and, when the gesture has ended, its history step; throws
    // the effect's error, if it failed.
    void settle();

    // The picture control's size (the view size).
    int controlWidth() const { return controlWidth_; }
    int controlHeight() const { return controlHeight_; }
    std::string zoomLabel() const { return zoomLabel_; }

    bool cutEnabled() const { return cutEnabled_; }        // "Cut out the selection"
    bool copyEnabled() const { return copyEnabled_; }      // Ctrl+C
    bool zoneHintShown() const { return zoneHintShown_; }  // the palette's zone hint
    bool pictureHintShown() const { return pictureHintShown_; }
    PictureCursor cursor() const { return cursor_; }
    // Frame corners in window coordinates (cleared: all zero).
    const ZoneFrameCorners& zoneFrame() const { return zoneFrame_; }

    // The edit as an animation (see EditAnimation): whether there is
    // anything to animate, and the frames from the oldest state in reach to
    // the picture now shown.
    // Without waiting for a brush being finished in the background, as
    // recordedHistory().
    bool hasAnimation() const { return animation_.hasFrames(history_); }
    std::vector<Picture> animationFrames() {
        settle();
        return animation_.frames(history_);
    }
    const EditAnimation& animation() const { return animation_; }
    // Makes the small frames of the pictures the effects queued. Without
    // onFramesWaiting every effect does so at once; with it, the owner calls
    // this when the user pauses (a window's idle timer), and only a long run
    // of queued pictures is finished at once, to bound their memory.
    void finishFrames() {
        settleQuietly();
        animation_.finishFrames();
    }
    std::function<void()> onFramesWaiting;
    static constexpr size_t kMaxWaitingFrames = 16;

    // True when the picture differs from the one last opened or saved.
    bool isModified() const { return picture() != savedPicture_; }
    void markSaved() { savedPicture_ = picture(); }

    // Called after any change of observable state, for the windows to mirror.
    std::function<void()> onStateChanged;
    // A short note for the status bar (older history steps dropped, ...).
    std::function<void(const std::string&)> onStatusMessage;

    // The history's memory budget: JOLLIX_HISTORY_MB megabytes when that is
    // set to a positive number, else a quarter of the machine's memory.
    static size_t defaultHistoryBudget();

    // ---- Work area: pointer events in view coordinates, and timers ----
    void mouseDown(MouseButton button, HeldButtons held, int x, int y);
    void mouseMove(HeldButtons held, int x, int y);
    void mouseUp(MouseButton button, int x, int y);
    // A left press and release inside the picture, delivered before mouseUp.
    void click();
    void repeatTick();
    // The 100 ms frame timer: the dashes march.
    void frameTick();
    // The user scrolled with a scroll bar: the zone frame is dropped.
    void scrolledByBar();
    void pointerEntered() { state_.pointerOverPicture = true; }
    void pointerLeft() { state_.pointerOverPicture = false; }
    // One wheel message: delta > 0 zooms out, otherwise in.
    void wheel(int delta);

    // ---- Palette ----
    // A tool button of the palette was clicked: the tool is chosen, and a
    // button that acts on the whole picture (the sketches, the clean-up)
    // applies its effect at once.
    void chooseTool(const ToolRow& tool);

    // ---- Funny faces ----
    // The preset on every face (found with findFaces on the picture now
    // shown): all its brush applications make one history step, with an
    // animation frame after each. Without a face it throws kNoFaceFound;
    // on any failure nothing changes.
    void applyFacePreset(const FacePreset& preset, const std::vector<Face>& faces);

    // ---- Main window commands ----
    void undo();
    void redo();
    void renew();
    void zoomIn();   // x 1.25
    void zoomOut();  // x 0.8
    // Set the zoom directly (batch command); refused outside the bounds of
    // the picture control's size. Returns whether it was applied.
    bool setZoomPercent(double percent);
    // The zoom at which the whole picture fits a view of the given size (in
    // view pixels), kept within the bounds of the picture control's size.
    void fitZoom(int viewWidth, int viewHeight);
    // Opened picture: becomes the picture and the one Renew restores.
    void openPicture(const Picture& loaded);
    // Zone mode on or off ("Select a zone to cut").
    void toggleZoneMode();
    // Cut the picture down to the zone; false when the zone is empty.
    bool cutOut();
    // The zone's pixels, or nothing when the zone is empty.
    std::optional<Picture> copyZone() const;
    // Paste: a picture replaces the current one; nullopt changes nothing.
    bool paste(const std::optional<Picture>& clipboard);
    // Resample the picture to exactly newWidth x newHeight.
    void resizePicture(int newWidth, int newHeight);

    // The history reset run by Renew, Open, Cut out, Paste and Image Size.
    void resetHistory();

private:
    // PaletteHost
    void makeEdgePicture() override;
    void synchroniseUndoRedo() override;
    void updateCursor() override { showToolPointer(); }
    void setArrowCursor() override;

    void replacePicture(Picture p);
    // The picture's pointer for the tool in use.
    void showToolPointer();
    // Applies a tool at `where` (picture pixels) with its sliders read now.
    void applyTool(const ToolRow& tool, const ToolPlace& where);
    // `where` with the tool's sliders read now, as applyTool applies it.
    ToolPlace placeOf(const ToolRow& tool, const ToolPlace& where);
    // The brush started in the background, when the view is zoomed out.
    bool startInBackground(const ToolRow& tool, const ToolPlace& where);
    // settle() for readers: an error is kept for the next event.
    void settleQuietly();
    struct PendingBrush;
    std::unique_ptr<PendingBrush> pending_;
    std::exception_ptr backgroundError_;
    // The tool in use at the press point, for the click or for a second
    // held, with a frame when it was applied.
    void applyAtPressWithFrame(bool held);
    // Record the picture as a history step, with the frames made for it.
    void recordStep();
    // An effect was applied: the picture now shown is the step's next frame.
    void addFrame();
    void sizeControlToPicture();
    void zoomBy(long double factor);
    void removeZoneFrame();  // erase and clear the frame
    void zonePress(int x, int y);
    void zoneDrag(int x, int y);
    bool zoneBounds(int& left, int& top, int& right, int& bottom) const;
    Picture extractZone() const;
    void leaveZoneModeAfterReplace();
    void changed() {
        if (onStateChanged) onStateChanged();
    }
    // The history let its oldest steps go (slots 1 .. 100) to save memory.
    void historyStepsDropped(const std::vector<int>& slots);

    Picture work_;
    Picture savedPicture_;
    ToolState state_;
    Palette palette_;
    History history_;
    EditAnimation animation_;
    WorkAreaView nullView_;
    WorkAreaView* view_ = &nullView_;
    Progress* progress_ = nullptr;

    int controlWidth_ = 0, controlHeight_ = 0;
    std::string zoomLabel_ = "100%";
    bool cutEnabled_ = false, copyEnabled_ = false;
    bool zoneHintShown_ = false, pictureHintShown_ = true;
    PictureCursor cursor_ = PictureCursor::Arrow;
    ZoneFrameCorners zoneFrame_;
    bool repeatRunning_ = false;
    // Set when an effect of the current gesture stopped with an error, so
    // that the error is shown once and not at every tick.
    bool gestureFailed_ = false;
};

}  // namespace jollix
