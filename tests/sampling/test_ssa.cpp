// The direct and doubly-weighted steps on small networks the tests write
// themselves, against exact results (fixed seeds, tolerances of four standard
// deviations), and on the model files of the default database.
#include "sampling/sampling.h"
#include "signalling/model_files.h"
#include "signalling/network.h"

#include "sampling_kit.h"
#include "signalling/sbml_text.h"
#include "support/model_env.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>

using namespace sampling_kit;
using namespace sbml_text;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::string times(const std::string& k, const std::string& s)
{
    return "<apply><times/><cn>" + k + "</cn><ci>" + s + "</ci></apply>";
}

class Ssa : public NetworkFiles {};

}

TEST(Roulette, PicksTheFirstColumnWhoseRunningSumReachesR)
{
    SamplingState s(1u, 4u);
    s.setRatesA(0, 1.0);
    s.setRatesA(1, 0.0);
    s.setRatesA(2, 3.0);
    s.setRatesA(3, 0.0);
    s.setRatesB(1, 5.0);
    struct Case {
        bool biased;
        double r;
        int column;
    };
    for (const Case& c : {Case{false, 1e-300, 0}, Case{false, 0.5, 0}, Case{false, 1.0, 0},
                          Case{false, std::nextafter(1.0, 2.0), 2}, Case{false, 4.0, 2},
                          Case{false, 4.0 + 1e-9, 2}, Case{true, 2.0, 1}, Case{true, 6.0, 1}})
        EXPECT_EQ(Sampling::chooseColumn(&s, c.biased, 4, c.r), c.column) << c.r;
    SamplingState none(1u, 2u);
    EXPECT_EQ(Sampling::chooseColumn(&none, false, 2, 0.5), -1);
}

TEST_F(Ssa, DrawsComeFromTheSeededStandardEngineAndLeaveRandAlone)
{
    // Births at rate 1 from nothing: a0 = 1, so each step's tau is -ln(u1),
    // u1 the first of its two draws (x + 1) 2^-31, x the top 31 bits of the
    // engine's output.
    Network& births = load(species("X"), reaction("up", false, "", ref("X"), "", cn("1")));
    Sampling sampling;
    sampling.Initialize(&births, nullptr, 0);
    std::srand(3);
    const int fromRand = std::rand();
    std::srand(3);
    for (unsigned int seed : {7u, 4294967295u}) {
        Sampling::seed(seed);
        std::mt19937 engine(seed);
        SamplingState s = one(0, 1);
        for (int step = 0; step < 40; ++step) {
            const double u1 = ((engine() >> 1) + 1.0) * 4.656612873077393e-10;
            engine();
            ASSERT_EQ(sampling.SSADirect_updateState(&s), -std::log(u1)) << seed << " " << step;
        }
    }
    EXPECT_EQ(std::rand(), fromRand) << "the library neither draws from nor seeds rand()";
}

TEST_F(Ssa, DirectStepsMatchExactLaws)
{
    // A -> B at 1 A, A -> C at 3 A from A = 1: one step each.
    Network& branch = load(species("A") + species("B") + species("C"),
                           reaction("toB", false, ref("A"), ref("B"), "", times("1", "A"))
                               + reaction("toC", false, ref("A"), ref("C"), "", times("3", "A")));
    Sampling sampling;
    sampling.Initialize(&branch, nullptr, 0);
    Sampling::seed(11);
    const int runs = 20000;
    int toB = 0;
    double tauSum = 0.0;
    for (int k = 0; k < runs; ++k) {
        SamplingState s(3u, 0u);
        s.setStateValue(0, 1);
        tauSum += sampling.SSADirect_updateState(&s);
        toB += s.getStateValue(1);
        ASSERT_EQ(s.getStateValue(0), 0u);
    }
    EXPECT_NEAR(toB / double(runs), 0.25, 0.0122);
    EXPECT_NEAR(tauSum / runs, 0.25, 0.0071);
    EXPECT_EQ(sampling.getHTSize(), 3u);

    // Death at law A from 10: the mean extinction time is H_10.
    Network& death = load(species("A"), reaction("die", false, ref("A"), "", "", "<ci>A</ci>"));
    sampling.Initialize(&death, nullptr, 0);
    Sampling::seed(12);
    double total = 0.0;
    for (int k = 0; k < 10000; ++k) {
        SamplingState s = one(10, 1);
        for (int step = 0; step < 10; ++step)
            total += sampling.SSADirect_updateState(&s);
        ASSERT_EQ(s.getStateValue(0), 0u);
    }
    EXPECT_NEAR(total / 10000, 2.928968, 0.0498);
    EXPECT_EQ(sampling.getHTSize(), 11u);
    SamplingState dead = one(0, 1);
    for (int repeat = 0; repeat < 2; ++repeat) {
        CaptureStdout();
        EXPECT_EQ(sampling.SSADirect_updateState(&dead), std::numeric_limits<double>::infinity());
        EXPECT_EQ(GetCapturedStdout(), "What happened?\n");
        EXPECT_EQ(dead.getStateValue(0), 0u);
    }
}

