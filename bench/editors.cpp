// The passes that one edit of a table cell runs in the record forms: the
// synthesis pass and the adhesion write of "Edit cells" (cytokineInfoChanged
// over the whole table, degradeInfoChanged for the changed row alone) and
// the synthesis pass of "Edit cytokines" (cellInfoChanged), each over tables
// of 5 and of 20 rows (20 is
// the most cell types the simulation holds). The database has as many cell
// types as cytokines, every pair of types an adhesion row and every type a
// synthesis row for every other cytokine. A pass is timed from the change of
// one rate or adhesion value to the end of its writing; the stored value is
// checked after timing. A whole-table pass should grow about linearly with
// the rows; the adhesion write should not grow.
#include "editors/cellform.h"
#include "editors/cytokineform.h"
#include "model/parameter_database.h"

#include <benchmark/benchmark.h>

#include <QSqlQuery>
#include <QTableWidget>
#include <QVariant>

#include <cstdio>

class CellFormProbe {
public:
    static QTableWidget* synthesis(cellForm& f) { return f.synthesisTable; }
    static QTableWidget* adhesion(cellForm& f) { return f.adhesionTable; }
};

class CytokineFormProbe {
public:
    static QTableWidget* synthesis(cytokineForm& f) { return f.synthesisTable; }
};

namespace {

void exec(const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query;
    query.prepare(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    if (!query.exec())
        std::fprintf(stderr, "statement failed: %s\n", qPrintable(sql));
}

// A fresh database of n cell types T0.. and n cytokines C0...
void buildDatabase(int n)
{
    close_parameter_database();
    open_parameter_database();
    seed_parameter_database();
    for (const char* table : {"cell", "cytokine", "cytokine_cell", "adhesion", "cue", "behavior", "regulate"})
        exec(QStringLiteral("DELETE FROM %1").arg(table));
    for (int k = 0; k < n; ++k) {
        exec("INSERT INTO cell (id, name, description, young, poisson, Factin, red, green, blue, growth_coef, "
             "migration_coef, death_coef, quiet_coef, use, static, boundary) VALUES (?, ?, 'type', 20, 40, 0, "
             "0, 0, 0, 0.25, 0.25, 0.25, 0.25, 1, 0, 0)",
             {k + 1, QString("T%1").arg(k)});
        exec("INSERT INTO cytokine (id, name, extension, description, incell, diffusion, degradation, use) "
             "VALUES (?, ?, 1, 'cytokine', 0, 1, 1, 1)",
             {k + 1, QString("C%1").arg(k)});
    }
    for (int a = 0; a < n; ++a) {
        for (int b = 0; b < n; ++b)
            exec("INSERT INTO adhesion (value, cell1name, cell1id, cell2name, cell2id, degrade) "
                 "VALUES (30, ?, ?, ?, ?, 0)",
                 {QString("T%1").arg(a), a + 1, QString("T%1").arg(b), b + 1});
        for (int c = 0; c < n; c += 2)
            exec("INSERT INTO cytokine_cell (cytokinename, cytokineid, cellname, cellid, synthesis) "
                 "VALUES (?, ?, ?, ?, 1)",
                 {QString("C%1").arg(c), c + 1, QString("T%1").arg(a), a + 1});
    }
}

// Times the pass one changed value runs: the value of row 0 of `table`
// alternates between two amounts, so every pass writes.
void timePasses(benchmark::State& state, QTableWidget* table, const QString& check)
{
    table->item(0, 0)->setCheckState(Qt::Checked);
    int k = 0;
    for (auto _ : state) {
        table->item(0, 1)->setText(k % 2 ? "2" : "3");
        ++k;
    }
    // Checked after the timed loop.
    const double expected = (k - 1) % 2 ? 2 : 3;
    QSqlQuery query(check);
    if (!query.next() || query.value(0).toDouble() != expected)
        state.SkipWithError("the last pass did not store its value");
    state.counters["rows"] = table->rowCount();
}

void BM_CellFormSynthesisPass(benchmark::State& state)
{
    buildDatabase(static_cast<int>(state.range(0)));
    cellForm form(1, nullptr);
    timePasses(state, CellFormProbe::synthesis(form),
               "SELECT synthesis FROM cytokine_cell WHERE cellname = 'T0' AND cytokinename = 'C0'");
}

void BM_CellFormAdhesionPass(benchmark::State& state)
{
    buildDatabase(static_cast<int>(state.range(0)));
    cellForm form(1, nullptr);
    timePasses(state, CellFormProbe::adhesion(form),
               "SELECT value FROM adhesion WHERE cell1name = 'T0' AND cell2name = 'T0'");
}

void BM_CytokineFormSynthesisPass(benchmark::State& state)
{
    buildDatabase(static_cast<int>(state.range(0)));
    cytokineForm form(1, nullptr);
    timePasses(state, CytokineFormProbe::synthesis(form),
               "SELECT synthesis FROM cytokine_cell WHERE cellname = 'T0' AND cytokinename = 'C0'");
}

}  // namespace

BENCHMARK(BM_CellFormSynthesisPass)->Arg(5)->Arg(20);
BENCHMARK(BM_CellFormAdhesionPass)->Arg(5)->Arg(20);
BENCHMARK(BM_CytokineFormSynthesisPass)->Arg(5)->Arg(20);
