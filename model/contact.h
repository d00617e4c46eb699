#ifndef VANTU_MODEL_CONTACT_H
#define VANTU_MODEL_CONTACT_H

#include <vector>

struct point3D;
struct cell;
struct mergepair;

// Records that tie cells together: contacts (interpair) with their welded
// stretches (mergepair), junctions of welded vertices (node), and the rear
// records of a migrating cell (rear_fc). Identity is the address; list
// operations compare pointers and never touch the element's back-pointers.

// Two cells in contact. Owned by the engine (dbReader::interpairs); owns its
// welded stretches.
struct interpair {
    int id;                          // index in dbReader::interpairs
    cell* cell1;                     // first cell: the S ends of every stretch lie on it
    cell* cell2;                     // second cell: the T ends lie on it
    unsigned char spare_flag = 0;    // unused
    unsigned char removed = 0;       // 1 once the contact is dissolved
    double adhesion = 0.0;           // adhesion strength of the contact
    double adhesion_copy = 0.0;      // written with adhesion, never read
    unsigned char merged = 0;        // 1 when read from a file with a stretch (informational)
    std::vector<mergepair*> MP;      // welded stretches in order of addition; owned

    interpair(int id, cell* cell1, cell* cell2);
    ~interpair();
    // A copy would delete the owned stretches a second time.
    interpair(const interpair&) = delete;
    interpair& operator=(const interpair&) = delete;

    // Takes mp out of MP (first occurrence) and deletes it, listed or not.
    void remove_MP(mergepair* mp);
    // Whether the four edges beyond the ends of MP[0] are all bonded.
    bool check_detection();
};

// One welded stretch: S1 -> S2 along next on cell1, T1 -> T2 on cell2; S1 is
// welded to T2 and S2 to T1. A single welded point is (P, P, Q, Q).
struct mergepair {
    // Values of `friction_state`.
    static constexpr int FRICTION_UNSET = -1;
    static constexpr int FRICTION_CELL2 = 0;
    static constexpr int FRICTION_CELL1 = 1;

    int id;                          // creator's tag (not stored in files)
    point3D* S1;                     // first end on cell1
    point3D* S2;                     // last end on cell1
    point3D* T1;                     // first end on cell2
    point3D* T2;                     // last end on cell2
    double adhesion_load_S1 = 0.0;   // adhesion load held at each end
    double adhesion_load_S2 = 0.0;
    double adhesion_load_T1 = 0.0;
    double adhesion_load_T2 = 0.0;
    double friction1 = 0.0;          // friction load at the S1/T2 end
    double friction2 = 0.0;          // friction load at the S2/T1 end
    int friction_state = FRICTION_UNSET;  // which side last wrote the friction loads

    mergepair(int id, point3D* S1, point3D* S2, point3D* T1, point3D* T2);
    ~mergepair();
};

// A junction: boundary vertices of one or more cells welded into one point.
// Owned by the engine (dbReader::nodes); vertices[0] is the head.
struct node {
    // Values of `active`.
    static constexpr unsigned char NODE_ACTIVE = 1;
    static constexpr unsigned char NODE_DEAD = 0;

    int id;                          // index in dbReader::nodes
    int index = -1;                  // equation number of the mechanics step; -1 = not numbered
    unsigned char active = NODE_ACTIVE;  // 0 once absorbed or emptied
    unsigned char spare_flag = 0;    // unused
    std::vector<point3D*> vertices;  // welded vertices, head first; not owned

    explicit node(int id);
    ~node();

    void pushvertex(point3D* p);
    void removevertex(point3D* p);
};

// A rear filling-cell record of a migrating cell, owned by that cell.
struct rear_fc {
    int id;                          // position in the cell's filling_cells when made
    double angle = 0.0;              // migration angle (degrees) when made
    double x = 0.0;                  // centre of the migrating cell when made
    double y = 0.0;
    unsigned char self_record = 0;   // 1 on record 0, which describes the migrating cell itself
    cell* filling_cell = nullptr;    // the cell the record is about; not owned
    std::vector<cell*> NCs;          // neighbour cells of filling_cell when made; not owned

    explicit rear_fc(int id);
    ~rear_fc();

    void push_NCs(cell* c);
    void remove_NCs(cell* c);
    void clear_NCs();
};

#endif
