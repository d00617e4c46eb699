// Look-ahead analysis, bias rules and look-ahead steps: exact enumerations
// on birth and death, the biases they give, rare-event estimates against the
// exact gambler's ruin, and runs on the FC model file of the model writer.
#include "sampling/sampling.h"
#include "signalling/model_files.h"
#include "signalling/network.h"

#include "sampling_kit.h"
#include "signalling/sbml_text.h"
#include "support/model_env.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <regex>
#include <sstream>

using namespace sampling_kit;
using namespace sbml_text;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// The birth and death chain (birth at 1, death at X) from X = 2 toward
// [5, 10], the enumerations' worked example.
class Lookahead : public NetworkFiles {
protected:
    void bindBirthDeath(Sampling& sampling, int verbose = 0)
    {
        if (!chain) {
            chain = &birthDeath(cn("1"), "<ci>X</ci>");
            target = &destination("1\n5:10\n");
        }
        sampling.Initialize(chain, target, verbose);
    }
    Network* chain = nullptr;
    DestinationSet* target = nullptr;
};

struct Summary {
    double a;
    int paths, forward, back;
    double P, Pf, Pb, Pfn, Pbn;
};

// The summary lines of an analysis's output.
std::vector<Summary> summaries(const std::string& out)
{
    static const std::regex summary("Reaction: a_\\d+=([^ ]+)\\. (\\d+) paths in total\\.  Forward:(\\d+); Back:(\\d+);  "
                                    "P=([^,]+),  P_f=([^,]+),  P_b=([^,]+),  P_fn=([^,]+),  P_bn=(.+)");
    std::vector<Summary> found;
    std::istringstream lines(out);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line))
        if (std::regex_search(line, m, summary))
            found.push_back({std::stod(m[1]), std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stod(m[5]),
                             std::stod(m[6]), std::stod(m[7]), std::stod(m[8]), std::stod(m[9])});
    return found;
}

// Paths of depth K from x in the birth-death chain (birth always, death
// when x > 0), counted by plain recursion.
long pathsFrom(unsigned int x, unsigned int K)
{
    if (K == 0)
        return 1;
    return pathsFrom(x + 1, K - 1) + (x > 0 ? pathsFrom(x - 1, K - 1) : 0);
}

}

