#ifndef VANTU_MODEL_DBREADER_H
#define VANTU_MODEL_DBREADER_H

#include <QString>
#include <vector>

#include "model/cell.h"
#include "model/contact.h"
#include "model/edge.h"
#include "model/mesh.h"
#include "model/point3d.h"
#include "model/view_volume.h"

class CComplex;
class RT3D;
class Biology;

// The engine object: owns the whole tissue (every vertex, edge, cell, contact
// pair and junction node ever created, in append-only lists whose index is the
// record's id), the neighbour complex, the R-tree, the behaviour model and the
// viewing record, and holds every simulation stage as a member function. The
// stages live in the folders of their subsystems.
//
// Step result: a stage that can fail returns STEP_OK (-1), or the index (>= 0)
// of the cell or pair at fault with the text in `message` ("ERROR: ...").
class dbReader {
public:
    // Values of `collision_state`.
    static constexpr int COLLISION_INITIAL = 0;
    static constexpr int COLLISION_ESTABLISHED = 1;
    // Values of `mech_mode`; every value other than 0 and 2 behaves like MECH_MODEL.
    static constexpr int MECH_GROW = 0;
    static constexpr int MECH_MODEL = 1;
    static constexpr int MECH_RELAX = 2;
    // Result of a stage that succeeded.
    static constexpr int STEP_OK = -1;

    int collision_state = COLLISION_INITIAL;  // initial contact pass pending (0) or contacts established (1)
    viewVolume* view_volume = nullptr;        // viewing record; owned
    std::vector<point3D*> points;             // every boundary vertex, dead ones included; owned
    std::vector<edge*> edges;                 // every boundary edge, unused ones included; owned
    std::vector<cell*> cells;                 // every cell, dead ones included; owned
    CComplex* alpha_complex = nullptr;        // neighbour complex of a fresh Center-based tissue; owned; null = none
    RT3D* rtree = nullptr;                    // R-tree of live cell boxes; owned; null = none
    std::vector<interpair*> interpairs;       // every contact pair, removed ones included; owned
    std::vector<node*> nodes;                 // every junction node, dead ones included; owned
    std::vector<double> migrate_angles;       // one angle (degrees) per migration decision (log)
    std::vector<double> division_log;         // centre x, y, step, 1.0 per division (log)
    int overlap_removals = 0;                 // cells removed during the edge stage's last phase, by it or by a response it gave (count)
    int read_option = 3;                      // option digit of the engine-side reader
    int mech_mode = MECH_MODEL;               // mechanism mode of the behaviour stage
    double bounds[4] = {100000.0, 100000.0, -100000.0, -100000.0};  // working rectangle: min x, min y, max x, max y
    bool ready = true;                        // false while a tissue is being built in (or torn down)
    QString message;                          // text of the last stage failure
    Biology* biology = nullptr;               // behaviour model; owned

    dbReader();
    ~dbReader();
    dbReader(const dbReader&) = delete;
    dbReader& operator=(const dbReader&) = delete;

    viewVolume* getViewVolume();

    // Geometry and meshing.
    void r_tree_construction(double* rect);
    void delaunay_triangulation(double* rect);
    void cell_interior_resample(cell* c, int step);
    void cell_mesh_generation(int step);

    // Mechanics.
    int cell_dynamic_FEM(int step);
    void cell_simple_relaxation(cell* c, int step);
    bool cell_self_collision(cell* c, int step);
    int migrating_cell_rear(cell* c, int, int step);
    int cell_friction_response(cell* c, int step);
    void cell_death_correction();
    void cell_death_response(cell* c);
    // The unwelding responses: STEP_OK, or the index of the cell at fault
    // with `message` set; the step ends right after a response that fails.
    int edge_response_b0(edge* e);
    int edge_response_b1(edge* e);
    int point_response_b0(point3D* p);
    int point_response_b1(point3D* p);
    int point_response_b2(point3D* p);

    // Pairwise contact and topology corrections.
    int detect_collision(int step);
    void collision_response(interpair* pair);
    void collision_refresh_initial();
    void collision_refresh(interpair* pair);
    int intersection_type(point3D* P, point3D* Q);
    void collision_candidate(interpair* pair, std::vector<point3D*>& S, std::vector<point3D*>& T);
    void boundary_merge_2(point3D* P1, point3D* P2, point3D* Q1, point3D* Q2);
    void node_merge(point3D* p, point3D* q);
    void node_remove_0(point3D* p);
    void node_remove_1(point3D* p);
    int edge_response_m(edge* e);
    int edge_response_d(edge* e);
    int pick_correction(point3D* p);
    int cell_edge_response(int step);
    int cell_pick_response(int step);
    void cell_angle_response();

    // Multi-cell contact.
    int collision_response_m2(interpair* pair, int step, int pass, int first_pair_id);
    int collision_response_m3(interpair* p, interpair* q, int step, int pass, int first_pair_id);
    int collision_candidate2(interpair* pair, std::vector<point3D*>& S, std::vector<point3D*>& T);
    void boundary_merge_3(point3D* a, point3D* b, point3D* c, point3D* d, int);
    void boundary_merge_4(point3D* a, point3D* b, point3D* c, point3D* d, int);
    void boundary_merge_refresh(point3D* a, point3D* b, point3D* c, point3D* d);

    // Alternative two-cell merging.
    void collision_response_m(interpair* pair);
    void boundary_merge_0(point3D* S1, point3D* S2, point3D* T1, point3D* T2, int pair_id);
    void boundary_merge_1(point3D* a, point3D* b, point3D* c, point3D* d, int pair_id);
    void boundary_merge_2_refresh(point3D** a, point3D** b, point3D** c, point3D** d, cell* own, cell* other);
    int boundary_merge_2_check(interpair* pair, cell* own, cell* other, point3D* p, point3D* q,
                               point3D** first, point3D** second);

    // Biology and behaviours.
    int cell_setupbiobehaviors(int step);
    // -1 whether the cell divided or stayed whole (the cell count tells);
    // the parent's index with `message` set when its ring is broken or one of
    // its weld records does not fit the rings (nothing changed then).
    int cell_division(cell* parent, int step, int parentType, int daughterType, double angle);
    void cell_migrate_response_0(cell* c, double angle, std::vector<int>* degradable, double force);
    void cell_migrate_response_1(cell* c, double angle, std::vector<int>* degradable, double force);
    cell* cell_migrate_angle(cell* c, double angle);
    double cell_distance(cell* a, cell* b);

    // Tissue file.
    void read(const QString& options, const QString& fileName, int step);
    void node_test();
};

// Deletes the engine that `holder` names after clearing `holder`, so that no
// handler reached through the teardown's event processing finds a half-freed
// engine behind the holder's pointer. A null holder is left alone.
void releaseEngine(dbReader*& holder);

#endif
