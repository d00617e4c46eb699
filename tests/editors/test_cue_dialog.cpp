// The Direction Cue Setup dialog: its pages show the stored cue rows, and an
// edit made through a page's delegate writes the changed type's row alone.
#include "editors_fixture.h"
#include "support/table_view.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QSpinBox>
#include <QTabWidget>

#include <memory>

using namespace relation_kit;

namespace {

class CueDialogTest : public RelationEditorsTest {
protected:
    void SetUp() override
    {
        RelationEditorsTest::SetUp();
        makeDialog();
    }
    void TearDown() override
    {
        probe.reset();
        dialog.reset();
        RelationEditorsTest::TearDown();
    }
    void makeDialog()
    {
        openPage = nullptr;
        probe.reset();
        dialog = std::make_unique<TabDialog>();
        dialog->resize(400, 400);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        probe = std::make_unique<CueDialogProbe>(*dialog);
    }
    // Opens the editor of one cell of a page and returns it.
    template <class Editor>
    Editor* edit(CuePage* page, int row, int column)
    {
        if (openPage)
            static_cast<QAbstractItemView*>(openPage->table)->closePersistentEditor(openIndex);
        probe->tabs()->setCurrentWidget(page);
        openPage = page;
        openIndex = page->table->model()->index(row, column);
        page->table->openPersistentEditor(page->table->item(row, column));
        auto* editor = qobject_cast<Editor*>(page->table->indexWidget(openIndex));
        EXPECT_NE(editor, nullptr);
        return editor;
    }
    // Makes a choice in an open combo box, as the user does.
    static void choose(QComboBox* combo, const QString& text)
    {
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    static QStringList column(CuePage* page, int c)
    {
        QStringList texts;
        for (int row = 0; row < page->table->rowCount(); ++row)
            texts << page->table->item(row, c)->text();
        return texts;
    }
    static std::vector<QStringList> cue(const char* columns)
    {
        return rows(QStringLiteral("SELECT cellname, %1 FROM cue ORDER BY id").arg(columns));
    }

    std::unique_ptr<TabDialog> dialog;
    std::unique_ptr<CueDialogProbe> probe;
    CuePage* openPage = nullptr;  // the page and cell whose editor is open
    QModelIndex openIndex;
};

QStringList repeated(const char* text)
{
    return QStringList{text, text, text, text, text, text};
}

const QStringList kTypes = {"ECM", "BM", "Fibroblast", "Keratinocyte", "FC", "Macrophage"};

}

TEST_F(CueDialogTest, PagesShowTheStoredCueOfEveryType)
{
    EXPECT_EQ(dialog->windowTitle(), "Direction Cue Setup");
    ASSERT_EQ(probe->tabs()->count(), 4);
    const char* labels[] = {"Chemotaxis", "Cohesotaxis", "Chemokinesis", "Mechanisms"};
    CuePage* pages[] = {probe->chemotaxis(), probe->cohesotaxis(), probe->chemokinesis(), probe->decision()};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(probe->tabs()->tabText(i), labels[i]);
        EXPECT_EQ(column(pages[i], 0), kTypes) << labels[i];
        EXPECT_FALSE(pages[i]->table->item(0, 0)->flags() & Qt::ItemIsEditable);
        EXPECT_EQ(pages[i]->table->verticalHeader()->isVisibleTo(pages[i]), i == 3) << labels[i];
    }
    EXPECT_EQ(probe->cohesotaxis()->table->columnCount(), 4);
    EXPECT_EQ(column(probe->chemotaxis(), 1), repeated("EGF"));
    EXPECT_EQ(column(probe->chemokinesis(), 1), repeated("EGF"));
    EXPECT_EQ(column(probe->cohesotaxis(), 1), repeated("Contraction"));
    EXPECT_EQ(column(probe->cohesotaxis(), 2), repeated("100"));
    EXPECT_EQ(column(probe->decision(), 1),
              (QStringList{"Static", "Static", "Chemotaxis", "Chemotaxis", "Static", "Chemotaxis"}));

    // Rows changed elsewhere show when the dialog is shown again.
    runStatement("UPDATE cue SET mechanics = 1, strenPro = 55 WHERE cellname = ?", {"Macrophage"});
    dialog->reload();
    EXPECT_EQ(column(probe->cohesotaxis(), 1)[5], "Protrusion");
    EXPECT_EQ(column(probe->cohesotaxis(), 2)[5], "55");
}

