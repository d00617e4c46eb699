// "Edit cells" driven as a user drives it: what it shows of the default
// types, its record states after every action, what "&Add" and "&Delete"
// store, every field edit, and every input it must refuse.
#include "editors/record_checks.h"
#include "editor_probes.h"

#include <QImage>
#include <array>
#include <QPixmap>

namespace {

const QStringList kCytokineRows{"Collagen", "EGF", "TGFb", "MMP", "KGF", "Procollagen", "PDGF"};
const QStringList kCellRows{"ECM", "BM", "Fibroblast", "Keratinocyte", "FC", "Macrophage"};

int tableRow(QTableWidget* table, const QString& name)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0)->text() == name)
            return row;
    }
    return -1;
}

QStringList column(QTableWidget* table, int c)
{
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << table->item(row, c)->text();
    return texts;
}

// Names of the checked rows.
QStringList checked(QTableWidget* table)
{
    QStringList names;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, 0)->checkState() == Qt::Checked)
            names << table->item(row, 0)->text();
    }
    return names;
}

// Types a new value into a table cell through its editor, as a user does.
void typeInto(QTableWidget* table, int row, int col, const QString& text)
{
    QTableWidgetItem* item = table->item(row, col);
    table->setCurrentItem(item);
    table->editItem(item);
    // The editor the view opened: the newest visible line edit of its viewport.
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : table->viewport()->findChildren<QLineEdit*>()) {
        if (e->isVisible())
            editor = e;
    }
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The view commits and closes the editor from a queued call.
    QPointer<QLineEdit> closing = editor;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !closing || !closing->isVisible(); }, 2000));
}

// Replaces the whole text of a spin box by typing, as a user does.
void typeValue(QSpinBox* box, int value)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::number(value));
}

QColor swatchColour(QLabel* swatch)
{
    return swatch->pixmap(Qt::ReturnByValue).toImage().pixelColor(40, 8);
}

}  // namespace

class CellFormTest : public RecordFormTest<cellForm, CellFormProbe> {
protected:
    void openOn(const QString& name) { openOnId(name.isEmpty() ? -1 : cellId(name)); }
    // "&New", then the name and description typed.
    void startNew(const QString& name, const QString& description = "Pigment cell")
    {
        QTest::mouseClick(p->newButton(), Qt::LeftButton);
        QTest::keyClicks(p->name(), name);
        QTest::keyClicks(p->description(), description);
    }
    void expectRefused(const QString& text) { expectRefusedAdd("Add New Cell", text); }
};

TEST_F(CellFormTest, ShowsAStoredTypeWholeAndNavigatesInNameOrderWithoutWriting)
{
    const QString before = databaseDump();
    openOn("Keratinocyte");
    EXPECT_EQ(form->windowTitle(), "Edit cells");
    EXPECT_EQ(form->focusWidget(), p->name());
    EXPECT_EQ(p->name()->text(), "Keratinocyte");
    EXPECT_EQ(p->young()->value(), 120);
    EXPECT_EQ(p->poisson()->value(), 40);
    EXPECT_EQ(p->factin()->value(), 200);
    EXPECT_EQ(column(p->synthesis(), 0), kCytokineRows);
    EXPECT_EQ(column(p->synthesis(), 1), QStringList({"NA", "NA", "0.13", "0", "NA", "NA", "NA"}));
    EXPECT_EQ(checked(p->synthesis()), QStringList({"TGFb", "MMP"}));
    EXPECT_EQ(swatchColour(p->swatch()), QColor(0, 102, 255));
    EXPECT_EQ(p->weight(0)->value(), 11);
    EXPECT_EQ(p->weight(1)->value(), 11);
    EXPECT_EQ(p->weight(2)->value(), 0);
    EXPECT_EQ(p->weight(3)->value(), 78);
    EXPECT_TRUE(p->use()->isChecked());
    EXPECT_FALSE(p->isStatic()->isChecked());
    EXPECT_FALSE(p->boundary()->isChecked());
    EXPECT_EQ(column(p->adhesion(), 0), kCellRows);
    EXPECT_EQ(column(p->adhesion(), 1), QStringList({"12.7", "6", "0", "4.1", "0", "30"}));
    EXPECT_EQ(checked(p->adhesion()), QStringList({"FC"}));
    p->expectBrowsing(true, "opened");
    form.reset();

    // A stored weight of 0.29 is 29 per cent (rounded, not truncated).
    record_checks::run("UPDATE cell SET growth_coef = 0.29, migration_coef = 0.57 WHERE name = 'BM'");
    const QString rounded = databaseDump();
    openOn("");
    EXPECT_EQ(form->focusWidget(), p->next());
    EXPECT_EQ(p->weight(0)->value(), 29);
    EXPECT_EQ(p->weight(1)->value(), 57);
    QStringList order{p->name()->text()};
    for (int k = 0; k < 6; ++k) {
        QTest::mouseClick(p->next(), Qt::LeftButton);
        order << p->name()->text();
    }
    EXPECT_EQ(order, QStringList({"BM", "ECM", "FC", "Fibroblast", "Keratinocyte", "Macrophage", "Macrophage"}));
    EXPECT_EQ(p->name()->text(), "Macrophage");
    EXPECT_EQ(checked(p->synthesis()), QStringList({"TGFb"}));
    QTest::mouseClick(p->first(), Qt::LeftButton);
    EXPECT_EQ(p->name()->text(), "BM");
    QTest::mouseClick(p->last(), Qt::LeftButton);
    QTest::mouseClick(p->previous(), Qt::LeftButton);
    EXPECT_EQ(p->name()->text(), "Keratinocyte");
    // Browsing and refilling wrote nothing.
    EXPECT_EQ(databaseDump(), rounded);
    EXPECT_NE(rounded, before);
}

