// The relationship diagram window on the seeded database: its boxes and
// arrows, the enabling of its commands, stacking, dragging, the use filter,
// and the add and delete commands with the rows they touch.
#include "editors_fixture.h"
#include "editors/relation_geometry.h"

#include <QSignalSpy>

#include <memory>

using namespace relation_kit;

namespace {

class RelationDiagramTest : public RelationEditorsTest {
protected:
    void SetUp() override
    {
        RelationEditorsTest::SetUp();
        makeWindow();
    }
    void TearDown() override
    {
        probe.reset();
        window.reset();
        RelationEditorsTest::TearDown();
    }
    void makeWindow()
    {
        probe.reset();
        window = std::make_unique<DiagramWindow>();
        window->resize(600, 500);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        probe = std::make_unique<DiagramWindowProbe>(*window);
    }
    Node* node(const char* text) { return probe->node(QString::fromUtf8(text)); }
    Link* link(const QString& text) { return probe->relation<Link>(text); }
    Curve* curve(const QString& text) { return probe->relation<Curve>(text); }
    // Draws a relation between the two selected items with an action.
    void draw(QAction* action, QGraphicsItem* a, QGraphicsItem* b)
    {
        probe->select({a, b});
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
    }
    std::vector<bool> enabled() const
    {
        std::vector<bool> result;
        for (QAction* action : probe->actions())
            result.push_back(action->isEnabled());
        return result;
    }

    std::unique_ptr<DiagramWindow> window;
    std::unique_ptr<DiagramWindowProbe> probe;
};

const char* const kCells[] = {"ECM", "BM", "Fibroblast", "Keratinocyte", "FC", "Macrophage"};
const char* const kCytokines[] = {"Collagen", "EGF", "TGFb", "MMP", "KGF", "Procollagen", "PDGF"};

}

TEST_F(RelationDiagramTest, SeededDiagramShowsEveryTypeCytokineAndSynthesis)
{
    EXPECT_EQ(window->windowTitle(), "network");
    EXPECT_EQ(probe->scene()->sceneRect(), QRectF(0, 0, 600, 500));
    for (int i = 0; i < 6; ++i) {
        Node* n = node(kCells[i]);
        ASSERT_NE(n, nullptr) << kCells[i];
        EXPECT_EQ(n->kind, Node::CELL);
        EXPECT_EQ(n->pos(), QPointF(200, 80 + 50 * i)) << kCells[i];
    }
    for (int i = 0; i < 7; ++i) {
        Node* n = node(kCytokines[i]);
        ASSERT_NE(n, nullptr) << kCytokines[i];
        EXPECT_EQ(n->kind, Node::CYTOKINE);
        EXPECT_EQ(n->pos(), QPointF(400, 80 + 50 * i)) << kCytokines[i];
    }
    // One synthesis arrow per cytokine_cell row, from the type to the cytokine;
    // the behavior rows are not drawn.
    EXPECT_EQ(probe->count<Link>(), 10);
    for (const QStringList& row : rows("SELECT cellname, cytokinename FROM cytokine_cell")) {
        Link* l = link(row[0] + " synthesizes " + row[1]);
        ASSERT_NE(l, nullptr) << row.join(' ').toStdString();
        EXPECT_EQ(l->kind, Link::SYNTHESIS);
        EXPECT_EQ(l->fromNode(), probe->node(row[0]));
        EXPECT_EQ(l->toNode(), probe->node(row[1]));
        EXPECT_EQ(l->color, QColor(Qt::black));
    }

    // The last box placed is the only one selected: Delete, Bring to Front
    // and Send to Back alone are enabled.
    ASSERT_EQ(probe->scene()->selectedItems(), QList<QGraphicsItem*>{node("PDGF")});
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false, false, false, true, true, true}));
    EXPECT_EQ(probe->toolBar()->actions(),
              (QList<QAction*>{probe->upregulate(), probe->downregulate(), probe->inhibit(),
                               probe->promote(), probe->properties(), probe->remove(),
                               probe->front(), probe->back()}));
    for (QAction* action : probe->actions())
        EXPECT_FALSE(action->icon().isNull()) << action->text().toStdString();

    // The stacking icons are GIF pictures of two squares: the blue one on
    // top for the front, below for the back.
    const QImage front(":/images/front.gif");
    const QImage back(":/images/back.gif");
    ASSERT_EQ(front.size(), QSize(32, 32));
    ASSERT_EQ(back.size(), QSize(32, 32));
    EXPECT_EQ(front.pixelColor(15, 15), QColor(48, 112, 224));
    EXPECT_EQ(back.pixelColor(15, 15), QColor(180, 180, 180));
}

