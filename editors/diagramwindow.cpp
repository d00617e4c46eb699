#include "editors/diagramwindow.h"

#include "editors/relation_dialogs.h"
#include "editors/relation_items.h"

#include <QAction>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMap>
#include <QSqlQuery>
#include <QToolBar>
#include <QVBoxLayout>

using relations::Curve;
using relations::Link;
using relations::Node;

DiagramWindow::DiagramWindow()
    : QWidget(nullptr)
{
    scene = new QGraphicsScene(0, 0, 600, 500);
    view = new QGraphicsView;
    view->setScene(scene);
    view->setDragMode(QGraphicsView::RubberBandDrag);
    view->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    view->setContextMenuPolicy(Qt::ActionsContextMenu);

    minZ = 0;
    maxZ = 0;

    createActions();
    createToolBars();

    auto* layout = new QVBoxLayout;
    layout->addWidget(toolBar);
    layout->addWidget(view);
    setLayout(layout);

    connect(scene, &QGraphicsScene::selectionChanged, this, &DiagramWindow::updateActions);

    setWindowTitle(tr("network"));

    // One column of boxes per table, 50 apart, in the order the rows come.
    QSqlQuery query;
    const struct {
        const char* statement;
        int kind;
        int x;
    } columns[] = {{"SELECT name, use FROM cell", Node::CELL, 200},
                   {"SELECT name, use FROM cytokine", Node::CYTOKINE, 400}};
    for (const auto& column : columns) {
        query.exec(QString::fromLatin1(column.statement));
        for (int row = 0; query.next(); ++row) {
            auto* node = new Node(column.kind);
            node->setText(query.value(0).toString());
            QPoint position(column.x, 80 + 50 * row);
            setupNode(node, position);
        }
    }

    query.exec(QStringLiteral("SELECT cytokinename, cellname FROM cytokine_cell"));
    while (query.next()) {
        const QString cytokineName = query.value(0).toString();
        const QString cellName = query.value(1).toString();
        Node* from = nullptr;
        Node* to = nullptr;
        const QList<QGraphicsItem*> items = scene->items(Qt::DescendingOrder);
        for (QGraphicsItem* item : items) {
            auto* node = dynamic_cast<Node*>(item);
            if (!node)
                continue;
            if (node->text() == cellName)
                from = node;
            if (node->text() == cytokineName)
                to = node;
            if (from && to)
                break;
        }
        // A synthesis of a type or cytokine without a box has nothing to join.
        if (!from || !to)
            continue;
        auto* link = new Link(from, to, Link::SYNTHESIS);
        scene->addItem(link);
        link->trackNodes();
    }

    updateActions();
}

DiagramWindow::~DiagramWindow()
{
    // Deleting selected items makes the scene announce a selection change;
    // this window must not hear it while it is being torn down.
    disconnect(scene, nullptr, this, nullptr);
    delete scene;
}

void DiagramWindow::createActions()
{
    const struct {
        QAction** action;
        const char* text;
        const char* icon;
        const char* tip;
        void (DiagramWindow::*slot)();
    } entries[] = {
        {&upregulateAction, QT_TR_NOOP("&Upregulate"), ":/images/upregulate.png",
         QT_TR_NOOP("Add new upregulation relationship"), &DiagramWindow::addLinkUpregulate},
        {&downregulateAction, QT_TR_NOOP("&Downregulate"), ":/images/downregulate.png",
         QT_TR_NOOP("Add new downregulation relationship"), &DiagramWindow::addLinkDownregulate},
        {&synthesisAction, QT_TR_NOOP("&Synthesis"), ":/images/synthesis.png",
         QT_TR_NOOP("Add new synthesis relationship"), &DiagramWindow::addLinkSynthesis},
        {&inhibitAction, QT_TR_NOOP("&Inhibit"), ":/images/inhibition.png",
         QT_TR_NOOP("Add new inhibition relationship"), &DiagramWindow::addLinkInhibit},
        {&promoteAction, QT_TR_NOOP("&Promote"), ":/images/battery.png",
         QT_TR_NOOP("Add new promotion relationship"), &DiagramWindow::addLinkPromote},
        {&deleteAction, QT_TR_NOOP("&Delete"), ":/images/delete.png",
         QT_TR_NOOP("Delete the relationship"), &DiagramWindow::deleteLink},
        {&bringToFrontAction, QT_TR_NOOP("Bring to &Front"), ":/images/front.gif",
         QT_TR_NOOP("Bring the item to the top"), &DiagramWindow::bringToFront},
        {&sendToBackAction, QT_TR_NOOP("&Send to Back"), ":/images/back.gif",
         QT_TR_NOOP("Send the item to the bottom"), &DiagramWindow::sendToBack},
        {&propertiesAction, QT_TR_NOOP("Properties"), ":/images/settings.png",
         QT_TR_NOOP("Setup relationship properties"), &DiagramWindow::properties},
    };
    for (const auto& entry : entries) {
        auto* action = new QAction(tr(entry.text), this);
        action->setIcon(QIcon(QString::fromLatin1(entry.icon)));
        action->setStatusTip(tr(entry.tip));
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, entry.slot);
        *entry.action = action;
    }
}