TEST_F(CellFormTest, NewKeepsTheShownValuesAndAddStoresTheTypeWithItsRowsOnce)
{
    openOn("Keratinocyte");
    const QString before = databaseDump();
    QTest::mouseClick(p->newButton(), Qt::LeftButton);
    p->expectBrowsing(false, "after New");
    EXPECT_EQ(p->name()->text(), "");
    EXPECT_EQ(p->description()->text(), "");
    EXPECT_EQ(p->young()->value(), 20);
    EXPECT_EQ(p->poisson()->value(), 40);
    EXPECT_TRUE(p->use()->isChecked());
    EXPECT_FALSE(p->isStatic()->isChecked());
    EXPECT_EQ(p->factin()->value(), 200);
    EXPECT_EQ(p->weight(3)->value(), 78);
    EXPECT_EQ(checked(p->synthesis()), QStringList({"TGFb", "MMP"}));
    EXPECT_EQ(p->adhesion()->item(0, 1)->text(), "12.7");

    // Edits of the pending record write nothing.
    p->synthesis()->item(tableRow(p->synthesis(), "MMP"), 0)->setCheckState(Qt::Unchecked);
    typeInto(p->synthesis(), tableRow(p->synthesis(), "TGFb"), 1, "0.2");
    typeInto(p->adhesion(), tableRow(p->adhesion(), "Keratinocyte"), 1, "10");
    p->boundary()->setChecked(true);
    p->boundary()->setChecked(false);
    QTest::keyClicks(p->name(), "Melanocyte");
    QTest::keyClicks(p->description(), "Pigment cell");
    EXPECT_EQ(databaseDump(), before);

    QTest::mouseClick(p->add(), Qt::LeftButton);
    p->expectBrowsing(true, "after Add");
    EXPECT_EQ(p->name()->text(), "Melanocyte");
    ASSERT_EQ(rowCount("cell", "name = 'Melanocyte'"), 1);
    QSqlQuery row("SELECT red, green, blue, growth_coef, migration_coef, death_coef, quiet_coef, use, static, "
                  "boundary, young, poisson, Factin, description FROM cell WHERE name = 'Melanocyte'");
    ASSERT_TRUE(row.next());
    const QVariantList expected{255, 0, 0, 0.11, 0.11, 0.0, 0.78, 1, 0, 0, 20, 40, 200, "Pigment cell"};
    for (int k = 0; k < expected.size(); ++k)
        EXPECT_EQ(row.value(k).toString(), expected[k].toString()) << k;
    const int id = cellId("Melanocyte");
    EXPECT_EQ(rowCount("cytokine_cell", "cellname = 'Melanocyte'"), 1);
    EXPECT_EQ(rowCount("cytokine_cell", "cellname = 'Melanocyte' AND cytokinename = 'TGFb' AND synthesis = 0.2 "
                                        "AND cytokineid = 3 AND cellid = ?",
                       {id}),
              1);
    // Both ways to every type, and to itself.
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'Melanocyte' OR cell2name = 'Melanocyte'"), 13);
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'Melanocyte' AND cell2name = 'Keratinocyte' AND value = 10"), 1);
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'Keratinocyte' AND cell2name = 'Melanocyte' AND value = 10 AND "
                                   "degrade = 0 AND cell2id = ?",
                       {id}),
              1);
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'Melanocyte' AND cell2name = 'FC' AND degrade = 1"), 1);
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'Melanocyte' AND cell2name = 'Melanocyte' AND value = 30"), 1);

    // The stored type is shown and edited like any other.
    QTest::keyClicks(p->description(), "s");
    EXPECT_EQ(scalar("SELECT description FROM cell WHERE name = 'Melanocyte'").toString(), "Pigment cells");
}

