#include "ui/tool_palette.h"

#include <QApplication>
#include <QGuiApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <iterator>
#include <string_view>

#include "ui/error_handling.h"
#include "ui/icons.h"
#include "ui/text_fit.h"
#include "ui/translations.h"

namespace jollix {

// ---------------------------------------------------------------------------
// Progress

void ProgressBarSink::show() {
    if (!bar_) return;
    const int shown = total_ > 0 ? int((long long)position_ * bar_->maximum() / total_) : position_;
    bar_->setValue(std::clamp(shown, bar_->minimum(), bar_->maximum()));
    bar_->repaint();
    shown_.restart();
    ++repaints_;
}

void ProgressBarSink::start(long long total) {
    reset();
    total_ = total;
}

void ProgressBarSink::step() {
    ++position_;
    if (!shown_.isValid() || shown_.elapsed() >= kRepaintMs) show();
}

void ProgressBarSink::finish() {
    // To the maximum and straight back to 0: the bar is empty between effects.
    reset();
}

void ProgressBarSink::reset() {
    position_ = 0;
    total_ = 0;
    if (bar_) bar_->setValue(0);
    shown_.invalidate();
}

// ---------------------------------------------------------------------------
// The palette window

namespace {

QLabel* label(QWidget* page, const char* text, const QRect& geometry) {
    auto* l = new QLabel(uiText(text), page);
    l->setGeometry(geometry);
    return l;
}

// Where each tool's button sits on its tab.
struct ButtonPlace {
    const char* batchName;
    QRect geometry;
};
constexpr ButtonPlace kButtonPlaces[] = {
    {"expand", QRect(132, 18, 36, 36)},        {"shrink", QRect(174, 18, 36, 36)},
    {"dextro", QRect(30, 18, 36, 36)},         {"levo", QRect(96, 18, 36, 36)},
    {"smear", QRect(162, 18, 36, 36)},         {"pen-sketch", QRect(184, 14, 36, 36)},
    {"pencil-sketch", QRect(184, 70, 36, 36)}, {"clean-spots", QRect(60, 142, 36, 36)},
    {"rubber", QRect(130, 142, 36, 36)},
};

QRect buttonPlace(std::string_view batchName) {
    for (const ButtonPlace& p : kButtonPlaces)
        if (batchName == p.batchName) return p.geometry;
    return QRect();  // a tool without a place yet: shown nowhere
}

QToolButton* toolButton(QWidget* page, const char* hint, const QIcon& icon, const QRect& geometry, bool checkable) {
    auto* b = new QToolButton(page);
    b->setToolTip(uiText(hint));
    b->setIcon(icon);
    b->setIconSize(QSize(24, 24));
    b->setAutoRaise(true);
    b->setCheckable(checkable);
    b->setGeometry(geometry);
    return b;
}

void mirror(QSlider* s, const Slider& model) {
    const QSignalBlocker block(s);
    s->setRange(model.minimum(), model.maximum());
    s->setValue(model.position());
    s->setSliderPosition(model.position());
}

void setText(QLabel* l, const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (l->text() != t) l->setText(t);
}

}  // namespace

// The palette's own caption: the window's title on a title-bar coloured
// strip, with no buttons. Dragging it moves the window.
class PaletteCaption : public QWidget {
public:
    explicit PaletteCaption(QWidget* window) : QWidget(window) {
        setObjectName(QStringLiteral("caption"));
        QFont bold = font();
        bold.setBold(true);
        setFont(bold);
        setCursor(Qt::SizeAllCursor);
    }
    int preferredHeight() const { return fontMetrics().height() + 6; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Highlight));
        p.setPen(palette().color(QPalette::HighlightedText));
        p.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, window()->windowTitle());
    }
    // A press arms the move; only a move of the pointer with the button
    // still down moves the window, so a quick click (press and release
    // with no movement) never starts one. Where the window system lets the
    // program place its windows, the caption follows the pointer itself:
    // a move handed to the window manager at the press would start after a
    // quick release and leave the window following the pointer until the
    // next click. Elsewhere (Wayland) the window manager moves it, asked
    // at the first movement while the button is down.
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        armed_ = true;
        grabbedAt_ = event->globalPosition().toPoint() - window()->pos();
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!armed_ || !(event->buttons() & Qt::LeftButton)) {
            armed_ = false;
            return;
        }
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
            armed_ = false;
            if (QWindow* w = window()->windowHandle()) w->startSystemMove();
            return;
        }
        window()->move(event->globalPosition().toPoint() - grabbedAt_);
    }
    void mouseReleaseEvent(QMouseEvent*) override { armed_ = false; }

