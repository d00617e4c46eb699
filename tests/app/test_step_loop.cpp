// The timer-driven step loop as the user drives it: Play with a step count,
// Pause, the step targets, the picture of every step, a stage that fails with
// "Geometric Problem", and the guards that keep the engine whole while the
// event loop runs inside a step.
#include "app_fixture.h"
#include "modal_answerer.h"

#include "support/topology_check.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QTimer>

#include <map>
#include <vector>

namespace {

// Records which stages ran at which step; a stage can be told to fail.
struct StageLog {
    std::map<int, std::vector<int>> ran;  // stage -> steps

    GLWidget::StageFunction record(GLWidget::Stage stage, int result = -1)
    {
        return [this, stage, result](dbReader&, int step) {
            ran[stage].push_back(step);
            return result;
        };
    }
    std::vector<int> steps(GLWidget::Stage stage) { return ran[stage]; }
};

}  // namespace

class StepLoopTest : public AppTest {
protected:
    // Loads a copy of the sample and sets the step count. The engine stages
    // from behaviour to edge corrections are replaced by recorders, so that
    // the tests see the loop itself; a test replaces one again to make it
    // fail or act.
    void loadAndCount(int count)
    {
        path = sampleCopy();
        ASSERT_TRUE(probe->loadFile(path));
        probe->stepSpinBox()->setValue(count);
        for (int stage = GLWidget::STAGE_BEHAVIOUR; stage <= GLWidget::STAGE_EDGE; ++stage)
            view()->setStage(GLWidget::Stage(stage), log.record(GLWidget::Stage(stage)));
    }
    void play()
    {
        // Play is a checkable command: triggering it checks it.
        if (probe->playAction()->isChecked())
            probe->playAction()->trigger();
        probe->playAction()->trigger();
        ASSERT_TRUE(probe->playAction()->isChecked());
    }
    bool waitForRunEnd() { return waitFor([this] { return !probe->playAction()->isChecked(); }); }
    QString picture(int step) const { return path + "." + QString::number(step) + ".png"; }
    int docks = 0;  // dock_message count
    QString path;
    StageLog log;
};

TEST_F(StepLoopTest, PlayWithAStepCountOfThreeRunsStepsOneToThree)
{
    loadAndCount(3);
    EXPECT_EQ(view()->targetStep, 3);
    QObject::connect(view(), &GLWidget::dock_message, [this](int&) { ++docks; });

    play();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(view()->currentStep, 3);
    EXPECT_TRUE(view()->paused);
    EXPECT_EQ(view()->modelNumber, 0);
    for (int stage = GLWidget::STAGE_BEHAVIOUR; stage <= GLWidget::STAGE_EDGE; ++stage)
        EXPECT_EQ(log.steps(GLWidget::Stage(stage)), (std::vector<int>{1, 2, 3})) << stage;
    EXPECT_EQ(docks, 3);
    for (int step = 1; step <= 3; ++step) {
        const QImage image(picture(step));
        EXPECT_FALSE(image.isNull()) << step;
    }
    EXPECT_FALSE(QFile::exists(picture(4)));
    // The dock still lists the tissue after the steps.
    ASSERT_NE(probe->cellTree(), nullptr);
    EXPECT_EQ(probe->cellTree()->topLevelItem(0)->childCount(), cellCount());

    // The step counter survives a load: the next run continues at step 4,
    // named after the newly loaded file.
    loadAndCount(1);
    play();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(view()->currentStep, 4);
    EXPECT_TRUE(QFile::exists(picture(4)));

    // Play while the target is reached ends at the next tick.
    play();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(view()->currentStep, 4);
}

// With the program's own stages a run over a loaded sample ends at its
// target without a "Geometric Problem", and the tissue is still there.
TEST_F(StepLoopTest, RealStagesRunASampleWithoutAGeometricProblem)
{
    path = sampleCopy();
    ASSERT_TRUE(probe->loadFile(path));
    const size_t cells = view()->reader->cells.size();
    probe->stepSpinBox()->setValue(2);
    BoxRecorder recorder;
    play();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_TRUE(recorder.boxes.isEmpty()) << recorder.boxes.join("\n").toStdString();
    EXPECT_EQ(view()->currentStep, 2);
    ASSERT_NE(view()->reader, nullptr);
    EXPECT_EQ(view()->reader->cells.size(), cells);
    EXPECT_TRUE(topologyIsSound(*view()->reader));
    EXPECT_TRUE(QFile::exists(picture(2)));
}

