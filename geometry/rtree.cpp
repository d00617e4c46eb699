#include "geometry/rtree.h"

#include "geometry/numeric.h"
#include "model/cell.h"
#include "model/point3d.h"

#include <iostream>

// Boxes flow in at insertion: choose_leaf walks down by least enlargement;
// a leaf with room takes the entry and its ancestors grow to cover it; a full
// leaf is split with the newcomer into two leaves of two, the new sibling goes
// to the parent, and a full parent is split in turn, up to a new root.

r_tree::r_tree(int id)
    : id(id), xmin(0.0), ymin(0.0), xmax(0.0), ymax(0.0), is_root(false), is_bottom(false),
      parent(nullptr), child{nullptr, nullptr, nullptr}, cell_id{EMPTY_SLOT, EMPTY_SLOT, EMPTY_SLOT},
      cell_box{}
{
}

namespace {

// Start values of a union, so an empty union is an inverted box.
const double UNION_MIN = 100000.0;
const double UNION_MAX = -100000.0;

void grow_box(r_tree* node, const double box[4])
{
    if (box[0] < node->xmin)
        node->xmin = box[0];
    if (box[1] < node->ymin)
        node->ymin = box[1];
    if (box[2] > node->xmax)
        node->xmax = box[2];
    if (box[3] > node->ymax)
        node->ymax = box[3];
}

void set_box(double target[4], const double source[4])
{
    for (int k = 0; k < 4; k++)
        target[k] = source[k];
}

void node_box(const r_tree* node, double box[4])
{
    box[0] = node->xmin;
    box[1] = node->ymin;
    box[2] = node->xmax;
    box[3] = node->ymax;
}

// Enlargement of box a when it takes box b.
double enlargement(const double a[4], const double b[4])
{
    double xmin = a[0] < b[0] ? a[0] : b[0];
    double ymin = a[1] < b[1] ? a[1] : b[1];
    double xmax = a[2] > b[2] ? a[2] : b[2];
    double ymax = a[3] > b[3] ? a[3] : b[3];
    return (xmax - xmin) * (ymax - ymin) - (a[2] - a[0]) * (a[3] - a[1]);
}

// Quadratic split of four entries (0..2 from the full node's slots, 3 the
// newcomer) into two groups of two. keep[0] and move[0] are the seeds: the
// pair with the most dead space, the earlier pair on ties. Of the other two,
// the one with less dead space beside the first seed stays with it (the lower
// one on a tie).
struct split_plan {
    int keep[2]; // entries staying in the old node, in slot order
    int move[2]; // entries going to the new sibling, in slot order
};

split_plan plan_split(const double box[4][4])
{
    static const int pairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
    double d[4][4];
    for (const auto& p : pairs) {
        const double* a = box[p[0]];
        const double* b = box[p[1]];
        d[p[0]][p[1]] = d[p[1]][p[0]] = area_d(a[0], a[1], a[2], a[3], b[0], b[1], b[2], b[3]);
    }
    int best = 0;
    for (int p = 1; p < 6; p++)
        if (d[pairs[p][0]][pairs[p][1]] > d[pairs[best][0]][pairs[best][1]])
            best = p;
    const int A = pairs[best][0];
    const int S = pairs[best][1];
    int rest[2], m = 0;
    for (int i = 0; i < 4; i++)
        if (i != A && i != S)
            rest[m++] = i;
    const int R = rest[0], Q = rest[1];

    split_plan plan;
    plan.keep[0] = A;
    plan.move[0] = S;
    if (d[A][Q] >= d[A][R]) {
        plan.keep[1] = R;
        plan.move[1] = Q;
    } else {
        plan.keep[1] = Q;
        plan.move[1] = R;
    }
    return plan;
}

// LIFO stack of nodes for the searches; a tree of fan-out two or more rarely
// needs more than the fixed part, and deeper trees spill into the vector.
class node_stack {
public:
    bool empty() const { return count == 0 && spill.empty(); }
    void push(r_tree* node)
    {
        if (count < FIXED && spill.empty())
            fixed[count++] = node;
        else
            spill.push_back(node);
    }
    r_tree* pop()
    {
        if (!spill.empty()) {
            r_tree* node = spill.back();
            spill.pop_back();
            return node;
        }
        return fixed[--count];
    }

private:
    static const int FIXED = 64;
    r_tree* fixed[FIXED];
    int count = 0;
    std::vector<r_tree*> spill;
};

// Depth-first walk from the root: leaves append their passing entries in slot
// order, internal nodes push their passing children 0, 1, 2 (visited 2, 1, 0).
// The root itself is always visited, its box never tested.
template <typename BoxTest>
void search_tree(r_tree* root, BoxTest pass, std::vector<int>& out)
{
    node_stack stack;
    stack.push(root);
    while (!stack.empty()) {
        r_tree* node = stack.pop();
        if (!node)
            continue;
        if (node->is_bottom) {
            for (int s = 0; s < 3; s++) {
                const double* b = node->cell_box[s];
                if (node->cell_id[s] != r_tree::EMPTY_SLOT && pass(b[0], b[1], b[2], b[3]))
                    out.push_back(node->cell_id[s]);
            }
        } else {
            for (int s = 0; s < 3; s++) {
                r_tree* c = node->child[s];
                if (c && pass(c->xmin, c->ymin, c->xmax, c->ymax))
                    stack.push(c);
            }
        }
    }
}

} // namespace

