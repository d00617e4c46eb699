#include "sampling/sampling.h"

#include "signalling/network.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <random>

namespace {

// The library's generator (see sampling.h); its state is the whole of it.
std::mt19937 generator;

void say(const char* format, unsigned int a, unsigned int b)
{
    std::printf(format, a, b);
    std::fflush(stdout);
}

}

void Sampling::seed(unsigned int value)
{
    generator.seed(value);
}

double Sampling::draw()
{
    return ((generator() >> 1) + 1.0) * 4.656612873077393e-10;
}

void Sampling::Initialize(Network* net, DestinationSet* dest, int level)
{
    delete hashTable;
    hashTable = nullptr;
    last = nullptr;
    touches.clear();
    network = net;
    const Stoichiometry* stoich = net ? net->getStoichiometricMatrix() : nullptr;
    for (unsigned int j = 0; stoich && j < net->getNumStoiReactions(); ++j) {
        std::vector<Touch> column;
        for (unsigned int s = 0; s < stoich->getNumSpecies(); ++s) {
            const double change = stoich->getValue(s, j);
            const double need = std::max(0.0, -change) + stoich->getModifierValue(s, j);
            if (change != 0.0 || need > 0.0)
                column.push_back({s, need, std::trunc(change)});
        }
        touches.push_back(column);
    }
    verbose = level;
    destination = nullptr;
    if (dest && net && dest->getNumSpecies() > net->getNumSpecies()) {
        say("ERROR: the destination set describes %u species, the network has %u: no destination bound\n",
            dest->getNumSpecies(), net->getNumSpecies());
        dest = nullptr;
    }
    if (dest) {
        destination = dest;
        std::vector<int>* eff = dest->geteffspecies();
        hashTable = new HashTableS(eff);
        delete eff;
    } else {
        hashTable = new HashTableS();
    }
}

bool Sampling::ready(const char* who) const
{
    if (network && hashTable && network->getStoichiometricMatrix())
        return true;
    std::printf("ERROR: %s before Initialize bound a network\n", who);
    std::fflush(stdout);
    return false;
}

unsigned int Sampling::columns() const
{
    return network->getNumStoiReactions();
}

double Sampling::propensity(unsigned int j, SamplingState* x)
{
    Stoichiometry* stoich = network->getStoichiometricMatrix();
    if (!stoich->canReact(j, x))
        return 0.0;
    const double a = network->getReactionRate(stoich->getKineticLaw(j), j, x);
    if (a >= 0.0)
        return a;
    std::printf("ERROR: Column %u has the propensity %g; it counts as 0\n", j + 1, a);
    std::fflush(stdout);
    return 0.0;
}

int Sampling::chooseColumn(const SamplingState* s, bool biased, unsigned int n, double r)
{
    double sum = 0.0;
    int lastPositive = -1;
    for (unsigned int j = 0; j < n; ++j) {
        const double v = biased ? s->getRatesB(static_cast<int>(j)) : s->getRatesA(static_cast<int>(j));
        if (!(v > 0.0))
            continue;
        sum += v;
        lastPositive = static_cast<int>(j);
        if (sum >= r)
            return lastPositive;
    }
    return lastPositive;
}

bool Sampling::applicable(unsigned int j, SamplingState* current) const
{
    for (const Touch& t : touches[j]) {
        const double count = current->getStateValue(t.species);
        if (count < t.need) {
            say("ERROR: Column %u cannot fire: species %u has too few copies; not applied\n", j + 1, t.species + 1);
            return false;
        }
        if (count + t.change > 4294967295.0) {
            say("ERROR: Column %u would take species %u past 4294967295 copies; not applied\n", j + 1,
                t.species + 1);
            return false;
        }
    }
    return true;
}

void Sampling::apply(unsigned int j, SamplingState* current) const
{
    for (const Touch& t : touches[j])
        current->setStateValue(t.species,
                               static_cast<unsigned int>(current->getStateValue(t.species) + t.change));
}

SamplingState* Sampling::storedFor(SamplingState* current) const
{
    if (last && *last == *current)
        return last;
    return hashTable->Find(current);
}

int Sampling::CalculateDirectSSA(SamplingState* s)
{
    if (!ready("CalculateDirectSSA") || !s)
        return 1;
    double sum = 0.0;
    for (unsigned int j = 0; j < columns(); ++j) {
        const double a = propensity(j, s);
        s->setRatesA(static_cast<int>(j), a);
        sum += a;
    }
    s->seta0(sum);
    return 1;
}

void Sampling::evaluateBiased(SamplingState* x, const double* gamma)
{
    double a0 = 0.0, b0 = 0.0;
    for (unsigned int j = 0; j < columns(); ++j) {
        const int c = static_cast<int>(j);
        x->setGamma(c, gamma[j]);
        const double a = propensity(j, x);
        x->setRatesA(c, a);
        x->setRatesB(c, a * gamma[j]);
        a0 += a;
        b0 += a * gamma[j];
    }
    x->seta0(a0);
    x->setb0(b0);
}

SamplingState* Sampling::store(SamplingState* current, const double* gamma)
{
    SamplingState* copy = new SamplingState(current, columns());
    if (gamma)
        evaluateBiased(copy, gamma);
    else
        CalculateDirectSSA(copy);
    hashTable->Insert(copy);
    return copy;
}