TEST_F(RelationDiagramTest, CommandsFollowTheKindOfSelection)
{
    Link* synthesis = link("FC synthesizes EGF");
    ASSERT_NE(synthesis, nullptr);
    //                 up     down   synth  inhib  prom   props  delete front  back
    struct Case {
        const char* what;
        std::vector<QGraphicsItem*> items;
        std::vector<bool> expected;
    } cases[] = {
        {"nothing", {}, {false, false, false, false, false, false, false, false, false}},
        {"two nodes of one kind", {node("EGF"), node("KGF")}, {false, false, false, true, true, false, true, true, true}},
        {"a node and an arrow", {node("TGFb"), synthesis}, {true, true, false, false, false, false, true, true, true}},
        {"an arrow and a node", {synthesis, node("TGFb")}, {true, true, false, false, false, false, true, true, true}},
        {"one arrow", {synthesis}, {false, false, false, false, false, true, true, true, true}},
        {"three nodes", {node("EGF"), node("KGF"), node("FC")}, {false, false, false, false, false, false, true, true, true}},
    };
    for (const Case& c : cases) {
        probe->scene()->clearSelection();
        for (QGraphicsItem* item : c.items)
            item->setSelected(true);
        EXPECT_EQ(enabled(), c.expected) << c.what;
    }

    draw(probe->upregulate(), node("TGFb"), synthesis);
    Curve* up = curve("TGFb upregulates FC synthesizes EGF");
    ASSERT_NE(up, nullptr);
    probe->select({up});
    EXPECT_TRUE(probe->properties()->isEnabled());
    EXPECT_FALSE(probe->synthesis()->isEnabled());

    // The view offers no context menu, whatever is selected.
    EXPECT_TRUE(probe->view()->actions().isEmpty());
    EXPECT_EQ(probe->view()->contextMenuPolicy(), Qt::ActionsContextMenu);
}

TEST_F(RelationDiagramTest, StackingMovesNodesAlone)
{
    probe->select({node("PDGF")});
    probe->front()->trigger();
    EXPECT_EQ(node("PDGF")->zValue(), 1);
    // With an arrow first in the selection nothing moves, but the count goes on.
    probe->select({link("FC synthesizes EGF")});
    probe->front()->trigger();
    EXPECT_EQ(link("FC synthesizes EGF")->zValue(), -1);
    probe->select({node("EGF")});
    probe->front()->trigger();
    EXPECT_EQ(node("EGF")->zValue(), 3);
    probe->back()->trigger();
    EXPECT_EQ(node("EGF")->zValue(), -1);
}

TEST_F(RelationDiagramTest, DraggedBoxKeepsItsArrowsEndingOnIt)
{
    Node* fc = node("FC");
    probe->select({});
    QWidget* viewport = probe->view()->viewport();
    const QPoint start = probe->view()->mapFromScene(fc->pos());
    const QPoint stop = start + QPoint(60, -45);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, start);
    for (int step = 1; step <= 3; ++step) {
        QMouseEvent move(QEvent::MouseMove, start + (stop - start) * step / 3, Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, stop);
    ASSERT_EQ(fc->pos(), probe->view()->mapToScene(stop));

    // Every arrow at FC was re-tracked: its path runs from its from-box's
    // centre to where the geometry says it meets its to-box.
    int seen = 0;
    for (QGraphicsItem* item : probe->scene()->items()) {
        auto* l = dynamic_cast<Link*>(item);
        if (!l || (l->fromNode() != fc && l->toNode() != fc))
            continue;
        ++seen;
        const QRectF box = l->toNode()->outlineRect();
        const auto g = relations::arrowGeometry(l->fromNode()->pos(), l->toNode()->pos(),
                                                box.width() / 2, box.height() / 2, l->kind);
        EXPECT_EQ(l->path().elementAt(0), l->fromNode()->pos());
        EXPECT_EQ(l->path().currentPosition(), g.end) << l->text().toStdString();
        EXPECT_EQ(l->arrowHead, g.head);
    }
    EXPECT_EQ(seen, 4);
}

