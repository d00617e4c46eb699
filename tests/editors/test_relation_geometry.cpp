// The arrow and curve geometry of the relationship diagram, checked with
// worked values, and the node's outline rules.
#include "editors_fixture.h"
#include "editors/relation_geometry.h"

#include <cmath>

using namespace relation_kit;

namespace {

void expectPoint(const QPointF& actual, double x, double y, const char* what)
{
    EXPECT_NEAR(actual.x(), x, 5e-4) << what;
    EXPECT_NEAR(actual.y(), y, 5e-4) << what;
}

struct ArrowCase {
    const char* name;
    QPointF from, to;
    int kind;
    QPointF end, control1, control2, wingA, wingB;
};

}

// Every to-box is 60 by 32 (hw 30, hh 16).
TEST(RelationGeometry, ArrowsMeetTheirBoxAsWorkedOut)
{
    const ArrowCase cases[] = {
        {"synthesis, wider than tall", {200, 80}, {400, 130}, Link::SYNTHESIS, {370, 130},
         {285, 105}, {285, 105}, {361.957, 124.069}, {360.027, 130.631}},
        {"synthesis, straight down", {200, 80}, {200, 330}, Link::SYNTHESIS, {200, 314},
         {200, 197}, {200, 197}, {203.42, 304.61}, {196.58, 304.61}},
        {"synthesis, level", {200, 80}, {400, 80}, Link::SYNTHESIS, {370, 80},
         {285, 80}, {285, 80}, {360.61, 76.58}, {360.61, 83.42}},
        {"inhibit, from below the bottom edge", {400, 130}, {200, 80}, Link::INHIBIT, {200, 96},
         {300, 130}, {200, 121}, {200.968, 105.946}, {207.138, 102.994}},
        {"promote, between the edges", {400, 85}, {200, 80}, Link::PROMOTE, {230, 80},
         {300, 85}, {230, 82.5}, {237.893, 86.129}, {239.986, 79.617}},
        // Level with the bottom edge counts as below it; equal x gives the right side.
        {"inhibit, level with the bottom edge", {200, 96}, {200, 80}, Link::INHIBIT, {200, 96},
         {200, 96}, {200, 104}, {196.58, 105.39}, {203.42, 105.39}},
    };
    for (const ArrowCase& c : cases) {
        const relations::ArrowGeometry g = relations::arrowGeometry(c.from, c.to, 30, 16, c.kind);
        SCOPED_TRACE(c.name);
        expectPoint(g.end, c.end.x(), c.end.y(), "end");
        expectPoint(g.control1, c.control1.x(), c.control1.y(), "control1");
        expectPoint(g.control2, c.control2.x(), c.control2.y(), "control2");
        ASSERT_EQ(g.head.size(), 3);
        expectPoint(g.head[0], c.end.x(), c.end.y(), "tip");
        expectPoint(g.head[1], c.wingA.x(), c.wingA.y(), "wing A");
        expectPoint(g.head[2], c.wingB.x(), c.wingB.y(), "wing B");
    }

    // The side point when the x are equal is on the right; the head of an
    // arrow whose tip is its own start has no direction and stays finite.
    const auto g = relations::arrowGeometry({370, 130}, {400, 130}, 30, 16, Link::SYNTHESIS);
    expectPoint(g.end, 370, 130, "degenerate end");
    for (const QPointF& p : g.head)
        EXPECT_TRUE(std::isfinite(p.x()) && std::isfinite(p.y()));
    const auto right = relations::arrowGeometry({200, 85}, {200, 80}, 30, 16, Link::PROMOTE);
    expectPoint(right.end, 230, 80, "equal x");
}

TEST(RelationGeometry, CurvesRunToTheirArrowsFirstControlPoint)
{
    auto g = relations::curveGeometry({400, 180}, {285, 105});
    expectPoint(g.control1, 342.5, 180, "control1");
    expectPoint(g.control2, 285, 142.5, "control2");
    g = relations::curveGeometry({400, 230}, {300, 130});
    expectPoint(g.control1, 350, 230, "control1");
    expectPoint(g.control2, 300, 180, "control2");
}

TEST(RelationGeometry, NodeOutlineAndRoundness)
{
    Node node(Node::CELL);
    EXPECT_EQ(node.outlineRect(), QRectF(-8, -8, 16, 16));
    EXPECT_EQ(node.boundingRect(), QRectF(-408, -408, 816, 816));
    const std::pair<double, int> roundness[] = {{16, 75}, {100, 12}, {32, 37}, {1200.5, 1}, {1201, 0}, {1e30, 0}, {100.9, 12}};
    for (auto [size, expected] : roundness)
        EXPECT_EQ(node.roundness(size), expected) << size;

    // The outline follows the text and stays centred on the node's position.
    node.setText("Keratinocyte");
    const QRectF outline = node.outlineRect();
    EXPECT_GT(outline.width(), 16);
    EXPECT_DOUBLE_EQ(outline.center().x(), 0);
    EXPECT_DOUBLE_EQ(outline.center().y(), 0);
    EXPECT_TRUE(node.shape().contains(QPointF(0, 0)));
    EXPECT_FALSE(node.shape().contains(QPointF(0, outline.height())));
}

// The items call the same function: a tracked and a painted link agree with
// it, and a curve's end dot sits on its link's first control point.
TEST(RelationGeometry, ItemsDrawWhatTheFunctionsCompute)
{
    QGraphicsScene scene;
    auto* cell = new Node(Node::CELL);
    auto* cytokine = new Node(Node::CYTOKINE);
    auto* other = new Node(Node::CYTOKINE);
    cell->setText("FC");
    cytokine->setText("EGF");
    other->setText("TGFb");
    cell->setPos(200, 80);
    cytokine->setPos(400, 130);
    other->setPos(400, 180);
    for (Node* n : {cell, cytokine, other})
        scene.addItem(n);
    auto* link = new Link(cell, cytokine, Link::SYNTHESIS);
    auto* curve = new Curve(other, link, Curve::UPREGULATE);
    scene.addItem(link);
    scene.addItem(curve);
    EXPECT_EQ(link->text(), "FC synthesizes EGF");
    EXPECT_EQ(curve->text(), "TGFb upregulates FC synthesizes EGF");
    EXPECT_EQ(link->zValue(), -1);
    EXPECT_EQ(link->flags(), QGraphicsItem::ItemIsSelectable);

    QImage image(600, 500, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene.render(&painter, QRectF(0, 0, 600, 500), QRectF(0, 0, 600, 500));
    painter.end();

    const QRectF box = cytokine->outlineRect();
    const auto g = relations::arrowGeometry({200, 80}, {400, 130}, box.width() / 2, box.height() / 2,
                                            Link::SYNTHESIS);
    EXPECT_EQ(link->control1, g.control1);
    EXPECT_EQ(link->arrowHead, g.head);
    const auto c = relations::curveGeometry({400, 180}, g.control1);
    EXPECT_EQ(curve->control1, c.control1);
    EXPECT_EQ(curve->control2, c.control2);
    // The end dot is drawn in the curve's colour, dark green.
    const QPoint dot = g.control1.toPoint();
    EXPECT_EQ(image.pixelColor(dot), QColor(Qt::darkGreen));
    // Everything painted lies inside the items' bounding rectangles.
    EXPECT_TRUE(curve->boundingRect().contains(QRectF(g.control1.x() - 5, g.control1.y() - 5, 10, 10)));
    for (const QPointF& p : link->arrowHead)
        EXPECT_TRUE(link->boundingRect().contains(p));
}
