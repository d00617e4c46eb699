#ifndef VANTU_TESTS_SUPPORT_TABLE_VIEW_H
#define VANTU_TESTS_SUPPORT_TABLE_VIEW_H

// The global parameter tables seen by name, so that two loads can be
// compared row for row whatever indices the types and cytokines got: a
// row handed to the wrong type, or kept for a deleted one, shows as a
// difference under that type's name.
//
// loadedTables() reads what UserInitialParas left; expectedTables() works
// out, straight from the database rows, what it should have left: every
// row naming a loaded type or cytokine resolved to it, every other row
// passed over (a cue row naming a cytokine that is gone keeps its
// mechanism, strength and transmission but gives no chemical cue).
//
// Keys, one per loaded row of each table:
//   "types", "cytokines"        the names in index order
//   "type T"                    colour, mechanics and flags of type T
//   "cue T"                     mechanism, strength, transmission, cue
//   "behaviour T"               T's behaviour strings, in row order
//   "synthesis T", "producers K" the synthesis rows by type and by cytokine
//   "degrade T"                 the types T degrades
//   "adhesion A|B"              the matrix entry of A and B, A's index not above B's
// and "problem ..." for every entry the name-keyed reading cannot place
// (a key beyond the loaded types, a list naming no loaded type or
// cytokine, an asymmetric matrix, a name without its index).

#include <map>
#include <string>

namespace table_view {

using Tables = std::map<std::string, std::string>;

Tables loadedTables();
Tables expectedTables();

}

#endif
