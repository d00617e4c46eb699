// Contacts the mechanics makes between cells that have none yet. The contact
// pass only updates existing pairs, and the gap pairing of the edge
// corrections only looks a few free edges around a gap, so two cells pushed
// across a wider gap into each other would keep crossing boundaries step
// after step. Before the pass, such cells are paired so that the pass welds
// them like any new contact.
#ifndef VANTU_CONTACT_CROSSING_CONTACTS_H
#define VANTU_CONTACT_CROSSING_CONTACTS_H

class dbReader;

namespace welding {

// Gives every two live cells whose boundaries properly cross, and which share
// no pair (a dissolved one included), a new pair; returns how many were made.
int pair_crossing_cells(dbReader& db);

} // namespace welding

#endif
