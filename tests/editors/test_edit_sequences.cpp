// Random sequences of edits, adds and deletes made through the cell form,
// the cytokine form and the cue dialog over the seeded database. After
// every action: each stored row the action had no business with is as it
// was, and a load resolves every row naming a current type or cytokine to
// it and none to a deleted one (the loaded tables, read by name, are what
// the stored rows give).
#include "editors_fixture.h"
#include "support/table_view.h"

#include <QComboBox>
#include <QSqlField>

#include <functional>
#include <random>

namespace {

// One stored row: its table, and each column's value as text.
using Row = std::map<QString, QString>;
using Dump = std::map<std::pair<QString, int>, Row>;  // by (table, id)

Dump dumpAll()
{
    Dump dump;
    for (const char* table : {"cell", "cytokine", "cytokine_cell", "regulate", "behavior", "adhesion", "cue"}) {
        QSqlQuery query(QStringLiteral("SELECT * FROM %1").arg(table));
        while (query.next()) {
            Row row;
            const QSqlRecord record = query.record();
            for (int i = 0; i < record.count(); ++i)
                row[record.fieldName(i)] = query.value(i).toString();
            dump[{table, row["id"].toInt()}] = row;
        }
    }
    return dump;
}

// Which rows an action may change, add or remove: (table, row) -> allowed.
using Allowed = std::function<bool(const QString& table, const Row& row)>;

QStringList names(const char* sql)
{
    QStringList list;
    QSqlQuery query(QString::fromLatin1(sql));
    while (query.next())
        list << query.value(0).toString();
    return list;
}

int tableRow(QTableWidget* table, const QString& name)
{
    for (int row = 0; row < table->rowCount(); ++row)
        if (table->item(row, 0)->text() == name)
            return row;
    return -1;
}

class EditSequence : public relation_kit::RelationEditorsTest {
protected:
    std::mt19937 random;
    int added = 0;

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }
    template <class T>
    const T& pick(const QList<T>& list) { return list[below(list.size())]; }
    QString amount() { return QString::number(below(200) / 4.0); }

    // Runs `action` and checks that only rows `allowed` accepts changed.
    void expectOnly(const char* what, const Allowed& allowed, const std::function<void()>& action)
    {
        SCOPED_TRACE(what);
        const Dump before = dumpAll();
        action();
        const Dump after = dumpAll();
        for (const auto& [key, row] : before) {
            const auto it = after.find(key);
            if (it == after.end() || it->second != row) {
                EXPECT_TRUE(allowed(key.first, row) && (it == after.end() || allowed(key.first, it->second)))
                    << what << ": " << key.first.toStdString() << " row " << key.second << " changed";
            }
        }
        for (const auto& [key, row] : after) {
            if (!before.count(key)) {
                EXPECT_TRUE(allowed(key.first, row))
                    << what << ": " << key.first.toStdString() << " row " << key.second << " added";
            }
        }
        UserInitialParas();
        EXPECT_EQ(table_view::loadedTables(), table_view::expectedTables()) << what;
    }

    template <class Form, class Probe>
    void inForm(int id, const std::function<void(Probe&)>& act)
    {
        auto form = open<Form>(id);
        Probe probe(*form);
        act(probe);
        form->close();
    }
    static void removeShown(RecordFormProbe& f)
    {
        ModalAnswerer answers;
        answers.then(pressing(QMessageBox::Yes));
        clickAnswering(f.remove(), answers);
    }

