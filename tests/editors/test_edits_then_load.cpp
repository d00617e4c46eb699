// What a load makes of the editors' changes: each edit or delete, then
// UserInitialParas, then every loaded table compared by name with what the
// load gave before, changed by exactly what the user changed.
#include "editor_probes.h"

#include "biology/cell_rules.h"
#include "support/table_view.h"

#include <QSqlRecord>

using table_view::loadedTables;
using table_view::Tables;

namespace {

// The tables after a fresh load.
Tables load()
{
    UserInitialParas();
    return loadedTables();
}

std::string number(double v)
{
    return QString::number(v, 'g', 17).toStdString();
}

// `list` (comma-separated) without `name`.
std::string without(const std::string& list, const std::string& name)
{
    QStringList names = QString::fromStdString(list).split(',', Qt::SkipEmptyParts);
    names.removeAll(QString::fromStdString(name));
    return names.join(',').toStdString();
}

// What deleting type `name` may change: its own entries and the pairs and
// list items that name it go; nothing else moves.
Tables withoutType(Tables t, const std::string& name)
{
    for (auto it = t.begin(); it != t.end();) {
        const std::string& key = it->first;
        const QString k = QString::fromStdString(key);
        const QString n = QString::fromStdString(name);
        const bool own = k.section(' ', 1) == n;
        const bool pair = k.startsWith("adhesion ") && k.section(' ', 1).split('|').contains(n);
        if (own || pair) {
            it = t.erase(it);
            continue;
        }
        if (key == "types" || key.rfind("producers ", 0) == 0 || key.rfind("degrade ", 0) == 0) {
            it->second = without(it->second, name);
            if (it->second.empty() && key != "types") {
                it = t.erase(it);
                continue;
            }
        }
        ++it;
    }
    return t;
}

// What deleting cytokine `name` may change: its synthesis rows, the
// behaviour rules that name it and the chemical cues that name it go.
Tables withoutCytokine(Tables t, const std::string& name)
{
    t.erase("producers " + name);
    t["cytokines"] = without(t["cytokines"], name);
    for (auto& [key, value] : t) {
        if (key.rfind("synthesis ", 0) == 0)
            value = without(value, name);
        if (key.rfind("cue ", 0) == 0 && value.size() > name.size() &&
            value.compare(value.size() - name.size() - 5, std::string::npos, " cue " + name) == 0)
            value = value.substr(0, value.size() - name.size()) + "none";
        if (key.rfind("behaviour ", 0) == 0) {
            QStringList strings = QString::fromStdString(value).split(',');
            QStringList kept;
            for (int g = 0; g + 9 <= strings.size(); g += 9)
                if (strings[g].toStdString() != name)
                    kept += strings.mid(g, 9);
            value = kept.join(',').toStdString();
        }
    }
    return t;
}

// Every row of table adhesion, in row order.
std::vector<QStringList> adhesionRows()
{
    std::vector<QStringList> rows;
    QSqlQuery query(QStringLiteral("SELECT cell1name, cell2name, value, degrade FROM adhesion ORDER BY id"));
    while (query.next())
        rows.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                        query.value(3).toString()});
    return rows;
}

void setAdhesionRow(std::vector<QStringList>& rows, const QString& a, const QString& b, int column,
                    const QString& value)
{
    for (QStringList& row : rows)
        if (row[0] == a && row[1] == b)
            row[column] = value;
}

int tableRow(QTableWidget* table, const QString& name)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, 0)->text() == name)
            return row;
    return -1;
}

class CellFormLoadTest : public RecordFormTest<cellForm, CellFormProbe> {};
class CytokineFormLoadTest : public RecordFormTest<cytokineForm, CytokineFormProbe> {};

}  // namespace

TEST_F(CellFormLoadTest, OneAdhesionEditRewritesThatPairAlone)
{
    const Tables seeded = load();
    EXPECT_EQ(seeded, table_view::expectedTables());
    std::vector<QStringList> rows = adhesionRows();
    openOnId(cellId("BM"));
    const int ecm = tableRow(p->adhesion(), "ECM");
    ASSERT_GE(ecm, 0);

    // Ticking BM's degrade box of ECM: BM's row of the pair gets degrade 1,
    // and the ECM-BM value the load takes (20) stays.
    p->adhesion()->item(ecm, 0)->setCheckState(Qt::Checked);
    setAdhesionRow(rows, "BM", "ECM", 3, "1");
    EXPECT_EQ(adhesionRows(), rows);
    Tables expected = seeded;
    expected["degrade BM"] = "ECM";
    EXPECT_EQ(load(), expected);

    // A value typed for the pair goes both ways, and only for that pair.
    p->adhesion()->item(ecm, 1)->setText("25");
    setAdhesionRow(rows, "BM", "ECM", 2, "25");
    setAdhesionRow(rows, "ECM", "BM", 2, "25");
    EXPECT_EQ(adhesionRows(), rows);
    expected["adhesion ECM|BM"] = number((25 * 3.14159265) * 0.25);
    EXPECT_EQ(load(), expected);

    // A value that is no amount is refused, names the partner, writes
    // nothing, and the table shows the stored value again.
    ModalAnswerer answers;
    BoxSeenHere box;
    answers.then(pressing(QMessageBox::Ok, &box));
    p->adhesion()->item(ecm, 1)->setText("-3");
    EXPECT_TRUE(QTest::qWaitFor([&] { return answers.allAnswered(); }, 3000));
    EXPECT_EQ(box.text, "The adhesion to ECM must be a number of at least 0!");
    EXPECT_EQ(p->adhesion()->item(ecm, 1)->text(), "25");
    EXPECT_EQ(adhesionRows(), rows);
}