TEST_F(Ssa, WeightedStepsFollowOrRescaleTheDirectMethod)
{
    Network& death = load(species("A"), reaction("die", false, ref("A"), "", "", "<ci>A</ci>"));
    Sampling sampling;
    sampling.Initialize(&death, nullptr, 0);

    // Parameter-estimation step, gamma 1: ten firings, exposure Exp(1) each.
    Sampling::seed(13);
    double gamma1[] = {1.0};
    double exposureSum = 0.0;
    for (int k = 0; k < 10000; ++k) {
        SamplingState s = one(10, 1);
        double weight = 1.0, firings[] = {0.0}, exposure[] = {0.0};
        while (s.getStateValue(0) > 0)
            ASSERT_GT(sampling.dwSSADirectPE_updateState(&s, gamma1, weight, firings, exposure), 0.0);
        ASSERT_EQ(firings[0], 10.0);
        ASSERT_EQ(weight, 1.0);
        exposureSum += exposure[0];
    }
    EXPECT_NEAR(exposureSum / 10000, 10.0, 0.126);

    // Birth and death: gamma 1 retraces the direct method from one seed;
    // gamma 2 halves every waiting time and scales the weight by
    // exp(a0 tau) / 2 a step.
    Network& bd = birthDeath(cn("1"), "<ci>X</ci>");
    Sampling direct, weighted, doubled;
    direct.Initialize(&bd, nullptr, 0);
    weighted.Initialize(&bd, nullptr, 0);
    doubled.Initialize(&bd, nullptr, 0);
    SamplingState d = one(3, 2), w = one(3, 2), h = one(3, 2);
    double ones[] = {1.0, 1.0}, twos[] = {2.0, 2.0};
    double weightW = 0.5, weightH = 1.0;
    long firingsW[] = {0, 0}, firingsH[] = {0, 0};
    for (int step = 0; step < 200; ++step) {
        const unsigned int x = h.getStateValue(0);
        Sampling::seed(100 + step);
        const double tauD = direct.SSADirect_updateState(&d);
        Sampling::seed(100 + step);
        const double tauW = weighted.dwSSADirect_updateState(&w, ones, weightW, firingsW);
        ASSERT_NEAR(tauW, tauD, 1e-12 * tauD);
        ASSERT_EQ(counts(&w), counts(&d));
        ASSERT_EQ(weightW, 0.5);
        // Same draws from the doubled chain's own state, which wanders apart.
        SamplingState alone = one(x, 2);
        Sampling reference;
        reference.Initialize(&bd, nullptr, 0);
        Sampling::seed(200 + step);
        const double tauR = reference.SSADirect_updateState(&alone);
        Sampling::seed(200 + step);
        const double before = weightH;
        const double tauH = doubled.dwSSADirect_updateState(&h, twos, weightH, firingsH);
        ASSERT_NEAR(tauH, tauR / 2, 1e-12 * tauR);
        ASSERT_EQ(counts(&h), counts(&alone));
        const double a0 = 1.0 + x;
        ASSERT_NEAR(weightH / before, std::exp(a0 * tauH) / 2, 1e-12 * weightH / before);
    }
    EXPECT_EQ(firingsW[0] + firingsW[1], 200);
    EXPECT_EQ(firingsH[0] + firingsH[1], 200);
}

