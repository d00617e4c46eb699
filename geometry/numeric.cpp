#include "geometry/numeric.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

// ---- 3x3 and 2x2 matrices ----

void matrix_multiplication(double A[3][3], double B[3][3], double R[3][3])
{
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            R[i][j] = A[i][0] * B[0][j] + A[i][1] * B[1][j] + A[i][2] * B[2][j];
}

void matrix_vector_multiplication(double A[3][3], double v[3], double out[3])
{
    for (int i = 0; i < 3; i++)
        out[i] = A[i][0] * v[0] + A[i][1] * v[1] + A[i][2] * v[2];
}

void matrix_transpose(double A[3][3], double T[3][3])
{
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            T[j][i] = A[i][j];
}

double determinant_matrix_3(double A[3][3])
{
    return A[0][0] * (A[1][1] * A[2][2] - A[2][1] * A[1][2])
         - A[1][0] * (A[0][1] * A[2][2] - A[2][1] * A[0][2])
         + A[2][0] * (A[0][1] * A[1][2] - A[1][1] * A[0][2]);
}

double determinant_matrix_2(double A[2][2])
{
    return A[0][0] * A[1][1] - A[1][0] * A[0][1];
}

// ---- angles and formulas ----

double vector2angle(double x, double y)
{
    double angle = std::atan2(y, x) * 180.0 / 3.14159265;
    if (angle < 0)
        angle += 360.0;
    // A direction a hair below the x axis wraps round to 360 exactly; it is 0.
    if (angle >= 360.0)
        angle -= 360.0;
    return angle;
}

// Direction of a unit vector in [0, 360) placed by quadrant from asin of its
// y component; an undefined direction (NaN anywhere) counts as 0.
static double unit_vector_angle(double x, double y)
{
    if (std::isnan(x) || std::isnan(y))
        return 0.0;
    double angle = std::asin(y) * 180.0 / 3.14159265;
    if (x >= 0 && y < 0)
        angle += 360.0;
    else if (x < 0)
        angle = 180.0 - angle;
    if (std::isnan(angle))
        return 0.0;
    return angle;
}

double clock_angle(double x1, double y1, double x2, double y2)
{
    double angle = unit_vector_angle(x2, y2) - unit_vector_angle(x1, y1);
    if (angle < 0)
        angle += 360.0;
    // Directions that agree up to rounding can land on 360 exactly: that is 0.
    if (angle >= 360.0)
        angle -= 360.0;
    return angle;
}

double get_lame_constant(double E, double nu, int kind)
{
    if (kind == 1)
        return E * nu / (1.0 + nu) / (1.0 - 2.0 * nu);
    if (kind == 0)
        return E * 0.5 / (1.0 + nu);
    return 0.0;
}

double filament_string(double k, double L, double angle)
{
    double s = std::sin(angle * 3.14159265 / 180.0);
    return k * 4.0 * 4.28 / (L * L * L) / (s * s);
}

double normal_distribution(double x, double mu, double sigma)
{
    // 2.5066282731988805 is the square root of 2 * 3.14159265.
    return std::exp(-0.5 * (x - mu) * (x - mu) / sigma / sigma) * (1.0 / sigma / 2.5066282731988805);
}

int powerint(int b, int e)
{
    if (e < 1)
        return 1;
    // Unsigned arithmetic wraps like the 32-bit product it stands for;
    // squaring gives the same residue as e plain multiplications.
    std::uint32_t result = 1;
    std::uint32_t base = static_cast<std::uint32_t>(b);
    for (unsigned int n = static_cast<unsigned int>(e); n > 0; n >>= 1) {
        if (n & 1u)
            result *= base;
        base *= base;
    }
    return static_cast<std::int32_t>(result);
}

double max_val2(double a, double b)
{
    return b <= a ? a : b;
}

double max_val3(double a, double b, double c)
{
    if (a >= b && a >= c)
        return a;
    if (b >= a && b >= c)
        return b;
    if (c >= a && c >= b)
        return c;
    return 0.0;
}

