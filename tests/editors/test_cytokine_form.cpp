// "Edit cytokines" driven as a user drives it: what it shows, its record
// actions, its field edits and the inputs it refuses, the rate fields above
// all (a text that is no rate is never stored, not even by the mapper).
#include "editor_probes.h"

#include <QPointer>

namespace {

QStringList names(QTableWidget* table, bool onlyChecked)
{
    QStringList result;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!onlyChecked || table->item(row, 0)->checkState() == Qt::Checked)
            result << table->item(row, 0)->text();
    }
    return result;
}

int rowOf(QTableWidget* table, const QString& name)
{
    return names(table, false).indexOf(name);
}

// What a stored rate reads as, and whether SQLite holds it as a number.
QString storedRate(const char* column, const QString& name)
{
    return scalar(QString("SELECT %1 || '|' || typeof(%1) FROM cytokine WHERE name = ?").arg(column), {name})
        .toString();
}

}  // namespace

class CytokineFormTest : public RecordFormTest<cytokineForm, CytokineFormProbe> {
protected:
    void openOn(const QString& name) { openOnId(name.isEmpty() ? -1 : cytokineId(name)); }
    void expectRefused(const QString& text) { expectRefusedAdd("Add New Cytokine", text); }
};

TEST_F(CytokineFormTest, ShowsTheCytokinesInNameOrderWithTheirProducers)
{
    const QString before = databaseDump();
    openOn("");
    EXPECT_EQ(form->windowTitle(), "Edit cytokines");
    EXPECT_EQ(form->focusWidget(), p->next());
    EXPECT_EQ(names(p->synthesis(), false),
              QStringList({"ECM", "BM", "Fibroblast", "Keratinocyte", "FC", "Macrophage"}));
    QStringList order{p->name()->text()};
    for (int k = 0; k < 6; ++k) {
        QTest::mouseClick(p->next(), Qt::LeftButton);
        order << p->name()->text();
    }
    EXPECT_EQ(order, QStringList({"Collagen", "EGF", "KGF", "MMP", "PDGF", "Procollagen", "TGFb"}));
    EXPECT_EQ(names(p->synthesis(), true), QStringList({"Fibroblast", "Keratinocyte", "FC", "Macrophage"}));
    EXPECT_EQ(databaseDump(), before);
    form.reset();

    openOn("EGF");
    EXPECT_EQ(form->focusWidget(), p->name());
    EXPECT_EQ(p->description()->text(),
              "epidermal growth factor, promotes both of keratinocyte growth and migration");
    EXPECT_EQ(p->diffusion()->text(), "5.2");
    EXPECT_EQ(p->degradation()->text(), "6.1");
    EXPECT_TRUE(p->use()->isChecked());
    EXPECT_EQ(names(p->synthesis(), true), QStringList({"Fibroblast", "FC"}));
    for (int row = 0; row < p->synthesis()->rowCount(); ++row) {
        const bool on = p->synthesis()->item(row, 0)->checkState() == Qt::Checked;
        EXPECT_EQ(p->synthesis()->item(row, 1)->text(), on ? "0.51" : "NA");
    }
}

