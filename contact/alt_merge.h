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

// Boundary merge 0 of the stretch (S1, S2 on one cell; T1 welded to S1, T2 to
// S2 on the other). False when a ring walk or a re-weld met a broken ring;
// a stretch the merge cannot weld (dead or misplaced vertices, one end a
// single vertex and the other a run) is left alone with a true result.
bool merge_0(dbReader& db, point3D* S1, point3D* S2, point3D* T1, point3D* T2, int pair_id);

// Whether merge_0 welds this stretch: only a single welded point for now.
bool merge_0_welds(const point3D* S1, const point3D* S2, const point3D* T1, const point3D* T2);

} // namespace welding

#endif