TEST_F(Lookahead, BirthDeathEnumerationIsExact)
{
    Sampling sampling;
    bindBirthDeath(sampling);
    SamplingState ref = one(0, 2);

    SamplingState s = one(2, 2);
    s.setpFn(0, 0.9);
    CaptureStdout();
    EXPECT_EQ(sampling.CalculateLookahead_2Steps(&s, &ref, 0.0, 1.0, 1.0, 1), 1);
    std::string out = GetCapturedStdout();
    EXPECT_EQ(out.substr(out.find("Reaction: a_1"), out.find('\n', out.find("Reaction: a_1")) - out.find("Reaction: a_1")),
              "Reaction: a_1=1. 2 paths in total.  Forward:1; Back:0;  P=3.333333e-01,  P_f=8.333333e-02,  "
              "P_b=0.000000e+00,  P_fn=2.500000e-01,  P_bn=0.000000e+00");
    std::vector<Summary> k2 = summaries(out);
    ASSERT_EQ(k2.size(), 2u);
    EXPECT_NEAR(k2[1].P, 2.0 / 3, 1e-6);
    EXPECT_NEAR(k2[1].Pb, 1.0 / 3, 1e-6);
    EXPECT_EQ(k2[1].paths, 2);
    EXPECT_EQ(k2[1].back, 1);
    EXPECT_EQ(s.geta0(), 3.0);
    EXPECT_EQ(s.getRatesA(1), 2.0);
    EXPECT_DOUBLE_EQ(s.getpFn(0), 0.25);
    EXPECT_DOUBLE_EQ(s.getpBn(1), 0.5);

    SamplingState t = one(2, 2);
    CaptureStdout();
    sampling.CalculateLookahead_3Steps(&t, &ref, 0.0, 1.0, 1.0, 1);
    out = GetCapturedStdout();
    std::vector<Summary> k3 = summaries(out);
    ASSERT_EQ(k3.size(), 2u);
    const Summary expected[2] = {{1, 4, 3, 1, 1.0 / 3, 1.0 / 6, 1.0 / 6, 0.5, 0.5},
                                 {2, 3, 1, 2, 2.0 / 3, 1.0 / 9, 5.0 / 9, 1.0 / 6, 5.0 / 6}};
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(k3[j].paths, expected[j].paths);
        EXPECT_EQ(k3[j].forward, expected[j].forward);
        EXPECT_EQ(k3[j].back, expected[j].back);
        EXPECT_NEAR(k3[j].Pf, expected[j].Pf, 1e-6);
        EXPECT_NEAR(k3[j].Pb, expected[j].Pb, 1e-6);
        EXPECT_NEAR(k3[j].Pfn, expected[j].Pfn, 1e-6);
        EXPECT_NEAR(k3[j].Pbn, expected[j].Pbn, 1e-6);
    }
    // Depth 3 prints a column head, then the path lines.
    EXPECT_NE(out.find("Reaction: 1. 4 paths in total.  2 -> 3 -> 4 -> 5; [2 5.5; 5 0]; P=1.666667e-02\n"),
              std::string::npos)
        << out;

    // Every depth: the weights sum to 1 and the paths are all there.
    using Enumeration = int (Sampling::*)(SamplingState*, SamplingState*, double, double, double, int);
    const Enumeration depth[] = {&Sampling::CalculateLookahead_2Steps, &Sampling::CalculateLookahead_3Steps,
                                 &Sampling::CalculateLookahead_4Steps, &Sampling::CalculateLookahead_5Steps,
                                 &Sampling::CalculateLookahead_6Steps, &Sampling::CalculateLookahead_7Steps};
    for (unsigned int K = 2; K <= 7; ++K) {
        SamplingState u = one(2, 2);
        CaptureStdout();
        (sampling.*depth[K - 2])(&u, &ref, 0.0, 1.0, 1.0, 1);
        std::vector<Summary> sums = summaries(GetCapturedStdout());
        ASSERT_EQ(sums.size(), 2u);
        EXPECT_NEAR(sums[0].P + sums[1].P, 1.0, 1e-6) << K;
        EXPECT_EQ(sums[0].paths + sums[1].paths, pathsFrom(2, K)) << K;
        EXPECT_NEAR(u.getb0(), u.geta0(), 1e-12) << K;
    }
}

TEST_F(Lookahead, BiasesOfBothFamilies)
{
    Sampling sampling;
    bindBirthDeath(sampling, 1);
    SamplingState s = one(2, 2);
    CaptureStdout();
    sampling.CalculateLookahead_2Steps(&s, nullptr, 0.0, 1.0, 1.0, 0);
    std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("0: g[1]=1.62123, a[1]=1, b[1]=1.62123\n0: g[2]=0.549306, a[2]=2, b[2]=1.09861\n"),
              std::string::npos)
        << out;
    EXPECT_NEAR(s.getGamma(0), 1.788224, 1e-6);
    EXPECT_NEAR(s.getGamma(1), 0.605888, 1e-6);
    EXPECT_NEAR(s.getRatesB(0), 1.788224, 1e-6);
    EXPECT_NEAR(s.getRatesB(1), 1.211776, 1e-6);
    EXPECT_NEAR(s.getb0(), 3.0, 1e-12);

    SamplingState t = one(2, 2);
    t.setpFn(0, 0.7);
    t.setpBn(1, 0.7);
    CaptureStdout();
    sampling.CalculateLookahead_2Steps(&t, nullptr, 0.0, 2.0, 0);
    out = GetCapturedStdout();
    EXPECT_NE(out.find("0: g[1]=1.125, a[1]=1, b[1]=1.125\n0: g[2]=0.875,"), std::string::npos) << out;
    EXPECT_NEAR(t.getGamma(0), 27.0 / 23, 1e-12);
    EXPECT_NEAR(t.getGamma(1), 21.0 / 23, 1e-12);
    EXPECT_EQ(t.getpFn(0), 0.7) << "the second family leaves the shares";
    EXPECT_EQ(t.getpBn(1), 0.7);

    // The rules on prepared shares.
    bindBirthDeath(sampling);
    auto prepared = [](double a1, double a2) {
        SamplingState x(1u, 2u);
        x.setRatesA(0, a1);
        x.setRatesA(1, a2);
        x.seta0(a1 + a2);
        return x;
    };
    int paths[] = {4, 4}, forward[] = {4, 0}, back[] = {0, 4};
    double equal[] = {0.3, 0.3};
    SamplingState e = prepared(1, 2);
    sampling.Bias_Function(&e, 1.0, 1.0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, equal, equal);
    EXPECT_EQ(e.getGamma(0), 1.0);
    EXPECT_EQ(e.getRatesB(1), 2.0);
    // Column 0 strongly forward but its log bias falls below 1 once
    // rescaled: it is reset, column 1 absorbs the difference.
    SamplingState f = prepared(9, 1);
    double pf[] = {0.9, 0.9}, pb[] = {0.0, 0.05};
    sampling.Bias_Function(&f, 1.0, 1.0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, pf, pb);
    EXPECT_EQ(f.getGamma(0), 1.0);
    EXPECT_EQ(f.getRatesB(0), 9.0);
    EXPECT_NEAR(f.getb0(), 10.0, 1e-12);
    SamplingState m = prepared(1, 1);
    double fb[] = {1.0, 0.0}, bb[] = {0.0, 1.0};
    bindBirthDeath(sampling, 1);
    CaptureStdout();
    sampling.Bias_Function(&m, 4.0, paths, forward, back, nullptr, nullptr, nullptr, fb, bb);
    out = GetCapturedStdout();
    EXPECT_NE(out.find("0: g[1]=4, a[1]=1, b[1]=4\n0: g[2]=0.25, a[2]=1, b[2]=0.25\n"), std::string::npos) << out;
}

