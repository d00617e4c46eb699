// One look-ahead analysis of a state of the FC model (8 columns, so 8^K paths
// of depth K) for K = 2 ... 5 with both families and K = 6, 7 with the
// first, timed per enumerated path: the cost of a path should not grow with
// the depth. The peak resident memory after the depth-7 analysis is
// reported. Standard output (summary lines are off, the network's
// diagnostics are not) goes to /dev/null; every analysis is checked to have
// left b0 = a0.
#include "sampling/sampling.h"
#include "sampling_env.h"

#include <unistd.h>

#include <cmath>
#include <sys/resource.h>

namespace {

void Analysis(benchmark::State& st, int K, bool firstFamily)
{
    auto net = sampling_bench::load("FC");
    if (!net) {
        st.SkipWithError("model file not read");
        return;
    }
    const unsigned int m = net->getNumSpecies(), n = net->getNumStoiReactions();
    const int tgfb = net->getSpeciesIndex("TGFb");
    std::string tokens;
    for (unsigned int i = 0; i < m; ++i)
        tokens += (i ? " " : "") + std::string(static_cast<int>(i) == tgfb ? "40:60" : "0");
    const std::string path = "/tmp/_bench_destination_" + std::to_string(::getpid());
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, "%u\n%s\n", m, tokens.c_str());
    std::fclose(f);
    DestinationSet destination;
    destination.readDestinationSet(path.c_str());
    std::remove(path.c_str());

    Sampling sampling;
    sampling.Initialize(net.get(), &destination, 0);
    // Counts of 20: every column can fire at every depth.
    SamplingState start(m, n), ref(m, n);
    for (unsigned int i = 0; i < m; ++i)
        start.setStateValue(i, 20);
    using First = int (Sampling::*)(SamplingState*, SamplingState*, double, double, double, int);
    using Second = int (Sampling::*)(SamplingState*, SamplingState*, double, double, int);
    const First first[] = {&Sampling::CalculateLookahead_2Steps, &Sampling::CalculateLookahead_3Steps,
                           &Sampling::CalculateLookahead_4Steps, &Sampling::CalculateLookahead_5Steps,
                           &Sampling::CalculateLookahead_6Steps, &Sampling::CalculateLookahead_7Steps};
    const Second second[] = {&Sampling::CalculateLookahead_2Steps, &Sampling::CalculateLookahead_3Steps,
                             &Sampling::CalculateLookahead_4Steps, &Sampling::CalculateLookahead_5Steps};
    SamplingState s(&start);
    for (auto _ : st) {
        st.PauseTiming();
        s = start;
        st.ResumeTiming();
        if (firstFamily)
            (sampling.*first[K - 2])(&s, &ref, 0.0, 1.0, 1.0, 0);
        else
            (sampling.*second[K - 2])(&s, &ref, 0.0, 2.0, 0);
    }
    if (!(std::fabs(s.getb0() - s.geta0()) <= 1e-9 * s.geta0()))
        st.SkipWithError("b0 differs from a0");
    const double paths = std::pow(static_cast<double>(n), K);
    st.SetItemsProcessed(static_cast<long>(st.iterations() * paths));
    st.counters["ns_per_path"] =
        benchmark::Counter(paths, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    if (K == 7) {
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        st.counters["peak_MiB"] = usage.ru_maxrss / 1024.0;
    }
}

}

BENCHMARK_CAPTURE(Analysis, first_K2, 2, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Analysis, first_K3, 3, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Analysis, first_K4, 4, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Analysis, first_K5, 5, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Analysis, first_K6, 6, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Analysis, second_K2, 2, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Analysis, second_K3, 3, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Analysis, second_K4, 4, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Analysis, second_K5, 5, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Analysis, first_K7, 7, true)->Unit(benchmark::kMillisecond)->Iterations(2);
