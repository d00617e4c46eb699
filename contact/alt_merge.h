// The alternative two-cell family: a contact response that opens a contact
// at the places where two boundaries cross and welds each of them with
// boundary merge 0, which fuses the welded point and carries the fusion to
// the third cells welded there. Nothing in the simulation step calls this
// family; it stands beside the contact response the step uses.
//
// The response and the merge call each other: the merge hands older contacts
// whose welds it moved back to the response. A nesting guard keeps the chain
// within response, merge, response, merge; a deeper call is refused.
#ifndef VANTU_CONTACT_ALT_MERGE_H
#define VANTU_CONTACT_ALT_MERGE_H

#include "model/dbreader.h"

#include <utility>

namespace welding {

// Levels of the family that may be open at once.
constexpr int kAltMaxNesting = 4;

// One level of the family while it lives; `refused()` when the level would
// go past kAltMaxNesting (the caller then does nothing).
class AltNesting {
public:
    AltNesting();
    ~AltNesting();
    AltNesting(const AltNesting&) = delete;
    AltNesting& operator=(const AltNesting&) = delete;
    bool refused() const { return refused_; }
    // The deepest nesting reached since the last reset.
    static int peak();
    static void reset_peak();

private:
    bool refused_;
};

// The contact response of the family: STEP_OK, or the pair's id (0 for no
// pair) with an "ERROR: " message in the engine when the contact cannot be
// handled (no pair, a removed one, a dead cell, a cell paired with itself,
// the nesting guard) or a ring walk does not come back.
int respond_alt(dbReader& db, interpair* pair);

// The crossings found beyond the two ends of a welded stretch by the
// extension's walks: U (first cell) and V (second) beyond S1 and T2, A
// (first cell) and B (second) beyond S2 and T1; null where a walk did not
// run or found nothing. Collinear edges (code 9) record nothing here.
struct EndCrossings {
    point3D* U = nullptr;
    point3D* V = nullptr;
    point3D* A = nullptr;
    point3D* B = nullptr;
};

// The walks of one stretch m between its candidates (sBefore before S1,
// sAfter after S2 on the first cell; tBefore before T1, tAfter after T2 on
// the second). An end whose edge beyond it is welded does not move. False
// when a walk did not come back.
bool extension_walks(dbReader& db, const mergepair* m, point3D* sBefore, point3D* sAfter, point3D* tBefore,
                     point3D* tAfter, EndCrossings& found);

// The couple an end (e on the first side, f on the second) moves to: the
// found couple, or the end's outward neighbours (eOut, fOut) when exactly one
// found vertex is the end itself.
std::pair<point3D*, point3D*> moved_end(point3D* e, point3D* f, point3D* foundE, point3D* foundF, point3D* eOut,
                                        point3D* fOut);

// Whether p and q (on two cells) can be fused at one point: neither is
// welded, besides to the other, to a vertex of either cell. Fusing carries
// their partners to the point: a partner on either cell would put two
// vertices of one cell there, a pinch that the arc removal (third cells
// only) cannot mend, and the partner steps would then re-weld the contact
// of the two cells itself and pull its stretch apart.
bool fusable(const point3D* p, const point3D* q);

// Boundary merge 0 of the stretch (S1, S2 on one cell; T1 welded to S1, T2 to
// S2 on the other). False when a ring walk or a re-weld met a broken ring;
// a stretch the merge cannot weld (dead or misplaced vertices, one end a
// single vertex and the other a run) is left alone with a true result.
bool merge_0(dbReader& db, point3D* S1, point3D* S2, point3D* T1, point3D* T2, int pair_id);

// Whether merge_0 welds this stretch: a single welded point or a stretch
// with two ends on each cell.
bool merge_0_welds(const point3D* S1, const point3D* S2, const point3D* T1, const point3D* T2);

} // namespace welding

#endif
