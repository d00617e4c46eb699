#ifndef VANTU_TESTS_SUPPORT_FINITE_POSITIONS_H
#define VANTU_TESTS_SUPPORT_FINITE_POSITIONS_H

// Whether every position of a tissue is a number: the boundary vertices and
// inner mesh points of every live cell.

#include <string>

class dbReader;

// True when all are finite; otherwise `where`, when given, names the first
// that is not ("vertex 12 of cell 3", "inner point 4 of cell 3").
bool positionsFinite(const dbReader& engine, std::string* where = nullptr);

#endif
