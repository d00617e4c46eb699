// The crossing walk shared by the searches that look for the place where two
// cell boundaries cross: an outer loop over one ring and, for each of its
// vertices, an inner loop over the other ring, both ending as soon as the
// test records something. Both loops test their stop vertex before each
// step, so a loop that starts at its stop makes no test, and both are bounded
// by their ring's length: a stop that is never met is a broken ring, not an
// endless walk.
#ifndef VANTU_CONTACT_CROSSING_WALK_H
#define VANTU_CONTACT_CROSSING_WALK_H

#include "contact/welding.h"

namespace welding {

// test(outer, inner) returns true when it recorded a crossing. False when a
// loop did not meet its stop within its ring's bound.
template <class Test>
bool crossing_walk(point3D* outerStart, point3D* outerStop, bool outerBack, point3D* innerStart,
                   point3D* innerStop, bool innerBack, Test test)
{
    if (!outerStart || !innerStart)
        return false;
    const int outerBound = ring_bound(cell_of(outerStart));
    const int innerBound = ring_bound(cell_of(innerStart));
    int outerSteps = 0;
    for (point3D* x = outerStart; x != outerStop; x = outerBack ? x->prev : x->next) {
        if (!x || ++outerSteps > outerBound)
            return false;
        int innerSteps = 0;
        for (point3D* y = innerStart; y != innerStop; y = innerBack ? y->prev : y->next) {
            if (!y || ++innerSteps > innerBound)
                return false;
            if (test(x, y))
                return true;
        }
    }
    return true;
}

} // namespace welding

#endif
