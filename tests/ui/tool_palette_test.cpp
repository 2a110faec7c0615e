// The tool palette through its real controls: start values, the couplings of
// the radius and strength sliders, the tool buttons and the tab changes.
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QWindow>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include "ui/about_box.h"
#include "ui/image_size_dialog.h"
#include "window_test_util.h"

using namespace jollix;
using namespace jollix::testing;

namespace {

// The user drags a slider's thumb to v.
void dragTo(QSlider* s, int v) {
    s->setSliderDown(true);
    s->setSliderPosition(v);
    s->setSliderDown(false);
}

// The user moves a slider to v with the arrow keys, one step at a time.
void stepTo(QSlider* s, int v) {
    for (int guard = 0; s->value() != v && guard < 1000; ++guard)
        QTest::keyClick(s, s->value() < v ? Qt::Key_Right : Qt::Key_Left);
}

void clickTab(QTabWidget* tabs, int index) {
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

struct Range {
    int min, max, pos;
};
Range rangeOf(const QSlider* s) { return {s->minimum(), s->maximum(), s->value()}; }
bool operator==(const Range& a, const Range& b) { return a.min == b.min && a.max == b.max && a.pos == b.pos; }
char* toString(const Range& r) {
    return QTest::toString(QStringLiteral("%1..%2 @%3").arg(r.min).arg(r.max).arg(r.pos));
}

}  // namespace

class ToolPaletteTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Program> p;
    ToolPalette* t() const { return p->tools(); }

private slots:
    void init() {
        p = std::make_unique<Program>(patterned(605, 469));
        QVERIFY(QTest::qWaitForWindowExposed(p->form.get()));
    }
    void cleanup() { p.reset(); }

    void theWindow() {
        QVERIFY(t()->isVisible());
        QCOMPARE(t()->windowTitle(), QStringLiteral("Tools"));
        // Its own caption on top, the designed 241 x 306 under it (the test
        // font fits).
        QCOMPARE(t()->body()->size(), QSize(241, 306));
        QCOMPARE(t()->size(), QSize(241, 306 + t()->caption()->height()));
        QVERIFY(t()->caption()->height() > t()->fontMetrics().height());
        QCOMPARE(t()->pos(), QPoint(635, 107));
        const Qt::WindowFlags f = t()->windowFlags();
        QVERIFY(f.testFlag(Qt::Tool));
        QVERIFY(f.testFlag(Qt::WindowStaysOnTopHint));
        // No title bar of the window manager's, so none of its buttons.
        QVERIFY(f.testFlag(Qt::FramelessWindowHint));
        QVERIFY(!f.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!f.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!f.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(t()->tabs->count(), 3);
        QCOMPARE(t()->tabs->tabText(0), QStringLiteral("Distort"));
        QCOMPARE(t()->tabs->tabText(1), QStringLiteral("Twist"));
        QCOMPARE(t()->tabs->tabText(2), QStringLiteral("Sketch"));
        QCOMPARE(t()->tabs->currentIndex(), 0);
        QCOMPARE(t()->progressBar->minimum(), 0);
        QCOMPARE(t()->progressBar->maximum(), 500);
        QCOMPARE(t()->progressBar->value(), 0);
    }

    void thePaletteIsNeverLost_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("close") << "close";
        QTest::newRow("the window manager asks it to close") << "request";
        QTest::newRow("minimised") << "minimise";
        QTest::newRow("hidden") << "hide";
    }
    void thePaletteIsNeverLost() {
        QFETCH(QString, how);
        QVERIFY(t()->isVisible());
        if (how == "close") {
            QVERIFY(!t()->close());
        } else if (how == "request") {
            QVERIFY(!t()->windowHandle()->close());
        } else if (how == "minimise") {
            t()->showMinimized();
        } else {
            t()->hide();
        }
        QTRY_VERIFY(t()->isVisible() && !t()->isMinimized());
        // And it still works.
        QTest::mouseClick(t()->shrinkButton, Qt::LeftButton);
        QCOMPARE(p->editor->state().toolKind, ToolKindCode::Shrink);
    }

    void itComesBackWithTheMainWindow() {
        p->form->showMinimized();
        t()->showMinimized();
        QTest::qWait(50);
        p->form->showNormal();
        QTRY_VERIFY(t()->isVisible() && !t()->isMinimized());
    }

    void itGoesOnlyAtExit() {
        p->form->close();
        QVERIFY(!t()->isVisible());
        QVERIFY(t()->dismissed());
        QTest::qWait(50);
        QVERIFY(!t()->isVisible());
    }

