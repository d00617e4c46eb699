// One tick of the step loop (GLWidget::advanceSim) on the 1,000-cell sample,
// in the main window as the user runs it: the engine stages, then the loop's
// own work (the "Cells" dock rebuilt, the view drawn, the step's picture
// written). Needs a display with GL (Xvfb will do).
//
// Each stage the loop runs is wrapped with a clock, so the figures split the
// tick into
//   stages_ms  the engine stages (their progress dialogs included),
//   dock_ms    the cell dock rebuilt after the step,
//   draw_ms    drawing, grabbing and writing the step's picture,
//   loop_ms    dock_ms + draw_ms + the rest: the loop's own cost,
// each per tick. The peer is the loop's own budget: 100 ms a step.
#include "support/engine_env.h"

#include "app/glwidget.h"
#include "app/mainwindow.h"
#include "model/dbreader.h"
#include "model/parameter_database.h"

#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

void BM_StepLoopTick_1000Cells(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString sample = dir.filePath("bench_1000_center.vt");
    if (!QFile::copy(QDir(QString::fromLocal8Bit(bench_env::samplesDirectory())).filePath("bench_1000_center.vt"),
                     sample)) {
        state.SkipWithError("the sample cannot be copied");
        return;
    }
    // The window opens and seeds a database of its own.
    close_parameter_database();
    MainWindow window;
    window.show();
    auto* view = window.findChild<GLWidget*>();
    for (int i = 0; i < 50 && !(view && view->isValid() && view->isVisible()); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!view || !view->isValid()) {
        state.SkipWithError("the view has no GL context: run under a display (xvfb-run)");
        return;
    }
    if (!window.loadFile(sample) || !view->reader || view->reader->cells.size() != 1000) {
        state.SkipWithError("the sample did not load");
        return;
    }

    // Clocks around every stage that exists, and one after the dock rebuild
    // (its slot is connected after the window's own).
    QElapsedTimer clock;
    qint64 stageNs = 0, stagesEnd = 0, dockEnd = 0;
    for (int s = 0; s < GLWidget::STAGE_COUNT; ++s) {
        const auto stage = static_cast<GLWidget::Stage>(s);
        GLWidget::StageFunction run = view->stageFunction(stage);
        if (!run)
            continue;
        view->setStage(stage, [run, &clock, &stageNs, &stagesEnd](dbReader& engine, int step) {
            const qint64 start = clock.nsecsElapsed();
            const int result = run(engine, step);
            stagesEnd = clock.nsecsElapsed();
            stageNs += stagesEnd - start;
            return result;
        });
    }
    QObject::connect(view, &GLWidget::dock_message, view, [&](int&) { dockEnd = clock.nsecsElapsed(); });

    qint64 tickNs = 0, dockNs = 0, drawNs = 0;
    clock.start();
    for (auto _ : state) {
        view->targetStep = view->currentStep + 1;
        view->paused = false;
        const qint64 start = clock.nsecsElapsed();
        QMetaObject::invokeMethod(view, "advanceSim", Qt::DirectConnection);
        const qint64 end = clock.nsecsElapsed();
        view->paused = true;
        tickNs += end - start;
        dockNs += dockEnd - stagesEnd;
        drawNs += end - dockEnd;
    }

    // Sanity, after timing: the tissue is whole, the last step's picture is
    // written and the dock lists every cell.
    const auto* tree = qobject_cast<QTreeWidget*>(window.findChild<QDockWidget*>()->widget());
    const bool listed = tree && tree->topLevelItemCount() == 1 && tree->topLevelItem(0)->childCount() == 1000;
    const QString picture = sample + "." + QString::number(view->currentStep) + ".png";
    if (!view->reader || view->reader->cells.size() != 1000 || !QFile::exists(picture) || !listed)
        state.SkipWithError("the step did not leave the tissue, its picture and its cell list");

    auto perTick = [](qint64 ns) { return benchmark::Counter(double(ns) / 1e6, benchmark::Counter::kAvgIterations); };
    state.counters["stages_ms"] = perTick(stageNs);
    state.counters["dock_ms"] = perTick(dockNs);
    state.counters["draw_ms"] = perTick(drawNs);
    state.counters["loop_ms"] = perTick(tickNs - stageNs);
    // The wrappers hold clocks of this function.
    for (int s = 0; s < GLWidget::STAGE_COUNT; ++s)
        view->setStage(static_cast<GLWidget::Stage>(s), nullptr);
}
BENCHMARK(BM_StepLoopTick_1000Cells)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
