#include "signalling/stoichiometry.h"

#include "signalling/sampling_state.h"
#include "signalling/state.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace {
// count + delta kept within the range of a count.
unsigned int saturatingAdd(unsigned int count, long long delta)
{
    const long long sum = static_cast<long long>(count) + delta;
    if (sum < 0)
        return 0u;
    if (sum > static_cast<long long>(UINT_MAX))
        return UINT_MAX;
    return static_cast<unsigned int>(sum);
}

// The species state carries its own size; make out match the network's.
void sizeTo(State* out, unsigned int n)
{
    if (out->getNumSpecies() != n) {
        std::vector<unsigned int> zeros(n, 0u);
        out->setState(zeros.data(), n);
    }
}

void sizeTo(SamplingState* out, unsigned int n)
{
    if (out->getNumSpecies() != n) {
        std::vector<unsigned int> zeros(n, 0u);
        out->setState(zeros.data(), n);
    }
}

SamplingState* newLike(const SamplingState* in, unsigned int n)
{
    return new SamplingState(n, in->getNumStoiReactions());
}

State* newLike(const State*, unsigned int n)
{
    return new State(n);
}
}

Stoichiometry::Stoichiometry() = default;

int Stoichiometry::fillColumn(const Reaction* reaction, unsigned int c, double sign)
{
    // A coefficient that is not a finite number cannot move a count.
    for (unsigned int i = 0; i < reaction->getNumReactants() + reaction->getNumProducts(); ++i) {
        const bool reactant = i < reaction->getNumReactants();
        const SpeciesReference* ref =
            reactant ? reaction->getReactant(i) : reaction->getProduct(i - reaction->getNumReactants());
        if (!std::isfinite(ref->getStoichiometry())) {
            std::printf("Error: Stoichiometry of %s in reaction %s is not a finite number\n",
                        ref->getSpecies().c_str(), reaction->getId().c_str());
            return -1;
        }
    }
    for (unsigned int i = 0; i < reaction->getNumReactants(); ++i) {
        const int s = getSpeciesIndex(reaction->getReactant(i)->getSpecies());
        if (s < 0) {
            std::printf("Error: Unknown %dth reactant of reaction: %s\n", i + 1, reaction->getId().c_str());
            return -1;
        }
        stoichiometricMatrix[s * numReactions + c] -= sign * reaction->getReactant(i)->getStoichiometry();
    }
    for (unsigned int i = 0; i < reaction->getNumProducts(); ++i) {
        const int s = getSpeciesIndex(reaction->getProduct(i)->getSpecies());
        if (s < 0) {
            std::printf("Error: Unknown %dth product of reaction: %s\n", i + 1, reaction->getId().c_str());
            return -1;
        }
        stoichiometricMatrix[s * numReactions + c] += sign * reaction->getProduct(i)->getStoichiometry();
    }
    // A modifier of an unknown species would count in row 0 without a row of
    // its own, so the column's needs could not be checked: refused.
    modifierMatrix[c] = static_cast<int>(reaction->getNumModifiers());
    for (unsigned int i = 0; i < reaction->getNumModifiers(); ++i) {
        const int s = getSpeciesIndex(reaction->getModifier(i)->getSpecies());
        if (s < 0) {
            std::printf("Error: Unknown %dth modifier of reaction: %s\n", i + 1, reaction->getId().c_str());
            return -1;
        }
        modifierMatrix[(s + 1) * numReactions + c] += 1;
    }
    return 1;
}

int Stoichiometry::genStoichiometricMatrix(const Model* model)
{
    if (!model)
        return -1;
    numSpecies = model->getNumSpecies();
    unsigned int reversible = 0;
    for (unsigned int k = 0; k < model->getNumReactions(); ++k)
        if (model->getReaction(k)->getReversible())
            ++reversible;
    numReactions = model->getNumReactions() + reversible;

    modifierMatrix.assign((numSpecies + 1) * numReactions, 0);
    built = true;
    speciesID.clear();
    for (unsigned int s = 0; s < numSpecies; ++s)
        speciesID.push_back(model->getSpecies(s)->getId());
    kineticLaw.assign(numReactions, nullptr);
    stoichiometricMatrix.assign(numSpecies * numReactions, 0.0);
    reactionAttribute.assign(numReactions, 0);

    unsigned int c = 0;
    for (unsigned int k = 0; k < model->getNumReactions(); ++k) {
        const Reaction* reaction = model->getReaction(k);
        if (fillColumn(reaction, c, 1.0) < 0)
            return -1;
        reactionAttribute[c] = static_cast<int>(k) + 1;
        kineticLaw[c] = reaction->isSetKineticLaw() ? reaction->getKineticLaw() : nullptr;
        ++c;
        if (reaction->getReversible()) {
            if (fillColumn(reaction, c, -1.0) < 0)
                return -1;
            reactionAttribute[c] = -(static_cast<int>(k) + 1);
            kineticLaw[c] = reaction->isSetKineticLaw() ? reaction->getKineticLaw() : nullptr;
            ++c;
        }
    }
    return 1;
}

