#ifndef VANTU_APP_DIAGRAMSCENE_H
#define VANTU_APP_DIAGRAMSCENE_H

#include "app/diagramitem.h"

#include <QColor>
#include <QGraphicsScene>

class QGraphicsSceneMouseEvent;

// The canvas of the new-tissue designer. In insert mode the next left click
// places one circle; in move mode clicks and drags select and move circles.
class DiagramScene : public QGraphicsScene {
    Q_OBJECT

public:
    enum Mode { InsertItem = 0, MoveItem = 1 };

    explicit DiagramScene(QObject* parent = nullptr);

    int itemType() const { return myItemType; }
    int mode() const { return myMode; }

public slots:
    void setMode(Mode mode);
    void setItemType(DiagramItem::DiagramType type);

signals:
    void itemInserted(DiagramItem* item);
    void itemSelected(QGraphicsItem* item);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* mouseEvent) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* mouseEvent) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* mouseEvent) override;

private:
    int myItemType = DiagramItem::Cell;  // type of the next circle placed
    int myMode = MoveItem;               // a Mode
    QColor myItemColor = Qt::white;      // fill of new circles
};

#endif
