// The property dialogs: what "&Ok" writes for each relation, and why it
// writes nothing when it cannot.
#include "editors_fixture.h"

#include <memory>

using namespace relation_kit;

namespace {

// The seeded boxes and a few relations drawn on them, without a window.
class RelationDialogTest : public RelationEditorsTest {
protected:
    void SetUp() override
    {
        RelationEditorsTest::SetUp();
        scene = std::make_unique<QGraphicsScene>();
    }
    void TearDown() override
    {
        scene.reset();
        RelationEditorsTest::TearDown();
    }
    Node* node(const char* text, int kind)
    {
        auto* n = new Node(kind);
        n->setText(text);
        scene->addItem(n);
        return n;
    }
    Link* link(Node* from, Node* to, int kind)
    {
        auto* l = new Link(from, to, kind);
        scene->addItem(l);
        return l;
    }
    Curve* curve(Node* from, Link* to, int kind)
    {
        auto* c = new Curve(from, to, kind);
        scene->addItem(c);
        return c;
    }
    static std::vector<QStringList> behavior(const char* cytokine, const char* cell)
    {
        return rows("SELECT cytokineid, cellid, growth_type, growth_coef, migration_type, "
                    "migration_coef, death_type, death_coef, quiet_type, quiet_coef, cycle_type, "
                    "cycle_coef FROM behavior WHERE cytokinename = ? AND cellname = ?",
                    {cytokine, cell});
    }

    std::unique_ptr<QGraphicsScene> scene;
};

using Probe = RelationDialogProbe;

}

TEST_F(RelationDialogTest, LinkDialogWritesOneBehaviorRow)
{
    Link* inhibit = link(node("PDGF", Node::CYTOKINE), node("Macrophage", Node::CELL), Link::INHIBIT);
    LinkPropertiesDialog dialog(inhibit);
    EXPECT_EQ(dialog.windowTitle(), "Setup parameters");
    EXPECT_EQ(dialog.size(), QSize(300, 320));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_TRUE(Probe::header(dialog)->text().contains("of the inhibition effect <br>of PDGF on Macrophage"));
    QTableWidget* table = Probe::table(dialog);
    ASSERT_EQ(table->rowCount(), 4);
    const char* names[] = {"Proliferation", "Migration", "Apoptosis", "Quiescence"};
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(table->item(row, 0)->text(), names[row]);
        EXPECT_EQ(table->item(row, 0)->checkState(), Qt::Unchecked);
        EXPECT_FALSE(table->item(row, 0)->flags() & Qt::ItemIsEditable);
        EXPECT_EQ(table->item(row, 1)->text(), "NA");
    }

    // Nothing checked: no effect on any behaviour, unchecked "NA" ignored.
    Probe::ok(dialog)->click();
    EXPECT_EQ(behavior("PDGF", "Macrophage"),
              (std::vector<QStringList>{{"7", "6", "0", "0", "0", "0", "0", "0", "0", "0", "0", "0"}}));

    // Promotion of one behaviour; a second "&Ok" explains and keeps the row.
    Link* promote = link(inhibit->fromNode(),
                         node("Fibroblast", Node::CELL), Link::PROMOTE);
    LinkPropertiesDialog second(promote);
    Probe::set(second, 0, "0.3");
    Probe::set(second, 3, " 2 ");
    Probe::ok(second)->click();
    const std::vector<QStringList> written{{"7", "3", "1", "0.3", "0", "0", "0", "0", "1", "2", "0", "0"}};
    EXPECT_EQ(behavior("PDGF", "Fibroblast"), written);
    Probe::set(second, 1, "5");
    auto box = answerNextBox(QMessageBox::Ok);
    Probe::ok(second)->click();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->title, "Setup parameters");
    EXPECT_EQ(box->text, "Nothing was written: the effect of 'PDGF' on 'Fibroblast' is already set. "
                         "Delete the relation to set it anew.");
    EXPECT_EQ(behavior("PDGF", "Fibroblast"), written);
}