int Stoichiometry::MapAllReversiblePairs()
{
    if (!built) {
        std::printf("WRONG call sequence.\nNULL stoichiometry matrix.\n");
        return -1;
    }
    reversiblePairs.clear();
    std::vector<bool> paired(numReactions, false);
    for (unsigned int i = 0; i < numReactions; ++i) {
        if (paired[i])
            continue;
        int partner = -1;
        for (unsigned int j = i + 1; j < numReactions && partner < 0; ++j) {
            if (paired[j])
                continue;
            bool negated = true;
            for (unsigned int s = 0; s < numSpecies && negated; ++s)
                negated = getValue(s, j) == -getValue(s, i);
            if (negated)
                partner = static_cast<int>(j);
        }
        reversiblePairs.emplace_back(static_cast<int>(i), partner);
        paired[i] = true;
        if (partner >= 0)
            paired[partner] = true;
    }
    return 0;
}

double Stoichiometry::getValue(unsigned int s, unsigned int r) const
{
    if (s >= numSpecies || r >= numReactions)
        return 0.0;
    const std::size_t at = static_cast<std::size_t>(s) * numReactions + r;
    return at < stoichiometricMatrix.size() ? stoichiometricMatrix[at] : 0.0;
}

int Stoichiometry::getModifierValue(unsigned int s, unsigned int r) const
{
    if (s >= numSpecies || r >= numReactions)
        return 0;
    const std::size_t at = static_cast<std::size_t>(s + 1) * numReactions + r;
    return at < modifierMatrix.size() ? modifierMatrix[at] : 0;
}

int Stoichiometry::getNumModifiers(unsigned int r) const
{
    return r < numReactions && r < modifierMatrix.size() ? modifierMatrix[r] : 0;
}

int Stoichiometry::getReactionAttribute(unsigned int r) const
{
    return r < reactionAttribute.size() ? reactionAttribute[r] : 0;
}

const KineticLaw* Stoichiometry::getKineticLaw(unsigned int r) const
{
    return r < kineticLaw.size() ? kineticLaw[r] : nullptr;
}

std::vector<double> Stoichiometry::getStoichiometricVector(unsigned int r, int mode) const
{
    std::vector<double> v(numSpecies, 0.0);
    for (unsigned int s = 0; s < numSpecies; ++s) {
        v[s] = getValue(s, r);
        if (mode > 0)
            v[s] -= getModifierValue(s, r);
    }
    return v;
}

int Stoichiometry::getReversiblePairID(unsigned int i, unsigned int k) const
{
    if (i >= reversiblePairs.size())
        return -1;
    return k == 0 ? reversiblePairs[i].first : reversiblePairs[i].second;
}

int Stoichiometry::getSpeciesIndex(const std::string& id) const
{
    for (std::size_t s = 0; s < speciesID.size(); ++s)
        if (speciesID[s] == id)
            return static_cast<int>(s);
    return -1;
}

int Stoichiometry::setStoichiometricMatrix(const double* m)
{
    const std::size_t n = static_cast<std::size_t>(numSpecies) * numReactions;
    stoichiometricMatrix.assign(m, m + n);
    built = true;
    return 1;
}

int Stoichiometry::truncated(unsigned int s, unsigned int r) const
{
    // Entries are applied to counts truncated toward zero.
    const double v = getValue(s, r);
    if (v >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v);
}

