#ifndef VANTU_SAMPLING_SAMPLING_H
#define VANTU_SAMPLING_SAMPLING_H

// The driver of the path-sampling library. It binds a reaction network, an
// optional destination set and a table of visited states, and advances a
// caller-owned SamplingState one reaction a step: by the direct method, or
// by the doubly-weighted method, which fires reactions with biased
// propensities b_j = gamma_j a_j and multiplies the caller's weight by the
// likelihood ratio exp((b0 - a0) tau) / gamma_j of each step.
//
// Every random number is u = (x + 1) 2^-31, in (0, 1], with x the top 31
// bits of the next output of the library's own std::mt19937; a step draws
// the waiting time first, then the reaction. The engine, not the C library's
// rand(), because the library exists to give unbiased estimates: glibc's
// rand() makes each output the sum of the outputs 3 and 31 places earlier,
// so a step's reaction draw would be fixed by earlier waiting-time draws, and
// measurably biased estimates follow. The standard fully specifies the
// engine, so a seed gives the same sequence everywhere. The driver seeds it
// with Sampling::seed; nothing here seeds it (unseeded it starts from the
// engine's default seed). It is one process-wide sequence shared by every
// Sampling object, and the simulation's own rand() draws are left alone.
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

    // Restarts the library's generator from value: the driver's one way to
    // seed every draw of the library.
    static void seed(unsigned int value);

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

    // Look-ahead: each newly met state is analysed once by enumerating every
    // path of K reactions from it, scoring where each ends against the
    // destination set, and turning each first column's forward and backward
    // shares into a bias. The steps then draw from the biased propensities
    // and multiply the caller's weight by the likelihood ratio.
    //
    // First family (K = 2 ... 7): logarithmic bias rule with forwardGain and
    // backwardScale; stores pFn and pBn; path lines from print level 1 (101
    // at depth 4). Each returns 1, or -1 (with a message) without a
    // destination set.
    int CalculateLookahead_2Steps(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                  double backwardScale, int level);
    int CalculateLookahead_3Steps(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                  double backwardScale, int level);
    int CalculateLookahead_4Steps(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                  double backwardScale, int level);
    int CalculateLookahead_5Steps(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                  double backwardScale, int level);
    int CalculateLookahead_6Steps(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                  double backwardScale, int level);
    int CalculateLookahead_7Steps(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                  double backwardScale, int level);
    // Second family (K = 2 ... 5): linear bias rule bounded by maxBias; pFn
    // and pBn untouched; summary lines only.
    int CalculateLookahead_2Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level);
    int CalculateLookahead_3Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level);
    int CalculateLookahead_4Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level);
    int CalculateLookahead_5Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level);

    // Variants with the first family's arguments and bias rule:
    // depth 3 with step histograms and reversible-pair sums printed;
    int CalculateLookahead_3StepsOLD(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                     double backwardScale, int level);
    // depths 3 and 4 weighing a path by its continuation after the first
    // reaction (depth 3: over the square of the largest total rate met;
    // depth 4: over the column's sum), without direction counts;
    int CalculateLookahead_3Steps2(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                   double backwardScale, int level);
    int CalculateLookahead_4Steps2(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                   double backwardScale, int level);
    // depth 5 enumerated as the second family (shares not stored).
    int CalculateLookahead_5StepsOLD(SamplingState* s, SamplingState* ref, double, double forwardGain,
                                     double backwardScale, int level);

    // One look-ahead step: tau; +infinity (with "What happened? ") when
    // nothing can fire; -1.0 when there is no destination set or the drawn
    // column cannot be applied. A state met for the first time is stored and
    // analysed (first family for K = 2 ... 7); any other K stores it as the
    // caller's state carried it. A failed step changes nothing.
    double LookaheadSSA_KSteps_updateState(int K, SamplingState* current, SamplingState* ref, double,
                                           double& weight, double forwardGain, double backwardScale, int level,
                                           long* counters);
    // The same with the second family (K = 2 ... 5).
    double LookaheadSSA_KSteps_updateState(int K, SamplingState* current, SamplingState* ref, double,
                                           double& weight, double maxBias, int level, long* counters);
    // The first family limited to K = 2 ... 5.
    double LookaheadSSA_KSteps2Stage_updateState(int K, SamplingState* current, SamplingState* ref, double,
                                                 double& weight, double forwardGain, double backwardScale,
                                                 int level, long* counters);
    // Draws tau and a column from stored's biased propensities, multiplies
    // weight by exp((b0 - a0) tau) / gamma_j and applies the column to
    // current: the column, or -1 (nothing changed but tau) when none can
    // fire or it cannot be applied.
    int RollADie(SamplingState* stored, SamplingState* current, double& tau, int& reaction, double& weight,
                 int level);

    // Bias rules. Each sets gamma, b and b0 of s from its a and a0, rescales
    // so that b0 = a0 (a state with b0 = 0 keeps gamma 1 and b = a), applies
    // its corrections, lifts every column that can fire to gamma >= 0.05
    // (taking the difference from the others, so b0 is kept) and returns
    // 0.0: no rule switches a reaction off. `verbose` > 0 prints the first
    // and final biases.
    // First family: logarithmic in the forward and backward shares.
    double Bias_Function(SamplingState* s, double forwardGain, double backwardScale, int*, int*, int*, double*,
                         double*, double*, double* pFn, double* pBn);
    // Second family: gamma between 1 / maxBias and maxBias.
    double Bias_Function(SamplingState* s, double maxBias, int* nPaths, int* nForward, int* nBack, double*,
                         double*, double*, double* pFn, double* pBn);
    // gamma_j = num[j] / den[j] (1 where either is 0).
    double Bias_Function(SamplingState* s, double, double, double* num, double* den);
    // Columns 0 and 2 biased by (F0, B0), 1 and 3 by (F1, B1); needs four
    // columns (else a message, nothing changed, -1.0).
    double Bias_Function(SamplingState* s, double gainUp, double gainDown, int*, int*, int*, double*, double*,
                         double*, double*, double*, double, double, double F0, double B0, double, double,
                         double F1, double B1);
    // Per reversible pair k the evidence F[k] - B[k], then the eta search.
    double Bias_Function(SamplingState* s, double gainUp, double gainDown, int*, int*, int*, double*, double*,
                         double*, double*, double*, double*, double*, double* F, double* B);

    // The column the roulette picks for r > 0: the first whose running sum of
    // propensities (biased ones when asked) reaches r; when rounding leaves
    // the sum below r, the last column with a positive term; -1 when none.
    static int chooseColumn(const SamplingState* s, bool biased, unsigned int n, double r);
    // Propensity of column j in x: 0 unless the column can fire; a negative
    // or not-a-number law counts as 0, with a message naming the column.
    double propensity(unsigned int j, SamplingState* x);