RT3D::RT3D(double* rect) : root(new r_tree(1)), counter(1)
{
    root->is_root = true;
    root->is_bottom = true;
    root->xmin = rect[0];
    root->ymin = rect[1];
    root->xmax = rect[2];
    root->ymax = rect[3];
}

RT3D::~RT3D()
{
    free_leaf(root);
}

void RT3D::cleanup()
{
    if (root) {
        free_leaf(root);
        root = nullptr;
    }
}

void RT3D::free_leaf(r_tree* node)
{
    if (!node)
        return;
    for (int s = 0; s < 3; s++)
        free_leaf(node->child[s]);
    delete node;
}

r_tree* RT3D::choose_leaf(double xmin, double ymin, double xmax, double ymax)
{
    const double box[4] = {xmin, ymin, xmax, ymax};
    r_tree* node = root;
    if (!node)
        return nullptr;
    while (!node->is_bottom) {
        r_tree* const* c = node->child;
        if (!c[0]) {
            // Cannot arise from insertions; the node itself is the best answer left.
            std::cout << "  -> error: bottom leaf " << node->id << " has not been assigned bottom flag!"
                      << std::endl;
            return node;
        }
        double cb[4];
        if (!c[1]) {
            node = c[0];
        } else if (!c[2]) {
            node_box(c[0], cb);
            const double e0 = enlargement(cb, box);
            node_box(c[1], cb);
            const double e1 = enlargement(cb, box);
            node = e0 < e1 ? c[0] : c[1];
        } else {
            node_box(c[0], cb);
            const double e0 = enlargement(cb, box);
            node_box(c[1], cb);
            const double e1 = enlargement(cb, box);
            node_box(c[2], cb);
            const double e2 = enlargement(cb, box);
            if (e1 >= e0 && e2 >= e0)
                node = c[0];
            else if (e0 >= e1 && e2 >= e1)
                node = c[1];
            else
                node = c[2];
        }
    }
    return node;
}

// A cell's box from its four extreme boundary vertices.
static void cell_box_of(const cell* c, double box[4])
{
    box[0] = c->AABB_xmin->x;
    box[1] = c->AABB_ymin->y;
    box[2] = c->AABB_xmax->x;
    box[3] = c->AABB_ymax->y;
}

r_tree* RT3D::insert_leaf(cell* c)
{
    // A cell whose extreme vertices were never found has no box to index.
    if (!c->AABB_xmin || !c->AABB_ymin || !c->AABB_xmax || !c->AABB_ymax)
        return nullptr;
    double box[4];
    cell_box_of(c, box);
    return insert_leaf(c->id, box);
}

