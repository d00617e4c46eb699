// Malformed tissue files are refused with the reason and its line; the
// tissue loaded before stays in place and nothing half-built survives.

#include "tissue_test_env.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>

namespace {

struct Malformed {
    const char* name;
    std::function<QByteArray(const QByteArray& golden)> make;
    const char* reason;  // expected within the warning's text
};

// Replaces one whole line of the golden file, which must hold it once.
QByteArray swapLine(QByteArray text, const char* oldLine, const char* newLine)
{
    const QByteArray from = QByteArray("\n") + oldLine + "\n";
    EXPECT_EQ(text.count(from), 1) << oldLine;
    return text.replace(from, QByteArray("\n") + newLine + "\n");
}

QByteArray dropBlock(QByteArray text, const char* from, const char* to)
{
    const int start = text.indexOf(from);
    const int end = text.indexOf(to, start) + int(qstrlen(to)) + 1;
    EXPECT_TRUE(start > 0 && end > start);
    return text.remove(start, end - start);
}

// The file with the ring of cell `id` listed the other way round: each of its
// edges reversed in EDGE_LIST and its sides listed in reverse order, every
// other record (welds and stretches included) unchanged.
QByteArray reverseRing(const QByteArray& text, int id)
{
    QList<QByteArray> lines = text.split('\n');
    const int cells = lines.indexOf("CELL_LIST");
    const int edges = lines.indexOf("EDGE_LIST");
    EXPECT_TRUE(cells > 0 && edges > 0);
    QList<QByteArray> sides;
    for (int i = cells + 1; i < lines.size() && lines[i] != "END_CELL_LIST"; ++i) {
        QList<QByteArray> f = lines[i].split(',');
        if (f[0].toInt() != id)
            continue;
        const int first = 10 + f[9].toInt();
        sides = f.mid(first);
        std::reverse(f.begin() + first, f.end());
        lines[i] = f.join(',');
    }
    EXPECT_FALSE(sides.isEmpty()) << "no cell " << id;
    for (int i = edges + 1; i < lines.size() && lines[i] != "END_EDGE_LIST"; ++i) {
        const QList<QByteArray> f = lines[i].split(',');
        if (sides.contains(f[0]))
            lines[i] = f[0] + ',' + f[2] + ',' + f[1];
    }
    return lines.join('\n');
}

const char* const kCell0 = "0,0,0,0,0,3,6,5,100,20,5,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1,2,3,4";
const char* const kCell1 = "1,0,0,0,0,3,14,5,100,20,0,3,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,7,5,6,7,8,9";
const char* const kCell2 = "2,1,0,0,0,0,7.5,-2.5,25,20,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,10,11";
const char* const kPair0 = "0,0,0,1,1,1,3,8,5,0.5,0.25,0,0.5,0.125,0,1";
const char* const kMigr = "1,2;1,1,14,5,45,1,0;0,0,14,5,45,0;";
const QByteArray kCenterHead = "Center-based\nCELL_LIST\n0,0,1\n";

QByteArray binaryJunk()
{
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 37 + 11) % 256));
    return junk;
}