TEST_F(Ssa, GamblersRuinDirectAndWeighted)
{
    // Up at constant 1, down at constant 2: P(10 before 0 from x) =
    // (1 - 2^x) / (1 - 2^10).
    Network& walk = birthDeath(cn("1"), cn("2"));
    Sampling sampling;
    sampling.Initialize(&walk, nullptr, 0);
    Sampling::seed(21);
    int wins = 0;
    for (int k = 0; k < 20000; ++k) {
        SamplingState s = one(5, 2);
        while (s.getStateValue(0) > 0 && s.getStateValue(0) < 10)
            sampling.SSADirect_updateState(&s);
        wins += s.getStateValue(0) == 10;
    }
    EXPECT_NEAR(wins / 20000.0, 31.0 / 1023.0, 0.00485);

    // Gamma {2, 0.5}: b = {2, 1}, b0 = a0 = 3, so every success weighs 2^-9.
    Sampling biased;
    biased.Initialize(&walk, nullptr, 0);
    Sampling::seed(22);
    double gamma[] = {2.0, 0.5};
    double sum = 0.0, sumSq = 0.0;
    const int runs = 10000;
    for (int k = 0; k < runs; ++k) {
        SamplingState s = one(1, 2);
        double weight = 1.0;
        long firings[] = {0, 0};
        while (s.getStateValue(0) > 0 && s.getStateValue(0) < 10)
            ASSERT_GT(biased.dwSSADirect_updateState(&s, gamma, weight, firings), 0.0);
        if (s.getStateValue(0) == 10) {
            ASSERT_DOUBLE_EQ(weight, std::ldexp(1.0, -9));
            sum += weight;
            sumSq += weight * weight;
        }
    }
    const double mean = sum / runs;
    const double se = std::sqrt((sumSq / runs - mean * mean) / runs);
    EXPECT_NEAR(mean, 1.0 / 1023.0, 4 * se);
    EXPECT_LT(se / mean, 0.015) << "the direct method's relative error would be about 32%";
}

TEST_F(Ssa, TwoStepPathsOfBirthAndDeath)
{
    // From X = 2: birth-birth 1/12, birth-death 1/4, death-birth 1/3,
    // death-death 1/3.
    Network& bd = birthDeath(cn("1"), "<ci>X</ci>");
    Sampling sampling;
    sampling.Initialize(&bd, nullptr, 0);
    Sampling::seed(31);
    const int runs = 30000;
    int seen[4] = {0, 0, 0, 0};
    for (int k = 0; k < runs; ++k) {
        SamplingState s = one(2, 2);
        sampling.SSADirect_updateState(&s);
        const int first = s.getStateValue(0) == 3 ? 0 : 1;
        sampling.SSADirect_updateState(&s);
        const int second = s.getStateValue(0) > (first == 0 ? 3u : 1u) ? 0 : 1;
        ++seen[first * 2 + second];
    }
    const double p[4] = {1.0 / 12, 1.0 / 4, 1.0 / 3, 1.0 / 3};
    double chi = 0.0;
    for (int c = 0; c < 4; ++c)
        chi += std::pow(seen[c] - runs * p[c], 2) / (runs * p[c]);
    EXPECT_LT(chi, 16.27);
}

TEST_F(Ssa, BiasAverageLevelsMatchingStates)
{
    Network& two = load(species("P") + species("Q"),
                        reaction("r1", false, "", ref("P"), "", cn("1")) + reaction("r2", false, "", ref("Q"), "", cn("1")));
    Sampling sampling;
    sampling.Initialize(&two, nullptr, 0);
    HashTableS* table = sampling.getHashTable();
    // (13, 0) and (0, 1) share bucket 13.
    SamplingState* x = new SamplingState(2u, 2u);
    x->setStateValue(0, 13);
    SamplingState* y = new SamplingState(2u, 2u);
    y->setStateValue(1, 1);
    const double a[2][2] = {{1, 2}, {3, 1}}, b[2][2] = {{2, 1}, {3, 2}}, fn[2][2] = {{0.5, 0}, {0.2, 0.1}},
                 bn[2][2] = {{0, 0.25}, {0.4, 0}};
    SamplingState* both[] = {x, y};
    for (int k = 0; k < 2; ++k)
        for (int j = 0; j < 2; ++j) {
            both[k]->setRatesA(j, a[k][j]);
            both[k]->setRatesB(j, b[k][j]);
            both[k]->setpFn(j, fn[k][j]);
            both[k]->setpBn(j, bn[k][j]);
        }
    ASSERT_EQ(table->Insert(x), 1);
    EXPECT_EQ(sampling.Bias_Average(x), 1) << "alone in its bucket: nothing changes";
    EXPECT_EQ(x->getRatesB(0), 2.0);
    ASSERT_EQ(table->Insert(y), 1);
    EXPECT_EQ(sampling.Bias_Average(x), 2);
    for (SamplingState* s : both) {
        EXPECT_DOUBLE_EQ(s->getGamma(0), 22.0 / 17.0);
        EXPECT_DOUBLE_EQ(s->getGamma(1), 0.75);
    }
    EXPECT_NEAR(x->getb0(), 2.794118, 1e-6);
    EXPECT_NEAR(y->getb0(), 4.632353, 1e-6);
    EXPECT_EQ(x->geta0(), 0.0) << "a0 is not touched";

    // No positive pFn or pBn in a column: its bias is 1.
    for (SamplingState* s : both)
        for (int j = 0; j < 2; ++j) {
            s->setpFn(j, 0.0);
            s->setpBn(j, 0.0);
        }
    EXPECT_EQ(sampling.Bias_Average(y), 2);
    EXPECT_EQ(y->getGamma(0), 1.0);
    EXPECT_EQ(y->getRatesB(1), 1.0);
}

