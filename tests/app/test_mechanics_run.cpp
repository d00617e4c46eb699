// The mechanics on the real path: the wound sample opened in the window,
// Relax chosen, twenty steps played. Every step leaves a sound, finite
// tissue when the cell dock is refreshed, raises no box, saves its picture,
// and shows the mechanics dialog's stages in order.
#include "app_fixture.h"

#include "support/finite_positions.h"
#include "support/progress_watch.h"
#include "support/topology_check.h"

#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>

namespace {

class MechanicsRunTest : public AppTest {};

TEST_F(MechanicsRunTest, TwentyRelaxStepsOfTheWoundSample)
{
    const char* samples = std::getenv("VANTU_SAMPLES");
    const QString path = dir.filePath("wound.vt");
    ASSERT_TRUE(QFile::copy(QString(samples ? samples : "samples") + "/wound_center.vt", path));
    ASSERT_TRUE(probe->loadFile(path));
    QAction* relax = nullptr;
    for (QAction* a : probe->mechButton()->menu()->actions())
        if (a->text() == "Relax")
            relax = a;
    ASSERT_NE(relax, nullptr);
    relax->trigger();
    ASSERT_EQ(view()->reader->mech_mode, dbReader::MECH_RELAX);

    constexpr int kSteps = 20;
    std::vector<std::string> faults;
    int docks = 0;
    QObject::connect(view(), &GLWidget::dock_message, [this, &faults, &docks](int& step) {
        ++docks;
        if (!view()->reader)
            return;
        const auto broken = checkTopology(*view()->reader);
        if (!broken.empty())
            faults.push_back("step " + std::to_string(step) + ": " + describeFaults(broken));
        std::string where;
        if (!positionsFinite(*view()->reader, &where))
            faults.push_back("step " + std::to_string(step) + ": " + where);
    });
    auto box = answerNextBox(QMessageBox::Ok);
    ProgressWatch watch("Physical and mechanical processing");
    probe->stepSpinBox()->setValue(kSteps);
    probe->playAction()->trigger();
    ASSERT_TRUE(waitFor([this, &box] { return box->shown || !probe->playAction()->isChecked(); }, 300000));
    watch.stop();

    EXPECT_FALSE(box->shown) << box->title.toStdString() << ": " << box->text.toStdString();
    EXPECT_EQ(view()->currentStep, kSteps);
    EXPECT_EQ(docks, kSteps);
    EXPECT_TRUE(faults.empty()) << faults.front();
    for (int step = 1; step <= kSteps; ++step)
        EXPECT_TRUE(QFile::exists(path + "." + QString::number(step) + ".png")) << step;

    const QList<int> stages = {5, 10, 15, 20, 40, 80, 85, 90, 95, 97, 99};
    QList<int> expected;
    for (int step = 0; step < kSteps; ++step)
        expected << stages;
    EXPECT_EQ(watch.values, expected);
    const char* labels[] = {"Remove dead cells away...",
                            "Update forces due to migration and proliferation...",
                            "Update stiffness matrix...",
                            "Solving equations...",
                            "Displacement relax...",
                            "Internal force recovery...",
                            "Free up memory...",
                            "Geometry change due to internal force...",
                            "Geometry change due to adhesion breakage...",
                            "Self collision detection..."};
    for (const char* label : labels)
        EXPECT_TRUE(watch.seen.contains(QString("Physical and mechanical processing|") + label)) << label;
}

TEST_F(MechanicsRunTest, NoTickNewOrOpenReplacesTheEngineUnderTheMechanics)
{
    const QString path = sampleCopy();
    ASSERT_TRUE(probe->loadFile(path));
    dbReader* engine = view()->reader;
    int attempts = 0;
    bool replaced = false;
    int stepSeen = -1;
    // While the mechanics dialog lets events through: a tick, New and a load.
    QTimer intruder;
    QObject::connect(&intruder, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "Physical and mechanical processing" && attempts == 0) {
                ++attempts;
                stepSeen = view()->currentStep;
                QMetaObject::invokeMethod(view(), "advanceSim", Qt::DirectConnection);
                view()->new_reader();
                EXPECT_FALSE(view()->readDatabase(path, 10));
                replaced = view()->reader != engine || view()->currentStep != stepSeen;
            }
    });
    intruder.start(0);
    auto box = answerNextBox(QMessageBox::Ok);
    probe->stepSpinBox()->setValue(1);
    probe->playAction()->trigger();
    ASSERT_TRUE(waitFor([this, &box] { return box->shown || !probe->playAction()->isChecked(); }, 60000));
    intruder.stop();
    EXPECT_EQ(attempts, 1);
    EXPECT_FALSE(replaced);
    EXPECT_FALSE(box->shown) << box->text.toStdString();
    EXPECT_EQ(view()->reader, engine);
    EXPECT_EQ(view()->currentStep, 1);
    EXPECT_TRUE(topologyIsSound(*engine));
}

}  // namespace
