#ifndef VANTU_GEOMETRY_NUMERIC_H
#define VANTU_GEOMETRY_NUMERIC_H

// Free numeric helpers shared by the engine stages: small matrix algebra,
// angles, box and ellipse tests, random deviates.

// One standard normal deviate by the Box-Muller transform, without caching.
// Draws rand() twice; each uniform is (rand() + 1) * 2^-31, in (0, 1].
double U_to_N();

// A normal deviate of mean mu and standard deviation sigma by Box-Muller,
// keeping the second deviate of each pair (rounded to float) for the next
// call. A rand() of 0 for the radius is drawn again, so the logarithm never
// sees 0 and both deviates stay finite.
double randn_trig(double mu, double sigma);

namespace numeric_detail {
// randn_trig with its uniform source passed in (rand() in the program), so a
// source that returns 0 can be exercised.
double randn_trig_from(int (*draw)(), double mu, double sigma);
// Forgets the cached deviate of randn_trig, so that a seeded run starts
// from the same place whatever ran before it.
void randn_trig_reset();
}

// Whether (px, py) lies in the axis-aligned ellipse with centre (cx, cy),
// half-axis a along x and b along y, boundary included. The test sums the
// distances to the two foci on the longer axis; a or b not a number gives false.
bool pointInEllipse(double cx, double cy, double a, double b, double px, double py);

#endif
