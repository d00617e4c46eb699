#ifndef VANTU_EDITORS_RELATION_ITEMS_H
#define VANTU_EDITORS_RELATION_ITEMS_H

// The items of the cell-cytokine relationship diagram: a Node is the box of
// one cell type or cytokine, a Link an arrow between two nodes (a synthesis,
// an inhibition or a promotion), a Curve a regulation drawn from a node onto
// a link. They live in a namespace of their own because libSBML exports
// global classes named Curve and Point, whose vtables and type information a
// global class of the same name would interpose on.
//
// Ownership: the scene owns every item. The items keep plain pointers to one
// another and keep them mutual: a link is in the link set of both its nodes,
// a curve in the curve set of its node and of its link, from construction to
// destruction. Destroying an item destroys whatever depends on it, so no item
// ever points at one that is gone:
//   ~Node  deletes the links at it (and so their curves) and its own curves;
//   ~Link  deletes the curves that regulate it, then leaves both nodes;
//   ~Curve leaves its node and its link.

#include <QColor>
#include <QGraphicsItem>
#include <QGraphicsPathItem>
#include <QPolygonF>
#include <QSet>
#include <QString>

namespace relations {

class Link;
class Curve;

class Node : public QGraphicsItem {
public:
    // Item kinds: one number space with Curve's and Link's kinds.
    enum { CELL = 0, CYTOKINE = 1 };

    explicit Node(int kind);
    ~Node() override;

    // Notifies the scene before the outline (which follows the text) changes.
    void setText(const QString& text);
    QString text() const { return label; }
    void setTextColor(const QColor& color);
    void setOutlineColor(const QColor& color);
    void setBackgroundColor(const QColor& color);

    // Called only by the Link and Curve constructors and destructors.
    void addLink(Link* link);
    void removeLink(Link* link);
    void addCurve(Curve* curve);
    void removeCurve(Curve* curve);

    // Whether this node's links hold one between a and b, either way round,
    // of any kind.
    bool existedLink(Node* a, Node* b);
    // Whether this node's curves hold one from n onto l, of either kind.
    bool existedCurve(Node* n, Link* l);

    // The text's bounding box in the application font, 8 wider on every
    // side, centred on the item's origin (so pos() is the box's centre).
    QRectF outlineRect() const;
    // Per-cent corner roundness for one side: 1200 / int(size); 0 for a side
    // shorter than 1, which has no corner to round.
    int roundness(double size) const;

    // The outline grown by 400 on every side: the area repainted on a move.
    QRectF boundingRect() const override;
    // The rounded box: selection and hit tests use the box alone.
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    int kind;       // CELL or CYTOKINE
    QString label;  // the cell.name or cytokine.name the node stands for

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    // Recomputes every link at this node and every curve from it (and, through
    // the links, the curves on them) and tells the scene their new extent.
    void trackRelations();

    QSet<Link*> linkSet;    // links from or to this node
    QSet<Curve*> curveSet;  // curves from this node
    QColor textColor;
    QColor outlineColor;    // invalid: painted opaque black
    QColor backgroundColor;
};

class Link : public QGraphicsPathItem {
public:
    enum { SYNTHESIS = 4, INHIBIT = 5, PROMOTE = 6 };

    // Joins the two nodes; the text is the from-node's text, the kind's word
    // (" synthesizes ", " inhibits ", " promotes ") and the to-node's text.
    Link(Node* fromNode, Node* toNode, int kind);
    ~Link() override;

    Node* fromNode() const { return source; }
    Node* toNode() const { return target; }
    QString text() const { return label; }
    void setText(const QString& text) { label = text; }

    // Called only by the Curve constructor and destructor.
    void addCurve(Curve* curve);
    void removeCurve(Curve* curve);
    // The curves that regulate this link.
    QList<Curve*> curves() const { return curveSet.values(); }

    // Recomputes the arrow from the node positions, stores its control points
    // and head, and announces the new geometry to the scene; then does the
    // same for every curve that ends on it.
    void trackNodes();

    QRectF outlineRect() const;
    QRectF boundingRect() const override;
    // The bare cubic (no head, no stroke width): what hit tests use.
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    int kind;        // SYNTHESIS, INHIBIT or PROMOTE
    QColor color;    // the kind's colour
    Node* source;    // from-node
    Node* target;    // to-node
    QString label;   // the relation in words
    QPolygonF arrowHead;  // tip and the two wing points; empty until drawn or tracked
    QPointF control1;     // first control point as last drawn or tracked; (0, 0) before
    QPointF control2;     // second control point as last drawn or tracked; (0, 0) before

private:
    QSet<Curve*> curveSet;  // curves that regulate this link
};

class Curve : public QGraphicsPathItem {
public:
    enum { UPREGULATE = 2, DOWNREGULATE = 3 };

    // The text is the node's text, the kind's word (" upregulates ",
    // " downregulates ") and the link's text.
    Curve(Node* fromNode, Link* toLink, int kind);
    ~Curve() override;

    Node* fromNode() const { return source; }
    Link* toLink() const { return target; }
    QString text() const { return label; }
    void setText(const QString& text) { label = text; }

    // Recomputes the curve to its link's first control point and announces
    // the new geometry to the scene.
    void trackNodes();

    QRectF outlineRect() const;
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    int kind;        // UPREGULATE or DOWNREGULATE
    QColor color;    // the kind's colour
    QString label;   // the regulation in words
    Node* source;    // the regulating node
    Link* target;    // the regulated link
    QPointF control1;  // first control point as last drawn or tracked; (0, 0) before
    QPointF control2;  // second control point as last drawn or tracked; (0, 0) before
};

}

#endif
