// The new-tissue designer window: a tool box with the "cell" tool, a canvas
// of circles, and three commands. Build hands the circle positions to the
// main window; Exit offers to save them as a "Center-based" tissue file.
#include "app/newdiagram.h"

#include "app/save_question.h"

#include "app/diagramscene.h"

#include <QAction>
#include <QButtonGroup>
#include <QFileDialog>
#include <QGraphicsView>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QSaveFile>
#include <QTextStream>
#include <QToolBar>
#include <QToolBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

newDiagram::newDiagram()
{
    createActions();
    createToolBox();

    scene = new DiagramScene(this);
    scene->setSceneRect(QRectF(0, 0, 1000, 1000));
    connect(scene, &DiagramScene::itemInserted, this, &newDiagram::itemInserted);
    connect(scene, &DiagramScene::itemSelected, this, &newDiagram::itemSelected);

    view = new QGraphicsView(scene);
    createToolBars();

    auto* body = new QHBoxLayout;
    body->addWidget(toolBox);
    body->addWidget(view);

    auto* layout = new QVBoxLayout;
    layout->setMenuBar(fileToolBar);
    layout->addLayout(body);
    setLayout(layout);

    setWindowTitle(tr("New tissue diagram"));
}

void newDiagram::createActions()
{
    deleteAction = new QAction(QIcon(":/images/delete.png"), tr("&Delete"), this);
    deleteAction->setStatusTip(tr("Delete the selected cell"));
    connect(deleteAction, &QAction::triggered, this, &newDiagram::deleteItem);

    buildAction = new QAction(QIcon(":/images/write.png"), tr("&Build"), this);
    buildAction->setStatusTip(tr("Build the diagram into the tissue"));
    connect(buildAction, &QAction::triggered, this, &newDiagram::buildData);

    exitAction = new QAction(QIcon(":/images/close.png"), tr("E&xit"), this);
    exitAction->setStatusTip(tr("Quit"));
    connect(exitAction, &QAction::triggered, this, &newDiagram::closeDiagram);
}

void newDiagram::createToolBars()
{
    fileToolBar = new QToolBar(tr("&file"), this);
    fileToolBar->addAction(deleteAction);
    fileToolBar->addAction(buildAction);
    fileToolBar->addAction(exitAction);
}

void newDiagram::createToolBox()
{
    buttonGroup = new QButtonGroup(this);
    buttonGroup->setExclusive(false);
    connect(buttonGroup, &QButtonGroup::idClicked, this, &newDiagram::buttonGroupClicked);

    auto* layout = new QGridLayout;
    layout->addWidget(createToolWidget(tr("cell"), DiagramItem::Cell), 0, 0);
    auto* itemWidget = new QWidget;
    itemWidget->setLayout(layout);

    toolBox = new QToolBox;
    toolBox->setSizePolicy(QSizePolicy(QSizePolicy::Maximum, QSizePolicy::Ignored));
    toolBox->setMinimumWidth(itemWidget->sizeHint().width());
    toolBox->addItem(itemWidget, tr("Cells"));
}

QWidget* newDiagram::createToolWidget(const QString& text, DiagramItem::DiagramType type)
{
    DiagramItem item(type);

    auto* button = new QToolButton;
    button->setIcon(QIcon(item.image()));
    button->setIconSize(QSize(25, 25));
    button->setCheckable(true);
    buttonGroup->addButton(button, static_cast<int>(type));

    auto* layout = new QGridLayout;
    layout->addWidget(button, 0, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(text), 1, 0, Qt::AlignCenter);

    auto* widget = new QWidget;
    widget->setLayout(layout);
    return widget;
}

void newDiagram::buttonGroupClicked(int id)
{
    for (QAbstractButton* button : buttonGroup->buttons())
        if (buttonGroup->button(id) != button)
            button->setChecked(false);
    scene->setItemType(static_cast<DiagramItem::DiagramType>(id));
    scene->setMode(DiagramScene::InsertItem);
}

