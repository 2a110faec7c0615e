// The desktop program's click: Expand at Rad. 500 on a 6000 x 4000 photo
// shown at 25 %, from the press on the picture control to the repainted
// view, in an offscreen window. The view shows the brush's colours at its
// own pixels; the full-resolution picture is finished in the background
// after that, and the time until it is done is reported beside.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>
#include <memory>

#include <sys/resource.h>

#include "bench/bench_util.h"
#include "editor/editor.h"
#include "ui/main_window.h"
#include "ui/work_area.h"

namespace {

using namespace jollix;

QApplication& application() {
    static int argc = 1;
    static char arg0[] = "jollix-bench";
    static char* argv[] = {arg0, nullptr};
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: the toolkit's own globals are gone by the time
    // function statics are torn down at exit.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Minor page faults of the calling thread so far (fresh memory touched).
long threadFaults() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_minflt;
}

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

// Room for the whole 1500 x 1000 view.
constexpr QSize kWholeView(1560, 1080);

struct Session {
    Editor editor;
    MainWindow form;
    explicit Session(int w, int h, QSize area = kWholeView) : editor(bench::photoLike(w, h)), form(editor) {
        editor.setZoomPercent(25);
        editor.palette().distortRad.userScroll(500);
        form.refreshAll();
        form.resize(1700, 1300);
        form.show();
        form.workArea()->resize(area);
        settle();
    }
};

// Clicks at view point `at` of a work area of size `area`.
void expandClick(benchmark::State& state, QSize area, QPoint at) {
    application();
    Session s(6000, 4000, area);
    PictureWidget* image = s.form.workArea()->pictureWidget();
    double pressMs = 0, releaseMs = 0, paintMs = 0, finishedMs = 0, faults = 0;
    for (auto _ : state) {
        const long faultsBefore = threadFaults();
        QElapsedTimer clock;
        clock.start();
        mouse(image, QEvent::MouseButtonPress, at, Qt::LeftButton);
        const qint64 pressed = clock.nsecsElapsed();
        mouse(image, QEvent::MouseButtonRelease, at, Qt::NoButton);
        const qint64 released = clock.nsecsElapsed();
        settle();  // the repaint of what changed
        const qint64 total = clock.nsecsElapsed();
        pressMs += pressed / 1e6;
        releaseMs += (released - pressed) / 1e6;
        paintMs += (total - released) / 1e6;
        faults += double(threadFaults() - faultsBefore);
        state.PauseTiming();
        // The window takes in the full-resolution picture when it is done.
        while (s.editor.brushPending()) {
            QApplication::processEvents();
            QThread::usleep(100);
        }
        finishedMs += clock.nsecsElapsed() / 1e6;
        if (s.editor.history().undoDepth() != 1 || image->lastPictureUpdate().isEmpty())
            state.SkipWithError("the click did not apply or repaint");
        // Back to the photo so that every click does the same work and the
        // history holds one step at most.
        s.editor.undo();
        settle();
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["press_ms"] = benchmark::Counter(pressMs / n);
    state.counters["release_ms"] = benchmark::Counter(releaseMs / n);
    state.counters["repaint_ms"] = benchmark::Counter(paintMs / n);
    state.counters["finished_ms"] = benchmark::Counter(finishedMs / n);  // the full-resolution picture taken in
    state.counters["page_faults"] = benchmark::Counter(faults / n);      // on the window's thread
    state.counters["repainted_px"] =
        benchmark::Counter(double(image->lastPictureUpdate().width()) * image->lastPictureUpdate().height());
}

// The whole view in sight, the click at its centre.
void BM_UiExpandClickRad500At25Percent(benchmark::State& state) { expandClick(state, kWholeView, QPoint(750, 500)); }
BENCHMARK(BM_UiExpandClickRad500At25Percent)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The work area at the size it first has: about a fifth of the view in
// sight, the brush's box reaching beyond it.
void BM_UiExpandClickRad500At25PercentFirstSize(benchmark::State& state) {
    expandClick(state, QSize(615, 504), QPoint(300, 230));
}
BENCHMARK(BM_UiExpandClickRad500At25PercentFirstSize)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// Repainting the whole 1500 x 1000 view of the 6000 x 4000 photo.
void BM_UiRepaintWholeView(benchmark::State& state) {
    application();
    Session s(6000, 4000);
    PictureWidget* image = s.form.workArea()->pictureWidget();
    for (auto _ : state) image->repaint();
}
BENCHMARK(BM_UiRepaintWholeView)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
