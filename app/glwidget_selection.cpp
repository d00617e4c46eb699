// Picking cells with the mouse, panning, and changing the type of the
// selected cells.
//
// Widget pixels (y down) map to world coordinates by
//   x = (px + translateX) / scale,  y = ((H - py) + translateY) / scale
// with H the GL viewport height: the inverse of the drawing transform.
// Candidates come from the engine's R-tree of cell boxes; the cell's own
// inside tests decide.
#include "app/glwidget.h"

#include "app/propertiesdialog.h"
#include "geometry/rtree.h"
#include "model/dbreader.h"
#include "model/parameter_tables.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <vector>

void GLWidget::mousePressEvent(QMouseEvent* event)
{
    lastPos = event->pos();
    pressPos = event->pos();

    const bool picking = (event->buttons() & Qt::LeftButton) && !selectRectangle &&
                         !selectEllipse && reader && reader->ready;
    if (picking) {
        const double x = (event->pos().x() + translateX) / scale;
        const double y = ((height() - event->pos().y()) + translateY) / scale;
        pressWorldX = x;
        pressWorldY = y;
        clearSelection();

        // An engine without an R-tree (a new, empty one) has no candidates.
        std::vector<int> candidates;
        if (reader->rtree)
            reader->rtree->search_point(x, y, candidates);
        if (candidates.empty()) {
            updateGL();
            int none = -1;
            emit selectVectors(none);
        } else {
            const int cellCount = static_cast<int>(reader->cells.size());
            for (int index : candidates) {
                if (index < 0 || index >= cellCount)
                    continue;
                cell* c = reader->cells[index];
                if (c->dead || !c->test_point_inside(x, y))
                    continue;
                selectedCells.push_back(index);
                c->selected = 1;
                updateGL();
                emit selectVectors(index);
                break;
            }
        }
    }
    emit mouse_message(tr("(%1,%2)").arg(event->pos().x()).arg(event->pos().y()));
}

void GLWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton) {
        if (!selectRectangle && !selectEllipse) {
            // The tissue follows the pointer.
            translateX -= event->pos().x() - lastPos.x();
            translateY += event->pos().y() - lastPos.y();
        }
        updateGL();
    }
    lastPos = event->pos();
}

void GLWidget::mouseReleaseEvent(QMouseEvent* event)
{
    releasePos = event->pos();
    if (event->button() != Qt::LeftButton || (!selectRectangle && !selectEllipse))
        return;
    if (!reader) {
        clearSelectionModes();
        return;
    }
    if (!reader->ready)
        return;

    const int h = height();
    const double x1 = pressPos.x(), y1 = h - pressPos.y();
    const double x2 = releasePos.x(), y2 = h - releasePos.y();
    clearSelection();

    std::vector<int> candidates;
    const bool byRectangle = selectRectangle;
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    double cx = 0, cy = 0, a = 0, b = 0;
    if (byRectangle) {
        xmin = (std::min(x1, x2) + translateX) / scale;
        ymin = (std::min(y1, y2) + translateY) / scale;
        xmax = (std::max(x1, x2) + translateX) / scale;
        ymax = (std::max(y1, y2) + translateY) / scale;
        if (reader->rtree)
            reader->rtree->search_rectangle(xmin, ymin, xmax, ymax, candidates);
    } else {
        cx = ((x1 + x2) / 2 + translateX) / scale;
        cy = ((y1 + y2) / 2 + translateY) / scale;
        a = std::fabs(x1 - x2) * 0.5 / scale;
        b = std::fabs(y1 - y2) * 0.5 / scale;
        if (reader->rtree)
            reader->rtree->search_ellipse(cx, cy, a, b, candidates);
    }

    const int cellCount = static_cast<int>(reader->cells.size());
    int last = -1;
    for (int index : candidates) {
        if (index < 0 || index >= cellCount)
            continue;
        last = index;
        cell* c = reader->cells[index];
        if (c->dead)
            continue;
        const bool inside = byRectangle ? c->test_inside_rectangle(xmin, ymin, xmax, ymax)
                                        : c->test_inside_ellipse(cx, cy, a, b);
        if (inside) {
            c->selected = 1;
            selectedCells.push_back(index);
        }
    }

    clearSelectionModes();
    updateGL();
    if (last < 0) {
        int none = -1;
        emit selectVectors(none);
    } else {
        emit selectVectors(last);
        emit mouse_message(QString::number(last));
    }
}

void GLWidget::set_new_type()
{
    clearSelectionModes();
    if (selectedCells.empty() || !cellProperty)
        return;
    connect(cellProperty, &propertiesDialog::cell_types, this, &GLWidget::set_cell_type,
            Qt::UniqueConnection);
    cellProperty->show();
}

void GLWidget::set_cell_type()
{
    if (!cellProperty)
        return;
    if (!cellProperty->setFlag) {
        cellProperty->close();
        return;
    }
    // Only a type the tables can hold is given, and only to cells of the
    // current engine.
    const int type = cellProperty->cellType;
    if (reader && type >= 0 && type < MAX_CELL_TYPES) {
        const int cellCount = static_cast<int>(reader->cells.size());
        for (int index : selectedCells) {
            if (index < 0 || index >= cellCount)
                continue;
            // The name goes with the type: the cell's signalling model is
            // looked up by it.
            reader->cells[index]->set_cell_type(type);
            reader->cells[index]->set_cell_type_name(index_name_class[type]);
        }
    }
    cellProperty->setFlag = false;
    updateGL();
    cellProperty->close();
    // The cell list shows the types: it is brought up to date.
    if (reader)
        Dock_Tree();
}

void GLWidget::new_cellProperty()
{
    delete cellProperty;
    cellProperty = new propertiesDialog(nullptr);
    // An open chooser does not keep the program running after Exit.
    cellProperty->setAttribute(Qt::WA_QuitOnClose, false);
}

QString GLWidget::currentmatrix()
{
    return "Current translates, Scale, width, height: " + QString::number(translateX) + "," +
           QString::number(translateY) + "," + QString::number(scale, 'g', 6) + "," +
           QString::number(width()) + "," + QString::number(height());
}