r_tree* RT3D::insert_leaf(int id, const double box[4])
{
    r_tree* leaf = choose_leaf(box[0], box[1], box[2], box[3]);
    if (!leaf)
        return nullptr;

    int filled = 0;
    for (int s = 0; s < 3; s++)
        if (leaf->cell_id[s] != r_tree::EMPTY_SLOT)
            filled++;
    if (filled == 3) {
        r_tree* sibling = split_entries(leaf, id, box);
        return leaf->cell_id[0] == id || leaf->cell_id[1] == id ? leaf : sibling;
    }

    for (int s = 0; s < 3; s++) {
        if (leaf->cell_id[s] == r_tree::EMPTY_SLOT) {
            leaf->cell_id[s] = id;
            set_box(leaf->cell_box[s], box);
            break;
        }
    }
    if (leaf->is_root) {
        if (filled == 0) {
            leaf->xmin = box[0];
            leaf->ymin = box[1];
            leaf->xmax = box[2];
            leaf->ymax = box[3];
        }
    } else {
        adjust_leaf(leaf, box[0], box[1], box[2], box[3]);
    }
    return leaf;
}

void RT3D::split_bottom_leaf(r_tree* leaf, cell* c)
{
    if (!c->AABB_xmin || !c->AABB_ymin || !c->AABB_xmax || !c->AABB_ymax)
        return;
    double box[4];
    cell_box_of(c, box);
    split_entries(leaf, c->id, box);
}

void RT3D::split_bottom_leaf(r_tree* leaf, int id, const double box[4])
{
    split_entries(leaf, id, box);
}

// Leaf-level split; returns the new sibling leaf.
r_tree* RT3D::split_entries(r_tree* leaf, int id, const double box[4])
{
    r_tree* sibling = new r_tree(++counter);
    sibling->is_bottom = true;

    int ids[4];
    double boxes[4][4];
    for (int s = 0; s < 3; s++) {
        ids[s] = leaf->cell_id[s];
        set_box(boxes[s], leaf->cell_box[s]);
    }
    ids[3] = id;
    set_box(boxes[3], box);

    const split_plan plan = plan_split(boxes);
    for (int s = 0; s < 2; s++) {
        leaf->cell_id[s] = ids[plan.keep[s]];
        set_box(leaf->cell_box[s], boxes[plan.keep[s]]);
        sibling->cell_id[s] = ids[plan.move[s]];
        set_box(sibling->cell_box[s], boxes[plan.move[s]]);
    }
    leaf->cell_id[2] = r_tree::EMPTY_SLOT;
    sibling->cell_id[2] = r_tree::EMPTY_SLOT;
    tight_bottom_leaf(leaf);
    tight_bottom_leaf(sibling);

    attach_sibling(leaf, sibling, box);
    return sibling;
}

void RT3D::split_leaf(r_tree* node, r_tree* newChild)
{
    double box[4];
    node_box(newChild, box);
    split_node(node, newChild, box);
}

// Node-level split; `box` is the box of the cell whose insertion caused it,
// which the ancestors above the last split must grow to cover.
void RT3D::split_node(r_tree* node, r_tree* newChild, const double box[4])
{
    r_tree* sibling = new r_tree(++counter);

    r_tree* items[4] = {node->child[0], node->child[1], node->child[2], newChild};
    double boxes[4][4];
    for (int i = 0; i < 4; i++)
        node_box(items[i], boxes[i]);

    const split_plan plan = plan_split(boxes);
    for (int s = 0; s < 2; s++) {
        node->child[s] = items[plan.keep[s]];
        node->child[s]->parent = node;
        sibling->child[s] = items[plan.move[s]];
        sibling->child[s]->parent = sibling;
    }
    node->child[2] = nullptr;
    sibling->child[2] = nullptr;
    tight_leaf(node);
    tight_leaf(sibling);

    attach_sibling(node, sibling, box);
}

