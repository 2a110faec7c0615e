#pragma once
// The work area: a child window of the main window ("Vova dirur uzudo")
// that scrolls, shows WorkPicture in its picture control stretched to
// the control's size, and hands every pointer event, wheel turn and timer
// tick to the editing session. It draws the brush outline and the zone frame
// over the picture and does what the session asks of a view: timers,
// scrolling, confining the pointer, repainting what changed.
#include <QMdiSubWindow>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QScrollArea>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "core/picture.h"
#include "editor/editor.h"

namespace jollix {

class WorkArea;
class WheelHook;

// The picture control: WorkPicture stretched to the control's size, with
// the brush outline and the zone frame painted over it.
class PictureWidget : public QWidget {
    Q_OBJECT
public:
    PictureWidget(Editor& editor, WorkArea& area);

    // The session's picture was replaced: repaint the tiles that differ from
    // the picture shown so far.
    void showPicture();
    // The control's size follows the session's control size.
    void resizeToControl();

    void showBrushOutline(int x, int y, int radius);
    void hideBrushOutline();
    bool brushOutlineShown() const { return outlineShown_; }
    QRect brushOutlineRect() const;  // the outline's square, view coordinates

    void zoneFrameChanged();
    void setConfined(bool on) { confined_ = on; }
    bool confined() const { return confined_; }

    // A brush is being finished in the background: show its colours at the
    // view's pixels now, over the picture shown, until the picture follows.
    // Once that is painted, the brush's work is started. Returns whether a
    // preview is to be painted.
    bool showPendingBrush();
    bool pendingBrushShown() const { return !preview_.isNull(); }

    // The area last repainted because the picture changed (view coordinates).
    QRect lastPictureUpdate() const { return lastUpdate_; }

    // After an error message shown during a held press: if the button was
    // released while the message was up, the release never reached us; end
    // the gesture now as the release would have.
    void finishGestureIfReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void press(QMouseEvent* event, bool canClick);
    QPoint confinedPosition(QMouseEvent* event);
    void renderPicture(QPainter& painter, const QRect& area);
    QRect viewRectOfTiles(int tx0, int ty0, int tx1, int ty1) const;
    void updateFrameBand(const QRect& frame);
    QRect frameRectInView() const;

    Editor& editor_;
    WorkArea& area_;
    Picture shown_;   // the picture as last painted (shares its tiles)
    QImage scratch_;  // rows converted for one paint
    QRect lastUpdate_;
    // The pending brush's colours at the view's pixels of previewRect_
    // (columns previewXs_ and rows previewYs_ of the picture), made where
    // previewMade_ says.
    void makePreview(const QRect& area);
    QImage preview_;
    QRect previewRect_;  // view coordinates
    std::vector<int> previewXs_, previewYs_;
    QRegion previewMade_;
    bool previewUnpainted_ = false;  // the brush's work waits for the preview's paint
    bool outlineShown_ = false;
    QPoint outlineCentre_;
    int outlineRadius_ = 0;
    QRect framePainted_;  // ordered frame rectangle last drawn, view coordinates
    bool confined_ = false;
    bool clickArmed_ = false;  // a left press inside the control, waiting for its release
    bool leftDown_ = false;
    QPoint lastPos_;
};

class WorkArea : public QMdiSubWindow, public WorkAreaView {
    Q_OBJECT
public:
    explicit WorkArea(Editor& editor, QWidget* parent = nullptr);
    ~WorkArea() override;

    PictureWidget* pictureWidget() const { return image_; }
    QScrollArea* scrollArea() const { return scroll_; }
    QTimer* repeatTimer() { return &repeatTimer_; }  // 1000 ms repeat
    QTimer* frameTimer() { return &frameTimer_; }    // 100 ms marching frame

    // WorkAreaView
    void startRepeatTimer() override;
    void stopRepeatTimer() override;
    int scrollX() const override;
    int scrollY() const override;
    void scrollBy(int dx, int dy) override;
    void showBrushOutline(int x, int y, int radius) override;
    void hideBrushOutline() override;
    void zoneFrameChanged() override;
    void confinePointer(bool on) override;
    void pictureChanged() override;
    void pictureControlResized() override;
    bool brushStarted() override;

public slots:
    void repeatTick();
    void frameTick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void scrolledByBar();

    Editor& editor_;
    QScrollArea* scroll_;
    PictureWidget* image_;
    QTimer repeatTimer_;
    QTimer frameTimer_;
    QTimer settleTimer_;                    // looks for the end of a brush finished in the background
    std::unique_ptr<WheelHook> wheelHook_;  // installed when first shown
};

}  // namespace jollix