TEST_F(Lookahead, StandAloneBiasRules)
{
    Network& bd = birthDeath(cn("1"), "<ci>X</ci>");
    Sampling sampling;
    sampling.Initialize(&bd, nullptr, 0);
    SamplingState s(1u, 2u);
    s.setRatesA(0, 1.0);
    s.setRatesA(1, 1.0);
    s.seta0(2.0);
    double num[] = {2.0, 0.0}, den[] = {1.0, 5.0};
    EXPECT_EQ(sampling.Bias_Function(&s, 0.0, 0.0, num, den), 0.0);
    EXPECT_DOUBLE_EQ(s.getGamma(0), 4.0 / 3);
    EXPECT_DOUBLE_EQ(s.getGamma(1), 2.0 / 3);
    EXPECT_DOUBLE_EQ(s.getb0(), 2.0);

    // One irreversible reaction: unpaired, so the eta search ends after 45
    // decrements from 1, and that is its bias.
    Network& single = load(species("X"), reaction("up", false, "", ref("X"), "", cn("1")));
    sampling.Initialize(&single, nullptr, 0);
    SamplingState u(1u, 1u);
    u.setRatesA(0, 2.0);
    u.seta0(2.0);
    double F[] = {0.0}, B[] = {0.0};
    sampling.Bias_Function(&u, 1.0, 1.0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, F, B);
    EXPECT_EQ(u.getGamma(0), 0.0999999999999994);
    double eta = 1.0;
    for (int k = 0; k < 45; ++k)
        eta -= 0.02;
    EXPECT_EQ(u.getGamma(0), eta);

    // Reversible pair: all forward values 0 and a backward one positive:
    // the backward evidence, scaled by gainDown, lowers the pair's bias.
    Network& pair = load(species("X") + species("Y"),
                         reaction("swap", true, ref("X"), ref("Y"), "", cn("1")) + reaction("make", false, "", ref("X"), "", cn("1")));
    sampling.Initialize(&pair, nullptr, 1);
    SamplingState p(2u, 3u);
    p.setStateValue(0, 5);
    for (int j = 0; j < 3; ++j)
        p.setRatesA(j, 1.0);
    p.seta0(3.0);
    double F2[] = {0.0, 0.0}, B2[] = {0.4, 0.0};
    CaptureStdout();
    sampling.Bias_Function(&p, 3.0, 0.5, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, F2, B2);
    const std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("0: g[1]=0.8, a[1]=1, b[1]=0.8\n0: g[2]=0.8,"), std::string::npos) << out;

    // The four-column rule needs four columns.
    CaptureStdout();
    EXPECT_EQ(sampling.Bias_Function(&p, 1.0, 1.0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, 0, 0, 1.0, 0.0, 0, 0, 0.0, 1.0),
              -1.0);
    EXPECT_EQ(GetCapturedStdout(), "ERROR: the four-column bias rule needs four columns, the network has 3\n");
}

