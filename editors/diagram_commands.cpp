// The add and delete commands of the relationship diagram. Adding only draws:
// a relation reaches the database when its property dialog writes it.
// Deleting asks once per relation and removes the rows that match its names,
// seeded rows included.
#include "editors/diagramwindow.h"

#include "editors/relation_items.h"

#include <QGraphicsScene>
#include <QMessageBox>
#include <QSqlQuery>

#include <algorithm>

using relations::Curve;
using relations::Link;
using relations::Node;

void DiagramWindow::addLinkSynthesis() { addNodeLink(Link::SYNTHESIS); }
void DiagramWindow::addLinkInhibit() { addNodeLink(Link::INHIBIT); }
void DiagramWindow::addLinkPromote() { addNodeLink(Link::PROMOTE); }
void DiagramWindow::addLinkUpregulate() { addCurve(Curve::UPREGULATE); }
void DiagramWindow::addLinkDownregulate() { addCurve(Curve::DOWNREGULATE); }

void DiagramWindow::addNodeLink(int kind)
{
    const QPair<Node*, Node*> pair = selectedNodePair();
    if (!pair.first && !pair.second)
        return;
    Node* cytokine = nullptr;
    Node* cell = nullptr;
    if (pair.first->kind == Node::CYTOKINE && pair.second->kind == Node::CELL) {
        cytokine = pair.first;
        cell = pair.second;
    } else if (pair.second->kind == Node::CYTOKINE && pair.first->kind == Node::CELL) {
        cytokine = pair.second;
        cell = pair.first;
    } else {
        return;
    }

    // A synthesis runs from the cell type, the effects from the cytokine.
    const bool synthesis = kind == Link::SYNTHESIS;
    Node* from = synthesis ? cell : cytokine;
    Node* to = synthesis ? cytokine : cell;
    if (from->existedLink(from, to)) {
        const QString text = synthesis ? tr("There already exists relation between %1 and %2!")
                                       : tr("There already exists relaiton between %1 and %2!");
        QMessageBox::warning(this, tr("Add new relation"), text.arg(from->text(), to->text()),
                             QMessageBox::Ok);
        return;
    }
    auto* link = new Link(from, to, kind);
    scene->addItem(link);
    link->trackNodes();
}

void DiagramWindow::addCurve(int kind)
{
    const QPair<Node*, Link*> pair = selectedNodeLinkPair();
    if (!pair.first && !pair.second)
        return;
    Node* node = pair.first;
    Link* link = pair.second;
    if (node->existedCurve(node, link)) {
        QMessageBox::warning(this, tr("Add new upregulation"),
                             tr("There already exists relation between %1 and %2!")
                                 .arg(node->text(), link->text()),
                             QMessageBox::Ok);
        return;
    }
    auto* curve = new Curve(node, link, kind);
    scene->addItem(curve);
    curve->trackNodes();
}

bool DiagramWindow::removeCurveAsked(Curve* curve)
{
    const QString verb = curve->kind == Curve::DOWNREGULATE ? QStringLiteral("downregulates")
                         : curve->kind == Curve::UPREGULATE ? QStringLiteral("upregulates")
                                                            : QString();
    const Link* link = curve->toLink();
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        this, tr("Remove relation"),
        tr("Are you sure to delete the relation that '%1' '%2' the process that '%3' synthesizes "
           "'%4'?")
            .arg(curve->fromNode()->text(), verb, link->fromNode()->text(), link->toNode()->text()),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return false;

    QSqlQuery query;
    query.prepare(QStringLiteral(
        "SELECT id FROM cytokine_cell WHERE cytokinename = ? AND cellname = ?"));
    query.addBindValue(link->toNode()->text());
    query.addBindValue(link->fromNode()->text());
    query.exec();
    if (query.next()) {
        const int synthesisId = query.value(0).toInt();
        if (synthesisId >= 0) {
            query.prepare(QStringLiteral(
                "DELETE FROM regulate WHERE cytokinename = ? AND cytokine_cellid = ?"));
            query.addBindValue(curve->fromNode()->text());
            query.addBindValue(synthesisId);
            query.exec();
        }
    }
    delete curve;
    return true;
}

void DiagramWindow::deleteLink()
{
    // The arrows are picked out before anything is deleted: deleting an arrow
    // deletes the curves on it, which may be further down the selection.
    QList<Link*> links;
    const QList<QGraphicsItem*> selection = scene->selectedItems();
    for (QGraphicsItem* item : selection) {
        if (auto* link = dynamic_cast<Link*>(item))
            links.append(link);
    }

    for (Link* link : qAsConst(links)) {
        const QString verb = link->kind == Link::PROMOTE   ? QStringLiteral("promotes")
                             : link->kind == Link::INHIBIT ? QStringLiteral("inhibits")
                                                           : QString();
        const QMessageBox::StandardButton answer = QMessageBox::warning(
            this, tr("Remove relation"),
            tr("Are you sure to delete the relation that '%1' '%2' '%3'?")
                .arg(link->fromNode()->text(), verb, link->toNode()->text()),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;

        // A curve cannot outlive the arrow it regulates: each is asked about
        // and deleted first; a No keeps the arrow.
        QList<Curve*> curves = link->curves();
        std::sort(curves.begin(), curves.end(),
                  [](const Curve* a, const Curve* b) { return a->text() < b->text(); });
        for (Curve* curve : qAsConst(curves)) {
            if (!removeCurveAsked(curve))
                return;
        }

        QSqlQuery query;
        query.prepare(QStringLiteral("DELETE FROM behavior WHERE cytokinename = ? AND cellname = ?"));
        query.addBindValue(link->fromNode()->text());
        query.addBindValue(link->toNode()->text());
        query.exec();
        delete link;
    }

    const QList<QGraphicsItem*> remaining = scene->selectedItems();
    for (QGraphicsItem* item : remaining) {
        auto* curve = dynamic_cast<Curve*>(item);
        if (curve && !removeCurveAsked(curve))
            return;
    }
}
