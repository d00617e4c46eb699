#ifndef VANTU_GEOMETRY_SOLVERS_H
#define VANTU_GEOMETRY_SOLVERS_H

// The two numeric routines of the simulation: successive over-relaxation for
// the sparse elastic system of a mechanics step, and explicit Euler steps for
// the exchange of cytokines between neighbouring cells.

#include <string>
#include <vector>

// Returned by SOR_solver when the system broke down (a zero diagonal or a
// value that is not finite); every convergence measure is >= 0 or NaN.
constexpr double SOR_FAILED = -1.0;

// Solves the system in place by successive over-relaxation.
// Row i's off-diagonal entries are columns/values[rowEnds[i-1] .. rowEnds[i]-1]
// (row 0 starts at 0); the diagonal is kept apart in `diagonal`. `x` holds the
// start values and receives the solution; `xPrevious` holds the values after
// the previous sweep and equals `x` after every sweep. `iter` counts sweeps
// and continues from the value given.
// Returns the last convergence measure (largest change of a sweep over the
// largest magnitude met), 100.0 when no sweep was made, or SOR_FAILED after
// printing its diagnostic; `failure`, when given, then receives a short
// description for the caller's "ERROR: " message, and `failedRow` the row
// the solve broke down in.
double SOR_solver(int n, double tol, double omega, int maxit, int& iter, int* rowEnds,
                  int* columns, double* values, double* rhs, double* x, double* xPrevious,
                  double* diagonal, std::string* failure = nullptr, int* failedRow = nullptr);

// Integrates the linear exchange network d conc[target[k]] / dt +=
// rate[k] * conc[source[k]] over the time span T by explicit Euler steps of
// 0.1, shrinking the step tenfold (down to 0.0001) whenever a concentration
// would turn negative. Returns 0.0 when there is nothing to integrate, 1.0
// when T <= 0, otherwise the largest concentration increase of the last
// completed step (1.0 when none was completed).
double Euler(std::vector<int>* target, std::vector<int>* source, std::vector<double>* rate,
             std::vector<double>* conc, double T);

#endif