private:
    bool armed_ = false;
    QPoint grabbedAt_;
};

ToolPalette::ToolPalette(Editor& editor, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint), editor_(editor) {
    setObjectName(QStringLiteral("Tools"));
    setWindowTitle(tr("Tools"));
    Palette& pal = editor_.palette();

    caption_ = new PaletteCaption(this);
    body_ = new QWidget(this);
    body_->setObjectName(QStringLiteral("body"));

    tabs = new QTabWidget(body_);
    tabs->setGeometry(3, 3, 235, 272);
    auto* distort = new QWidget;
    auto* twist = new QWidget;
    auto* sketch = new QWidget;
    tabs->addTab(distort, tr("Distort"));
    tabs->addTab(twist, tr("Twist"));
    tabs->addTab(sketch, tr("Sketch"));

    progressBar = new QProgressBar(body_);
    progressBar->setGeometry(5, 282, 231, 16);
    progressBar->setRange(0, 500);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    progress_.attach(progressBar);

    // Distort
    sphericalButton = new QRadioButton(tr("Spherical"), distort);
    sphericalButton->setGeometry(12, 12, 105, 20);
    verticalButton = new QRadioButton(tr("Vertical"), distort);
    verticalButton->setGeometry(12, 36, 105, 20);
    horizontalButton = new QRadioButton(tr("Horizontal"), distort);
    horizontalButton->setGeometry(12, 60, 105, 20);
    distortGroup_ = new QButtonGroup(this);
    makeToolButtons(kPageDistort, distort, distortGroup_);
    expandButton = toolButtonOf("expand");
    shrinkButton = toolButtonOf("shrink");
    distortRadCaption = label(distort, "Rad.", QRect(8, 112, 34, 20));
    distortRadSlider = makeSlider(distort, pal.distortRad, 2, QRect(40, 104, 152, 34));
    distortRadValue = label(distort, "50", QRect(196, 112, 34, 20));
    distortCurCaption = label(distort, "Cur.", QRect(8, 170, 34, 20));
    distortCurSlider = makeSlider(distort, pal.distortCur, 2, QRect(40, 162, 152, 34));
    distortCurValue = label(distort, "15", QRect(196, 170, 34, 20));

    // Twist
    twistGroup_ = new QButtonGroup(this);
    makeToolButtons(kPageTwist, twist, twistGroup_);
    dextrorotaryButton = toolButtonOf("dextro");
    levorotaryButton = toolButtonOf("levo");
    smearButton = toolButtonOf("smear");
    twistRadCaption = label(twist, "Rad.", QRect(8, 112, 34, 20));
    twistRadSlider = makeSlider(twist, pal.twistRad, 2, QRect(40, 104, 152, 34));
    twistRadValue = label(twist, "100", QRect(196, 112, 34, 20));
    twistCurCaption = label(twist, "Cur.", QRect(8, 170, 34, 20));
    twistCurSlider = makeSlider(twist, pal.twistCur, 2, QRect(40, 162, 152, 34));
    twistCurValue = label(twist, "10", QRect(196, 170, 34, 20));

    // Sketch
    penPressureCaption = label(sketch, "Pen    Pressure:", QRect(8, 6, 122, 18));
    penPressureValue = label(sketch, "150", QRect(134, 6, 36, 18));
    penPressureSlider = makeSlider(sketch, pal.penPressure, 2, QRect(4, 24, 172, 30));
    sketchGroup_ = new QButtonGroup(this);
    makeToolButtons(kPageSketch, sketch, sketchGroup_);
    penSketchButton = toolButtonOf("pen-sketch");
    pencilSketchButton = toolButtonOf("pencil-sketch");
    clearUpSpotButton = toolButtonOf("clean-spots");
    rubberButton = toolButtonOf("rubber");
    pencilContrastCaption = label(sketch, "Pencil    Contrast:", QRect(8, 62, 122, 18));
    pencilContrastValue = label(sketch, "50", QRect(134, 62, 36, 18));
    pencilContrastSlider = makeSlider(sketch, pal.pencilContrast, 2, QRect(4, 80, 172, 30));
    followsForSketchLabel = label(sketch, "  == Follows for sketch ==    ", QRect(8, 118, 212, 18));
    followsForSketchLabel->setAutoFillBackground(true);
    {
        QPalette white = followsForSketchLabel->palette();
        white.setColor(QPalette::Window, Qt::white);
        followsForSketchLabel->setPalette(white);
    }
    followsForSketchLabel->setAlignment(Qt::AlignCenter);
    rubberThickCaption = label(sketch, "Rubber thick:", QRect(8, 188, 96, 18));
    rubberThickValue = label(sketch, "15", QRect(106, 188, 36, 18));
    rubberThickSlider = makeSlider(sketch, pal.rubberThick, 1, QRect(4, 206, 216, 30));
    // The keyboard goes through the Sketch tab from top to bottom.
    QWidget* sketchOrder[] = {penPressureSlider, penSketchButton, pencilContrastSlider, pencilSketchButton,
                              clearUpSpotButton, rubberButton,    rubberThickSlider};
    for (size_t i = 1; i < std::size(sketchOrder); ++i) QWidget::setTabOrder(sketchOrder[i - 1], sketchOrder[i]);

    // User actions: the model first, then the controls from the model.
    connect(tabs, &QTabWidget::currentChanged, this, [this](int page) { tabChanged(page); });
    connect(sphericalButton, &QRadioButton::clicked, this,
            [this] { act([this] { editor_.palette().chooseShape(StretchShapeCode::Spherical); }); });
    connect(verticalButton, &QRadioButton::clicked, this,
            [this] { act([this] { editor_.palette().chooseShape(StretchShapeCode::Vertical); }); });
    connect(horizontalButton, &QRadioButton::clicked, this,
            [this] { act([this] { editor_.palette().chooseShape(StretchShapeCode::Horizontal); }); });
    refresh();
    // The value labels start with their own texts ("50" and "15" beside
    // sliders at 45 and 25), which the model holds too.
    layOut();

    if (parent) parent->installEventFilter(this);
    qApp->installEventFilter(this);
}