TEST_F(RelationDialogTest, BadScalingsAreRefusedByName)
{
    Link* promote = link(node("KGF", Node::CYTOKINE), node("Macrophage", Node::CELL), Link::PROMOTE);
    LinkPropertiesDialog dialog(promote);

    // Two checked rows reading "NA": one box, for the upper row.
    Probe::set(dialog, 1, "NA");
    Probe::set(dialog, 2, "NA");
    auto boxes = answerBoxes({QMessageBox::Ok, QMessageBox::Ok});
    Probe::ok(dialog)->click();
    QTest::qWait(100);
    EXPECT_EQ((*boxes)[0].text, "The scaling factor for behavior Migration is NA!");
    EXPECT_FALSE((*boxes)[1].shown);
    ++answerGeneration();

    const char* bad[] = {"", "abc", "na", "-2", "1e999", "0); DROP TABLE behavior; --"};
    for (const char* text : bad) {
        Probe::set(dialog, 1, text);
        auto box = answerNextBox(QMessageBox::Ok);
        Probe::ok(dialog)->click();
        ASSERT_TRUE(box->shown) << text;
        EXPECT_EQ(box->title, "Setup parameters");
        EXPECT_EQ(box->text, QString("The scaling factor for behavior Migration is not a number of 0 "
                                     "or more: '%1'!").arg(text));
        EXPECT_EQ(Probe::table(dialog)->item(1, 1)->text(), text);
    }
    EXPECT_EQ(rowCount("behavior"), 3);
    EXPECT_TRUE(behavior("KGF", "Macrophage").empty());

    Curve* up = curve(node("TGFb", Node::CYTOKINE),
                      link(node("FC", Node::CELL), node("EGF", Node::CYTOKINE), Link::SYNTHESIS),
                      Curve::UPREGULATE);
    CurvePropertiesDialog curveDialog(up);
    auto box = answerNextBox(QMessageBox::Ok);
    Probe::ok(curveDialog)->click();
    EXPECT_EQ(box->title, "Setup upregulation/downregulation paramenters");
    EXPECT_EQ(box->text, "Please input the scaling factor!");
    for (const char* text : {"NA", "abc", "-2", "1e999", "0); DROP TABLE regulate; --"}) {
        Probe::scaling(curveDialog)->setText(text);
        box = answerNextBox(QMessageBox::Ok);
        Probe::ok(curveDialog)->click();
        ASSERT_TRUE(box->shown) << text;
        EXPECT_EQ(box->text, QString("The scaling factor '%1' is not a number of 0 or more!").arg(text));
        EXPECT_EQ(Probe::scaling(curveDialog)->text(), text);
    }
    EXPECT_EQ(rowCount("regulate"), 0);
}

TEST_F(RelationDialogTest, CurveDialogWritesOneRegulateRowPerRegulator)
{
    Node* fc = node("FC", Node::CELL);
    Node* egf = node("EGF", Node::CYTOKINE);
    Node* tgfb = node("TGFb", Node::CYTOKINE);
    Link* synthesis = link(fc, egf, Link::SYNTHESIS);
    Curve* up = curve(tgfb, synthesis, Curve::UPREGULATE);
    CurvePropertiesDialog dialog(up);
    EXPECT_EQ(dialog.size(), QSize(320, 200));
    EXPECT_EQ(dialog.windowTitle(), "Setup parameters");
    EXPECT_TRUE(Probe::header(dialog)->text().contains(
        "of the upregulation effect <br>of TGFb  on the synthesis of EGF from FC."));

    Probe::scaling(dialog)->setText(" 2.5 ");
    Probe::ok(dialog)->click();
    const std::vector<QStringList> written{{"TGFb", "3", "1", "0", "2.5"}};
    const char* select = "SELECT cytokinename, cytokineid, cytokine_cellid, regulate_type, "
                         "regulate_coef FROM regulate";
    EXPECT_EQ(rows(select), written);

    // Each stop explains itself in a box and writes nothing.
    struct Stop {
        const char* what;
        Curve* curve;
        const char* text;
    } stops[] = {
        {"the same regulator again", up,
         "Nothing was written: 'TGFb' already regulates the synthesis of 'EGF' by 'FC'. Delete the "
         "relation to set it anew."},
        {"a cell type regulating", curve(node("Macrophage", Node::CELL), synthesis, Curve::DOWNREGULATE),
         "Nothing was written: the regulator 'Macrophage' is not a cytokine."},
        {"an effect arrow regulated",
         curve(tgfb, link(egf, node("Keratinocyte", Node::CELL), Link::PROMOTE), Curve::UPREGULATE),
         "Nothing was written: 'Keratinocyte' is not a cytokine or 'EGF' is not a cell type."},
        {"a synthesis without its row",
         curve(tgfb, link(node("ECM", Node::CELL), node("Collagen", Node::CYTOKINE), Link::SYNTHESIS),
               Curve::UPREGULATE),
         "Nothing was written: 'ECM' does not synthesize 'Collagen'."},
    };
    for (const Stop& stop : stops) {
        CurvePropertiesDialog d(stop.curve);
        Probe::scaling(d)->setText("1");
        auto box = answerNextBox(QMessageBox::Ok);
        Probe::ok(d)->click();
        ASSERT_TRUE(box->shown) << stop.what;
        EXPECT_EQ(box->title, "Setup parameters") << stop.what;
        EXPECT_EQ(box->text, stop.text) << stop.what;
    }
    EXPECT_EQ(rows(select), written);

    // A down-regulation by another cytokine is a row of its own, type 1.
    CurvePropertiesDialog down(curve(node("PDGF", Node::CYTOKINE), synthesis, Curve::DOWNREGULATE));
    Probe::scaling(down)->setText("0");
    Probe::ok(down)->click();
    EXPECT_EQ(rows(select + QString(" WHERE cytokinename = 'PDGF'")),
              (std::vector<QStringList>{{"PDGF", "7", "1", "1", "0"}}));

    // A synthesis arrow in the link dialog names a type and a cytokine the
    // wrong way round.
    LinkPropertiesDialog linkDialog(synthesis);
    EXPECT_TRUE(Probe::header(linkDialog)->text().contains("inhibition"));
    auto box = answerNextBox(QMessageBox::Ok);
    Probe::ok(linkDialog)->click();
    EXPECT_EQ(box->text, "Nothing was written: 'FC' is not a cytokine or 'EGF' is not a cell type.");
    EXPECT_EQ(rowCount("behavior"), 3);
}
