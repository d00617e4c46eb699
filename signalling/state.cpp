#include "signalling/state.h"

#include "signalling/sampling_state.h"

#include <iostream>

State::State() = default;

State::State(State* other)
{
    if (other)
        *this = *other;
}

State::State(SamplingState* other)
{
    if (!other)
        return;
    SN = other->getSN();
    numSpecies = other->getNumSpecies();
    stateValue.resize(numSpecies);
    for (unsigned int i = 0; i < numSpecies; ++i)
        stateValue[i] = other->getStateValue(i);
}

State::State(unsigned int n)
    : numSpecies(n), stateValue(n, 0u)
{
}

State::State(const int* values, unsigned int n)
    : numSpecies(n), stateValue(n, 0u)
{
    for (unsigned int i = 0; i < n; ++i)
        stateValue[i] = static_cast<unsigned int>(values[i]);
}

int State::CopyfromState(State* other)
{
    if (other)
        *this = *other;
    return 1;
}

unsigned int State::getStateValue(unsigned int i) const
{
    return i < stateValue.size() ? stateValue[i] : 0u;
}

int State::setStateValue(unsigned int i, unsigned int v)
{
    if (i >= stateValue.size())
        return -1;
    stateValue[i] = v;
    return 0;
}

int State::setState(const unsigned int* values, unsigned int n)
{
    SN = 0;
    numSpecies = n;
    stateValue.assign(values, values + n);
    return 1;
}

int State::initialize()
{
    SN = 0;
    stateValue.assign(numSpecies, 0u);
    prev = nullptr;
    next = nullptr;
    return 1;
}

State& State::operator=(const State& other)
{
    if (this == &other)
        return *this;
    SN = other.SN;
    numSpecies = other.numSpecies;
    stateValue = other.stateValue;
    prev = other.prev;
    next = other.next;
    return *this;
}

bool State::operator==(const State& other) const
{
    return numSpecies == other.numSpecies && stateValue == other.stateValue;
}

int State::PrintState() const
{
    PrintState_nonl();
    std::cout << std::endl;
    return 1;
}

void write_counts(std::ostream& out, const std::vector<unsigned int>& counts, unsigned int n)
{
    for (unsigned int i = 0; i < n && i < counts.size(); ++i) {
        if (i > 0)
            out << ' ';
        out << counts[i];
    }
}

int State::PrintState_nonl() const
{
    write_counts(std::cout, stateValue, numSpecies);
    return 1;
}

int State::PrintState(std::ofstream& file) const
{
    for (unsigned int i = 0; i < numSpecies; ++i)
        file << stateValue[i] << ' ';
    file << '\n';
    return 1;
}