template <class S>
int Stoichiometry::fire(unsigned int r, const S* in, S* out) const
{
    if (!out) {
        std::printf("Variable(State) not initialized.\n");
        return -1;
    }
    if (in == out) {
        // Firing a state into itself: test and apply on a copy of the input.
        const S copy(*in);
        return fire(r, &copy, out);
    }
    sizeTo(out, numSpecies);
    for (unsigned int s = 0; s < numSpecies; ++s)
        out->setStateValue(s, 0u);
    if (!in || r >= numReactions)
        return 0;
    for (unsigned int s = 0; s < numSpecies; ++s) {
        if (getValue(s, r) < 0.0) {
            const unsigned int count = in->getStateValue(s);
            const long long need = -static_cast<long long>(truncated(s, r));
            if (count == 0 || static_cast<long long>(count) < need)
                return 0;
        }
    }
    if (getNumModifiers(r) != 0) {
        for (unsigned int s = 0; s < numSpecies; ++s)
            if (static_cast<long long>(in->getStateValue(s)) < getModifierValue(s, r))
                return 0;
    }
    apply(r, in, out);
    return 1;
}

template <class S>
bool Stoichiometry::can(unsigned int r, const S* state) const
{
    if (!state || r >= numReactions)
        return false;
    for (unsigned int s = 0; s < numSpecies; ++s) {
        double need = -getValue(s, r);
        if (need < 0.0)
            need = 0.0;
        need += getModifierValue(s, r);
        if (static_cast<double>(state->getStateValue(s)) < need)
            return false;
    }
    return true;
}

template <class S>
void Stoichiometry::apply(unsigned int r, const S* in, S* out) const
{
    for (unsigned int s = 0; s < numSpecies; ++s)
        out->setStateValue(s, saturatingAdd(in->getStateValue(s), truncated(s, r)));
}

int Stoichiometry::reactWithState(unsigned int r, State* in, State* out) const { return fire(r, in, out); }
int Stoichiometry::reactWithState(unsigned int r, SamplingState* in, SamplingState* out) const { return fire(r, in, out); }

State* Stoichiometry::reactWithState(unsigned int r, State* in) const
{
    if (!in)
        return nullptr;
    State* out = newLike(in, numSpecies);
    if (fire(r, in, out) != 1) {
        delete out;
        return nullptr;
    }
    return out;
}

SamplingState* Stoichiometry::reactWithState(unsigned int r, SamplingState* in) const
{
    if (!in)
        return nullptr;
    SamplingState* out = newLike(in, numSpecies);
    if (fire(r, in, out) != 1) {
        delete out;
        return nullptr;
    }
    return out;
}

int Stoichiometry::updateStateWithReaction(unsigned int r, State* state) const
{
    if (state && r < numReactions)
        apply(r, state, state);
    return 1;
}

int Stoichiometry::updateStateWithReaction(unsigned int r, SamplingState* state) const
{
    if (state && r < numReactions)
        apply(r, state, state);
    return 1;
}

int Stoichiometry::updateNewStateWithReaction(unsigned int r, State* in, State* out) const
{
    if (in && out && r < numReactions) {
        sizeTo(out, numSpecies);
        apply(r, in, out);
    }
    return 1;
}

int Stoichiometry::updateNewStateWithReaction(unsigned int r, SamplingState* in, SamplingState* out) const
{
    if (in && out && r < numReactions) {
        sizeTo(out, numSpecies);
        apply(r, in, out);
    }
    return 1;
}

bool Stoichiometry::canReact(unsigned int r, State* state) const { return can(r, state); }
bool Stoichiometry::canReact(unsigned int r, SamplingState* state) const { return can(r, state); }

int Stoichiometry::printStoichiometricMatrix() const
{
    std::printf("Stoichiometric matrix:\n");
    for (unsigned int s = 0; s < numSpecies; ++s) {
        for (unsigned int r = 0; r < numReactions; ++r)
            std::printf("% d  ", truncated(s, r));
        std::printf("\n");
    }
    std::printf("Reaction Modifiers:\n");
    if (numSpecies > 0) {
        std::printf("Number of modifiers in each reaction:\n");
        for (unsigned int r = 0; r < numReactions; ++r)
            std::printf("%d ", getNumModifiers(r));
        std::printf("\n\n");
        for (unsigned int s = 0; s < numSpecies; ++s) {
            for (unsigned int r = 0; r < numReactions; ++r)
                std::printf("%d ", getModifierValue(s, r));
            std::printf("\n");
        }
    }
    std::fflush(stdout);
    return 0;
}
