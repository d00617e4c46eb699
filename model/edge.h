#ifndef VANTU_MODEL_EDGE_H
#define VANTU_MODEL_EDGE_H

struct point3D;
struct cell;
struct interpair;

// One side of a cell between two consecutive boundary vertices, running p1 -> p2
// counter-clockwise along the ring. Owned by the engine (dbReader::edges).
struct edge {
    // Values of `bonded`.
    static constexpr unsigned char BONDED = 1;
    static constexpr unsigned char FREE = 0;

    // What walks along a ring read (up to the normal) comes first, in 64 bytes.
    int id;                         // index in dbReader::edges
    unsigned char bonded = FREE;    // 1 welded to partner within pair, 0 free boundary
    unsigned char in_use = 1;       // 1 while the edge is a side of its cell
    unsigned char selected = 0;     // view highlight
    point3D* p1;                    // start vertex
    point3D* p2;                    // end vertex
    struct cell* cell;              // owner cell; null until a cell lists the edge
    edge* partner = nullptr;        // welded edge of the neighbour while bonded; null = none
    interpair* pair = nullptr;      // contact the weld belongs to while bonded; null = none
    double normal[2] = {0.0, 0.0};  // unnormalised outward normal (p2.y - p1.y, p1.x - p2.x)
    double coupling_sm[2][2] = {{0.0, 0.0}, {0.0, 0.0}};  // last off-diagonal block between the end nodes
    double virtual_sm[6][6] = {};   // stiffness of the virtual triangle (p1, p2, apex), row-major
    double soften_sm[6][6] = {};    // stiffness of the softened virtual triangle, row-major

    edge(int id, point3D* p1, point3D* p2, struct cell* c);
    ~edge();

    double getlength();
    // k = 0: p2.y - p1.y; k = 1: p1.x - p2.x; otherwise 0.
    double getnormal(int k);
    // Whether the boundary folds at this edge.
    bool edge_twist();
    // Whether (x, y) lies outside the cell across this edge (by at least 1e-11).
    bool judge_vert_out_side(double x, double y);
    // Stiffness operations of the mechanics stage.
    void set_virtual_stiffness_matrix();
    void set_soften_stiffness_matrix();
};

#endif
