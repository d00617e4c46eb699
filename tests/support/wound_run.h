#ifndef VANTU_TESTS_SUPPORT_WOUND_RUN_H
#define VANTU_TESTS_SUPPORT_WOUND_RUN_H

// What the whole-tissue behaviour runs share: the cells of the wound sample
// that are typed as clot for the sheet to migrate into, and one simulation
// step on an engine in the order the view runs its stages.

#include <vector>

class dbReader;

// Ids of the cells of type `type` in the column of cell centres on the left
// of the wound, the widest gap between the columns of centres.
std::vector<int> woundEdgeCells(const dbReader& engine, int type);

// One step as the view's loop runs it: re-mesh, behaviour, mechanics,
// contact update, pick and edge corrections, each only after the one before
// succeeded, then the R-tree. -1, or the result of the first stage that
// failed.
int stepAsTheView(dbReader& engine, int step);

#endif
