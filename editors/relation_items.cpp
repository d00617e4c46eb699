#include "editors/relation_items.h"

#include "editors/relation_geometry.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionGraphicsItem>

namespace relations {

namespace {

// The geometry of a link as its nodes stand now.
ArrowGeometry currentArrow(const Link& link)
{
    const QRectF box = link.toNode()->outlineRect();
    return arrowGeometry(link.fromNode()->pos(), link.toNode()->pos(), box.width() / 2,
                         box.height() / 2, link.kind);
}

QPainterPath cubicPath(const QPointF& from, const QPointF& c1, const QPointF& c2, const QPointF& to)
{
    QPainterPath path(from);
    path.cubicTo(c1, c2, to);
    return path;
}

// Selected relations are drawn dotted and 3 wide.
QPen relationPen(const QColor& color, const QStyleOptionGraphicsItem* option)
{
    QPen pen(color);
    if (option->state & QStyle::State_Selected) {
        pen.setStyle(Qt::DotLine);
        pen.setWidth(3);
    }
    return pen;
}

}

// --- Node ----------------------------------------------------------------------

Node::Node(int kind)
    : kind(kind), textColor(Qt::darkBlue), backgroundColor(Qt::white)
{
    setFlags(ItemIsMovable | ItemIsSelectable);
}

Node::~Node()
{
    // Each deletion takes the item out of this node's sets (and a link takes
    // its curves with it), so the sets are emptied one item at a time rather
    // than walked: no loop reaches an item already deleted.
    while (!linkSet.isEmpty())
        delete *linkSet.begin();
    while (!curveSet.isEmpty())
        delete *curveSet.begin();
}

void Node::setText(const QString& text)
{
    prepareGeometryChange();
    label = text;
}

void Node::setTextColor(const QColor& color)
{
    textColor = color;
    update();
}

void Node::setOutlineColor(const QColor& color)
{
    outlineColor = color;
    update();
}

void Node::setBackgroundColor(const QColor& color)
{
    backgroundColor = color;
    update();
}

void Node::addLink(Link* link) { linkSet.insert(link); }
void Node::removeLink(Link* link) { linkSet.remove(link); }
void Node::addCurve(Curve* curve) { curveSet.insert(curve); }
void Node::removeCurve(Curve* curve) { curveSet.remove(curve); }

bool Node::existedLink(Node* a, Node* b)
{
    for (Link* link : qAsConst(linkSet)) {
        if ((link->fromNode() == a && link->toNode() == b) ||
            (link->fromNode() == b && link->toNode() == a))
            return true;
    }
    return false;
}

bool Node::existedCurve(Node* n, Link* l)
{
    for (Curve* curve : qAsConst(curveSet)) {
        if (curve->fromNode() == n && curve->toLink() == l)
            return true;
    }
    return false;
}

QRectF Node::outlineRect() const
{
    const QFontMetricsF metrics(QApplication::font());
    QRectF r = metrics.boundingRect(label);
    r.adjust(-8, -8, 8, 8);
    r.moveTopLeft(QPointF(-r.width() / 2, -r.height() / 2));
    return r;
}

int Node::roundness(double size) const
{
    // From 1201 on the quotient is 0 anyway; checking first keeps the
    // conversion to int defined for any size.
    if (!(size >= 1) || size >= 1201)
        return 0;
    return 1200 / static_cast<int>(size);
}

QRectF Node::boundingRect() const
{
    return outlineRect().adjusted(-400, -400, 400, 400);
}

QPainterPath Node::shape() const
{
    const QRectF outline = outlineRect();
    QPainterPath path;
    path.addRoundedRect(outline, roundness(outline.width()), roundness(outline.height()),
                        Qt::RelativeSize);
    return path;
}

void Node::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    QPen pen(outlineColor);
    if (option->state & QStyle::State_Selected) {
        pen.setStyle(Qt::DotLine);
        pen.setWidth(2);
    }
    painter->setPen(pen);
    painter->setBrush(QBrush(backgroundColor, Qt::SolidPattern));
    const QRectF outline = outlineRect();
    painter->drawRoundedRect(outline, roundness(outline.width()), roundness(outline.height()),
                             Qt::RelativeSize);
    painter->setPen(textColor);
    painter->drawText(outline, Qt::AlignCenter, label);
}

void Node::trackRelations()
{
    const QSet<Link*> links = linkSet;
    for (Link* link : links)
        link->trackNodes();
    const QSet<Curve*> curves = curveSet;
    for (Curve* curve : curves)
        curve->trackNodes();
}

void Node::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsItem::mousePressEvent(event);
}

void Node::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    trackRelations();
    QGraphicsItem::mouseMoveEvent(event);
}

void Node::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    trackRelations();
    QGraphicsItem::mouseReleaseEvent(event);
}