std::vector<Malformed> malformedFiles()
{
    using G = const QByteArray&;
    return {
        {"empty", [](G) { return QByteArray(); }, "the file is empty"},
        {"binary junk", [](G) { return binaryJunk(); }, ""},
        {"no mode line", [](G g) { return QByteArray(g).replace("Point-based\n", "\n"); },
         "no \"Point-based\" or \"Center-based\" line"},
        {"truncated in VERT_LIST", [](G g) { return g.left(g.indexOf("\n5,-5,10")); }, "END_VERT_LIST is missing"},
        {"truncated before the last line", [](G g) { return g.left(g.indexOf("END_MIGR_CELL_LIST")); },
         "END_MIGR_CELL_LIST is missing"},
        {"truncated inside a cell record", [](G g) { return g.left(g.indexOf(kCell1) + 20); },
         "line 49: CELL_LIST record"},
        {"vertex of nine fields", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "0,0,0,1,0,0,0,0,0"); },
         "line 19: VERT_LIST record has 9 fields, expected 10"},
        {"vertex id out of range", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "0,0,99,1,0,0,0,0,0,0"); },
         "line 19: vertex id 99 where 0 was expected"},
        {"negative vertex id", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "0,0,-1,1,0,0,0,0,0,0"); },
         "vertex id -1"},
        {"vertex at nan", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "nan,0,0,1,0,0,0,0,0,0"); },
         "not a finite number"},
        {"vertex outside the world", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "1e300,0,0,1,0,0,0,0,0,0"); },
         "outside the world"},
        {"edge to a missing vertex", [](G g) { return swapLine(g, "12,6,11", "12,6,12"); },
         "line 45: vertex 12 does not exist (12 vertices read so far)"},
        {"edge id repeated", [](G g) { return swapLine(g, "3,3,4", "2,3,4"); }, "edge id 2 where 3 was expected"},
        {"edge of four fields", [](G g) { return swapLine(g, "3,3,4", "3,3,4,5"); }, "has 4 fields, expected 3"},
        {"negative cell type", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace("0,0,0,0,0,3,", "0,0,0,0,0,-1,")); },
         "line 48: cell type -1 is not in the parameter tables"},
        {"cell type 20", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace("0,0,0,0,0,3,", "0,0,0,0,0,20,")); },
         "cell type 20"},
        {"cell type beyond the table", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace("0,0,0,0,0,3,", "0,0,0,0,0,6,")); },
         "cell type 6"},
        {"huge species count", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace(",100,20,", ",100,2147483647,")); },
         "species count 2147483647 does not fit"},
        {"negative species count", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace(",100,20,", ",100,-1,")); },
         "species count -1"},
        {"side forward reference", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace(",3,4", ",3,13")); },
         "edge 13 does not exist"},
        {"side not a number", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace(",3,4", ",3,x")); },
         "is not an integer"},
        {"pair of four fields", [](G g) { return swapLine(g, "1,1,0,1,0", "1,1,0,1"); }, "expected at least 5"},
        {"pair of one field", [](G g) { return swapLine(g, "1,1,0,1,0", "1"); },
         "line 54: PAIR_LIST record has 1 field, expected at least 5"},
        {"pair with a missing cell", [](G g) { return swapLine(g, "1,1,0,1,0", "1,1,0,3,0"); }, "cell 3 does not exist"},
        {"pair of a cell with itself", [](G g) { return swapLine(g, "1,1,0,1,0", "1,1,1,1,0"); }, "with itself"},
        {"stretch end missing", [](G g) { return swapLine(g, kPair0, "0,0,0,1,1,1,3,8,99,0.5,0.25,0,0.5,0.125,0,1"); },
         "vertex 99 does not exist"},
        {"stretch end on the other cell", [](G g) { return swapLine(g, kPair0, "0,0,0,1,1,6,3,8,5,0.5,0.25,0,0.5,0.125,0,1"); },
         "line 53: pair 0 has its stretch end S1 on vertex 6, which is not a live vertex of cell 0"},
        {"stretch end on a dead vertex", [](G g) { return swapLine(g, kPair0, "0,0,0,1,1,1,3,8,11,0.5,0.25,0,0.5,0.125,0,1"); },
         "line 53: pair 0 has its stretch end T2 on vertex 11, which is not a live vertex of cell 1"},
        {"node with a missing vertex", [](G g) { return swapLine(g, "1,1,1,5", "1,1,1,12"); }, "vertex 12 does not exist"},
        {"vertex in two nodes", [](G g) { return swapLine(g, "1,1,1,5", "1,1,1,5,0"); }, "vertex 0 is in node 0 already"},
        {"dead vertex of four fields", [](G g) { return swapLine(g, "10,0,1,10,11", "10,0,1,10"); }, "expected 5"},
        {"dead vertex link -2", [](G g) { return swapLine(g, "10,0,1,10,11", "10,0,1,-2,11"); }, "edge -2 does not exist"},
        {"partner edge missing", [](G g) { return swapLine(g, "1,9,0", "1,99,0"); }, "edge 99 does not exist"},
        {"bond to a missing pair", [](G g) { return swapLine(g, "1,9,0", "1,9,5"); }, "pair 5 does not exist"},
        {"huge rear count", [](G g) { return swapLine(g, kMigr, "1,2000000000;1,1,14,5,45,1,0;0,0,14,5,45,0;"); },
         "rear record count 2000000000 does not fit"},
        {"neighbour count too large", [](G g) { return swapLine(g, kMigr, "1,2;1,1,14,5,45,9,0;0,0,14,5,45,0;"); },
         "neighbour count 9"},
        {"rear record of five fields", [](G g) { return swapLine(g, kMigr, "1,2;1,1,14,5,45;0,0,14,5,45,0;"); },
         "expected at least 6"},
        {"migrating cell missing", [](G g) { return swapLine(g, kMigr, "7,0;"); }, "cell 7 does not exist"},
        {"missing section", [](G g) { return dropBlock(g, "NODE_LIST", "END_NODE_LIST"); },
         "the NODE_LIST section is missing"},
        {"repeated section", [](G g) { return g + "MIGR_CELL_LIST\nEND_MIGR_CELL_LIST\n"; }, "a second MIGR_CELL_LIST section"},
        {"section not closed", [](G g) { return QByteArray(g).replace("END_VERT_LIST\n", ""); },
         "EDGE_LIST inside VERT_LIST, which is not closed"},
        {"two mode lines", [](G g) { return QByteArray(g).replace("\n\n#", "\nCenter-based\n#"); }, "a second mode line"},
        {"ring missing a side", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace(",0,1,2,3,4", ",0,1,2,3")); },
         "line 48: cell 0 is not a closed ring"},
        {"live cell of two sides", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace(",0,1,2,3,4", ",0,1")); },
         "cell 0 has 2 sides"},
        {"edge in two live cells", [](G g) { return swapLine(g, kCell1, QByteArray(kCell1).replace(",5,6,7,8,9", ",5,6,7,8,9,0")); },
         "edge 0 is a side of cell 0 already"},
        {"side of a live cell claimed by a later dead cell",
         [](G g) { return swapLine(g, kCell2, QByteArray(kCell2) + ",0"); },
         "line 48: cell 0 has edge 0 that cell 2 lists as its side"},
        {"live cell on a dead vertex", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "0,0,0,0,0,0,0,0,0,0"); },
         "with a dead vertex"},
        {"key line without values", [](G g) { return QByteArray(g).replace("VPN 0.0,1.0", "VPN 0.0"); },
         "line 11: header line \"VPN 0.0\" lacks its two values"},
        {"center type out of the table", [](G) { return kCenterHead + "5,5,9\nEND_CELL_LIST\n"; }, "line 4: cell type 9"},
        {"center line of two fields", [](G) { return kCenterHead + "5,5\nEND_CELL_LIST\n"; }, "expected at least 3"},
        {"center list not closed", [](G) { return kCenterHead; }, "END_CELL_LIST is missing"},
        {"center outside the world", [](G) { return kCenterHead + "99995,0,1\nEND_CELL_LIST\n"; }, "outside the world"},
        // Numeric fields that do not convert are refused, never read as 0.
        {"vertex x not a number", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "abc,0,0,1,0,0,0,0,0,0"); },
         "line 19: x \"abc\" is not a finite number"},
        {"vertex y beyond a double", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "0,1e999,0,1,0,0,0,0,0,0"); },
         "line 19: y \"1e999\" is not a finite number"},
        {"vertex y empty", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "0,,0,1,0,0,0,0,0,0"); },
         "line 19: y \"\" is not a finite number"},
        {"friction holding a NUL byte",
         [](G g) {
             QByteArray nul("0.2#5");
             nul[3] = '\0';
             return QByteArray(g).replace("\n10,0,1,1,0.5,0.25,", "\n10,0,1,1,0.5," + nul + ",");
         },
         "line 20: friction \"0.2\\x005\" is not a finite number"},
        {"megabytes of digits",
         [](G g) {
             return QByteArray(g).replace("\n0,0,0,1,0,0,0,0,0,0\n",
                                          "\n" + QByteArray(3 << 20, '7') + ",0,0,1,0,0,0,0,0,0\n");
         },
         "line 19: x \"7777777777777777777777777777777777777777...\" is not a finite number"},
        {"alive flag not a number", [](G g) { return swapLine(g, "0,0,0,1,0,0,0,0,0,0", "0,0,0,x,0,0,0,0,0,0"); },
         "line 19: alive flag \"x\" is not an integer"},
        {"dead flag not a number", [](G g) { return swapLine(g, kCell0, QByteArray(kCell0).replace("0,0,0,0,0,3,", "0,abc,0,0,0,3,")); },
         "line 48: dead flag \"abc\" is not an integer"},
        {"pair removed flag not a number", [](G g) { return swapLine(g, "1,1,0,1,0", "1,yes,0,1,0"); },
         "line 54: removed flag \"yes\" is not an integer"},
        {"stretch load not a number", [](G g) { return swapLine(g, kPair0, "0,0,0,1,1,1,3,8,5,0.5,0.25,0,abc,0.125,0,1"); },
         "line 53: adhesion load T2 \"abc\" is not a finite number"},
        {"center x not a number", [](G) { return kCenterHead + "abc,5,1\nEND_CELL_LIST\n"; },
         "line 4: centre x \"abc\" is not a finite number"},
        {"center y beyond a double", [](G) { return kCenterHead + "5,-1e999,1\nEND_CELL_LIST\n"; },
         "line 4: centre y \"-1e999\" is not a finite number"},
        {"blank lines only", [](G) { return QByteArray("\n  \n\r\n\n"); }, "the file is empty"},
        // The sections come before their mode line: the fault is named at the
        // mode line, not as a section left open.
        {"section before the mode line",
         [](G g) { return QByteArray(g).replace("Point-based\n", "\n").replace("END_VERT_LIST\n", "END_VERT_LIST\nPoint-based\n"); },
         "line 32: the mode line comes after the VERT_LIST section"},
        {"dead vertex record naming a live vertex", [](G g) { return swapLine(g, "11,-1,6,-1,12", "3,-1,6,-1,12"); },
         "line 68: vertex 3 is alive; DEAD_VERT_LIST lists dead vertices only"},
        {"center section missing", [](G) { return QByteArray("Center-based\n"); }, "the CELL_LIST section is missing"},
        // Cell 1's ring listed the other way round, its welds and stretch
        // unchanged: the ring closes, but the cell would lie on its right.
        {"welded cell running clockwise", [](G g) { return reverseRing(g, 1); },
         "line 49: cell 1 does not run counter-clockwise (signed area -100)"},
        // Cell 0 flattened onto the line x = 10: its ring closes round no area.
        {"ring enclosing no area",
         [](G g) {
             return swapLine(swapLine(g, "0,0,0,1,0,0,0,0,0,0", "10,0,0,1,0,0,0,0,0,0"), "0,10,4,1,0,0,0,0,0,0",
                             "10,10,4,1,0,0,0,0,0,0");
         },
         "line 48: cell 0 does not run counter-clockwise (signed area 0)"},
        // Cell 1's ring runs through cell 0's vertex 1 in place of its own
        // vertex 5, welded to it.
        {"vertex on the rings of two live cells",
         [](G g) { return swapLine(swapLine(g, "5,5,6", "5,1,6"), "9,9,5", "9,9,1"); },
         "line 48: cell 0 shares vertex 1 with cell 1; a vertex lies on the ring of one cell only"},
        // Cell 0's ring leaves its vertex 1 twice (edge 3 starts there too).
        {"vertex left twice by one ring", [](G g) { return swapLine(g, "3,3,4", "3,1,4"); },
         "line 48: cell 0 has edge 1 whose vertices are linked to other edges"},
        // A live vertex no edge or cell names: alone, and in the junction node
        // of a ring vertex (where the first Model step fails on it).
        {"live vertex on no ring",
         [](G g) { return swapLine(g, "15,-5,11,0,0,0,0,0,0,0", "15,-5,11,0,0,0,0,0,0,0\n5,5,12,1,0,0,0,0,0,0"); },
         "line 31: vertex 12 is alive but lies on no live cell's ring"},
        {"live vertex on no ring in a junction node",
         [](G g) {
             return swapLine(swapLine(g, "15,-5,11,0,0,0,0,0,0,0", "15,-5,11,0,0,0,0,0,0,0\n10,5,12,1,0,0,0,0,0,0"),
                             "2,1,2,9", "2,1,2,9,12");
         },
         "line 31: vertex 12 is alive but lies on no live cell's ring"},
    };
}

}  // namespace

