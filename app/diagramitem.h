#ifndef VANTU_APP_DIAGRAMITEM_H
#define VANTU_APP_DIAGRAMITEM_H

#include <QGraphicsEllipseItem>
#include <QPixmap>

// A circle of the new-tissue designer: one cell to be, 40 by 40 scene units,
// whose position is the top-left corner of its bounding square.
class DiagramItem : public QGraphicsEllipseItem {
public:
    // What the item stands for; the designer places cells only.
    enum DiagramType { Cell = 0 };
    // The value type() returns; the designer recognises its circles by it.
    enum { Type = UserType + 15 };

    explicit DiagramItem(DiagramType diagramType, QGraphicsItem* parent = nullptr);

    DiagramType diagramType() const { return myDiagramType; }
    // The item's outline on a transparent 100 by 100 pixmap, for tool buttons.
    QPixmap image() const;
    int type() const override { return Type; }

private:
    DiagramType myDiagramType;
};

#endif