void str_split(std::string s, std::vector<std::string>& out, std::string delims)
{
    while (!s.empty() && !delims.empty()) {
        std::string::size_type pos = s.find_first_of(delims);
        if (pos == std::string::npos)
            break;
        if (pos > 0)
            out.push_back(s.substr(0, pos));
        s = s.substr(pos + 1);
    }
    if (!s.empty())
        out.push_back(s);
}

// ---- geometric tests ----

double area_d(double ax0, double ay0, double ax1, double ay1,
              double bx0, double by0, double bx1, double by1)
{
    double xmin = ax0 < bx0 ? ax0 : bx0;
    double ymin = ay0 < by0 ? ay0 : by0;
    double xmax = ax1 > bx1 ? ax1 : bx1;
    double ymax = ay1 > by1 ? ay1 : by1;
    return (xmax - xmin) * (ymax - ymin) - (ax1 - ax0) * (ay1 - ay0) - (bx1 - bx0) * (by1 - by0);
}

bool boxOverlapBox(double x1, double y1, double x2, double y2,
                   double x3, double y3, double x4, double y4)
{
    return x3 <= x2 && x1 <= x4 && y3 <= y2 && y1 <= y4;
}

bool boxOverlapEllipse(double x1, double y1, double x2, double y2,
                       double cx, double cy, double a, double b)
{
    return boxOverlapBox(x1, y1, x2, y2, cx - a, cy - b, cx + a, cy + b);
}

bool pointInEllipse(double px, double py, double a, double b, double cx, double cy)
{
    if (a > b) {
        // Foci on the x axis at distance c = sqrt(a^2 - b^2) from the centre.
        const double c = std::sqrt(a * a - b * b);
        const double d1 = std::sqrt((px - (cx - c)) * (px - (cx - c)) + (py - cy) * (py - cy));
        const double d2 = std::sqrt((px - (cx + c)) * (px - (cx + c)) + (py - cy) * (py - cy));
        return d1 + d2 <= 2.0 * a;
    }
    if (a == b)
        return std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy)) <= a;
    if (b > a) {
        const double c = std::sqrt(b * b - a * a);
        const double d1 = std::sqrt((px - cx) * (px - cx) + (py - (cy - c)) * (py - (cy - c)));
        const double d2 = std::sqrt((px - cx) * (px - cx) + (py - (cy + c)) * (py - (cy + c)));
        return d1 + d2 <= 2.0 * b;
    }
    return false;
}

int point_line_side_check(double x1, double y1, double x2, double y2, double x3, double y3)
{
    double cross = (x2 - x1) * (y3 - y1) - (y2 - y1) * (x3 - x1);
    if (cross > 0)
        return 1;
    if (cross < 0)
        return -1;
    if (cross == 0)
        return 0;
    return -2;
}

int crossing_halves_code(double s, double t)
{
    if (s < 0.5 && t < 0.5)
        return 3;
    if (s > 0.5 && t > 0.5)
        return 4;
    if (s > 0.5 && t <= 0.5)
        return 5;
    if (t > 0.5 && s <= 0.5)
        return 6;
    return -1;
}

int line_segment_intersection(double x1, double y1, double x2, double y2,
                              double x3, double y3, double x4, double y4)
{
    // a = p1 - p2, b = p4 - p3, c = p4 - p2; s runs along p2->p1, t along p4->p3.
    double ax = x1 - x2, ay = y1 - y2;
    double bx = x4 - x3, by = y4 - y3;
    double cx = x4 - x2, cy = y4 - y2;
    double D = bx * ay - by * ax;
    double s = (bx * cy - by * cx) / D;
    double t = (ay * cx - ax * cy) / D;

    if (s > 0 && s < 1 && t > 0 && t < 1)
        return crossing_halves_code(s, t);
    if (s == 1 && t == 1)
        return 1;
    if (s == 0 && t == 0)
        return 2;
    if (s == 0 && t == 1)
        return 7;
    if (s == 1 && t == 0)
        return 8;
    return -1;
}

