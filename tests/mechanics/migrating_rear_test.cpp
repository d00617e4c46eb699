// Rear detachment of a migrating cell: when it waits, which contacts the
// triangulation of the cells around it makes or revives, which unwelded
// contacts it drops behind it, and the adhesion of a new contact.
#include "mechanics_env.h"

#include "contact/welding.h"

namespace {

class MigratingRear : public MechanicsTest {};

// A 12 x 12 square with four vertices per side at (x0, y0), so the mesher
// gives it inner points next to its boundary.
FixtureCell square(double x0, double y0, int type)
{
    FixtureCell c;
    c.type = type;
    for (int i = 0; i < 4; ++i)
        c.ring.push_back({x0 + 3.0 * i, y0});
    for (int i = 0; i < 4; ++i)
        c.ring.push_back({x0 + 12.0, y0 + 3.0 * i});
    for (int i = 0; i < 4; ++i)
        c.ring.push_back({x0 + 12.0 - 3.0 * i, y0 + 12.0});
    for (int i = 0; i < 4; ++i)
        c.ring.push_back({x0, y0 + 12.0 - 3.0 * i});
    return c;
}

// c = cell 0 migrating east. Around it, 0.5 apart: 1 east (an unwelded
// contact), 2 north (no contact, a neighbour of record 0), 5 west (a
// neighbour of record 0). Behind 5, far west: 3 (an unwelded contact); beyond
// 2, far north: 4 (an unwelded contact). 6: the dead filling cell, far off.
struct Scene {
    std::unique_ptr<dbReader> e;
    cell* c = nullptr;
    cell* F = nullptr;
    rear_fc* r1 = nullptr;
};

Scene scene(int records, bool killF = true)
{
    TissueLayout layout;
    layout.cells.push_back(square(0, 0, 1));
    layout.cells.push_back(square(12.5, 0, 2));
    layout.cells.push_back(square(0, 12.5, 2));
    layout.cells.push_back(square(-25, 0, 2));
    layout.cells.push_back(square(0, 25, 2));
    layout.cells.push_back(square(-12.5, 0, 2));
    layout.cells.push_back(square(100, 100, 2));
    Scene s;
    std::string error;
    s.e = buildTissue(layout, &error);
    EXPECT_TRUE(s.e) << error;
    s.e->cell_mesh_generation(0);
    dbReader& e = *s.e;
    s.c = e.cells[0];
    s.F = e.cells[6];
    if (killF)
        e.cell_death_response(s.F);
    for (int k : {1, 3, 4})
        welding::new_pair(e, s.c, e.cells[k]);
    s.c->migrating = 1;
    auto* r0 = new rear_fc(0);
    r0->filling_cell = s.c;
    r0->push_NCs(e.cells[2]);
    r0->push_NCs(e.cells[5]);
    s.c->filling_cells.push_back(r0);
    s.r1 = new rear_fc(1);
    s.r1->filling_cell = s.F;
    s.r1->x = -100.0;
    s.r1->y = 6.0;
    s.r1->angle = 0.0;
    s.r1->push_NCs(e.cells[3]);
    s.c->filling_cells.push_back(s.r1);
    for (int k = 2; k < records; ++k) {
        auto* r = new rear_fc(k);
        r->filling_cell = e.cells[1];
        s.c->filling_cells.push_back(r);
    }
    return s;
}

TEST_F(MigratingRear, NothingChangesUntilTheDeadCellIsLeftBehind)
{
    const struct {
        const char* what;
        int records;
        bool Falive;
        double r1x;  // where c met F
    } cases[] = {
        {"two records", 2, false, -100.0},
        {"F alive", 3, true, -100.0},
        {"a vertex within R of where c met F", 3, false, 19.9},  // R = 8, vertex (12, 6)
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        Scene s = scene(k.records, !k.Falive);
        s.r1->x = k.r1x;
        const std::size_t pairs = s.e->interpairs.size();
        const std::size_t records = s.c->filling_cells.size();
        EXPECT_EQ(s.e->migrating_cell_rear(s.c, 0, 1), dbReader::STEP_OK);
        EXPECT_EQ(s.e->interpairs.size(), pairs);
        EXPECT_EQ(s.c->filling_cells.size(), records);
        EXPECT_EQ(s.c->pairs.size(), 3u);
        for (interpair* q : s.c->pairs)
            EXPECT_FALSE(q->removed);
    }
    // A record without its cell waits too.
    Scene s = scene(3);
    s.r1->filling_cell = nullptr;
    EXPECT_EQ(s.e->migrating_cell_rear(s.c, 0, 1), dbReader::STEP_OK);
    EXPECT_EQ(s.c->filling_cells.size(), 3u);
}

TEST_F(MigratingRear, TheContactsAroundAreRebuiltAndThoseBehindDropped)
{
    index_stren_class[1] = 0.3;
    index_stren_class[2] = 0.5;
    adhesion_pair_array[1][2] = 2.0;
    Scene s = scene(4);
    dbReader& e = *s.e;
    rear_fc* r2 = s.c->filling_cells[2];
    const std::size_t before = e.interpairs.size();
    EXPECT_EQ(e.migrating_cell_rear(s.c, 0, 1), dbReader::STEP_OK);

    // Record 1 went; record 0 holds F's neighbourhood.
    ASSERT_EQ(s.c->filling_cells.size(), 3u);
    EXPECT_EQ(s.c->filling_cells[1], r2);
    EXPECT_EQ(s.c->filling_cells[0]->NCs, (std::vector<cell*>{e.cells[3], s.F}));

    // 1 revived, not duplicated; 2 and 5 new, with the weaker strength; 4
    // beside the direction stays; 3 behind it leaves both lists.
    auto contact = [&](int k) { return welding::find_any_pair(s.c, e.cells[k]); };
    ASSERT_NE(contact(1), nullptr);
    EXPECT_EQ(contact(1)->id, int(before) - 3);
    EXPECT_FALSE(contact(1)->removed);
    for (int k : {2, 5}) {
        ASSERT_NE(contact(k), nullptr) << k;
        EXPECT_GE(contact(k)->id, int(before));
        EXPECT_DOUBLE_EQ(contact(k)->adhesion, 0.6);
        EXPECT_DOUBLE_EQ(contact(k)->adhesion_copy, 0.6);
    }
    ASSERT_NE(contact(4), nullptr);
    EXPECT_FALSE(contact(4)->removed);
    EXPECT_EQ(contact(3), nullptr);
    EXPECT_TRUE(e.cells[3]->pairs.empty());
    EXPECT_TRUE(e.interpairs[before - 2]->removed);
    EXPECT_EQ(e.interpairs.size(), before + 2);
    EXPECT_TRUE(topologyIsSound(e));
}

}  // namespace