TEST_F(TissueFileTest, MalformedFilesAreRefusedAndThePreviousTissueStays)
{
    const QString golden = testDataPath("TissueFileRoundTrip", "two_cells.vt");
    const QByteArray text = readBytes(golden);
    ASSERT_FALSE(text.isEmpty());
    ASSERT_TRUE(load(golden));
    dbReader* const before = reader;

    const std::vector<Malformed> cases = malformedFiles();
    EXPECT_GE(cases.size(), 30u);
    for (const Malformed& m : cases) {
        SCOPED_TRACE(m.name);
        const QString file = path("bad.vt");
        writeBytes(file, m.make(text));
        boxes.texts.clear();
        QString error;
        EXPECT_FALSE(TissueFile::readDatabase(nullptr, reader, file, 100, 0, TissueFile::LoadHooks(), &error));
        EXPECT_TRUE(error.contains(QLatin1String(m.reason))) << error.toStdString();
        ASSERT_EQ(boxes.texts.size(), 1);
        EXPECT_EQ(boxes.texts[0], QString("Cannot read file %1:\n%2.").arg(file, error));
        EXPECT_TRUE(error.startsWith("line ") || error.startsWith("end of file") || error == "the file is empty")
            << error.toStdString();
        ASSERT_EQ(reader, before);
        EXPECT_EQ(reader->cells.size(), 3u);
        EXPECT_TRUE(reader->ready);
    }
    EXPECT_TRUE(topologyIsSound(*reader));
    ASSERT_TRUE(TissueFile::writeFile(nullptr, reader, path("after.vt")));
    EXPECT_EQ(readBytes(path("after.vt")), text);
}

