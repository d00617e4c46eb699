#ifndef VANTU_EDITORS_RELATION_GEOMETRY_H
#define VANTU_EDITORS_RELATION_GEOMETRY_H

// The geometry of the relationship diagram's arrows and regulation curves,
// as free functions of positions alone, so that painting, hit testing and
// tracking compute one and the same shape, and tests can check it without a
// scene. Coordinates are scene coordinates (y grows downward).

#include <QPointF>
#include <QPolygonF>

namespace relations {

// An arrow from the centre F of its from-box to the box of half-width hw and
// half-height hh centred on T.
struct ArrowGeometry {
    QPointF end;       // E: where the arrow meets the to-box's outline
    QPointF control1;  // first control point of the cubic F -> E
    QPointF control2;  // second control point
    QPolygonF head;    // E and the two wing points, in this order
};

// kind is a Link kind: a synthesis arrow (4) enters the side facing the
// longer of the two offsets and is a straight segment; inhibit and promote
// arrows (5, 6) enter through the top or bottom unless the from-centre lies
// strictly between the to-box's top and bottom edges. When the head has no
// direction (its tip coincides with the point it looks back to) both wings
// lie on the tip.
ArrowGeometry arrowGeometry(const QPointF& F, const QPointF& T, double hw, double hh, int kind);

// A regulation curve from the centre F of its node to E, the first control
// point of the arrow it regulates.
struct CurveGeometry {
    QPointF control1;
    QPointF control2;
};
CurveGeometry curveGeometry(const QPointF& F, const QPointF& E);

}

#endif