TEST_F(CytokineFormTest, AddRefusesBadInputThenStoresTheCytokineWithItsSynthesisRows)
{
    openOn("EGF");
    QTest::mouseClick(p->newButton(), Qt::LeftButton);
    p->expectBrowsing(false, "after New");
    EXPECT_TRUE(p->use()->isChecked());
    for (QLineEdit* edit : {p->name(), p->description(), p->diffusion(), p->degradation()})
        EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_TRUE(names(p->synthesis(), true).isEmpty());

    expectRefused("The new cytokine doesn't have a name!");
    const QStringList taken{"FC", "EGF"};
    for (const QString& name : taken) {
        p->name()->setText(name);
        expectRefused(QString("The name %1 is already taken by a cell type or a cytokine!").arg(name));
    }
    for (const QString& name : QStringList{"D0", "Prob_GrowthDiv", "D_EGF", "SynEGF", "DegTGFb", "ks_X"}) {
        p->name()->setText(name);
        expectRefused(
            QString("The name %1 is used by the signalling model files for something else: please choose another!")
                .arg(name));
    }
    p->name()->setText("a;DROP");
    expectRefused("The name a;DROP is not valid: a name begins with a letter or an underscore and holds only "
                  "letters, digits and underscores!");
    p->name()->clear();
    QTest::keyClicks(p->name(), "IL1");
    expectRefused("Please add description for IL1!");
    QTest::keyClicks(p->description(), "interleukin 1");
    expectRefused("Please input the diffusion rate for IL1!");
    // The field takes only what may become a rate.
    QTest::keyClicks(p->diffusion(), "-abc1e");
    EXPECT_EQ(p->diffusion()->text(), "1e");
    expectRefused("Please input the diffusion rate for IL1!");
    p->diffusion()->setText("1e999");
    expectRefused("Please input the diffusion rate for IL1!");
    p->diffusion()->setText("3");
    expectRefused("Please input the degradation rate for IL1!");
    QTest::keyClicks(p->degradation(), "1.5");

    const int keratinocyte = rowOf(p->synthesis(), "Keratinocyte");
    p->synthesis()->item(keratinocyte, 0)->setCheckState(Qt::Checked);
    expectRefused("The synthesis rate from Keratinocyte is NA!");
    for (const QString& rate : QStringList{"", "abc", "-1", "1e999", "0.5); DELETE FROM cell; --"}) {
        p->synthesis()->item(keratinocyte, 1)->setText(rate);
        expectRefused("The synthesis rate from Keratinocyte must be a number of at least 0!");
    }
    p->synthesis()->item(keratinocyte, 1)->setText("2.5");

    QTest::mouseClick(p->add(), Qt::LeftButton);
    p->expectBrowsing(true, "after Add");
    EXPECT_EQ(p->name()->text(), "IL1");
    ASSERT_EQ(rowCount("cytokine", "name = 'IL1'"), 1);
    EXPECT_EQ(rowCount("cytokine", "name = 'IL1' AND extension = 1 AND incell = 0 AND use = 1 AND "
                                   "description = 'interleukin 1'"),
              1);
    EXPECT_EQ(storedRate("diffusion", "IL1"), "3.0|real");
    EXPECT_EQ(storedRate("degradation", "IL1"), "1.5|real");
    EXPECT_EQ(rowCount("cytokine_cell", "cytokinename = 'IL1'"), 1);
    EXPECT_EQ(rowCount("cytokine_cell", "cytokinename = 'IL1' AND cellname = 'Keratinocyte' AND synthesis = 2.5 "
                                        "AND cellid = 4 AND cytokineid = ?",
                       {cytokineId("IL1")}),
              1);
}

TEST_F(CytokineFormTest, CancelDeleteAndCloseLeaveTheRightRows)
{
    openOn("EGF");
    const QString before = databaseDump();
    QTest::mouseClick(p->newButton(), Qt::LeftButton);
    QTest::keyClicks(p->name(), "IL1");
    QTest::mouseClick(p->cancel(), Qt::LeftButton);
    p->expectBrowsing(true, "after Cancel");
    EXPECT_EQ(p->name()->text(), "EGF");
    EXPECT_EQ(names(p->synthesis(), true), QStringList({"Fibroblast", "FC"}));

    QTest::mouseClick(p->newButton(), Qt::LeftButton);
    QTest::mouseClick(p->remove(), Qt::LeftButton);
    p->expectBrowsing(true, "after Delete while adding");
    EXPECT_EQ(p->name()->text(), "EGF");
    EXPECT_EQ(databaseDump(), before);

    {
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::No, &box));
        clickAnswering(p->remove(), answers);
        EXPECT_EQ(box.title, "Delete Cytokine");
        EXPECT_EQ(box.text, "Are you sure to delete EGF?");
        EXPECT_EQ(databaseDump(), before);
    }
    const int cues = rowCount("cue", "cytokinename = 'EGF'");
    {
        ModalAnswerer answers;
        answers.then(pressing(QMessageBox::Yes));
        clickAnswering(p->remove(), answers);
    }
    EXPECT_EQ(rowCount("cytokine", "name = 'EGF'"), 0);
    EXPECT_EQ(rowCount("cytokine_cell", "cytokinename = 'EGF'"), 0);
    EXPECT_EQ(rowCount("cue", "cytokinename = 'EGF'"), cues);
    EXPECT_EQ(p->name()->text(), "KGF");
    EXPECT_EQ(names(p->synthesis(), true), QStringList({"Fibroblast", "FC"}));
    EXPECT_EQ(p->synthesis()->item(rowOf(p->synthesis(), "FC"), 1)->text(), "4");

    const QString beforeClose = databaseDump();
    QTest::mouseClick(p->newButton(), Qt::LeftButton);
    QTest::keyClicks(p->name(), "IL1");
    QTest::keyClicks(p->description(), "interleukin 1");
    QTest::keyClicks(p->diffusion(), "3");
    QTest::keyClicks(p->degradation(), "1");
    QTest::mouseClick(p->close(), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(databaseDump(), beforeClose);
}

