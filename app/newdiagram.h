#ifndef VANTU_APP_NEWDIAGRAM_H
#define VANTU_APP_NEWDIAGRAM_H

#include "app/diagramitem.h"

#include <QString>
#include <QWidget>

#include <vector>

class DiagramScene;
class QAction;
class QButtonGroup;
class QGraphicsItem;
class QGraphicsView;
class QIODevice;
class QToolBar;
class QToolBox;

// The new-tissue designer: the user places equal circular cells on a canvas,
// then builds them into the simulation (buildSignal, answered by the main
// window) or saves them as a "Center-based" tissue file on exit.
class newDiagram : public QWidget {
    Q_OBJECT

public:
    newDiagram();

    // World position of a circle placed at scene position (x, y): scene y
    // grows downward, world y upward, and a circle's position is the corner
    // of its 40 by 40 square.
    static double worldX(double x) { return (x + 10 - 500) * 0.5; }
    static double worldY(double y) { return (500 - y - 10) * 0.5; }

    // Scene x and y of every circle, in one order; filled by Build, emptied
    // by the main window once it has built the cells.
    std::vector<double> xPositions;
    std::vector<double> yPositions;

    DiagramScene* diagramScene() const { return scene; }

signals:
    void buildSignal(int& id);

private slots:
    void deleteItem();
    void buildData();
    void closeDiagram();
    void itemInserted(DiagramItem* item);
    void itemSelected(QGraphicsItem* item);
    void buttonGroupClicked(int id);

private:
    void createActions();
    void createToolBars();
    void createToolBox();
    QWidget* createToolWidget(const QString& text, DiagramItem::DiagramType type);
    // The circles in descending stacking order: the most recently placed first.
    QList<DiagramItem*> circles() const;
    void removeCircles();

    DiagramScene* scene = nullptr;
    QGraphicsView* view = nullptr;
    QToolBar* fileToolBar = nullptr;
    QToolBox* toolBox = nullptr;
    QButtonGroup* buttonGroup = nullptr;
    QAction* deleteAction = nullptr;
    QAction* buildAction = nullptr;
    QAction* exitAction = nullptr;
};

// Writes a "Center-based" tissue file of cells centred at the world points
// (xs[k], ys[k]), all of cell type 1, to `device`.
void writeCenterBasedTissue(QIODevice& device, const std::vector<double>& xs,
                            const std::vector<double>& ys);

#endif
