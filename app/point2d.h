#ifndef VANTU_APP_POINT2D_H
#define VANTU_APP_POINT2D_H

// A centre handed to the view's point-drawing routines, in projection units.
struct point2D {
    double x = 0.0;
    double y = 0.0;
};

#endif
