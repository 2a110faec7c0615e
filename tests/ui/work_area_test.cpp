// The work area as the user drives it: clicks, holds, drags, the wheel,
// panning, the brush outline and the zone frame, through real pointer events
// delivered by the windowing system to the picture control.
#define QTEST_QPA_MOUSE_HANDLING
#include <QAbstractSlider>
#include <QLabel>
#include <QSlider>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QThread>
#include <QToolButton>
#include <sys/resource.h>

#include "../address_space.h"
#include "window_test_util.h"

using namespace jollix;
using namespace jollix::testing;

namespace {

constexpr int kW = 605, kH = 469;

// The picture that a headless session reaches by the same calls: what the
// window must have delivered.
Picture expandedAt(int x, int y, int times) {
    Editor ref(patterned(kW, kH));
    ref.mouseDown(MouseButton::Left, {true, false}, x, y);
    for (int i = 0; i < times; ++i) ref.repeatTick();
    ref.mouseUp(MouseButton::Left, x, y);
    return ref.picture();
}

QWindow* windowOf(const Program& p) { return p.form->windowHandle(); }

}  // namespace

class WorkAreaTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Program> p;

    void start(std::optional<Picture> picture = patterned(kW, kH)) {
        p = std::make_unique<Program>(std::move(picture));
        QVERIFY(QTest::qWaitForWindowExposed(p->form.get()));
    }