    void step(TabDialog& cues)
    {
        const QStringList types = names("SELECT name FROM cell");
        const QStringList cytokines = names("SELECT name FROM cytokine");
        const QString a = pick(types);
        const QString b = pick(types);
        const QString k = pick(cytokines);
        auto pairOf = [](const Row& r, const QString& x, const QString& y) {
            return r.at("cell1name") == x && r.at("cell2name") == y;
        };
        switch (below(11)) {
        case 0:
            expectOnly("adhesion value",
                       [&](const QString& t, const Row& r) {
                           return t == "adhesion" && (pairOf(r, a, b) || pairOf(r, b, a));
                       },
                       [&] {
                           inForm<cellForm, CellFormProbe>(cellId(a), [&](CellFormProbe& f) {
                               const int row = tableRow(f.adhesion(), b);
                               if (row >= 0)
                                   f.adhesion()->item(row, 1)->setText(amount());
                           });
                       });
            break;
        case 1:
            expectOnly("degrade tick", [&](const QString& t, const Row& r) { return t == "adhesion" && pairOf(r, a, b); },
                       [&] {
                           inForm<cellForm, CellFormProbe>(cellId(a), [&](CellFormProbe& f) {
                               const int row = tableRow(f.adhesion(), b);
                               if (row < 0)
                                   return;
                               QTableWidgetItem* item = f.adhesion()->item(row, 0);
                               item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
                           });
                       });
            break;
        case 2:
            expectOnly("synthesis",
                       [&](const QString& t, const Row& r) {
                           return t == "cytokine_cell" && r.at("cellname") == a && r.at("cytokinename") == k;
                       },
                       [&] {
                           inForm<cellForm, CellFormProbe>(cellId(a), [&](CellFormProbe& f) {
                               const int row = tableRow(f.synthesis(), k);
                               QTableWidgetItem* item = f.synthesis()->item(row, 0);
                               if (item->checkState() == Qt::Checked && below(2) == 0) {
                                   item->setCheckState(Qt::Unchecked);
                               } else {
                                   f.synthesis()->item(row, 1)->setText(amount());
                                   item->setCheckState(Qt::Checked);
                               }
                           });
                       });
            break;
        case 3:
            expectOnly("weights", [&](const QString& t, const Row& r) { return t == "cell" && r.at("name") == a; },
                       [&] {
                           inForm<cellForm, CellFormProbe>(cellId(a), [&](CellFormProbe& f) {
                               f.weight(below(4))->setValue(below(101));
                           });
                       });
            break;
        case 4:
        case 5: {
            const QString name = QStringLiteral("T%1").arg(++added);
            expectOnly("add type",
                       [&](const QString& t, const Row& r) {
                           return (t == "cell" && r.at("name") == name) ||
                                  (t == "adhesion" && (r.at("cell1name") == name || r.at("cell2name") == name)) ||
                                  (t == "cytokine_cell" && r.at("cellname") == name);
                       },
                       [&] {
                           inForm<cellForm, CellFormProbe>(cellId(a), [&](CellFormProbe& f) {
                               QTest::mouseClick(f.newButton(), Qt::LeftButton);
                               f.name()->setText(name);
                               f.description()->setText("Added");
                               f.adhesion()->item(below(f.adhesion()->rowCount()), 1)->setText(amount());
                               const int row = below(f.synthesis()->rowCount());
                               f.synthesis()->item(row, 1)->setText(amount());
                               f.synthesis()->item(row, 0)->setCheckState(Qt::Checked);
                               QTest::mouseClick(f.add(), Qt::LeftButton);
                           });
                       });
            break;
        }
        case 6:
            if (types.size() < 3)
                break;
            expectOnly("delete type",
                       [&](const QString& t, const Row& r) {
                           return (t == "cell" && r.at("name") == a) ||
                                  (t == "adhesion" && (r.at("cell1name") == a || r.at("cell2name") == a)) ||
                                  (t == "cytokine_cell" && r.at("cellname") == a);
                       },
                       [&] { inForm<cellForm, CellFormProbe>(cellId(a), [&](CellFormProbe& f) { removeShown(f); }); });
            break;
        case 7: {
            const QString name = QStringLiteral("C%1").arg(++added);
            expectOnly("add cytokine",
                       [&](const QString& t, const Row& r) {
                           return (t == "cytokine" && r.at("name") == name) ||
                                  (t == "cytokine_cell" && r.at("cytokinename") == name);
                       },
                       [&] {
                           inForm<cytokineForm, CytokineFormProbe>(cytokineId(k), [&](CytokineFormProbe& f) {
                               QTest::mouseClick(f.newButton(), Qt::LeftButton);
                               f.name()->setText(name);
                               f.description()->setText("Added");
                               f.diffusion()->setText(amount());
                               f.degradation()->setText(amount());
                               const int row = below(f.synthesis()->rowCount());
                               f.synthesis()->item(row, 1)->setText(amount());
                               f.synthesis()->item(row, 0)->setCheckState(Qt::Checked);
                               QTest::mouseClick(f.add(), Qt::LeftButton);
                           });
                       });
            break;
        }
        case 8:
            if (cytokines.size() < 3)
                break;
            expectOnly("delete cytokine",
                       [&](const QString& t, const Row& r) {
                           return (t == "cytokine" && r.at("name") == k) ||
                                  (t == "cytokine_cell" && r.at("cytokinename") == k);
                       },
                       [&] {
                           inForm<cytokineForm, CytokineFormProbe>(cytokineId(k),
                                                                   [&](CytokineFormProbe& f) { removeShown(f); });
                       });
            break;
        case 9:
        case 10: {
            // The cue of one type, through the dialog as shown now.
            cues.reload();
            CueDialogProbe probe(cues);
            const bool chemical = below(2) == 0;
            CuePage* page = chemical ? probe.chemotaxis() : probe.decision();
            const int row = tableRow(page->table, a);
            expectOnly(chemical ? "chemical cue" : "mechanism",
                       [&](const QString& t, const Row& r) { return t == "cue" && r.at("cellname") == a; },
                       [&] {
                           page->table->openPersistentEditor(page->table->item(row, 1));
                           auto* combo = qobject_cast<QComboBox*>(page->table->indexWidget(page->table->model()->index(row, 1)));
                           ASSERT_NE(combo, nullptr);
                           const int choice = below(combo->count());
                           combo->setCurrentIndex(choice);
                           emit combo->activated(choice);
                           page->table->closePersistentEditor(page->table->item(row, 1));
                       });
            break;
        }
        }
    }

    void run(unsigned seed)
    {
        random.seed(seed);
        TabDialog cues;
        cues.show();
        for (int i = 0; i < 50 && !HasFatalFailure(); ++i) {
            SCOPED_TRACE(i);
            step(cues);
        }
    }
};

}  // namespace

TEST_F(EditSequence, FiftyRandomEditsAddsAndDeletesKeepEveryTableConsistentSeed7)
{
    run(7);
}

TEST_F(EditSequence, FiftyRandomEditsAddsAndDeletesKeepEveryTableConsistentSeed11)
{
    run(11);
}
