// The real step loop closing a wound: the left half of the sample moves
// right and the right half left (a scripted shift in place of behaviour and
// mechanics), and the contact stage welds the two halves where they meet.
// Every step must succeed and leave a sound tissue in which no two paired
// cells cross (pairing cells that meet without a pair is the edge
// corrections' work, not this stage's).
#include "app_fixture.h"
#include "modal_answerer.h"

#include "support/contact_run.h"
#include "support/crossings.h"
#include "support/topology_check.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

class ContactLoopTest : public AppTest {};

// Pairs that join a left and a right cell and hold a welded stretch.
int weldedAcross(const dbReader& e, const std::vector<bool>& left)
{
    int n = 0;
    for (const interpair* p : e.interpairs)
        if (!p->removed && !p->MP.empty() && !p->cell1->dead && !p->cell2->dead &&
            left[p->cell1->id] != left[p->cell2->id])
            ++n;
    return n;
}

TEST_F(ContactLoopTest, WoundClosesUnderTheRealLoop)
{
    const char* samples = std::getenv("VANTU_SAMPLES");
    const QString source = QString(samples ? samples : "samples") + "/wound_center.vt";
    const QString path = dir.filePath("wound.vt");
    ASSERT_TRUE(QFile::copy(source, path));
    ASSERT_TRUE(probe->loadFile(path));
    dbReader* engine = view()->reader;
    ASSERT_NE(engine, nullptr);

    // Halves by the centre of the tissue's box.
    double lo = 1e300, hi = -1e300;
    for (const cell* c : engine->cells) {
        lo = std::min(lo, c->center[0]);
        hi = std::max(hi, c->center[0]);
    }
    const double middle = (lo + hi) / 2.0;
    std::vector<bool> left;
    std::vector<Shift> shifts;
    for (const cell* c : engine->cells) {
        left.push_back(c->center[0] < middle);
        shifts.push_back(left.back() ? Shift{0.25, 0.0} : Shift{-0.25, 0.0});
    }
    ASSERT_EQ(weldedAcross(*engine, left), 0);

    view()->setStage(GLWidget::STAGE_BEHAVIOUR, [&shifts](dbReader& e, int) {
        shiftCells(e, shifts);
        return -1;
    });
    view()->setStage(GLWidget::STAGE_MECHANICS, [](dbReader&, int) { return -1; });

    int firstWeld = -1;
    std::size_t unpairedCrossings = 0;  // most crossings of unpaired cells at one step
    int lastStep = 0;
    bool sound = true;
    QObject::connect(view(), &GLWidget::dock_message, [&](int& step) {
        dbReader* e = view()->reader;
        if (!e || !sound)
            return;
        lastStep = step;
        const ::testing::AssertionResult ok = topologyIsSound(*e);
        const std::vector<std::string> crossed = boundaryCrossings(*e, CrossingScope::PairedCells);
        unpairedCrossings = std::max(unpairedCrossings, boundaryCrossings(*e).size() - crossed.size());
        EXPECT_TRUE(ok) << "step " << step;
        EXPECT_TRUE(crossed.empty()) << "step " << step << ": " << crossed.front();
        sound = ok && crossed.empty();
        if (firstWeld < 0 && weldedAcross(*e, left) > 0)
            firstWeld = step;
        if (!sound || (firstWeld >= 0 && step >= firstWeld + 10))
            view()->paused = true;
    });
    BoxRecorder recorder;

    probe->stepSpinBox()->setValue(150);
    probe->playAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return view()->paused; }, 600000));
    EXPECT_TRUE(recorder.boxes.isEmpty()) << recorder.boxes.join("\n").toStdString();
    EXPECT_TRUE(sound);
    ASSERT_GE(firstWeld, 0) << "no left-right pair welded by step " << lastStep;
    EXPECT_GE(lastStep, firstWeld + 10);
    ASSERT_NE(view()->reader, nullptr);
    EXPECT_GE(weldedAcross(*view()->reader, left), 5);
    std::cout << "  first left-right weld at step " << firstWeld << ", " << weldedAcross(*view()->reader, left)
              << " left-right pairs welded at step " << lastStep << ", at most " << unpairedCrossings
              << " crossings of unpaired cells" << std::endl;
}

} // namespace