bool CLIPt(double denom, double num, double& tE, double& tL)
{
    if (denom > 0) {
        double t = num / denom;
        if (t > tL)
            return false;
        if (tE < t && t < tL)
            tE = t;
        return true;
    }
    if (denom < 0) {
        double t = num / denom;
        if (t < tE)
            return false;
        if (tE < t && t < tL)
            tL = t;
        return true;
    }
    return !(num > 0);
}

void clipping(double& x0, double& y0, double& z0, double& x1, double& y1, double& z1,
              double& zmin, bool& accept)
{
    accept = false;
    double dx = x1 - x0, dy = y1 - y0, dz = z1 - z0;
    double tE = 0.0, tL = 1.0;

    if (!CLIPt(-dx - dz, x0 + z0, tE, tL))      // x <= -z
        return;
    if (!CLIPt(dx - dz, z0 - x0, tE, tL))       // x >= z
        return;
    if (!CLIPt(dy - dz, z0 - y0, tE, tL))       // y >= z
        return;
    if (!CLIPt(-dy - dz, y0 + z0, tE, tL))      // y <= -z
        return;
    if (!CLIPt(-dz, z0 - zmin, tE, tL))         // z <= zmin
        return;
    if (!CLIPt(dz, -1.0 - z0, tE, tL))          // z >= -1
        return;

    accept = true;
    // The end point is moved first, from the start point as it was.
    if (tL < 1) {
        x1 = x0 + tL * dx;
        y1 = y0 + tL * dy;
        z1 = z0 + tL * dz;
    }
    if (tE > 0) {
        x0 = x0 + tE * dx;
        y0 = y0 + tE * dy;
        z0 = z0 + tE * dz;
    }
}

// ---- random deviates ----

double U_to_N()
{
    const double r1 = std::rand();
    const double r2 = std::rand();
    const double u1 = (r1 + 1.0) * 4.656612873077393e-10;
    const double u2 = (r2 + 1.0) * 4.656612873077393e-10;
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * 3.14159265 * u2);
}

namespace {
// The second deviate of the last Box-Muller pair of randn_trig.
bool deviateAvailable = false;
float storedDeviate = 0.0f;
}

namespace numeric_detail {

double randn_trig_from(int (*draw)(), double mu, double sigma)
{
    if (deviateAvailable) {
        deviateAvailable = false;
        return mu + sigma * static_cast<double>(storedDeviate);
    }
    // ln(0) would make both deviates of the pair infinite.
    int first = draw();
    while (first == 0)
        first = draw();
    const double r = std::sqrt(-2.0 * std::log(first / 2147483647.0));
    const double theta = (draw() / 2147483647.0) * 6.283185307179586;
    storedDeviate = static_cast<float>(r * std::cos(theta));
    deviateAvailable = true;
    return mu + sigma * r * std::sin(theta);
}

void randn_trig_reset()
{
    deviateAvailable = false;
    storedDeviate = 0.0f;
}

}

double randn_trig(double mu, double sigma)
{
    return numeric_detail::randn_trig_from(&std::rand, mu, sigma);
}

double randn_notrig(double mu, double sigma)
{
    // The polar method yields two deviates; the second waits for the next call,
    // rounded to float.
    static bool deviateAvailable = false;
    static float storedDeviate;

    if (deviateAvailable) {
        deviateAvailable = false;
        return mu + sigma * static_cast<double>(storedDeviate);
    }
    double p, q, s;
    do {
        p = 2.0 * rand() / 2147483647.0 - 1.0;
        q = 2.0 * rand() / 2147483647.0 - 1.0;
        s = p * p + q * q;
    } while (s >= 1.0 || s == 0.0);
    double f = std::sqrt(-2.0 * std::log(s) / s);
    storedDeviate = static_cast<float>(p * f);
    deviateAvailable = true;
    return mu + sigma * q * f;
}
