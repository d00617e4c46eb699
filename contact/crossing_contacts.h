// Contacts the mechanics makes between cells that have none yet. The contact
// pass only updates existing pairs, and the gap pairing of the edge
// corrections only looks a few free edges around a gap, so two cells pushed
// across a wider gap into each other would keep crossing boundaries step
// after step. After the gap pairing, such cells are paired so that the edge
// stage welds them like any other new contact, and so is any live pair
// without a stretch whose cells cross; where no such crossing is left, the
// stages run exactly as without this search.
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
// no stretch, whichever stage made it (the pick stage, say, pairs a leaving
// cell's neighbours across the gap after the contact stage has run); else a
// dissolved one still listed without a stretch, revived (a contact the rear
// of a migrating cell let go of); else a new one. Returns them in cell order.
std::vector<interpair*> pair_crossing_cells(dbReader& db);

// Whether a side of one of the two live cells crosses a side of the other,
// as the contact response's walks classify sides (crossing_type, the sides
// of a as P: a crossing through or next to a vertex included, within the
// limits stated there). The response's scan of welded pairs
// (contact_intervals.cpp) still classifies by intersection_type.
bool cells_cross(dbReader& db, cell* a, cell* b);

// The live cells whose interiors overlap at a point where they are welded:
// at a vertex of one welded to a vertex of the other, the interiors of the
// two rings there overlap (beyond a sine of 1e-6). That is all it says: the
// overlap may be a crossing of the sides beside the weld, a sliver along
// sides that meet there, or two cells lying across each other (see below).
// Each two cells once, the one of lower id first, in cell order.
std::vector<std::pair<cell*, cell*>> cells_overlapping_at_welds(const dbReader& db);

// Whether the two live cells lie across each other without crossing: no
// side of one crosses a side of the other (cells_cross), yet a vertex of
// one lies inside the other, farther than 1e-9 from its sides. Their rings
// then pass into each other only at points where they meet, such as their
// welds. Whether the contact response can part them is not told here.
bool cells_lying_across(dbReader& db, cell* a, cell* b);

// Gives the live pair the contact stage's second-pass response while its two
// cells cross, a bounded number of times (none when they do not cross).
// Returns -1, or a response's failure index.
int respond_while_crossing(dbReader& db, interpair* pair, int step);

// The same while the two cells cross or lie across each other.
int respond_while_overlapping(dbReader& db, interpair* pair, int step);

} // namespace welding

#endif
