#ifndef VANTU_SIGNALLING_SAMPLING_STATE_H
#define VANTU_SIGNALLING_SAMPLING_STATE_H

#include <fstream>
#include <vector>

class State;

// A species state of the path-sampling library: counts, serial number and
// links as in State, plus per stoichiometric column the propensity, the
// biased propensity, the bias factor and the forward and backward path
// probabilities, their sums and a visit counter.
//
// A per-column array is either absent (empty) or holds numStoiReactions
// entries; every operation that changes the column count resizes the arrays
// that are present, so no index within the column count runs past an array.
class SamplingState {
public:
    SamplingState();
    explicit SamplingState(SamplingState* other);
    SamplingState(SamplingState* other, unsigned int r);
    SamplingState(State* state, unsigned int r);
    SamplingState(unsigned int n, unsigned int r);
    SamplingState(const int* values, unsigned int n, unsigned int r);
    SamplingState(const SamplingState& other);

    unsigned int getStateValue(unsigned int i) const;
    int setStateValue(unsigned int i, unsigned int v);
    unsigned int getNumSpecies() const { return numSpecies; }
    unsigned int getNumStoiReactions() const { return numStoiReactions; }
    // Stores the column count; the arrays keep their length.
    int setNumStoiReactions(unsigned int r) { numStoiReactions = r; return 1; }

    // Per-column values; an index outside an array reads 0 and is not written.
    double getRatesA(int j) const { return at(ratesA, j); }
    int setRatesA(int j, double v) { return put(ratesA, j, v); }
    double getRatesB(int j) const { return at(ratesB, j); }
    int setRatesB(int j, double v) { return put(ratesB, j, v); }
    double getGamma(int j) const { return at(gamma, j); }
    int setGamma(int j, double v) { return put(gamma, j, v); }
    double getpFn(int j) const { return at(pFn, j); }
    int setpFn(int j, double v) { return put(pFn, j, v); }
    double getpBn(int j) const { return at(pBn, j); }
    int setpBn(int j, double v) { return put(pBn, j, v); }

    double geta0() const { return a0; }
    int seta0(double v) { a0 = v; return 1; }
    double getb0() const { return b0; }
    int setb0(double v) { b0 = v; return 1; }
    int calca0();
    int calcB0();

    unsigned long getnVisits() const { return nVisits; }
    int setnVisits(unsigned long v) { nVisits = v; return 1; }
    int increase1Visit() { ++nVisits; return 1; }

    SamplingState* getPrev() const { return prev; }
    SamplingState* getNext() const { return next; }
    int setPrev(SamplingState* s) { prev = s; return 0; }
    int setNext(SamplingState* s) { next = s; return 0; }
    unsigned long getSN() const { return SN; }
    int setSN(unsigned long sn) { SN = sn; return 1; }

    int setState(const unsigned int* values, unsigned int n);
    int initialize(unsigned int r);
    int CopyfromState(SamplingState* other);
    int CopyfromState(State* state, unsigned int r);

    SamplingState& operator=(const SamplingState& other);
    bool operator==(const SamplingState& other) const;

    int PrintState() const;
    int PrintState_nonl() const;
    int PrintState(std::ofstream& file) const;
    int PrintState(double t, std::ofstream& file) const;
    int PrintState_Full() const;
    int PrintState_Full(std::ofstream& file) const;

private:
    static double at(const std::vector<double>& v, int j);
    static int put(std::vector<double>& v, int j, double x);
    bool hasRates() const { return !ratesA.empty() && !ratesB.empty() && !gamma.empty(); }
    void copyColumns(const SamplingState& other, unsigned int r);
    void printFull(std::ostream& out) const;

    unsigned long SN = 0;                 // serial number; 0 when new
    unsigned int numSpecies = 0;          // number of species counts
    unsigned int numStoiReactions = 0;    // number of stoichiometric columns
    std::vector<unsigned int> stateValue; // species copy numbers
    std::vector<double> ratesA;           // propensity a per column; empty when absent
    std::vector<double> ratesB;           // biased propensity b per column; empty when absent
    std::vector<double> gamma;            // bias factor per column; empty when absent
    double a0 = 0.0;                      // sum of the propensities as last computed or set
    double b0 = 0.0;                      // sum of the biased propensities as last computed or set
    std::vector<double> pFn;              // forward path probability per column; empty when absent
    std::vector<double> pBn;              // backward path probability per column; empty when absent
    unsigned long nVisits = 0;            // visit counter
    SamplingState* prev = nullptr;        // list link, not owned
    SamplingState* next = nullptr;        // list link, not owned
};

#endif