TEST_F(StepLoopTest, StepTargetsFollowTheCount)
{
    // Sets the spin box so that it reports the count even when it shows it.
    auto setCount = [this](int n) {
        probe->stepSpinBox()->blockSignals(true);
        probe->stepSpinBox()->setValue(n == 0 ? 1 : 0);
        probe->stepSpinBox()->blockSignals(false);
        probe->stepSpinBox()->setValue(n);
    };

    // At start-up a count of 5 gives target 5.
    setCount(5);
    EXPECT_EQ(view()->targetStep, 5);
    EXPECT_EQ(view()->modelNumber, 0);

    // A run started at step 10 with 5 (target 15), then changed to 3 and to 7.
    view()->currentStep = 10;
    view()->targetStep = 10;
    setCount(5);
    EXPECT_EQ(view()->targetStep, 15);
    EXPECT_EQ(view()->modelNumber, 15);
    setCount(3);
    EXPECT_EQ(view()->targetStep, 18);
    setCount(7);
    EXPECT_EQ(view()->targetStep, 22);
    EXPECT_EQ(view()->modelNumber, 15);

    // Past the target a change does nothing.
    view()->currentStep = 30;
    setCount(2);
    EXPECT_EQ(view()->targetStep, 22);
}

TEST_F(StepLoopTest, PauseDuringTheBehaviourStageSkipsOnlyTheMechanics)
{
    loadAndCount(5);
    view()->setStage(GLWidget::STAGE_BEHAVIOUR, [this](dbReader&, int step) {
        log.ran[GLWidget::STAGE_BEHAVIOUR].push_back(step);
        if (step == 2)
            probe->pauseAction()->trigger();
        return -1;
    });
    for (auto stage : {GLWidget::STAGE_MECHANICS, GLWidget::STAGE_CONTACT, GLWidget::STAGE_PICK,
                       GLWidget::STAGE_EDGE})
        view()->setStage(stage, log.record(stage));

    play();
    ASSERT_TRUE(waitFor([this] { return view()->currentStep == 2 && view()->paused; }));
    EXPECT_FALSE(probe->playAction()->isChecked());
    EXPECT_TRUE(probe->pauseAction()->isChecked());
    ASSERT_TRUE(waitFor([this] { return QFile::exists(picture(2)); }));
    EXPECT_EQ(log.steps(GLWidget::STAGE_MECHANICS), std::vector<int>{1});
    EXPECT_EQ(log.steps(GLWidget::STAGE_CONTACT), (std::vector<int>{1, 2}));
    EXPECT_EQ(log.steps(GLWidget::STAGE_EDGE), (std::vector<int>{1, 2}));

    // Paused, the ticks neither step nor draw.
    QTest::qWait(700);
    EXPECT_EQ(view()->currentStep, 2);
    EXPECT_FALSE(QFile::exists(picture(3)));

    // Pause pressed again unchecks itself; the loop stays paused.
    probe->pauseAction()->trigger();
    EXPECT_FALSE(probe->pauseAction()->isChecked());
    QTest::qWait(500);
    EXPECT_EQ(view()->currentStep, 2);

    // Play resumes to the target.
    play();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(view()->currentStep, 5);
}

TEST_F(StepLoopTest, ResultsOtherThanMinusOneEndTheChainAndOnlyFailuresStopTheRun)
{
    // A behaviour result of -2 ends the chain without a failure; an edge
    // result of -5 counts as success. Both steps keep their pictures.
    loadAndCount(2);
    view()->setStage(GLWidget::STAGE_BEHAVIOUR, [this](dbReader&, int step) {
        log.ran[GLWidget::STAGE_BEHAVIOUR].push_back(step);
        return step == 1 ? -2 : -1;
    });
    view()->setStage(GLWidget::STAGE_MECHANICS, log.record(GLWidget::STAGE_MECHANICS));
    view()->setStage(GLWidget::STAGE_EDGE, log.record(GLWidget::STAGE_EDGE, -5));
    play();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(view()->currentStep, 2);
    EXPECT_EQ(log.steps(GLWidget::STAGE_MECHANICS), std::vector<int>{2});
    EXPECT_EQ(log.steps(GLWidget::STAGE_EDGE), std::vector<int>{2});
    EXPECT_TRUE(QFile::exists(picture(1)));
    EXPECT_TRUE(QFile::exists(picture(2)));
    EXPECT_GT(cellCount(), 0);
}