// The engine's own reader refuses the same files and keeps the engine empty.
TEST_F(TissueFileTest, EngineReaderRefusesMalformedFilesWithoutTrace)
{
    const QByteArray text = readBytes(testDataPath("TissueFileRoundTrip", "two_cells.vt"));
    for (const Malformed& m : malformedFiles()) {
        SCOPED_TRACE(m.name);
        writeBytes(path("bad.vt"), m.make(text));
        dbReader engine;
        engine.read("g4", path("bad.vt"), 0);
        EXPECT_TRUE(engine.points.empty() && engine.edges.empty() && engine.cells.empty());
        EXPECT_TRUE(engine.interpairs.empty() && engine.nodes.empty());
        EXPECT_EQ(engine.mech_mode, dbReader::MECH_MODEL);
        EXPECT_EQ(engine.read_option, 3);
        EXPECT_EQ(engine.bounds[0], 100000.0);
        EXPECT_TRUE(engine.message.startsWith("Cannot read file "));
    }
}

// The stages leave edges that have left every ring behind on live vertices,
// and the program writes every edge: one listed after the side it shadows
// (here edge 13, from vertex 1 to vertex 3 of cell 0) must not re-link the
// ring when read. The shape met in a Model run of the wound sample (seed
// 11), whose save at step 500 could not be opened again.
TEST_F(TissueFileTest, AnEdgeOfNoCellListedAfterTheSideItShadowsLeavesTheRing)
{
    const QByteArray text = readBytes(testDataPath("TissueFileRoundTrip", "two_cells.vt"));
    const QString file = path("stale_edge.vt");
    writeBytes(file, QByteArray(text).replace("12,6,11\nEND_EDGE_LIST", "12,6,11\n13,1,3\nEND_EDGE_LIST")
                         .replace("12,-1,-1\nEND_EDGE_PAIR_LIST", "12,-1,-1\n13,-1,-1\nEND_EDGE_PAIR_LIST"));
    QString error;
    ASSERT_TRUE(load(file, &error)) << error.toStdString();
    const point3D* p1 = reader->points[1];
    EXPECT_EQ(p1->out_edge->id, 1);
    EXPECT_EQ(p1->next->id, 2);
    EXPECT_EQ(reader->points[3]->in_edge->id, 2);
    EXPECT_EQ(reader->points[3]->prev->id, 2);
    EXPECT_TRUE(topologyIsSound(*reader));
    ASSERT_TRUE(save(path("again.vt")));
    EXPECT_EQ(readBytes(path("again.vt")), readBytes(file));
}