TEST_F(CytokineFormTest, EditsAreWrittenAtOnceAndARateOnlyWhenItIsOne)
{
    openOn("EGF");
    p->diffusion()->selectAll();
    QTest::keyClick(p->diffusion(), Qt::Key_1);
    EXPECT_EQ(storedRate("diffusion", "EGF"), "1.0|real");
    QTest::keyClick(p->diffusion(), Qt::Key_2);
    EXPECT_EQ(storedRate("diffusion", "EGF"), "12.0|real");

    // Unfinished or foreign texts are written neither per keystroke nor by
    // the mapper; leaving the field brings the stored rate back.
    for (const QString& text : QStringList{"", "1e", "abc", "1e999", "0.5); DELETE FROM cell; --"}) {
        SCOPED_TRACE(text.toStdString());
        const QString before = databaseDump();
        p->diffusion()->setText(text);
        EXPECT_EQ(databaseDump(), before);
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::Ok, &box));
        leave(p->diffusion());
        EXPECT_TRUE(QTest::qWaitFor([&] { return answers.allAnswered(); }, 3000));
        QTest::qWait(20);
        EXPECT_EQ(box.title, "Update Cytokine Information");
        EXPECT_EQ(box.text, "Please input the diffusion rate for EGF!");
        EXPECT_EQ(p->diffusion()->text(), "12");
        EXPECT_EQ(databaseDump(), before);
    }

    // Closing with an unfinished rate stores nothing of it.
    p->degradation()->setText("1e");
    QTest::mouseClick(p->close(), Qt::LeftButton);
    EXPECT_EQ(storedRate("degradation", "EGF"), "6.1|real");
    form.reset();

    openOn("EGF");
    QTest::keyClicks(p->description(), "!");
    EXPECT_TRUE(scalar("SELECT description FROM cytokine WHERE name = 'EGF'").toString().endsWith("migration!"));
    QTest::keyClick(p->use(), Qt::Key_Space);
    EXPECT_EQ(scalar("SELECT use FROM cytokine WHERE name = 'EGF'").toInt(), 0);
    QTest::keyClick(p->use(), Qt::Key_Space);
    EXPECT_EQ(scalar("SELECT use FROM cytokine WHERE name = 'EGF'").toInt(), 1);

    // The synthesis table: a type checked with 2.5 gets its row with both
    // ids; unchecked, the row goes; a cleared rate is refused whole.
    const int keratinocyte = rowOf(p->synthesis(), "Keratinocyte");
    p->synthesis()->item(keratinocyte, 1)->setText("2.5");
    p->synthesis()->item(keratinocyte, 0)->setCheckState(Qt::Checked);
    EXPECT_EQ(rowCount("cytokine_cell", "cytokinename = 'EGF' AND cellname = 'Keratinocyte' AND synthesis = 2.5 "
                                        "AND cytokineid = 2 AND cellid = 4"),
              1);
    p->synthesis()->item(rowOf(p->synthesis(), "Fibroblast"), 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(rowCount("cytokine_cell", "cytokinename = 'EGF' AND cellname = 'Fibroblast'"), 0);
    const QString before = databaseDump();
    ModalAnswerer answers;
    BoxSeenHere box;
    answers.then(pressing(QMessageBox::Ok, &box));
    p->synthesis()->item(keratinocyte, 1)->setText("");
    EXPECT_EQ(box.title, "Update Cytokine Information");
    EXPECT_EQ(box.text, "The synthesis rate from Keratinocyte is NULL!");
    EXPECT_EQ(databaseDump(), before);
}
