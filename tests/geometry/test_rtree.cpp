// The R-tree against brute force, its split and tie rules, the order of
// search results and a consistency check after every insertion.
#include "geometry/rtree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct box {
    double xmin, ymin, xmax, ymax;
};

// Walks the whole tree and checks its invariants: slots filled in order,
// leaves without children and internal nodes without entries, parents,
// every non-root node holding two or three items, non-root boxes covering
// everything below, all leaves at one depth and every id once.
class tree_checker {
public:
    explicit tree_checker(RT3D& tree) : tree(tree) {}

    std::string check(std::multiset<int>& ids)
    {
        if (!tree.root)
            return "no root";
        if (!tree.root->is_root || tree.root->parent)
            return "root flags";
        leafDepth = -1;
        return visit(tree.root, 0, ids);
    }

private:
    std::string visit(r_tree* n, int depth, std::multiset<int>& ids)
    {
        const std::string at = " at node " + std::to_string(n->id);
        if (n != tree.root && n->is_root)
            return "second root" + at;
        if (n->id < 1 || n->id > tree.counter)
            return "id beyond counter" + at;
        int count = 0;
        if (n->is_bottom) {
            for (int s = 0; s < 3; s++) {
                if (n->child[s])
                    return "leaf with child" + at;
                if (n->cell_id[s] == r_tree::EMPTY_SLOT)
                    continue;
                if (s != count)
                    return "entry slots out of order" + at;
                count++;
                ids.insert(n->cell_id[s]);
                if (n != tree.root && !covers(n, n->cell_box[s]))
                    return "leaf box misses an entry" + at;
            }
            if (leafDepth < 0)
                leafDepth = depth;
            else if (leafDepth != depth)
                return "leaves at different depths" + at;
        } else {
            for (int s = 0; s < 3; s++) {
                if (n->cell_id[s] != r_tree::EMPTY_SLOT)
                    return "internal node with entry" + at;
                r_tree* c = n->child[s];
                if (!c)
                    continue;
                if (s != count)
                    return "child slots out of order" + at;
                count++;
                if (c->parent != n)
                    return "wrong parent" + at;
                const double cb[4] = {c->xmin, c->ymin, c->xmax, c->ymax};
                if (n != tree.root && !covers(n, cb))
                    return "node box misses a child" + at;
                std::string below = visit(c, depth + 1, ids);
                if (!below.empty())
                    return below;
            }
            if (count == 0)
                return "internal node without children" + at;
        }
        if (n != tree.root && count < 2)
            return "underfull node" + at;
        return "";
    }

    static bool covers(const r_tree* n, const double b[4])
    {
        return n->xmin <= b[0] && n->ymin <= b[1] && b[2] <= n->xmax && b[3] <= n->ymax;
    }

    RT3D& tree;
    int leafDepth = -1;
};

double world[4] = {-1000, -1000, 1000, 1000};

void insert(RT3D& tree, int id, const box& b)
{
    const double raw[4] = {b.xmin, b.ymin, b.xmax, b.ymax};
    tree.insert_leaf(id, raw);
}

std::vector<int> sorted(std::vector<int> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

// Random boxes of cell-like sizes, some degenerate, some repeated, a few large
// and a few far beyond the working rectangle.
std::vector<box> random_boxes(std::mt19937& rng, int n)
{
    std::uniform_real_distribution<double> pos(-500, 500), size(0, 30), coin(0, 1);
    std::vector<box> boxes;
    for (int i = 0; i < n; i++) {
        const double u = coin(rng);
        if (u < 0.05 && !boxes.empty()) {
            boxes.push_back(boxes[rng() % boxes.size()]);
            continue;
        }
        double x = pos(rng), y = pos(rng);
        double w = u < 0.1 ? 0.0 : size(rng), h = u < 0.1 ? 0.0 : size(rng);
        if (u > 0.99) {
            w *= 20;
            h *= 20;
        }
        if (u > 0.995) {
            x *= 400;
            y *= 400;
        }
        boxes.push_back({x, y, x + w, y + h});
    }
    return boxes;
}

} // namespace

TEST(RTree, EmptyTreeFindsNothing)
{
    RT3D tree(world);
    std::vector<int> out{42};
    tree.search_point(0, 0, out);
    tree.search_rectangle(-1000, -1000, 1000, 1000, out);
    tree.search_ellipse(0, 0, 1000, 1000, out);
    EXPECT_EQ(out, std::vector<int>{42});
    EXPECT_TRUE(tree.root->is_root && tree.root->is_bottom);
    EXPECT_EQ(tree.root->id, 1);
}

