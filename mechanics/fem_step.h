#ifndef VANTU_MECHANICS_FEM_STEP_H
#define VANTU_MECHANICS_FEM_STEP_H

// The working data of one mechanics step (dbReader::cell_dynamic_FEM) and its
// stages as separate calls, so that tests and benchmarks can run a stage
// alone and look at the assembled system.
//
// What flows through a step:
//   areas -> equation numbers and loads F1, F2 (junction heads, then inner
//   points) -> 2x2 node blocks (le_sm) -> compressed rows + diagonal D ->
//   five solves on the one matrix (U1, U2 for the loads, U3 three times for
//   the area relaxation) -> internal forces, adhesion loads, cues and the five
//   breakage lists -> release.
//
// Storage is sparse throughout: a point's couplings are the blocks in its
// point3D::node_sm, found by a linear walk; the rows are laid out once with
// exact sizes (2m + 1 entries for a point with m blocks: m blocks of two
// columns, plus the x-y coupling of its own diagonal block); the diagonal is
// kept apart in D. Nothing is N x N.
//
// Every stage returns dbReader::STEP_OK or the index (>= 0) of the cell (or
// node) at fault, with the text in dbReader::message. The destructor releases
// everything the step holds, whatever stage it ended in, and leaves no
// point3D::node_sm naming a freed block.

#include "model/dbreader.h"

#include <deque>
#include <vector>

class FemStep {
public:
    explicit FemStep(dbReader& engine);
    ~FemStep();
    FemStep(const FemStep&) = delete;
    FemStep& operator=(const FemStep&) = delete;

    // Stage 1: centres, area history and areas of the live cells; cells that
    // became too small are marked dying.
    void update_areas();
    // Takes the cell count M used by every later stage.
    void take_cell_count();
    // Stage 3: numbers the unknowns and builds F1 and F2; checks the rings,
    // welds and positions the later stages rely on.
    int number_and_load();
    // Stage 4: element matrices, node blocks, D and the compressed rows.
    int assemble();
    // Stage 5: solves for F1 and F2 and moves the tissue by U1.
    int solve();
    // Stage 6: three solves towards the target areas, the drift of the fixed
    // cells, and the refreshed tension and pressure fields.
    int relax_displacement();
    // The relaxation load b3 of one pass (1 to 3) at the current positions
    // and areas, with the start values of U3 and W3.
    void relaxation_load(int pass);
    // Stage 7: internal forces, adhesion loads and cues of the contacts and
    // junctions of migrating or driven cells; fills the breakage lists.
    int recover_and_break();
    // Stage 9: the unwelding responses over the five breakage lists, in
    // order; the first failing response ends the stage with its result.
    int respond_to_breakage();
    // Stage 8: frees the system and every block.
    void release();

    // Force at boundary vertex x from the solution `U` (2N entries): the rows
    // of x in its elements times the element's unknowns. `outer` names the
    // edges of x whose virtual (free) triangle counts too (ends of a stretch).
    void recover_force(point3D* x, const std::vector<double>& U, bool outer_in, bool outer_out,
                       double out[2]) const;
    // Equation number of a point in this step: a boundary vertex's node's,
    // an inner point's own; -1 when it carries none.
    int unknown_of(const point3D* p) const;

    // Row-times-vector of the assembled matrix: (K u)[r] = D[r] u[r] + row r.
    double row_times(int r, const std::vector<double>& u) const;

    dbReader& engine;
    int M = 0;                              // cell count after stage 2

    std::vector<point3D*> equations;        // equation points: node heads, then inner points
    std::vector<double> F1, F2;             // full load and active drive, 2N each
    std::vector<char> held;                 // per equation point: no element reaches it
    std::vector<le_sm*> blocks;             // every node block of the step, in order of creation

    std::vector<double> D;                  // diagonal, 2N
    std::vector<int> R;                     // row ends, 2N
    std::vector<int> columns;               // off-diagonal columns, R[2N-1]
    std::vector<double> values;             // off-diagonal values, R[2N-1]
    std::vector<double> b1, U1, W1;         // first solve: load F1
    std::vector<double> b2, U2, W2;         // second solve: active drive F2
    std::vector<double> b3, U3, W3;         // area relaxation solves
    double drift[2] = {0.0, 0.0};           // mean displacement of the fixed cells' nodes
    int fixed_nodes = 0;

    // The breakage lists, filled by stage 7 for the unwelding responses.
    std::vector<edge*> unweld_edges;        // edges to unweld
    std::vector<edge*> short_edges;         // short junction edges to collapse
    std::vector<point3D*> release_points;   // single welded points to release
    std::vector<point3D*> unweld_points;    // vertices whose welded edges are to be unwelded
    std::vector<point3D*> split_points;     // junction vertices to split

private:
    // The blocks themselves: a deque keeps their addresses while it grows
    // and frees them together, instead of one allocation per block.
    std::deque<le_sm> block_store;

    int fail(int result, const QString& text);
    int check_vertex(point3D* v, int node_position);
    void add_block(point3D* P, point3D* Q, const double G[2][2]);
    void add_element(point3D* const P[], int count, const double (*sm)[6]);
    void lay_out_rows();
    int run_solver(const char* what, std::vector<double>& b, std::vector<double>& U,
                   std::vector<double>& W, double omega);
    void apply(const std::vector<double>& U, bool count_drift);
    // Shifts the free points of U rigidly so that the net force of the
    // remainder b - K U is 0.
    void balance_net_force(const std::vector<double>& b, std::vector<double>& U) const;
    int pair_pass();
    int junction_pass();
};

// Adds G (rows of P, columns of Q) to the first block P's list shares with
// Q, keeping its transpose; returns that block's P-rows matrix, or null when
// P and Q share no block (nothing changes then).
const double (*join_block(point3D* P, point3D* Q, const double G[2][2]))[2];
// The unit outward normal of e (edge::getnormal over its length); (0, 0) for
// a side of zero length.
void unit_normal(edge* e, double out[2]);
// One draw of the mechanics: u = (rand() + 1) * 4.656612873077393e-10 in
// (0, 1]; true when u is strictly below `probability`.
bool mechanics_draw(double probability);

#endif