TEST_F(CellFormTest, AddRefusesEveryBadInputWritingNothingAndStaysOpen)
{
    openOn("Keratinocyte");
    QTest::mouseClick(p->newButton(), Qt::LeftButton);
    expectRefused("The new cell doesn't have a name!");
    const QString invalid =
        "The name %1 is not valid: a name begins with a letter or an underscore and holds only letters, "
        "digits and underscores!";
    for (const QString& name : QStringList{"Stem cell", "O'Brien", "a;DROP"}) {
        p->name()->clear();
        QTest::keyClicks(p->name(), name);
        expectRefused(invalid.arg(name));
    }
    for (const QString& name : QStringList{"Keratinocyte", "EGF"}) {
        p->name()->clear();
        QTest::keyClicks(p->name(), name);
        expectRefused(QString("The name %1 is already taken by a cell type or a cytokine!").arg(name));
    }
    p->name()->clear();
    QTest::keyClicks(p->name(), "Melanocyte");
    expectRefused("Please add description for Melanocyte!");
    QTest::keyClicks(p->description(), "Langerhans' cell; DROP TABLE cell; --");

    for (int k = 0; k < 4; ++k)
        p->weight(k)->setValue(0);
    expectRefused("The stochastic behaviors of Melanocyte are all 0!");
    p->weight(3)->setValue(3);

    const int tgfb = tableRow(p->synthesis(), "TGFb");
    p->synthesis()->item(tgfb, 1)->setText("NA");
    expectRefused("The synthesis rate of TGFb is NA!");
    const QStringList badAmounts{"", "abc", "-1", "1e999", "0.5); DELETE FROM cell; --"};
    for (const QString& rate : badAmounts) {
        p->synthesis()->item(tgfb, 1)->setText(rate);
        expectRefused("The synthesis rate of TGFb must be a number of at least 0!");
    }
    p->synthesis()->item(tgfb, 1)->setText("0.2");
    const int bm = tableRow(p->adhesion(), "BM");
    for (const QString& value : QStringList{"NA"} + badAmounts) {
        p->adhesion()->item(bm, 1)->setText(value);
        expectRefused("The adhesion to BM must be a number of at least 0!");
    }
    p->adhesion()->item(bm, 1)->setText("6");

    // Mended, the same record is stored once, its description exactly.
    QTest::mouseClick(p->add(), Qt::LeftButton);
    p->expectBrowsing(true, "after the mended Add");
    EXPECT_EQ(rowCount("cell", "name = 'Melanocyte'"), 1);
    EXPECT_EQ(scalar("SELECT description FROM cell WHERE name = 'Melanocyte'").toString(),
              "Langerhans' cell; DROP TABLE cell; --");
    // The weights as the edit stores them: fractions of their sum.
    EXPECT_EQ(scalar("SELECT quiet_coef FROM cell WHERE name = 'Melanocyte'").toDouble(), 1.0);
    EXPECT_EQ(rowCount("cell"), 7);

    // Twenty types are the most the simulation holds.
    for (int k = 0; k < 13; ++k)
        record_checks::run("INSERT INTO cell (name, description, young, poisson, Factin, red, green, blue, "
                           "growth_coef, migration_coef, death_coef, quiet_coef, use, static, boundary) "
                           "VALUES (?, 'x', 20, 40, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0)",
                           {QString("Extra%1").arg(k)});
    ASSERT_EQ(rowCount("cell"), 20);
    startNew("Melanoblast");
    expectRefused("There are 20 cell types already, the most the simulation can hold: Melanoblast cannot be "
                  "added!");
}