TEST_F(CellFormLoadTest, DeletingATypeHandsNoneOfItsRowsToAnother)
{
    const Tables seeded = load();
    openOnId(cellId("Keratinocyte"));
    ModalAnswerer answers;
    answers.then(pressing(QMessageBox::Yes));
    clickAnswering(p->remove(), answers);
    ASSERT_EQ(rowCount("cell", "name = 'Keratinocyte'"), 0);
    // Its cue and behaviour rows stay in the database, passed over by the load.
    EXPECT_EQ(rowCount("cue", "cellname = 'Keratinocyte'"), 1);
    EXPECT_EQ(rowCount("behavior", "cellname = 'Keratinocyte'"), 3);

    const Tables loaded = load();
    EXPECT_EQ(loaded, withoutType(seeded, "Keratinocyte"));
    EXPECT_EQ(loaded, table_view::expectedTables());
    EXPECT_EQ(loaded.at("types"), "ECM,BM,Fibroblast,FC,Macrophage");
    EXPECT_EQ(behavior_class.count(0), 0u);
    EXPECT_EQ(index_mechanism_class.at(0), 0);
}

TEST_F(CytokineFormLoadTest, DeletingACytokineRetargetsNoRowToAnother)
{
    const Tables seeded = load();
    openOnId(cytokineId("EGF"));
    ModalAnswerer answers;
    answers.then(pressing(QMessageBox::Yes));
    clickAnswering(p->remove(), answers);
    ASSERT_EQ(rowCount("cytokine", "name = 'EGF'"), 0);

    const Tables loaded = load();
    EXPECT_EQ(loaded, withoutCytokine(seeded, "EGF"));
    EXPECT_EQ(loaded, table_view::expectedTables());
    EXPECT_EQ(loaded.at("cue Keratinocyte"), "mechanism 1 strength 1 transmission 1 cue none");

    // The stages find no cue species and only the rules whose cytokine is
    // loaded: none of them reads Collagen (species 0) instead.
    for (int type = 0; type < 6; ++type)
        EXPECT_EQ(cell_rules::cueSpecies(type), -1) << type;
    std::vector<int> species;
    cell_rules::forEachRule(name_index_class.at("Keratinocyte"),
                            [&](const cell_rules::Rule& rule) { species.push_back(rule.species); });
    EXPECT_EQ(species, (std::vector<int>{name_index_cytokine_class.at("KGF"), name_index_cytokine_class.at("TGFb")}));
    EXPECT_EQ(cell_rules::typeIndex("EGF"), -1);
}

TEST_F(CellFormLoadTest, NamesTooLongOrTakingTheCommonModelFileAreRefused)
{
    const Tables seeded = load();
    openOnId(cellId("FC"));
    QTest::mouseClick(p->newButton(), Qt::LeftButton);
    QTest::keyClicks(p->description(), "Test type");

    const QString tooLong(41, QChar('a'));
    p->name()->setText(QString(300, QChar('b')));
    expectRefusedAdd("Add New Cell", "The name is 300 characters long: a name holds at most 40 characters!");
    p->name()->setText(tooLong);
    expectRefusedAdd("Add New Cell", "The name is 41 characters long: a name holds at most 40 characters!");
    for (const char* name : {"common", "Common"}) {
        p->name()->setText(name);
        expectRefusedAdd("Add New Cell", QStringLiteral("The name %1 would give the cell type the model file of "
                                                        "the common model: please choose another!")
                                             .arg(name));
    }
    EXPECT_EQ(load(), seeded);

    // Forty characters fit.
    const QString longest(40, QChar('c'));
    p->name()->setText(longest);
    QTest::mouseClick(p->add(), Qt::LeftButton);
    EXPECT_EQ(rowCount("cell", "name = ?", {longest}), 1);
    EXPECT_EQ(load().at("types"), "ECM,BM,Fibroblast,Keratinocyte,FC,Macrophage," + longest.toStdString());
}

TEST_F(CytokineFormLoadTest, OverlongNamesAreRefused)
{
    const Tables seeded = load();
    openOnId(cytokineId("KGF"));
    QTest::mouseClick(p->newButton(), Qt::LeftButton);
    p->name()->setText(QString(41, QChar('k')));
    p->description()->setText("Factor");
    p->diffusion()->setText("1");
    p->degradation()->setText("1");
    expectRefusedAdd("Add New Cytokine", "The name is 41 characters long: a name holds at most 40 characters!");
    EXPECT_EQ(load(), seeded);
}
