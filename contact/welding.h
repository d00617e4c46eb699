// Building blocks shared by the welding routines of the contact stage: the
// initial welding of a pair, its gap closing, the third-cell blocks and the
// stretch re-welding. They are free functions on the engine because none of
// them is a stage of its own; each one that can meet a broken ring reports
// it with a false result so that the stage above can turn it into a step
// result instead of walking a ring for ever.
#ifndef VANTU_CONTACT_WELDING_H
#define VANTU_CONTACT_WELDING_H

#include "model/dbreader.h"

#include <iostream>
#include <string>
#include <vector>

namespace welding {

// The target length of a boundary edge.
constexpr double kTargetLength = 3.14159265;

struct Pos {
    double x; // world units
    double y; // world units
};

inline Pos pos_of(const point3D* p) { return Pos{p->x, p->y}; }
inline Pos midpoint(Pos a, Pos b) { return Pos{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5}; }
inline void move_to(point3D* p, Pos at) { p->x = at.x; p->y = at.y; }

// The cell of a boundary vertex: the owner of its outgoing edge.
inline cell* cell_of(const point3D* p) { return p->out_edge ? p->out_edge->cell : nullptr; }

// The bounding box of a cell, from its extreme vertices.
struct Box {
    double xmin, ymin, xmax, ymax; // world units
};

// The arrangement table of two boxes: row 1..4 a corner overlap (b upper
// right, lower left, lower right, upper left of a), 5..12 a side overlap
// (b right, left, below, above of a with its range within a's; then a's
// range within b's: b left, right, above, below). All tests inclusive.
bool arrangement_row(int row, const Box& a, const Box& b);
// The first row that holds, 0 when none does.
int arrangement(const Box& a, const Box& b);

// The extreme vertices of a cell's box.
struct Extremes {
    point3D* xmin;
    point3D* ymin;
    point3D* xmax;
    point3D* ymax;
};

// Refreshes both cells' boxes and reads their extreme vertices and limits;
// false when a cell has no box (no sides).
bool read_boxes(interpair* pair, Extremes& A, Extremes& B, Box& a, Box& b);

// How many vertices a walk around c's ring may visit before it must have
// come back: every live vertex starts one side, plus slack for the sides that
// a routine appends while it walks.
int ring_bound(const cell* c);

// Number of target-length segments that fit between a and b (truncated).
int target_count(Pos a, Pos b);

// Unwelds e and, when it has one, its partner: both become free and forget
// each other, so no edge is left pointing at an edge that does not point back.
void unbond(edge* e);

// Welds two facing edges of a pair. Former partners of either edge are
// released on both sides first.
void bond(edge* e, edge* f, interpair* pair);

// Takes e out of the sides of its cell; a bonded e is unwelded on both sides.
void remove_side(edge* e);

// The stretch of K whose run (on either cell) holds w; K's first stretch when
// none does, null when K has none. A contact with several stretches keeps
// each one's welds apart this way.
mergepair* stretch_holding(const interpair* K, const point3D* w);
// The stretch of K whose run holds w, null when none does: what a clean-up
// deletes, since a contact whose stretches all lie elsewhere has nothing
// there to lose.
mergepair* stretch_through(const interpair* K, const point3D* w);

// Junction trim: when e (one of v's two edges) is welded to a third cell, the
// first stretch of that contact is cut back to end at v. Returns e's pair
// when e is bonded, else null; a pair without a stretch has nothing to cut.
interpair* trim_junction(edge* e, point3D* v);

// The vertices of a gap are re-welded to the facing cell or dropped, so no
// stretch of another contact of their cells may go on ending at one of them:
// a stretch wholly inside the gap is deleted, and one that only ends inside
// (the trims cut back only those whose border edge is still welded) has that
// end moved out to the first vertex beyond the gap that is welded to the
// stretch's other cell. Otherwise a stretch would name vertices that are no
// longer welded to it, or no longer alive.
void release_inner_stretches(const interpair* pair, const std::vector<point3D*>& inner);

// A vertex that leaves its ring: its partners forget it and it leaves its
// node as node_remove_1 says. Its own links stay as they were.
void drop_vertex(dbReader& db, point3D* r);

// A run loses `count` vertices after `keep` (walking next, or prev when
// `backward`): their edges leave the cell, the vertices are dropped, and the
// edge that reached `end` is re-attached to `keep`.
void shorten_run(dbReader& db, point3D* keep, int count, point3D* end, bool backward);

// Every partner of u forgets u and u forgets them.
void detach_partners(point3D* u);

// u, moved already, becomes the only partner of the new vertex N and shares a
// fresh node with it.
void weld_to_new_vertex(dbReader& db, point3D* u, point3D* N);

// v (one cell) and w (the facing cell) are re-welded as a couple at `at`.
void reweld_couple(dbReader& db, point3D* v, point3D* w, Pos at);

// The j-th of K evenly spaced places between `from` and `to` (j = 1 .. K,
// j = 1 nearest `from`).
inline Pos place_along(Pos from, Pos to, int j, int K)
{
    const double t = static_cast<double>(j) / static_cast<double>(K + 1);
    return Pos{(1.0 - t) * from.x + t * to.x, (1.0 - t) * from.y + t * to.y};
}

// One side of a gap between two welded couples has no vertex, only the edge
// Fe -> Le: it gains one at the middle of `from` and `to`, and the full side
// F..L (along next, interior u in ring order) keeps only its vertex next to
// L, moved there and welded to it; the others are dropped. With
// `markUnused` the edges that leave the cells are marked out of use.
void fill_one_side(dbReader& db, interpair* pair, point3D* F, point3D* L,
                   const std::vector<point3D*>& u, point3D* Fe, point3D* Le, Pos from, Pos to,
                   bool markUnused = false);

// A welded run whose facing run is shorter: the rich run (interior vertices
// along next from its first end when the poorer cell is the second one,
// else along prev) keeps all K = rich.size() vertices; those after the
// first `have` move to their places between `from` and `to` and each gets
// a new facing vertex on `poor`, inserted after `last` (the poorer run's
// last vertex so far, walking from the `from` end). The poorer run is then
// closed to `poorEnd`, whose edge is replaced and bonded to `richEnd`'s
// (and marked out of use with `markUnused`).
void grow_poorer_run(dbReader& db, interpair* pair, const std::vector<point3D*>& rich, int have,
                     cell* poor, bool poorIsSecond, point3D* last, point3D* poorEnd, point3D* richEnd,
                     Pos from, Pos to, bool markUnused = false);

// The crossing code the contact response's walks and the crossing test
// (cells_cross) go by: that of dbReader::intersection_type, but where that
// says -1 for an end of one edge lying on the inside of the other (within
// its snapping) while the end's ring passes through the other edge's line
// there, the two rings cross at or next to that vertex, and the code is
// the halves code of a proper crossing at the vertex's place along the
// other edge (crossing_halves_code, the vertex's own parameter 0 or 1). Of
// the vertex's two edges the crossing counts for the one it lies on before
// snapping: the one ending at the vertex when the computed parameter puts it
// exactly on the line. What holds of that:
//  - a vertex exactly on the line (coordinates the arithmetic holds
//    exactly) is claimed by one of its edges, except that a vertex of P's
//    ring at the exact middle of Q's edge gets the halves code -1 there and
//    is claimed by none (a vertex of Q's ring at the middle of P's edge is
//    claimed);
//  - each edge computes its parameter apart, so a vertex on the line only
//    up to rounding may be claimed by both of its edges or by neither.
// A vertex that touches the other edge and turns back is no crossing.
int crossing_type(point3D* P, point3D* Q);

// New records, appended with id = the size of their list.
point3D* new_vertex(dbReader& db, Pos at);
edge* new_edge(dbReader& db, point3D* p1, point3D* p2, cell* owner);
interpair* new_pair(dbReader& db, cell* x, cell* y);

// The first not-removed pair of x that joins x and y, or null.
interpair* find_pair(cell* x, cell* y);

// The first pair of x that joins x and y whatever its removed flag, or null:
// a dissolved contact still blocks a new one between the same cells.
interpair* find_any_pair(cell* x, cell* y);

// The last partner of v that lies on `on`, or null.
point3D* last_partner_on(const point3D* v, const cell* on);

// Whether some partner of p and some partner of q belong to one cell.
bool share_partner_cell(const point3D* p, const point3D* q);

// Ring steps from `from` to `to` along next (prev when `backward`); -1
// when `to` is not met within the ring's bound.
int ring_steps(const point3D* from, const point3D* to, bool backward);
// The sum of two such counts; -1 when either walk fails.
int ring_steps_sum(const point3D* from1, const point3D* to1, bool backward1, const point3D* from2,
                   const point3D* to2, bool backward2);

// How a stretch running from `start` to `end` along next lies from p on the
// same ring: `ahead` steps from p on to its start, `behind` steps from its
// end on to p. A stretch end moved to p grows over the shorter of the two;
// moved over the longer, the re-weld would run round the far side of both
// rings. Either count is -1 when the walk does not close.
struct StretchSides {
    int ahead;
    int behind;
    bool known() const { return ahead >= 0 && behind >= 0; }
};
StretchSides stretch_sides(const point3D* p, const point3D* start, const point3D* end);

// A live vertex on a closed ring (both links and both edges set).
bool on_ring(const point3D* p);
// x1 and x2 live on one cell, y1 and y2 live on another.
bool ends_on_two_cells(const point3D* x1, const point3D* x2, const point3D* y1, const point3D* y2);

// Counts the vertices strictly between `from` and `to` walking next (or prev
// when `backward`); -1 when `to` is not met within the ring's bound.
int count_between(const point3D* from, const point3D* to, bool backward);

// End fusion of a crossing: `a` (one cell) and `c` (the facing cell) move
// to `at` together with all their partners; `groupA` gets a's other
// partners and `groupC` c's; then a and c list each other.
void fuse_ends(point3D* a, point3D* c, Pos at, std::vector<point3D*>& groupA,
               std::vector<point3D*>& groupC);

// The usual end fusion: a and c meet at their midpoint, which is returned,
// and fuse there as fuse_ends says.
Pos fuse_at_midpoint(point3D* a, point3D* c, std::vector<point3D*>& groupA, std::vector<point3D*>& groupC);

// The line a caller may have the third-cell block write when it re-welds a
// contact: prefix, the two ids, separator, then the contact's cell1 and
// cell2 ids; `afterReweld` writes it after the re-weld instead of before.
struct BlockTrace {
    const char* prefix;
    int firstId;
    int secondId;
    const char* separator;
    bool afterReweld;
};

// The third-cell block at a freshly fused point: x on cell X and y on cell Y
// have just been linked; when the edges beyond them already meet, the contact
// of X and Y is recorded or extended. False when a ring walk failed.
bool third_cell_block(dbReader& db, point3D* x, point3D* y, bool forward,
                      const BlockTrace* trace = nullptr);

// Links every partner of `owner` (and then `owner` itself, both ways) with
// every vertex of `group`, running the third-cell block after each link.
bool link_group(dbReader& db, point3D* owner, const std::vector<point3D*>& group,
                bool forward);

// What the callers of close_gap do differently: which cells are told to
// rebuild their inner mesh, and whether the edges that leave a cell while a
// side gains vertices or collapses to one are marked out of use.
struct GapPolicy {
    bool flagChanged = false;      // flag each cell that gains or loses vertices
    bool flagBothWhenEmpty = false; // a side without vertices: flag both cells, not the full one only
    bool markUnused = false;       // replaced edges get in_use 0
};
// The initial welding's gap closing: no flags, edges keep their in_use.
constexpr GapPolicy kPlainGap{};
// The stretch re-welding: the changed cells are flagged.
constexpr GapPolicy kReweldGap{true, false, false};
// Extending a stretch by one couple: a side without vertices flags both
// cells, and replaced edges are marked out of use.
constexpr GapPolicy kExtendGap{true, true, true};

// The gap between two welded points of a pair becomes one welded stretch.
// FA..LA runs along next on the pair's first cell, FB..LB along next on the
// second; FA is welded to LB and LA to FB. PA is FA's place, PL LA's: the
// j-th surviving couple from FA lies at place_along(PA, PL, j, count). False
// when a walk failed or there is no pair (nothing changed then).
bool close_gap(dbReader& db, interpair* pair, point3D* FA, point3D* LA, point3D* FB,
               point3D* LB, Pos PA, Pos PL, const GapPolicy& policy = kPlainGap);

// The stretch re-welding with its outcome: false when the ends do not lie on
// their rings as required or the two cells have no pair (nothing changed).
// `fallback` is the pair the welds are bonded to when the two cells have no
// live pair of their own (a caller that welds for a pair passes it).
bool boundary_merge(dbReader& db, point3D* P1, point3D* P2, point3D* Q1, point3D* Q2,
                    interpair* fallback = nullptr);

// The vertices strictly between `from` and `to` (walking next, or prev when
// `backward`) in walking order; false when `to` is not met within the
// ring's bound.
bool collect_run(point3D* from, point3D* to, bool backward, std::vector<point3D*>& run);

// One side of a stretch about to be re-welded, `run` lying strictly between
// its ends end1 and end2: the contacts welded over `beyond1` (an edge of
// end1) and `beyond2` (of end2) are cut back to end at them
// (trim_junction), every other contact welded along the run loses the
// stretch there (a vertex met twice drops two), and no stretch of another
// contact goes on naming a run vertex (release_inner_stretches). `main` and
// the two end contacts are spared.
void release_side(point3D* end1, edge* beyond1, point3D* end2, edge* beyond2,
                  const std::vector<point3D*>& run, interpair* main);

// The contact of the cells of e and f: e's pair when e and f are welded to
// each other, else the first live pair joining their cells; null when none.
interpair* main_pair(edge* e, edge* f);

// The welding of a pair that has no stretch yet, over the candidate vectors.
bool weld_new_pair(dbReader& db, interpair* pair, const std::vector<point3D*>& S,
                   const std::vector<point3D*>& T);

// The initial welding of one pair; -1 on success, else the pair's id with the
// engine's message set.
int weld_pair(dbReader& db, interpair* pair);

// Contact intervals of a pair for the per-step contact response (its
// arrangement code and the arcs to search, two entries per arc). For a
// welded pair `stretchOf`, when given, receives the index of the stretch
// each appended S/T couple belongs to, since a crossing arrangement may
// append nothing for some stretches.
int contact_intervals(dbReader& db, interpair* pair, std::vector<point3D*>& S, std::vector<point3D*>& T,
                      std::vector<std::size_t>* stretchOf);

// Makes sure a live pair of x and y exists (nothing for one cell).
void ensure_pair(dbReader& db, cell* x, cell* y);

// Fusion at one weld point: p (one cell) and q (another) move to `at` with
// all their partners; `Gp` receives p's other partners and `Gq` q's, as
// they were; then p, q and both groups list each other across the groups and
// every two cells that meet there get a pair. Two vertices of one cell are
// never made partners: such a couple is a pinch that cut_pinched_arc cuts.
void fuse_weld_point(dbReader& db, point3D* p, point3D* q, Pos at, std::vector<point3D*>& Gp,
                     std::vector<point3D*>& Gq);
// The two halves of fuse_weld_point, for a caller that fuses two points at
// once: first both gather, then both link.
void gather_weld_point(point3D* p, point3D* q, Pos at, std::vector<point3D*>& Gp, std::vector<point3D*>& Gq);
void link_weld_point(dbReader& db, point3D* p, point3D* q, const std::vector<point3D*>& Gp,
                     const std::vector<point3D*>& Gq);

// A third cell with one vertex in each group passes twice through the weld
// point: its shorter loop (the one from the vertex in Gp on a tie) is cut
// away, its welds along the loop handed to the survivor. `lastCouple` picks
// the last qualifying couple of Gp instead of the first. A cut that would
// leave the cell fewer than three sides removes the cell instead.
void cut_pinched_arc(dbReader& db, point3D* p, point3D* q, const std::vector<point3D*>& Gp,
                     const std::vector<point3D*>& Gq, bool lastCouple);

// The crossing table: for a crossing code of intersection_type(P, Q) the
// ends of the two crossing edges nearer to the crossing (P's side, Q's
// side); false for the codes that record nothing.
bool crossing_ends(int code, point3D* P, point3D* Q, point3D*& pEnd, point3D*& qEnd);

// Snaps a crossing couple together: partners of each other in one node, at
// their midpoint when both are loose; a vertex welded already keeps its
// place and the loose one joins its weld (linked with all its partners).
void snap_couple(dbReader& db, point3D* u, point3D* v);
// Whether snap_couple can weld u and v soundly: two cells, at most one of
// them welded already (unless to each other), and the loose one's cell not
// in that weld.
bool snappable(const point3D* u, const point3D* v);

// The end check of a contact's first stretch for the couple p (on `own`),
// q: 1 when it belongs at the first end (X1 on own, Y2 facing it), 0 at the
// second, with `first`/`second` the couple to weld there. -1, with nothing
// changed, for dead or misplaced vertices or a ring that does not close. A
// contact without a stretch throws std::out_of_range before anything moved.
int end_check(dbReader& db, interpair* pair, cell* own, point3D* p, point3D* q, point3D** first,
              point3D** second);

// The end refresh of a weld (a, b on one cell, c, d on the other): the ends
// move onto the first crossings beyond them, snapped together. False, with
// nothing changed, for dead or misplaced vertices or a ring that does not
// close; true otherwise (also when nothing usable was found, as when the
// crossings found around a single welded point would leave that point
// outside the refreshed weld).
bool end_refresh(dbReader& db, point3D** a, point3D** b, point3D** c, point3D** d);

// Stretch surgery of the merges that extend a welded stretch by one couple
// (boundary_merge_1) or open a contact at one or two fused points
// (boundary_merge_0). Each returns false, with nothing changed, when the
// vertices it was given are not live boundary vertices on the rings it needs.

// Cuts the arc of k's cell that starts at r (walking next, or prev when
// `backward`) and ends before k: its vertices are dropped, their edges leave
// the cell unbonded on both sides (marked out of use with `markUnused`), and
// k takes r's in edge (along next) or out edge (along prev). F, G and their
// partners forget r; the cell's stretch ends on the arc move to k, their
// facing ends to k's partner on the facing cell unless k is welded to them
// already; a stretch with neither goes. A cell that a cut would leave with
// fewer than three sides is removed instead (cell_death_response).
bool collapse_arc(dbReader& db, point3D* r, point3D* k, bool backward, point3D* F, point3D* G,
                  bool markUnused);

// The arc collapses with each merge's own search and tie rule:
//  - extension at the fused couple (c, d): the first former partner of c
//    sharing a cell with one of d's; a tie keeps d's partner;
//  - opening at a single point P, Q: the last former partner of P whose out
//    edge's cell holds the in edge of one of Q's (its first such); a tie
//    cuts P's side;
//  - opening at two points: the first couple of the member's lists, at the
//    first point along next (a tie keeps the second list's vertex), at the
//    second along prev matching in edge to out edge.
bool collapse_extension(dbReader& db, point3D* c, point3D* d, const std::vector<point3D*>& Lc,
                        const std::vector<point3D*>& Ld);
bool collapse_single_point(dbReader& db, point3D* P, point3D* Q, const std::vector<point3D*>& Lp,
                           const std::vector<point3D*>& Lq);
bool collapse_two_point(dbReader& db, point3D* F, point3D* G, const std::vector<point3D*>& first,
                        const std::vector<point3D*>& second, bool atSecondPoint);

// Junction merge and release when the stretch end (a, b) moves out to the
// fused couple (c, d): a and c on one cell, c before a; b and d on the
// other, d after b. c and d share a node, `main` gets the contact of the two
// cells (null when none), then side B and side A are released
// (release_side).
bool junction_merge_extension(dbReader& db, point3D* a, point3D* b, point3D* c, point3D* d,
                              interpair*& main);
// The same for a stretch opened between the fused couples (S1, T1) and (S2,
// T2): S2 after S1 on one cell, T2 before T1 on the other. Side A, then B.
bool junction_merge_opening(dbReader& db, point3D* S1, point3D* S2, point3D* T1, point3D* T2,
                            interpair*& main);

// The re-weld of the loose pieces in `main` (no pair: nothing done, false):
// for an extension the pieces c..a and b..d, laid from m (the fused point)
// towards a0 (a's place at entry); for an opening S1..S2 and T2..T1, laid
// from mid1 to mid2.
bool reweld_extension(dbReader& db, interpair* main, point3D* a, point3D* b, point3D* c, point3D* d,
                      Pos m, Pos a0);
bool reweld_opening(dbReader& db, interpair* main, point3D* S1, point3D* S2, point3D* T1,
                    point3D* T2, Pos mid1, Pos mid2);

// One diagnostic trace line of the alternative merges: the pieces one after
// the other, then a newline and a flush.
template <class... Pieces>
void trace_line(const Pieces&... pieces)
{
    (std::cout << ... << pieces) << '\n' << std::flush;
}

// The contact of x's cell with y's cell, searched among x's cell's live
// pairs, when it has a stretch to re-weld. Otherwise it is made here and
// null returned: a missing contact is created with x's cell first (holding
// the single point x-y when `withStretch`), an empty one starts with that
// single point (its S end on its first cell).
interpair* contact_for(dbReader& db, point3D* x, point3D* y, bool withStretch);

// The ends of P's first stretch that the couple (x, y) takes when it becomes
// one of its end couples: x a first end (S1 on P's first cell, else T1), y
// the facing second end. Null, with nothing set, when P has no stretch.
mergepair* couple_ends(interpair* P, point3D* x, point3D**& xEnd, point3D**& yEnd);

// The partner block at a fused point: every vertex u of `owner`'s partners
// (read afresh: the list grows) takes every vertex v of `inner` on another
// cell as a partner; then, unless u is passed over (its out edge, or in
// edge, is welded, or u is `passOver`), the contact of u's and
// v's cells is created, started or re-welded with (x, y) as its new first
// end couple, traced with `literal`.
struct PartnerRun {
    point3D* owner;                    // whose partner list is walked
    const std::vector<point3D*>* inner; // the fixed former partners
    bool testOutEdge;                  // u passed over when its out edge is welded (else its in edge)
    point3D* passOver;                 // a vertex never handled as u
    bool uFirst;                       // x = u, y = v (else x = v, y = u)
    const char* literal;               // the trace line's first piece
    bool writeLoads;                   // the new ends take their vertices' adhesion loads
    bool newWithStretch;               // a new contact starts with the single point u-v
    const char* separator = ", boundary merge 2: "; // between the two ids and the contact's cells
    bool traceEnds = false;            // a second line: the literal and the four re-welded vertices' ids
};
void partner_block(dbReader& db, const PartnerRun& run, const cell* A, const cell* B);

// The front of a fused vertex's contact with a third-cell partner w: for two
// cells, links both ways, then contact_for(f, w); null when nothing is left
// to re-weld. Two vertices of one cell are left unlinked.
interpair* link_fused_partner(dbReader& db, point3D* f, point3D* w);

// Every former partner w of the other fused vertex is linked with f and its
// contact brought up to date: re-welded, after an end refresh, with (x, y)
// = (f, w), or (w, f) when not `fIsX`, as its new first end couple, when
// neither old end is already there, or both are on a single-point side of
// f. Each re-weld is traced with `prefix` and the contact's two cell ids.
void third_cell_contacts(dbReader& db, point3D* f, const std::vector<point3D*>& partners, bool fIsX,
                         const std::string& prefix);

// What a merge did: everything, nothing (refused before any change), or
// stopped part-way at a state it could not walk (changes made so far stay).
enum class MergeOutcome { Done, Refused, Stopped };

// Moves the end (a, b) of a welded stretch out to (c, d): c before a on a's
// cell, d after b on b's. `pairId` is only traced. Refused, with nothing
// changed, for dead or misplaced vertices, rings that do not close, no
// contact between the two cells, or c or d already welded to either main
// cell at another vertex.
MergeOutcome extend_stretch_end(dbReader& db, point3D* a, point3D* b, point3D* c, point3D* d, int pairId);

} // namespace welding

#endif