TEST_F(StepLoopTest, AFailingStageShowsGeometricProblemAndLeavesAnEmptyEngine)
{
    loadAndCount(2);
    view()->selectFromDock(0);
    ASSERT_EQ(view()->selectedCells.size(), 1u);
    view()->setStage(GLWidget::STAGE_BEHAVIOUR, [this](dbReader& engine, int step) {
        log.ran[GLWidget::STAGE_BEHAVIOUR].push_back(step);
        engine.message = "ERROR: the behaviour stage met cell 3 without sides";
        return 3;
    });
    for (auto stage : {GLWidget::STAGE_MECHANICS, GLWidget::STAGE_CONTACT, GLWidget::STAGE_PICK,
                       GLWidget::STAGE_EDGE, GLWidget::STAGE_RTREE})
        view()->setStage(stage, log.record(stage));
    QObject::connect(view(), &GLWidget::dock_message, [this](int&) { ++docks; });
    int failedIndex = -1;
    QObject::connect(view(), &GLWidget::bug_message, [&failedIndex](int& id) { failedIndex = id; });

    auto box = answerNextBox(QMessageBox::Ok);
    // The fresh engine made after the box reads the behaviour model like any
    // other: nothing on standard output says a model file is missing.
    testing::internal::CaptureStdout();
    play();
    const bool answered = waitFor([&box] { return box->shown; }) && waitFor([this] { return probe->curFile().isEmpty(); });
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(answered);
    EXPECT_EQ(box->title, QString("Geometric Problem"));
    EXPECT_EQ(box->text, QString("ERROR: the behaviour stage met cell 3 without sides"));
    EXPECT_EQ(printed.find("ERROR"), std::string::npos) << printed;

    EXPECT_EQ(failedIndex, 3);
    EXPECT_TRUE(log.steps(GLWidget::STAGE_MECHANICS).empty());
    EXPECT_TRUE(log.steps(GLWidget::STAGE_CONTACT).empty());
    EXPECT_TRUE(log.steps(GLWidget::STAGE_PICK).empty());
    EXPECT_TRUE(log.steps(GLWidget::STAGE_EDGE).empty());
    EXPECT_EQ(log.steps(GLWidget::STAGE_RTREE), std::vector<int>{1});
    EXPECT_EQ(docks, 1);
    EXPECT_FALSE(QFile::exists(picture(1)));

    // An empty engine, nothing selected, an untitled window with an empty
    // dock; the loop is paused and Play is released, as at the end of a run.
    ASSERT_NE(view()->reader, nullptr);
    EXPECT_EQ(cellCount(), 0);
    EXPECT_TRUE(view()->selectedCells.empty());
    EXPECT_EQ(window->windowTitle(), QString("Untitled[*] - Vantu"));
    EXPECT_EQ(probe->cellTree(), nullptr);
    EXPECT_TRUE(view()->paused);
    EXPECT_FALSE(probe->playAction()->isChecked());
    EXPECT_EQ(view()->currentStep, 1);
    EXPECT_EQ(view()->targetStep, 2);

    // Clicks, Play, Save and Open all go on working.
    view()->setStage(GLWidget::STAGE_BEHAVIOUR, GLWidget::StageFunction());
    QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseClick(view(), Qt::RightButton, {}, QPoint(60, 60));
    view()->selectFromDock(0);
    EXPECT_TRUE(view()->selectedCells.empty());
    probe->playAction()->trigger();
    ASSERT_TRUE(probe->playAction()->isChecked());
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(view()->currentStep, 2);
    EXPECT_TRUE(QFile::exists(picture(2)));

    const QString saved = dir.filePath("after.vt");
    auto dialog = answerNextFileDialog(saved);
    probe->saveAction()->trigger();
    ASSERT_TRUE(*dialog);
    EXPECT_EQ(probe->status(), QString("File saved"));
    EXPECT_TRUE(QFile::exists(saved));

    openThroughDialog(sampleCopy("reopened.vt"));
    EXPECT_EQ(probe->status(), QString("File loaded"));
    EXPECT_GT(cellCount(), 0);

    // The reopened tissue plays with the program's own stages.
    for (int stage = GLWidget::STAGE_BEHAVIOUR; stage <= GLWidget::STAGE_RTREE; ++stage)
        view()->setStage(GLWidget::Stage(stage), GLWidget::StageFunction());
    BoxRecorder recorder;
    probe->stepSpinBox()->setValue(3);
    // A single trigger of Play plays it, as after any run's end.
    ASSERT_FALSE(probe->playAction()->isChecked());
    probe->playAction()->trigger();
    ASSERT_TRUE(probe->playAction()->isChecked());
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_TRUE(recorder.boxes.isEmpty()) << recorder.boxes.join("\n").toStdString();
    EXPECT_EQ(view()->currentStep, 5);
    ASSERT_NE(view()->reader, nullptr);
    EXPECT_GT(cellCount(), 0);
    EXPECT_TRUE(topologyIsSound(*view()->reader));
}

