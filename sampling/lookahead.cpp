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
    // How a path's weight is made.
    enum Weighting {
        JumpChain,          // product of rate / total over the K steps
        ContinuationByRate, // steps 2 ... K only, divided twice by the largest total rate met
        ContinuationByColumn // steps 2 ... K only, divided by the column's raw sum
    };

    unsigned int depth = 2;           // K, reactions per path
    bool logRule = true;              // the logarithmic rule (forwardGain, backwardScale); else maxBias
    bool storeShares = true;          // pFn and pBn of the columns with paths stored on s
    int pathLinesAbove = INT_MAX;     // print level above which heads and path lines print
    bool headNewline = false;         // a column head ends its line
    bool listHasStart = true;         // a path's state list begins with s
    bool startBeforeList = false;     // s and " -> " printed before the list
    bool workRates = false;           // work states carry the rates of their columns
    bool stepRatesInLine = false;     // a path line shows the K step rates
    bool totalsInLine = false;        // a path line shows each state's total rate
    bool countDirections = true;      // nForward and nBack counted
    bool histograms = false;          // step histograms and reversible-pair sums printed
    Weighting weighting = JumpChain;

    // The two families of depth K.
    static LookaheadPlan family(unsigned int K, bool first)
    {
        LookaheadPlan p;
        p.depth = K;
        p.logRule = first;
        p.storeShares = first;
        if (first && K >= 3) {
            p.pathLinesAbove = K == 4 ? 100 : 0;
            p.headNewline = p.workRates = p.stepRatesInLine = p.totalsInLine = K == 4;
        }
        return p;
    }
};

namespace {

// What a path leaves behind: its weight and where its end lies; the state
// list, step rates and histogram only when they will be used.
struct PathRecord {
    double weight;    // raw product of rates, then normalised
    double fromRef;   // distance of the end state from the reference state
    double fromDest;  // distance of the end state from the destination set
};

struct PathExtras {
    std::unique_ptr<SLinkedListS> states; // the path's states (s first where the plan says)
    std::vector<double> rates;            // the K step rates
    std::vector<double> histogram;        // steps taken per column
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
    const bool lines = level > plan.pathLinesAbove;
    const bool continuation = plan.weighting != LookaheadPlan::JumpChain;
    const bool keepExtras = lines || plan.histograms;

    std::vector<std::unique_ptr<SamplingState>> work;
    for (unsigned int k = 0; k < K; ++k)
        work.push_back(std::make_unique<SamplingState>(m, n));
    std::vector<double> rate(K, 0.0), total(K + 1, 0.0);
    std::vector<long> count(K + 1, 0);
    std::vector<unsigned int> taken(K, 0);
    std::vector<int> nPaths(n, 0), nForward(n, 0), nBack(n, 0);
    std::vector<double> P(n, 0.0), Pf(n, 0.0), Pb(n, 0.0), Pfn(n, 0.0), Pbn(n, 0.0);
    std::vector<std::vector<PathRecord>> paths(n);
    std::vector<std::vector<PathExtras>> extras(n);
    double largestTotal = 0.0; // largest total rate a path state held when recorded

    const double dS = destination->getDistanceFromState(s);
    const double dSR = ref ? destination->getDistanceBtwTwoStates(s, ref) : 0.0;

    auto record = [&](unsigned int j) {
        for (unsigned int q = 1; q < K; ++q)
            ++count[q];
        double w = 1.0;
        for (unsigned int q = continuation ? 1 : 0; q < K; ++q)
            w *= rate[q];
        SamplingState* end = work[K - 1].get();
        paths[j].push_back({w, ref ? destination->getDistanceBtwTwoStates(end, ref) : 0.0,
                            destination->getDistanceFromState(end)});
        if (plan.weighting == LookaheadPlan::ContinuationByRate)
            for (unsigned int q = 0; q < K; ++q) {
                double a = 0.0;
                for (unsigned int c = 0; c < n; ++c)
                    a += work[q]->getRatesA(static_cast<int>(c));
                largestTotal = std::max(largestTotal, a);
            }
        if (keepExtras) {
            PathExtras x;
            if (lines) {
                x.states = std::make_unique<SLinkedListS>();
                if (plan.listHasStart) {
                    auto* first = new SamplingState(m, n);
                    *first = *s;
                    x.states->AddtoTail(first);
                }
                for (unsigned int q = 0; q < K; ++q) {
                    auto* copy = new SamplingState(m, n);
                    *copy = *work[q];
                    x.states->AddtoTail(copy);
                }
            }
            if (plan.stepRatesInLine)
                x.rates = rate;
            if (plan.histograms) {
                x.histogram.assign(n, 0.0);
                for (unsigned int c : taken)
                    x.histogram[c] += 1.0;
            }
            extras[j].push_back(std::move(x));
        }
        ++nPaths[j];
    };

