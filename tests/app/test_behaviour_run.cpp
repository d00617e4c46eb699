// The behaviour step on the real path: the wound sample opened in the
// window and played. In Model the keratinocytes divide, die and migrate into
// a clot typed along one edge of the wound; Grow and Relax keep the tissue
// sound. After every step the tissue is checked when the cell dock is
// refreshed, and no box is raised.
#include "app_fixture.h"

#include "app/propertiesdialog.h"
#include "support/crossings.h"
#include "support/progress_watch.h"
#include "support/state_hash.h"
#include "support/topology_check.h"
#include "support/wound_run.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QSqlQuery>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kKeratinocyte = 3;
constexpr int kClot = 4;
// Death weight given to keratinocytes (the default database gives 0, so
// none would ever die): against growth 0.11, migration 0.11 and rest 0.78.
constexpr double kDeathWeight = 0.05;
// Steps of the second, fresh-window run of the long Model run.
constexpr int kAgainSteps = 50;

// The signalling models print a line on every parameter evaluation, four
// per idle cell and step: millions over a long run. While a run plays, the
// process's standard output goes to /dev/null.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (saved >= 0 && null >= 0)
            dup2(null, STDOUT_FILENO);
        if (null >= 0)
            close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        if (saved >= 0) {
            dup2(saved, STDOUT_FILENO);
            close(saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved = -1;
};

struct RunResult {
    std::uint64_t hash = 0;
    std::uint64_t hashAtMark = 0;  // the state hash after step `markStep` of play()
    int steps = 0;
    int divisions = 0;
    int dead = 0;
    int apoptotic = 0;
    int migrations = 0;
    std::vector<std::string> faults;
    bool box = false;
    qint64 ms = 0;
};

class BehaviourRun : public AppTest {
protected:
    void freshWindow()
    {
        probe.reset();
        window.reset();
        close_parameter_database();
        clear_parameter_tables();
        srand(1);
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        probe = std::make_unique<MainWindowProbe>(*window);
    }

    void chooseMode(const QString& text)
    {
        for (QAction* a : probe->mechButton()->menu()->actions())
            if (a->text() == text)
                a->trigger();
    }

    // Opens the wound sample, optionally with dying keratinocytes and a clot
    // along the left edge of the wound, and plays `steps` steps in `mode`.
    // The state hash after step `markStep` is kept too. Without
    // `checkBehaviourStage` only the end of each step is checked.
    RunResult play(const QString& mode, int steps, bool biology, int markStep = -1, bool checkBehaviourStage = true)
    {
        RunResult run;
        if (biology) {
            QSqlQuery query;
            query.prepare("UPDATE cell SET death_coef = ? WHERE name = ?");
            query.addBindValue(kDeathWeight);
            query.addBindValue(QStringLiteral("Keratinocyte"));
            EXPECT_TRUE(query.exec());
        }
        const QString path = dir.filePath("wound-" + mode + ".vt");
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(QString(std::getenv("VANTU_SAMPLES")) + "/wound_center.vt", path));
        EXPECT_TRUE(probe->loadFile(path));
        dbReader* engine = view()->reader;
        if (!engine)
            return run;
        if (biology) {
            // The keratinocytes on the left edge of the wound become clot,
            // typed as the chooser types.
            view()->selectedCells = woundEdgeCells(*engine, kKeratinocyte);
            EXPECT_FALSE(view()->selectedCells.empty());
            view()->cellProperty->cellType = kClot;
            view()->cellProperty->setFlag = true;
            view()->set_cell_type();
        }
        chooseMode(mode);
        // A failing stage is named in the report.
        std::string failedStage;
        const std::pair<GLWidget::Stage, const char*> named[] = {{GLWidget::STAGE_BEHAVIOUR, "behaviour"},
                                                                 {GLWidget::STAGE_MECHANICS, "mechanics"},
                                                                 {GLWidget::STAGE_CONTACT, "contact"},
                                                                 {GLWidget::STAGE_PICK, "pick"},
                                                                 {GLWidget::STAGE_EDGE, "edge"}};
        for (const auto& [stage, name] : named) {
            GLWidget::StageFunction f = view()->stageFunction(stage);
            view()->setStage(stage, [f, name = std::string(name), &failedStage, &run, checkBehaviourStage](dbReader& e,
                                                                                                        int step) {
                const int r = f(e, step);
                if (r >= 0 && failedStage.empty())
                    failedStage = name + " stage at step " + std::to_string(step);
                // What the behaviour stage hands on must already be sound.
                if (name == "behaviour" && checkBehaviourStage) {
                    const auto broken = checkTopology(e);
                    if (!broken.empty())
                        run.faults.push_back("after the behaviour stage of step " + std::to_string(step) + ": " +
                                             describeFaults(broken));
                    for (const cell* c : e.cells) {
                        if (c->dead || !c->migrating)
                            continue;
                        for (const point3D* v : {c->front_first, c->front_last})
                            if (!v || !v->alive || !v->out_edge || v->out_edge->cell != c)
                                run.faults.push_back("after the behaviour stage of step " + std::to_string(step) +
                                                     ": the front of migrating cell " + std::to_string(c->id) +
                                                     " is not on its ring");
                    }
                }
                return r;
            });
        }
        const std::size_t cellsAtStart = engine->cells.size();

        const QMetaObject::Connection checks = QObject::connect(view(), &GLWidget::dock_message, [this, &run, markStep](int& step) {
            dbReader* e = view()->reader;
            if (!e)
                return;
            if (step == markStep)
                run.hashAtMark = finalStateHash(*e);
            const auto broken = checkTopology(*e);
            if (!broken.empty())
                run.faults.push_back("step " + std::to_string(step) + ": " + describeFaults(broken));
            std::string where;
            if (boundariesCross(*e, &where))
                run.faults.push_back("step " + std::to_string(step) + ": " + where);
            if (!run.faults.empty())
                view()->paused = true;
        });
        auto box = answerNextBox(QMessageBox::Ok);
        QElapsedTimer clock;
        clock.start();
        probe->stepSpinBox()->setValue(steps);
        {
            QuietStdout quiet;
            probe->playAction()->trigger();
            // The loop's slot is ticked at once rather than waiting for the
            // play timer's next tick: the early steps are quicker than its
            // period.
            const auto done = [this, &box, &run] {
                return box->shown || !run.faults.empty() || !probe->playAction()->isChecked();
            };
            while (!done() && clock.elapsed() < 1800000) {
                QMetaObject::invokeMethod(view(), "advanceSim", Qt::DirectConnection);
                QCoreApplication::processEvents();
            }
            EXPECT_TRUE(done());
        }
        run.ms = clock.elapsed();
        QObject::disconnect(checks);
        run.box = box->shown;
        if (box->shown)
            run.faults.push_back(box->title.toStdString() + " (" + failedStage + "): " + box->text.toStdString());
        engine = view()->reader;
        if (!engine)
            return run;
        run.steps = view()->currentStep;
        run.divisions = static_cast<int>(engine->cells.size() - cellsAtStart);
        for (const cell* c : engine->cells) {
            run.dead += c->dead;
            run.apoptotic += c->dead && c->behavior == cell::APOPTOSIS;
            run.migrations += c->migrate_count;
        }
        run.hash = finalStateHash(*engine);
        return run;
    }

    // Model for `steps` steps, then for `again` steps in a fresh window: sound
    // every step, with divisions, deaths (by apoptosis too) and migrations,
    // and the second run ends in the state the first one had at that step.
    void modelTwice(int steps, int again, bool checkBehaviourStage)
    {
        const RunResult first = play("Model", steps, true, again, checkBehaviourStage);
        std::cout << "  model run: " << first.steps << " steps in " << first.ms << " ms, " << first.divisions
                  << " divisions, " << first.dead << " dead (" << first.apoptotic << " by apoptosis), "
                  << first.migrations << " migration starts" << std::endl;
        EXPECT_TRUE(first.faults.empty()) << first.faults.front();
        EXPECT_EQ(first.steps, steps);
        EXPECT_GE(first.divisions, 5);
        EXPECT_GE(first.dead, 3);
        EXPECT_GE(first.apoptotic, 1);
        EXPECT_GE(first.migrations, 5);

        freshWindow();
        const RunResult second = play("Model", again, true, -1, checkBehaviourStage);
        std::cout << "  again: " << second.steps << " steps in " << second.ms << " ms" << std::endl;
        EXPECT_TRUE(second.faults.empty()) << second.faults.front();
        EXPECT_EQ(second.steps, again);
        EXPECT_EQ(second.hash, first.hashAtMark);
        if (again == steps) {
            EXPECT_EQ(second.hash, first.hash);
        }
    }
};