TEST_F(StepLoopTest, NoTickStepsWhileTheEngineIsInUse)
{
    loadAndCount(2);
    {
        GLWidget::EngineUse use(*view());
        play();
        QTest::qWait(700);
        EXPECT_EQ(view()->currentStep, 0);
    }
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(view()->currentStep, 2);
}

TEST_F(StepLoopTest, TheEngineIsNotReplacedOrSavedUnderARunningStep)
{
    loadAndCount(1);
    const dbReader* running = view()->reader;
    bool sameEngine = false;
    bool loadRefused = false;
    // Commands that arrive while the stage lets events through.
    view()->setStage(GLWidget::STAGE_BEHAVIOUR, [&, this](dbReader& engine, int) {
        probe->newAction()->trigger();
        loadRefused = !probe->loadFile(path);
        view()->new_reader();
        view()->bug_response();
        sameEngine = view()->reader == &engine;
        probe->saveAction()->trigger();
        return -1;
    });
    play();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_TRUE(sameEngine);
    EXPECT_TRUE(loadRefused);
    EXPECT_EQ(view()->reader, running);
    EXPECT_EQ(probe->curFile(), path);
    EXPECT_EQ(probe->status(), QString("Saving canceled"));
    EXPECT_TRUE(QFile::exists(picture(1)));
}

TEST_F(StepLoopTest, TheSelectionGoesWithTheEngine)
{
    loadAndCount(1);
    view()->selectFromDock(1);
    ASSERT_EQ(view()->selectedCells, std::vector<int>{1});
    // The selection survives a step.
    play();
    ASSERT_TRUE(waitForRunEnd());
    EXPECT_EQ(view()->selectedCells, std::vector<int>{1});

    probe->newAction()->trigger();
    EXPECT_TRUE(view()->selectedCells.empty());
    EXPECT_EQ(view()->selectedEdge, -1);

    ASSERT_TRUE(probe->loadFile(path));
    view()->selectFromDockEdge(0);
    EXPECT_EQ(view()->selectedEdge, 0);
    view()->selectFromDock(0);
    EXPECT_EQ(view()->selectedEdge, -1);
    ASSERT_TRUE(probe->loadFile(path));
    EXPECT_TRUE(view()->selectedCells.empty());
    // Indices beyond the engine select nothing.
    view()->selectFromDock(cellCount());
    view()->selectFromDockEdge(-2);
    EXPECT_TRUE(view()->selectedCells.empty());
    EXPECT_EQ(view()->selectedEdge, -1);
}

TEST_F(StepLoopTest, TheEngineStagesRunOneStepOnTheSample)
{
    // The engine's own stages on the sample complete the step with its
    // picture and raise no box.
    path = sampleCopy();
    ASSERT_TRUE(probe->loadFile(path));
    auto box = answerNextBox(QMessageBox::Ok);
    play();
    ASSERT_TRUE(waitFor([this, &box] { return box->shown || !probe->playAction()->isChecked(); }, 60000));
    EXPECT_FALSE(box->shown) << box->title.toStdString() << ": " << box->text.toStdString();
    EXPECT_EQ(view()->currentStep, 1);
    EXPECT_TRUE(QFile::exists(picture(1)));
    EXPECT_GT(cellCount(), 0);
}
