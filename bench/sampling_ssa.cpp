// Direct-method steps of the sampler beside a plain direct method written
// here (Debian packages no stochastic-simulation library to compare with):
// mass-action propensities c_r x the product of the reactant counts, c_r from
// Network::getValueOfRateConstant, the same two draws a step, taken from a
// std::mt19937 of its own seeded as the sampler's generator. Both follow one
// seeded trajectory of 1,000 steps from zero counts, on the Keratinocyte
// model (its states stored by a first pass, as a long run reuses them) and on
// the FC model (a fresh sampler each pass: mostly new states, each evaluated
// through its SBML kinetic laws once). Where the FC time goes is measured
// apart: evaluating one state's propensities, and the table look-up. Both
// methods are checked to reach the same state before timing; standard output
// (the network's diagnostics) goes to /dev/null while the cases run.
#include "sampling/sampling.h"
#include "sampling_env.h"

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

const int STEPS = 1000;
const unsigned int SEED = 5;

using sampling_bench::load;

// The reference: a textbook direct method over mass-action propensities.
struct PlainDirect {
    explicit PlainDirect(Network& net)
        : stoich(net.getStoichiometricMatrix()), species(net.getNumSpecies()), columns(net.getNumStoiReactions())
    {
        for (unsigned int r = 0; r < columns; ++r) {
            rate.push_back(net.getValueOfRateConstant(r));
            std::vector<std::pair<unsigned int, int>> in, change;
            for (unsigned int s = 0; s < species; ++s) {
                const double v = stoich->getValue(s, r);
                if (v < 0)
                    in.emplace_back(s, static_cast<int>(-v));
                if (v != 0)
                    change.emplace_back(s, static_cast<int>(v));
            }
            reactants.push_back(in);
            changes.push_back(change);
        }
        a.resize(columns);
    }
    void step(std::vector<unsigned int>& x)
    {
        const double u1 = ((engine() >> 1) + 1.0) * 4.656612873077393e-10;
        const double u2 = ((engine() >> 1) + 1.0) * 4.656612873077393e-10;
        double a0 = 0.0;
        for (unsigned int r = 0; r < columns; ++r) {
            double v = rate[r];
            for (const auto& [s, k] : reactants[r])
                v *= std::pow(static_cast<double>(x[s]), k);
            a[r] = v;
            a0 += v;
        }
        benchmark::DoNotOptimize(-std::log(u1) / a0);
        const double target = u2 * a0;
        double sum = 0.0;
        unsigned int j = 0;
        for (; j < columns; ++j) {
            if (!(a[j] > 0.0))
                continue;
            sum += a[j];
            if (sum >= target)
                break;
        }
        if (j == columns)
            return;
        for (const auto& [s, d] : changes[j])
            x[s] = static_cast<unsigned int>(static_cast<int>(x[s]) + d);
    }

    std::mt19937 engine;
    Stoichiometry* stoich;
    unsigned int species, columns;
    std::vector<double> rate, a;
    std::vector<std::vector<std::pair<unsigned int, int>>> reactants, changes;
};

std::vector<unsigned int> sampledRun(Sampling& sampling, Network& net)
{
    Sampling::seed(SEED);
    SamplingState s(net.getNumSpecies(), net.getNumStoiReactions());
    for (int k = 0; k < STEPS; ++k)
        sampling.SSADirect_updateState(&s);
    std::vector<unsigned int> out;
    for (unsigned int i = 0; i < s.getNumSpecies(); ++i)
        out.push_back(s.getStateValue(i));
    return out;
}

std::vector<unsigned int> plainRun(PlainDirect& plain)
{
    plain.engine.seed(SEED);
    std::vector<unsigned int> x(plain.species, 0u);
    for (int k = 0; k < STEPS; ++k)
        plain.step(x);
    return x;
}

void Sampler(benchmark::State& st, const char* type, bool stored)
{
    auto net = load(type);
    if (!net) {
        st.SkipWithError("model file not read");
        return;
    }
    PlainDirect plain(*net);
    auto sampling = std::make_unique<Sampling>();
    sampling->Initialize(net.get(), nullptr, 0);
    if (sampledRun(*sampling, *net) != plainRun(plain)) {
        st.SkipWithError("the sampler and the plain method disagree");
        return;
    }
    for (auto _ : st) {
        if (!stored) {
            st.PauseTiming();
            sampling = std::make_unique<Sampling>();
            sampling->Initialize(net.get(), nullptr, 0);
            st.ResumeTiming();
        }
        benchmark::DoNotOptimize(sampledRun(*sampling, *net));
    }
    st.counters["states"] = static_cast<double>(sampling->getHTSize());
    st.SetItemsProcessed(st.iterations() * STEPS);
}

void Plain(benchmark::State& st, const char* type)
{
    auto net = load(type);
    if (!net) {
        st.SkipWithError("model file not read");
        return;
    }
    PlainDirect plain(*net);
    for (auto _ : st)
        benchmark::DoNotOptimize(plainRun(plain));
    st.SetItemsProcessed(st.iterations() * STEPS);
}

// Where a new state's time goes: its propensities through the kinetic laws.
// The FC network bound to a sampler; null (the case skipped) when the model
// file cannot be read.
std::unique_ptr<Network> boundFC(benchmark::State& st, Sampling& sampling)
{
    auto net = load("FC");
    if (!net)
        st.SkipWithError("model file not read");
    else
        sampling.Initialize(net.get(), nullptr, 0);
    return net;
}

void FC_EvaluateOneState(benchmark::State& st)
{
    Sampling sampling;
    auto net = boundFC(st, sampling);
    if (!net)
        return;
    SamplingState s(net->getNumSpecies(), net->getNumStoiReactions());
    for (unsigned int i = 0; i < s.getNumSpecies(); ++i)
        s.setStateValue(i, 10 + i);
    for (auto _ : st)
        sampling.CalculateDirectSSA(&s);
    if (!(s.geta0() > 0.0))
        st.SkipWithError("no propensity");
    st.SetItemsProcessed(st.iterations());
}

// ... and the look-up of a stored state in the table of 1,000,001 buckets.
void FC_FindStoredState(benchmark::State& st)
{
    Sampling sampling;
    auto net = boundFC(st, sampling);
    if (!net)
        return;
    sampledRun(sampling, *net);
    SamplingState s(net->getNumSpecies(), net->getNumStoiReactions());
    long found = 0;
    for (auto _ : st)
        found += sampling.getHashTable()->Find(&s) != nullptr;
    if (found != static_cast<long>(st.iterations()))
        st.SkipWithError("start state not stored");
    st.SetItemsProcessed(st.iterations());
}

}

BENCHMARK_CAPTURE(Sampler, Keratinocyte_stored, "Keratinocyte", true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Plain, Keratinocyte, "Keratinocyte")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Sampler, FC_new_states, "FC", false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Plain, FC, "FC")->Unit(benchmark::kMicrosecond);
BENCHMARK(FC_EvaluateOneState)->Unit(benchmark::kMicrosecond);
BENCHMARK(FC_FindStoredState)->Unit(benchmark::kNanosecond);
