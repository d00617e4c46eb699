#include "signalling/sampling_state.h"

#include "signalling/state.h"

#include <iostream>

namespace {
// The first r entries of a source array, zero-filled where it is shorter.
std::vector<double> firstEntries(const std::vector<double>& source, unsigned int r)
{
    std::vector<double> out(r, 0.0);
    for (unsigned int j = 0; j < r && j < source.size(); ++j)
        out[j] = source[j];
    return out;
}
}

SamplingState::SamplingState() = default;

SamplingState::SamplingState(SamplingState* other)
{
    if (!other)
        return;
    copyColumns(*other, other->numStoiReactions);
}

SamplingState::SamplingState(SamplingState* other, unsigned int r)
{
    if (!other) {
        initialize(r);
        return;
    }
    copyColumns(*other, r);
}

SamplingState::SamplingState(const SamplingState& other)
{
    copyColumns(other, other.numStoiReactions);
}

// Deep copy of counts, links, visits and the per-column data cut or padded to
// r columns. Rates and their sums are copied only when the source has all
// three rate arrays; otherwise they start at 0.
void SamplingState::copyColumns(const SamplingState& other, unsigned int r)
{
    SN = other.SN;
    numSpecies = other.numSpecies;
    stateValue = other.stateValue;
    prev = other.prev;
    next = other.next;
    numStoiReactions = r;
    nVisits = other.nVisits;
    pFn = firstEntries(other.pFn, r);
    pBn = firstEntries(other.pBn, r);
    if (other.hasRates()) {
        ratesA = firstEntries(other.ratesA, r);
        ratesB = firstEntries(other.ratesB, r);
        gamma = firstEntries(other.gamma, r);
        a0 = other.a0;
        b0 = other.b0;
    } else {
        ratesA.assign(r, 0.0);
        ratesB.assign(r, 0.0);
        gamma.assign(r, 0.0);
        a0 = 0.0;
        b0 = 0.0;
    }
}

SamplingState::SamplingState(State* state, unsigned int r)
{
    CopyfromState(state, r);
}

SamplingState::SamplingState(unsigned int n, unsigned int r)
    : numSpecies(n), numStoiReactions(r), stateValue(n, 0u),
      ratesA(r, 0.0), ratesB(r, 0.0), gamma(r, 0.0), pFn(r, 0.0), pBn(r, 0.0)
{
}

SamplingState::SamplingState(const int* values, unsigned int n, unsigned int r)
    : SamplingState(n, r)
{
    for (unsigned int i = 0; i < n; ++i)
        stateValue[i] = static_cast<unsigned int>(values[i]);
}

unsigned int SamplingState::getStateValue(unsigned int i) const
{
    return i < stateValue.size() ? stateValue[i] : 0u;
}

int SamplingState::setStateValue(unsigned int i, unsigned int v)
{
    if (i >= stateValue.size())
        return -1;
    stateValue[i] = v;
    return 0;
}

double SamplingState::at(const std::vector<double>& v, int j)
{
    if (j < 0 || static_cast<std::size_t>(j) >= v.size())
        return 0.0;
    return v[j];
}

int SamplingState::put(std::vector<double>& v, int j, double x)
{
    if (j < 0 || static_cast<std::size_t>(j) >= v.size())
        return -1;
    v[j] = x;
    return 1;
}

int SamplingState::calca0()
{
    a0 = 0.0;
    for (unsigned int j = 0; j < numStoiReactions && j < ratesA.size(); ++j)
        a0 += ratesA[j];
    return 1;
}

int SamplingState::calcB0()
{
    b0 = 0.0;
    for (unsigned int j = 0; j < numStoiReactions && j < ratesB.size(); ++j)
        b0 += ratesB[j];
    return 1;
}

int SamplingState::setState(const unsigned int* values, unsigned int n)
{
    SN = 0;
    numSpecies = n;
    stateValue.assign(values, values + n);
    return 1;
}

int SamplingState::initialize(unsigned int r)
{
    SN = 0;
    stateValue.assign(numSpecies, 0u);
    prev = nullptr;
    next = nullptr;
    numStoiReactions = r;
    ratesA.assign(r, 0.0);
    ratesB.assign(r, 0.0);
    gamma.assign(r, 0.0);
    // The path probabilities keep their values; only their length follows r.
    if (!pFn.empty())
        pFn.resize(r, 0.0);
    if (!pBn.empty())
        pBn.resize(r, 0.0);
    return 1;
}

