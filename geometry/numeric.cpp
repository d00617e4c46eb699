#include "geometry/numeric.h"

#include <cmath>
#include <cstdlib>

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

bool pointInEllipse(double cx, double cy, double a, double b, double px, double py)
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
