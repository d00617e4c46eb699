// K-step look-ahead: what flows through it.
//
// 1. A newly met state s is analysed once: every path of K reactions from s
//    is enumerated depth first (a column may follow when it can fire in the
//    state the path has reached). A path's weight is its probability in the
//    jump chain of the direct method, the product over its steps of
//    rate / total, total being the sum of the propensities of the columns
//    that can fire where the step starts.
// 2. Each path's end state is scored against the destination set: nearer
//    than s is forward, farther is backward, equal is neither. Per first
//    column j the weights sum to P[j], P_f[j] and P_b[j]; the shares are
//    P_fn = P_f / P and P_bn = P_b / P.
// 3. A bias rule turns the shares into gamma_j and b_j = gamma_j a_j with
//    b0 = a0, stored on s with a_j and a0.
// 4. The step draws tau and the column from the biased propensities of the
//    stored state and multiplies the caller's weight by
//    exp((b0 - a0) tau) / gamma_j, so that weighted averages stay unbiased.
//
// One enumeration serves every depth and both families; the plan says what
// differs (depth, bias rule, whether the shares are stored on s, which print
// level shows the path lines and whether the work states carry their rates).
#include "sampling/sampling.h"

#include "signalling/network.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <memory>

struct Sampling::LookaheadPlan {
    unsigned int depth;  // K, reactions per path
    bool firstFamily;    // logarithmic rule, shares stored, path lines; else the maxBias rule
    // Print level above which column heads and path lines print; none when
    // negative (depth 2 and the second family).
    int pathLinesAbove() const { return firstFamily && depth >= 3 ? (depth == 4 ? 100 : 0) : INT_MAX; }
    // Depth 4 of the first family: the work states carry the rates of their
    // columns, and a path line shows the step rates and each state's total.
    bool stepRates() const { return firstFamily && depth == 4; }
};

namespace {

// What a path leaves behind: its weight and where its end lies; the state
// list and step rates only when its line will print.
struct PathRecord {
    double weight;    // raw product of rates, then divided level by level
    double fromRef;   // distance of the end state from the reference state
    double fromDest;  // distance of the end state from the destination set
};

struct PathExtras {
    std::unique_ptr<SLinkedListS> states; // s and the K states of the path
    std::vector<double> rates;            // the K step rates (depth 4)
};

}

