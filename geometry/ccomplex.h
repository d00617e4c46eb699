// Alpha complex of a weighted Delaunay triangulation.
//
// The complex lists the triangles and the edges of a CD3DW that do not touch
// the bounding triangle, each with a filtration value of the alpha-complex
// kind. The engine builds it from the cell centres (weighted by the cell
// radii) and the first contact pass reads its edges as the pairs of
// neighbouring cells. The simplices point into the triangulation they were
// made from; once that is deleted only size(), alpha, the centres and the ids
// may be read.
#ifndef VANTU_GEOMETRY_CCOMPLEX_H
#define VANTU_GEOMETRY_CCOMPLEX_H

#include <vector>

#include "geometry/cd3dw.h"

class CSimplex {
public:
    virtual CXYZW* operator[](int i) = 0;  // vertex i, or null outside 0 .. size() - 1
    virtual int size() = 0;                // number of vertices (1, 2 or 3)
    virtual ~CSimplex() = default;

    double alpha = 0.0;          // filtration value
    double center_x = 0.0;       // triangle: power centre; edge: weighted midpoint
    double center_y = 0.0;
    CEdge* generator = nullptr;  // the half-edge the simplex was made from
};

// A vertex simplex; part of the family, never created by the complex.
class C0Simplex : public CSimplex {
public:
    CXYZW* operator[](int i) override { return i == 0 ? vertex : nullptr; }
    int size() override { return 1; }

    CXYZW* vertex = nullptr;  // the vertex
    int id = 0;               // its CXYZW::id
};

// An edge simplex.
class C1Simplex : public CSimplex {
public:
    CXYZW* operator[](int i) override { return i >= 0 && i < 2 ? vertex[i] : nullptr; }
    int size() override { return 2; }
    // alpha = max(signed root of the power of the centre to vertex 0, alpha).
    void geometry();

    CXYZW* vertex[2] = {nullptr, nullptr};  // generator's origin and destination
    int id[2] = {0, 0};                     // their CXYZW::id (1-based cell numbers on the neighbour path)
};

// A triangle simplex.
class C2Simplex : public CSimplex {
public:
    CXYZW* operator[](int i) override { return i >= 0 && i < 3 ? vertex[i] : nullptr; }
    int size() override { return 3; }
    // Computes alpha and raises the radius of the edges it is attached to.
    void geometry();

    CXYZW* vertex[3] = {nullptr, nullptr, nullptr};  // generator's origin, destination, third vertex
    int id[3] = {0, 0, 0};                           // their CXYZW::id
};

class CComplex {
public:
    explicit CComplex(CD3DW* d);
    ~CComplex();
    CComplex(const CComplex&) = delete;
    CComplex& operator=(const CComplex&) = delete;

    // Inserts s keeping the list in ascending order of alpha.
    void sort(CSimplex* s);

    std::vector<CSimplex*> simplices;  // owned: triangles first, then edges
};

#endif
