#pragma once
// The tool palette "Tools": a floating window, always on top and without
// close, minimise or maximise buttons, with the tabs "Distort", "Twist" and
// "Sketch", the sliders and value labels of the brushes and sketches, the
// tool buttons, and the progress bar of the effects below the tabs.
//
// Window managers do not agree on hiding a title bar's buttons (some keep the
// close button whatever the window asks for), so the palette asks for no
// frame at all and draws its own caption, by which it is moved.
//
// The palette's state lives in the session's palette model (slider ranges
// and positions with their couplings, labels, pressed buttons, visibility);
// the controls here only show it. A user action goes to the model first and
// the controls are then set from the model with their signals blocked, so
// that the toolkit's own slider rules never decide anything.
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string_view>
#include <vector>

#include "core/progress.h"
#include "core/slider.h"
#include "editor/editor.h"

class QButtonGroup;
class QLabel;
class QProgressBar;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;

namespace jollix {

// progressBar as the effects' progress: position + 1 per step, shown on
// screen at most every 30 ms while an effect runs. Work that said its total
// of steps first fills the bar in proportion instead.
class ProgressBarSink : public Progress {
public:
    static constexpr int kRepaintMs = 30;
    void attach(QProgressBar* bar) { bar_ = bar; }
    void start(long long total) override;
    void step() override;
    void finish() override;
    void reset() override;
    int position() const { return position_; }
    int repaints() const { return repaints_; }

private:
    void show();
    QProgressBar* bar_ = nullptr;
    int position_ = 0;
    long long total_ = 0;  // steps of the work under way, 0 when not said
    int repaints_ = 0;
    QElapsedTimer shown_;
};

class ToolPalette : public QWidget {
    Q_OBJECT
public:
    explicit ToolPalette(Editor& editor, QWidget* parent = nullptr);

    // Set every control from the palette model.
    void refresh();
    // Run after each user action on the palette; the main window points it
    // at its own refresh of all windows. Defaults to refresh().
    std::function<void()> onUserAction;

    ProgressBarSink& progress() { return progress_; }

    // The controls, by their names.
    QTabWidget* tabs;
    QProgressBar* progressBar;
    // Distort
    QRadioButton* sphericalButton;   // Spherical
    QRadioButton* verticalButton;    // Vertical
    QRadioButton* horizontalButton;  // Horizontal
    QToolButton* expandButton;       // Expand
    QToolButton* shrinkButton;       // Shrink
    QLabel* distortRadCaption;       // "Rad."
    QSlider* distortRadSlider;
    QLabel* distortRadValue;
    QLabel* distortCurCaption;  // "Cur."
    QSlider* distortCurSlider;
    QLabel* distortCurValue;
    // Twist
    QToolButton* dextrorotaryButton;  // Dextrorotary
    QToolButton* levorotaryButton;    // Levorotary
    QToolButton* smearButton;         // Smear
    QLabel* twistRadCaption;          // "Rad."
    QSlider* twistRadSlider;
    QLabel* twistRadValue;
    QLabel* twistCurCaption;  // "Cur."
    QSlider* twistCurSlider;
    QLabel* twistCurValue;
    // Sketch
    QLabel* penPressureCaption;  // "Pen    Pressure:"
    QSlider* penPressureSlider;
    QLabel* penPressureValue;
    QToolButton* penSketchButton;   // Make pen sketch
    QLabel* pencilContrastCaption;  // "Pencil    Contrast:"
    QSlider* pencilContrastSlider;
    QLabel* pencilContrastValue;
    QToolButton* pencilSketchButton;  // Make pencil sketch
    QLabel* followsForSketchLabel;    // "  == Follows for sketch ==    "
    QToolButton* clearUpSpotButton;   // Clear up spot
    QToolButton* rubberButton;        // Rubber
    QLabel* rubberThickCaption;       // "Rubber thick:"
    QSlider* rubberThickSlider;
    QLabel* rubberThickValue;

    // The palette is visible from start-up to exit: a close is refused, and
    // when it is minimised or hidden it comes back (unless the main window
    // itself is minimised; it returns with it). Only dismiss(), at exit,
    // hides it for good. Modal dialogs of the program are kept above it.
    void dismiss();
    bool dismissed() const { return dismissed_; }

    // The area under the caption, which holds the tabs and the progress bar.
    QWidget* body() const { return body_; }
    QWidget* caption() const { return caption_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();
    void comeBack();

    QSlider* makeSlider(QWidget* page, Slider& model, int pageStep, const QRect& geometry);
    // The buttons of a tab's tools from the tool table, in the table's order.
    void makeToolButtons(int tab, QWidget* page, QButtonGroup* group);
    QToolButton* toolButtonOf(std::string_view batchName) const;
    void act(const std::function<void()>& action);
    void tabChanged(int newPage);

    Editor& editor_;
    QButtonGroup* distortGroup_;
    QButtonGroup* twistGroup_;
    QButtonGroup* sketchGroup_;
    std::vector<QToolButton*> toolButtons_;
    ProgressBarSink progress_;
    QWidget* caption_;
    QWidget* body_;
    // The window that had the focus when each of the program's dialogs
    // opened, given the focus back when it closes.
    QHash<QObject*, QPointer<QWidget>> focusBeforeDialog_;
    bool placed_ = false;
    bool dismissed_ = false;
};

}  // namespace jollix
