#ifndef VANTU_TESTS_SUPPORT_CONTACT_RUN_H
#define VANTU_TESTS_SUPPORT_CONTACT_RUN_H

// Whole-tissue runs of the contact stages without the mechanics: cells are
// moved by scripted vectors instead, then the stages run in the step loop's
// order. Welded vertices must stay together, so a vertex in a junction node
// moves by the mean of the vectors of the cells meeting there; a free vertex
// moves with its own cell.
//
//   auto e = weldCentres(randomPacking(7), &error);     // built as a loader does
//   std::vector<Shift> v = ...;                          // one per cell
//   int r = runContactStep(*e, step, v);                 // -1 or the failure index

#include "model/dbreader.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

using Centre = std::pair<double, double>;
using Shift = std::pair<double, double>;

// A cluster grown cell by cell: each new centre at gapMin to gapMax from a
// random earlier one and at least gapMin from all of them. With the default
// 16 to 19.5 neighbours overlap by up to four units and three cells can
// overlap near one place.
std::vector<Centre> randomPacking(unsigned seed, double gapMin = 16.0, double gapMax = 19.5, int minCount = 10,
                                  int maxCount = 50);

// Regular 20-gons at the centres (radius 10, or the given radii), welded by
// the neighbour complex and the initial contact pass; null with the reason
// in *error when the pass fails.
std::unique_ptr<dbReader> weldCentres(const std::vector<Centre>& centres, std::string* error = nullptr,
                                      const std::vector<double>& radii = {});

// Moves the live vertices by the cells' vectors (indexed by cell id; a node
// by the mean over its cells) and refreshes each live cell's area.
void shiftCells(dbReader& engine, const std::vector<Shift>& perCell);

// One step in the loop's order with the scripted shift in place of the
// behaviour and mechanics: mesh, shift, collision stage.
int runContactStep(dbReader& engine, int step, const std::vector<Shift>& perCell);

// The contact, pick and edge stages of `step`, in the loop's order, each run
// only while the ones before it passed: STEP_OK, or what the failing stage
// returned.
int runCorrectionStages(dbReader& engine, int step);

#endif