// Hands the sibling of a split node to the parent: a split root gets a new
// root above both; a parent with room takes it; a full parent splits in turn.
void RT3D::attach_sibling(r_tree* node, r_tree* sibling, const double box[4])
{
    if (node->is_root) {
        node->is_root = false;
        r_tree* top = new r_tree(++counter);
        top->is_root = true;
        top->child[0] = node;
        top->child[1] = sibling;
        node->parent = top;
        sibling->parent = top;
        tight_leaf(top);
        root = top;
        return;
    }

    r_tree* parent = node->parent;
    if (!parent->child[1]) {
        parent->child[1] = sibling;
    } else if (!parent->child[2]) {
        parent->child[2] = sibling;
    } else {
        split_node(parent, sibling, box);
        return;
    }
    sibling->parent = parent;
    tight_leaf(parent);
    for (r_tree* a = parent->parent; a && !a->is_root; a = a->parent)
        grow_box(a, box);
}

void RT3D::search_point(double x, double y, std::vector<int>& out)
{
    search_tree(
        root,
        [x, y](double xmin, double ymin, double xmax, double ymax) {
            return xmin <= x && x <= xmax && ymin <= y && y <= ymax;
        },
        out);
}

void RT3D::search_rectangle(double xmin, double ymin, double xmax, double ymax, std::vector<int>& out)
{
    search_tree(
        root,
        [=](double x1, double y1, double x2, double y2) {
            return boxOverlapBox(x1, y1, x2, y2, xmin, ymin, xmax, ymax);
        },
        out);
}

void RT3D::search_ellipse(double cx, double cy, double a, double b, std::vector<int>& out)
{
    search_tree(
        root,
        [=](double x1, double y1, double x2, double y2) {
            return boxOverlapEllipse(x1, y1, x2, y2, cx, cy, a, b);
        },
        out);
}

void RT3D::adjust_leaf(r_tree* node, double xmin, double ymin, double xmax, double ymax)
{
    const double box[4] = {xmin, ymin, xmax, ymax};
    for (r_tree* n = node; n && !n->is_root; n = n->parent)
        grow_box(n, box);
}

void RT3D::tight_leaf(r_tree* node)
{
    if (!node)
        return;
    node->xmin = node->ymin = UNION_MIN;
    node->xmax = node->ymax = UNION_MAX;
    double box[4];
    for (int s = 0; s < 3; s++) {
        if (node->child[s]) {
            node_box(node->child[s], box);
            grow_box(node, box);
        }
    }
}

void RT3D::tight_bottom_leaf(r_tree* node)
{
    if (!node)
        return;
    node->xmin = node->ymin = UNION_MIN;
    node->xmax = node->ymax = UNION_MAX;
    for (int s = 0; s < 3; s++)
        if (node->cell_id[s] != r_tree::EMPTY_SLOT)
            grow_box(node, node->cell_box[s]);
}

double RT3D::locate_leaf(r_tree* node, double xmin, double ymin, double xmax, double ymax)
{
    double nb[4];
    node_box(node, nb);
    const double box[4] = {xmin, ymin, xmax, ymax};
    return enlargement(nb, box);
}

void RT3D::delete_leaf(cell*)
{
}

void RT3D::print_tree(r_tree* node)
{
    if (!node) {
        std::cout << std::endl;
        return;
    }
    if (node->is_root || !node->parent)
        std::cout << "(root:" << node->id << "):";
    else
        std::cout << "(" << node->parent->id << "-" << node->id << "):";
    for (int s = 0; s < 3; s++)
        print_tree(node->child[s]);
    if (!node->child[0]) {
        for (int s = 0; s < 3; s++)
            if (node->cell_id[s] != r_tree::EMPTY_SLOT)
                std::cout << " cell " << node->cell_id[s] << ",";
        std::cout << std::endl;
    }
}

void RT3D::empty_test(r_tree* node)
{
    if (!node)
        return;
    for (int s = 0; s < 3; s++)
        empty_test(node->child[s]);
    if (node->child[0])
        return;
    for (int s = 0; s < 3; s++)
        if (node->cell_id[s] != r_tree::EMPTY_SLOT)
            return;
    std::cout << "  -> error: bottom leaf " << node->id << " is empty!" << std::endl;
}