TEST_F(BehaviourRun, ModelDividesKillsAndMigratesTheSameWayTwice)
{
    modelTwice(40, 40, true);
}

// The full run: the sheet grows to several times its cells, so later steps
// cost most. Checked at the end of every step; the run in a fresh window is
// shorter and must reach the state the long run had at the same step.
TEST_F(BehaviourRun, ThreeHundredModelSteps)
{
    modelTwice(300, kAgainSteps, false);
}

TEST_F(BehaviourRun, GrowAndRelaxKeepTheTissueSound)
{
    for (const char* mode : {"Grow", "Relax"}) {
        SCOPED_TRACE(mode);
        if (QString(mode) == "Relax")
            freshWindow();
        ProgressWatch watch("Retrieve Biological Info");
        const RunResult run = play(mode, 20, false);
        watch.stop();
        std::cout << "  " << mode << " run: " << run.steps << " steps in " << run.ms << " ms, " << run.divisions
                  << " divisions" << std::endl;
        EXPECT_TRUE(run.faults.empty()) << run.faults.front();
        EXPECT_EQ(run.steps, 20);
        const QString label = QString(mode) == "Grow" ? "Tissue growing..." : "Tissue relaxing...";
        EXPECT_TRUE(watch.seen.contains("Retrieve Biological Info|" + label));
    }
}

}  // namespace