    void modalDialogsAreNotCoveredByIt() {
        // A modal dialog joins the always-on-top layer before it shows, so it
        // comes above the palette; a window that is not modal does not.
        QStringList seen;
        QTimer::singleShot(100, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w != t() && w->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint))
                    seen << w->objectName();
            if (QWidget* modal = QApplication::activeModalWidget()) static_cast<QDialog*>(modal)->reject();
        });
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("x"), QStringLiteral("y"), QMessageBox::Ok, p->form.get());
        box.setObjectName(QStringLiteral("modal"));
        box.exec();
        QCOMPARE(seen, QStringList{"modal"});
        QVERIFY(t()->isVisible());
        QVERIFY(t()->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    }

    // Every dialog is the palette's own (window managers keep a window's
    // dialogs above it), whichever window had the focus and however the
    // dialog was opened; a dialog of a dialog stays above its dialog. When
    // it closes, the focus goes back where it was.
    void dialogsAreThePalettesWhicheverWayTheyOpen_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("fromPalette");
        for (const char* command : {"open", "save", "print"})
            for (const char* how : {"menu", "tool bar", "shortcut"})
                for (bool fromPalette : {false, true})
                    QTest::newRow(qPrintable(QStringLiteral("%1 by %2, focus on the %3")
                                                 .arg(command, how, fromPalette ? "palette" : "main window")))
                        << command << how << fromPalette;
    }
    void dialogsAreThePalettesWhicheverWayTheyOpen() {
        QFETCH(QString, command);
        QFETCH(QString, how);
        QFETCH(bool, fromPalette);
        QWidget* focused = fromPalette ? static_cast<QWidget*>(t()) : p->form.get();
        focused->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), focused);
        MainWindow::Command MainWindow::Commands::*which = command == "open"   ? &MainWindow::Commands::open
                                                           : command == "save" ? &MainWindow::Commands::save
                                                                               : &MainWindow::Commands::print;
        const MainWindow::Command& c = p->form->commands.*which;
        QWindow* owner = nullptr;
        bool modal = false, onTop = false;
        QString className;
        QTimer::singleShot(50, this, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                owner = dialog->windowHandle()->transientParent();
                modal = dialog->isModal();
                onTop = dialog->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
                className = QString::fromUtf8(dialog->metaObject()->className());
                static_cast<QDialog*>(dialog)->reject();
            }
        });
        if (how == "menu")
            c.menuItem->trigger();
        else if (how == "tool bar")
            c.button->trigger();
        else
            QTest::keyClick(focused, QKeySequence(c.shortcut->shortcut())[0].key(),
                            QKeySequence(c.shortcut->shortcut())[0].keyboardModifiers());
        QVERIFY2(!className.isEmpty(), "no dialog came up");
        QCOMPARE(owner, t()->windowHandle());
        QVERIFY(modal && onTop);
        QTRY_COMPARE(QApplication::activeWindow(), focused);
    }

    void aDialogOfADialogStaysAboveItsDialog() {
        QDialog outer(p->form.get());
        outer.setObjectName(QStringLiteral("outer"));
        QWindow* outerOwner = nullptr;
        QWindow* innerOwner = nullptr;
        QTimer::singleShot(50, this, [&] {
            outerOwner = outer.windowHandle()->transientParent();
            QMessageBox inner(QMessageBox::NoIcon, QStringLiteral("x"), QStringLiteral("y"), QMessageBox::Ok, &outer);
            QTimer::singleShot(50, this, [&] {
                innerOwner = inner.windowHandle()->transientParent();
                inner.reject();
            });
            inner.exec();
            outer.reject();
        });
        outer.exec();
        QCOMPARE(outerOwner, t()->windowHandle());
        QCOMPARE(innerOwner, outer.windowHandle());
    }

    void theWindowsThatAreNotModalAreThePalettesToo() {
        p->form->commands.about.menuItem->trigger();
        p->form->commands.imageSize.shortcut->trigger();
        QCOMPARE(p->form->aboutBox()->windowHandle()->transientParent(), t()->windowHandle());
        QCOMPARE(p->form->imageSizeDialog()->windowHandle()->transientParent(), t()->windowHandle());
    }

    // Dragging the caption moves the palette; a quick click (press and
    // release with no movement) leaves it where it is, and later pointer
    // movement without a button never moves it.
    void aQuickClickOnTheCaptionNeverMovesIt() {
        QWidget* caption = t()->caption();
        const QPoint start = t()->pos();
        const QPoint at(20, caption->height() / 2);
        for (int i = 0; i < 3; ++i) {
            send(caption, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
            send(caption, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
            send(caption, QEvent::MouseMove, at + QPoint(40, 30), Qt::NoButton, Qt::NoButton);
            QCOMPARE(t()->pos(), start);
        }
        // A drag moves it by the pointer's movement, and only while the
        // button is down.
        send(caption, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        send(caption, QEvent::MouseMove, at + QPoint(25, 15), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(t()->pos(), start + QPoint(25, 15));
        send(caption, QEvent::MouseButtonRelease, at + QPoint(25, 15), Qt::LeftButton, Qt::NoButton);
        const QPoint moved = t()->pos();
        send(caption, QEvent::MouseMove, at + QPoint(90, 90), Qt::NoButton, Qt::NoButton);
        QCOMPARE(t()->pos(), moved);
    }

    void everyTextShowsWholeWithTheSystemsFonts_data() {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("test font") << 0;
        QTest::newRow("12 pt") << 12;
        QTest::newRow("18 pt") << 18;
    }
    void everyTextShowsWholeWithTheSystemsFonts() {
        QFETCH(int, pointSize);
        auto tools = withFontSize(pointSize, [&] { return std::make_unique<ToolPalette>(*p->editor); });
        // Every control, the rubber's hidden ones too.
        for (int i = 0; i < tools->tabs->count(); ++i) expectTextsWhole(tools->tabs->widget(i));
        QVERIFY(tools->body()->width() >= 241 && tools->body()->height() >= 306);
        QVERIFY(tools->body()->geometry().contains(tools->progressBar->geometry().translated(tools->body()->pos())));
    }

    void startValuesOfTheSliders_data() {
        QTest::addColumn<int>("bar");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("pageStep");
        QTest::newRow("Distort Rad.") << 1 << 10 << 500 << 50 << "Rad."
                                      << "50" << 2;
        QTest::newRow("Distort Cur.") << 2 << 3 << 30 << 15 << "Cur."
                                      << "15" << 2;
        QTest::newRow("Twist Rad.") << 3 << 10 << 500 << 100 << "Rad."
                                    << "100" << 2;
        QTest::newRow("Twist Cur.") << 4 << 2 << 30 << 10 << "Cur."
                                    << "10" << 2;
        QTest::newRow("Pen Pressure") << 5 << 1 << 255 << 150 << "Pen    Pressure:"
                                      << "150" << 2;
        QTest::newRow("Pencil Contrast") << 7 << 0 << 89 << 45 << "Pencil    Contrast:"
                                         << "50" << 2;
        QTest::newRow("Rubber thick") << 8 << 1 << 50 << 25 << "Rubber thick:"
                                      << "15" << 1;
    }
    void startValuesOfTheSliders() {
        QFETCH(int, bar);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, pos);
        QFETCH(QString, caption);
        QFETCH(QString, value);
        QFETCH(int, pageStep);
        struct Row {
            QSlider* slider;
            QLabel* caption;
            QLabel* value;
        };
        const std::map<int, Row> rows = {
            {1, {t()->distortRadSlider, t()->distortRadCaption, t()->distortRadValue}},
            {2, {t()->distortCurSlider, t()->distortCurCaption, t()->distortCurValue}},
            {3, {t()->twistRadSlider, t()->twistRadCaption, t()->twistRadValue}},
            {4, {t()->twistCurSlider, t()->twistCurCaption, t()->twistCurValue}},
            {5, {t()->penPressureSlider, t()->penPressureCaption, t()->penPressureValue}},
            {7, {t()->pencilContrastSlider, t()->pencilContrastCaption, t()->pencilContrastValue}},
            {8, {t()->rubberThickSlider, t()->rubberThickCaption, t()->rubberThickValue}},
        };
        const Row& r = rows.at(bar);
        QCOMPARE(rangeOf(r.slider), (Range{min, max, pos}));
        QCOMPARE(r.caption->text(), caption);
        QCOMPARE(r.value->text(), value);
        QCOMPARE(r.slider->singleStep(), 1);
        QCOMPARE(r.slider->pageStep(), pageStep);
        QCOMPARE(r.slider->tickInterval(), 1);
        QVERIFY(r.slider->tickPosition() != QSlider::NoTicks);
    }

    void startValuesOfTheButtons() {
        QCOMPARE(t()->sphericalButton->text(), QStringLiteral("Spherical"));
        QCOMPARE(t()->verticalButton->text(), QStringLiteral("Vertical"));
        QCOMPARE(t()->horizontalButton->text(), QStringLiteral("Horizontal"));
        QVERIFY(t()->sphericalButton->isChecked());
        const std::vector<std::pair<QToolButton*, const char*>> hints = {
            {t()->expandButton, "Expand"},
            {t()->shrinkButton, "Shrink"},
            {t()->dextrorotaryButton, "Dextrorotary"},
            {t()->levorotaryButton, "Levorotary"},
            {t()->smearButton, "Smear"},
            {t()->penSketchButton, "Make pen sketch"},
            {t()->pencilSketchButton, "Make pencil sketch"},
            {t()->clearUpSpotButton, "Clear up spot"},
            {t()->rubberButton, "Rubber"},
        };
        for (const auto& [button, hint] : hints) {
            QCOMPARE(button->toolTip(), QString::fromUtf8(hint));
            QVERIFY(!button->icon().isNull());
        }
        QVERIFY(t()->expandButton->isChecked());
        QVERIFY(!t()->shrinkButton->isChecked());
        QVERIFY(!t()->dextrorotaryButton->isChecked() && !t()->levorotaryButton->isChecked() &&
                !t()->smearButton->isChecked());
        QVERIFY(t()->clearUpSpotButton->isChecked());
        QVERIFY(!t()->rubberButton->isChecked());
        QCOMPARE(t()->followsForSketchLabel->text(), QStringLiteral("  == Follows for sketch ==    "));
        QVERIFY(t()->rubberThickCaption->isHidden() && t()->rubberThickValue->isHidden() &&
                t()->rubberThickSlider->isHidden());
        QVERIFY(!t()->twistCurSlider->isHidden());
        QCOMPARE(p->image()->toolTip(), QStringLiteral("Click or Keep Down"));
        QCOMPARE(t()->tabs->toolTip(), QString());
    }

    void distortRadiusCouplesTheStrength() {
        dragTo(t()->distortRadSlider, 300);
        QCOMPARE(t()->distortRadValue->text(), QStringLiteral("300"));
        QCOMPARE(rangeOf(t()->distortCurSlider), (Range{30, 200, 100}));
        QCOMPARE(t()->distortCurValue->text(), QStringLiteral("100"));
        QCOMPARE(p->editor->state().brushRadiusSlider, 300);
        QCOMPARE(p->editor->state().brushRadius, 300);
        QCOMPARE(t()->progressBar->maximum(), 1200);
    }

    void distortRadiusStepByStepToTenAndStraightBack() {
        stepTo(t()->distortRadSlider, 10);
        QCOMPARE(rangeOf(t()->distortCurSlider), (Range{1, 7, 3}));
        QTest::keyClick(t()->distortRadSlider, Qt::Key_End);
        QCOMPARE(t()->distortRadSlider->value(), 500);
        QCOMPARE(rangeOf(t()->distortCurSlider), (Range{50, 333, 167}));
        // Straight from 500 to 10: the new maximum 7 is below the minimum 50
        // when it is set, and is ignored.
        dragTo(t()->distortRadSlider, 10);
        QCOMPARE(rangeOf(t()->distortCurSlider), (Range{1, 333, 3}));
        QCOMPARE(t()->distortCurValue->text(), QStringLiteral("3"));
    }

    void twistRadiusCouplesTheStrength() {
        clickTab(t()->tabs, kPageTwist);
        stepTo(t()->twistRadSlider, 10);
        QCOMPARE(rangeOf(t()->twistCurSlider), (Range{0, 3, 1}));
        QCOMPARE(t()->twistCurValue->text(), QStringLiteral("1"));
        stepTo(t()->twistRadSlider, 500);
        QCOMPARE(rangeOf(t()->twistCurSlider), (Range{10, 167, 50}));
        QCOMPARE(t()->twistRadValue->text(), QStringLiteral("500"));
    }

    void pageKeysMoveByTwoAndTheRubberByOne() {
        QTest::keyClick(t()->distortRadSlider, Qt::Key_PageUp);
        QCOMPARE(t()->distortRadSlider->value(), 52);
        clickTab(t()->tabs, kPageSketch);
        QTest::mouseClick(t()->rubberButton, Qt::LeftButton);
        QTest::keyClick(t()->rubberThickSlider, Qt::Key_PageUp);
        QCOMPARE(t()->rubberThickSlider->value(), 26);
        QCOMPARE(t()->rubberThickValue->text(), QStringLiteral("26"));
        QCOMPARE(p->editor->state().brushRadiusSlider, 26);
    }

    void pencilContrastLabelRunsToAHundred_data() {
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("label");
        QTest::newRow("89") << 89 << "100";
        QTest::newRow("0") << 0 << "0";
        QTest::newRow("44") << 44 << "49";
        QTest::newRow("45") << 45 << "51";
    }
    void pencilContrastLabelRunsToAHundred() {
        QFETCH(int, pos);
        QFETCH(QString, label);
        clickTab(t()->tabs, kPageSketch);
        // Through 44 first, so that even 45 is a move of the slider.
        stepTo(t()->pencilContrastSlider, 44);
        stepTo(t()->pencilContrastSlider, pos);
        QCOMPARE(t()->pencilContrastValue->text(), label);
    }

    void smearHidesTheTwistStrength() {
        clickTab(t()->tabs, kPageTwist);
        QVERIFY(t()->dextrorotaryButton->isChecked());
        QTest::mouseClick(t()->smearButton, Qt::LeftButton);
        QVERIFY(t()->smearButton->isChecked());
        QVERIFY(!t()->dextrorotaryButton->isChecked());
        QVERIFY(t()->twistCurSlider->isHidden() && t()->twistCurCaption->isHidden() && t()->twistCurValue->isHidden());
        QCOMPARE(p->image()->toolTip(), QStringLiteral("Keep Down and move"));
        QTest::mouseClick(t()->levorotaryButton, Qt::LeftButton);
        QVERIFY(!t()->twistCurSlider->isHidden() && !t()->twistCurCaption->isHidden() &&
                !t()->twistCurValue->isHidden());
        QCOMPARE(p->editor->state().toolKind, ToolKindCode::Levorotary);
        QCOMPARE(p->image()->toolTip(), QStringLiteral("Click or Keep Down"));
        // A pressed button stays down when pressed again.
        QTest::mouseClick(t()->levorotaryButton, Qt::LeftButton);
        QVERIFY(t()->levorotaryButton->isChecked());
    }

    void fromTwistWithSmearBackToDistort() {
        QTest::mouseClick(t()->shrinkButton, Qt::LeftButton);
        QTest::mouseClick(t()->verticalButton, Qt::LeftButton);
        QCOMPARE(p->editor->state().stretchShape, StretchShapeCode::Vertical);
        clickTab(t()->tabs, kPageTwist);
        QTest::mouseClick(t()->smearButton, Qt::LeftButton);
        clickTab(t()->tabs, kPageDistort);
        QVERIFY(!p->editor->state().smearChosen);
        QCOMPARE(p->editor->state().toolKind, ToolKindCode::Expand);
        QCOMPARE(p->editor->state().stretchShape, StretchShapeCode::Spherical);
        QVERIFY(t()->expandButton->isChecked());
        QVERIFY(!t()->shrinkButton->isChecked());
        QVERIFY(t()->sphericalButton->isChecked());
        QVERIFY(!t()->verticalButton->isChecked());
    }

    void clickingTheShownTabChangesNothing() {
        QTest::mouseClick(t()->shrinkButton, Qt::LeftButton);
        QTest::mouseClick(t()->horizontalButton, Qt::LeftButton);
        clickTab(t()->tabs, kPageDistort);
        QCOMPARE(p->editor->state().toolKind, ToolKindCode::Shrink);
        QCOMPARE(p->editor->state().stretchShape, StretchShapeCode::Horizontal);
        QVERIFY(t()->shrinkButton->isChecked());
        QVERIFY(t()->horizontalButton->isChecked());
    }

    void progressMaximumFollowsTheZoom() {
        QVERIFY(p->editor->setZoomPercent(200));
        p->form->refreshAll();
        dragTo(t()->distortRadSlider, 100);
        QCOMPARE(p->editor->state().brushRadius, 50);
        QCOMPARE(t()->progressBar->maximum(), 200);
        clickTab(t()->tabs, kPageTwist);
        QCOMPARE(t()->progressBar->maximum(), 400);  // Twist Rad. 100 x 4
        clickTab(t()->tabs, kPageDistort);
        QCOMPARE(t()->progressBar->maximum(), 400);  // slider x 4
    }

    void sketchTabClearsTheHintAndTheCursor() {
        p->form->commands.selectZone.button->trigger();
        QCOMPARE(p->image()->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(t()->tabs->toolTip(), QStringLiteral("You are selecting a zone to cut "));
        p->form->selectZone();  // zone mode off again
        QCOMPARE(t()->tabs->toolTip(), QString());
        clickTab(t()->tabs, kPageSketch);
        QCOMPARE(p->editor->state().stretchShape, StretchShapeCode::None);
        QCOMPARE(p->image()->toolTip(), QString());
        QCOMPARE(p->image()->cursor().shape(), Qt::ArrowCursor);
        clickTab(t()->tabs, kPageDistort);
        QCOMPARE(p->image()->toolTip(), QStringLiteral("Click or Keep Down"));
    }

    void rubberStaysDownAfterReturningToSketch() {
        clickTab(t()->tabs, kPageSketch);
        QTest::mouseClick(t()->rubberButton, Qt::LeftButton);
        QVERIFY(!t()->rubberThickSlider->isHidden());
        QCOMPARE(p->editor->state().sketchTool, kSketchToolRubber);
        clickTab(t()->tabs, kPageDistort);
        clickTab(t()->tabs, kPageSketch);
        QCOMPARE(p->editor->state().sketchTool, 0);
        QVERIFY(t()->rubberButton->isChecked());
        QVERIFY(!t()->rubberThickSlider->isHidden());
    }

    void tabChangeSynchronisesUndoAndRedo() {
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 200));
        p->form->undo();
        QVERIFY(!p->form->commands.undo.button->isEnabled());
        QVERIFY(p->form->commands.redo.button->isEnabled());
        clickTab(t()->tabs, kPageTwist);
        QVERIFY(!p->form->commands.undo.button->isEnabled());
        QVERIFY(p->form->commands.redo.button->isEnabled());
        QVERIFY(p->form->commands.redo.menuItem->isEnabled());
    }

    void theProgramSwitchesToDistort() {
        clickTab(t()->tabs, kPageSketch);
        p->form->renew();
        QCOMPARE(t()->tabs->currentIndex(), kPageDistort);
        QCOMPARE(p->editor->state().toolKind, ToolKindCode::Expand);
        QVERIFY(t()->expandButton->isChecked());
    }

    void sketchButtonsChangeThePictureAndRecordAStep() {
        clickTab(t()->tabs, kPageSketch);
        const Picture before = p->editor->picture();
        QTest::mouseClick(t()->penSketchButton, Qt::LeftButton);
        QVERIFY(p->editor->picture() != before);
        QCOMPARE(p->editor->history().undoDepth(), 1);
        QTest::mouseClick(t()->pencilSketchButton, Qt::LeftButton);
        QCOMPARE(p->editor->history().undoDepth(), 2);
        QTest::mouseClick(t()->rubberButton, Qt::LeftButton);
        QTest::mouseClick(t()->clearUpSpotButton, Qt::LeftButton);
        QCOMPARE(p->editor->history().undoDepth(), 3);
        QVERIFY(t()->rubberThickSlider->isHidden());
        QVERIFY(t()->clearUpSpotButton->isChecked());
        QCOMPARE(t()->progressBar->value(), 0);
        QVERIFY(p->errors.isEmpty());
    }

    void progressRepaintsAtMostEveryThirtyMilliseconds() {
        ProgressBarSink& sink = t()->progress();
        t()->progressBar->setMaximum(1000000);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 200000; ++i) sink.step();
        const qint64 ms = clock.elapsed();
        QCOMPARE(sink.position(), 200000);
        QVERIFY(sink.repaints() >= 1);
        QVERIFY2(sink.repaints() <= ms / ProgressBarSink::kRepaintMs + 1,
                 qPrintable(QStringLiteral("%1 repaints in %2 ms").arg(sink.repaints()).arg(ms)));
        sink.finish();
        QCOMPARE(t()->progressBar->value(), 0);
    }

    // Work that says its total fills the bar in proportion, whatever the
    // bar's maximum; work that does not moves it one a step.
    void workThatSaysItsTotalFillsTheBarInProportion() {
        ProgressBarSink& sink = t()->progress();
        t()->progressBar->setMaximum(400);
        sink.start(8);
        sink.step();  // the first step of a work is shown at once
        QCOMPARE(t()->progressBar->value(), 50);
        sink.finish();
        QCOMPARE(t()->progressBar->value(), 0);
        sink.step();
        QCOMPARE(t()->progressBar->value(), 1);
        sink.reset();
    }
};

QTEST_MAIN(ToolPaletteTest)
#include "tool_palette_test.moc"