TEST_F(RelationDiagramTest, UnusedTypeHidesItsBoxArrowsAndTheirCurves)
{
    draw(probe->upregulate(), node("EGF"), link("Keratinocyte synthesizes TGFb"));
    draw(probe->downregulate(), node("Keratinocyte"), link("FC synthesizes EGF"));
    draw(probe->upregulate(), node("PDGF"), link("FC synthesizes EGF"));
    runStatement("UPDATE cell SET use = 0 WHERE name = ?", {"Keratinocyte"});
    window->updateUseStatus();

    const QStringList hidden = {"Keratinocyte", "Keratinocyte synthesizes TGFb",
                                "Keratinocyte synthesizes MMP",
                                "EGF upregulates Keratinocyte synthesizes TGFb",
                                "Keratinocyte downregulates FC synthesizes EGF"};
    for (QGraphicsItem* item : probe->scene()->items()) {
        QString text;
        if (auto* n = dynamic_cast<Node*>(item)) text = n->text();
        if (auto* l = dynamic_cast<Link*>(item)) text = l->text();
        if (auto* c = dynamic_cast<Curve*>(item)) text = c->text();
        EXPECT_EQ(item->isVisible(), !hidden.contains(text)) << text.toStdString();
    }

    // In use again: everything shows.
    runStatement("UPDATE cell SET use = 1 WHERE name = ?", {"Keratinocyte"});
    window->updateUseStatus();
    for (QGraphicsItem* item : probe->scene()->items())
        EXPECT_TRUE(item->isVisible());
}

TEST_F(RelationDiagramTest, AddCommandsDrawFromCytokineToCellAndRefuseDuplicates)
{
    // Either selection order gives an arrow from the cytokine to the type.
    draw(probe->inhibit(), node("PDGF"), node("Macrophage"));
    draw(probe->promote(), node("Fibroblast"), node("MMP"));
    Link* inhibit = link("PDGF inhibits Macrophage");
    Link* promote = link("MMP promotes Fibroblast");
    ASSERT_NE(inhibit, nullptr);
    ASSERT_NE(promote, nullptr);
    EXPECT_EQ(inhibit->kind, Link::INHIBIT);
    EXPECT_EQ(inhibit->color, QColor(Qt::red));
    EXPECT_EQ(promote->fromNode(), node("MMP"));
    EXPECT_EQ(promote->color, QColor(Qt::cyan));
    EXPECT_EQ(rowCount("behavior"), 3);

    // Two cytokines: no arrow and no box.
    const int links = probe->count<Link>();
    draw(probe->promote(), node("EGF"), node("KGF"));
    EXPECT_EQ(probe->count<Link>(), links);

    // The seeded synthesis joins TGFb and Keratinocyte: refused, kind and
    // direction notwithstanding.
    auto box = answerNextBox(QMessageBox::Ok);
    draw(probe->promote(), node("TGFb"), node("Keratinocyte"));
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->title, "Add new relation");
    EXPECT_EQ(box->text, "There already exists relaiton between TGFb and Keratinocyte!");
    EXPECT_EQ(probe->count<Link>(), links);

    // The synthesis command, not offered, orders the pair the other way.
    probe->select({node("PDGF"), node("ECM")});
    probe->addSynthesis();
    ASSERT_NE(link("ECM synthesizes PDGF"), nullptr);
    box = answerNextBox(QMessageBox::Ok);
    probe->select({node("ECM"), node("PDGF")});
    probe->addSynthesis();
    EXPECT_EQ(box->text, "There already exists relation between ECM and PDGF!");

    // One curve per node and arrow, of either kind.
    draw(probe->upregulate(), node("TGFb"), link("FC synthesizes EGF"));
    box = answerNextBox(QMessageBox::Ok);
    draw(probe->downregulate(), link("FC synthesizes EGF"), node("TGFb"));
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->title, "Add new upregulation");
    EXPECT_EQ(box->text, "There already exists relation between TGFb and FC synthesizes EGF!");
    EXPECT_EQ(probe->count<Curve>(), 1);
    EXPECT_EQ(curve("TGFb upregulates FC synthesizes EGF")->color, QColor(Qt::darkGreen));
}