void ToolPalette::makeToolButtons(int tab, QWidget* page, QButtonGroup* group) {
    for (const ToolRow& row : toolTable()) {
        // Rows that share a button (Expand in its three shapes) make it once.
        if (row.tab != tab || toolButtonOf(row.batchName)) continue;
        // A button that chooses a tool stays down; one that only acts does not.
        const bool chooses = row.choose != nullptr;
        QToolButton* b = toolButton(page, row.hint, icons::tool(row.batchName), buttonPlace(row.batchName), chooses);
        b->setObjectName(QString::fromUtf8(row.batchName));
        if (chooses) group->addButton(b);
        connect(b, &QToolButton::clicked, this, [this, &row] { act([this, &row] { editor_.chooseTool(row); }); });
        toolButtons_.push_back(b);
    }
}

QToolButton* ToolPalette::toolButtonOf(std::string_view batchName) const {
    for (QToolButton* b : toolButtons_)
        if (b->objectName() == QLatin1String(batchName.data(), qsizetype(batchName.size()))) return b;
    return nullptr;
}

void ToolPalette::layOut() {
    // The designed layout (241 x 306 under the caption) where the system's
    // fonts let every text fit; wider or taller where they do not.
    QSize grow(0, 0);
    for (int i = 0; i < tabs->count(); ++i) {
        QWidget* page = tabs->widget(i);
        grow = grow.expandedTo(fitTexts(page));
    }
    const int top = static_cast<PaletteCaption*>(caption_)->preferredHeight();
    const int w = 241 + grow.width(), h = 306 + grow.height();
    tabs->setGeometry(3, 3, 235 + grow.width(), 272 + grow.height());
    progressBar->setGeometry(5, 282 + grow.height(), 231 + grow.width(), 16);
    caption_->setGeometry(0, 0, w, top);
    body_->setGeometry(0, top, w, h);
    setFixedSize(w, top + h);
}

