#ifndef VANTU_EDITORS_DIAGRAMWINDOW_H
#define VANTU_EDITORS_DIAGRAMWINDOW_H

// The cell-cytokine relationship diagram ("network"): every cell type and
// cytokine of the parameter database as a box, the synthesis relations as
// arrows, and the commands that draw inhibit and promote arrows and
// regulation curves, delete relations with their rows, and open their
// property dialogs. The boxes and synthesis arrows are read once, when the
// window is made; afterwards only the use flags are re-read. The diagram is
// matched to the database by name alone.

#include <QPair>
#include <QWidget>

class QAction;
class QGraphicsScene;
class QGraphicsView;
class QPoint;
class QToolBar;

namespace relations {
class Curve;
class Link;
class Node;
}

class DiagramWindow : public QWidget {
    Q_OBJECT

public:
    DiagramWindow();
    ~DiagramWindow() override;

    // Shows the items whose cell types and cytokines are in use and hides the
    // others (a relation needs every name it joins in use).
    void updateUseStatus();

private slots:
    void addLinkUpregulate();
    void addLinkDownregulate();
    void addLinkSynthesis();
    void addLinkInhibit();
    void addLinkPromote();
    // Asks once per selected relation; Yes deletes its rows and the item.
    void deleteLink();
    void properties();
    void bringToFront();
    void sendToBack();
    void updateActions();

private:
    void createActions();
    void createToolBars();
    void setupNode(relations::Node* node, QPoint& position);
    void setZValue(int z);

    // Queries over the scene's selection (its order is arbitrary): "first"
    // and "last" are the ends of that list.
    relations::Node* selectedNode() const;
    relations::Link* selectedLink() const;
    relations::Curve* selectedCurve() const;
    QPair<relations::Node*, relations::Node*> selectedNodePair() const;
    QPair<relations::Node*, relations::Link*> selectedNodeLinkPair() const;

    // The shared bodies of the add commands.
    void addNodeLink(int kind);
    void addCurve(int kind);
    // Asks about one curve; Yes deletes its regulate rows and the curve.
    // Returns false when the answer is No.
    bool removeCurveAsked(relations::Curve* curve);

    QToolBar* toolBar;
    QAction* upregulateAction;
    QAction* downregulateAction;
    QAction* synthesisAction;
    QAction* inhibitAction;
    QAction* promoteAction;
    QAction* propertiesAction;
    QAction* deleteAction;
    QAction* bringToFrontAction;
    QAction* sendToBackAction;
    QGraphicsScene* scene;  // owned: deleted with the window
    QGraphicsView* view;
    int minZ;  // last z given by sendToBack
    int maxZ;  // last z given by bringToFront

    friend class DiagramWindowProbe;
};

#endif
