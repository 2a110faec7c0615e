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
char* toString(const Range& r) { return QTest::toString(QStringLiteral("%1..%2 @%3").arg(r.min).arg(r.max).arg(r.pos)); }

}  // namespace

class ToolPaletteTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Program> p;
    TTools* t() const { return p->tools(); }

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
        QCOMPARE(t()->TabbedNotebook1->count(), 3);
        QCOMPARE(t()->TabbedNotebook1->tabText(0), QStringLiteral("Distort"));
        QCOMPARE(t()->TabbedNotebook1->tabText(1), QStringLiteral("Twist"));
        QCOMPARE(t()->TabbedNotebook1->tabText(2), QStringLiteral("Sketch"));
        QCOMPARE(t()->TabbedNotebook1->currentIndex(), 0);
        QCOMPARE(t()->ProgressBar1->minimum(), 0);
        QCOMPARE(t()->ProgressBar1->maximum(), 500);
        QCOMPARE(t()->ProgressBar1->value(), 0);
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
        QTest::mouseClick(t()->SpeedButton2, Qt::LeftButton);
        QCOMPARE(p->editor->state().ToolKind, ToolKindCode::Shrink);
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

    void everyTextShowsWholeWithTheSystemsFonts_data() {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("test font") << 0;
        QTest::newRow("12 pt") << 12;
        QTest::newRow("18 pt") << 18;
    }
    void everyTextShowsWholeWithTheSystemsFonts() {
        QFETCH(int, pointSize);
        auto tools = withFontSize(pointSize, [&] { return std::make_unique<TTools>(*p->editor); });
        // Every control, the rubber's hidden ones too.
        for (int i = 0; i < tools->TabbedNotebook1->count(); ++i) expectTextsWhole(tools->TabbedNotebook1->widget(i));
        QVERIFY(tools->body()->width() >= 241 && tools->body()->height() >= 306);
        QVERIFY(tools->body()->geometry().contains(tools->ProgressBar1->geometry().translated(tools->body()->pos())));
    }

    void startValuesOfTheSliders_data() {
        QTest::addColumn<int>("bar");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("pageStep");
        QTest::newRow("Distort Rad.") << 1 << 10 << 500 << 50 << "Rad." << "50" << 2;
        QTest::newRow("Distort Cur.") << 2 << 3 << 30 << 15 << "Cur." << "15" << 2;
        QTest::newRow("Twist Rad.") << 3 << 10 << 500 << 100 << "Rad." << "100" << 2;
        QTest::newRow("Twist Cur.") << 4 << 2 << 30 << 10 << "Cur." << "10" << 2;
        QTest::newRow("Pen Pressure") << 5 << 1 << 255 << 150 << "Pen    Pressure:" << "150" << 2;
        QTest::newRow("Pencil Contrast") << 7 << 0 << 89 << 45 << "Pencil    Contrast:" << "50" << 2;
        QTest::newRow("Rubber thick") << 8 << 1 << 50 << 25 << "Rubber thick:" << "15" << 1;
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
            {1, {t()->TrackBar1, t()->Label3, t()->Label2}}, {2, {t()->TrackBar2, t()->Label4, t()->Label5}},
            {3, {t()->TrackBar3, t()->Label13, t()->Label6}}, {4, {t()->TrackBar4, t()->Label14, t()->Label7}},
            {5, {t()->TrackBar5, t()->Label8, t()->Label9}}, {7, {t()->TrackBar7, t()->Label1, t()->Label11}},
            {8, {t()->TrackBar8, t()->Label16, t()->Label17}},
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
        QCOMPARE(t()->RadioButton1->text(), QStringLiteral("Spherical"));
        QCOMPARE(t()->RadioButton2->text(), QStringLiteral("Vertical"));
        QCOMPARE(t()->RadioButton3->text(), QStringLiteral("Horizontal"));
        QVERIFY(t()->RadioButton1->isChecked());
        const std::vector<std::pair<QToolButton*, const char*>> hints = {
            {t()->SpeedButton1, "Expand"},        {t()->SpeedButton2, "Shrink"},
            {t()->SpeedButton11, "Dextrorotary"}, {t()->SpeedButton12, "Levorotary"},
            {t()->SpeedButton3, "Smear"},         {t()->SpeedButton4, "Make pen sketch"},
            {t()->SpeedButton5, "Make pencil sketch"}, {t()->SpeedButton8, "Clear up spot"},
            {t()->SpeedButton20, "Rubber"},
        };
        for (const auto& [button, hint] : hints) {
            QCOMPARE(button->toolTip(), QString::fromUtf8(hint));
            QVERIFY(!button->icon().isNull());
        }
        QVERIFY(t()->SpeedButton1->isChecked());
        QVERIFY(!t()->SpeedButton2->isChecked());
        QVERIFY(!t()->SpeedButton11->isChecked() && !t()->SpeedButton12->isChecked() && !t()->SpeedButton3->isChecked());
        QVERIFY(t()->SpeedButton8->isChecked());
        QVERIFY(!t()->SpeedButton20->isChecked());
        QCOMPARE(t()->Label10->text(), QStringLiteral("  == Follows for sketch ==    "));
        QVERIFY(t()->Label16->isHidden() && t()->Label17->isHidden() && t()->TrackBar8->isHidden());
        QVERIFY(!t()->TrackBar4->isHidden());
        QCOMPARE(p->image()->toolTip(), QStringLiteral("Click or Keep Down"));
        QCOMPARE(t()->TabbedNotebook1->toolTip(), QString());
    }

    void distortRadiusCouplesTheStrength() {
        dragTo(t()->TrackBar1, 300);
        QCOMPARE(t()->Label2->text(), QStringLiteral("300"));
        QCOMPARE(rangeOf(t()->TrackBar2), (Range{30, 200, 100}));
        QCOMPARE(t()->Label5->text(), QStringLiteral("100"));
        QCOMPARE(p->editor->state().BrushRadiusSlider, 300);
        QCOMPARE(p->editor->state().BrushRadius, 300);
        QCOMPARE(t()->ProgressBar1->maximum(), 1200);
    }

    void distortRadiusStepByStepToTenAndStraightBack() {
        stepTo(t()->TrackBar1, 10);
        QCOMPARE(rangeOf(t()->TrackBar2), (Range{1, 7, 3}));
        QTest::keyClick(t()->TrackBar1, Qt::Key_End);
        QCOMPARE(t()->TrackBar1->value(), 500);
        QCOMPARE(rangeOf(t()->TrackBar2), (Range{50, 333, 167}));
        // Straight from 500 to 10: the new maximum 7 is below the minimum 50
        // when it is set, and is ignored.
        dragTo(t()->TrackBar1, 10);
        QCOMPARE(rangeOf(t()->TrackBar2), (Range{1, 333, 3}));
        QCOMPARE(t()->Label5->text(), QStringLiteral("3"));
    }

    void twistRadiusCouplesTheStrength() {
        clickTab(t()->TabbedNotebook1, kPageTwist);
        stepTo(t()->TrackBar3, 10);
        QCOMPARE(rangeOf(t()->TrackBar4), (Range{0, 3, 1}));
        QCOMPARE(t()->Label7->text(), QStringLiteral("1"));
        stepTo(t()->TrackBar3, 500);
        QCOMPARE(rangeOf(t()->TrackBar4), (Range{10, 167, 50}));
        QCOMPARE(t()->Label6->text(), QStringLiteral("500"));
    }

    void pageKeysMoveByTwoAndTheRubberByOne() {
        QTest::keyClick(t()->TrackBar1, Qt::Key_PageUp);
        QCOMPARE(t()->TrackBar1->value(), 52);
        clickTab(t()->TabbedNotebook1, kPageSketch);
        QTest::mouseClick(t()->SpeedButton20, Qt::LeftButton);
        QTest::keyClick(t()->TrackBar8, Qt::Key_PageUp);
        QCOMPARE(t()->TrackBar8->value(), 26);
        QCOMPARE(t()->Label17->text(), QStringLiteral("26"));
        QCOMPARE(p->editor->state().BrushRadiusSlider, 26);
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
        clickTab(t()->TabbedNotebook1, kPageSketch);
        // Through 44 first, so that even 45 is a move of the slider.
        stepTo(t()->TrackBar7, 44);
        stepTo(t()->TrackBar7, pos);
        QCOMPARE(t()->Label11->text(), label);
    }

    void smearHidesTheTwistStrength() {
        clickTab(t()->TabbedNotebook1, kPageTwist);
        QVERIFY(t()->SpeedButton11->isChecked());
        QTest::mouseClick(t()->SpeedButton3, Qt::LeftButton);
        QVERIFY(t()->SpeedButton3->isChecked());
        QVERIFY(!t()->SpeedButton11->isChecked());
        QVERIFY(t()->TrackBar4->isHidden() && t()->Label14->isHidden() && t()->Label7->isHidden());
        QCOMPARE(p->image()->toolTip(), QStringLiteral("Keep Down and move"));
        QTest::mouseClick(t()->SpeedButton12, Qt::LeftButton);
        QVERIFY(!t()->TrackBar4->isHidden() && !t()->Label14->isHidden() && !t()->Label7->isHidden());
        QCOMPARE(p->editor->state().ToolKind, ToolKindCode::Levorotary);
        QCOMPARE(p->image()->toolTip(), QStringLiteral("Click or Keep Down"));
        // A pressed button stays down when pressed again.
        QTest::mouseClick(t()->SpeedButton12, Qt::LeftButton);
        QVERIFY(t()->SpeedButton12->isChecked());
    }

    void fromTwistWithSmearBackToDistort() {
        QTest::mouseClick(t()->SpeedButton2, Qt::LeftButton);
        QTest::mouseClick(t()->RadioButton2, Qt::LeftButton);
        QCOMPARE(p->editor->state().StretchShape, StretchShapeCode::Vertical);
        clickTab(t()->TabbedNotebook1, kPageTwist);
        QTest::mouseClick(t()->SpeedButton3, Qt::LeftButton);
        clickTab(t()->TabbedNotebook1, kPageDistort);
        QVERIFY(!p->editor->state().SmearChosen);
        QCOMPARE(p->editor->state().ToolKind, ToolKindCode::Expand);
        QCOMPARE(p->editor->state().StretchShape, StretchShapeCode::Spherical);
        QVERIFY(t()->SpeedButton1->isChecked());
        QVERIFY(!t()->SpeedButton2->isChecked());
        QVERIFY(t()->RadioButton1->isChecked());
        QVERIFY(!t()->RadioButton2->isChecked());
    }

    void clickingTheShownTabChangesNothing() {
        QTest::mouseClick(t()->SpeedButton2, Qt::LeftButton);
        QTest::mouseClick(t()->RadioButton3, Qt::LeftButton);
        clickTab(t()->TabbedNotebook1, kPageDistort);
        QCOMPARE(p->editor->state().ToolKind, ToolKindCode::Shrink);
        QCOMPARE(p->editor->state().StretchShape, StretchShapeCode::Horizontal);
        QVERIFY(t()->SpeedButton2->isChecked());
        QVERIFY(t()->RadioButton3->isChecked());
    }

    void progressMaximumFollowsTheZoom() {
        QVERIFY(p->editor->setZoomPercent(200));
        p->form->refreshAll();
        dragTo(t()->TrackBar1, 100);
        QCOMPARE(p->editor->state().BrushRadius, 50);
        QCOMPARE(t()->ProgressBar1->maximum(), 200);
        clickTab(t()->TabbedNotebook1, kPageTwist);
        QCOMPARE(t()->ProgressBar1->maximum(), 400);  // Twist Rad. 100 x 4
        clickTab(t()->TabbedNotebook1, kPageDistort);
        QCOMPARE(t()->ProgressBar1->maximum(), 400);  // slider x 4
    }

    void sketchTabClearsTheHintAndTheCursor() {
        p->form->selectZone.button->trigger();
        QCOMPARE(p->image()->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(t()->TabbedNotebook1->toolTip(), QStringLiteral("You are selecting a zone to cut "));
        p->form->SpeedButton2Click();  // zone mode off again
        QCOMPARE(t()->TabbedNotebook1->toolTip(), QString());
        clickTab(t()->TabbedNotebook1, kPageSketch);
        QCOMPARE(p->editor->state().StretchShape, StretchShapeCode::None);
        QCOMPARE(p->image()->toolTip(), QString());
        QCOMPARE(p->image()->cursor().shape(), Qt::ArrowCursor);
        clickTab(t()->TabbedNotebook1, kPageDistort);
        QCOMPARE(p->image()->toolTip(), QStringLiteral("Click or Keep Down"));
    }

    void rubberStaysDownAfterReturningToSketch() {
        clickTab(t()->TabbedNotebook1, kPageSketch);
        QTest::mouseClick(t()->SpeedButton20, Qt::LeftButton);
        QVERIFY(!t()->TrackBar8->isHidden());
        QCOMPARE(p->editor->state().SketchTool, kSketchToolRubber);
        clickTab(t()->TabbedNotebook1, kPageDistort);
        clickTab(t()->TabbedNotebook1, kPageSketch);
        QCOMPARE(p->editor->state().SketchTool, 0);
        QVERIFY(t()->SpeedButton20->isChecked());
        QVERIFY(!t()->TrackBar8->isHidden());
    }

    void tabChangeSynchronisesUndoAndRedo() {
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 200));
        p->form->Undo1Click();
        QVERIFY(!p->form->undo.button->isEnabled());
        QVERIFY(p->form->redo.button->isEnabled());
        clickTab(t()->TabbedNotebook1, kPageTwist);
        QVERIFY(!p->form->undo.button->isEnabled());
        QVERIFY(p->form->redo.button->isEnabled());
        QVERIFY(p->form->redo.menuItem->isEnabled());
    }

    void theProgramSwitchesToDistort() {
        clickTab(t()->TabbedNotebook1, kPageSketch);
        p->form->RenewClick();
        QCOMPARE(t()->TabbedNotebook1->currentIndex(), kPageDistort);
        QCOMPARE(p->editor->state().ToolKind, ToolKindCode::Expand);
        QVERIFY(t()->SpeedButton1->isChecked());
    }

    void sketchButtonsChangeThePictureAndRecordAStep() {
        clickTab(t()->TabbedNotebook1, kPageSketch);
        const Picture before = p->editor->picture();
        QTest::mouseClick(t()->SpeedButton4, Qt::LeftButton);
        QVERIFY(p->editor->picture() != before);
        QCOMPARE(p->editor->history().undoDepth(), 1);
        QTest::mouseClick(t()->SpeedButton5, Qt::LeftButton);
        QCOMPARE(p->editor->history().undoDepth(), 2);
        QTest::mouseClick(t()->SpeedButton20, Qt::LeftButton);
        QTest::mouseClick(t()->SpeedButton8, Qt::LeftButton);
        QCOMPARE(p->editor->history().undoDepth(), 3);
        QVERIFY(t()->TrackBar8->isHidden());
        QVERIFY(t()->SpeedButton8->isChecked());
        QCOMPARE(t()->ProgressBar1->value(), 0);
        QVERIFY(p->errors.isEmpty());
    }

    void progressRepaintsAtMostEveryThirtyMilliseconds() {
        ProgressBarSink& sink = t()->progress();
        t()->ProgressBar1->setMaximum(1000000);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 200000; ++i) sink.step();
        const qint64 ms = clock.elapsed();
        QCOMPARE(sink.position(), 200000);
        QVERIFY(sink.repaints() >= 1);
        QVERIFY2(sink.repaints() <= ms / ProgressBarSink::kRepaintMs + 1,
                 qPrintable(QStringLiteral("%1 repaints in %2 ms").arg(sink.repaints()).arg(ms)));
        sink.finish();
        QCOMPARE(t()->ProgressBar1->value(), 0);
    }
};

QTEST_MAIN(ToolPaletteTest)
#include "tool_palette_test.moc"
