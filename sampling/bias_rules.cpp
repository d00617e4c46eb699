// The bias rules: each turns evidence about the columns of one state into
// bias factors gamma_j and biased propensities b_j = gamma_j a_j, then
// rescales them so that the biased total equals the unbiased one (only the
// choice of reaction is tilted, not the waiting time), then applies its own
// corrections. One frame carries the common part.
#include "sampling/sampling.h"

#include "signalling/network.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <vector>

namespace {

void printBiases(const char* pass, const SamplingState* s, unsigned int n)
{
    for (unsigned int j = 0; j < n; ++j) {
        const int c = static_cast<int>(j);
        std::cout << pass << ": g[" << j + 1 << "]=" << s->getGamma(c) << ", a[" << j + 1 << "]=" << s->getRatesA(c)
                  << ", b[" << j + 1 << "]=" << s->getRatesB(c) << std::endl;
    }
}

double sumB(const SamplingState* s, unsigned int n)
{
    double b0 = 0.0;
    for (unsigned int j = 0; j < n; ++j)
        b0 += s->getRatesB(static_cast<int>(j));
    return b0;
}

// Evidence x to bias: gainUp scales positive evidence, gainDown the rest.
double biasOf(double x, double gainUp, double gainDown)
{
    return x > 0.0 ? 1.0 + gainUp * x : 1.0 + gainDown * x;
}

// The totals rule: with evidence on one side only, that side alone counts.
double evidence(double F, double B, double SF, double SB)
{
    if (SF != 0.0 && SB == 0.0)
        return F;
    if (SF == 0.0 && SB != 0.0)
        return -B;
    if (SF == 0.0 && SB == 0.0)
        return 0.0;
    return F - B;
}

// Every column that can fire keeps at least this share of its unbiased
// propensity, b_j >= biasFloor a_j whenever a_j > 0. A bias of 0 would switch
// the column off: no sampled trajectory would take it, and the weighted
// estimate would silently leave out every trajectory that does. With the
// floor each firing multiplies the weight by at most 1 / biasFloor = 20, so a
// column the look-ahead wrongly thinks useless costs variance, not bias.
const double biasFloor = 0.05;

// Lifts every column that can fire to the floor and takes what that adds
// from the other columns in proportion to their biased propensities, so the
// biased total stays as it was. Taking may bring another column below the
// floor; it is lifted in the next round, so at most n rounds run.
void floorBiases(SamplingState* s, unsigned int n)
{
    std::vector<bool> lifted(n, false);
    for (unsigned int round = 0; round < n; ++round) {
        double added = 0.0, free = 0.0;
        for (unsigned int j = 0; j < n; ++j) {
            const int c = static_cast<int>(j);
            const double a = s->getRatesA(c), b = s->getRatesB(c);
            if (a > 0.0 && !(b >= biasFloor * a)) {
                added += biasFloor * a - (b > 0.0 ? b : 0.0);
                s->setRatesB(c, biasFloor * a);
                lifted[j] = true;
            } else if (!lifted[j] && b > 0.0) {
                free += b;
            }
        }
        if (added == 0.0)
            break;
        const double keep = free > 0.0 ? std::max(0.0, (free - added) / free) : 1.0;
        for (unsigned int j = 0; j < n; ++j)
            if (!lifted[j])
                s->setRatesB(static_cast<int>(j), s->getRatesB(static_cast<int>(j)) * keep);
    }
    for (unsigned int j = 0; j < n; ++j) {
        const int c = static_cast<int>(j);
        if (s->getRatesA(c) > 0.0)
            s->setGamma(c, s->getRatesB(c) / s->getRatesA(c));
    }
}

}

template <class Rule, class Correct>
void Sampling::biasFrame(SamplingState* s, Rule rule, Correct correct)
{
    const unsigned int n = columns();
    // 1, 2. First biases and their biased propensities.
    for (unsigned int j = 0; j < n; ++j) {
        const int c = static_cast<int>(j);
        const double g = rule(j);
        s->setGamma(c, g);
        s->setRatesB(c, s->getRatesA(c) * g);
    }
    s->setb0(sumB(s, n));
    if (verbose > 0)
        printBiases("0", s, n);
    // 3. Rescale to the unbiased total; nothing to scale when no biased
    //    rate is left, and then the state is simulated unbiased.
    const double a0 = s->geta0(), b0 = s->getb0();
    for (unsigned int j = 0; j < n; ++j) {
        const int c = static_cast<int>(j);
        const double a = s->getRatesA(c);
        const double b = b0 > 0.0 ? s->getRatesB(c) * (a0 / b0) : a;
        s->setRatesB(c, b);
        s->setGamma(c, a > 0.0 ? b / a : 1.0);
    }
    // 4. The rule's own corrections, the floor, the final total.
    correct();
    floorBiases(s, n);
    s->setb0(sumB(s, n));
    if (verbose > 0)
        printBiases("1", s, n);
}

