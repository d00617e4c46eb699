#ifndef VANTU_SAMPLING_STATE_SPACE_H
#define VANTU_SAMPLING_STATE_SPACE_H

// An enumerated state space (species identifiers and one row of counts per
// state, indexed back from counts to row by a `HashTable`) and a set of
// initial states with their probabilities.
//
// State-space file: "numSpecies numStates", the identifiers separated by
// single blanks, then one row of counts a line. Initial-conditions file:
// "numSpecies numStates", then per state its counts and its probability.
//
// Readers check what they read (counts within 0 ... 4294967295, rows of the
// right length, as many rows as the header says) and change nothing when the
// file is refused: -1 with a message naming the file and line.

#include "sampling/hash_table.h"

#include <string>
#include <vector>

class StateSpace {
public:
    StateSpace();
    // Releases the rows, the identifiers, the index and its states.
    ~StateSpace();
    StateSpace(const StateSpace&) = delete;
    StateSpace& operator=(const StateSpace&) = delete;

    // 0, or -1 with a message (missing file, bad header, a row short, long,
    // non-numeric or out of range, missing rows); a failure changes nothing.
    // A row equal to an earlier one is not indexed: findState answers with
    // the earlier row.
    int readStateSpace(const char* path);
    // 1, or -1 with a message when an identifier is empty or holds a blank,
    // or the file cannot be created or written.
    int writeStateSpace(const char* path);

    // Count of species s in row r; 0 outside the space.
    unsigned int getValue(unsigned int r, unsigned int s) const;
    // New state (the caller's) with the counts of row r; null outside.
    State* getState(unsigned int r) const;
    // Row of the indexed state with equal counts, or 4294967295.
    unsigned int findState(State* s) const { return s ? hashTable->Find(s) : 4294967295u; }
    HashTable* getHashTable() const { return hashTable; }

    unsigned int getNumSpecies() const { return numSpecies; }
    int setNumSpecies(unsigned int n) { numSpecies = n; return 1; }
    unsigned long getNumStates() const { return numStates; }
    int setNumStates(unsigned long n) { numStates = n; return 1; }
    // The row-major counts (numStates x numSpecies); null when none.
    unsigned int* getStates() { return states.empty() ? nullptr : states.data(); }
    // Copies numStates x numSpecies counts from values; the caller keeps them.
    int setStates(const unsigned int* values);
    std::string* getSpeciesID() { return speciesID.empty() ? nullptr : speciesID.data(); }
    // 1, or -1 (message, nothing changed) when n is not the species count.
    int setSpeciesID(const std::string* ids, unsigned int n);
    // Identifier k; null outside.
    const char* getSpeciesIDValue(unsigned int k) const { return k < speciesID.size() ? speciesID[k].c_str() : nullptr; }

private:
    unsigned int numSpecies = 0;        // species (columns)
    unsigned long numStates = 0;        // states (rows)
    std::vector<std::string> speciesID; // identifiers in column order
    HashTable* hashTable;               // index from counts to row; owned
    std::vector<unsigned int> states;   // count of species s in row r at r * numSpecies + s
};

class InitialConds {
public:
    InitialConds() = default;
    ~InitialConds() { delete[] initialStates; }
    InitialConds(const InitialConds&) = delete;
    InitialConds& operator=(const InitialConds&) = delete;

    // 1 when the probabilities sum to 1 within 1e-5; -2 (with a message
    // showing the sum) when they do not or one is negative, the states then
    // loaded all the same; -1 with a message naming the line for a missing,
    // truncated or non-numeric file, nothing changed.
    int readInitialConds(const char* path);
    unsigned int getNumInitialstates() const { return numInitialStates; }
    // Initial state k (the object's); null outside.
    State* getInitialState(unsigned int k) const { return k < numInitialStates ? &initialStates[k] : nullptr; }
    // Probability of initial state k; 0 outside.
    double getInitialPdv(unsigned int k) const { return k < numInitialStates ? pdv[k] : 0.0; }

private:
    unsigned int numInitialStates = 0; // initial states
    State* initialStates = nullptr;    // numInitialStates states; owned
    std::vector<double> pdv;           // probability of each initial state
};

#endif
