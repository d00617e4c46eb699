// The tissue project file: writer, line counter and the view's loader on
// well-formed files and on the edge cases of the format.

#include "tissue_test_env.h"

#include "support/wound_run.h"

#include "geometry/rtree.h"
#include "signalling/model_files.h"

#include <QFileInfo>
#include <QTextStream>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {

const char* const kRoundTrip = "TissueFileRoundTrip";

// Steps 1 to `steps` in the view's order, each checked by the topology
// checker; a failing stage ends the test (call under ASSERT_NO_FATAL_FAILURE).
void stepChecked(dbReader& engine, int steps)
{
    for (int step = 1; step <= steps; ++step) {
        ASSERT_LT(stepAsTheView(engine, step), 0) << "step " << step << ": " << engine.message.toStdString();
        EXPECT_TRUE(topologyIsSound(engine)) << "step " << step;
    }
}

}  // namespace

// A hand-written tissue with a welded stretch, junction nodes, a removed
// pair, dead vertices (one with missing links), a dead cell and a resting
// cell with rear records loads sound and is written back byte for byte.
TEST_F(TissueFileTest, HandWrittenPointBasedFileRoundTripsByteForByte)
{
    const QString golden = testDataPath(kRoundTrip, "two_cells.vt");
    ASSERT_EQ(TissueFile::readLineCount(nullptr, golden), 87);
    QString error;
    ASSERT_TRUE(load(golden, &error)) << error.toStdString();
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(reader->ready);
    EXPECT_TRUE(topologyIsSound(*reader));
    EXPECT_EQ(reader->collision_state, dbReader::COLLISION_ESTABLISHED);

    // What the records say.
    ASSERT_EQ(reader->points.size(), 12u);
    ASSERT_EQ(reader->cells.size(), 3u);
    const point3D* dead = reader->points[11];
    EXPECT_EQ(dead->alive, 0);
    EXPECT_EQ(dead->next, nullptr);
    EXPECT_EQ(dead->prev, reader->points[6]);
    EXPECT_EQ(dead->out_edge, nullptr);
    EXPECT_EQ(dead->in_edge, reader->edges[12]);
    EXPECT_EQ(reader->points[1]->mp, std::vector<point3D*>{reader->points[5]});
    EXPECT_DOUBLE_EQ(reader->points[1]->internal_force[0], 1e-05);
    const cell* migrant = reader->cells[1];
    EXPECT_EQ(migrant->migrating, 0);
    ASSERT_EQ(migrant->filling_cells.size(), 2u);
    EXPECT_EQ(migrant->filling_cells[0]->self_record, 1);
    EXPECT_EQ(migrant->filling_cells[0]->NCs, std::vector<cell*>{reader->cells[0]});
    EXPECT_TRUE(migrant->filling_cells[1]->NCs.empty());
    EXPECT_EQ(reader->cells[2]->dead, 1);
    EXPECT_EQ(migrant->species[19], 7);
    EXPECT_EQ(migrant->cell_type_name, index_name_class[3]);
    const interpair* pair = reader->interpairs[0];
    ASSERT_EQ(pair->MP.size(), 1u);
    EXPECT_EQ(pair->merged, 1);
    EXPECT_EQ(pair->MP[0]->friction_state, 1);
    EXPECT_DOUBLE_EQ(pair->adhesion, adhesion_pair_array[3][3] * index_stren_class[3]);
    EXPECT_EQ(reader->cells[0]->pairs, std::vector<interpair*>{reader->interpairs[0]});
    EXPECT_EQ(reader->interpairs[1]->removed, 1);
    EXPECT_DOUBLE_EQ(reader->cells[0]->area, 100.0);
    EXPECT_DOUBLE_EQ(reader->cells[0]->area_history[9], 100.0);
    EXPECT_DOUBLE_EQ(reader->cells[0]->target_area, 259.8);

    ASSERT_TRUE(save(path("again.vt"), &error)) << error.toStdString();
    EXPECT_EQ(readBytes(path("again.vt")), readBytes(golden));

    // What a step leaves behind does not reach the file: a centre and an area
    // not yet refreshed after the ring moved are written as the ring gives
    // them, and an inactive node still listing its former vertices without
    // them (a reader would ignore them).
    reader->cells[0]->center[0] = 5.5;
    reader->cells[1]->area = 99.9;
    reader->nodes[7]->vertices = {reader->points[10], reader->points[11]};
    ASSERT_TRUE(save(path("stale.vt"), &error)) << error.toStdString();
    EXPECT_EQ(readBytes(path("stale.vt")), readBytes(golden));
}