private:
    struct LookaheadPlan;
    int lookahead(const LookaheadPlan& plan, SamplingState* s, SamplingState* ref, double gainA, double gainB,
                  int level);
    void printStepsAndPairs(std::vector<double> forwardSteps, long forwardPaths, std::vector<double> allSteps,
                            long allPaths, const std::vector<double>& P, const std::vector<double>& Pf,
                            const std::vector<double>& Pb) const;
    double lookaheadStep(int family, int K, SamplingState* current, SamplingState* ref, double& weight,
                         double gainA, double gainB, int level, long* counters);
    SamplingState* storeAnalysed(int family, int K, SamplingState* current, SamplingState* ref, double gainA,
                                 double gainB, int level);
    // The frame of every bias rule: gamma from rule, b = a gamma, the
    // rescale to b0 = a0, then correct (may be null) and the final b0.
    template <class Rule, class Correct>
    void biasFrame(SamplingState* s, Rule rule, Correct correct);
    bool ready(const char* who) const;
    unsigned int columns() const;
    // Whether column j can be applied to current: it can fire and takes no
    // count past 4294967295. A message names column and species otherwise.
    bool applicable(unsigned int j, SamplingState* current) const;
    // Adds column j to current's counts; applicable() has vouched for it.
    void apply(unsigned int j, SamplingState* current) const;
    void evaluateBiased(SamplingState* x, const double* gamma);
    // The two draws of a biased step from `from`'s biased propensities: tau
    // (+infinity when b0 is not positive; -ln(u1) / b0 or ln(1 / u1) / b0
    // as asked) and the column, or -1 with "What happened? " when nothing
    // can fire, -2 when the column cannot be applied to current.
    int rollBiased(const SamplingState* from, SamplingState* current, double& tau, bool negatedLog);
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