double Sampling::Bias_Function(SamplingState* s, double forwardGain, double backwardScale, int*, int*, int*, double*,
                               double*, double*, double* pFn, double* pBn)
{
    if (!ready("Bias_Function") || !s || !pFn || !pBn)
        return 0.0;
    const unsigned int n = columns();
    const double a0 = s->geta0();
    auto rule = [&](unsigned int j) {
        const double a = s->getRatesA(static_cast<int>(j)), pf = pFn[j], pb = pBn[j];
        if (a == 0.0)
            return 1.0;
        if (pf > pb)
            return 1.0 - std::log(pf * a / a0) * forwardGain * pf;
        if (pb > pf) {
            const double t = (1.0 - pb) * (std::log(pb * a / a0) * (1.0 / backwardScale));
            return t > -1.0 ? -t : 1.0;
        }
        return 1.0;
    };
    // A strongly forward column rescaled below 1, or a strongly backward one
    // above 1, is reset to 1; the others absorb what it gives up or takes.
    auto correct = [&]() {
        std::vector<bool> reset(n, false);
        double excess = 0.0, rest = 0.0;
        for (unsigned int j = 0; j < n; ++j) {
            const int c = static_cast<int>(j);
            const double g = s->getGamma(c);
            reset[j] = (pFn[j] > 2 * pBn[j] && g < 1.0) || (pBn[j] > 2 * pFn[j] && g > 1.0);
            if (reset[j])
                excess += (g - 1.0) * s->getRatesA(c);
            else
                rest += s->getRatesB(c);
        }
        const double factor = rest != 0.0 ? excess / rest + 1.0 : 1.0;
        for (unsigned int j = 0; j < n; ++j) {
            const int c = static_cast<int>(j);
            const double a = s->getRatesA(c);
            if (reset[j]) {
                s->setGamma(c, 1.0);
                s->setRatesB(c, a);
            } else if (a > 0.0) {
                s->setGamma(c, s->getGamma(c) * factor);
                s->setRatesB(c, a * s->getGamma(c));
            }
        }
    };
    biasFrame(s, rule, correct);
    return 0.0;
}

double Sampling::Bias_Function(SamplingState* s, double maxBias, int* nPaths, int* nForward, int* nBack, double*,
                               double*, double*, double* pFn, double* pBn)
{
    if (!ready("Bias_Function") || !s || !nPaths || !nForward || !nBack || !pFn || !pBn)
        return 0.0;
    const double up = maxBias - 1.0, down = 1.0 - 1.0 / maxBias;
    auto rule = [&](unsigned int j) {
        // A column that begins no complete path has no evidence: bias 1.
        if (s->getRatesA(static_cast<int>(j)) == 0.0 || nPaths[j] == 0)
            return 1.0;
        const double paths = static_cast<double>(nPaths[j]);
        double x = static_cast<double>(nForward[j]) / paths * pFn[j] - static_cast<double>(nBack[j]) / paths * pBn[j];
        x = x > 0.0 ? x * up : x * down;
        return 1.0 + x;
    };
    biasFrame(s, rule, [] {});
    return 0.0;
}

double Sampling::Bias_Function(SamplingState* s, double, double, double* num, double* den)
{
    if (!ready("Bias_Function") || !s || !num || !den)
        return 0.0;
    biasFrame(s, [&](unsigned int j) { return num[j] != 0.0 && den[j] != 0.0 ? num[j] / den[j] : 1.0; }, [] {});
    return 0.0;
}

double Sampling::Bias_Function(SamplingState* s, double gainUp, double gainDown, int*, int*, int*, double*, double*,
                               double*, double*, double*, double, double, double F0, double B0, double, double,
                               double F1, double B1)
{
    if (!ready("Bias_Function") || !s)
        return 0.0;
    if (columns() < 4) {
        std::printf("ERROR: the four-column bias rule needs four columns, the network has %u\n", columns());
        std::fflush(stdout);
        return -1.0;
    }
    const double SF = F0 + F1, SB = B0 + B1;
    const double x = biasOf(evidence(F0, B0, SF, SB), gainUp, gainDown);
    const double y = biasOf(evidence(F1, B1, SF, SB), gainUp, gainDown);
    auto rule = [&](unsigned int j) { return j == 0 || j == 2 ? x : (j == 1 || j == 3 ? y : 1.0); };
    // Columns 1 and 3 re-derived from the rescaled bias of column 2.
    auto correct = [&]() {
        const double a1 = s->getRatesA(1), a2 = s->getRatesA(2), a3 = s->getRatesA(3), g2 = s->getGamma(2);
        if (a1 == 0.0) {
            s->setGamma(1, 1.0);
        } else {
            const double c = ((1 + g2) * a1 + (1 - g2) * a2 + (1 - g2) * a3) / (2 * a1);
            if (c > 0)
                s->setGamma(1, c);
        }
        if (a3 == 0.0) {
            s->setGamma(3, 1.0);
        } else {
            const double c = ((1 - g2) * a1 + (1 - g2) * a2 + (1 + g2) * a3) / (2 * a3);
            if (c > 0)
                s->setGamma(3, c);
        }
        s->setRatesB(1, a1 * s->getGamma(1));
        s->setRatesB(3, a3 * s->getGamma(3));
    };
    biasFrame(s, rule, correct);
    return 0.0;
}