// The bounds of a Point-based load enclose the tissue, so the R-tree can
// find the cells by position.
TEST_F(TissueFileTest, PointBasedLoadLeavesBoundsAroundTheTissueForPicking)
{
    ASSERT_TRUE(load(testDataPath(kRoundTrip, "two_cells.vt")));
    EXPECT_DOUBLE_EQ(reader->bounds[0], -1000.0);
    EXPECT_DOUBLE_EQ(reader->bounds[1], -1000.0);
    EXPECT_DOUBLE_EQ(reader->bounds[2], 1020.0);
    EXPECT_DOUBLE_EQ(reader->bounds[3], 1010.0);
    ASSERT_NE(reader->rtree, nullptr);
    std::vector<int> hits;
    reader->rtree->search_point(15.0, 5.0, hits);
    EXPECT_NE(std::find(hits.begin(), hits.end(), 1), hits.end());
}

TEST_F(TissueFileTest, EmptyEngineWritesTheThirtyThreeLineFile)
{
    reader = new dbReader();
    ASSERT_TRUE(save(path("empty.vt")));
    const QByteArray bytes = readBytes(path("empty.vt"));
    EXPECT_EQ(bytes, readBytes(testDataPath(kRoundTrip, "empty.vt")));
    EXPECT_EQ(bytes.count('\n'), 33);
    EXPECT_FALSE(bytes.contains('\r'));
}

// Variants of the hand-written file that the format's rules read the same
// way or with a known difference.
TEST_F(TissueFileTest, EdgeCasesOfTheFormat)
{
    const QByteArray golden = readBytes(testDataPath(kRoundTrip, "two_cells.vt"));
    ASSERT_FALSE(golden.isEmpty());
    auto loadText = [&](const QByteArray& text) {
        writeBytes(path("case.vt"), text);
        QString error;
        const bool ok = load(path("case.vt"), &error);
        EXPECT_TRUE(ok) << error.toStdString();
        return ok;
    };
    auto rewritten = [&]() {
        EXPECT_TRUE(save(path("out.vt")));
        return readBytes(path("out.vt"));
    };

    // CR LF line ends, and a last line without its line end.
    QByteArray crlf = golden;
    crlf.replace("\n", "\r\n");
    ASSERT_TRUE(loadText(crlf));
    EXPECT_EQ(rewritten(), golden);
    ASSERT_TRUE(loadText(golden.left(golden.size() - 1)));
    EXPECT_EQ(TissueFile::readLineCount(nullptr, path("case.vt")), 87);
    EXPECT_EQ(rewritten(), golden);

    // The mode line after VERT_LIST: what the section held before it is ignored.
    QByteArray late = golden;
    late.replace("Point-based\n", "\n");
    late.replace("VERT_LIST\n0,0,0,", "VERT_LIST\n99,garbage\nPoint-based\n0,0,0,");
    ASSERT_TRUE(loadText(late));
    EXPECT_EQ(rewritten(), golden);

    // PAIR_LIST records of 15 and 17 fields carry no stretch; 16 fields do,
    // whatever the count column says.
    const QByteArray pairLine = "0,0,0,1,1,1,3,8,5,0.5,0.25,0,0.5,0.125,0,1\n";
    for (const QByteArray& variant : {QByteArray("0,0,0,1,1,1,3,8,5,0.5,0.25,0,0.5,0.125,0\n"),
                                      QByteArray("0,0,0,1,1,1,3,8,5,0.5,0.25,0,0.5,0.125,0,1,9\n")}) {
        QByteArray text = golden;
        text.replace(pairLine, variant);
        ASSERT_TRUE(loadText(text));
        EXPECT_TRUE(reader->interpairs[0]->MP.empty());
        EXPECT_EQ(reader->interpairs[0]->merged, 0);
    }
    QByteArray zeroCount = golden;
    zeroCount.replace(pairLine, "0,0,0,1,0,1,3,8,5,0.5,0.25,0,0.5,0.125,0,1\n");
    ASSERT_TRUE(loadText(zeroCount));
    EXPECT_EQ(reader->interpairs[0]->MP.size(), 1u);

    // Flag values other than 0 and 1 keep the constructor's value; a dead
    // node's vertices are ignored; any negative partner is a free edge.
    QByteArray flags = golden;
    flags.replace("\n0,10,4,1,", "\n0,10,4,2,");
    flags.replace("\n7,0\nEND_NODE_LIST", "\n7,0,10,11\nEND_NODE_LIST");
    flags.replace("\n0,-1,-1\n", "\n0,-7,12345\n");
    ASSERT_TRUE(loadText(flags));
    EXPECT_EQ(reader->points[4]->alive, 1);
    EXPECT_TRUE(reader->nodes[7]->vertices.empty());
    EXPECT_EQ(reader->edges[0]->bonded, 0);
    EXPECT_EQ(rewritten(), golden);
}