TEST_F(Lookahead, StepsPrintCountAndStore)
{
    Sampling sampling;
    bindBirthDeath(sampling);
    SamplingState ref = one(0, 2);
    long counters[] = {0, 0};
    double weight = 1.0;

    // Depth 4 shows heads and path lines only above print level 100.
    SamplingState s = one(2, 2);
    CaptureStdout();
    sampling.CalculateLookahead_4Steps(&s, &ref, 0.0, 1.0, 1.0, 100);
    std::string out = GetCapturedStdout();
    EXPECT_EQ(out.find("paths in total.  \n"), std::string::npos);
    CaptureStdout();
    sampling.CalculateLookahead_4Steps(&s, &ref, 0.0, 1.0, 1.0, 101);
    out = GetCapturedStdout();
    // The path states show the propensities they held when the path was
    // recorded: the first path has met only births.
    EXPECT_NE(out.find("Reaction: 1. 8 paths in total.  \n2 -> 3 -> 4 -> 5 -> 6; [2 5.5; 6 0]; P=2.777778e-03;  "
                       "1.0000 1.0000 1.0000 1.0000, 3.0000 1.0000 1.0000 1.0000 0.0000 \n"),
              std::string::npos)
        << out;

    // A step: the stored state is analysed once and printed once.
    SamplingState x = one(2, 2);
    Sampling::seed(1);
    CaptureStdout();
    const double tau = sampling.LookaheadSSA_KSteps_updateState(2, &x, &ref, 0.0, weight, 1.0, 1.0, 1, counters);
    out = GetCapturedStdout();
    EXPECT_GT(tau, 0.0);
    EXPECT_EQ(counters[0] + counters[1], 1);
    SamplingState probe = one(2, 2);
    SamplingState* stored = sampling.getHashTable()->Find(&probe);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->getnVisits(), 1u);
    const int fired = counters[0] ? 1 : 2;
    std::ostringstream line;
    line << "gamma[" << fired << "]=" << stored->getGamma(fired - 1) << ", a[" << fired << "]="
         << stored->getRatesA(fired - 1) << ", b[" << fired << "]=" << stored->getRatesB(fired - 1) << "\n";
    EXPECT_NE(out.find(line.str()), std::string::npos) << out;
    EXPECT_NEAR(weight, 1.0 / stored->getGamma(fired - 1), 1e-12);
    // A step firing column 0 shows it as 1 in all three brackets.
    for (int tries = 0; tries < 50 && counters[0] == 0; ++tries) {
        SamplingState again = one(2, 2);
        CaptureStdout();
        sampling.LookaheadSSA_KSteps_updateState(2, &again, &ref, 0.0, weight, 1.0, 1.0, 1, counters);
        out = GetCapturedStdout();
    }
    ASSERT_GT(counters[0], 0);
    EXPECT_NE(out.find(", gamma[1]=1.78822, a[1]=1, b[1]=1.78822\n"), std::string::npos) << out;
    x.setStateValue(0, 2);
    const unsigned int visits = stored->getnVisits();
    EXPECT_EQ(visits, 1u + static_cast<unsigned int>(counters[0] + counters[1] - 1));
    CaptureStdout();
    sampling.LookaheadSSA_KSteps_updateState(2, &x, &ref, 0.0, weight, 1.0, 1.0, 0, counters);
    EXPECT_EQ(GetCapturedStdout().find("Reaction: a_"), std::string::npos) << "a stored state is not analysed again";
    EXPECT_EQ(stored->getnVisits(), visits + 1);

    // K outside the family's depths stores the caller's state as it is.
    // (First family at 1 and 8; the maxBias and two-stage steps at 6.)
    for (auto [family, K] : {std::pair<int, int>{1, 1}, {1, 8}, {2, 6}, {3, 6}}) {
        Sampling plain;
        bindBirthDeath(plain);
        SamplingState y = one(4, 2);
        y.setRatesA(0, 1.0);
        y.setRatesA(1, 4.0);
        y.setRatesB(0, 1.0);
        y.setGamma(0, 1.0);
        y.seta0(5.0);
        y.setb0(1.0);
        double w = 1.0;
        long c[] = {0, 0};
        Sampling::seed(2);
        const double tau = family == 1 ? plain.LookaheadSSA_KSteps_updateState(K, &y, &ref, 0.0, w, 1.0, 1.0, 0, c)
            : family == 2             ? plain.LookaheadSSA_KSteps_updateState(K, &y, &ref, 0.0, w, 2.0, 0, c)
                                      : plain.LookaheadSSA_KSteps2Stage_updateState(K, &y, &ref, 0.0, w, 1.0, 1.0, 0, c);
        ASSERT_GT(tau, 0.0) << family << " " << K;
        EXPECT_EQ(c[0], 1) << "drawn from the carried b = {1, 0}";
        EXPECT_EQ(y.getStateValue(0), 5u);
        SamplingState four = one(4, 2);
        EXPECT_EQ(plain.getHashTable()->Find(&four)->getb0(), 1.0);
        EXPECT_LT(w, 1.0) << "exp((b0 - a0) tau) with the carried b0 = 1, a0 = 5";
    }
}

