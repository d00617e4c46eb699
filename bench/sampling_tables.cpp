// The sampler's table of visited states beside std::unordered_map: inserting
// and finding 1,000,000 distinct 7-species states (a seeded walk, counts in
// the hundreds) in a default HashTableS (1,000,001 buckets) and in an
// unordered_map keyed by the counts, reserved to the same bucket count. The
// states are made outside the timed region. Also: making and releasing the
// default state-space index (70,000,001 buckets), with the memory it leaves
// resident. Results are checked after timing.
#include "sampling/hash_table.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

const int STATES = 1000000;
using Key = std::array<unsigned int, 7>;

struct KeyHash {
    std::size_t operator()(const Key& k) const
    {
        std::size_t h = 0;
        for (unsigned int c : k)
            h = h * 1000003u ^ c;
        return h;
    }
};

// Distinct states met by a random walk: one species moves by 1 to 3 a step.
const std::vector<Key>& walk()
{
    static const std::vector<Key> keys = [] {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> species(0, 6), step(-3, 3);
        Key at;
        at.fill(300);
        std::unordered_set<Key, KeyHash> seen;
        std::vector<Key> out;
        while (static_cast<int>(out.size()) < STATES) {
            const int s = species(rng);
            const int d = step(rng);
            const int moved = static_cast<int>(at[s]) + d;
            if (d == 0 || moved < 100 || moved > 900)
                continue;
            at[s] = static_cast<unsigned int>(moved);
            if (seen.insert(at).second)
                out.push_back(at);
        }
        return out;
    }();
    return keys;
}

// The peer is keyed by the counts it reads from the caller's state, as a
// sampler holding SamplingStates would key it.
Key keyOf(const SamplingState* s)
{
    Key k;
    for (unsigned int i = 0; i < 7; ++i)
        k[i] = s->getStateValue(i);
    return k;
}

SamplingState* make(const Key& k)
{
    SamplingState* s = new SamplingState(7u, 0u);
    for (unsigned int i = 0; i < 7; ++i)
        s->setStateValue(i, k[i]);
    return s;
}

std::vector<SamplingState*> makeAll()
{
    std::vector<SamplingState*> states;
    states.reserve(STATES);
    for (const Key& k : walk())
        states.push_back(make(k));
    return states;
}

// Fresh states with the same counts, as a caller looking states up holds.
std::vector<std::unique_ptr<SamplingState>> makeProbes()
{
    std::vector<std::unique_ptr<SamplingState>> probes;
    for (const Key& k : walk())
        probes.emplace_back(make(k));
    return probes;
}

long residentKiB()
{
    long pages = 0, resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * 4;
}

void HashTableS_Insert(benchmark::State& st)
{
    walk();
    for (auto _ : st) {
        st.PauseTiming();
        std::vector<SamplingState*> states = makeAll();
        auto table = std::make_unique<HashTableS>();
        st.ResumeTiming();
        for (SamplingState* s : states)
            table->Insert(s);
        st.PauseTiming();
        if (table->getNumTotalItems() != static_cast<unsigned long>(STATES))
            st.SkipWithError("lost states");
        table.reset();
        st.ResumeTiming();
    }
    st.SetItemsProcessed(st.iterations() * STATES);
}

void UnorderedMap_Insert(benchmark::State& st)
{
    walk();
    for (auto _ : st) {
        st.PauseTiming();
        std::vector<SamplingState*> states = makeAll();
        auto table = std::make_unique<std::unordered_map<Key, SamplingState*, KeyHash>>();
        table->reserve(1000001);
        st.ResumeTiming();
        for (SamplingState* s : states)
            table->emplace(keyOf(s), s);
        st.PauseTiming();
        if (table->size() != static_cast<std::size_t>(STATES))
            st.SkipWithError("lost states");
        for (SamplingState* s : states)
            delete s;
        table.reset();
        st.ResumeTiming();
    }
    st.SetItemsProcessed(st.iterations() * STATES);
}

void HashTableS_Find(benchmark::State& st)
{
    HashTableS table;
    for (SamplingState* s : makeAll())
        table.Insert(s);
    const auto probes = makeProbes();
    long found = 0;
    for (auto _ : st)
        for (const auto& p : probes)
            found += table.Find(p.get()) != nullptr;
    if (found != static_cast<long>(st.iterations()) * STATES)
        st.SkipWithError("missed states");
    st.SetItemsProcessed(st.iterations() * STATES);
}

void UnorderedMap_Find(benchmark::State& st)
{
    std::unordered_map<Key, SamplingState*, KeyHash> table;
    table.reserve(1000001);
    std::vector<SamplingState*> states = makeAll();
    for (SamplingState* s : states)
        table.emplace(keyOf(s), s);
    const auto probes = makeProbes();
    long found = 0;
    for (auto _ : st)
        for (const auto& p : probes)
            found += table.find(keyOf(p.get())) != table.end();
    if (found != static_cast<long>(st.iterations()) * STATES)
        st.SkipWithError("missed states");
    for (SamplingState* s : states)
        delete s;
    st.SetItemsProcessed(st.iterations() * STATES);
}

// The index every StateSpace makes: goal under 0.1 s and 100 MB resident.
void DefaultIndex_MakeAndRelease(benchmark::State& st)
{
    long extra = 0;
    for (auto _ : st) {
        const long before = residentKiB();
        auto index = std::make_unique<HashTable>();
        benchmark::DoNotOptimize(index.get());
        extra = residentKiB() - before;
        if (index->getNumBuckets() != 70000001ul)
            st.SkipWithError("wrong bucket count");
    }
    st.counters["resident_MiB"] = static_cast<double>(extra) / 1024.0;
}

}

BENCHMARK(HashTableS_Insert)->Unit(benchmark::kMillisecond);
BENCHMARK(UnorderedMap_Insert)->Unit(benchmark::kMillisecond);
BENCHMARK(HashTableS_Find)->Unit(benchmark::kMillisecond);
BENCHMARK(UnorderedMap_Find)->Unit(benchmark::kMillisecond);
BENCHMARK(DefaultIndex_MakeAndRelease)->Unit(benchmark::kMillisecond);
