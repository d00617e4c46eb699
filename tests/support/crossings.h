#ifndef VANTU_TESTS_SUPPORT_CROSSINGS_H
#define VANTU_TESTS_SUPPORT_CROSSINGS_H

// An independent polygon test for whole tissues: whether the boundaries of two
// different live cells properly cross. Welded edges lie on each other and
// meet at shared or welded vertices; a small tolerance keeps them out.

#include <gtest/gtest.h>

#include <string>
#include <vector>

class dbReader;

// Which cells are compared: every two live cells, or only two that a live
// pair joins (cells that come into contact without a pair are paired by the
// edge corrections, a later stage of the step).
enum class CrossingScope { AllCells, PairedCells };

// One line per proper crossing between the boundaries of two live cells
// ("edge 4 of cell 0 crosses edge 31 of cell 1"); empty when there is none.
std::vector<std::string> boundaryCrossings(const dbReader& engine, CrossingScope scope = CrossingScope::AllCells);

// One line per vertex of a live cell that lies strictly inside another live
// cell ("vertex 12 of cell 0 lies inside cell 1"): the two cells lie across
// each other. Where their sides meet only at the points where they are
// welded, this is the only sign of it; no proper crossing is found there.
std::vector<std::string> cellsLyingAcross(const dbReader& engine, CrossingScope scope = CrossingScope::AllCells);

// Whether any crossing exists; `where` receives the first one.
bool boundariesCross(const dbReader& engine, std::string* where = nullptr);

// For EXPECT_TRUE / ASSERT_TRUE: the topology is sound and no two live cells
// cross; a failure gives the faults or the first crossing, after `where` when
// it is given ("step 12").
::testing::AssertionResult soundAndUncrossed(const dbReader& engine, const std::string& where = {});

#endif