TEST_F(Lookahead, DeadStatesMissingDestinationsAndGammaOne)
{
    Network& death = load(species("X"), reaction("down", false, ref("X"), "", "", "<ci>X</ci>"));
    DestinationSet& dest = destination("1\n0:0\n");
    Sampling none;
    none.Initialize(&death, nullptr, 0);
    SamplingState x = one(3, 1), ref = one(0, 1);
    double weight = 1.0;
    long counters[] = {0};
    CaptureStdout();
    EXPECT_EQ(none.CalculateLookahead_3Steps(&x, &ref, 0.0, 1.0, 1.0, 0), -1);
    EXPECT_EQ(none.LookaheadSSA_KSteps_updateState(2, &x, &ref, 0.0, weight, 2.0, 0, counters), -1.0);
    EXPECT_EQ(GetCapturedStdout(), "ERROR: CalculateLookahead_3Steps needs a destination set\n"
                                   "ERROR: LookaheadSSA_KSteps_updateState needs a destination set\n");
    EXPECT_EQ(none.getHTSize(), 0u);
    EXPECT_EQ(x.getStateValue(0), 3u);

    Sampling sampling;
    sampling.Initialize(&death, &dest, 0);
    Sampling::seed(3);
    // A single column: gamma 1 and b0 = a0, so the weight never moves.
    while (x.getStateValue(0) > 0)
        ASSERT_GT(sampling.LookaheadSSA_KSteps2Stage_updateState(3, &x, &ref, 0.0, weight, 1.0, 1.0, 0, counters), 0.0);
    EXPECT_EQ(weight, 1.0);
    EXPECT_EQ(counters[0], 3);
    for (int repeat = 0; repeat < 2; ++repeat) {
        CaptureStdout();
        EXPECT_EQ(sampling.LookaheadSSA_KSteps2Stage_updateState(3, &x, &ref, 0.0, weight, 1.0, 1.0, 0, counters),
                  std::numeric_limits<double>::infinity());
        const std::string out = GetCapturedStdout();
        EXPECT_EQ(out.rfind("What happened? cum=0, tau2=", 0), 0u) << out;
        EXPECT_NE(out.find(", b0=0, cri=0\n"), std::string::npos) << out;
        EXPECT_EQ(counters[0], 3);
        EXPECT_EQ(weight, 1.0);
    }
}

