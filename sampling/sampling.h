#ifndef VANTU_SAMPLING_SAMPLING_H
#define VANTU_SAMPLING_SAMPLING_H

// The driver of the path-sampling library. It binds a reaction network, an
// optional destination set and a table of visited states, and advances a
// caller-owned SamplingState one reaction a step: by the direct method, or
// by the doubly-weighted method, which fires reactions with biased
// propensities b_j = gamma_j a_j and multiplies the caller's weight by the
// likelihood ratio exp((b0 - a0) tau) / gamma_j of each step.
//
// Every random number is u = (rand() + 1) 2^-31, in (0, 1]; a step draws the
// waiting time first, then the reaction. Nothing here seeds rand().
//
// A visited state is stored once, as a copy with its propensities, and its
// propensities are reused on every revisit. A column's propensity is 0 unless
// the column can fire, and a negative or not-a-number law counts as 0 (with a
// message), so the roulette only ever sees non-negative terms. A state where
// nothing can fire waits forever (tau = +infinity). A chosen column that
// cannot fire in the caller's state, or would take a count past 4294967295,
// is not applied: the step reports it and changes nothing.

#include "sampling/destination_set.h"
#include "sampling/hash_table.h"

class Network;

class Sampling {
public:
    Sampling() = default;
    // Releases the table and the states stored in it.
    ~Sampling() { delete hashTable; }
    Sampling(const Sampling&) = delete;
    Sampling& operator=(const Sampling&) = delete;

    // Binds net (not owned) and dest (not owned, may be null) and makes a new
    // table, releasing an earlier one. A destination of more species than the
    // network is refused with a message: no destination is then bound.
    void Initialize(Network* net, DestinationSet* dest, int level);
    HashTableS* getHashTable() const { return hashTable; }
    unsigned long getHTSize() const { return hashTable ? hashTable->getNumTotalItems() : 0; }
    DestinationSet* getDestination() const { return destination; }

    // One direct-method step on current: tau; +infinity (with "What
    // happened?") when nothing can fire; -1.0 when the step cannot be made.
    double SSADirect_updateState(SamplingState* current);
    // s's propensities and a0; 1.
    int CalculateDirectSSA(SamplingState* s);
    // Draws tau and a column from stored's propensities and applies the
    // column to current: 1, or -1 when nothing can fire or the column cannot
    // be applied (current unchanged).
    int RollADie_DSSA(SamplingState* stored, SamplingState* current, double& tau);

    // One doubly-weighted step, the state stored with the biases gamma when
    // first met: tau, or -1.0 (nothing changed) when nothing can fire or the
    // column cannot be applied. firings[j] counts the firings of column j.
    double dwSSADirect_updateState(SamplingState* current, double* gamma, double& weight, long* firings);
    // The same on current alone (evaluated afresh each step, nothing stored),
    // also adding a_i tau to exposure[i] for every column.
    double dwSSADirectPE_updateState(SamplingState* current, double* gamma, double& weight, double* firings,
                                     double* exposure);
    // Gives the stored states matching s (its bucket, agreeing on the
    // effective species) one common bias per column, the weighted mean of
    // their biased over their unbiased propensities, weighted by the larger
    // of pFn and pBn. Returns the number matched; fewer than two change
    // nothing. -1 before Initialize.
    int Bias_Average(SamplingState* s);

    // The column the roulette picks for r > 0: the first whose running sum of
    // propensities (biased ones when asked) reaches r; when rounding leaves
    // the sum below r, the last column with a positive term; -1 when none.
    static int chooseColumn(const SamplingState* s, bool biased, unsigned int n, double r);
    // Propensity of column j in x: 0 unless the column can fire; a negative
    // or not-a-number law counts as 0, with a message naming the column.
    double propensity(unsigned int j, SamplingState* x);

private:
    bool ready(const char* who) const;
    unsigned int columns() const;
    // Whether column j can be applied to current: it can fire and takes no
    // count past 4294967295. A message names column and species otherwise.
    bool applicable(unsigned int j, SamplingState* current) const;
    // Adds column j to current's counts; applicable() has vouched for it.
    void apply(unsigned int j, SamplingState* current) const;
    void evaluateBiased(SamplingState* x, const double* gamma);
    // A copy of current with n columns, evaluated (biased when gamma is
    // given), stored in the table; returns the stored copy.
    SamplingState* store(SamplingState* current, const double* gamma);
    static double draw();
    // The stored state with current's counts: the one the last step left
    // current in when the counts still agree, else the table's.
    SamplingState* storedFor(SamplingState* current) const;

    // Per column the species it needs or changes: index, the count it needs
    // (reactant and modifier copies) and the change, truncated as applied.
    struct Touch {
        unsigned int species;
        double need;
        double change;
    };

    Network* network = nullptr;             // the reaction network; not owned
    HashTableS* hashTable = nullptr;        // visited states with their propensities; owned
    DestinationSet* destination = nullptr;  // target region; not owned; null when none
    int verbose = 0;                        // print level of the bias functions
    std::vector<std::vector<Touch>> touches; // per column, the species it needs or changes
    SamplingState* last = nullptr;          // stored state the last step left its state in; not owned
};

#endif