TEST_F(Ssa, BadInputIsReportedAndChangesNothing)
{
    SamplingState s = one(1, 2);
    double gamma[] = {1.0, 1.0}, weight = 1.0, fired[] = {0.0, 0.0}, exposure[] = {0.0, 0.0};
    long firings[] = {0, 0};
    Sampling none;
    for (int repeat = 0; repeat < 2; ++repeat) {
        CaptureStdout();
        EXPECT_EQ(none.SSADirect_updateState(&s), -1.0);
        EXPECT_EQ(none.dwSSADirect_updateState(&s, gamma, weight, firings), -1.0);
        EXPECT_EQ(none.dwSSADirectPE_updateState(&s, gamma, weight, fired, exposure), -1.0);
        EXPECT_EQ(GetCapturedStdout(), "ERROR: SSADirect_updateState before Initialize bound a network\n"
                                       "ERROR: dwSSADirect_updateState before Initialize bound a network\n"
                                       "ERROR: dwSSADirectPE_updateState before Initialize bound a network\n");
    }
    none.Initialize(nullptr, nullptr, 0);
    CaptureStdout();
    EXPECT_EQ(none.SSADirect_updateState(&s), -1.0);
    EXPECT_NE(GetCapturedStdout().find("before Initialize"), std::string::npos);

    // A birth at the ceiling is refused by either step, every time.
    Network& births = load(species("X"), reaction("up", false, "", ref("X"), "", cn("1")));
    Sampling sampling, weighted;
    sampling.Initialize(&births, nullptr, 0);
    weighted.Initialize(&births, nullptr, 0);
    SamplingState top = one(4294967295u, 1);
    for (int repeat = 0; repeat < 2; ++repeat) {
        CaptureStdout();
        EXPECT_EQ(sampling.SSADirect_updateState(&top), -1.0);
        EXPECT_EQ(weighted.dwSSADirect_updateState(&top, gamma, weight, firings), -1.0);
        EXPECT_EQ(GetCapturedStdout(), "ERROR: Column 1 would take species 1 past 4294967295 copies; not applied\n"
                                       "ERROR: Column 1 would take species 1 past 4294967295 copies; not applied\n");
        EXPECT_EQ(top.getStateValue(0), 4294967295u);
    }
    EXPECT_EQ(weight, 1.0);
    EXPECT_EQ(firings[0], 0);

    // A law of -1 counts as 0, with a message naming the column; with
    // nothing else able to fire the weighted step reports a dead state.
    Network& negative = birthDeath(cn("-1"), "<ci>X</ci>");
    sampling.Initialize(&negative, nullptr, 0);
    SamplingState zero = one(0, 2);
    CaptureStdout();
    EXPECT_EQ(sampling.dwSSADirect_updateState(&zero, gamma, weight, firings), -1.0);
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(out.substr(0, out.find("tau2=")), "ERROR: Column 1 has the propensity -1; it counts as 0\nWhat happened? cum=0, ");
    EXPECT_NE(out.find(", b0=0, cri=0\n"), std::string::npos) << out;
    EXPECT_EQ(sampling.getHashTable()->Find(&zero)->getRatesA(0), 0.0);

    // A law that is not a number counts as 0 too.
    Network& nan = birthDeath("<apply><divide/>" + cn("0") + cn("0") + "</apply>", "<ci>X</ci>");
    Sampling direct;
    direct.Initialize(&nan, nullptr, 0);
    SamplingState two = one(2, 2);
    CaptureStdout();
    EXPECT_GT(direct.SSADirect_updateState(&two), 0.0);
    const std::string nanOut = GetCapturedStdout();
    EXPECT_EQ(nanOut.rfind("ERROR: Column 1 has the propensity ", 0), 0u) << nanOut;
    EXPECT_NE(nanOut.find("nan; it counts as 0\n"), std::string::npos) << nanOut;
    EXPECT_EQ(two.getStateValue(0), 1u) << "only the death could fire";

    // A destination wider than the network binds none.
    DestinationSet wide;
    writeFile(file("wide.txt"), "2\n1:2 3:4\n");
    ASSERT_EQ(wide.readDestinationSet(file("wide.txt").c_str()), 1);
    CaptureStdout();
    sampling.Initialize(&negative, &wide, 0);
    EXPECT_EQ(GetCapturedStdout(), "ERROR: the destination set describes 2 species, the network has 1: no destination bound\n");
    EXPECT_EQ(sampling.getDestination(), nullptr);
    EXPECT_EQ(sampling.getHTSize(), 0u);
}

