// A simulated tissue through the tissue file: the wound sample run in Model,
// with a clot along one edge of the wound for the keratinocytes to migrate
// into (as in the behaviour run of the window). Saved after the first step
// whose cells hold rear records, the tissue opens with the same records; at
// the end of the run it is saved, opened and saved again into the same bytes.
#include "model/tissue_test_env.h"
#include "support/wound_run.h"

#include <QTextStream>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kKeratinocyte = 3;
constexpr int kClot = 4;
constexpr int kSteps = 100;

// One rear record as the file keeps it (positions to six significant digits).
struct RearRecord {
    int cell, filling, self;
    double x, y, angle;
    std::vector<int> neighbours;

    bool operator==(const RearRecord& o) const
    {
        return cell == o.cell && filling == o.filling && self == o.self && x == o.x && y == o.y &&
               angle == o.angle && neighbours == o.neighbours;
    }
};

std::ostream& operator<<(std::ostream& out, const RearRecord& r)
{
    out << "cell " << r.cell << " filling " << r.filling << " self " << r.self << " at (" << r.x << ", " << r.y
        << ") angle " << r.angle << " neighbours";
    for (int n : r.neighbours)
        out << ' ' << n;
    return out;
}

double asStored(double value)
{
    return QString::number(value, 'g', 6).toDouble();
}

// Every rear record of the live cells, in cell order.
std::vector<RearRecord> rearRecords(const dbReader& e)
{
    std::vector<RearRecord> all;
    for (const cell* c : e.cells) {
        if (c->dead)
            continue;
        for (const rear_fc* r : c->filling_cells) {
            RearRecord k{c->id, r->filling_cell ? r->filling_cell->id : -1, r->self_record, asStored(r->x),
                         asStored(r->y), asStored(r->angle), {}};
            for (const cell* n : r->NCs)
                k.neighbours.push_back(n->id);
            all.push_back(k);
        }
    }
    return all;
}

class ModelRunFile : public TissueFileTest {
protected:
    // The keratinocytes on the left edge of the wound become clot.
    void clotAlongTheWound()
    {
        const std::vector<int> edge = woundEdgeCells(*reader, kKeratinocyte);
        EXPECT_FALSE(edge.empty());
        for (int id : edge) {
            reader->cells[id]->set_cell_type(kClot);
            reader->cells[id]->set_cell_type_name(index_name_class[kClot]);
        }
    }

    // Opens `file` through the view's loader into an engine of its own.
    std::unique_ptr<dbReader> reopen(const QString& file)
    {
        dbReader* opened = nullptr;
        QString error;
        const int lines = TissueFile::readLineCount(nullptr, file);
        EXPECT_TRUE(TissueFile::readDatabase(nullptr, opened, file, lines, 0, TissueFile::LoadHooks(), &error))
            << error.toStdString();
        return std::unique_ptr<dbReader>(opened);
    }
};

TEST_F(ModelRunFile, SavedRunKeepsItsRearRecordsAndSavesAgainByteForByte)
{
    QString error;
    ASSERT_TRUE(load(samplePath("wound_center.vt"), &error)) << error.toStdString();
    reader->mech_mode = dbReader::MECH_MODEL;
    clotAlongTheWound();

    int checkedAtStep = 0;
    for (int n = 1; n <= kSteps; ++n) {
        ASSERT_LT(stepAsTheView(*reader, n), 0) << "step " << n << ": " << reader->message.toStdString();
        const std::vector<RearRecord> records = rearRecords(*reader);
        if (checkedAtStep || records.empty())
            continue;
        checkedAtStep = n;
        SCOPED_TRACE("rear records after step " + std::to_string(n));
        ASSERT_TRUE(save(path("rear.vt"), &error)) << error.toStdString();
        std::unique_ptr<dbReader> opened = reopen(path("rear.vt"));
        ASSERT_TRUE(opened);
        EXPECT_EQ(rearRecords(*opened), records);
        dbReader* again = opened.get();
        ASSERT_TRUE(TissueFile::writeFile(nullptr, again, path("rear-again.vt"), &error)) << error.toStdString();
        EXPECT_EQ(readBytes(path("rear-again.vt")), readBytes(path("rear.vt")));
        // The reload reseeded the shared random sequence; the run goes on from there.
    }
    EXPECT_GT(checkedAtStep, 0) << "no cell held rear records";
    std::cout << "  rear records first held after step " << checkedAtStep << std::endl;

    ASSERT_TRUE(save(path("run.vt"), &error)) << error.toStdString();
    std::unique_ptr<dbReader> opened = reopen(path("run.vt"));
    ASSERT_TRUE(opened);
    EXPECT_TRUE(topologyIsSound(*opened));
    dbReader* again = opened.get();
    ASSERT_TRUE(TissueFile::writeFile(nullptr, again, path("run-again.vt"), &error)) << error.toStdString();
    const QByteArray first = readBytes(path("run.vt"));
    const QByteArray second = readBytes(path("run-again.vt"));
    if (first != second) {
        const QList<QByteArray> a = first.split('\n'), b = second.split('\n');
        for (int k = 0; k < std::min(a.size(), b.size()); ++k)
            if (a[k] != b[k]) {
                ADD_FAILURE() << "line " << k + 1 << " differs:\n  " << a[k].toStdString() << "\n  "
                              << b[k].toStdString();
                break;
            }
    }
}

}  // namespace