TEST_F(CellFormTest, CancelDeleteAndCloseLeaveTheRightRowsAndStates)
{
    openOn("Keratinocyte");
    const QString before = databaseDump();

    startNew("Melanocyte");
    QTest::mouseClick(p->cancel(), Qt::LeftButton);
    p->expectBrowsing(true, "after Cancel");
    EXPECT_EQ(p->name()->text(), "Keratinocyte");
    EXPECT_EQ(checked(p->synthesis()), QStringList({"TGFb", "MMP"}));
    EXPECT_EQ(databaseDump(), before);

    // Delete while adding drops the pending record: no question, no row.
    startNew("Melanocyte");
    QTest::mouseClick(p->remove(), Qt::LeftButton);
    p->expectBrowsing(true, "after Delete while adding");
    EXPECT_EQ(p->name()->text(), "Keratinocyte");
    EXPECT_EQ(databaseDump(), before);

    {
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::No, &box));
        clickAnswering(p->remove(), answers);
        EXPECT_EQ(box.title, "Delete Cell");
        EXPECT_EQ(box.text, "Are you sure to delete Keratinocyte?");
        EXPECT_EQ(databaseDump(), before);
    }
    const int cues = rowCount("cue");
    const int behaviours = rowCount("behavior");
    {
        ModalAnswerer answers;
        answers.then(pressing(QMessageBox::Yes));
        clickAnswering(p->remove(), answers);
    }
    EXPECT_EQ(rowCount("cell", "name = 'Keratinocyte'"), 0);
    EXPECT_EQ(rowCount("cytokine_cell", "cellname = 'Keratinocyte'"), 0);
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'Keratinocyte' OR cell2name = 'Keratinocyte'"), 0);
    EXPECT_EQ(rowCount("cue"), cues);
    EXPECT_EQ(rowCount("behavior"), behaviours);
    EXPECT_EQ(p->name()->text(), "Macrophage");
    EXPECT_EQ(checked(p->synthesis()), QStringList({"TGFb"}));
    p->expectBrowsing(true, "after Delete");

    // Deleting the last row shows the one before.
    {
        ModalAnswerer answers;
        answers.then(pressing(QMessageBox::Yes));
        clickAnswering(p->remove(), answers);
    }
    EXPECT_EQ(p->name()->text(), "Fibroblast");
    EXPECT_EQ(p->young()->value(), 10);

    // Close while adding writes nothing, however much was typed.
    const QString beforeClose = databaseDump();
    startNew("Melanocyte");
    p->young()->setValue(33);
    QTest::mouseClick(p->close(), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(databaseDump(), beforeClose);
}

TEST_F(CellFormTest, EveryFieldEditIsWrittenAtOnceAndOnlyThen)
{
    openOn("Keratinocyte");
    auto stored = [](const char* column) {
        return scalar(QString("SELECT %1 FROM cell WHERE name = 'Keratinocyte'").arg(column));
    };

    p->description()->setFocus();
    p->description()->end(false);
    const QString base = p->description()->text();
    QString typed;
    for (const QChar c : QString("abc")) {
        QTest::keyClick(p->description(), c.toLatin1());
        typed += c;
        EXPECT_EQ(stored("description").toString(), base + typed);
    }

    typeValue(p->poisson(), 35);
    EXPECT_EQ(stored("poisson").toInt(), 35);
    typeValue(p->young(), 150);
    EXPECT_EQ(stored("young").toInt(), 150);
    typeValue(p->factin(), 300);
    EXPECT_EQ(stored("Factin").toInt(), 300);

    auto setWeights = [this](std::array<int, 4> w) {
        for (int k = 0; k < 4; ++k)
            typeValue(p->weight(k), w[k]);
    };
    auto weights = [&] {
        return QStringList{stored("growth_coef").toString(), stored("migration_coef").toString(),
                           stored("death_coef").toString(), stored("quiet_coef").toString()};
    };
    setWeights({20, 10, 0, 70});
    EXPECT_EQ(weights(), QStringList({"0.2", "0.1", "0", "0.7"}));
    setWeights({1, 1, 2, 0});
    EXPECT_EQ(weights(), QStringList({"0.25", "0.25", "0.5", "0"}));
    setWeights({0, 0, 0, 5});
    EXPECT_EQ(weights(), QStringList({"0", "0", "0", "1"}));
    // The last box to 0 leaves no fractions: the stored weights stay.
    typeValue(p->weight(3), 0);
    EXPECT_EQ(weights(), QStringList({"0", "0", "0", "1"}));

    // Static on and off: off also stops the type's migration in its cue.
    ASSERT_EQ(scalar("SELECT migrate FROM cue WHERE cellname = 'Keratinocyte'").toInt(), 1);
    QTest::keyClick(p->isStatic(), Qt::Key_Space);
    EXPECT_EQ(stored("static").toInt(), 1);
    EXPECT_EQ(scalar("SELECT migrate FROM cue WHERE cellname = 'Keratinocyte'").toInt(), 1);
    QTest::keyClick(p->isStatic(), Qt::Key_Space);
    EXPECT_EQ(stored("static").toInt(), 0);
    EXPECT_EQ(scalar("SELECT migrate FROM cue WHERE cellname = 'Keratinocyte'").toInt(), 0);
    QTest::keyClick(p->use(), Qt::Key_Space);
    EXPECT_EQ(stored("use").toInt(), 0);
    QTest::keyClick(p->boundary(), Qt::Key_Space);
    EXPECT_EQ(stored("boundary").toInt(), 1);

    // The colour dialog: cancelled changes nothing, a choice is stored.
    const QString beforeColour = databaseDump();
    {
        ModalAnswerer answers;
        answers.then([](QWidget* w) { qobject_cast<QColorDialog*>(w)->reject(); });
        clickAnswering(p->colorButton(), answers);
    }
    EXPECT_EQ(databaseDump(), beforeColour);
    {
        ModalAnswerer answers;
        answers.then([](QWidget* w) {
            auto* dialog = qobject_cast<QColorDialog*>(w);
            dialog->setCurrentColor(QColor(10, 20, 30));
            dialog->accept();
        });
        clickAnswering(p->colorButton(), answers);
    }
    EXPECT_EQ(stored("red").toInt(), 10);
    EXPECT_EQ(stored("green").toInt(), 20);
    EXPECT_EQ(stored("blue").toInt(), 30);
    EXPECT_EQ(swatchColour(p->swatch()), QColor(10, 20, 30));
}

