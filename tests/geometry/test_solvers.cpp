// The SOR solver's stopping rules and its failures (which end the solve,
// never the program), and the Euler integrator's shrinking step size.
#include "geometry/solvers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

// A small system in the solver's compressed rows (diagonal kept apart).
struct sparse_system {
    std::vector<int> rowEnds, columns;
    std::vector<double> values, diagonal, rhs, x, xPrevious;

    // Dense matrix to compressed rows; start values 0.1 as the mechanics step sets them.
    sparse_system(const std::vector<std::vector<double>>& A, const std::vector<double>& b)
        : diagonal(A.size()), rhs(b), x(A.size(), 0.1), xPrevious(A.size(), 0.1)
    {
        for (std::size_t i = 0; i < A.size(); i++) {
            for (std::size_t j = 0; j < A.size(); j++) {
                if (i == j) {
                    diagonal[i] = A[i][j];
                } else if (A[i][j] != 0) {
                    columns.push_back(static_cast<int>(j));
                    values.push_back(A[i][j]);
                }
            }
            rowEnds.push_back(static_cast<int>(columns.size()));
        }
    }

    double solve(double tol, double omega, int maxit, int& iter, std::string* failure = nullptr)
    {
        return SOR_solver(static_cast<int>(x.size()), tol, omega, maxit, iter, rowEnds.data(),
                          columns.data(), values.data(), rhs.data(), x.data(), xPrevious.data(),
                          diagonal.data(), failure);
    }
};

const double NaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(SORSolver, ConvergesOnADiagonallyDominantSystem)
{
    // Solution (1, 2, 3).
    sparse_system s({{4, -1, 0}, {-1, 4, -1}, {0, -1, 4}}, {2, 4, 10});
    int iter = 0;
    const double measure = s.solve(0.005, 1.5, 500, iter);
    EXPECT_LE(measure, 0.005);
    EXPECT_GT(iter, 1);
    EXPECT_LT(iter, 500);
    EXPECT_NEAR(s.x[0], 1.0, 0.05);
    EXPECT_NEAR(s.x[1], 2.0, 0.05);
    EXPECT_NEAR(s.x[2], 3.0, 0.05);
    EXPECT_EQ(s.x, s.xPrevious);

    // Gauss-Seidel (omega 1) to a tight tolerance.
    sparse_system g({{4, -1, 0}, {-1, 4, -1}, {0, -1, 4}}, {2, 4, 10});
    iter = 0;
    g.solve(1e-12, 1.0, 500, iter);
    EXPECT_NEAR(g.x[1], 2.0, 1e-10);
}

TEST(SORSolver, StoppingRules)
{
    // tol 100 makes no sweep at all.
    sparse_system s({{2, 1}, {1, 2}}, {3, 3});
    int iter = 7;
    EXPECT_EQ(s.solve(100.0, 1.5, 500, iter), 100.0);
    EXPECT_EQ(iter, 7);
    EXPECT_EQ(s.x[0], 0.1);

    // The sweep count continues from `iter`; at maxit nothing is done.
    iter = 500;
    EXPECT_EQ(s.solve(0.005, 1.5, 500, iter), 100.0);
    EXPECT_EQ(iter, 500);
    EXPECT_EQ(s.x[0], 0.1);

    // omega 2 on x = 1 flips x between 0.1 and 1.9 for ever: exactly maxit sweeps.
    sparse_system flip({{1}}, {1});
    iter = 0;
    const double measure = flip.solve(0.005, 2.0, 500, iter);
    EXPECT_EQ(iter, 500);
    EXPECT_NEAR(measure, 1.8 / 1.9, 1e-12);
    EXPECT_NEAR(flip.x[0], 0.1, 1e-9);

    // Starting at the solution: one sweep, measure 0.
    sparse_system exact({{2, 1}, {1, 2}}, {3, 3});
    exact.x = exact.xPrevious = {1, 1};
    iter = 0;
    EXPECT_EQ(exact.solve(0.005, 1.5, 500, iter), 0.0);
    EXPECT_EQ(iter, 1);

    // An empty system makes no sweep.
    iter = 0;
    EXPECT_EQ(SOR_solver(0, 0.005, 1.5, 500, iter, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr),
              100.0);
    EXPECT_EQ(iter, 0);
}

TEST(SORSolver, ZeroDiagonalIsAFailureResult)
{
    for (int row : {0, 2}) {
        std::vector<std::vector<double>> A{{4, -1, 0}, {-1, 4, -1}, {0, -1, 4}};
        A[row][row] = 0;
        sparse_system s(A, {2, 4, 10});
        int iter = 0;
        std::string failure;
        testing::internal::CaptureStdout();
        EXPECT_EQ(s.solve(0.005, 1.5, 500, iter, &failure), SOR_FAILED);
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(printed, " SOR_II_" + std::to_string(row) + ": 0\n  -> error: 0 detected at step 1!\n");
        EXPECT_EQ(failure, "zero diagonal in row " + std::to_string(row) + " at sweep 1");
        EXPECT_TRUE(std::isfinite(s.x[row]));
    }
}