TEST_F(CueDialogTest, ATypeWithoutACueRowGetsOneOnItsFirstEdit)
{
    // A type added after the seed has no cue row: the pages show what a load
    // reads for it, and its first edit creates the row with just that edit.
    runStatement("INSERT INTO cell (name, description, young, poisson, Factin, red, green, blue, growth_coef, "
                 "migration_coef, death_coef, quiet_coef, use, static, boundary) "
                 "VALUES ('Melanocyte', 'Pigment cell', 20, 40, 0, 1, 2, 3, 0.25, 0.25, 0.25, 0.25, 1, 0, 0)");
    UserInitialParas();
    table_view::Tables expected = table_view::loadedTables();
    dialog->reload();
    ASSERT_EQ(column(probe->decision(), 0).last(), "Melanocyte");
    EXPECT_EQ(column(probe->chemotaxis(), 1).last(), "");
    EXPECT_EQ(column(probe->cohesotaxis(), 1).last(), "Contraction");
    EXPECT_EQ(column(probe->cohesotaxis(), 2).last(), "0");
    EXPECT_EQ(column(probe->cohesotaxis(), 3).last(), "0");
    EXPECT_EQ(column(probe->decision(), 1).last(), "Static");

    const auto before = cue("cytokineid, cytokinename, mechanics, strenPro, transPro, migrate");
    choose(edit<QComboBox>(probe->decision(), 6, 1), "Chemokinesis");
    auto after = before;
    after.push_back({"Melanocyte", "0", "", "0", "0", "0", "3"});
    EXPECT_EQ(cue("cytokineid, cytokinename, mechanics, strenPro, transPro, migrate"), after);
    UserInitialParas();
    expected["cue Melanocyte"] = "mechanism 3 strength 0 transmission 0 cue none";
    EXPECT_EQ(table_view::loadedTables(), expected);

    // The row stays what the pages show: the next show reads it back.
    choose(edit<QComboBox>(probe->chemotaxis(), 6, 1), "KGF");
    dialog->reload();
    EXPECT_EQ(column(probe->chemotaxis(), 1).last(), "KGF");
    EXPECT_EQ(column(probe->decision(), 1).last(), "Chemokinesis");
    UserInitialParas();
    expected["cue Melanocyte"] = "mechanism 3 strength 0 transmission 0 cue KGF";
    EXPECT_EQ(table_view::loadedTables(), expected);
}

TEST_F(CueDialogTest, ChemicalCueOfOneTypeShowsOnBothPages)
{
    QComboBox* combo = edit<QComboBox>(probe->chemotaxis(), 3, 1);
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i)
        entries << combo->itemText(i);
    EXPECT_EQ(entries, (QStringList{"Collagen", "EGF", "TGFb", "MMP", "KGF", "Procollagen", "PDGF"}));
    EXPECT_EQ(combo->currentText(), "EGF");

    choose(combo, "KGF");
    EXPECT_EQ(cue("cytokineid, cytokinename"),
              (std::vector<QStringList>{{"ECM", "2", "EGF"}, {"BM", "2", "EGF"}, {"Fibroblast", "2", "EGF"},
                                        {"Keratinocyte", "5", "KGF"}, {"FC", "2", "EGF"},
                                        {"Macrophage", "2", "EGF"}}));
    EXPECT_EQ(column(probe->chemokinesis(), 1)[3], "KGF");

    // The cue cytokine since deleted: the box opens without a choice, and
    // closing it so stores an empty cue that writes nothing.
    runStatement("DELETE FROM cytokine WHERE name = ?", {"KGF"});
    dialog->reload();
    combo = edit<QComboBox>(probe->chemokinesis(), 3, 1);
    EXPECT_EQ(combo->count(), 6);
    EXPECT_EQ(combo->currentIndex(), -1);
    emit probe->chemokinesis()->table->itemDelegate()->commitData(combo);
    EXPECT_EQ(probe->chemokinesis()->table->item(3, 1)->text(), "");
    EXPECT_EQ(rows("SELECT cytokineid, cytokinename FROM cue WHERE cellname = 'Keratinocyte'"),
              (std::vector<QStringList>{{"5", "KGF"}}));
}

