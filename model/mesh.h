#ifndef VANTU_MODEL_MESH_H
#define VANTU_MODEL_MESH_H

struct point3D;

// Records of the inner finite-element mesh and its assembly.

// One element of a cell's inner mesh; owned by the cell (cell::inner_t).
struct triangle {
    int id;                          // running number within the cell's mesh
    point3D* a;                      // vertices (boundary vertices or inner points of the cell); not owned
    point3D* b;
    point3D* c;
    double radius2 = 0.0;            // squared power radius of the triangulation triangle
    double center_x = 0.0;           // power centre of the triangulation triangle
    double center_y = 0.0;
    double mu = 0.0;                 // the cell's Lame mu when the mesh was built
    double lambda = 0.0;             // the cell's Lame lambda when the mesh was built
    unsigned char ear = 0;           // 1 when a, b, c are consecutive boundary vertices
    double sm[6][6] = {};            // element stiffness over a.x, a.y, b.x, b.y, c.x, c.y; row-major

    triangle(int id, point3D* a, point3D* b, point3D* c);
    ~triangle();

    // Constant-strain element stiffness of the mechanics stage.
    void set_Stiffness_matrix();
};

// A 2x2 coupling block between the unknowns of two carriers, alive during one
// run of the mechanics stage, which owns it.
struct le_sm {
    int id;                                        // length of a's node_sm before this block was added
    point3D* a = nullptr;                          // first carrier (rows of k_ab)
    point3D* b = nullptr;                          // second carrier (columns of k_ab)
    double k_ab[2][2] = {{0.0, 0.0}, {0.0, 0.0}};  // coupling of a's unknowns with b's
    double k_ba[2][2] = {{0.0, 0.0}, {0.0, 0.0}};  // its transpose

    explicit le_sm(int id);
    ~le_sm();
};

#endif
