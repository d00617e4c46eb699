#include "editors/relation_geometry.h"

#include <cmath>

namespace relations {

namespace {
constexpr int kSynthesisKind = 4;  // Link::SYNTHESIS
}

ArrowGeometry arrowGeometry(const QPointF& F, const QPointF& T, double hw, double hh, int kind)
{
    ArrowGeometry g;
    const double dx = std::fabs(F.x() - T.x());
    const double dy = std::fabs(T.y() - F.y());

    // The two candidate end points: the middle of the side facing F, and the
    // middle of the top or bottom facing F.
    const QPointF side = T.x() > F.x() ? QPointF(T.x() - hw, T.y()) : QPointF(T.x() + hw, T.y());
    const QPointF vertical = F.y() > T.y() ? QPointF(T.x(), T.y() + hh) : QPointF(T.x(), T.y() - hh);

    if (kind == kSynthesisKind) {
        g.end = dx <= dy ? vertical : side;
    } else if (F.y() > T.y()) {
        g.end = F.y() >= T.y() + hh ? vertical : side;
    } else {
        g.end = F.y() <= T.y() - hh ? vertical : side;
    }
    const QPointF& E = g.end;

    g.control1 = T.x() > F.x() ? QPointF(F.x() + dx / 2, F.y()) : QPointF(F.x() - dx / 2, F.y());
    g.control2 = F.y() > T.y() ? QPointF(E.x(), E.y() + dy / 2) : QPointF(E.x(), E.y() - dy / 2);
    if (kind == kSynthesisKind) {
        const QPointF middle(E.x() / 2 + F.x() / 2, E.y() / 2 + F.y() / 2);
        g.control1 = middle;
        g.control2 = middle;
    }

    // The head looks back from the tip toward Q = (control1 + 7 control2) / 8,
    // its wings turned about 20 degrees to each side and about 10 long.
    const QPointF& c1 = g.control1;
    const QPointF& c2 = g.control2;
    const QPointF Q(((c1.x() / 2 + c2.x() / 2) / 2 + c2.x() / 2) / 2 + c2.x() / 2,
                    ((c1.y() / 2 + c2.y() / 2) / 2 + c2.y() / 2) / 2 + c2.y() / 2);
    const QPointF u = Q - E;
    const double len = std::hypot(u.x(), u.y());
    QPointF A = E;
    QPointF B = E;
    if (len > 0) {
        A = E + 10 * QPointF(0.939 * u.x() - 0.342 * u.y(), 0.342 * u.x() + 0.939 * u.y()) / len;
        B = E + 10 * QPointF(0.939 * u.x() + 0.342 * u.y(), -0.342 * u.x() + 0.939 * u.y()) / len;
    }
    g.head << E << A << B;
    return g;
}

CurveGeometry curveGeometry(const QPointF& F, const QPointF& E)
{
    CurveGeometry g;
    const double dx = std::fabs(F.x() - E.x());
    const double dy = std::fabs(E.y() - F.y());
    g.control1 = E.x() > F.x() ? QPointF(F.x() + dx / 2, F.y()) : QPointF(F.x() - dx / 2, F.y());
    g.control2 = F.y() > E.y() ? QPointF(E.x(), E.y() + dy / 2) : QPointF(E.x(), E.y() - dy / 2);
    return g;
}

}
