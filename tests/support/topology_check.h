#ifndef VANTU_TESTS_SUPPORT_TOPOLOGY_CHECK_H
#define VANTU_TESTS_SUPPORT_TOPOLOGY_CHECK_H

// Topology checker: every invariant that the stages keep on the tissue records,
// checked on a whole engine, each broken one reported with the ids involved.
// Tests that change topology call it after every operation:
//
//   EXPECT_TRUE(topologyIsSound(*engine));                  // prints every fault
//   auto faults = checkTopology(*engine);
//   EXPECT_TRUE(hasFault(faults, TopologyInvariant::Bonds));
//
// Only live records are held to the invariants: cells with cell::dead 0, vertices
// with point3D::alive 1, pairs with interpair::removed 0, nodes with node::active 1.

#include "model/dbreader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

enum class TopologyInvariant {
    // Every record's id equals its index in its engine list; no slot is null.
    Ids,
    // Each live cell's sides form one closed ring of at least three live, in-use
    // edges, in any order (welding appends new sides at the end of the list; the
    // ring order is that of the links): every side's edge::cell is the cell, p1.next = p2, p2.prev = p1, p1.out_edge = p2.in_edge = the side, and
    // a walk along next comes back after exactly as many vertices as sides. Every
    // live vertex lies on exactly one live cell's ring.
    Ring,
    // Each live ring runs counter-clockwise (positive signed area).
    Orientation,
    // Merge partners are mutual, never the vertex itself, listed once, live, at
    // the same coordinates (within 1e-9) and on another cell.
    Partners,
    // Each live vertex belongs to exactly one active node, which lists it once;
    // welded vertices share their node; an active node is not empty, lists only
    // live vertices whose node it is, and its members are mutual partners.
    Nodes,
    // A bonded edge has a bonded partner on the other cell of its pair, that
    // partner is a side of its cell, points back to it and names the same live
    // pair, which holds at least one stretch; the two run opposite ways, with
    // e.p1 welded to partner.p2 and e.p2 to partner.p1.
    Bonds,
    // Every stretch of a live pair has its S ends on live vertices of cell1 and
    // its T ends on cell2, with S1 welded to T2 and S2 to T1.
    Stretches,
    // A live pair joins two different live cells and is listed once in the pairs
    // of both; every pair a live cell lists names that cell.
    Pairs,
};

struct TopologyFault {
    TopologyInvariant invariant;
    std::string what;  // the broken rule and the record ids involved
};

// Checks every invariant; an empty result means a sound tissue.
std::vector<TopologyFault> checkTopology(const dbReader& engine);

const char* invariantName(TopologyInvariant invariant);
bool hasFault(const std::vector<TopologyFault>& faults, TopologyInvariant invariant);
// One line per fault: "<invariant>: <what>".
std::string describeFaults(const std::vector<TopologyFault>& faults);
// For EXPECT_TRUE / ASSERT_TRUE: success, or a failure listing every fault.
::testing::AssertionResult topologyIsSound(const dbReader& engine);

#endif