// A pair keeps only its first stretch in the file.
TEST_F(TissueFileTest, PairWithThreeStretchesReadsBackWithOne)
{
    ASSERT_TRUE(load(testDataPath(kRoundTrip, "two_cells.vt")));
    interpair* pair = reader->interpairs[0];
    pair->MP.push_back(new mergepair(1, reader->points[2], reader->points[2], reader->points[9], reader->points[9]));
    pair->MP.push_back(new mergepair(2, reader->points[3], reader->points[3], reader->points[8], reader->points[8]));
    ASSERT_TRUE(save(path("three.vt")));
    const QByteArray text = readBytes(path("three.vt"));
    EXPECT_TRUE(text.contains("\n0,0,0,1,3,1,3,8,5,0.5,0.25,0,0.5,0.125,0,1\n"));
    ASSERT_TRUE(load(path("three.vt")));
    ASSERT_EQ(reader->interpairs[0]->MP.size(), 1u);
    EXPECT_EQ(reader->interpairs[0]->MP[0]->S1, reader->points[1]);
}

TEST_F(TissueFileTest, NumbersAreWrittenWithSixSignificantDigits)
{
    ASSERT_TRUE(load(testDataPath(kRoundTrip, "two_cells.vt")));
    reader->points[0]->friction = 3.14159265;
    reader->points[0]->adhesion_load = 1e6;
    reader->points[0]->internal_force[0] = 259.8;
    ASSERT_TRUE(save(path("digits.vt")));
    EXPECT_TRUE(readBytes(path("digits.vt")).contains("\n0,0,0,1,1e+06,3.14159,259.8,0,0,0\n"));
    ASSERT_TRUE(load(path("digits.vt")));
    EXPECT_DOUBLE_EQ(reader->points[0]->friction, 3.14159);
}