TEST_F(Lookahead, GamblersRuinEstimatesAreUnbiased)
{
    // Up at constant 1, down at constant 2, from X = 1 to 10 before 0:
    // exactly 1/1023.
    Network& walk = birthDeath(cn("1"), cn("2"));
    DestinationSet& dest = destination("1\n10:10\n");
    struct Case {
        int family;
        double g1, g2;
        unsigned int seed;
        double bias0, bias1;
    };
    for (const Case& c : {Case{1, 2.0, 0.5, 61, 2.085260, 0.457370}, Case{2, 5.0, 0.0, 62, 1.595745, 0.702128}}) {
        Sampling sampling;
        sampling.Initialize(&walk, &dest, 0);
        Sampling::seed(c.seed);
        const int runs = 20000;
        double sum = 0.0, sumSq = 0.0;
        for (int k = 0; k < runs; ++k) {
            SamplingState s = one(1, 2);
            double weight = 1.0;
            long counters[] = {0, 0};
            while (s.getStateValue(0) > 0 && s.getStateValue(0) < 10) {
                const double tau = c.family == 1
                    ? sampling.LookaheadSSA_KSteps_updateState(2, &s, nullptr, 0.0, weight, c.g1, c.g2, 0, counters)
                    : sampling.LookaheadSSA_KSteps_updateState(2, &s, nullptr, 0.0, weight, c.g1, 0, counters);
                ASSERT_GT(tau, 0.0);
            }
            if (s.getStateValue(0) == 10) {
                sum += weight;
                sumSq += weight * weight;
            }
        }
        for (unsigned int x = 2; x <= 8; ++x) {
            SamplingState probe = one(x, 2);
            const SamplingState* stored = sampling.getHashTable()->Find(&probe);
            ASSERT_TRUE(stored) << x;
            EXPECT_NEAR(stored->getGamma(0), c.bias0, 1e-6) << x;
            EXPECT_NEAR(stored->getGamma(1), c.bias1, 1e-6) << x;
        }
        const double mean = sum / runs;
        const double se = std::sqrt((sumSq / runs - mean * mean) / runs);
        EXPECT_NEAR(mean, 1.0 / 1023, 4 * se) << c.family;
        EXPECT_LT(se / mean, c.family == 1 ? 0.03 : 0.06) << c.family;
    }
}

TEST_F(Lookahead, FcModelFileRunsAreFiniteAndRepeatable)
{
    model_env::useModelFiles();
    Network fc;
    ASSERT_EQ(fc.initializeNetwork(model_files::cellTypeFile("FC").toLocal8Bit().constData()), 0);
    const int tgfb = fc.getSpeciesIndex("TGFb");
    ASSERT_GE(tgfb, 0);
    std::string tokens;
    for (unsigned int i = 0; i < fc.getNumSpecies(); ++i)
        tokens += (i ? " " : "") + std::string(static_cast<int>(i) == tgfb ? "40:60" : "0");
    DestinationSet& dest = destination(std::to_string(fc.getNumSpecies()) + "\n" + tokens + "\n");
    const unsigned int n = fc.getNumStoiReactions();
    auto run = [&](int K, int steps, std::vector<unsigned int>& end, double& weight) {
        Sampling sampling;
        sampling.Initialize(&fc, &dest, 0);
        Sampling::seed(70 + K);
        SamplingState s(fc.getNumSpecies(), n), ref(fc.getNumSpecies(), n);
        std::vector<long> counters(n, 0);
        weight = 1.0;
        for (int k = 0; k < steps; ++k) {
            const double tau = sampling.LookaheadSSA_KSteps_updateState(K, &s, &ref, 0.0, weight, 1.0, 1.0, 0,
                                                                        counters.data());
            ASSERT_TRUE(tau > 0.0 && std::isfinite(tau));
            ASSERT_TRUE(weight > 0.0 && std::isfinite(weight)) << k;
        }
        long total = 0;
        for (long c : counters)
            total += c;
        EXPECT_EQ(total, steps);
        for (unsigned long b = 0; b < sampling.getHashTable()->getNumBuckets(); ++b)
            for (SamplingState* x = sampling.getHashTable()->getHeadofBucket(b); x; x = x->getNext())
                ASSERT_NEAR(x->getb0(), x->geta0(), 1e-9 * x->geta0());
        end = counts(&s);
    };
    CaptureStdout();
    for (auto [K, steps] : {std::pair<int, int>{2, 1000}, {3, 200}}) {
        std::vector<unsigned int> first, again;
        double w1 = 0, w2 = 0;
        run(K, steps, first, w1);
        run(K, steps, again, w2);
        EXPECT_EQ(first, again) << K;
        EXPECT_EQ(w1, w2) << K;
    }
    GetCapturedStdout();
}

