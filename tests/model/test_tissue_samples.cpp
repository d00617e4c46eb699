// The sample tissues: every Center-based sample loads welded and sound, is
// saved Point-based and reads back to the same topology; the Point-based
// samples, which the program wrote, load sound as they are.
//
// With VANTU_WRITE_SAMPLES=1 in the environment the Point-based samples are
// written anew from their Center-based sources.

#include "tissue_test_env.h"

#include <algorithm>
#include <string>

namespace {

struct Sample {
    const char* center;
    const char* point;
    size_t cells;
};

const Sample kSamples[] = {
    {"small_center.vt", "small_point.vt", 7},
    {"wound_center.vt", "wound_point.vt", 96},
};

template <typename T>
int idOf(const T* record)
{
    return record ? record->id : -1;
}

// The records and links that a save keeps, in a comparable text.
std::string topologyOf(const dbReader& e)
{
    std::string out;
    auto add = [&out](int value) { out += std::to_string(value) + ','; };
    for (const point3D* p : e.points) {
        add(p->alive);
        // The file keeps partners as node members, not in welding order.
        std::vector<int> partners;
        if (p->alive)
            for (const point3D* q : p->mp)
                partners.push_back(q->id);
        std::sort(partners.begin(), partners.end());
        for (int id : partners)
            add(id);
        out += '\n';
    }
    for (const edge* d : e.edges) {
        add(idOf(d->p1));
        add(idOf(d->p2));
        add(d->bonded);
        if (d->bonded) {
            add(idOf(d->partner));
            add(idOf(d->pair));
        }
        out += '\n';
    }
    for (const cell* c : e.cells) {
        add(c->dead);
        add(c->cell_type);
        for (const edge* d : c->sides)
            add(d->id);
        for (const interpair* r : c->pairs)
            add(r->id);
        out += '\n';
    }
    for (const interpair* r : e.interpairs) {
        add(r->removed);
        add(idOf(r->cell1));
        add(idOf(r->cell2));
        if (!r->MP.empty()) {
            add(idOf(r->MP[0]->S1));
            add(idOf(r->MP[0]->S2));
            add(idOf(r->MP[0]->T1));
            add(idOf(r->MP[0]->T2));
        }
        out += '\n';
    }
    for (const node* n : e.nodes) {
        add(n->active);
        if (n->active)
            for (const point3D* p : n->vertices)
                add(p->id);
        out += '\n';
    }
    return out;
}

}  // namespace

TEST_F(TissueFileTest, CenterBasedSamplesLoadWeldedAndSurviveASave)
{
    const bool regenerate = qEnvironmentVariableIsSet("VANTU_WRITE_SAMPLES");
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.center);
        QString error;
        ASSERT_TRUE(load(samplePath(s.center), &error)) << error.toStdString();
        ASSERT_EQ(reader->cells.size(), s.cells);
        EXPECT_TRUE(soundAndUncrossed(*reader));
        size_t welded = 0;
        for (const edge* d : reader->edges)
            welded += d->bonded;
        EXPECT_GT(welded, s.cells);

        const QString saved = regenerate ? samplePath(s.point) : path(s.point);
        ASSERT_TRUE(save(saved, &error)) << error.toStdString();
        const std::string before = topologyOf(*reader);
        ASSERT_TRUE(load(saved, &error)) << error.toStdString();
        EXPECT_TRUE(topologyIsSound(*reader));
        EXPECT_EQ(topologyOf(*reader), before);
        // The sample itself is written from the state a reader gets, so that
        // reading and saving it again gives it back byte for byte.
        if (regenerate) {
            ASSERT_TRUE(save(saved));
        }
    }
}

// The benchmark's sheet of 1,000 cells loads welded and sound as well.
TEST_F(TissueFileTest, ThousandCellSampleLoadsWelded)
{
    QString error;
    ASSERT_TRUE(load(samplePath("bench_1000_center.vt"), &error)) << error.toStdString();
    ASSERT_EQ(reader->cells.size(), 1000u);
    EXPECT_TRUE(soundAndUncrossed(*reader));
}

TEST_F(TissueFileTest, PointBasedSamplesLoadSound)
{
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.point);
        QString error;
        ASSERT_TRUE(load(samplePath(s.point), &error)) << error.toStdString();
        EXPECT_EQ(reader->cells.size(), s.cells);
        EXPECT_TRUE(soundAndUncrossed(*reader));
        // Saving what was read gives the file back.
        ASSERT_TRUE(save(path("again.vt")));
        EXPECT_EQ(readBytes(path("again.vt")), readBytes(samplePath(s.point)));
    }
}
