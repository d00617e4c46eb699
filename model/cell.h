#ifndef VANTU_MODEL_CELL_H
#define VANTU_MODEL_CELL_H

#include <QString>
#include <vector>

struct point3D;
struct edge;
struct triangle;
struct interpair;
struct rear_fc;

// One cell of the tissue: a closed counter-clockwise ring of boundary edges with
// an inner triangle mesh, per-type parameters copied from the global tables, its
// contacts, and the state of its behaviour and migration. A cell owns its inner
// triangles, inner points, slip points and rear records; sides and pairs belong
// to the engine.
struct cell {
    // Values of `behavior` (also the index of `behavior_steps`).
    static constexpr int NO_BEHAVIOR = 0;
    static constexpr int QUIESCENCE = 1;
    static constexpr int PROLIFERATION = 2;
    static constexpr int APOPTOSIS = 3;
    static constexpr int MIGRATION = 4;

    int id;                              // index in dbReader::cells
    double radius = 0.0;                 // disc radius (weight in the neighbour complex)
    double center[2] = {0.0, 0.0};       // cell centre (x, y)
    point3D* AABB_xmin = nullptr;        // boundary vertex of smallest x; null = not computed
    point3D* AABB_ymin = nullptr;        // boundary vertex of smallest y
    point3D* AABB_xmax = nullptr;        // boundary vertex of largest x
    point3D* AABB_ymax = nullptr;        // boundary vertex of largest y
    unsigned char burry = 0;             // 1 when every side is bonded
    unsigned char circle = 1;            // 1 when no pair holds a welded stretch
    unsigned char dead = 0;              // left the tissue; stays in dbReader::cells
    unsigned char dying = 0;             // to be removed at the next death stage
    unsigned char keep_growth_rate = 0;  // 1 keeps growth_rate across steps
    unsigned char migrating = 0;         // migrates in the current step
    unsigned char migrate_relax = 0;     // migration relaxation pending this step
    unsigned char migrate_relaxed = 0;   // migration relaxation done this step (informational)
    unsigned char has_pull = 0;          // a positive adhesion force arrived (informational)
    unsigned char has_cue = 0;           // a mechanical cue arrived this step
    double pull_force[2] = {0.0, 0.0};   // sum of positive adhesion forces of the step
    double cue_force[2] = {0.0, 0.0};    // sum of transmitted cue forces of the step
    double cue_angle = -1.0;             // degrees of the last cue; -1.0 = none
    int migrate_responded = 0;           // 1 after a migration response moved the front this step
    unsigned char driven = 0;            // externally driven cell (from the tissue file only)
    unsigned char relax_skip = 0;        // leave out the pressure term in the displacement relaxation
    int growth_sign = 0;                 // sign of growth_rate (informational)
    std::vector<int> species;            // copy numbers of the signalling species, 20 entries at start
    int behavior = NO_BEHAVIOR;          // current behaviour code
    int behavior_steps[5] = {0, 0, 0, 0, 0};  // steps spent in each behaviour
    std::vector<edge*> sides;            // boundary edges in ring order (engine's edges)
    std::vector<triangle*> inner_t;      // inner mesh triangles; owned
    std::vector<point3D*> inner_p;       // inner mesh points; owned
    std::vector<point3D*> inner_p_slip;  // slip points at ear centroids; owned
    int inner_p_count = 0;               // size of inner_p after the last re-mesh (informational)
    double area = 0.0;                   // polygon area (>= 0)
    double area_history[10] = {};        // earlier areas, newest first
    double target_area = 0.0;            // area the cell grows or shrinks towards
    double tension = 0.0;                // boundary spring constant of the relaxation
    double pressure = 0.0;               // normal pressure of the relaxation
    double mass = 0.0;                   // damping of the relaxation
    int cell_type = 0;                   // cell-type index (0..19)
    QString cell_type_name;              // name of the cell type
    int migrate_mechanism = 0;           // MigrationMechanism code (never read)
    int birth_step = 0;                  // step of creation or last division (informational)
    double color[3] = {0.0, 0.0, 0.0};   // display colour R, G, B in [0, 1)
    double unit_factors[3] = {1.0, 1.0, 1.0};  // informational
    double mu = 0.0;                     // Lame constant mu
    double lambda = 0.0;                 // Lame constant lambda
    double growth_rate = 0.0;            // outward growth drive of the mechanics step
    std::vector<interpair*> pairs;       // contacts of the cell (engine's pairs)
    unsigned char remesh = 0;            // inner mesh must be rebuilt
    double migrate_angle = 0.0;          // migration direction (degrees)
    point3D* front_first = nullptr;      // first vertex of the leading front; null = none
    point3D* front_last = nullptr;       // last vertex of the leading front; null = none
    std::vector<rear_fc*> filling_cells; // rear records of a migrating cell; owned
    unsigned char migrated = 0;          // a migration has started once (migrate_origin recorded)
    int migrate_count = 0;               // migrations started (informational)
    double migrate_path_length = 0.0;    // centre path while migration-relaxing (informational)
    double migrate_origin[2] = {0.0, 0.0};  // centre at the first migration start (informational)
    double reserved = -1.0;              // never read
    double path_length = 0.0;            // centre path over every persistence update (informational)
    unsigned char selected = 0;          // picked in the view

    explicit cell(int id);
    ~cell();
    // A copy would delete the owned mesh and rear records a second time; a
    // move hands them over and leaves the source's lists empty.
    cell(const cell&) = delete;
    cell& operator=(const cell&) = delete;
    cell(cell&&) = default;

    // Types the cell from the global tables and re-sets the adhesion of its live pairs.
    void set_cell_type(int t);
    void set_cell_type_name(QString name);
    void set_migrate_mechanism(int m);
    void setup_Circle();
    void setup_Burry();
    // Area enclosed by the ring: positive when it runs counter-clockwise,
    // negative when clockwise (shoelace sum over the sides, in any order).
    double signed_area() const;
    void set_area();
    void center_refresh();
    void refresh_AABB();
    double shape_based_diagonal();
    double shape_based_division_angle();
    bool test_point_inside(double x, double y);
    bool test_inside_rectangle(double x1, double y1, double x2, double y2);
    bool test_inside_ellipse(double cx, double cy, double a, double b);
    // List upkeep: first occurrence removed, order kept, nothing deleted.
    void removeside(edge* e);
    void removepair(interpair* p);
    // Delete the owned mesh objects, from the back, and empty the lists.
    void clear_inner_t();
    void clear_inner_p();
    void clear_inner_p_slip();
    // Rear records: the first one about c is removed and deleted.
    void remove_filling_cell(cell* c);
    void clear_filling_cells();
    void update_migrate_persistence();
};

#endif