// The contact stages append the sides they make, so a cell's side list need
// not start a ring walk in order: such a file is the program's own and reads
// back whole, the list in the order it was written.
TEST_F(TissueFileTest, SidesListedOutOfRingOrderReadBackAsWritten)
{
    const QByteArray text = readBytes(testDataPath("TissueFileRoundTrip", "two_cells.vt"));
    const QString file = path("shuffled.vt");
    writeBytes(file, swapLine(text, kCell0, QByteArray(kCell0).replace(",0,1,2,3,4", ",0,2,1,4,3")));
    ASSERT_TRUE(load(file));
    std::vector<int> order;
    for (const edge* d : reader->cells[0]->sides)
        order.push_back(d->id);
    EXPECT_EQ(order, (std::vector<int>{0, 2, 1, 4, 3}));
    EXPECT_TRUE(topologyIsSound(*reader));
    ASSERT_TRUE(TissueFile::writeFile(nullptr, reader, path("again.vt")));
    EXPECT_EQ(readBytes(path("again.vt")), readBytes(file));
}

// A ring listed clockwise closes like any other, and played it would swell:
// the file is refused naming the cell, and the tissue open before stays. The
// cell is the program's own 20-gon of radius 10, saved as the program saves
// it, which opens again as it is.
TEST_F(TissueFileTest, ACellRunningClockwiseIsRefusedNamingTheCell)
{
    writeBytes(path("disc.vt"), "Center-based\nCELL_LIST\n100,100,3\nEND_CELL_LIST\n");
    QString error;
    ASSERT_TRUE(load(path("disc.vt"), &error)) << error.toStdString();
    ASSERT_TRUE(save(path("ccw.vt"), &error)) << error.toStdString();
    ASSERT_TRUE(load(path("ccw.vt"), &error)) << error.toStdString();
    ASSERT_EQ(reader->cells.size(), 1u);
    ASSERT_EQ(reader->cells[0]->sides.size(), 20u);

    const QString file = path("cw.vt");
    writeBytes(file, reverseRing(readBytes(path("ccw.vt")), 0));
    boxes.texts.clear();
    EXPECT_FALSE(load(file, &error));
    EXPECT_TRUE(QRegularExpression("^line \\d+: cell 0 does not run counter-clockwise \\(signed area -309\\.0\\d*\\)")
                    .match(error)
                    .hasMatch())
        << error.toStdString();
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_EQ(boxes.texts[0], QString("Cannot read file %1:\n%2.").arg(file, error));
    // The disc is still open, as it was read.
    ASSERT_TRUE(save(path("after.vt")));
    EXPECT_EQ(readBytes(path("after.vt")), readBytes(path("ccw.vt")));
}
