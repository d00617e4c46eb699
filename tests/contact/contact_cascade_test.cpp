// The recursion of the per-step contact response on built tissues: a
// cascade of new contacts deeper than the nesting cap, and a junction where
// the three-cell response re-runs the per-step one; a crossing code that
// named ends far apart; and a contact two unwelded pairs hand back to each
// other. The responses entered are read from their record.
#include "contact_fixtures.h"
#include "contact/crossing_contacts.h"
#include "contact/welding.h"
#include "support/topology_check.h"

#include <gtest/gtest.h>

#include <algorithm>

using welding::ResponseCall;

namespace {

// A row of `count` triangles standing on the x axis, each welded to the
// next at their shared base corner only, over the long bar L (the last
// cell) whose top runs `lift` above the axis with a vertex under every base
// corner: each triangle's foot overlaps the bar and no contact with the bar
// is welded yet.
TissueLayout triangleRowOnBar(int count, double base, double height, double lift)
{
    TissueLayout l;
    for (int i = 0; i < count; ++i) {
        const double x = i * base;
        l.cells.push_back({{{x, 0.0}, {x + base, 0.0}, {x + base / 2, height}}, 0});
    }
    FixtureCell bar;
    const double right = count * base + base;
    const double left = -base;
    bar.ring = {{left, -5.0}, {right, -5.0}, {right, lift}};
    for (int i = count; i >= 0; --i)
        bar.ring.push_back({i * base, lift});
    bar.ring.push_back({left, lift});
    l.cells.push_back(bar);
    for (int i = 0; i + 1 < count; ++i)
        l.welds.push_back({i, 1, 1, i + 1, 0, 0});
    return l;
}

// The deepest nesting a stage's call reaches in the cascade below.
constexpr int kCap = 64;

TEST(ContactCascade, ACascadeDeeperThanTheCapReturnsSoundAndTheNextPassWeldsTheRest)
{
    // Each triangle's weld with the bar starts at the corner it shares with
    // the triangle before it, so it re-runs that triangle's contact with the
    // bar, one level deeper: the call on the last triangle would nest
    // `count` deep.
    const int count = kCap + 8;
    auto e = buildChecked(triangleRowOnBar(count, 4.0, 8.0, 1.0));
    ASSERT_TRUE(e);
    cell* bar = e->cells[count];
    std::vector<interpair*> onBar;
    for (int i = 0; i < count; ++i)
        onBar.push_back(welding::new_pair(*e, e->cells[i], bar));
    const int left = count - kCap; // triangles 0 .. left - 1 lie past the cap
    std::vector<std::pair<double, double>> before;
    for (int i = 0; i < left; ++i)
        for (int k = 0; k < 3; ++k)
            before.push_back({vertexAt(*e, i, k)->x, vertexAt(*e, i, k)->y});

    ResponseLog log;
    interpair* top = onBar.back();
    EXPECT_EQ(e->collision_response_m2(top, 1, 1, top->id), dbReader::STEP_OK) << e->message.toStdString();
    welding::record_responses(nullptr);

    // The chain went down to the cap; the calls one level deeper were
    // refused at once, and only they.
    int deepest = 0;
    std::vector<int> refused;
    for (const ResponseCall& c : log.calls) {
        EXPECT_FALSE(c.three);
        EXPECT_EQ(c.first, top->id);
        deepest = std::max(deepest, c.depth);
        EXPECT_EQ(c.refused, c.depth > kCap) << c.pair << " at depth " << c.depth;
        if (c.refused)
            refused.push_back(c.pair);
    }
    EXPECT_EQ(deepest, kCap + 1);
    EXPECT_NE(std::find(refused.begin(), refused.end(), onBar[left - 1]->id), refused.end());
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(onBar[i]->MP.size(), i >= left ? 1u : 0u) << "triangle " << i;
    // Past the cap nothing was touched: no weld with the bar, no moved
    // vertex but the shared corner of the last welded triangle.
    for (int i = 0; i < left; ++i) {
        for (int k = 0; k < 3; ++k) {
            const point3D* v = vertexAt(*e, i, k);
            if (i == left - 1 && k == 1)
                continue;
            EXPECT_EQ(v->x, before[3 * i + k].first) << i << "/" << k;
            EXPECT_EQ(v->y, before[3 * i + k].second) << i << "/" << k;
            for (const point3D* m : v->mp)
                EXPECT_NE(welding::cell_of(m), bar) << i << "/" << k;
        }
    }
    EXPECT_TRUE(topologyIsSound(*e));
    // Only the triangles past the cap still cross the bar.
    for (const std::string& c : boundaryCrossings(*e)) {
        const auto at = c.find(" of cell ");
        ASSERT_NE(at, std::string::npos) << c;
        EXPECT_LT(std::stoi(c.substr(at + 9)), left) << c;
    }
    EXPECT_FALSE(boundaryCrossings(*e).empty());

    // The stage's next pass welds the rest.
    EXPECT_EQ(e->detect_collision(2), dbReader::STEP_OK) << e->message.toStdString();
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(onBar[i]->MP.size(), 1u) << "triangle " << i;
    EXPECT_TRUE(topologyIsSound(*e));
    EXPECT_TRUE(boundaryCrossings(*e).empty());
}

// C2 (cell 0) below X (cell 1), welded along y = 10 from x = 0 to their
// junction corner J = (10, 10); C1 (cell 2) to the right, welded to X's
// right side from (11.5, 20) down to (10.5, 12), has been pushed into the
// corner: a short finger from (10.5, 12) dips across X and the weld into
// C2 and comes back out through X's free side below (10.5, 12). No two
// edges lie on one vertical or horizontal line, so no parallel-edge code
// stands in for a crossing.
TissueLayout fingerIntoJunction()
{
    TissueLayout l;
    l.cells.push_back({{{0.5, 0}, {10, 0}, {10, 10}, {9, 10}, {8, 10}, {7, 10}, {5, 10}, {3, 10}, {0, 10}}, 0});
    l.cells.push_back(
        {{{0, 10}, {3, 10}, {5, 10}, {7, 10}, {8, 10}, {9, 10}, {10, 10}, {10.5, 12}, {11, 16}, {11.5, 20}, {-1, 20}}, 0});
    l.cells.push_back(
        {{{12, 5}, {20, 5}, {20, 20}, {11.5, 20}, {11, 16}, {10.5, 12}, {8.2, 9.3}, {9.3, 9.2}, {10.2, 11.2}, {11.2, 11.1}},
         0});
    l.welds.push_back({0, 2, 8, 1, 0, 6});
    l.welds.push_back({2, 3, 5, 1, 7, 9});
    return l;
}

struct JunctionCase {
    const char* name;
    bool contactOlderThanWeld; // the C1-C2 pair comes before C1's weld with X
    int pass;
    int firstOffset; // first_pair_id - the handled pair's id
};

TEST(ContactResponse, AJunctionDrivesTheThreeCellResponseWhichReRunsTheContactItWasHandedFrom)
{
    // Handled as the pair (C1, C2), the finger's crossing lies in C2's weld
    // with X: the three-cell response runs on (C1, X). It grows that weld's
    // end down to the junction, fusing the finger's first vertex with J;
    // the end is then welded to C2 too, so the contact of C1 and C2 is
    // asked to re-run from there when the pass filter lets it: in pass 1
    // when it is older than (C1, X), in pass 2 when the stage is visiting a
    // later pair. Its first call is still open, so it is not entered again
    // there: it runs once more when that call has finished.
    const std::vector<JunctionCase> cases = {
        {"older contact, pass 1", true, 1, 0},
        {"visit of a later pair, pass 2", false, 2, 1},
    };
    for (const JunctionCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto e = buildChecked(fingerIntoJunction());
        ASSERT_TRUE(e);
        cell* C2 = e->cells[0];
        cell* X = e->cells[1];
        cell* C1 = e->cells[2];
        interpair* cx = e->interpairs[1];
        interpair* pair = welding::new_pair(*e, C1, C2);
        if (c.contactOlderThanWeld) {
            std::swap(e->interpairs[1], e->interpairs[2]);
            e->interpairs[1]->id = 1;
            e->interpairs[2]->id = 2;
        }
        ASSERT_TRUE(topologyIsSound(*e));
        point3D* J = vertexAt(*e, 0, 2);
        point3D* tip = vertexAt(*e, 2, 6);
        ResponseLog log;
        const int first = pair->id + c.firstOffset;
        EXPECT_EQ(e->collision_response_m2(pair, 1, c.pass, first), dbReader::STEP_OK) << e->message.toStdString();
        welding::record_responses(nullptr);

        ASSERT_GE(log.calls.size(), 3u);
        const ResponseCall& outer = log.calls[0];
        const ResponseCall& three = log.calls[1];
        const ResponseCall& back = log.calls[2];
        EXPECT_TRUE(!outer.three && outer.pair == pair->id && outer.depth == 1);
        EXPECT_TRUE(three.three && three.pair == cx->id && three.q == pair->id && three.depth == 2);
        EXPECT_TRUE(!back.three && back.pair == pair->id && back.depth == 1 && back.again);
        for (const ResponseCall& r : log.calls) {
            EXPECT_EQ(r.pass, c.pass);
            EXPECT_EQ(r.first, first);
            EXPECT_FALSE(r.refused);
            EXPECT_LE(r.depth, 4);
        }
        // The re-run contact welded the finger's tip to C2 at the junction,
        // where X's weld with both now ends.
        for (const cell* k : e->cells)
            EXPECT_FALSE(k->dead);
        ASSERT_EQ(pair->MP.size(), 1u);
        const mergepair* m = pair->MP[0];
        EXPECT_TRUE(m->S1 == tip && m->S2 == tip && m->T1 == J && m->T2 == J);
        ASSERT_EQ(cx->MP.size(), 1u);
        EXPECT_EQ(cx->MP[0]->S2, tip);
        EXPECT_EQ(welding::cell_of(cx->MP[0]->T1), X);
        EXPECT_TRUE(cx->MP[0]->T1->checkmp(J) && tip->checkmp(J));
        EXPECT_TRUE(topologyIsSound(*e));
        EXPECT_TRUE(boundaryCrossings(*e).empty());
    }
}

TEST(ContactResponse, EdgesOnOneVerticalLineFarApartAreNotAContact)
{
    // The junction with straight sides: C1's welded side and C2's free
    // right side lie on x = 10, ten units apart along it. Their crossing
    // code (parallel edges, X and Y at one x) named C1's (10, 20) and C2's
    // (10, 10) as the contact's first end; fused, they folded C2 flat.
    TissueLayout l = fingerIntoJunction();
    l.cells[0].ring[0] = {0, 0};
    l.cells[1].ring = {{0, 10}, {3, 10}, {5, 10}, {7, 10}, {8, 10}, {9, 10}, {10, 10}, {10, 12}, {10, 16}, {10, 20}, {0, 20}};
    l.cells[2].ring = {{12, 5}, {20, 5}, {20, 20}, {10, 20}, {10, 16}, {10, 12}, {6, 9}, {8, 9}, {9.5, 11.2}, {11, 11.2}};
    auto e = buildChecked(l);
    ASSERT_TRUE(e);
    interpair* pair = welding::new_pair(*e, e->cells[2], e->cells[0]);
    const double area = e->cells[0]->area;
    EXPECT_EQ(e->collision_response_m2(pair, 1, 1, pair->id), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_FALSE(vertexAt(*e, 2, 3)->checkmp(vertexAt(*e, 0, 2)));
    EXPECT_TRUE(topologyIsSound(*e));
    // The finger's first vertex is fused with the junction corner four
    // units away, so its crossings are not all settled in this layout; no
    // cell is folded, though, through the next pass either.
    EXPECT_EQ(e->detect_collision(2), dbReader::STEP_OK) << e->message.toStdString();
    EXPECT_TRUE(topologyIsSound(*e));
    for (const cell* c : e->cells)
        EXPECT_FALSE(c->dead);
    EXPECT_GT(e->cells[0]->area, 0.5 * area);
}

// The tip of T, pushed through the thin strip S into B, crosses S's weld
// with B. Neither T-B nor T-S is welded. The response of B-T meets the tip
// at a vertex of B inside that weld and hands the contact to T-S, whose
// response meets it at a vertex of S inside the same weld and would hand
// it back to B-T, still open above it. The shape in which a Model run of
// the wound sample (seed 53) ended step 454 with three cells crossing.
TEST(ContactResponse, AContactHandedBackToAnOpenPairRemovesTheCellWedgedBetween)
{
    TissueLayout l;
    // S: a strip of height 1 on top of B, rising at its right end.
    l.cells.push_back({{{0, 10}, {5, 10}, {10, 10}, {15, 10}, {20, 10}, {26, 10}, {26, 16}, {26, 22}, {20, 22},
                        {20, 16}, {20, 11}, {15, 11}, {10, 11}, {5, 11}, {0, 11}},
                       0});
    // T: its tip half a unit below the strip.
    l.cells.push_back({{{9, 9.5}, {13, 13}, {13, 18}, {7, 18}, {7, 13}}, 0});
    // B: below the strip, its top welded to the strip's bottom.
    l.cells.push_back({{{0, 0}, {5, 0}, {10, 0}, {15, 0}, {20, 0}, {20, 5}, {20, 10}, {15, 10}, {10, 10}, {5, 10},
                        {0, 10}, {0, 5}},
                       0});
    l.welds.push_back({2, 6, 10, 0, 0, 4});
    constexpr int kNone = FixtureWeld::kNoStretch;
    l.welds.push_back({2, kNone, kNone, 1, kNone, kNone});
    l.welds.push_back({1, kNone, kNone, 0, kNone, kNone});
    auto e = buildChecked(l);
    ASSERT_TRUE(e);
    ASSERT_TRUE(topologyIsSound(*e));
    cell* S = e->cells[0];
    cell* T = e->cells[1];
    cell* B = e->cells[2];
    interpair* bt = e->interpairs[1];
    interpair* ts = e->interpairs[2];
    ASSERT_TRUE(welding::cells_cross(*e, T, S) && welding::cells_cross(*e, T, B));

    e->cell_mesh_generation(1);
    ResponseLog log;
    ASSERT_EQ(e->detect_collision(1), dbReader::STEP_OK) << e->message.toStdString();
    welding::record_responses(nullptr);
    // B-T handed the contact to T-S, which S's removal answered; B-T ran
    // once more and welded the tip.
    ASSERT_GE(log.calls.size(), 4u);
    EXPECT_TRUE(log.calls[2].pair == ts->id && log.calls[2].depth == 2);
    EXPECT_TRUE(log.calls[3].pair == bt->id && log.calls[3].again);
    EXPECT_TRUE(S->dead);
    EXPECT_FALSE(T->dead || B->dead);
    EXPECT_FALSE(bt->removed || bt->MP.empty());
    EXPECT_TRUE(soundAndUncrossed(*e));
    const std::vector<std::string> across = cellsLyingAcross(*e);
    EXPECT_TRUE(across.empty()) << across.front();
}

} // namespace