// The single-cell Center-based file: one 20-gon of radius 10 round (0, 0).
TEST_F(TissueFileTest, SingleCenterBasedCellBecomesTheTwentyGon)
{
    writeBytes(path("one.vt"), "#######################\n# Cell Growth Project #\n# Sample Database     #\n"
                               "#######################\nCenter-based\n\nCELL_LIST\n0,0,1\nEND_CELL_LIST\n");
    QString error;
    ASSERT_TRUE(load(path("one.vt"), &error)) << error.toStdString();
    ASSERT_EQ(reader->cells.size(), 1u);
    ASSERT_EQ(reader->points.size(), 20u);
    ASSERT_EQ(reader->edges.size(), 20u);
    ASSERT_EQ(reader->nodes.size(), 20u);
    EXPECT_EQ(reader->points[0]->x, 10.0);
    EXPECT_EQ(reader->points[0]->y, 0.0);
    EXPECT_NEAR(reader->points[5]->x, 0.0, 1e-6);
    EXPECT_NEAR(reader->points[5]->y, 10.0, 1e-9);
    EXPECT_NEAR(reader->points[10]->x, -10.0, 1e-9);
    EXPECT_NEAR(reader->points[15]->y, -10.0, 1e-9);
    for (const node* n : reader->nodes)
        EXPECT_EQ(n->vertices.size(), 1u);
    const cell* c = reader->cells[0];
    EXPECT_EQ(c->cell_type, 1);
    EXPECT_EQ(c->cell_type_name, QString("BM"));
    EXPECT_NEAR(c->area, 309.0, 0.05);
    EXPECT_DOUBLE_EQ(c->target_area, 259.8);
    EXPECT_DOUBLE_EQ(c->radius, 10.0);
    EXPECT_EQ(reader->bounds[0], -1000.0);
    EXPECT_EQ(reader->bounds[1], -1000.0);
    EXPECT_EQ(reader->bounds[2], 1000.0);
    EXPECT_EQ(reader->bounds[3], 1000.0);
    EXPECT_EQ(reader->alpha_complex, nullptr);
    EXPECT_TRUE(topologyIsSound(*reader));

    // The designer's comment after the type is cut off.
    writeBytes(path("designer.vt"), "Center-based\nCELL_LIST\n5,7,2 # CELL 0\nEND_CELL_LIST\n");
    ASSERT_TRUE(load(path("designer.vt"), &error)) << error.toStdString();
    EXPECT_EQ(reader->cells[0]->cell_type, 2);
    EXPECT_DOUBLE_EQ(reader->points[0]->x, 15.0);
    EXPECT_DOUBLE_EQ(reader->points[0]->y, 7.0);
}

TEST_F(TissueFileTest, LineCountOfEmptyUnreadableAndUnterminatedFiles)
{
    writeBytes(path("empty.vt"), "");
    EXPECT_EQ(TissueFile::readLineCount(nullptr, path("empty.vt")), 0);
    writeBytes(path("two.vt"), "a\r\nb");
    EXPECT_EQ(TissueFile::readLineCount(nullptr, path("two.vt")), 2);
    boxes.texts.clear();
    EXPECT_EQ(TissueFile::readLineCount(nullptr, path("missing.vt")), -1);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("Cannot read file " + path("missing.vt") + ":\n"));
}

// Cancel before the first line: no engine at all, as the loader promises.
TEST_F(TissueFileTest, CancelledLoadLeavesNoEngine)
{
    reader = new dbReader();
    Canceller cancel("Open file ");
    EXPECT_FALSE(load(testDataPath(kRoundTrip, "two_cells.vt")));
    EXPECT_GE(cancel.presses, 1);
    EXPECT_EQ(reader, nullptr);
}

TEST_F(TissueFileTest, UnopenableFileLeavesANewEmptyEngine)
{
    ASSERT_TRUE(load(testDataPath(kRoundTrip, "two_cells.vt")));
    boxes.texts.clear();
    EXPECT_FALSE(TissueFile::readDatabase(nullptr, reader, path("none.vt"), 5, 0));
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(reader->cells.empty());
    EXPECT_TRUE(reader->ready);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("Cannot read file " + path("none.vt") + ":\n"));
}

// Without its model files the new engine's behaviour model is empty: the
// load is refused and the tissue that was open stays.
TEST_F(TissueFileTest, MissingModelFilesRefuseTheLoadAndKeepThePreviousTissue)
{
    ASSERT_TRUE(load(testDataPath(kRoundTrip, "two_cells.vt")));
    dbReader* previous = reader;
    const size_t cells = reader->cells.size();
    QTemporaryDir empty;
    model_files::setDirectory(empty.path());
    boxes.texts.clear();
    QString error;
    EXPECT_FALSE(load(testDataPath(kRoundTrip, "two_cells.vt"), &error));
    model_env::useModelFiles();
    EXPECT_EQ(reader, previous);
    EXPECT_EQ(reader->cells.size(), cells);
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith("ERROR: cannot read the model file "));
    EXPECT_EQ(boxes.texts[0], error);
}