TEST_F(Ssa, ModelFilesOfTheDefaultDatabase)
{
    model_env::useModelFiles();
    // Keratinocyte: TGFb made at 0.052 and lost at 2.5e-4 per copy, MMP at
    // rate 0. At t = 1000 TGFb is Poisson with mean 208 (1 - e^-0.25).
    Network keratinocyte;
    ASSERT_EQ(keratinocyte.initializeNetwork(model_files::cellTypeFile("Keratinocyte").toLocal8Bit().constData()), 0);
    const int tgfb = keratinocyte.getSpeciesIndex("TGFb"), mmp = keratinocyte.getSpeciesIndex("MMP");
    ASSERT_GE(tgfb, 0);
    ASSERT_GE(mmp, 0);
    Sampling sampling;
    sampling.Initialize(&keratinocyte, nullptr, 0);
    Sampling::seed(51);
    double total = 0.0;
    const unsigned int n = keratinocyte.getNumSpecies(), r = keratinocyte.getNumStoiReactions();
    CaptureStdout();
    for (int run = 0; run < 400; ++run) {
        SamplingState s(n, r);
        double t = 0.0;
        unsigned int atEnd = 0;
        while (true) {
            const unsigned int before = s.getStateValue(tgfb);
            t += sampling.SSADirect_updateState(&s);
            if (t > 1000.0) {
                atEnd = before;
                break;
            }
        }
        total += atEnd;
        ASSERT_EQ(s.getStateValue(mmp), 0u);
    }
    GetCapturedStdout();
    EXPECT_NEAR(total / 400, 208 * (1 - std::exp(-0.25)), 1.36);

    // FC: 2,000 steps kept as a path, filed, read back and rerun.
    Network fc;
    ASSERT_EQ(fc.initializeNetwork(model_files::cellTypeFile("FC").toLocal8Bit().constData()), 0);
    auto run = [&](SLinkedListS& path) {
        Sampling steps;
        steps.Initialize(&fc, nullptr, 0);
        Sampling::seed(52);
        SamplingState s(fc.getNumSpecies(), fc.getNumStoiReactions());
        for (int k = 0; k < 2000; ++k) {
            ASSERT_GT(steps.SSADirect_updateState(&s), 0.0);
            path.AddtoTail(new SamplingState(&s));
        }
    };
    CaptureStdout();
    SLinkedListS first, second;
    run(first);
    run(second);
    GetCapturedStdout();
    const std::string path = file("fc.path");
    ASSERT_EQ(first.WriteList(path.c_str()), 2000);
    SLinkedList back;
    ASSERT_EQ(back.ReadList(path.c_str(), static_cast<int>(fc.getNumSpecies()), 2000), 2000);
    const State* a = back.getHead();
    for (const SamplingState* b = second.getHead(); b; b = b->getNext(), a = a->getNext()) {
        ASSERT_TRUE(a);
        ASSERT_EQ(counts(a), counts(b));
    }
    EXPECT_EQ(a, nullptr);
}
