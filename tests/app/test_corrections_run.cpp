// The wound sample closing through the real step loop: a scripted
// displacement stands in for behaviour and mechanics (left half of the sheet
// moves right, right half left, while the whole sheet is drawn out across
// the wound, once it has closed, until its first edge outgrows the band, so
// that edges lengthen too), the contact, pick and edge stages
// run as Play runs them, and after every step the tissue is sound and no two
// boundaries cross.
#include "app_fixture.h"

#include "contact/corrections.h"
#include "support/contact_run.h"
#include "support/crossings.h"
#include "support/topology_check.h"

#include <QAction>
#include <QSpinBox>

#include <iostream>

namespace {

// The edges the edge stage would list: split (long, not folded) and
// collapse (short or folded).
void countOutOfBand(dbReader& e, int& splits, int& collapses)
{
    for (cell* c : e.cells) {
        if (c->dead)
            continue;
        for (edge* s : c->sides) {
            const double len = s->getlength();
            if (len < corrections::kShortEdge || s->edge_twist())
                ++collapses;
            else if (len > corrections::kLongEdge)
                ++splits;
        }
    }
}

// How much the sheet is drawn out across the wound each step.
constexpr double kStretch = 1.05;

// Draws the live boundary out along y about `middle` by `factor`: the same
// map for every vertex, so welded twins stay together and nothing crosses.
void stretchAcross(dbReader& e, double middle, double factor)
{
    for (cell* c : e.cells) {
        if (c->dead)
            continue;
        for (edge* s : c->sides)
            s->p1->y = middle + (s->p1->y - middle) * factor;
    }
}

} // namespace

class CorrectionsRun : public AppTest {};

TEST_F(CorrectionsRun, TheWoundClosesWithItsJunctionsAndEdgesRepaired)
{
    const QString path = dir.filePath("wound.vt");
    ASSERT_TRUE(QFile::copy(QString(std::getenv("VANTU_SAMPLES")) + "/wound_center.vt", path));
    ASSERT_TRUE(probe->loadFile(path));
    dbReader* engine = view()->reader;
    ASSERT_TRUE(engine);

    // Halves by the cells' centres against the middle of the sheet.
    double lo = 1e12, hi = -1e12, bottom = 1e12, top = -1e12;
    for (cell* c : engine->cells) {
        lo = std::min(lo, c->center[0]);
        hi = std::max(hi, c->center[0]);
        bottom = std::min(bottom, c->center[1]);
        top = std::max(top, c->center[1]);
    }
    const double middle = 0.5 * (lo + hi);
    const double across = 0.5 * (bottom + top);
    std::vector<int> side;
    std::vector<Shift> shift;
    for (cell* c : engine->cells) {
        side.push_back(c->center[0] < middle ? 0 : 1);
        shift.push_back({side.back() == 0 ? 0.25 : -0.25, 0.0});
    }

    std::string failure;
    int picks = 0, splits = 0, collapses = 0;
    int weldedAt = -1;
    auto fail = [&](const char* stage, dbReader& e, int step, int r) {
        if (r >= 0 && failure.empty())
            failure = std::string(stage) + " at step " + std::to_string(step) + ": " + e.message.toStdString();
        // A failure is recorded and the run stopped without the box.
        if (r >= 0)
            view()->paused = true;
        return -1;
    };
    view()->setStage(GLWidget::STAGE_BEHAVIOUR, [&](dbReader& e, int) {
        if (weldedAt >= 0 && splits == 0)
            stretchAcross(e, across, kStretch);
        shiftCells(e, shift);
        return -1;
    });
    view()->setStage(GLWidget::STAGE_MECHANICS, [](dbReader&, int) { return -1; });
    view()->setStage(GLWidget::STAGE_CONTACT, [&](dbReader& e, int step) {
        return fail("contact", e, step, e.detect_collision(step));
    });
    view()->setStage(GLWidget::STAGE_PICK, [&](dbReader& e, int step) {
        picks += static_cast<int>(corrections::pick_candidates(e).size());
        return fail("pick", e, step, e.cell_pick_response(step));
    });
    view()->setStage(GLWidget::STAGE_EDGE, [&](dbReader& e, int step) {
        countOutOfBand(e, splits, collapses);
        return fail("edge", e, step, e.cell_edge_response(step));
    });

    // Checked after every step; ten steps after the first weld across the
    // wound, and once an edge has been split, the run pauses.
    int checked = 0;
    int acrossAtEnd = 0;
    QObject::connect(view(), &GLWidget::dock_message, [&](int&) {
        dbReader& e = *view()->reader;
        ++checked;
        const ::testing::AssertionResult sound = topologyIsSound(e);
        EXPECT_TRUE(sound) << "step " << view()->currentStep;
        const std::vector<std::string> crossed = boundaryCrossings(e);
        EXPECT_TRUE(crossed.empty()) << "step " << view()->currentStep << ": " << crossed.front();
        if (!sound || !crossed.empty())
            view()->paused = true;
        int across = 0;
        for (const interpair* p : e.interpairs)
            if (!p->removed && !p->MP.empty() && side[p->cell1->id] != side[p->cell2->id])
                ++across;
        if (across > 0 && weldedAt < 0)
            weldedAt = view()->currentStep;
        acrossAtEnd = across;
        if (weldedAt >= 0 && view()->currentStep >= weldedAt + 10 && splits > 0)
            view()->paused = true;
    });

    probe->stepSpinBox()->setValue(150);
    probe->playAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return view()->paused; }, 600000));

    int removed = 0;
    for (cell* c : view()->reader->cells)
        removed += c->dead;
    std::cout << "  wound run: " << view()->currentStep << " steps, first weld across at step " << weldedAt << ", "
              << acrossAtEnd << " pairs welded across, " << picks << " pick candidates, " << splits << " splits, "
              << collapses << " collapses listed, " << removed << " cells removed" << std::endl;
    EXPECT_EQ(failure, "");
    EXPECT_EQ(checked, view()->currentStep);
    EXPECT_GE(weldedAt, 0);
    EXPECT_GE(view()->currentStep, weldedAt + 10);
    EXPECT_GE(acrossAtEnd, 5);
    // Closing presses edges together, drawing the sheet out lengthens them.
    EXPECT_GE(collapses, 1);
    EXPECT_GE(splits, 1);
}