private slots:
    void cleanup() { p.reset(); }

    void captionAndStartSizes() {
        start();
        QCOMPARE(p->area()->windowTitle(), QStringLiteral("Vova dirur uzudo"));
        QCOMPARE(p->area()->size(), QSize(615, 504));
        QCOMPARE(p->image()->size(), QSize(kW, kH));
        QCOMPARE(p->area()->repeatTimer()->interval(), 1000);
        QCOMPARE(p->area()->frameTimer()->interval(), 100);
        QVERIFY(p->area()->frameTimer()->isActive());
        QVERIFY(!p->area()->repeatTimer()->isActive());
    }

    // Zoomed out, a click shows the brush at once and leaves the effect to
    // the background: nothing the window does after the click (its refresh
    // of the buttons, the palette) waits for it. Once done, the picture and
    // its history step are exactly those of the same click made without a
    // window, and undo brings back the picture before it.
    void aZoomedOutClickIsShownAtOnceAndFinishedInTheBackground_data() {
        QTest::addColumn<int>("tool");
        QTest::newRow("expand") << int(ToolKindCode::Expand);
        QTest::newRow("twist") << int(ToolKindCode::Dextrorotary);
    }
    void aZoomedOutClickIsShownAtOnceAndFinishedInTheBackground() {
        QFETCH(int, tool);
        const Picture before = patterned(3000, 2000);
        const auto prepare = [&](Editor& e) {
            e.state().toolKind = ToolKindCode(tool);
            e.palette().distortRad.userScroll(400);
            e.palette().twistRad.userScroll(400);
            QVERIFY(e.setZoomPercent(25));
        };
        Editor reference(before);
        prepare(reference);
        reference.mouseDown(MouseButton::Left, HeldButtons{true, false}, 300, 200);
        reference.click();
        reference.mouseUp(MouseButton::Left, 300, 200);
        const Picture expected = reference.picture();
        QVERIFY(expected != before);

        start(before);
        prepare(*p->editor);
        p->form->refreshAll();
        const QImage shownBefore = p->image()->grab().toImage();
        send(p->image(), QEvent::MouseButtonPress, QPoint(300, 200), Qt::LeftButton, Qt::LeftButton);
        send(p->image(), QEvent::MouseButtonRelease, QPoint(300, 200), Qt::LeftButton, Qt::NoButton);
        QVERIFY(p->editor->brushPending());
        // The full-resolution work waits until the preview is painted, so
        // as not to take the processor from that paint.
        QThread::msleep(100);
        QVERIFY(!p->editor->brushFinished());
        const QImage preview = p->image()->grab().toImage();
        QVERIFY(preview != shownBefore);
        // A slider moved meanwhile refreshes the window without waiting.
        p->editor->palette().distortCur.userScroll(20);
        QVERIFY(p->editor->brushPending());
        QTRY_VERIFY_WITH_TIMEOUT(!p->editor->brushPending(), 20000);
        QVERIFY(p->errors.isEmpty());
        QVERIFY(p->editor->picture() == expected);
        // The preview showed every view pixel as the finished picture does,
        // and what is on the screen now is that picture.
        QVERIFY(p->image()->grab().toImage() == preview);
        QCoreApplication::processEvents();
        const QRect inSight = p->image()->visibleRegion().boundingRect();
        const QPoint at = p->image()->mapTo(p->form.get(), inSight.topLeft());
        const QImage onScreen = p->form->screen()
                                    ->grabWindow(p->form->winId(), at.x(), at.y(), inSight.width(), inSight.height())
                                    .toImage();
        QCOMPARE(onScreen.convertToFormat(QImage::Format_RGB32),
                 preview.copy(inSight).convertToFormat(QImage::Format_RGB32));
        QCOMPARE(p->editor->history().undoDepth(), 1);
        QVERIFY(p->form->commands.undo.button->isEnabled());
        p->editor->undo();
        QVERIFY(p->editor->picture() == before);
    }

    // Zoomed out, a click whose effect runs out of memory in the background
    // ends as the same failure does in the foreground: its message, once,
    // the picture as it was, and the release's step holding that picture.
    // The preview goes from the screen too. The process's address space is
    // capped to run out, so the test runs itself again in a child process.
    void aZoomedOutClickWhoseEffectFailsLeavesThePictureAsItWas() {
        constexpr const char* kCapped = "JOLLIX_TEST_CAPPED_CHILD";
        if (!qEnvironmentVariableIsSet(kCapped)) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(kCapped), QStringLiteral("1"));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(QTest::currentTestFunction())});
            QVERIFY(child.waitForFinished(60000));
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, child.readAll().constData());
            return;
        }
        // At 10 % the brush's radius of 400 view pixels is 4000 picture
        // pixels: its result needs most of the picture's 120 MB anew.
        const Picture before = patterned(8000, 5000);
        start(before);
        p->editor->state().toolKind = ToolKindCode::Expand;
        p->editor->palette().distortRad.userScroll(400);
        QVERIFY(p->editor->setZoomPercent(10));
        p->form->refreshAll();
        QCoreApplication::processEvents();
        const auto onScreen = [&] {
            const QRect inSight = p->image()->visibleRegion().boundingRect();
            const QPoint at = p->image()->mapTo(p->form.get(), inSight.topLeft());
            return p->form->screen()
                ->grabWindow(p->form->winId(), at.x(), at.y(), inSight.width(), inSight.height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        const QImage shownBefore = onScreen();
        // Room for the window's own work and the preview, far too little
        // for the brush's result.
        const rlimit cap{jollix_test::addressSpaceBytes() + (48u << 20), RLIM_INFINITY};
        QCOMPARE(setrlimit(RLIMIT_AS, &cap), 0);
        send(p->image(), QEvent::MouseButtonPress, QPoint(300, 200), Qt::LeftButton, Qt::LeftButton);
        send(p->image(), QEvent::MouseButtonRelease, QPoint(300, 200), Qt::LeftButton, Qt::NoButton);
        QVERIFY(p->editor->brushPending());
        QVERIFY(p->image()->pendingBrushShown());
        QTRY_VERIFY_WITH_TIMEOUT(!p->editor->brushPending(), 20000);
        QCoreApplication::processEvents();
        QCOMPARE(p->errors, QStringList{QString::fromUtf8(kNotEnoughMemory)});
        QVERIFY(!p->image()->pendingBrushShown());
        QVERIFY(onScreen() == shownBefore);
        QVERIFY(p->editor->picture() == before);
        QCOMPARE(p->editor->history().undoDepth(), 1);
        p->editor->undo();
        QVERIFY(p->editor->picture() == before);
        QCOMPARE(p->errors.size(), 1);
    }

    void clickAppliesOnceAndRecordsOneStep() {
        start();
        const Picture before = p->editor->picture();
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(p->editor->history().undoDepth(), 1);
        QVERIFY(p->editor->picture() != before);
        QVERIFY(p->editor->picture() == expandedAt(200, 150, 1));
        QVERIFY(!p->area()->repeatTimer()->isActive());
        QVERIFY(!p->editor->state().buttonHeld);
        QVERIFY(p->errors.isEmpty());
    }

    void holdAppliesAtEveryTickAndAtTheClick() {
        start();
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(300, 200));
        QVERIFY(p->area()->repeatTimer()->isActive());
        p->area()->repeatTick();  // 1 s
        p->area()->repeatTick();  // 2 s
        QCOMPARE(p->editor->history().undoDepth(), 0);
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(300, 200));
        QVERIFY(p->editor->picture() == expandedAt(300, 200, 3));
        QCOMPARE(p->editor->history().undoDepth(), 1);
        QVERIFY(!p->area()->repeatTimer()->isActive());
    }

    void realHoldOfTwoAndAHalfSecondsAppliesThreeTimes() {
        start();
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(250, 250));
        QTest::qWait(2500);
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(250, 250));
        QVERIFY(p->editor->picture() == expandedAt(250, 250, 3));
        QCOMPARE(p->editor->history().undoDepth(), 1);
    }

    void moveWhileHoldingKeepsThePressPoint() {
        start();
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(200, 200));
        QTest::mouseMove(p->image(), QPoint(260, 230));
        p->area()->repeatTick();
        QTest::mouseMove(p->image(), QPoint(320, 300));
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(320, 300));
        QVERIFY(p->editor->picture() == expandedAt(200, 200, 2));
        QCOMPARE(p->editor->history().undoDepth(), 1);
    }

    void releasedOffThePictureOnlyTheTicksApply() {
        start();
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(200, 200));
        p->area()->repeatTick();
        // Outside the picture control, over the grey of the work area.
        const QPoint outside = p->image()->mapTo(p->form.get(), QPoint(kW + 3, 100));
        QTest::mouseRelease(windowOf(*p), Qt::LeftButton, {}, outside);
        QVERIFY(p->editor->picture() == expandedAt(200, 200, 1));
        QCOMPARE(p->editor->history().undoDepth(), 1);
    }

    void smearDragRunsOnRelease() {
        start();
        p->tools()->tabs->setCurrentIndex(kPageTwist);
        QTest::mouseClick(p->tools()->smearButton, Qt::LeftButton);
        QVERIFY(p->editor->state().smearChosen);
        const Picture before = p->editor->picture();
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(200, 200));
        QVERIFY(!p->area()->repeatTimer()->isActive());
        QTest::mouseMove(p->image(), QPoint(230, 215));
        QVERIFY(p->editor->picture() == before);
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(260, 230));

        Editor ref(patterned(kW, kH));
        ref.palette().changeTab(kPageTwist);
        ref.palette().clickSmear();
        ref.mouseDown(MouseButton::Left, {true, false}, 200, 200);
        ref.mouseUp(MouseButton::Left, 260, 230);
        QVERIFY(p->editor->picture() != before);
        QVERIFY(p->editor->picture() == ref.picture());
        QCOMPARE(p->editor->history().undoDepth(), 1);
    }

    void rubberPaintsOneDiscPerMove() {
        start(Picture(kW, kH, 0x203040));
        p->tools()->tabs->setCurrentIndex(kPageSketch);
        QTest::mouseClick(p->tools()->rubberButton, Qt::LeftButton);
        QCOMPARE(p->editor->state().sketchTool, kSketchToolRubber);
        QCOMPARE(p->editor->state().brushRadiusSlider, 25);
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(p->image(), QPoint(150, 120));
        QTest::mouseMove(p->image(), QPoint(300, 300));
        const Picture& pic = p->editor->picture();
        for (const QPoint c : {QPoint(150, 120), QPoint(300, 300)}) {
            QCOMPARE(pic.pixel(c.x(), c.y()), 0xFFFFFFu);
            QCOMPARE(pic.pixel(c.x() - 25, c.y()), 0xFFFFFFu);
            QCOMPARE(pic.pixel(c.x() + 25, c.y()), 0xFFFFFFu);
            QCOMPARE(pic.pixel(c.x() + 26, c.y()), 0x203040u);
        }
        // Discs are not joined.
        QCOMPARE(pic.pixel(225, 210), 0x203040u);
        QCOMPARE(p->editor->history().undoDepth(), 0);
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(300, 300));
        QCOMPARE(p->editor->history().undoDepth(), 1);
    }

    void otherButtonsRecordNothing() {
        start();
        const Picture before = p->editor->picture();
        QTest::mousePress(p->image(), Qt::MiddleButton, {}, QPoint(100, 100));
        QVERIFY(p->editor->state().buttonHeld);
        QVERIFY(!p->area()->repeatTimer()->isActive());
        QTest::mouseRelease(p->image(), Qt::MiddleButton, {}, QPoint(100, 100));
        QTest::mouseClick(p->image(), Qt::RightButton, {}, QPoint(100, 100));
        QCOMPARE(p->editor->history().undoDepth(), 0);
        QVERIFY(p->editor->picture() == before);
    }

    void doubleClickAppliesOnceAndRecordsTwoSteps() {
        start();
        QTest::mouseDClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(p->editor->history().undoDepth(), 2);
        QVERIFY(p->editor->picture() == expandedAt(200, 150, 1));
    }

    void brushOutlineFollowsAndHidesNearTheEdges_data() {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<bool>("shown");
        QTest::newRow("inside") << QPoint(100, 100) << true;
        QTest::newRow("x = 3") << QPoint(3, 100) << true;
        QTest::newRow("x = 2") << QPoint(2, 100) << false;
        QTest::newRow("x = width - 3") << QPoint(kW - 3, 100) << true;
        QTest::newRow("x = width - 2") << QPoint(kW - 2, 100) << false;
        QTest::newRow("y = 2") << QPoint(100, 2) << false;
        QTest::newRow("y = height - 2") << QPoint(100, kH - 2) << false;
        QTest::newRow("y = height - 3") << QPoint(100, kH - 3) << true;
    }
    void brushOutlineFollowsAndHidesNearTheEdges() {
        QFETCH(QPoint, pos);
        QFETCH(bool, shown);
        start(Picture(kW, kH, 0x80C0E0));
        // Make the whole picture visible so that every test point is on screen.
        p->form->resize(1000, 800);
        p->area()->resize(900, 700);
        QTest::mouseMove(p->image(), QPoint(200, 200));
        QVERIFY(p->image()->brushOutlineShown());
        QTest::mouseMove(p->image(), pos);
        QCOMPARE(p->image()->brushOutlineShown(), shown);
        const QImage img = p->image()->grab().toImage();
        // The circle of radius Rad. (50 view pixels) in plain black.
        const QPoint onCircle = pos.x() < 300 ? pos + QPoint(50, 0) : pos - QPoint(50, 0);
        QCOMPARE(img.pixel(onCircle) == qRgb(0, 0, 0), shown);
        if (shown) QCOMPARE(p->image()->brushOutlineRect(), QRect(pos - QPoint(50, 50), QSize(101, 101)));
    }

    void brushOutlineErasedWhenThePointerGoes_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("leaves the picture") << "leave";
        QTest::newRow("moves onto the palette") << "palette";
        QTest::newRow("a dialog opens under it") << "dialog";
    }
    void brushOutlineErasedWhenThePointerGoes() {
        QFETCH(QString, how);
        start(Picture(kW, kH, 0x80C0E0));
        const QPoint at(200, 200);
        QTest::mouseMove(p->image(), at - QPoint(10, 10));  // a move from wherever the last test left the pointer
        QTest::mouseMove(p->image(), at);
        QVERIFY(p->image()->brushOutlineShown());
        QCOMPARE(p->image()->grab().toImage().pixel(at + QPoint(50, 0)), qRgb(0, 0, 0));
        std::unique_ptr<QMessageBox> box;
        if (how == "leave") {
            leave(p->image());
        } else if (how == "palette") {
            QTest::mouseMove(p->tools()->tabs, QPoint(20, 20));
        } else {
            box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QStringLiteral("x"), QStringLiteral("y"),
                                                QMessageBox::Ok, p->form.get());
            box->setWindowModality(Qt::ApplicationModal);
            box->show();
        }
        QVERIFY(!p->image()->brushOutlineShown());
        // Nothing of the circle is left on the screen.
        const QImage img = p->image()->grab().toImage();
        for (const QPoint d : {QPoint(50, 0), QPoint(-50, 0), QPoint(0, 50), QPoint(0, -50)})
            QVERIFY(img.pixel(at + d) != qRgb(0, 0, 0));
    }

    void noOutlineOnTheSketchTabWithoutTheRubber() {
        start();
        p->tools()->tabs->setCurrentIndex(kPageSketch);
        QTest::mouseMove(p->image(), QPoint(100, 100));
        QVERIFY(!p->image()->brushOutlineShown());
        QTest::mouseClick(p->tools()->rubberButton, Qt::LeftButton);
        QTest::mouseMove(p->image(), QPoint(110, 100));
        QVERIFY(p->image()->brushOutlineShown());
        QCOMPARE(p->image()->brushOutlineRect().width(), 51);
    }

    void wheelZoomsOverThePictureAndOverTheWindow() {
        start();
        QScrollBar* v = p->area()->scrollArea()->verticalScrollBar();
        enter(p->image());
        QVERIFY(p->editor->state().pointerOverPicture);
        wheel(p->image(), -120);  // towards the user
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("125.0%"));
        wheel(p->image(), 120);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("100.0%"));
        // Whichever window has the pointer's wheel: still the picture zooms.
        wheel(p->tools()->distortRadSlider, 120);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("80.0%"));
        QCOMPARE(p->tools()->distortRadSlider->value(), 50);
        leave(p->image());
        // Over the work area outside the picture; each message is one step.
        wheel(p->area()->scrollArea()->viewport(), -360);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("100.0%"));
        wheel(v, -120);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("125.0%"));
        QCOMPARE(v->value(), 0);
        // Elsewhere the wheel does what it always does.
        wheel(p->tools()->distortRadSlider, 120);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("125.0%"));
        QVERIFY(p->tools()->distortRadSlider->value() != 50);
        QCOMPARE(p->tools()->distortRadSlider->value(), p->editor->palette().distortRad.position());
    }

    void rightDragPansKeepingThePointUnderThePointer() {
        start();
        p->form->zoomIn();
        p->form->zoomIn();
        QCOMPARE(p->image()->size(), QSize(945, 733));
        WorkArea* a = p->area();
        QCOMPARE(a->scrollX(), 0);
        QTest::mousePress(p->image(), Qt::RightButton, {}, QPoint(300, 250));
        const QPoint pointer = p->image()->mapToGlobal(QPoint(250, 210));
        QTest::mouseMove(p->image(), QPoint(250, 210));
        QCOMPARE(a->scrollX(), 50);
        QCOMPARE(a->scrollY(), 40);
        // The picture point pressed is under the pointer again.
        QCOMPARE(p->image()->mapFromGlobal(pointer), QPoint(300, 250));
        // Past the scroll range the scroll bars clamp.
        QTest::mouseMove(p->image(), QPoint(300 - 5000, 250 - 5000));
        QCOMPARE(a->scrollX(), a->scrollArea()->horizontalScrollBar()->maximum());
        QCOMPARE(a->scrollY(), a->scrollArea()->verticalScrollBar()->maximum());
        QTest::mouseRelease(p->image(), Qt::RightButton, {}, QPoint(300, 250));
        QCOMPARE(p->editor->history().undoDepth(), 0);
    }

    void zoneDragAndScrollBarScrollingDropsTheFrame() {
        start(patterned(1500, 1200));
        p->form->selectZone();
        QVERIFY(p->editor->state().selectionShown);
        QCOMPARE(p->image()->cursor().shape(), Qt::CrossCursor);
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(10, 20));
        QVERIFY(p->image()->confined());
        QVERIFY(!p->area()->repeatTimer()->isActive());
        QTest::mouseMove(p->image(), QPoint(60, 40));
        QTest::mouseMove(p->image(), QPoint(110, 70));
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(110, 70));
        QVERIFY(!p->image()->confined());
        const ZoneRectangle z = p->editor->state().zoneRect;
        QCOMPARE(z.zoneLeft, 11);
        QCOMPARE(z.zoneTop, 21);
        QCOMPARE(z.zoneRight, 109);
        QCOMPARE(z.zoneBottom, 69);
        QVERIFY(p->form->commands.cutOut.button->isEnabled());
        QVERIFY(p->form->commands.copy.shortcut->isEnabled());
        // The frame is painted over the picture (black and white points).
        const QImage img = p->image()->grab(QRect(0, 0, 200, 100)).toImage();
        int frame = 0;
        for (int x = 10; x < 110; ++x) {
            const QRgb c = img.pixel(x, 20);
            frame += c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255);
        }
        QCOMPARE(frame, 100);
        QCOMPARE(p->editor->history().undoDepth(), 0);

        p->area()->scrollArea()->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QVERIFY(p->editor->zoneFrame().isCleared());
        QVERIFY(!p->form->commands.cutOut.button->isEnabled());
        QVERIFY(!p->form->commands.copy.shortcut->isEnabled());
        QVERIFY(p->editor->state().selectionShown);
    }

    void programmaticScrollingKeepsTheFrame() {
        start(patterned(1500, 1200));
        p->form->selectZone();
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(10, 20));
        QTest::mouseMove(p->image(), QPoint(110, 70));
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(110, 70));
        p->area()->scrollBy(0, 30);
        QCOMPARE(p->area()->scrollY(), 30);
        QVERIFY(!p->editor->zoneFrame().isCleared());
    }

    void effectErrorDuringAHoldIsShownOnce() {
        start();
        // At 3552 % the strength 15 rounds to 0 picture pixels.
        for (int i = 0; i < 16; ++i) p->form->zoomIn();
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("3552.7%"));
        const Picture before = p->editor->picture();
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(200, 200));
        p->area()->repeatTick();
        QCOMPARE(p->errors, QStringList{QStringLiteral("Floating point division by zero")});
        QVERIFY(!p->area()->repeatTimer()->isActive());
        p->area()->repeatTick();
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(200, 200));
        QCOMPARE(p->errors.size(), 1);
        QVERIFY(!p->editor->state().buttonHeld);
        QCOMPARE(p->editor->history().undoDepth(), 1);
        QVERIFY(p->editor->picture() == before);
    }

    void releaseLostBehindTheMessageBoxStillEndsTheGesture() {
        start();
        for (int i = 0; i < 16; ++i) p->form->zoomIn();
        // The real message box this time; the user lets go of the button
        // while it is up, then presses OK.
        setErrorReporter({});
        bool boxSeen = false;
        QTimer::singleShot(50, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            boxSeen = true;
            QCOMPARE(box->text(), QStringLiteral("Floating point division by zero"));
            QTest::mouseRelease(windowOf(*p), Qt::LeftButton, {}, p->image()->mapTo(p->form.get(), QPoint(200, 200)));
            box->accept();
        });
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(200, 200));
        p->area()->repeatTick();
        QVERIFY(boxSeen);
        QVERIFY(!p->editor->state().buttonHeld);
        QVERIFY(!p->area()->repeatTimer()->isActive());
        QCOMPARE(p->editor->history().undoDepth(), 1);
    }

    void onlyTheChangedPartIsRepainted() {
        start();
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        const QRect r = p->image()->lastPictureUpdate();
        QVERIFY(!r.isEmpty());
        // The brush disc (radius 50) lies in whole 64-pixel tiles around it.
        QVERIFY(r.contains(QRect(150, 100, 101, 101)));
        QVERIFY(r.width() < 260 && r.height() < 260);
        // And the control shows exactly the picture at 100 % (the outline
        // out of the way).
        QTest::mouseMove(p->image(), QPoint(1, 1));
        QVERIFY(!p->image()->brushOutlineShown());
        const QImage shown = p->image()->grab(QRect(140, 90, 120, 120)).toImage();
        for (int y = 0; y < 120; y += 7)
            for (int x = 0; x < 120; x += 7) {
                const uint32_t c = p->editor->picture().pixel(140 + x, 90 + y);
                QCOMPARE(shown.pixel(x, y), qRgb(c & 255, (c >> 8) & 255, (c >> 16) & 255));
            }
    }

    void stretchedToTheControlAtTheZoom() {
        start(Picture(100, 80, 0x0000FF));
        Picture p2(100, 80, 0x0000FF);
        for (int y = 0; y < 80; ++y) p2.setPixel(99, y, 0x00FF00);
        p->editor->openPicture(p2);
        p->form->zoomIn();  // 125 x 100
        QCOMPARE(p->image()->size(), QSize(125, 100));
        const QImage shown = p->image()->grab().toImage();
        QCOMPARE(shown.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(124, 50), qRgb(0, 255, 0));
        QCOMPARE(shown.pixel(122, 50), qRgb(255, 0, 0));
    }

    void closingTheWorkAreaMinimisesIt() {
        start();
        p->area()->close();
        QVERIFY(p->area()->isMinimized());
        QVERIFY(!p->area()->isHidden());
    }
};

QTEST_MAIN(WorkAreaTest)
#include "work_area_test.moc"