void ToolPalette::paintEvent(QPaintEvent*) {
    // A thin frame, since the window manager draws none.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ToolPalette::dismiss() {
    dismissed_ = true;
    hide();
}

void ToolPalette::comeBack() {
    if (dismissed_) return;
    const QWidget* owner = parentWidget();
    if (owner && (owner->isMinimized() || !owner->isVisible())) return;  // back with the main window
    if (isMinimized()) showNormal();
    if (!isVisible()) show();
    raise();
}

void ToolPalette::closeEvent(QCloseEvent* event) {
    // Alt+F4 or the window manager's menu: the tools stay.
    event->ignore();
}

void ToolPalette::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!dismissed_) QTimer::singleShot(0, this, &ToolPalette::comeBack);
}

void ToolPalette::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !dismissed_)
        QTimer::singleShot(0, this, &ToolPalette::comeBack);
}

bool ToolPalette::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::WindowStateChange)
        QTimer::singleShot(0, this, &ToolPalette::comeBack);
    // Every dialog of the program stays above the palette, however it was
    // opened and whichever window had the focus: just before it is mapped,
    // a dialog that belongs to the main window (or to no window) is made
    // the palette's own, and window managers keep a window's dialogs above
    // it (in its always-on-top layer too). A dialog of another dialog
    // stays that dialog's, which is above the palette already. Modal
    // dialogs also join the always-on-top layer themselves.
    if (event->type() == QEvent::Show && watched != this && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->isWindow() && w->windowType() == Qt::Dialog)
            if (QWindow* native = w->windowHandle()) {
                QWindow* owner = native->transientParent();
                const QWidget* main = parentWidget();
                if (windowHandle() && (!owner || (main && owner == main->windowHandle()))) {
                    native->setTransientParent(windowHandle());
                    // When it closes, the focus goes back where it was
                    // rather than to the palette.
                    focusBeforeDialog_.insert(w, QApplication::activeWindow());
                }
                if (w->isModal()) native->setFlag(Qt::WindowStaysOnTopHint, true);
            }
    }
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
        const auto found = focusBeforeDialog_.find(watched);
        if (found != focusBeforeDialog_.end()) {
            const QPointer<QWidget> before = found.value();
            focusBeforeDialog_.erase(found);
            if (before && before->isVisible())
                QTimer::singleShot(0, before, [before] {
                    if (before && before->isVisible() && !QApplication::activeModalWidget()) before->activateWindow();
                });
        }
    }
    return QWidget::eventFilter(watched, event);
}

QSlider* ToolPalette::makeSlider(QWidget* page, Slider& model, int pageStep, const QRect& geometry) {
    auto* s = new QSlider(Qt::Horizontal, page);
    s->setGeometry(geometry);
    s->setSingleStep(1);
    s->setPageStep(pageStep);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(1);
    mirror(s, model);
    // Every scroll notification from the user reaches the model, also when
    // the position stays where it was.
    connect(s, &QAbstractSlider::actionTriggered, this,
            [this, s, &model](int) { act([s, &model] { model.userScroll(s->sliderPosition()); }); });
    // Changes that come without an action (none expected, but the model must
    // never fall behind the control).
    connect(s, &QAbstractSlider::valueChanged, this, [this, &model](int v) {
        if (v != model.position()) act([v, &model] { model.userScroll(v); });
    });
    return s;
}

