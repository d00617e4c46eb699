#ifndef VANTU_GEOMETRY_RTREE_H
#define VANTU_GEOMETRY_RTREE_H

// The R-tree of the cells' bounding boxes, used to pick cells with the mouse.
// Two-dimensional despite its name. Nodes hold at most three entries; a full
// node takes a fourth by a quadratic split two-and-two on dead space
// (area_d). The engine never updates a tree: it throws it away and builds a
// new one after every tick and every load.

#include <vector>

struct cell;

// One node of the tree: a leaf holds cell entries, an internal node children.
struct r_tree {
    static constexpr int EMPTY_SLOT = -1;

    explicit r_tree(int id);

    int id;                      // node number: 1 for the first root, then counting up
    double xmin, ymin, xmax, ymax; // box covering everything below (never read on the root)
    bool is_root;                // set only on the current root
    bool is_bottom;              // set on leaves
    r_tree* parent;              // null for the root
    r_tree* child[3];            // children in slot order; null = empty slot
    int cell_id[3];              // leaf entries: cell index; EMPTY_SLOT = empty
    double cell_box[3][4];       // leaf entries: box (xmin, ymin, xmax, ymax) at insertion
};

// The tree; it owns every node.
struct RT3D {
    // An empty root leaf with box rect = (xmin, ymin, xmax, ymax).
    explicit RT3D(double* rect);
    ~RT3D();
    RT3D(const RT3D&) = delete;
    RT3D& operator=(const RT3D&) = delete;

    // Frees every node; the root is left null, so the tree is empty and may
    // be destroyed (or cleaned up again) safely.
    void cleanup();
    // Deletes node and everything below it; null does nothing.
    void free_leaf(r_tree* node);

    // Inserts a cell with its current box; returns the leaf that took it
    // (null for a cell without extreme vertices, which is not indexed).
    r_tree* insert_leaf(cell* c);
    // Inserts entry id with box (xmin, ymin, xmax, ymax); the cell overload
    // delegates here.
    r_tree* insert_leaf(int id, const double box[4]);
    // The leaf that should take the box: least enlargement, descending from the root.
    r_tree* choose_leaf(double xmin, double ymin, double xmax, double ymax);
    // Splits a full leaf plus a new cell (or entry) in two.
    void split_bottom_leaf(r_tree* leaf, cell* c);
    void split_bottom_leaf(r_tree* leaf, int id, const double box[4]);
    // Splits a full internal node plus a new child in two, repeating upward.
    void split_leaf(r_tree* node, r_tree* newChild);

    // Append the ids of the cells whose entry box passes the test; `out` is
    // not cleared.
    void search_point(double x, double y, std::vector<int>& out);
    void search_rectangle(double xmin, double ymin, double xmax, double ymax, std::vector<int>& out);
    void search_ellipse(double cx, double cy, double a, double b, std::vector<int>& out);

    // Diagnostics.
    // Grows node and its ancestors (not the root) to cover the box.
    void adjust_leaf(r_tree* node, double xmin, double ymin, double xmax, double ymax);
    // Box of an internal node = union of its children's boxes.
    void tight_leaf(r_tree* node);
    // Box of a leaf = union of its entries' boxes.
    void tight_bottom_leaf(r_tree* node);
    // Area enlargement of node's box by the given box.
    double locate_leaf(r_tree* node, double xmin, double ymin, double xmax, double ymax);
    // Cells are never removed from a tree; does nothing.
    void delete_leaf(cell* c);
    // Writes the tree below node to standard output.
    void print_tree(r_tree* node);
    // Reports leaves below node that hold nothing.
    void empty_test(r_tree* node);

    r_tree* root; // null only after cleanup
    int counter;  // last node id given

private:
    r_tree* split_entries(r_tree* leaf, int id, const double box[4]);
    void split_node(r_tree* node, r_tree* newChild, const double box[4]);
    void attach_sibling(r_tree* node, r_tree* sibling, const double box[4]);
};

#endif
