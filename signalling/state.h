#ifndef VANTU_SIGNALLING_STATE_H
#define VANTU_SIGNALLING_STATE_H

#include <fstream>
#include <ostream>
#include <vector>

class SamplingState;

// Writes the first n counts separated by single spaces, with no line end.
void write_counts(std::ostream& out, const std::vector<unsigned int>& counts, unsigned int n);

// One state of a reaction network: the copy number of every species, indexed
// by the network's species index, with a serial number and two links that let
// the state sit in lists and hash buckets (the links do not own).
class State {
public:
    State();
    // Deep copy: serial number, counts and both links.
    explicit State(State* other);
    // Serial number and counts of a sampling state; links null.
    explicit State(SamplingState* other);
    // n counts, all 0.
    explicit State(unsigned int n);
    // n counts copied bit for bit (as unsigned) from values.
    State(const int* values, unsigned int n);

    int CopyfromState(State* other);

    // Count i; an index outside the state reads 0.
    unsigned int getStateValue(unsigned int i) const;
    // Count i = v; returns 0, or -1 for an index outside the state.
    int setStateValue(unsigned int i, unsigned int v);
    unsigned int getNumSpecies() const { return numSpecies; }

    // Serial number 0 and the n given counts; the count array takes the new size.
    int setState(const unsigned int* values, unsigned int n);
    // Serial number 0, every count 0, links null.
    int initialize();

    State* getPrev() const { return prev; }
    State* getNext() const { return next; }
    int setPrev(State* s) { prev = s; return 0; }
    int setNext(State* s) { next = s; return 0; }
    int setSN(unsigned long sn) { SN = sn; return 1; }
    unsigned long getSN() const { return SN; }

    // Copies serial number, counts (resizing to the other's size) and links.
    State& operator=(const State& other);
    State(const State& other) = default;
    // Equal sizes and counts; serial numbers and links do not count.
    bool operator==(const State& other) const;

    int PrintState() const;
    int PrintState_nonl() const;
    int PrintState(std::ofstream& file) const;

private:
    unsigned long SN = 0;             // serial number given by the container; 0 when new
    unsigned int numSpecies = 0;      // number of counts
    std::vector<unsigned int> stateValue; // species copy numbers, numSpecies of them
    State* prev = nullptr;            // list link, not owned; null when unlinked
    State* next = nullptr;            // list link, not owned; null when unlinked
};

#endif
