#ifndef VANTU_MODEL_POINT3D_H
#define VANTU_MODEL_POINT3D_H

#include <vector>

struct edge;
struct cell;
struct node;
struct triangle;
struct le_sm;

// A vertex of a cell boundary, or an inner mesh point / slip point of a cell's
// mesh. Boundary vertices belong to the engine (dbReader::points); mesh points
// belong to their cell. The record never deletes what it points to.
struct point3D {
    // Values of `alive`.
    static constexpr unsigned char VERTEX_ALIVE = 1;
    static constexpr unsigned char VERTEX_DEAD = 0;
    // Values of `boundary`.
    static constexpr unsigned char BOUNDARY_VERTEX = 1;
    static constexpr unsigned char MESH_POINT = 0;
    // Values of `force_state`.
    static constexpr int FORCE_OUTWARD = 1;
    static constexpr int FORCE_NONE = 0;
    static constexpr int FORCE_INWARD = -1;
    // Value of `node_sm_count` before any stiffness assembly.
    static constexpr int NO_NODE_SM = -10000;

    // The fields every walk along a ring reads come first, together in 64
    // bytes: a tissue of thousands of cells does not fit in cache, and each
    // further cache line a walk touches is another trip to memory.
    int id;                               // boundary vertex: index in dbReader::points; mesh point: equation number
    unsigned char alive = VERTEX_ALIVE;   // 1 on a cell boundary, 0 once it left every boundary
    unsigned char boundary = BOUNDARY_VERTEX;  // 1 boundary vertex, 0 mesh or slip point
    double x;                             // current position (world units)
    double y;
    point3D* next = nullptr;              // next vertex along the ring (counter-clockwise); null = none
    point3D* prev = nullptr;              // previous vertex along the ring; null = none
    edge* out_edge = nullptr;             // edge this -> next; its cell owns a boundary vertex; null = none
    edge* in_edge = nullptr;              // edge prev -> this; null = none
    struct node* node = nullptr;          // junction node holding this vertex; null = none yet
    std::vector<point3D*> mp;             // merge partners: welded vertices of other cells (not owned)
    struct cell* cell = nullptr;          // owner cell of a mesh point; null for boundary vertices
    double x_history[4];                  // earlier x positions, newest first
    double y_history[4];                  // earlier y positions, newest first
    unsigned char spare_flag = 0;         // unused
    double tension_next[2] = {0.0, 0.0};  // line-tension force toward next
    double pressure_out[2] = {0.0, 0.0};  // pressure force of the out_edge half
    double tension_prev[2] = {0.0, 0.0};  // line-tension force toward prev
    double pressure_in[2] = {0.0, 0.0};   // pressure force of the in_edge half
    double force[2] = {0.0, 0.0};         // applied force, consumed by the mechanics step
    double total_force[2] = {0.0, 0.0};   // sum of boundary forces at the vertex
    double pressure_increment_out[2] = {0.0, 0.0};  // normal force increment along out_edge's unit normal
    double pressure_increment_in[2] = {0.0, 0.0};   // the same along in_edge's unit normal
    double relax_displacement[2] = {0.0, 0.0};      // step of the boundary relaxation
    double diag_sm[2][2] = {{0.0, 0.0}, {0.0, 0.0}};  // diagonal 2x2 stiffness block (node head carries the node's)
    unsigned char in_node = 0;            // 1 once registered in a junction node (informational)
    unsigned char deep_inner = 0;         // mesh point with no boundary vertex in any incident triangle
    unsigned char migrate_mark = 0;       // 1 on the leading front of a migrating cell
    unsigned char overlap_mark = 0;       // 1 between two contact points of an overlap
    int force_state = FORCE_OUTWARD;      // sign of the normal force this step
    double separation_force[2] = {0.0, 0.0};  // push after an adhesion broke, consumed next step
    double adhesion_load = 0.0;           // scalar load of a glued vertex pair
    double adhesion_force[2] = {0.0, 0.0};  // adhesion force of a glued vertex
    double friction = 0.0;                // accumulated tangential load
    double internal_force[2] = {0.0, 0.0};   // internal elastic force from the first solution
    double internal_force2[2] = {0.0, 0.0};  // the same from the second solution
    double applied_force[2] = {0.0, 0.0};    // external force, consumed by the mechanics step
    double migrate_force = 0.0;           // protrusion force magnitude on a leading-edge vertex
    double growth_force = 0.0;            // extra growth drive, consumed by the mechanics step
    std::vector<triangle*> inner_at;      // incident inner-mesh triangles (owned by the cell)
    std::vector<le_sm*> node_sm;          // coupling blocks of the node headed here (owned by the mechanics step)
    int node_sm_count = NO_NODE_SM;       // length of node_sm after the last push
    int index = -1;                       // equation index (unknowns 2*index, 2*index+1); -1 = not numbered

    point3D(int id, double x, double y);
    ~point3D();

    // Total force and normal force increments from the two adjacent edges.
    void setPressure_increment();
    // Merge-partner list; the self test compares ids, the list test addresses.
    void pushmp(point3D* p);
    bool checkmp(point3D* p);
    void removemp(point3D* p);
    void clearmp();
    void clear_inner_at();
    // Angle in degrees, [0, 360), from the direction of next counter-clockwise
    // to the direction of prev: the interior angle of a counter-clockwise ring.
    double point_angle();
    void clear_node_sm();
};

#endif
