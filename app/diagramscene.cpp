#include "app/diagramscene.h"

#include <QBrush>
#include <QGraphicsSceneMouseEvent>

#include <iostream>

DiagramScene::DiagramScene(QObject* parent) : QGraphicsScene(parent) {}

void DiagramScene::setMode(Mode mode)
{
    myMode = mode;
}

void DiagramScene::setItemType(DiagramItem::DiagramType type)
{
    myItemType = type;
}

void DiagramScene::mousePressEvent(QGraphicsSceneMouseEvent* mouseEvent)
{
    if (mouseEvent->button() != Qt::LeftButton)
        return;
    if (myMode == InsertItem) {
        auto* item = new DiagramItem(static_cast<DiagramItem::DiagramType>(myItemType));
        item->setBrush(QBrush(myItemColor, Qt::SolidPattern));
        addItem(item);
        item->setPos(mouseEvent->scenePos());
        emit itemInserted(item);
        std::cout << "bad!!" << std::endl;
    }
    QGraphicsScene::mousePressEvent(mouseEvent);
}

void DiagramScene::mouseMoveEvent(QGraphicsSceneMouseEvent* mouseEvent)
{
    // While a circle waits to be placed, drags move nothing.
    if (myMode == MoveItem)
        QGraphicsScene::mouseMoveEvent(mouseEvent);
}

void DiagramScene::mouseReleaseEvent(QGraphicsSceneMouseEvent* mouseEvent)
{
    QGraphicsScene::mouseReleaseEvent(mouseEvent);
}