TEST_F(RelationDiagramTest, DeleteAsksPerArrowAndRemovesItsBehaviorRows)
{
    // The seeded synthesis: asked with an empty verb; its row stays.
    probe->select({link("FC synthesizes EGF")});
    auto box = answerNextBox(QMessageBox::Yes);
    probe->deleteSelected();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->title, "Remove relation");
    EXPECT_EQ(box->text, "Are you sure to delete the relation that 'FC' '' 'EGF'?");
    EXPECT_EQ(link("FC synthesizes EGF"), nullptr);
    EXPECT_EQ(rows("SELECT id FROM cytokine_cell WHERE cellname = 'FC' AND cytokinename = 'EGF'").size(), 1u);

    // A promote arrow takes the seeded behavior row of its pair with it.
    draw(probe->promote(), node("EGF"), node("Keratinocyte"));
    probe->select({link("EGF promotes Keratinocyte")});
    box = answerNextBox(QMessageBox::Yes);
    probe->deleteSelected();
    EXPECT_EQ(box->text, "Are you sure to delete the relation that 'EGF' 'promotes' 'Keratinocyte'?");
    EXPECT_TRUE(rows("SELECT id FROM behavior WHERE cytokinename = 'EGF'").empty());
    EXPECT_EQ(rowCount("behavior"), 2);

    // Yes, then No: one of three arrows goes, the rest stay.
    const int links = probe->count<Link>();
    probe->select({link("FC synthesizes KGF"),
                   link("FC synthesizes TGFb"), link("FC synthesizes PDGF")});
    auto boxes = answerBoxes({QMessageBox::Yes, QMessageBox::No});
    probe->deleteSelected();
    EXPECT_TRUE((*boxes)[1].shown);
    EXPECT_EQ(probe->count<Link>(), links - 1);

    // Nodes alone: no box, nothing changes.
    probe->select({node("FC"), node("EGF")});
    box = answerNextBox(QMessageBox::Yes);
    probe->deleteSelected();
    QTest::qWait(60);
    EXPECT_FALSE(box->shown);
    EXPECT_EQ(probe->count<Link>(), links - 1);
}

TEST_F(RelationDiagramTest, ArrowGoesWithTheCurvesOnItAndTheirRegulateRows)
{
    Link* target = link("FC synthesizes EGF");
    draw(probe->upregulate(), node("TGFb"), target);
    draw(probe->downregulate(), node("PDGF"), target);
    draw(probe->upregulate(), node("TGFb"), link("FC synthesizes KGF"));
    const QString insert = "INSERT INTO regulate (cytokinename, cytokineid, cytokine_cellid, "
                           "regulate_type, regulate_coef) VALUES (?, ?, ?, ?, ?)";
    runStatement(insert, {"TGFb", 3, 1, 0, 2.5});
    runStatement(insert, {"PDGF", 7, 1, 1, 1.5});
    runStatement(insert, {"TGFb", 3, 4, 0, 3.0});

    // No at the second curve keeps the arrow, and its other curve.
    probe->select({target});
    auto boxes = answerBoxes({QMessageBox::Yes, QMessageBox::Yes, QMessageBox::No});
    probe->deleteSelected();
    ASSERT_TRUE((*boxes)[2].shown);
    EXPECT_EQ((*boxes)[1].text, "Are you sure to delete the relation that 'PDGF' 'downregulates' the "
                                "process that 'FC' synthesizes 'EGF'?");
    EXPECT_EQ(link("FC synthesizes EGF"), target);
    EXPECT_EQ(curve("PDGF downregulates FC synthesizes EGF"), nullptr);
    EXPECT_NE(curve("TGFb upregulates FC synthesizes EGF"), nullptr);
    EXPECT_EQ(rows("SELECT cytokinename FROM regulate WHERE cytokine_cellid = 1"),
              std::vector<QStringList>{{"TGFb"}});

    // Three questions: the arrow and both its curves go with their rows; the
    // curve on another arrow and its row stay.
    draw(probe->downregulate(), node("PDGF"), target);
    runStatement(insert, {"PDGF", 7, 1, 1, 1.5});
    probe->select({target, curve("TGFb upregulates FC synthesizes EGF")});
    boxes = answerBoxes({QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Yes});
    probe->deleteSelected();
    ASSERT_TRUE((*boxes)[2].shown);
    EXPECT_EQ(link("FC synthesizes EGF"), nullptr);
    EXPECT_EQ(probe->count<Curve>(), 1);
    EXPECT_TRUE(node("TGFb")->existedCurve(node("TGFb"), link("FC synthesizes KGF")));
    EXPECT_EQ(rows("SELECT cytokinename, cytokine_cellid FROM regulate"),
              (std::vector<QStringList>{{"TGFb", "4"}}));
    // The item's sets no longer list anything deleted.
    EXPECT_FALSE(node("PDGF")->existedCurve(node("PDGF"), nullptr));
    EXPECT_FALSE(node("FC")->existedLink(node("FC"), node("EGF")));
}

