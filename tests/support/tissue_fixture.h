#ifndef VANTU_TESTS_SUPPORT_TISSUE_FIXTURE_H
#define VANTU_TESTS_SUPPORT_TISSUE_FIXTURE_H

// Fixture builder: turns a few polygons and the stretches along which they are
// welded into a ready engine, as a tissue loader would leave it.
//
//   TissueLayout layout = twoWeldedCells();          // or write your own layout
//   std::string error;
//   std::unique_ptr<dbReader> engine = buildTissue(layout, &error);
//   ASSERT_TRUE(engine) << error;
//   point3D* v = vertexAt(*engine, 0, 2);        // cell 0, ring vertex 2
//   EXPECT_TRUE(topologyIsSound(*engine));       // see topology_check.h
//
// Numbering. Vertices and edges are numbered cell after cell in ring order:
// vertex k of cell c has id (sum of the ring sizes of cells 0..c-1) + k, and so
// has edge k of cell c, which runs from vertex k to vertex k+1 (mod ring size).
// Cell c has id c.
//
// What the engine holds afterwards:
//  - rings: next/prev, out_edge/in_edge, every side's edge::cell, cell::sides in
//    ring order;
//  - cells: area, centre, extreme vertices, radius 10.0, target area 259.8,
//    the area history filled with the area, cell_type from the layout (the
//    parameter tables are not read: call cell::set_cell_type yourself if a
//    test needs per-type values);
//  - welds: the welded vertices of every stretch are mutual merge partners,
//    the facing edges are bonded partners with the stretch's pair;
//  - pairs: one interpair per pair of welded cells (id in order of first
//    weld, cell1 = the first weld's cell1, adhesion from that weld), listed in
//    both cells' pairs, one mergepair (id 0) per weld in layout order;
//  - nodes: one node per group of welded vertices (a lone vertex is a node of
//    its own), made in order of the group's smallest vertex id, members in id
//    order, point3D::node and point3D::in_node set;
//  - collision_state COLLISION_ESTABLISHED, ready true, bounds = the box of all
//    vertices widened by 1000 on every side. No inner mesh, no R-tree.

#include "model/dbreader.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// One cell: its boundary vertices in counter-clockwise order (at least three).
struct FixtureCell {
    std::vector<std::pair<double, double>> ring;
    int type = 0;  // stored in cell::cell_type
};

// One welded stretch between two different cells. On cell1 it runs from ring
// vertex s1 to s2 along next (counter-clockwise, wrapping past the last vertex),
// on cell2 from t1 to t2; both runs hold the same number of vertices, and as
// the rings run opposite ways, s1 sits on t2 and s2 on t1, the vertices in
// between pairing up one to one. s1 == s2 with t1 == t2 is a single welded
// point (no bonded edge). Welded vertices must coincide (within 1e-9; the
// cell2 vertex is moved onto the cell1 vertex). A weld whose four vertex
// indices are all kNoStretch only makes the contact of the two cells, with
// no stretch, in its place among the pairs.
struct FixtureWeld {
    static constexpr int kNoStretch = -1;
    int cell1;
    int s1;
    int s2;
    int cell2;
    int t1;
    int t2;
    double adhesion = 1.0;  // adhesion of the pair, when this weld creates it
};

struct TissueLayout {
    std::vector<FixtureCell> cells;
    std::vector<FixtureWeld> welds;
};

// Builds the engine, or returns null with the reason in *error when the layout
// is inconsistent (bad indices, clockwise ring, runs of different lengths,
// vertices that do not coincide, an edge welded twice).
std::unique_ptr<dbReader> buildTissue(const TissueLayout& layout, std::string* error = nullptr);

// Ring vertex k and side k of cell c (k taken modulo the ring size).
point3D* vertexAt(const dbReader& engine, int c, int k);
edge* sideAt(const dbReader& engine, int c, int k);

// Two welded cells: two 10 x 10 squares side by side, the shared side split at
// its midpoint. Cell 0: (0,0) (10,0) (10,5) (10,10) (0,10); cell 1: (10,0)
// (20,0) (20,10) (10,10) (10,5). One pair, one stretch (cell 0 vertices 1..3 on
// cell 1 vertices 3..0), three two-vertex nodes.
TissueLayout twoWeldedCells();

// Three cells at a triple junction (10,10): cells 0 and 1 are the squares
// [0,10]x[0,10] and [10,20]x[0,10], cell 2 the rectangle [0,20]x[10,20] above
// them with a vertex at (10,10). Three pairs (0-1, 0-2, 1-2), one stretch each;
// the node at (10,10) holds three vertices.
TissueLayout threeWeldedCells();

// A lone cell: the square (0,0) (10,0) (10,10) (0,10).
TissueLayout singleSquare();

#endif