void DiagramWindow::createToolBars()
{
    // Synthesis arrows come from the cytokine_cell table alone: the synthesis
    // command is not offered.
    toolBar = new QToolBar(tr("&Edit"), this);
    toolBar->addAction(upregulateAction);
    toolBar->addAction(downregulateAction);
    toolBar->addAction(inhibitAction);
    toolBar->addAction(promoteAction);
    toolBar->addAction(propertiesAction);
    toolBar->addAction(deleteAction);
    toolBar->addAction(bringToFrontAction);
    toolBar->addAction(sendToBackAction);
}

void DiagramWindow::setupNode(Node* node, QPoint& position)
{
    node->setPos(position);
    scene->addItem(node);
    scene->clearSelection();
    node->setSelected(true);
}

void DiagramWindow::updateActions()
{
    const bool hasSelection = !scene->selectedItems().isEmpty();
    const bool nodeLink = selectedNodeLinkPair() != qMakePair<Node*, Link*>(nullptr, nullptr);
    const bool nodePair = selectedNodePair() != qMakePair<Node*, Node*>(nullptr, nullptr);
    upregulateAction->setEnabled(nodeLink);
    downregulateAction->setEnabled(nodeLink);
    inhibitAction->setEnabled(nodePair);
    promoteAction->setEnabled(nodePair);
    deleteAction->setEnabled(hasSelection);
    propertiesAction->setEnabled(selectedLink() || selectedCurve());
    bringToFrontAction->setEnabled(hasSelection);
    sendToBackAction->setEnabled(hasSelection);

    // The view offers no context menu.
    const QList<QAction*> actions = view->actions();
    for (QAction* action : actions)
        view->removeAction(action);
}

void DiagramWindow::updateUseStatus()
{
    // A cytokine named like a cell type decides for both.
    QMap<QString, int> use;
    QSqlQuery query;
    for (const char* statement : {"SELECT name, use FROM cell", "SELECT name, use FROM cytokine"}) {
        query.exec(QString::fromLatin1(statement));
        while (query.next())
            use[query.value(0).toString()] = query.value(1).toInt();
    }
    auto inUse = [&use](const Node* node) { return use.value(node->text(), 0) != 0; };

    const QList<QGraphicsItem*> items = scene->items(Qt::DescendingOrder);
    for (QGraphicsItem* item : items) {
        bool visible = false;
        if (auto* node = dynamic_cast<Node*>(item)) {
            visible = inUse(node);
        } else if (auto* link = dynamic_cast<Link*>(item)) {
            visible = inUse(link->fromNode()) && inUse(link->toNode());
        } else if (auto* curve = dynamic_cast<Curve*>(item)) {
            visible = inUse(curve->fromNode()) && inUse(curve->toLink()->fromNode()) &&
                      inUse(curve->toLink()->toNode());
        }
        item->setVisible(visible);
    }
}

// --- selection -------------------------------------------------------------------

Node* DiagramWindow::selectedNode() const
{
    const QList<QGraphicsItem*> items = scene->selectedItems();
    return items.isEmpty() ? nullptr : dynamic_cast<Node*>(items.first());
}

Link* DiagramWindow::selectedLink() const
{
    const QList<QGraphicsItem*> items = scene->selectedItems();
    return items.size() == 1 ? dynamic_cast<Link*>(items.first()) : nullptr;
}

Curve* DiagramWindow::selectedCurve() const
{
    const QList<QGraphicsItem*> items = scene->selectedItems();
    return items.size() == 1 ? dynamic_cast<Curve*>(items.first()) : nullptr;
}

QPair<Node*, Node*> DiagramWindow::selectedNodePair() const
{
    const QList<QGraphicsItem*> items = scene->selectedItems();
    if (items.size() == 2) {
        auto* first = dynamic_cast<Node*>(items.first());
        auto* last = dynamic_cast<Node*>(items.last());
        if (first && last)
            return qMakePair(first, last);
    }
    return qMakePair<Node*, Node*>(nullptr, nullptr);
}

QPair<Node*, Link*> DiagramWindow::selectedNodeLinkPair() const
{
    const QList<QGraphicsItem*> items = scene->selectedItems();
    if (items.size() == 2) {
        auto* firstNode = dynamic_cast<Node*>(items.first());
        auto* lastLink = dynamic_cast<Link*>(items.last());
        if (firstNode && lastLink)
            return qMakePair(firstNode, lastLink);
        auto* lastNode = dynamic_cast<Node*>(items.last());
        auto* firstLink = dynamic_cast<Link*>(items.first());
        if (lastNode && firstLink)
            return qMakePair(lastNode, firstLink);
    }
    return qMakePair<Node*, Link*>(nullptr, nullptr);
}

// --- stacking and properties --------------------------------------------------------

void DiagramWindow::bringToFront()
{
    ++maxZ;
    setZValue(maxZ);
}

void DiagramWindow::sendToBack()
{
    --minZ;
    setZValue(minZ);
}

void DiagramWindow::setZValue(int z)
{
    if (Node* node = selectedNode())
        node->setZValue(z);
}

void DiagramWindow::properties()
{
    Link* link = selectedLink();
    Curve* curve = selectedCurve();
    if (link) {
        LinkPropertiesDialog dialog(link);
        dialog.exec();
    }
    if (curve) {
        CurvePropertiesDialog dialog(curve);
        dialog.exec();
    }
}
