// Contacts the mechanics makes between cells that have none yet. The contact
// pass only updates existing pairs, and the gap pairing of the edge
// corrections only looks a few free edges around a gap, so two cells pushed
// across a wider gap into each other would keep crossing boundaries step
// after step. After the gap pairing, such cells are paired so that the edge
// stage welds them like any other new contact, and so is a pair that a stage
// after the contact pass made for cells that cross; where no such crossing
// is left, the stages run exactly as without this search.
#ifndef VANTU_CONTACT_CROSSING_CONTACTS_H
#define VANTU_CONTACT_CROSSING_CONTACTS_H

#include <utility>
#include <vector>

class dbReader;
struct interpair;
struct cell;

namespace welding {

// The contact to answer of every two live cells whose boundaries properly
// cross and which are not welded by a live pair: their live pair when it has
// no stretch yet (a stage earlier in the step made it, as where a cell left
// and its neighbours were paired across the gap); else a dissolved one still
// listed without a stretch, revived (a contact the rear of a migrating cell
// let go of); else a new one. Returns them in cell order.
std::vector<interpair*> pair_crossing_cells(dbReader& db);

// Whether a side of one of the two live cells properly crosses a side of the
// other, as the contact response classifies sides.
bool cells_cross(dbReader& db, cell* a, cell* b);

// The live cells that lie across each other at a point where they are
// welded: at a vertex of one welded to a vertex of the other, the interiors
// of the two rings there overlap. Their sides then meet only at the weld,
// where no crossing test sees them, and no walk of the contact response
// starts from such a point. Each two cells once, the one of lower id first,
// in cell order.
std::vector<std::pair<cell*, cell*>> cells_overlapping_at_welds(const dbReader& db);

// Gives the live pair the contact stage's second-pass response while its two
// cells cross, a bounded number of times (none when they do not cross).
// Returns -1, or a response's failure index.
int respond_while_crossing(dbReader& db, interpair* pair, int step);

} // namespace welding

#endif