void newDiagram::itemInserted(DiagramItem* item)
{
    // One click of the tool places one circle.
    scene->setMode(DiagramScene::MoveItem);
    if (QAbstractButton* button = buttonGroup->button(static_cast<int>(item->diagramType())))
        button->setChecked(false);
}

void newDiagram::itemSelected(QGraphicsItem*)
{
}

QList<DiagramItem*> newDiagram::circles() const
{
    QList<DiagramItem*> found;
    for (QGraphicsItem* item : scene->items(Qt::DescendingOrder))
        if (item->type() == DiagramItem::Type)
            found.append(static_cast<DiagramItem*>(item));
    return found;
}

void newDiagram::removeCircles()
{
    for (DiagramItem* item : circles()) {
        scene->removeItem(item);
        delete item;
    }
}

void newDiagram::deleteItem()
{
    for (QGraphicsItem* item : scene->selectedItems()) {
        if (item->type() != DiagramItem::Type)
            continue;
        scene->removeItem(item);
        delete item;
    }
}

void newDiagram::buildData()
{
    int n = scene->items().size();
    if (n == 0) {
        close();
        return;
    }
    for (DiagramItem* item : circles()) {
        xPositions.push_back(item->pos().x());
        yPositions.push_back(item->pos().y());
        scene->removeItem(item);
        delete item;
    }
    emit buildSignal(n);
    close();
}

void newDiagram::closeDiagram()
{
    if (scene->items().isEmpty()) {
        close();
        return;
    }
    // Escape or closing the question keeps the designer open with its circles.
    const SaveAnswer answer = askSaveQuestion(this, tr("New tissue diagram"),
                                              tr("Do you wanna save the current tissue before quit?"),
                                              QMessageBox::Yes);
    if (answer == SaveAnswer::Cancel)
        return;
    if (answer == SaveAnswer::No) {
        removeCircles();
        close();
        return;
    }

    const QString fileName =
        QFileDialog::getSaveFileName(this, tr("Save Vantu"), ".", tr("Vantu files (*.vt)"));
    if (fileName.isEmpty()) {
        close();
        return;
    }

    std::vector<double> xs;
    std::vector<double> ys;
    for (DiagramItem* item : circles()) {
        xs.push_back(worldX(item->pos().x()));
        ys.push_back(worldY(item->pos().y()));
    }

    // The file replaces an older one only once it is completely written, and
    // the circles go only then: a failed save loses neither.
    QSaveFile file(fileName);
    bool written = false;
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        writeCenterBasedTissue(file, xs, ys);
        written = file.commit();
    }
    if (!written) {
        QMessageBox::warning(this, tr("Vantu"),
                             tr("Cannot write file %1:\n%2.").arg(fileName, file.errorString()));
        return;
    }
    removeCircles();
    close();
}

void writeCenterBasedTissue(QIODevice& device, const std::vector<double>& xs,
                            const std::vector<double>& ys)
{
    QTextStream out(&device);
    out << "#######################\n"
           "# Cell Growth Project #\n"
           "# Sample Database     #\n"
           "#######################\n";
    out << "Center-based\n\n";
    out << "# This is the bounds of your viewing window plane in VRC coordinates\n";
    out << "u -100.0,100.0\nv -75.0,75.0\n";
    out << "# VRC specifying vectors\nVPN 0.0,1.0\nVUP 1.0,0.0\n";
    out << "# World coordinate point specifying the VRC origin\nVRP 0.0,0.0\n";
    out << "# Specify the center of project in reference to the VRC\nPRP 0.0,0.0\n";
    out << "# List of vertices of objects in world coordinates\n";
    out << "CELL_LIST\n";
    const size_t count = std::min(xs.size(), ys.size());
    for (size_t k = 0; k < count; ++k)
        out << xs[k] << "," << ys[k] << ",1 " << "# CELL " << k << "\n";
    out << "END_CELL_LIST\n";
    out.flush();
}
