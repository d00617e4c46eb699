#ifndef VANTU_TESTS_APP_DESIGNER_DRIVER_H
#define VANTU_TESTS_APP_DESIGNER_DRIVER_H

// Drives the new-tissue designer as the user does: the "cell" tool, then a
// click on the canvas.
#include "app/diagramitem.h"
#include "app/diagramscene.h"
#include "app/newdiagram.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QGraphicsView>
#include <QTest>

// The "cell" tool: the button of id 0 of the tool box's group.
inline QAbstractButton* cellTool(QWidget& window)
{
    auto* group = window.findChild<QButtonGroup*>();
    return group ? group->button(0) : nullptr;
}

inline QAction* actionNamed(QWidget& window, const QString& text)
{
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text() == text)
            return action;
    return nullptr;
}

// Places one circle with its position at the scene point (whole numbers, so
// that the click lands exactly there); returns the circle.
inline DiagramItem* placeCircle(newDiagram& designer, QPointF scenePoint)
{
    QAbstractButton* tool = cellTool(designer);
    if (!tool)
        return nullptr;
    tool->click();
    auto* view = designer.findChild<QGraphicsView*>();
    view->centerOn(scenePoint);
    const QPoint pixel = view->mapFromScene(scenePoint);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, pixel);
    for (QGraphicsItem* item : designer.diagramScene()->items(Qt::DescendingOrder))
        if (item->type() == DiagramItem::Type)
            return static_cast<DiagramItem*>(item);
    return nullptr;
}

inline int circleCount(newDiagram& designer)
{
    int n = 0;
    for (QGraphicsItem* item : designer.diagramScene()->items())
        n += item->type() == DiagramItem::Type;
    return n;
}

// Scene position of the circle whose cell is centred at world (x, y).
inline QPointF scenePointOf(double x, double y)
{
    return QPointF(2 * x + 490, 490 - 2 * y);
}

#endif