int Sampling::RollADie_DSSA(SamplingState* stored, SamplingState* current, double& tau)
{
    if (!ready("RollADie_DSSA") || !stored || !current)
        return -1;
    const double u1 = draw();
    const double u2 = draw();
    const double a0 = stored->geta0();
    tau = a0 > 0.0 ? -std::log(u1) / a0 : std::numeric_limits<double>::infinity();
    const double r = u2 * a0;
    if (!(r > 0.0)) {
        std::cout << "What happened?" << std::endl;
        return -1;
    }
    const int j = chooseColumn(stored, false, columns(), r);
    if (j < 0 || !applicable(static_cast<unsigned int>(j), current))
        return -1;
    apply(static_cast<unsigned int>(j), current);
    return 1;
}

double Sampling::SSADirect_updateState(SamplingState* current)
{
    if (!ready("SSADirect_updateState") || !current)
        return -1.0;
    double tau = 0.0;
    SamplingState* stored = storedFor(current);
    if (!stored)
        stored = store(current, nullptr);
    if (RollADie_DSSA(stored, current, tau) < 0)
        return stored->geta0() > 0.0 ? -1.0 : tau;
    last = hashTable->Find(current);
    if (!last)
        last = store(current, nullptr);
    return tau;
}

int Sampling::rollBiased(const SamplingState* from, SamplingState* current, double& tau, bool negatedLog)
{
    const double u1 = draw();
    const double u2 = draw();
    const double b0 = from->getb0();
    if (b0 > 0.0)
        tau = negatedLog ? -std::log(u1) / b0 : std::log(1.0 / u1) / b0;
    else
        tau = std::numeric_limits<double>::infinity();
    const double r = b0 * u2;
    if (!(r > 0.0)) {
        std::cout << "What happened? cum=" << 0 << ", tau2=" << u2 << ", b0=" << b0 << ", cri=" << r << std::endl;
        return -1;
    }
    const int j = chooseColumn(from, true, columns(), r);
    if (j < 0 || !applicable(static_cast<unsigned int>(j), current))
        return -2;
    return j;
}

double Sampling::dwSSADirect_updateState(SamplingState* current, double* gamma, double& weight, long* firings)
{
    if (!ready("dwSSADirect_updateState") || !current || !gamma || !firings)
        return -1.0;
    SamplingState* stored = storedFor(current);
    if (!stored)
        stored = store(current, gamma);
    double tau = 0.0;
    const int j = rollBiased(stored, current, tau, false);
    if (j < 0)
        return -1.0;
    const double a0 = stored->geta0(), b0 = stored->getb0();
    firings[j] += 1;
    weight = weight * std::exp((b0 - a0) * tau) / stored->getGamma(j);
    apply(static_cast<unsigned int>(j), current);
    last = hashTable->Find(current);
    if (!last)
        last = store(current, gamma);
    return tau;
}

double Sampling::dwSSADirectPE_updateState(SamplingState* current, double* gamma, double& weight, double* firings,
                                           double* exposure)
{
    if (!ready("dwSSADirectPE_updateState") || !current || !gamma || !firings || !exposure)
        return -1.0;
    if (current->getNumStoiReactions() < columns()) {
        say("ERROR: dwSSADirectPE_updateState needs a state of %u columns, not %u\n", columns(),
            current->getNumStoiReactions());
        return -1.0;
    }
    evaluateBiased(current, gamma);
    double tau = 0.0;
    const int j = rollBiased(current, current, tau, false);
    if (j < 0)
        return -1.0;
    const double a0 = current->geta0(), b0 = current->getb0();
    firings[j] += 1.0;
    for (unsigned int i = 0; i < columns(); ++i)
        exposure[i] += current->getRatesA(static_cast<int>(i)) * tau;
    weight = weight * std::exp((b0 - a0) * tau) / current->getGamma(j);
    apply(static_cast<unsigned int>(j), current);
    return tau;
}

int Sampling::Bias_Average(SamplingState* s)
{
    if (!ready("Bias_Average") || !s)
        return -1;
    std::vector<SamplingState*>* list = hashTable->BatchFind(s);
    const int m = list ? static_cast<int>(list->size()) : 0;
    if (m < 2) {
        delete list;
        return m;
    }
    const unsigned int n = columns();
    std::vector<double> gammaOf(n, 1.0);
    for (unsigned int i = 0; i < n; ++i) {
        const int c = static_cast<int>(i);
        double A = 0.0, B = 0.0, W = 0.0;
        for (SamplingState* k : *list) {
            const double w = std::max(k->getpFn(c), k->getpBn(c));
            A += k->getRatesA(c) * w;
            B += k->getRatesB(c) * w;
            W += w;
        }
        if (W > 0.0) {
            A /= W;
            B /= W;
        }
        if (A > 0.0 && B > 0.0)
            gammaOf[i] = B / A;
    }
    for (SamplingState* k : *list) {
        double b0 = 0.0;
        for (unsigned int i = 0; i < n; ++i) {
            const int c = static_cast<int>(i);
            k->setGamma(c, gammaOf[i]);
            k->setRatesB(c, k->getRatesA(c) * gammaOf[i]);
            b0 += k->getRatesB(c);
        }
        k->setb0(b0);
    }
    delete list;
    return m;
}