TEST_F(Lookahead, VariantsKeepTheirOwnTables)
{
    Sampling sampling;
    bindBirthDeath(sampling);
    SamplingState ref = one(0, 2);

    // Depth 3 with step histograms: BBB counts 3 births in its own
    // histogram; births and deaths are one reversible pair.
    SamplingState s = one(2, 2);
    CaptureStdout();
    sampling.CalculateLookahead_3StepsOLD(&s, &ref, 0.0, 1.0, 1.0, 1);
    std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("Reaction: 1. 4 paths in total.  \n2 -> 3 -> 4 -> 5; [2 5.5; 5 0]; P=1.666667e-02\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("FWD #R[1]=0.5625   #R[2]=0.1875   \nALL #R[1]=0.2449   #R[2]=0.1837   \n"
                       "P0=3.333333e-01,  P_fpairs[0]=2.777778e-01,  P_bpairs[0]=7.222222e-01,  "
                       "P_fnpairs[0]=2.777778e-01,  P_bnpairs[0]=7.222222e-01\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(summaries(out)[1].back, 2);
    EXPECT_DOUBLE_EQ(s.getpBn(1), 5.0 / 6);

    // Continuation weights: no direction counts; depth 4 prints its heads
    // and path lines only above level 100.
    for (int level : {1, 100, 101}) {
        SamplingState c3 = one(2, 2), c4 = one(2, 2);
        CaptureStdout();
        sampling.CalculateLookahead_3Steps2(&c3, &ref, 0.0, 1.0, 1.0, level);
        sampling.CalculateLookahead_4Steps2(&c4, &ref, 0.0, 1.0, 1.0, level);
        out = GetCapturedStdout();
        const std::vector<Summary> sums = summaries(out);
        ASSERT_EQ(sums.size(), 4u);
        for (const Summary& x : sums) {
            EXPECT_EQ(x.forward, 0);
            EXPECT_EQ(x.back, 0);
            EXPECT_TRUE(std::isfinite(x.Pfn) && std::isfinite(x.Pf));
            EXPECT_LE(x.Pfn + x.Pbn, 1.0 + 1e-9);
        }
        // Depth 4 by column: each column's continuation shares sum to at
        // most 1 and P_f = a_j P_fn / a0.
        EXPECT_NEAR(sums[2].Pf, sums[2].a * sums[2].Pfn / 3.0, 1e-6);
        EXPECT_EQ(out.find("Reaction: 1. 8 paths in total.  \n") != std::string::npos, level > 100) << level;
        EXPECT_NE(out.find("Reaction: 1. 4 paths in total.  3 -> 4 -> 5; [2 5.5; 5 0]; P="), std::string::npos);
        EXPECT_NEAR(c3.getb0(), 3.0, 1e-12);
        EXPECT_NEAR(c4.getb0(), 3.0, 1e-12);
    }

    // Depth 5 as the second family: the shares stay as they were.
    SamplingState five = one(2, 2);
    five.setpFn(0, 0.7);
    five.setpBn(1, 0.6);
    CaptureStdout();
    sampling.CalculateLookahead_5StepsOLD(&five, &ref, 0.0, 1.0, 1.0, 1);
    out = GetCapturedStdout();
    EXPECT_EQ(summaries(out).size(), 2u);
    EXPECT_EQ(out.find("paths in total.  \n"), std::string::npos);
    EXPECT_EQ(five.getpFn(0), 0.7);
    EXPECT_EQ(five.getpBn(1), 0.6);

    // An unpaired column's pair line uses that column alone.
    Network& death = load(species("X"), reaction("down", false, sbml_text::ref("X"), "", "", "<ci>X</ci>"));
    DestinationSet& zero = destination("1\n0:0\n");
    sampling.Initialize(&death, &zero, 0);
    SamplingState three = one(3, 1), none = one(0, 1);
    CaptureStdout();
    sampling.CalculateLookahead_3StepsOLD(&three, &none, 0.0, 1.0, 1.0, 1);
    out = GetCapturedStdout();
    EXPECT_NE(out.find("FWD #R[1]=3.0000   \nALL #R[1]=3.0000   \nP0=1.000000e+00,  P_fpairs[0]=1.000000e+00,  "
                       "P_bpairs[0]=0.000000e+00,  P_fnpairs[0]=1.000000e+00,  P_bnpairs[0]=0.000000e+00\n"),
              std::string::npos)
        << out;
}