// Saving never reports a failure as success and never damages the old file.
TEST_F(TissueFileTest, FailedAndCancelledSavesKeepThePreviousFile)
{
    boxes.texts.clear();
    QString error;
    EXPECT_FALSE(save(path("none.vt"), &error));
    EXPECT_FALSE(QFileInfo::exists(path("none.vt")));
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.texts[0], "Cannot write file " + path("none.vt") + ":\nthere is no tissue to save.");

    ASSERT_TRUE(load(testDataPath(kRoundTrip, "two_cells.vt")));
    struct stat before;
    ASSERT_EQ(stat("/dev/full", &before), 0);
    ASSERT_TRUE(S_ISCHR(before.st_mode));
    EXPECT_FALSE(save("/dev/full", &error));
    EXPECT_FALSE(error.isEmpty());
    struct stat after;
    ASSERT_EQ(stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, before.st_rdev);

    writeBytes(path("kept.vt"), "previous content\n");
    {
        Canceller cancel("Write file ");
        EXPECT_FALSE(save(path("kept.vt"), &error));
        EXPECT_GE(cancel.presses, 1);
    }
    EXPECT_EQ(readBytes(path("kept.vt")), QByteArray("previous content\n"));
    EXPECT_FALSE(save(dir.path(), &error));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

// The loader's and the writer's progress dialogs: titles, labels and ranges.
TEST_F(TissueFileTest, ProgressDialogsNameTheFileAndCountItsElements)
{
    struct Seen {
        QString label;
        int maximum = -1;
    };
    std::map<QString, Seen> seen;
    QTimer spy;
    QObject::connect(&spy, &QTimer::timeout, [&seen] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(w))
                seen[dialog->windowTitle()] = {dialog->labelText(), dialog->maximum()};
    });
    spy.start(0);
    const QString golden = testDataPath(kRoundTrip, "two_cells.vt");
    ASSERT_TRUE(load(golden));
    ASSERT_TRUE(save(path("out.vt")));
    spy.stop();
    ASSERT_EQ(seen.count("Open file "), 1u);
    EXPECT_EQ(seen["Open file "].label, "Open " + golden);
    EXPECT_EQ(seen["Open file "].maximum, 87);
    // 2 x 12 vertices + 2 x 13 edges + 2 x 3 cells + 2 pairs + 8 nodes.
    ASSERT_EQ(seen.count("Write file "), 1u);
    EXPECT_EQ(seen["Write file "].label, "Write " + path("out.vt"));
    EXPECT_EQ(seen["Write file "].maximum, 66);
}

TEST_F(TissueFileTest, MigratingCellWithoutRearRecordsWritesItsHeadAlone)
{
    ASSERT_TRUE(load(testDataPath(kRoundTrip, "two_cells.vt")));
    reader->cells[0]->migrating = 1;
    ASSERT_TRUE(save(path("head.vt")));
    EXPECT_TRUE(readBytes(path("head.vt")).contains("\nMIGR_CELL_LIST\n0,0;\n1,2;1,1,14,5,45,1,0;0,0,14,5,45,0;\n"));
    ASSERT_TRUE(load(path("head.vt")));
    EXPECT_EQ(reader->cells[0]->migrating, 0);
    EXPECT_TRUE(reader->cells[0]->filling_cells.empty());
    EXPECT_EQ(reader->cells[1]->filling_cells.size(), 2u);
}

// A file whose cell is marked migrating, with rear records, but without the
// front that a migration start makes (the file has no place for it): the
// cell is opened at rest with its records, and the whole step loop runs.
TEST_F(TissueFileTest, MigratingCellWithRearRecordsOpensAtRestAndSteps)
{
    QByteArray text = readBytes(testDataPath(kRoundTrip, "two_cells.vt"));
    ASSERT_TRUE(text.contains("\n1,0,0,0,0,3,14,"));
    text.replace("\n1,0,0,0,0,3,14,", "\n1,0,0,1,0,3,14,");
    writeBytes(path("migrating.vt"), text);
    QString error;
    ASSERT_TRUE(load(path("migrating.vt"), &error)) << error.toStdString();
    cell* migrant = reader->cells[1];
    EXPECT_EQ(migrant->migrating, 0);
    EXPECT_EQ(migrant->migrate_relax, 0);
    ASSERT_EQ(migrant->filling_cells.size(), 2u);
    ASSERT_NO_FATAL_FAILURE(stepChecked(*reader, 3));
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join('\n').toStdString();
}