int Sampling::lookahead(const LookaheadPlan& plan, SamplingState* s, SamplingState* ref, double gainA,
                        double gainB, int level)
{
    if (!ready("CalculateLookahead") || !s)
        return -1;
    if (!destination) {
        std::printf("ERROR: CalculateLookahead_%uSteps needs a destination set\n", plan.depth);
        std::fflush(stdout);
        return -1;
    }
    Stoichiometry* stoich = network->getStoichiometricMatrix();
    const unsigned int n = columns(), m = network->getNumSpecies(), K = plan.depth;
    const bool lines = level > plan.pathLinesAbove();

    std::vector<std::unique_ptr<SamplingState>> work;
    for (unsigned int k = 0; k < K; ++k)
        work.push_back(std::make_unique<SamplingState>(m, n));
    std::vector<double> rate(K, 0.0), total(K + 1, 0.0);
    std::vector<long> count(K + 1, 0);
    std::vector<int> nPaths(n, 0), nForward(n, 0), nBack(n, 0);
    std::vector<double> P(n, 0.0), Pf(n, 0.0), Pb(n, 0.0), Pfn(n, 0.0), Pbn(n, 0.0);
    std::vector<std::vector<PathRecord>> paths(n);
    std::vector<std::vector<PathExtras>> extras(n);

    const double dS = destination->getDistanceFromState(s);
    const double dSR = ref ? destination->getDistanceBtwTwoStates(s, ref) : 0.0;

    // Level k (1 <= k < K) continues every path from work[k - 1].
    auto descend = [&](auto& self, unsigned int k, unsigned int j) -> void {
        SamplingState* from = work[k - 1].get();
        for (unsigned int i = 0; i < n; ++i) {
            if (!stoich->canReact(i, from))
                continue;
            rate[k] = propensity(i, from);
            if (plan.stepRates())
                from->setRatesA(static_cast<int>(i), rate[k]);
            stoich->reactWithState(i, from, work[k].get());
            total[k] += rate[k];
            if (k + 1 < K) {
                total[k + 1] = 0.0;
                count[k + 1] = 0;
                self(self, k + 1, j);
                continue;
            }
            for (unsigned int q = 1; q < K; ++q)
                ++count[q];
            double w = 1.0;
            for (unsigned int q = 0; q < K; ++q)
                w *= rate[q];
            SamplingState* end = work[K - 1].get();
            paths[j].push_back({w, ref ? destination->getDistanceBtwTwoStates(end, ref) : 0.0,
                                destination->getDistanceFromState(end)});
            if (lines) {
                PathExtras x;
                x.states = std::make_unique<SLinkedListS>();
                auto* first = new SamplingState(m, n);
                *first = *s;
                x.states->AddtoTail(first);
                for (unsigned int q = 0; q < K; ++q) {
                    auto* copy = new SamplingState(m, n);
                    *copy = *work[q];
                    x.states->AddtoTail(copy);
                }
                if (plan.stepRates())
                    x.rates = rate;
                extras[j].push_back(std::move(x));
            }
            ++nPaths[j];
        }
        // The paths found under this prefix: divide by this level's total.
        if (count[k] > 0) {
            std::vector<PathRecord>& found = paths[j];
            for (std::size_t p = found.size() - static_cast<std::size_t>(count[k]); p < found.size(); ++p)
                found[p].weight = total[k] > 0.0 ? found[p].weight / total[k] : 0.0;
        }
    };

    // 1. Enumerate from every first column; a0 in column order.
    double a0 = 0.0;
    for (unsigned int j = 0; j < n; ++j) {
        if (!stoich->canReact(j, s)) {
            s->setRatesA(static_cast<int>(j), 0.0);
            continue;
        }
        s->setRatesA(static_cast<int>(j), propensity(j, s));
        stoich->reactWithState(j, s, work[0].get());
        rate[0] = s->getRatesA(static_cast<int>(j));
        total[0] += rate[0];
        a0 += rate[0];
        if (K > 1) {
            total[1] = 0.0;
            count[1] = 0;
            descend(descend, 1, j);
        }
    }
    s->seta0(a0);

    // 2. Path weights and the per-column sums.
    for (unsigned int j = 0; j < n; ++j)
        for (PathRecord& p : paths[j]) {
            p.weight = total[0] > 0.0 ? p.weight / total[0] : 0.0;
            P[j] += p.weight;
        }

    // 3. Forward and backward paths, with the column heads and path lines.
    for (unsigned int j = 0; j < n; ++j) {
        if (lines) {
            std::cout << "Reaction: " << j + 1 << ". " << nPaths[j] << " paths in total.  ";
            if (plan.stepRates())
                std::cout << std::endl;
        }
        for (std::size_t q = 0; q < paths[j].size(); ++q) {
            const PathRecord& p = paths[j][q];
            if (lines) {
                extras[j][q].states->PrintPath();
                std::cout << "; [" << dSR << " " << dS << "; " << p.fromRef << " " << p.fromDest << "]; P=";
                std::cout.flush();
                if (plan.stepRates()) {
                    std::printf("%e; ", p.weight);
                    for (double r : extras[j][q].rates)
                        std::printf(" %.4f", r);
                    std::printf(", ");
                    extras[j][q].states->PrintPathA0s();
                    std::printf("\n");
                } else {
                    std::printf("%e\n", p.weight);
                }
                std::fflush(stdout);
            }
            if (dS > p.fromDest) {
                ++nForward[j];
                Pf[j] += p.weight;
            } else if (p.fromDest > dS) {
                ++nBack[j];
                Pb[j] += p.weight;
            }
        }
        if (nPaths[j] > 0) {
            Pfn[j] = P[j] > 0.0 ? Pf[j] / P[j] : 0.0;
            Pbn[j] = P[j] > 0.0 ? Pb[j] / P[j] : 0.0;
            if (plan.firstFamily) {
                s->setpFn(static_cast<int>(j), Pfn[j]);
                s->setpBn(static_cast<int>(j), Pbn[j]);
            }
        }
    }

    // 4. Summary lines.
    if (level > 0)
        for (unsigned int j = 0; j < n; ++j) {
            std::cout << "Reaction: a_" << j + 1 << "=" << s->getRatesA(static_cast<int>(j)) << ". " << nPaths[j]
                      << " paths in total.  Forward:" << nForward[j] << "; Back:" << nBack[j] << ";  ";
            std::cout.flush();
            std::printf("P=%e,  P_f=%e,  P_b=%e,  P_fn=%e,  P_bn=%e\n", P[j], Pf[j], Pb[j], Pfn[j], Pbn[j]);
            std::fflush(stdout);
        }

    // 5. The bias rule of the family.
    if (plan.firstFamily)
        Bias_Function(s, gainA, gainB, nPaths.data(), nForward.data(), nBack.data(), P.data(), Pf.data(), Pb.data(),
                      Pfn.data(), Pbn.data());
    else
        Bias_Function(s, gainA, nPaths.data(), nForward.data(), nBack.data(), P.data(), Pf.data(), Pb.data(),
                      Pfn.data(), Pbn.data());
    return 1;
}