TEST(RTree, FourthBoxSplitsTheRootAndIdenticalBoxesSplitOneThreeTwoFour)
{
    RT3D tree(world);
    const box unit{0, 0, 1, 1};
    for (int id = 10; id < 13; id++)
        insert(tree, id, unit);
    EXPECT_EQ(tree.root->id, 1);
    EXPECT_TRUE(tree.root->is_bottom);
    EXPECT_EQ(tree.counter, 1);

    insert(tree, 13, unit);
    // Node 2 is the sibling, node 3 the new root; all dead spaces are equal,
    // so seeds (1, 2) and entry 3 stays with entry 1.
    EXPECT_EQ(tree.counter, 3);
    ASSERT_EQ(tree.root->id, 3);
    r_tree* old = tree.root->child[0];
    r_tree* sibling = tree.root->child[1];
    ASSERT_TRUE(old && sibling);
    EXPECT_EQ(old->id, 1);
    EXPECT_EQ(sibling->id, 2);
    EXPECT_FALSE(old->is_root);
    EXPECT_EQ(old->cell_id[0], 10);
    EXPECT_EQ(old->cell_id[1], 12);
    EXPECT_EQ(old->cell_id[2], r_tree::EMPTY_SLOT);
    EXPECT_EQ(sibling->cell_id[0], 11);
    EXPECT_EQ(sibling->cell_id[1], 13);

    // Depth first from the last slot backwards, in slot order within a leaf.
    std::vector<int> out;
    tree.search_point(0.5, 0.5, out);
    EXPECT_EQ(out, (std::vector<int>{11, 13, 10, 12}));

    testing::internal::CaptureStdout();
    tree.print_tree(tree.root);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "(root:3):(3-1):\n\n\n cell 10, cell 12,\n(3-2):\n\n\n cell 11, cell 13,\n\n");
}

TEST(RTree, EnlargementTiesGoToTheSecondOfTwoAndTheFirstOfThree)
{
    RT3D tree(world);
    const box unit{0, 0, 1, 1};
    for (int id = 0; id < 4; id++)
        insert(tree, id, unit);
    // Two children of equal enlargement: the second.
    EXPECT_EQ(tree.choose_leaf(0, 0, 1, 1), tree.root->child[1]);
    insert(tree, 4, unit);
    insert(tree, 5, unit); // splits child 1 into a third child
    ASSERT_TRUE(tree.root->child[2]);
    // Three children of equal enlargement: the first.
    EXPECT_EQ(tree.choose_leaf(0, 0, 1, 1), tree.root->child[0]);
    // Otherwise the least enlargement wins.
    tree.root->child[2]->xmax = 5;
    EXPECT_EQ(tree.choose_leaf(4, 0, 5, 1), tree.root->child[2]);
}

TEST(RTree, SeedsAreTheMostWastefulPair)
{
    RT3D tree(world);
    insert(tree, 1, {0, 0, 1, 1});
    insert(tree, 2, {100, 100, 101, 101});
    insert(tree, 3, {1, 1, 2, 2});
    insert(tree, 4, {99, 99, 100, 100});
    // Seeds 1 and 2; entry 3 lies beside 1, entry 4 beside 2.
    r_tree* old = tree.root->child[0];
    r_tree* sibling = tree.root->child[1];
    EXPECT_EQ(old->cell_id[0], 1);
    EXPECT_EQ(old->cell_id[1], 3);
    EXPECT_EQ(sibling->cell_id[0], 2);
    EXPECT_EQ(sibling->cell_id[1], 4);
    EXPECT_EQ(old->xmax, 2.0);
    EXPECT_EQ(sibling->xmin, 99.0);
}

TEST(RTree, BordersAndCornersCount)
{
    RT3D tree(world);
    insert(tree, 7, {0, 0, 10, 5});
    std::vector<int> out;
    tree.search_point(10, 5, out);
    tree.search_point(0, 2, out);
    EXPECT_EQ(out, (std::vector<int>{7, 7}));
    out.clear();
    tree.search_rectangle(10, 5, 20, 20, out);   // touches the corner only
    EXPECT_EQ(out, std::vector<int>{7});
    out.clear();
    tree.search_point(10.000001, 5, out);
    tree.search_rectangle(10.000001, 0, 20, 20, out);
    tree.search_ellipse(12, 7, 1.9, 1.9, out);
    EXPECT_TRUE(out.empty());
    tree.search_ellipse(12, 7, 2, 2, out);       // bounding box touches the corner
    EXPECT_EQ(out, std::vector<int>{7});
}