// The event loop runs during a save; a tissue that changes under the writer
// (a step appended records, or the engine was detached) is not saved.
TEST_F(TissueFileTest, SaveStopsWhenTheEngineChangesMeanwhile)
{
    ASSERT_TRUE(load(testDataPath(kRoundTrip, "two_cells.vt")));
    writeBytes(path("kept.vt"), "previous content\n");
    QString error;
    {
        QTimer step;
        step.setSingleShot(true);
        QObject::connect(&step, &QTimer::timeout, [this] {
            reader->points.push_back(new point3D(static_cast<int>(reader->points.size()), 1.0, 1.0));
        });
        step.start(0);
        EXPECT_FALSE(save(path("kept.vt"), &error));
    }
    EXPECT_EQ(error, "the tissue changed while it was being saved");
    EXPECT_EQ(readBytes(path("kept.vt")), QByteArray("previous content\n"));

    dbReader* engine = reader;
    {
        QTimer detach;
        detach.setSingleShot(true);
        QObject::connect(&detach, &QTimer::timeout, [this] { reader = nullptr; });
        detach.start(0);
        EXPECT_FALSE(save(path("kept.vt"), &error));
    }
    reader = engine;
    EXPECT_EQ(error, "the tissue changed while it was being saved");
    EXPECT_EQ(readBytes(path("kept.vt")), QByteArray("previous content\n"));
}

// A removed flag other than 0 or 1 keeps the pair's default: live. A live
// pair must be listed on both its cells, or the stages that move stretch
// ends through the cells' pair lists leave its stretch on a vertex the edge
// stage collapsed, and the next save would not open again.
TEST_F(TissueFileTest, APairLeftLiveByAnOddRemovedFlagKeepsItsStretchThroughStepsAndSaves)
{
    QByteArray text = readBytes(testDataPath(kRoundTrip, "two_cells.vt"));
    ASSERT_TRUE(text.contains("\n0,0,0,1,1,1,3,8,5,"));
    text.replace("\n0,0,0,1,1,1,3,8,5,", "\n0,2,0,1,1,1,3,8,5,");
    // The weld's middle vertex close to its lower end: the edge stage
    // collapses the short welded sides there.
    text.replace("\n10,5,2,", "\n10,0.8,2,");
    text.replace("\n10,5,9,", "\n10,0.8,9,");
    writeBytes(path("odd_flag.vt"), text);
    QString error;
    ASSERT_TRUE(load(path("odd_flag.vt"), &error)) << error.toStdString();
    interpair* pair = reader->interpairs[0];
    EXPECT_EQ(pair->removed, 0);
    EXPECT_EQ(reader->cells[0]->pairs, std::vector<interpair*>{pair});
    EXPECT_EQ(reader->cells[1]->pairs, std::vector<interpair*>{pair});

    ASSERT_NO_FATAL_FAILURE(stepChecked(*reader, 3));
    // The steps collapsed the stretch's end T1 where the file had it; the
    // weld stands.
    EXPECT_FALSE(reader->points[8]->alive);
    EXPECT_EQ(pair->MP.size(), 1u);

    ASSERT_TRUE(save(path("after_steps.vt"), &error)) << error.toStdString();
    ASSERT_TRUE(load(path("after_steps.vt"), &error)) << error.toStdString();
    EXPECT_TRUE(topologyIsSound(*reader));
    ASSERT_TRUE(save(path("again.vt"), &error)) << error.toStdString();
    EXPECT_EQ(readBytes(path("again.vt")), readBytes(path("after_steps.vt")));
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join('\n').toStdString();
}
