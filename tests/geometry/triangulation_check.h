// Validity check of a CD3DW: half-edge links, orientation, local regularity
// and Euler's count. Returns an empty string when the triangulation is sound,
// otherwise a description of the first faults found.
#ifndef VANTU_TESTS_GEOMETRY_TRIANGULATION_CHECK_H
#define VANTU_TESTS_GEOMETRY_TRIANGULATION_CHECK_H

#include <string>

class CD3DW;

std::string checkTriangulation(const CD3DW& d);

// Brute force: no inserted vertex lies strictly inside the circle of centre
// (center_x, center_y) and squared radius radius2 of any alive triangle
// without a bounding vertex. Meaningful when all weights are equal (the
// power circle is then the circumcircle).
std::string checkEmptyPowerCircles(const CD3DW& d);

// Brute force: no inserted vertex lies strictly inside the plain circumcircle
// of any alive triangle (weights play no part in the flips).
std::string checkEmptyCircumcircles(const CD3DW& d);

#endif