TEST_F(CellFormTest, SynthesisAndAdhesionTablesAreWrittenWholeOrNotAtAll)
{
    openOn("Keratinocyte");
    const int collagen = tableRow(p->synthesis(), "Collagen");
    // Checked while it reads "NA": nothing stored until a rate is typed.
    p->synthesis()->item(collagen, 0)->setCheckState(Qt::Checked);
    EXPECT_EQ(rowCount("cytokine_cell", "cellname = 'Keratinocyte' AND cytokinename = 'Collagen'"), 0);
    typeInto(p->synthesis(), collagen, 1, "0.5");
    EXPECT_EQ(rowCount("cytokine_cell", "cellname = 'Keratinocyte' AND cytokinename = 'Collagen' AND "
                                        "synthesis = 0.5 AND cytokineid = 1 AND cellid = 4"),
              1);
    EXPECT_EQ(rowCount("cytokine_cell", "cellname = 'Keratinocyte'"), 3);
    typeInto(p->synthesis(), collagen, 1, "0.75");
    EXPECT_EQ(scalar("SELECT synthesis FROM cytokine_cell WHERE cellname = 'Keratinocyte' AND "
                     "cytokinename = 'Collagen'")
                  .toDouble(),
              0.75);
    p->synthesis()->item(tableRow(p->synthesis(), "MMP"), 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(rowCount("cytokine_cell", "cellname = 'Keratinocyte' AND cytokinename = 'MMP'"), 0);

    // A cleared or bad rate of a checked row: a box, and no row changes.
    const QString before = databaseDump();
    const int tgfb = tableRow(p->synthesis(), "TGFb");
    const QStringList badAmounts{"abc", "-1", "1e999", "0.5); DELETE FROM cell; --"};
    {
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::Ok, &box));
        p->synthesis()->item(tgfb, 1)->setText("");
        EXPECT_TRUE(answers.allAnswered());
        EXPECT_EQ(box.title, "Update Cell Information");
        EXPECT_EQ(box.text, "The synthesis rate of TGFb is NULL!");
    }
    for (const QString& rate : badAmounts) {
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::Ok, &box));
        p->synthesis()->item(tgfb, 1)->setText(rate);
        EXPECT_EQ(box.text, "The synthesis rate of TGFb must be a number of at least 0!") << rate.toStdString();
    }
    EXPECT_EQ(databaseDump(), before);

    // Adhesion: the value goes both ways, the degrade flag one way.
    form.reset();
    openOn("Keratinocyte");
    const int ecm = tableRow(p->adhesion(), "ECM");
    typeInto(p->adhesion(), ecm, 1, "10");
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'Keratinocyte' AND cell2name = 'ECM' AND value = 10"), 1);
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'ECM' AND cell2name = 'Keratinocyte' AND value = 10"), 1);
    p->adhesion()->item(ecm, 0)->setCheckState(Qt::Checked);
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'Keratinocyte' AND cell2name = 'ECM' AND degrade = 1"), 1);
    EXPECT_EQ(rowCount("adhesion", "cell1name = 'ECM' AND cell2name = 'Keratinocyte' AND degrade = 0"), 1);
    const QString beforeBad = databaseDump();
    for (const QString& value : QStringList{"NA", ""} + badAmounts) {
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::Ok, &box));
        p->adhesion()->item(ecm, 1)->setText(value);
        EXPECT_EQ(box.title, "Update Cell Information");
        EXPECT_EQ(box.text, "The adhesion to ECM must be a number of at least 0!") << value.toStdString();
    }
    EXPECT_EQ(databaseDump(), beforeBad);
}