TEST(SORSolver, NonFiniteValuesAreAFailureResult)
{
    // A NaN read from unknown 1 while summing row 0 (entry 0).
    sparse_system s({{4, -1}, {-1, 4}}, {1, 1});
    s.x[1] = NaN;
    int iter = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(s.solve(0.005, 1.5, 500, iter), SOR_FAILED);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "VA_0:-1,Xn_1:nan\n  -> error: NAN detected at step1!\n");

    // A NaN right-hand side gives a NaN unknown.
    sparse_system r({{4, -1}, {-1, 4}}, {NaN, 1});
    iter = 0;
    std::string failure;
    testing::internal::CaptureStdout();
    EXPECT_EQ(r.solve(0.005, 1.5, 500, iter, &failure), SOR_FAILED);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " Xn_0:nan, SOR_II:4, gamma:-0.1\n  -> error: NAN detected at step 1!\n");
    EXPECT_EQ(failure, "non-finite value in row 0 at sweep 1");

    // A diverging iteration overflows to infinity: also a failure, not a result.
    sparse_system d({{1, 3}, {3, 1}}, {1, 1});
    iter = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(d.solve(0.0, 1.0, 5000, iter), SOR_FAILED);
    testing::internal::GetCapturedStdout();
    EXPECT_LT(iter, 5000);
}

namespace {

// Compartment 0 feeds compartment 1 without losing anything itself.
struct euler_case {
    std::vector<int> target, source;
    std::vector<double> rate, conc;
    double run(double T) { return Euler(&target, &source, &rate, &conc, T); }
};

} // namespace

TEST(EulerSolver, NothingToIntegrate)
{
    euler_case below{{1}, {0}, {1.0}, {0.00009, 0.00005}};
    EXPECT_EQ(below.run(1.0), 0.0);
    EXPECT_EQ(below.conc[0], 0.00009);

    euler_case still{{1}, {0}, {1e-9}, {1.0, 0.0}};
    EXPECT_EQ(still.run(1.0), 0.0);
    euler_case empty{{}, {}, {}, {1.0}};
    EXPECT_EQ(empty.run(1.0), 0.0);

    euler_case zeroSpan{{1}, {0}, {1.0}, {1.0, 0.0}};
    EXPECT_EQ(zeroSpan.run(0.0), 1.0);
    EXPECT_EQ(zeroSpan.conc[1], 0.0);
}

TEST(EulerSolver, StepsOfOneTenthUntilTheSpanIsCovered)
{
    // T = 0.25 takes three steps: t = 0.1, 0.2, 0.30000000000000004.
    euler_case feed{{1}, {0}, {1.0}, {1.0, 0.0}};
    testing::internal::CaptureStdout();
    EXPECT_EQ(feed.run(0.25), 0.1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(feed.conc[1], 0.30000000000000004);
    EXPECT_EQ(feed.conc[0], 1.0);
}

TEST(EulerSolver, SmallerStepWhenAConcentrationWouldTurnNegative)
{
    // Decay at rate 15: a step of 0.1 would remove 150%, a step of 0.01 15%.
    euler_case decay{{0}, {0}, {-15.0}, {1.0}};
    testing::internal::CaptureStdout();
    EXPECT_EQ(decay.run(0.02), 0.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "          WARNING: Concentration < 0, big time step suspected, change to smaller dt=0.01\n");
    // The smaller step stays: two steps of 0.01.
    EXPECT_DOUBLE_EQ(decay.conc[0], 0.85 * 0.85);

    // Too fast even at 0.0001: three warnings, then give up with nothing changed.
    euler_case crash{{0}, {0}, {-20000.0}, {1.0}};
    testing::internal::CaptureStdout();
    EXPECT_EQ(crash.run(1.0), 1.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "          WARNING: Concentration < 0, big time step suspected, change to smaller dt=0.01\n"
              "          WARNING: Concentration < 0, big time step suspected, change to smaller dt=0.001\n"
              "          WARNING: Concentration < 0, big time step suspected, change to smaller dt=0.0001\n"
              "          WARNING: dt too big, Euler not done.\n");
    EXPECT_EQ(crash.conc[0], 1.0);
}

TEST(EulerSolver, DiffusionConservesAndLinksOutOfRangeThrow)
{
    // Two cells exchanging at rate 1: outflow links plus negated self-links.
    euler_case pair{{1, 0, 0, 1}, {0, 1, 0, 1}, {1.0, 1.0, -1.0, -1.0}, {2.0, 0.0}};
    pair.run(1.0);
    EXPECT_NEAR(pair.conc[0] + pair.conc[1], 2.0, 1e-12);
    EXPECT_LT(pair.conc[0], 2.0);
    EXPECT_GT(pair.conc[1], 0.0);

    euler_case bad{{5}, {0}, {1.0}, {1.0, 0.0}};
    EXPECT_THROW(bad.run(1.0), std::out_of_range);
}