void ToolPalette::act(const std::function<void()>& action) {
    guarded(action);
    if (onUserAction)
        onUserAction();
    else
        refresh();
}

void ToolPalette::tabChanged(int newPage) {
    act([this, newPage] { editor_.palette().changeTab(newPage); });
}

void ToolPalette::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        move(635, 107);
    }
    QWidget::showEvent(event);
}

void ToolPalette::refresh() {
    const Palette& pal = editor_.palette();
    {
        const QSignalBlocker block(tabs);
        if (tabs->currentIndex() != pal.page()) tabs->setCurrentIndex(pal.page());
    }
    mirror(distortRadSlider, pal.distortRad);
    mirror(distortCurSlider, pal.distortCur);
    mirror(twistRadSlider, pal.twistRad);
    mirror(twistCurSlider, pal.twistCur);
    mirror(penPressureSlider, pal.penPressure);
    mirror(pencilContrastSlider, pal.pencilContrast);
    mirror(rubberThickSlider, pal.rubberThick);
    setText(distortRadValue, pal.distortRadLabel);
    setText(distortCurValue, pal.distortCurLabel);
    setText(twistRadValue, pal.twistRadLabel);
    setText(twistCurValue, pal.twistCurLabel);
    setText(penPressureValue, pal.penPressureLabel);
    setText(pencilContrastValue, pal.pencilContrastLabel);
    setText(rubberThickValue, pal.rubberThickLabel);

    sphericalButton->setChecked(pal.checkedShape == StretchShapeCode::Spherical);
    verticalButton->setChecked(pal.checkedShape == StretchShapeCode::Vertical);
    horizontalButton->setChecked(pal.checkedShape == StretchShapeCode::Horizontal);

    auto press = [](QButtonGroup* group, QAbstractButton* down) {
        const QSignalBlocker block(group);
        if (!down) {
            // No button of the group is down: only possible with exclusivity off.
            group->setExclusive(false);
            for (QAbstractButton* b : group->buttons()) b->setChecked(false);
            group->setExclusive(true);
            return;
        }
        down->setChecked(true);
    };
    press(distortGroup_, pal.distortButton == DistortButton::Expand ? expandButton : shrinkButton);
    QAbstractButton* twistDown = nullptr;
    switch (pal.twistButton) {
        case TwistButton::Dextrorotary: twistDown = dextrorotaryButton; break;
        case TwistButton::Levorotary: twistDown = levorotaryButton; break;
        case TwistButton::Smear: twistDown = smearButton; break;
        case TwistButton::None: break;
    }
    press(twistGroup_, twistDown);
    press(sketchGroup_, pal.sketchButton == SketchButton::Rubber ? rubberButton : clearUpSpotButton);

    twistCurSlider->setHidden(!pal.twistCurVisible);
    twistCurCaption->setHidden(!pal.twistCurVisible);
    twistCurValue->setHidden(!pal.twistCurVisible);
    rubberThickCaption->setHidden(!pal.rubberControlsVisible);
    rubberThickValue->setHidden(!pal.rubberControlsVisible);
    rubberThickSlider->setHidden(!pal.rubberControlsVisible);

    // A maximum of 0 would turn the bar into a busy indicator.
    const int maximum = std::max(1, pal.progressMaximum);
    if (progressBar->maximum() != maximum) progressBar->setMaximum(maximum);

    const QString tabHint = editor_.zoneHintShown() ? uiText(kHintSelectingZone) : QString();
    if (tabs->toolTip() != tabHint) tabs->setToolTip(tabHint);
}

}  // namespace jollix