double Sampling::Bias_Function(SamplingState* s, double gainUp, double gainDown, int*, int*, int*, double*, double*,
                               double*, double*, double*, double*, double*, double* F, double* B)
{
    if (!ready("Bias_Function") || !s || !F || !B)
        return 0.0;
    const Stoichiometry* stoich = network->getStoichiometricMatrix();
    const unsigned int pairs = stoich->getNumReversiblePairs();
    double SF = 0.0, SB = 0.0;
    for (unsigned int k = 0; k < pairs; ++k) {
        SF += F[k];
        SB += B[k];
    }
    std::vector<double> first(columns(), 1.0);
    for (unsigned int k = 0; k < pairs; ++k) {
        const double g = biasOf(evidence(F[k], B[k], SF, SB), gainUp, gainDown);
        const int i = stoich->getReversiblePairID(k, 0), i2 = stoich->getReversiblePairID(k, 1);
        if (i >= 0 && static_cast<unsigned int>(i) < columns())
            first[i] = g;
        if (i2 >= 0 && static_cast<unsigned int>(i2) < columns())
            first[i2] = g;
    }
    auto correct = [&]() {
        auto a = [&](int c) { return c >= 0 ? s->getRatesA(c) : 0.0; };
        auto b = [&](int c) { return c >= 0 ? s->getRatesB(c) : 0.0; };
        // Largest slope of the pairs' biased over unbiased differences.
        double M = 1.0;
        for (unsigned int k = 0; k < pairs; ++k) {
            const int i = stoich->getReversiblePairID(k, 0), i2 = stoich->getReversiblePairID(k, 1);
            double slope = 0.0;
            bool has = false;
            if (i2 >= 0 && a(i) != a(i2)) {
                slope = (b(i) - b(i2)) / (a(i) - a(i2));
                has = true;
            } else if (i2 < 0 && a(i) != 0.0) {
                slope = b(i) / a(i);
                has = true;
            }
            if (has && slope > M)
                M = slope;
        }
        // Lower eta until every pair keeps at least 0.1 on each side.
        auto U = [&](unsigned int k, double eta) {
            const int i = stoich->getReversiblePairID(k, 0), i2 = stoich->getReversiblePairID(k, 1);
            return i2 < 0 ? 0.0 : (b(i) + b(i2)) + (a(i) - a(i2)) * eta;
        };
        auto V = [&](unsigned int k, double eta) {
            const int i = stoich->getReversiblePairID(k, 0), i2 = stoich->getReversiblePairID(k, 1);
            return i2 < 0 ? 0.0 : (b(i) + b(i2)) - (a(i) - a(i2)) * eta;
        };
        double eta = M;
        while (eta > 0.1) {
            bool pass = true;
            for (unsigned int k = 0; k < pairs && pass; ++k)
                pass = !(U(k, eta) < 0.1 || V(k, eta) < 0.1);
            if (pass)
                break;
            eta -= 0.02;
        }
        for (unsigned int k = 0; k < pairs; ++k) {
            const int i = stoich->getReversiblePairID(k, 0), i2 = stoich->getReversiblePairID(k, 1);
            if (i < 0)
                continue;
            if (i2 < 0) {
                s->setGamma(i, eta);
                s->setRatesB(i, a(i) * eta);
                continue;
            }
            const double u = U(k, eta), v = V(k, eta), bi = b(i), bi2 = b(i2);
            if (a(i) == 0.0) {
                s->setGamma(i, 1.0);
            } else {
                const double g = u / (2 * a(i));
                if (g > 0)
                    s->setGamma(i, g);
                else
                    std::printf("Ooops, negative bias 0. g=%.4f, %d %d, eta=%.4f, b[%d]=%.4f, b[%d]=%.4f, a[%d]=%f, "
                                "a[%d]=%f\n",
                                g, i, i2, eta, i, bi, i2, bi2, i, a(i), i2, a(i2));
            }
            if (a(i2) == 0.0) {
                s->setGamma(i2, 1.0);
            } else {
                const double g = v / (2 * a(i2));
                if (g > 0)
                    s->setGamma(i2, g);
                else
                    std::printf("Ooops, negative bias 1. g=%.4f, %d %d, eta=%.4f, b[%d]=%.4f, b[%d]=%.4f, a[%d]=%f, "
                                "a[%d]=%f\n",
                                g, i, i2, eta, i, bi, i2, bi2, i, a(i), i2, a(i2));
            }
            s->setRatesB(i, a(i) * s->getGamma(i));
            s->setRatesB(i2, a(i2) * s->getGamma(i2));
        }
        std::fflush(stdout);
    };
    biasFrame(s, [&](unsigned int j) { return first[j]; }, correct);
    return 0.0;
}
