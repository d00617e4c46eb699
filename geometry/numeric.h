#ifndef VANTU_GEOMETRY_NUMERIC_H
#define VANTU_GEOMETRY_NUMERIC_H

// Free numeric helpers shared by the engine, the R-tree and the alpha complex:
// small matrix algebra, angles, box and ellipse tests, clipping, random
// deviates. Angles are in degrees; pi is the literal 3.14159265 throughout,
// so quarter turns are not exact (vector2angle(0, -1) is 269.99999989716).
// A box is four doubles (xmin, ymin, xmax, ymax) with min <= max.

#include <string>
#include <vector>

// ---- 3x3 and 2x2 matrices (row-major) ----

// R = A * B.
void matrix_multiplication(double A[3][3], double B[3][3], double R[3][3]);
// out = A * v.
void matrix_vector_multiplication(double A[3][3], double v[3], double out[3]);
// T = transpose of A.
void matrix_transpose(double A[3][3], double T[3][3]);
// Cofactor expansion along the first column.
double determinant_matrix_3(double A[3][3]);
double determinant_matrix_2(double A[2][2]);

// ---- angles and formulas ----

// Direction of (x, y) in [0, 360); (0, 0) gives 0.
double vector2angle(double x, double y);
// Counter-clockwise angle in [0, 360) from the unit vector (x1, y1) to (x2, y2).
double clock_angle(double x1, double y1, double x2, double y2);
// kind 1: lambda, kind 0: mu, any other kind: 0.
double get_lame_constant(double E, double nu, int kind);
// Bending stiffness of a filament of length L under the given angle.
double filament_string(double k, double L, double angle);
// Gaussian density at x.
double normal_distribution(double x, double mu, double sigma);
// b to the power e in wrapping 32-bit arithmetic; 1 when e < 1.
int powerint(int b, int e);
// a when b <= a, else b.
double max_val2(double a, double b);
// The first of a, b, c that is >= both others; 0 when none is (NaN only).
double max_val3(double a, double b, double c);
// Appends the non-empty pieces of s separated by any character of delims.
void str_split(std::string s, std::vector<std::string>& out, std::string delims);

// ---- geometric tests ----

// Dead space of boxes A and B: area of their common box minus both areas.
double area_d(double ax0, double ay0, double ax1, double ay1,
              double bx0, double by0, double bx1, double by1);
// Closed boxes [x1,x2]x[y1,y2] and [x3,x4]x[y3,y4] share a point (touching counts).
bool boxOverlapBox(double x1, double y1, double x2, double y2,
                   double x3, double y3, double x4, double y4);
// Box test of [x1,x2]x[y1,y2] against the bounding box of the axis-aligned
// ellipse with centre (cx, cy) and semi-axes a, b; not the exact ellipse.
bool boxOverlapEllipse(double x1, double y1, double x2, double y2,
                       double cx, double cy, double a, double b);
// Whether the point (px, py) lies in the axis-aligned ellipse with centre (cx, cy),
// half-axis a along x and b along y, boundary included. The test sums the
// distances to the two foci on the longer axis; a or b not a number gives false.
bool pointInEllipse(double px, double py, double a, double b, double cx, double cy);
// 1 when point 3 is left of the directed line 1->2, -1 right, 0 on it, -2 NaN.
int point_line_side_check(double x1, double y1, double x2, double y2, double x3, double y3);
// The code of a proper crossing at parameters s and t along two segments, by
// the halves it lies in: 3 both below midway, 4 both beyond, 5 s beyond and t
// not, 6 t beyond and s not, -1 one exactly midway and the other not beyond.
int crossing_halves_code(double s, double t);
// Crossing class of segments p1p2 and p3p4: 3..6 for a proper crossing by the
// quarter it lies in, 1/2/7/8 for shared end points, -1 otherwise.
int line_segment_intersection(double x1, double y1, double x2, double y2,
                              double x3, double y3, double x4, double y4);
// One boundary test of parametric line clipping; false rejects the segment.
bool CLIPt(double denom, double num, double& tE, double& tL);
// Clips the segment (x0,y0,z0)-(x1,y1,z1) against the canonical perspective
// view volume |x| <= -z, |y| <= -z, -1 <= z <= zmin.
void clipping(double& x0, double& y0, double& z0, double& x1, double& y1, double& z1,
              double& zmin, bool& accept);

// ---- random deviates (draw from rand()) ----

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

// Normal deviate by Marsaglia's polar method, caching the second deviate.
double randn_notrig(double mu, double sigma);

#endif