int SamplingState::CopyfromState(SamplingState* other)
{
    if (!other || other == this)
        return 1;
    copyColumns(*other, other->numStoiReactions);
    return 1;
}

int SamplingState::CopyfromState(State* state, unsigned int r)
{
    SN = 0;
    numSpecies = 0;
    stateValue.clear();
    if (state) {
        SN = state->getSN();
        numSpecies = state->getNumSpecies();
        stateValue.resize(numSpecies);
        for (unsigned int i = 0; i < numSpecies; ++i)
            stateValue[i] = state->getStateValue(i);
    }
    prev = nullptr;
    next = nullptr;
    numStoiReactions = r;
    ratesA.assign(r, 0.0);
    ratesB.assign(r, 0.0);
    gamma.assign(r, 0.0);
    pFn.assign(r, 0.0);
    pBn.assign(r, 0.0);
    a0 = 0.0;
    b0 = 0.0;
    nVisits = 0;
    return 1;
}

SamplingState& SamplingState::operator=(const SamplingState& other)
{
    if (this == &other)
        return *this;
    SN = other.SN;
    numSpecies = other.numSpecies;
    stateValue = other.stateValue;
    prev = other.prev;
    next = other.next;
    const unsigned int r = other.numStoiReactions;
    numStoiReactions = r;
    if (r == 0) {
        ratesA.clear();
        ratesB.clear();
        gamma.clear();
        pFn.clear();
        pBn.clear();
        a0 = 0.0;
        b0 = 0.0;
        std::cout << "Zero number of reactions in SamplingState." << std::endl;
        return *this;
    }
    if (other.hasRates()) {
        ratesA = firstEntries(other.ratesA, r);
        ratesB = firstEntries(other.ratesB, r);
        gamma = firstEntries(other.gamma, r);
        a0 = other.a0;
        b0 = other.b0;
    } else {
        // Arrays this state keeps follow the new column count.
        for (std::vector<double>* v : {&ratesA, &ratesB, &gamma})
            if (!v->empty())
                v->resize(r, 0.0);
    }
    if (!other.pFn.empty())
        pFn = firstEntries(other.pFn, r);
    else if (!pFn.empty())
        pFn.resize(r, 0.0);
    if (!other.pBn.empty())
        pBn = firstEntries(other.pBn, r);
    else if (!pBn.empty())
        pBn.resize(r, 0.0);
    return *this;
}

bool SamplingState::operator==(const SamplingState& other) const
{
    return numSpecies == other.numSpecies && stateValue == other.stateValue;
}

int SamplingState::PrintState() const
{
    PrintState_nonl();
    std::cout << std::endl;
    return 1;
}

int SamplingState::PrintState_nonl() const
{
    write_counts(std::cout, stateValue, numSpecies);
    return 1;
}

int SamplingState::PrintState(std::ofstream& file) const
{
    write_counts(file, stateValue, numSpecies);
    file << '\n';
    return 1;
}

int SamplingState::PrintState(double t, std::ofstream& file) const
{
    file.setf(std::ios::scientific, std::ios::floatfield);
    file.precision(12);
    file << t << ' ';
    PrintState(file);
    return 1;
}

void SamplingState::printFull(std::ostream& out) const
{
    out.setf(std::ios::scientific, std::ios::floatfield);
    write_counts(out, stateValue, numSpecies);
    out << ", ";
    if (hasRates()) {
        for (unsigned int j = 0; j < numStoiReactions; ++j)
            out << "a" << j + 1 << "=" << at(ratesA, j) << "  b" << j + 1 << "=" << at(ratesB, j)
                << "  g" << j + 1 << "=" << at(gamma, j) << ";  ";
    }
    out << "a0=" << a0 << ", b0=" << b0 << ", nV=" << nVisits;
    for (unsigned int j = 0; j < numStoiReactions; ++j)
        out << ", pfn" << j + 1 << "=" << at(pFn, j);
    for (unsigned int j = 0; j < numStoiReactions; ++j)
        out << ", pbn" << j + 1 << "=" << at(pBn, j);
    out << '\n';
}

int SamplingState::PrintState_Full() const
{
    printFull(std::cout);
    std::cout.flush();
    return 1;
}

int SamplingState::PrintState_Full(std::ofstream& file) const
{
    printFull(file);
    return 1;
}
