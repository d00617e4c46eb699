#ifndef VANTU_SAMPLING_DESTINATION_SET_H
#define VANTU_SAMPLING_DESTINATION_SET_H

// The target region of a sampled trajectory: for some species a range of
// counts to reach. Read from a small text file:
//
//   # comments anywhere ("#" as first character)
//   3                  the species count
//   0 10:20 5          one token per species: lo:hi constrains the species
//                      (it is "effective"), a single number leaves it free
//
// Distances are measured on the effective species only: from a state to the
// middle of every range it misses, between two states, and over a path. The
// border test of the path distances looks at species 6 and 7 against the
// level 50, the layout of the network they were written for; states of fewer
// than eight species are refused there with a message.

#include "sampling/path_list.h"

#include <array>
#include <cstdint>
#include <vector>

class DestinationSet {
public:
    DestinationSet() = default;
    DestinationSet(const DestinationSet&) = delete;
    DestinationSet& operator=(const DestinationSet&) = delete;

    // 1 once the file is read. -1 when it cannot be opened, has no count, a
    // negative or non-numeric count, a line over 255 characters or a species
    // line of fewer tokens than the count: "File read error in <path> <n>"
    // and a line naming the fault; nothing is then allocated. A second read
    // releases the first arrays.
    int readDestinationSet(const char* path);

    unsigned int getNumSpecies() const { return numSpecies; }
    // 0 outside the species.
    int getEffective(unsigned int i) const { return i < numSpecies ? effective[i] : 0; }
    int64_t getLower(unsigned int i) const { return i < numSpecies ? range[i][0] : 0; }
    int64_t getUpper(unsigned int i) const { return i < numSpecies ? range[i][1] : 0; }

    // New vector (the caller's) of the effective species, ascending.
    std::vector<int>* geteffspecies() const;
    double getDistanceFromState(const State* x) const { return distance(x); }
    double getDistanceFromState(const SamplingState* x) const { return distance(x); }
    double getDistanceBtwTwoStates(const State* x, const State* y) const { return between(x, y); }
    double getDistanceBtwTwoStates(const SamplingState* x, const SamplingState* y) const { return between(x, y); }
    // Count of species 7 minus 50; INT_MIN (with a message) for a state of
    // fewer than eight species.
    int getDistance2Edge(const SamplingState* s) const;
    // Smallest distance of a state of the list; 1e8 for an empty list.
    double getDistanceFromPath(const SLinkedListS* list) const;
    // The distance of the last path state, or that of the state before the
    // first one across the border of ref (-1.0 when that is the first); -1.0
    // for n = 0, a null path or a state of fewer than eight species.
    double getPathDistanceToDest(const SamplingState* ref, SamplingState** path, unsigned int n) const;
    // The same with the distance of each path state from begin.
    double getPathDistanceToBegin(const SamplingState* begin, const SamplingState* ref, SamplingState** path,
                                  unsigned int n) const;

private:
    template <class S> double distance(const S* x) const;
    template <class S> double between(const S* x, const S* y) const;
    double pathDistance(const SamplingState* begin, const SamplingState* ref, SamplingState** path,
                        unsigned int n) const;

    unsigned int numSpecies = 0;               // species described
    std::vector<std::array<int64_t, 2>> range; // per species {lower, upper}; empty before a read
    std::vector<int> effective;                // per species 1 constrained, 0 free
};

#endif