QVariant Node::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemPositionHasChanged)
        trackRelations();
    return QGraphicsItem::itemChange(change, value);
}

// --- Link ----------------------------------------------------------------------

namespace {
QString linkWord(int kind)
{
    switch (kind) {
    case Link::SYNTHESIS: return QStringLiteral(" synthesizes ");
    case Link::INHIBIT: return QStringLiteral(" inhibits ");
    case Link::PROMOTE: return QStringLiteral(" promotes ");
    default: return QString();
    }
}

QColor linkColor(int kind)
{
    switch (kind) {
    case Link::SYNTHESIS: return Qt::black;
    case Link::INHIBIT: return Qt::red;
    case Link::PROMOTE: return Qt::cyan;
    default: return QColor();
    }
}
}

Link::Link(Node* fromNode, Node* toNode, int kind)
    : kind(kind), source(fromNode), target(toNode)
{
    label = fromNode->text() + linkWord(kind) + toNode->text();
    fromNode->addLink(this);
    toNode->addLink(this);
    setFlags(ItemIsSelectable);
    setZValue(-1);
    color = linkColor(kind);
}

Link::~Link()
{
    // A curve reads its link whenever it is drawn, so none may outlive it.
    while (!curveSet.isEmpty())
        delete *curveSet.begin();
    source->removeLink(this);
    target->removeLink(this);
}

void Link::addCurve(Curve* curve) { curveSet.insert(curve); }
void Link::removeCurve(Curve* curve) { curveSet.remove(curve); }

void Link::trackNodes()
{
    const ArrowGeometry g = currentArrow(*this);
    control1 = g.control1;
    control2 = g.control2;
    arrowHead = g.head;
    setPath(cubicPath(source->pos(), control1, control2, g.end));
    const QSet<Curve*> curves = curveSet;
    for (Curve* curve : curves)
        curve->trackNodes();
}

QRectF Link::outlineRect() const
{
    return shape().boundingRect();
}

QRectF Link::boundingRect() const
{
    // The head's wings reach 10 beyond the tip, and a selected pen is 3 wide:
    // what is painted has to lie inside, or a moved arrow leaves traces.
    return shape().boundingRect().adjusted(-12, -12, 12, 12);
}

QPainterPath Link::shape() const
{
    const ArrowGeometry g = currentArrow(*this);
    return cubicPath(source->pos(), g.control1, g.control2, g.end);
}

void Link::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    painter->setPen(relationPen(color, option));
    const ArrowGeometry g = currentArrow(*this);
    control1 = g.control1;
    control2 = g.control2;
    arrowHead = g.head;
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(cubicPath(source->pos(), control1, control2, g.end));
    painter->setBrush(QBrush(color, Qt::SolidPattern));
    painter->drawPolygon(arrowHead, Qt::OddEvenFill);
}

// --- Curve ---------------------------------------------------------------------

Curve::Curve(Node* fromNode, Link* toLink, int kind)
    : kind(kind), source(fromNode), target(toLink)
{
    label = fromNode->text() +
            (kind == DOWNREGULATE ? QStringLiteral(" downregulates ") : QStringLiteral(" upregulates ")) +
            toLink->text();
    fromNode->addCurve(this);
    toLink->addCurve(this);
    setFlags(ItemIsSelectable);
    setZValue(-1);
    color = kind == DOWNREGULATE ? QColor(Qt::darkGray) : QColor(Qt::darkGreen);
}

Curve::~Curve()
{
    source->removeCurve(this);
    target->removeCurve(this);
}

void Curve::trackNodes()
{
    const QPointF E = target->control1;
    const CurveGeometry g = curveGeometry(source->pos(), E);
    control1 = g.control1;
    control2 = g.control2;
    setPath(cubicPath(source->pos(), control1, control2, E));
}

QRectF Curve::outlineRect() const
{
    return shape().boundingRect();
}

QRectF Curve::boundingRect() const
{
    // The end dot has radius 5, and a selected pen is 3 wide.
    return shape().boundingRect().adjusted(-7, -7, 7, 7);
}

QPainterPath Curve::shape() const
{
    const QPointF E = target->control1;
    const CurveGeometry g = curveGeometry(source->pos(), E);
    return cubicPath(source->pos(), g.control1, g.control2, E);
}

void Curve::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget*)
{
    painter->setPen(relationPen(color, option));
    const QPointF E = target->control1;
    const CurveGeometry g = curveGeometry(source->pos(), E);
    control1 = g.control1;
    control2 = g.control2;
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(cubicPath(source->pos(), control1, control2, E));
    painter->setBrush(QBrush(color, Qt::SolidPattern));
    painter->drawEllipse(QRectF(E.x() - 5, E.y() - 5, 10, 10));
}

}