    // Level k (1 <= k < K) continues every path from work[k - 1].
    auto descend = [&](auto& self, unsigned int k, unsigned int j) -> void {
        SamplingState* from = work[k - 1].get();
        for (unsigned int i = 0; i < n; ++i) {
            if (!stoich->canReact(i, from))
                continue;
            rate[k] = propensity(i, from);
            taken[k] = i;
            if (plan.workRates)
                from->setRatesA(static_cast<int>(i), rate[k]);
            stoich->reactWithState(i, from, work[k].get());
            total[k] += rate[k];
            if (k + 1 < K) {
                total[k + 1] = 0.0;
                count[k + 1] = 0;
                self(self, k + 1, j);
            } else {
                record(j);
            }
        }
        // The paths found under this prefix: divide by this level's total.
        if (!continuation && count[k] > 0) {
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
        taken[0] = j;
        total[0] += rate[0];
        a0 += rate[0];
        if (K > 1) {
            total[1] = 0.0;
            count[1] = 0;
            descend(descend, 1, j);
        } else {
            record(j);
        }
    }
    s->seta0(a0);

    // 2. Path weights and the per-column sums.
    for (unsigned int j = 0; j < n; ++j)
        for (PathRecord& p : paths[j]) {
            if (continuation) {
                P[j] += p.weight;
                continue;
            }
            p.weight = total[0] > 0.0 ? p.weight / total[0] : 0.0;
            P[j] += p.weight;
        }
    if (continuation)
        for (unsigned int j = 0; j < n; ++j)
            for (PathRecord& p : paths[j]) {
                if (plan.weighting == LookaheadPlan::ContinuationByRate)
                    p.weight = largestTotal > 0.0 ? p.weight / largestTotal / largestTotal : 0.0;
                else
                    p.weight = P[j] > 0.0 ? p.weight / P[j] : 0.0;
            }

    // 3. Forward and backward paths, with the column heads and path lines.
    std::vector<double> forwardSteps(n, 0.0), allSteps(n, 0.0);
    long forwardPaths = 0, allPaths = 0;
    for (unsigned int j = 0; j < n; ++j) {
        if (lines) {
            std::cout << "Reaction: " << j + 1 << ". " << nPaths[j] << " paths in total.  ";
            if (plan.headNewline)
                std::cout << std::endl;
        }
        for (std::size_t q = 0; q < paths[j].size(); ++q) {
            const PathRecord& p = paths[j][q];
            if (lines) {
                if (plan.startBeforeList) {
                    s->PrintState_nonl();
                    std::cout << " -> ";
                }
                extras[j][q].states->PrintPath();
                std::cout << "; [" << dSR << " " << dS << "; " << p.fromRef << " " << p.fromDest << "]; P=";
                std::cout.flush();
                if (plan.totalsInLine) {
                    std::printf("%e; ", p.weight);
                    for (double r : extras[j][q].rates)
                        std::printf(" %.4f", r);
                    if (plan.stepRatesInLine)
                        std::printf(", ");
                    extras[j][q].states->PrintPathA0s();
                    std::printf("\n");
                } else {
                    std::printf("%e\n", p.weight);
                }
                std::fflush(stdout);
            }
            const bool forward = dS > p.fromDest, backward = p.fromDest > dS;
            if (plan.histograms)
                for (unsigned int c = 0; c < n; ++c) {
                    allSteps[c] += extras[j][q].histogram[c];
                    if (forward)
                        forwardSteps[c] += extras[j][q].histogram[c];
                }
            forwardPaths += forward;
            if (continuation) {
                if (forward)
                    Pfn[j] += p.weight;
                else if (backward)
                    Pbn[j] += p.weight;
                continue;
            }
            if (forward) {
                nForward[j] += plan.countDirections;
                Pf[j] += p.weight;
            } else if (backward) {
                nBack[j] += plan.countDirections;
                Pb[j] += p.weight;
            }
        }
        allPaths += nPaths[j];
        if (nPaths[j] > 0) {
            if (continuation) {
                const double aj = s->getRatesA(static_cast<int>(j));
                Pf[j] = a0 > 0.0 ? aj * Pfn[j] / a0 : 0.0;
                Pb[j] = a0 > 0.0 ? aj * Pbn[j] / a0 : 0.0;
            } else {
                Pfn[j] = P[j] > 0.0 ? Pf[j] / P[j] : 0.0;
                Pbn[j] = P[j] > 0.0 ? Pb[j] / P[j] : 0.0;
            }
            if (plan.storeShares) {
                s->setpFn(static_cast<int>(j), Pfn[j]);
                s->setpBn(static_cast<int>(j), Pbn[j]);
            }
        }
    }

    // 4. Summary lines (and the step histograms and pair sums).
    if (level > 0) {
        for (unsigned int j = 0; j < n; ++j) {
            std::cout << "Reaction: a_" << j + 1 << "=" << s->getRatesA(static_cast<int>(j)) << ". " << nPaths[j]
                      << " paths in total.  Forward:" << nForward[j] << "; Back:" << nBack[j] << ";  ";
            std::cout.flush();
            std::printf("P=%e,  P_f=%e,  P_b=%e,  P_fn=%e,  P_bn=%e\n", P[j], Pf[j], Pb[j], Pfn[j], Pbn[j]);
            std::fflush(stdout);
        }
        if (plan.histograms)
            printStepsAndPairs(forwardSteps, forwardPaths, allSteps, allPaths, P, Pf, Pb);
    }

    // 5. The bias rule of the family.
    if (plan.logRule)
        Bias_Function(s, gainA, gainB, nPaths.data(), nForward.data(), nBack.data(), P.data(), Pf.data(), Pb.data(),
                      Pfn.data(), Pbn.data());
    else
        Bias_Function(s, gainA, nPaths.data(), nForward.data(), nBack.data(), P.data(), Pf.data(), Pb.data(),
                      Pfn.data(), Pbn.data());
    return 1;
}

// Step histograms (each entry divided by its path count, and once more as
// printed) and the forward and backward sums of each reversible pair.
void Sampling::printStepsAndPairs(std::vector<double> forwardSteps, long forwardPaths, std::vector<double> allSteps,
                                  long allPaths, const std::vector<double>& P, const std::vector<double>& Pf,
                                  const std::vector<double>& Pb) const
{
    const unsigned int n = columns();
    for (double& h : forwardSteps)
        h = forwardPaths > 0 ? h / forwardPaths : 0.0;
    for (double& h : allSteps)
        h = allPaths > 0 ? h / allPaths : 0.0;
    std::printf("FWD ");
    for (unsigned int r = 0; r < n; ++r)
        std::printf("#R[%d]=%.4f   ", r + 1, forwardPaths > 0 ? forwardSteps[r] / forwardPaths : 0.0);
    std::printf("\nALL ");
    for (unsigned int r = 0; r < n; ++r)
        std::printf("#R[%d]=%.4f   ", r + 1, allPaths > 0 ? allSteps[r] / allPaths : 0.0);
    std::printf("\n");
    const Stoichiometry* stoich = network->getStoichiometricMatrix();
    for (unsigned int p = 0; p < stoich->getNumReversiblePairs(); ++p) {
        const int a = stoich->getReversiblePairID(p, 0), b = stoich->getReversiblePairID(p, 1);
        if (a < 0 || static_cast<unsigned int>(a) >= n)
            continue;
        const bool paired = b >= 0 && static_cast<unsigned int>(b) < n;
        const double fwd = Pf[a] + (paired ? Pf[b] : 0.0), bwd = Pb[a] + (paired ? Pb[b] : 0.0);
        const double pairTotal = P[a] + (paired ? P[b] : 0.0);
        const double fShare = fwd == 0.0 ? 0.0 : fwd / pairTotal, bShare = bwd == 0.0 ? 0.0 : bwd / pairTotal;
        // The line shows the totals of columns 0 and 2, whichever pair it is.
        const double shown = (n > 0 ? P[0] : 0.0) + (n > 2 ? P[2] : 0.0);
        std::printf("P%d=%e,  P_fpairs[%d]=%e,  P_bpairs[%d]=%e,  P_fnpairs[%d]=%e,  P_bnpairs[%d]=%e\n", p, shown, p,
                    fwd, p, bwd, p, fShare, p, bShare);
    }
    std::fflush(stdout);
}

int Sampling::CalculateLookahead_2Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead(LookaheadPlan::family(2, true), s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_3Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead(LookaheadPlan::family(3, true), s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_4Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead(LookaheadPlan::family(4, true), s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_5Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead(LookaheadPlan::family(5, true), s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_6Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead(LookaheadPlan::family(6, true), s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_7Steps(SamplingState* s, SamplingState* ref, double, double fg, double bs, int level)
{
    return lookahead(LookaheadPlan::family(7, true), s, ref, fg, bs, level);
}
int Sampling::CalculateLookahead_2Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level)
{
    return lookahead(LookaheadPlan::family(2, false), s, ref, maxBias, 0.0, level);
}
int Sampling::CalculateLookahead_3Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level)
{
    return lookahead(LookaheadPlan::family(3, false), s, ref, maxBias, 0.0, level);
}
int Sampling::CalculateLookahead_4Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level)
{
    return lookahead(LookaheadPlan::family(4, false), s, ref, maxBias, 0.0, level);
}
int Sampling::CalculateLookahead_5Steps(SamplingState* s, SamplingState* ref, double, double maxBias, int level)
{
    return lookahead(LookaheadPlan::family(5, false), s, ref, maxBias, 0.0, level);
}

int Sampling::CalculateLookahead_3StepsOLD(SamplingState* s, SamplingState* ref, double, double fg, double bs,
                                           int level)
{
    LookaheadPlan plan = LookaheadPlan::family(3, true);
    plan.headNewline = true;
    plan.listHasStart = false;
    plan.startBeforeList = true;
    plan.histograms = true;
    return lookahead(plan, s, ref, fg, bs, level);
}

// The work states carry their rates here, so that the largest total rate of
// the path states is a common upper rate of the continuations.
int Sampling::CalculateLookahead_3Steps2(SamplingState* s, SamplingState* ref, double, double fg, double bs,
                                         int level)
{
    LookaheadPlan plan = LookaheadPlan::family(3, true);
    plan.listHasStart = false;
    plan.workRates = true;
    plan.weighting = LookaheadPlan::ContinuationByRate;
    return lookahead(plan, s, ref, fg, bs, level);
}

int Sampling::CalculateLookahead_4Steps2(SamplingState* s, SamplingState* ref, double, double fg, double bs,
                                         int level)
{
    LookaheadPlan plan = LookaheadPlan::family(4, true);
    plan.listHasStart = false;
    plan.stepRatesInLine = false;
    plan.weighting = LookaheadPlan::ContinuationByColumn;
    return lookahead(plan, s, ref, fg, bs, level);
}

int Sampling::CalculateLookahead_5StepsOLD(SamplingState* s, SamplingState* ref, double, double fg, double bs,
                                           int level)
{
    LookaheadPlan plan = LookaheadPlan::family(5, false);
    plan.logRule = true;
    return lookahead(plan, s, ref, fg, bs, level);
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
        lookahead(LookaheadPlan::family(static_cast<unsigned int>(K), family != SecondFamily), copy, ref, gainA, gainB,
                  level);
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
    const int j = rollBiased(stored, current, tau, true);
    if (j < 0)
        return -1;
    const double a0 = stored->geta0(), b0 = stored->getb0();
    reaction = j;
    if (level > 0)
        std::cout << "a0=" << a0 << ", b0=" << b0 << ", dt=" << tau << ", gamma[" << j + 1 << "]=" << stored->getGamma(j)
                  << ", a[" << j + 1 << "]=" << stored->getRatesA(j) << ", b[" << j + 1 << "]=" << stored->getRatesB(j)
                  << std::endl;
    weight = weight * std::exp((b0 - a0) * tau) / stored->getGamma(j);
    apply(static_cast<unsigned int>(j), current);
    return j;
}