TEST_F(RelationDiagramTest, NamesWithApostrophesReachTheirRows)
{
    runStatement("INSERT INTO cell (name, description, young, poisson, Factin, red, green, blue, "
                 "growth_coef, migration_coef, death_coef, quiet_coef, use, static, boundary) "
                 "VALUES (?, '', 10, 40, 0, 1, 2, 3, 0, 0, 0, 1, 1, 0, 0)",
                 {"O'Cell"});
    runStatement("INSERT INTO cytokine (name, extension, description, incell, diffusion, "
                 "degradation, use) VALUES (?, 8, '', 0, 1, 1, 1)",
                 {"IL'1"});
    runStatement("INSERT INTO cytokine (name, extension, description, incell, diffusion, "
                 "degradation, use) VALUES (?, 9, '', 0, 1, 1, 1)",
                 {"TNF'a"});
    runStatement("INSERT INTO cytokine_cell (cytokinename, cytokineid, cellname, cellid, synthesis) "
                 "VALUES (?, 8, ?, 7, 0.5)",
                 {"IL'1", "O'Cell"});
    makeWindow();
    window->updateUseStatus();
    ASSERT_NE(node("O'Cell"), nullptr);
    EXPECT_EQ(node("O'Cell")->pos(), QPointF(200, 380));
    Link* synthesis = link("O'Cell synthesizes IL'1");
    ASSERT_NE(synthesis, nullptr);
    EXPECT_TRUE(synthesis->isVisible());

    draw(probe->promote(), node("TNF'a"), node("O'Cell"));
    Link* promote = link("TNF'a promotes O'Cell");
    ASSERT_NE(promote, nullptr);
    LinkPropertiesDialog linkDialog(promote);
    RelationDialogProbe::set(linkDialog, 1, "0.25");
    RelationDialogProbe::ok(linkDialog)->click();
    EXPECT_EQ(rows("SELECT cytokineid, cellid, migration_type, migration_coef FROM behavior "
                   "WHERE cellname = ?", {"O'Cell"}),
              (std::vector<QStringList>{{"9", "7", "1", "0.25"}}));

    draw(probe->downregulate(), node("IL'1"), synthesis);
    Curve* down = curve("IL'1 downregulates O'Cell synthesizes IL'1");
    CurvePropertiesDialog curveDialog(down);
    RelationDialogProbe::scaling(curveDialog)->setText("4");
    RelationDialogProbe::ok(curveDialog)->click();
    EXPECT_EQ(rows("SELECT cytokinename, cytokineid, cytokine_cellid, regulate_type FROM regulate"),
              (std::vector<QStringList>{{"IL'1", "8", "11", "1"}}));

    probe->select({promote, synthesis});
    auto boxes = answerBoxes({QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Yes});
    probe->deleteSelected();
    EXPECT_TRUE((*boxes)[2].shown);
    EXPECT_EQ(rowCount("regulate"), 0);
    EXPECT_TRUE(rows("SELECT id FROM behavior WHERE cellname = ?", {"O'Cell"}).empty());
    EXPECT_EQ(rowCount("behavior"), 3);
}

// Tearing down leaves no item pointing at one that is gone (the sanitizers
// watch): a node whose arrows carry other nodes' curves, then a window with
// curves.
TEST_F(RelationDiagramTest, DestroyingNodesAndWindowsWithCurvesIsClean)
{
    Link* target = link("FC synthesizes EGF");
    draw(probe->upregulate(), node("TGFb"), target);
    draw(probe->downregulate(), node("FC"), link("Fibroblast synthesizes KGF"));
    draw(probe->upregulate(), node("PDGF"), link("Fibroblast synthesizes EGF"));
    const int links = probe->count<Link>();
    delete node("FC");
    EXPECT_EQ(probe->count<Curve>(), 1);
    EXPECT_EQ(probe->count<Link>(), links - 4);
    EXPECT_FALSE(node("TGFb")->existedCurve(node("TGFb"), target));
    EXPECT_EQ(node("FC"), nullptr);
    EXPECT_TRUE(node("EGF")->existedLink(node("Fibroblast"), node("EGF")));

    QSignalSpy destroyed(window.get(), &QObject::destroyed);
    probe.reset();
    window.reset();
    EXPECT_EQ(destroyed.count(), 1);
}