int Sampling::CalculateLookahead_2Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead({2, true}, s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_3Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead({3, true}, s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_4Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead({4, true}, s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_5Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead({5, true}, s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_6Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead({6, true}, s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_7Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead({7, true}, s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_2Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level)
{
    return lookahead({2, false}, s, ref, maxBias, 0.0, level);
}
int Sampling::CalculateLookahead_3Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level)
{
    return lookahead({3, false}, s, ref, maxBias, 0.0, level);
}
int Sampling::CalculateLookahead_4Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level)
{
    return lookahead({4, false}, s, ref, maxBias, 0.0, level);
}
int Sampling::CalculateLookahead_5Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level)
{
    return lookahead({5, false}, s, ref, maxBias, 0.0, level);
}

namespace {
// Families of the look-ahead steps: the depths each analyses.
enum { FirstFamily = 1, SecondFamily = 2, TwoStage = 3 };

bool analyses(int family, int K)
{
    return K >= 2 && K <= (family == FirstFamily ? 7 : 5);
}
}

// Stores a copy of current, analysed by the step's family when K is one it
// serves; any other K keeps what current carried.
SamplingState* Sampling::storeAnalysed(int family, int K, SamplingState* current, SamplingState* ref, double gainA,
                                       double gainB, int level)
{
    auto* copy = new SamplingState(current, columns());
    if (analyses(family, K))
        lookahead({static_cast<unsigned int>(K), family != SecondFamily}, copy, ref, gainA, gainB, level);
    hashTable->Insert(copy);
    return copy;
}

double Sampling::lookaheadStep(int family, int K, SamplingState* current, SamplingState* ref, double& weight,
                               double gainA, double gainB, int level, long* counters)
{
    if (!ready("LookaheadSSA_KSteps_updateState") || !current || !counters)
        return -1.0;
    if (!destination) {
        std::printf("ERROR: LookaheadSSA_KSteps_updateState needs a destination set\n");
        std::fflush(stdout);
        return -1.0;
    }
    SamplingState* stored = hashTable->Find(current);
    if (!stored)
        stored = storeAnalysed(family, K, current, ref, gainA, gainB, level);
    stored->increase1Visit();
    double tau = 0.0;
    int reaction = -1;
    if (RollADie(stored, current, tau, reaction, weight, level) < 0)
        return stored->getb0() > 0.0 ? -1.0 : tau;
    counters[reaction] += 1;
    if (!hashTable->Find(current))
        storeAnalysed(family, K, current, ref, gainA, gainB, level);
    return tau;
}

double Sampling::LookaheadSSA_KSteps_updateState(int K, SamplingState* current, SamplingState* ref, double,
                                                 double& weight, double forwardGain, double backwardScale, int level,
                                                 long* counters)
{
    return lookaheadStep(FirstFamily, K, current, ref, weight, forwardGain, backwardScale, level, counters);
}

double Sampling::LookaheadSSA_KSteps_updateState(int K, SamplingState* current, SamplingState* ref, double,
                                                 double& weight, double maxBias, int level, long* counters)
{
    return lookaheadStep(SecondFamily, K, current, ref, weight, maxBias, 0.0, level, counters);
}

double Sampling::LookaheadSSA_KSteps2Stage_updateState(int K, SamplingState* current, SamplingState* ref, double,
                                                       double& weight, double forwardGain, double backwardScale,
                                                       int level, long* counters)
{
    return lookaheadStep(TwoStage, K, current, ref, weight, forwardGain, backwardScale, level, counters);
}

int Sampling::RollADie(SamplingState* stored, SamplingState* current, double& tau, int& reaction, double& weight,
                       int level)
{
    if (!ready("RollADie") || !stored || !current)
        return -1;
    const double u1 = draw();
    const double u2 = draw();
    const double a0 = stored->geta0(), b0 = stored->getb0();
    tau = b0 > 0.0 ? -std::log(u1) / b0 : std::numeric_limits<double>::infinity();
    const double r = b0 * u2;
    if (!(r > 0.0)) {
        std::cout << "What happened? cum=" << 0 << ", tau2=" << u2 << ", b0=" << b0 << ", cri=" << r << std::endl;
        return -1;
    }
    const int j = chooseColumn(stored, true, columns(), r);
    if (j < 0 || !applicable(static_cast<unsigned int>(j), current))
        return -1;
    reaction = j;
    if (level > 0)
        std::cout << "a0=" << a0 << ", b0=" << b0 << ", dt=" << tau << ", gamma[" << j + 1 << "]=" << stored->getGamma(j)
                  << ", a[" << j + 1 << "]=" << stored->getRatesA(j) << ", b[" << j + 1 << "]=" << stored->getRatesB(j)
                  << std::endl;
    weight = weight * std::exp((b0 - a0) * tau) / stored->getGamma(j);
    apply(static_cast<unsigned int>(j), current);
    return j;
}
