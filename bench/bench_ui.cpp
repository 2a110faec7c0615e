// The desktop program's click: Expand at Rad. 500 on a 6000 x 4000 photo
// shown at 25 %, from the press on the picture control to the repainted
// view, in an offscreen window. Target: at most 100 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <memory>

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

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
    }
}

struct Session {
    Editor editor;
    MainWindow form;
    explicit Session(int w, int h) : editor(bench::photoLike(w, h)), form(editor) {
        editor.setZoomPercent(25);
        editor.palette().distortRad.userScroll(500);
        form.refreshAll();
        // Room for the whole 1500 x 1000 view.
        form.resize(1700, 1300);
        form.show();
        form.workArea()->resize(1560, 1080);
        settle();
    }
};

void BM_UiExpandClickRad500At25Percent(benchmark::State& state) {
    application();
    Session s(6000, 4000);
    PictureWidget* image = s.form.workArea()->pictureWidget();
    const QPoint centre(750, 500);
    double effectMs = 0, paintMs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        mouse(image, QEvent::MouseButtonPress, centre, Qt::LeftButton);
        mouse(image, QEvent::MouseButtonRelease, centre, Qt::NoButton);
        const qint64 applied = clock.nsecsElapsed();
        settle();  // the repaint of what changed
        const qint64 total = clock.nsecsElapsed();
        effectMs += applied / 1e6;
        paintMs += (total - applied) / 1e6;
        state.PauseTiming();
        if (s.editor.history().undoDepth() != 1 || image->lastPictureUpdate().isEmpty())
            state.SkipWithError("the click did not apply or repaint");
        // Back to the photo so that every click does the same work and the
        // history holds one step at most.
        s.editor.undo();
        settle();
        state.ResumeTiming();
    }
    state.counters["effect_ms"] = benchmark::Counter(effectMs / double(state.iterations()));
    state.counters["repaint_ms"] = benchmark::Counter(paintMs / double(state.iterations()));
    state.counters["repainted_px"] =
        benchmark::Counter(double(image->lastPictureUpdate().width()) * image->lastPictureUpdate().height());
}
BENCHMARK(BM_UiExpandClickRad500At25Percent)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// Repainting the whole 1500 x 1000 view of the 6000 x 4000 photo.
void BM_UiRepaintWholeView(benchmark::State& state) {
    application();
    Session s(6000, 4000);
    PictureWidget* image = s.form.workArea()->pictureWidget();
    for (auto _ : state) image->repaint();
}
BENCHMARK(BM_UiRepaintWholeView)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
