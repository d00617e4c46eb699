#include "geometry/solvers.h"

#include <algorithm>
#include <cmath>
#include <iostream>

// A broken system ends the solve, never the program: the diagnostic goes to
// standard output and the caller turns SOR_FAILED into its step result.
static double sor_failed(std::string* failure, int* failedRow, int row, const std::string& why)
{
    if (failure)
        *failure = why;
    if (failedRow)
        *failedRow = row;
    return SOR_FAILED;
}

double SOR_solver(int n, double tol, double omega, int maxit, int& iter, int* rowEnds,
                  int* columns, double* values, double* rhs, double* x, double* xPrevious,
                  double* diagonal, std::string* failure, int* failedRow)
{
    double error = 100.0;
    if (tol >= 100.0 || n < 1)
        return error;

    // Every value written is checked, so an unknown can only be read
    // non-finite when it started so: only then do the sweeps check each read.
    bool startFinite = true;
    for (int i = 0; i < n && startFinite; i++)
        startFinite = std::isfinite(x[i]);

    // The largest magnitude any unknown had at the start of any sweep of this call.
    double scale = 0.0;
    do {
        if (iter >= maxit)
            return error;
        iter += 1;

        // Gauss-Seidel order: rows later in the sweep read the new values.
        int start = 0;
        for (int i = 0; i < n; i++) {
            double sigma = 0.0;
            const int end = rowEnds[i];
            if (startFinite) {
                for (int k = start; k < end; k++)
                    sigma += values[k] * x[columns[k]];
            }
            for (int k = start; k < end && !startFinite; k++) {
                const int j = columns[k];
                if (!std::isfinite(x[j])) {
                    std::cout << "VA_" << k << ":" << values[k] << ",Xn_" << j << ":" << x[j] << std::endl;
                    std::cout << "  -> error: NAN detected at step" << iter << "!" << std::endl;
                    return sor_failed(failure, failedRow, i, "non-finite unknown " + std::to_string(j) + " read in row "
                                                   + std::to_string(i) + " at sweep " + std::to_string(iter));
                }
                sigma += values[k] * x[j];
            }
            start = end;

            if (diagonal[i] == 0) {
                std::cout << " SOR_II_" << i << ": " << diagonal[i] << std::endl;
                std::cout << "  -> error: 0 detected at step " << iter << "!" << std::endl;
                return sor_failed(failure, failedRow, i, "zero diagonal in row " + std::to_string(i)
                                               + " at sweep " + std::to_string(iter));
            }
            const double xi = (rhs[i] - sigma) * (omega / diagonal[i]) + x[i] * (1.0 - omega);
            if (!std::isfinite(xi)) {
                std::cout << " Xn_" << i << ":" << xi << ", SOR_II:" << diagonal[i] << ", gamma:" << sigma
                          << std::endl;
                std::cout << "  -> error: NAN detected at step " << iter << "!" << std::endl;
                return sor_failed(failure, failedRow, i, "non-finite value in row " + std::to_string(i)
                                               + " at sweep " + std::to_string(iter));
            }
            x[i] = xi;
        }

        double diff = 0.0;
        for (int i = 0; i < n; i++) {
            const double change = std::fabs(x[i] - xPrevious[i]);
            if (change > diff)
                diff = change;
            const double magnitude = std::fabs(xPrevious[i]);
            if (magnitude > scale)
                scale = magnitude;
            xPrevious[i] = x[i];
        }
        // A NaN measure (no change against a zero scale) also ends the loop.
        error = diff / scale;
    } while (error > tol);
    return error;
}

double Euler(std::vector<int>* target, std::vector<int>* source, std::vector<double>* rate,
             std::vector<double>* conc, double T)
{
    if (conc->empty())
        return 0.0;
    double cmax = 0.0;
    for (double c : *conc)
        if (c > cmax)
            cmax = c;
    if (cmax < 0.0001)
        return 0.0;

    const std::size_t links = target->size();
    if (links == 0)
        return 0.0;
    double rmax = 0.0;
    for (std::size_t k = 0; k < links; k++)
        if (std::fabs(rate->at(k)) > rmax)
            rmax = std::fabs(rate->at(k));
    if (rmax < 1e-8)
        return 0.0;

    std::vector<double> d(conc->size());
    if (T <= 0)
        return 1.0;

    double t = 0.0, h = 0.1, last = 1.0;
    do {
        // One step of size h, retried with a tenfold smaller h while it would
        // drive a concentration negative; the smaller h stays for later steps.
        for (;;) {
            std::fill(d.begin(), d.end(), 0.0);
            for (std::size_t k = 0; k < links; k++)
                d.at(target->at(k)) += rate->at(k) * conc->at(source->at(k)) * h;

            bool negative = false;
            for (std::size_t i = 0; i < d.size(); i++)
                if ((*conc)[i] + d[i] < 0) {
                    negative = true;
                    break;
                }
            if (!negative)
                break;
            if (h > 0.0001) {
                h = h / 10;
                std::cout << "          WARNING: Concentration < 0, big time step suspected, change to smaller dt="
                          << h << std::endl;
                continue;
            }
            std::cout << "          WARNING: dt too big, Euler not done." << std::endl;
            return last;
        }

        last = 0.0;
        for (std::size_t i = 0; i < d.size(); i++) {
            (*conc)[i] += d[i];
            if (d[i] > last)
                last = d[i];
        }
        t += h;
    } while (T > t);
    return last;
}
