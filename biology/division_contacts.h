// The contacts of a dividing cell. A division cuts the parent's ring at two
// of its vertices, P and Q: the run from P to Q (along next) stays with the
// parent, the run from Q to P goes to the daughter D, whose twins P' and Q'
// sit on P and Q. Every weld record the parent had must follow its vertices:
// a record on D's run moves to a new contact of D, one that runs across a cut
// vertex is cut there, and one that ends at a cut vertex is shared with the
// twin. After both halves are re-meshed, the neighbours each half now faces
// are found through a triangulation of their mesh points.
//
// The records are classified before anything changes, from P, Q and the
// sides of D's run alone, so that one broken record refuses the division
// while the tissue is still whole.
#ifndef VANTU_BIOLOGY_DIVISION_CONTACTS_H
#define VANTU_BIOLOGY_DIVISION_CONTACTS_H

#include "model/dbreader.h"

#include <vector>

namespace division {

// The cut of a parent ring: the cut vertices, the sides that start on D's run
// (from the side leaving Q to the side entering P, in ring order) and, once
// they exist, the twins.
struct Cut {
    point3D* P = nullptr;          // parent's cut vertex at the end of D's run
    point3D* Q = nullptr;          // parent's cut vertex at the start of D's run
    std::vector<edge*> daughterRun;  // sides of the run from Q to P
    point3D* Pt = nullptr;         // P's twin on D; null until made
    point3D* Qt = nullptr;         // Q's twin on D; null until made

    bool onDaughterRun(const edge* e) const;
};

// The first live contact of `parent` holding a weld record that the
// re-welding cannot trust (an end off its ring, a stretch that does not come
// back within the ring, a stretch across a cut vertex without a partner of
// that vertex on the neighbour), or null when every record is sound.
const interpair* brokenRecord(const cell* parent, const Cut& cut);

// The first live contact of `parent` holding a weld record whose stretch
// has both cut vertices strictly inside it, or null. Such a stretch runs on
// from the parent's run through all of D's run and back (or the other way
// round): it would have to become three records, two of them on the parent,
// so the division is refused instead. Call only once `brokenRecord` found
// every record sound.
const interpair* recordAroundBothCuts(const cell* parent, const Cut& cut);

// The re-welding of the parent's contacts, once D holds its run and the
// twins exist (rings not yet closed). New contacts (D, N) are appended to the
// engine and to the pairs of D and N.
void reweldContacts(dbReader& db, cell* parent, cell* daughter, const Cut& cut);

// Contacts without welds between each half and the cells whose mesh points
// share a triangle with its own, unless the half lists one with that cell
// already (removed or not).
void discoverContacts(dbReader& db, cell* parent, cell* daughter);

}  // namespace division

#endif