TEST(RTree, MatchesBruteForceOverThousandsOfRandomBoxes)
{
    std::mt19937 rng(20261207);
    const std::vector<box> boxes = random_boxes(rng, 3000);
    RT3D tree(world);
    tree_checker checker(tree);
    for (std::size_t i = 0; i < boxes.size(); i++) {
        insert(tree, static_cast<int>(i), boxes[i]);
        if (i < 200 || i % 97 == 0) {
            std::multiset<int> ids;
            ASSERT_EQ(checker.check(ids), "") << "after inserting " << i;
            ASSERT_EQ(ids.size(), i + 1);
            ASSERT_EQ(std::set<int>(ids.begin(), ids.end()).size(), i + 1);
        }
    }
    std::multiset<int> ids;
    ASSERT_EQ(checker.check(ids), "");

    std::uniform_real_distribution<double> pos(-520, 520), size(0, 80);
    for (int q = 0; q < 2000; q++) {
        const double x = pos(rng), y = pos(rng), w = size(rng), h = size(rng);
        std::vector<int> point, rect, ellipse, wantPoint, wantRect, wantEllipse;
        tree.search_point(x, y, point);
        tree.search_rectangle(x, y, x + w, y + h, rect);
        tree.search_ellipse(x, y, w, h, ellipse);
        for (std::size_t i = 0; i < boxes.size(); i++) {
            const box& b = boxes[i];
            const int id = static_cast<int>(i);
            if (b.xmin <= x && x <= b.xmax && b.ymin <= y && y <= b.ymax)
                wantPoint.push_back(id);
            if (b.xmin <= x + w && x <= b.xmax && b.ymin <= y + h && y <= b.ymax)
                wantRect.push_back(id);
            if (b.xmin <= x + w && x - w <= b.xmax && b.ymin <= y + h && y - h <= b.ymax)
                wantEllipse.push_back(id);
        }
        ASSERT_EQ(sorted(point), wantPoint) << "point " << x << "," << y;
        ASSERT_EQ(sorted(rect), wantRect);
        ASSERT_EQ(sorted(ellipse), wantEllipse);
    }
}

TEST(RTree, DeepTreeFindsEveryBoxFromItsCorners)
{
    // Thousands of small boxes make a tree many levels deep; each box is
    // found from its centre and from its far corner.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> pos(0, 900);
    RT3D tree(world);
    std::vector<box> boxes;
    for (int i = 0; i < 5000; i++) {
        const double x = pos(rng), y = pos(rng);
        boxes.push_back({x, y, x + 3, y + 2});
        insert(tree, i, boxes.back());
    }
    int depth = 0;
    for (r_tree* n = tree.root; !n->is_bottom; n = n->child[0])
        depth++;
    EXPECT_GE(depth, 4);
    for (int i = 0; i < 5000; i++) {
        std::vector<int> a, b;
        tree.search_point(boxes[i].xmin + 1.5, boxes[i].ymin + 1, a);
        tree.search_point(boxes[i].xmax, boxes[i].ymax, b);
        ASSERT_NE(std::find(a.begin(), a.end(), i), a.end()) << i;
        ASSERT_NE(std::find(b.begin(), b.end(), i), b.end()) << i;
    }
}

TEST(RTree, CleanupLeavesNoDanglingRoot)
{
    auto* tree = new RT3D(world);
    for (int i = 0; i < 50; i++)
        insert(*tree, i, {double(i), 0, i + 1.0, 1});
    tree->cleanup();
    EXPECT_EQ(tree->root, nullptr);
    tree->cleanup();  // twice is harmless
    std::vector<int> out;
    tree->search_point(0.5, 0.5, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(tree->insert_leaf(1, world), nullptr);
    delete tree;      // frees nothing twice (the sanitizers watch)
}

TEST(RTree, Diagnostics)
{
    RT3D tree(world);
    for (int i = 0; i < 4; i++)
        insert(tree, i, {double(i), 0, i + 1.0, 1});
    r_tree* leaf = tree.root->child[0];
    EXPECT_EQ(tree.locate_leaf(leaf, leaf->xmax, 0, leaf->xmax + 1, 1), 1.0);
    const double before = leaf->xmax;
    tree.adjust_leaf(leaf, 0, 0, before + 5, 1);
    EXPECT_EQ(leaf->xmax, before + 5);
    tree.tight_bottom_leaf(leaf);
    EXPECT_EQ(leaf->xmax, before);

    testing::internal::CaptureStdout();
    tree.empty_test(tree.root);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    r_tree* sibling = tree.root->child[1];
    const int kept[2] = {sibling->cell_id[0], sibling->cell_id[1]};
    sibling->cell_id[0] = sibling->cell_id[1] = r_tree::EMPTY_SLOT;
    testing::internal::CaptureStdout();
    tree.empty_test(tree.root);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "  -> error: bottom leaf 2 is empty!\n");
    sibling->cell_id[0] = kept[0];
    sibling->cell_id[1] = kept[1];
}
