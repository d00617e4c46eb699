// Weighted incremental Delaunay triangulation in the plane.
//
// Points go in one at a time. Each insertion walks the history of replaced
// triangles from the root to the leaf holding the point, splits that leaf
// (or, for a point on an edge, the two triangles sharing the edge) and then
// restores the Delaunay property by edge flips. The flip test is the plain
// circumcircle test; the vertex weights only enter the power centres and
// weighted edge midpoints stored in the records, which the alpha complex and
// the inner mesher read.
//
// The triangulation is a short-lived working object: build it, insert,
// read its triangles (or build a CComplex from it), delete it. Nothing is
// ever removed before the destructor: replaced triangles and half-edges stay
// in the lists, flagged.
#ifndef VANTU_GEOMETRY_CD3DW_H
#define VANTU_GEOMETRY_CD3DW_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

struct point3D;
struct CCell;
class C1Simplex;
class C2Simplex;

// A vertex of the triangulation.
struct CXYZW {
    // Id of the first bounding vertex; the others are -2 and -3.
    static constexpr int BOUNDING_ID = -1;

    double x = 0.0;            // position
    double y = 0.0;
    double z = 0.0;            // weight, used as a radius: power of q is |q - v|^2 - z^2
    int id = 0;                // caller's id; negative exactly for the bounding vertices
    uint8_t flag = 0;          // 0 at creation; no other use
    void* data = nullptr;      // payload of CD3DW::add (not owned); null when none
    point3D* point = nullptr;  // payload of CD3DW::add_resample (not owned); null when none

    bool is_bounding() const { return id < 0; }
};

// A half-edge. Each undirected edge is two half-edges that are each other's twin.
struct CEdge {
    static constexpr uint8_t FLAG_QUEUED = 1;    // on the flip stack
    static constexpr uint8_t FLAG_EXCLUDED = 2;  // no longer part of the triangulation

    CXYZW* org = nullptr;       // origin
    CXYZW* dest = nullptr;      // destination
    CCell* face = nullptr;      // triangle whose edge list holds this half-edge
    CEdge* twin = nullptr;      // opposite half-edge (dest to org)
    CEdge* next = nullptr;      // next half-edge around the same triangle
    CEdge* rot = nullptr;       // twin of the preceding half-edge of the triangle (same origin)
    uint8_t flags = 0;          // FLAG_QUEUED | FLAG_EXCLUDED
    uint8_t mark = 0;           // 0 at creation; no other use
    double center_x = 0.0;      // weighted midpoint (set_center)
    double center_y = 0.0;
    double radius = -10.0;      // -10.0 until the alpha complex raises it
    C1Simplex* edge_simplex = nullptr;  // set by the alpha complex; null otherwise
    C2Simplex* face_simplex = nullptr;  // set by the alpha complex; null otherwise

    // The point of the segment whose power distances to both ends are equal.
    void set_center();
};

// A triangle of the triangulation (not a tissue cell).
struct CCell {
    // The corners and the children come first and together: the walk down
    // the history reads only these.
    CXYZW* vertex[3] = {nullptr, nullptr, nullptr};  // corners; edge i runs from corner i to i+1
    CCell* child[3] = {nullptr, nullptr, nullptr};   // triangles that replaced it; null while current
    CEdge* edge[3] = {nullptr, nullptr, nullptr};    // half-edges; edge[i]->next == edge[(i+1)%3]
    double center_x = 0.0;     // power centre
    double center_y = 0.0;
    double radius2 = 0.0;      // squared distance from the power centre to corner 0, or -10.0
    uint8_t alive = 1;         // 1 while current (add_interior also clears it near the bounding box)
    int32_t outside = 1;       // 0 once add_interior judged it inside the tissue cell

    // Power centre and radius2 from the three corners.
    void set_center();
    // Whether a triangle of boundary vertices lies inside its tissue cell
    // (used after add_interior); defined with the inner mesher.
    bool inside_complex();
    bool has_bounding_vertex() const
    {
        return vertex[0]->is_bounding() || vertex[1]->is_bounding() || vertex[2]->is_bounding();
    }
};

class CD3DW {
public:
    // rect = {xmin, ymin, xmax, ymax}; points must lie strictly inside it.
    explicit CD3DW(double* rect);
    ~CD3DW();
    CD3DW(const CD3DW&) = delete;
    CD3DW& operator=(const CD3DW&) = delete;

    // Insert a vertex; radius2 of new triangles is -10.0.
    void add(double x, double y, double z, int id, void* data);
    // Insert a vertex carrying a tissue point; radius2 of new triangles is computed.
    void add_resample(double x, double y, double z, int id, point3D* point);
    // Flip the edge of e and its twin (only called from the insertion's flip loop).
    void flip(CEdge* e);
    void flip_resample(CEdge* e);

    // Refinement of a cell's boundary triangulation into its inner mesh;
    // defined with the inner mesher.
    void add_interior(double h);
    void add_interior_debug(double h);

    std::vector<CEdge*> edges;        // every half-edge ever made, in creation order
    std::vector<CXYZW*> vertices;     // every inserted vertex, in insertion order
    std::vector<CCell*> cells;        // every triangle ever made; cells[0] is the root
    std::vector<CEdge*> flip_stack;   // half-edges still to be tested (last in, first out)
    CXYZW* bound[3] = {nullptr, nullptr, nullptr};  // bounding vertices

private:
    // Storage of the records: blocks of growing size, released whole by the
    // destructor. The records are trivially destructible, and records made
    // together (the children of one split) sit together, which keeps the walk
    // down the history in cache.
    template <class T>
    class Pool {
    public:
        Pool() = default;
        Pool(const Pool&) = delete;
        Pool& operator=(const Pool&) = delete;
        ~Pool()
        {
            for (T* b : blocks)
                ::operator delete(b);
        }
        T* make()
        {
            if (used == capacity) {
                capacity = capacity ? (capacity < 65536 ? capacity * 2 : capacity) : 64;
                blocks.push_back(static_cast<T*>(::operator new(capacity * sizeof(T))));
                used = 0;
            }
            return new (blocks.back() + used++) T;
        }

    private:
        std::vector<T*> blocks;
        size_t used = 0;
        size_t capacity = 0;
    };

    Pool<CXYZW> vertex_pool;
    Pool<CEdge> edge_pool;
    Pool<CCell> cell_pool;

    void insert(CXYZW* v, bool resample);
    CCell* locate(const CXYZW* p) const;
    void split_inside(CCell* T, CXYZW* p, bool resample);
    void split_edge(CEdge* e, CXYZW* p, bool resample);
    void flip_edge(CEdge* e, bool resample);
    CEdge* make_pair(CXYZW* a, CXYZW* b);
    CCell* make_cell(CEdge* e0, CEdge* e1, CEdge* e2, bool resample);
    void push(CEdge* e);
    // The shared refinement of add_interior and add_interior_debug.
    void refine(double h, double threshold, int max_points, bool debug);
};

#endif
