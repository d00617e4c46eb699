#include "app/diagramitem.h"

#include <QPainter>
#include <QPen>

DiagramItem::DiagramItem(DiagramType diagramType, QGraphicsItem* parent)
    : QGraphicsEllipseItem(parent), myDiagramType(diagramType)
{
    if (myDiagramType == Cell)
        setRect(0, 0, 40, 40);
    setFlag(QGraphicsItem::ItemIsMovable, true);
    setFlag(QGraphicsItem::ItemIsSelectable, true);
    setFlag(QGraphicsItem::ItemSendsGeometryChanges, true);
}

QPixmap DiagramItem::image() const
{
    QPixmap pixmap(100, 100);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::black, 8, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter.translate(50, 50);
    painter.drawEllipse(rect());
    return pixmap;
}