TEST_F(CueDialogTest, MechanicalCueAndMechanismWriteTheirTypeAlone)
{
    edit<QSpinBox>(probe->cohesotaxis(), 2, 2)->setValue(40);
    EXPECT_EQ(cue("mechanics, strenPro, transPro"),
              (std::vector<QStringList>{{"ECM", "0", "100", "100"}, {"BM", "0", "100", "100"},
                                        {"Fibroblast", "0", "40", "100"}, {"Keratinocyte", "0", "100", "100"},
                                        {"FC", "0", "100", "100"}, {"Macrophage", "0", "100", "100"}}));

    choose(edit<QComboBox>(probe->cohesotaxis(), 4, 1), "Protrusion");
    EXPECT_EQ(rows("SELECT cellname FROM cue WHERE mechanics = 1"), std::vector<QStringList>{{"FC"}});

    QComboBox* mechanism = edit<QComboBox>(probe->decision(), 2, 1);
    EXPECT_EQ(mechanism->currentText(), "Chemotaxis");
    choose(mechanism, "Cohesotaxis");
    EXPECT_EQ(cue("migrate"),
              (std::vector<QStringList>{{"ECM", "0"}, {"BM", "0"}, {"Fibroblast", "2"},
                                        {"Keratinocyte", "1"}, {"FC", "0"}, {"Macrophage", "1"}}));
    choose(edit<QComboBox>(probe->decision(), 3, 1), "Static");
    EXPECT_EQ(rows("SELECT migrate FROM cue WHERE cellname = 'Keratinocyte'"),
              std::vector<QStringList>{{"0"}});

    // A name with an apostrophe reaches its own row.
    runStatement("INSERT INTO cell (name, description, young, poisson, Factin, red, green, blue, "
                 "growth_coef, migration_coef, death_coef, quiet_coef, use, static, boundary) "
                 "VALUES (?, '', 10, 40, 0, 1, 2, 3, 0, 0, 0, 1, 1, 0, 0)",
                 {"O'Cell"});
    runStatement("INSERT INTO cue (cellid, cellname, cytokineid, cytokinename, mechanics, strenPro, "
                 "transPro, migrate) VALUES (7, ?, 2, 'EGF', 0, 100, 100, 0)",
                 {"O'Cell"});
    dialog->reload();
    ASSERT_EQ(column(probe->decision(), 0).last(), "O'Cell");
    choose(edit<QComboBox>(probe->decision(), 6, 1), "Chemokinesis");
    choose(edit<QComboBox>(probe->chemotaxis(), 6, 1), "PDGF");
    EXPECT_EQ(rows("SELECT migrate, cytokineid, cytokinename FROM cue WHERE cellname = ?", {"O'Cell"}),
              (std::vector<QStringList>{{"3", "7", "PDGF"}}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM cue WHERE migrate = 3"), std::vector<QStringList>{{"1"}});
}

TEST_F(CueDialogTest, SpinBoxCommitsEveryStep)
{
    CuePage* page = probe->cohesotaxis();
    QSpinBox* spin = edit<QSpinBox>(page, 3, 3);
    EXPECT_EQ(spin->value(), 100);
    EXPECT_EQ(spin->suffix(), "%");
    QStringList committed;
    QObject::connect(page->table, &QTableWidget::itemChanged,
                     [&committed](QTableWidgetItem* item) { committed << item->text(); });
    for (int step = 0; step < 5; ++step)
        QTest::keyClick(spin, Qt::Key_Down);
    EXPECT_EQ(committed, (QStringList{"99", "98", "97", "96", "95"}));
    EXPECT_EQ(page->table->item(3, 3)->data(Qt::DisplayRole), QVariant(95));
    EXPECT_EQ(rows("SELECT transPro FROM cue WHERE cellname = 'Keratinocyte'"),
              std::vector<QStringList>{{"95"}});
}

TEST_F(CueDialogTest, OkAndCancelOnlyClose)
{
    const auto before = cue("cytokineid, cytokinename, mechanics, strenPro, transPro, migrate");
    probe->buttons()->button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(dialog->isVisible());
    dialog->show();
    probe->buttons()->button(QDialogButtonBox::Cancel)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(cue("cytokineid, cytokinename, mechanics, strenPro, transPro, migrate"), before);
}
