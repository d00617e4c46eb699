// Painting the relationship diagram: the seeded one (13 boxes, 10 arrows) and
// one of 20 cell types, 20 cytokines and 100 synthesis arrows, each rendered
// whole into an image as the view draws it (antialiased). The figure that
// matters is the time per item: a bigger diagram should cost about the same
// per box and arrow. The item counts are checked after timing. The shared
// entry point makes the QApplication.
#include "editors/diagramwindow.h"
#include "model/parameter_database.h"

#include <benchmark/benchmark.h>

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>
#include <memory>

namespace {

void insertCell(const QString& name)
{
    QSqlQuery query;
    query.prepare("INSERT INTO cell (name, description, young, poisson, Factin, red, green, blue, "
                  "growth_coef, migration_coef, death_coef, quiet_coef, use, static, boundary) "
                  "VALUES (?, '', 10, 40, 0, 100, 100, 100, 0, 0, 0, 1, 1, 0, 0)");
    query.addBindValue(name);
    query.exec();
}

void insertCytokine(const QString& name)
{
    QSqlQuery query;
    query.prepare("INSERT INTO cytokine (name, extension, description, incell, diffusion, "
                  "degradation, use) VALUES (?, 0, '', 0, 1, 1, 1)");
    query.addBindValue(name);
    query.exec();
}

// Types and cytokines up to `count` each and syntheses up to `arrows`: type i
// synthesises cytokines (i + k) mod count for k = 1, 2, ... until the total
// is reached, skipping pairs that already have a row.
void growDatabase(int count, int arrows)
{
    for (int i = 6; i < count; ++i)
        insertCell(QString("Type%1").arg(i));
    for (int i = 7; i < count; ++i)
        insertCytokine(QString("Cytokine%1").arg(i));
    QStringList cells, cytokines;
    QSqlQuery query("SELECT name FROM cell");
    while (query.next())
        cells << query.value(0).toString();
    query.exec("SELECT name FROM cytokine");
    while (query.next())
        cytokines << query.value(0).toString();
    query.exec("SELECT COUNT(*) FROM cytokine_cell");
    int total = query.next() ? query.value(0).toInt() : 0;
    for (int k = 1; total < arrows && k < count; ++k) {
        for (int i = 0; i < count && total < arrows; ++i) {
            const QString cell = cells[i];
            const QString cytokine = cytokines[(i + k) % count];
            QSqlQuery exists;
            exists.prepare("SELECT id FROM cytokine_cell WHERE cellname = ? AND cytokinename = ?");
            exists.addBindValue(cell);
            exists.addBindValue(cytokine);
            exists.exec();
            if (exists.next())
                continue;
            QSqlQuery insert;
            insert.prepare("INSERT INTO cytokine_cell (cytokinename, cytokineid, cellname, cellid, "
                           "synthesis) VALUES (?, 0, ?, 0, 1)");
            insert.addBindValue(cytokine);
            insert.addBindValue(cell);
            insert.exec();
            ++total;
        }
    }
}

void paintDiagram(benchmark::State& state, int types, int arrows)
{
    close_parameter_database();
    open_parameter_database();
    seed_parameter_database();
    if (types > 6)
        growDatabase(types, arrows);
    auto window = std::make_unique<DiagramWindow>();
    QGraphicsScene* scene = window->findChild<QGraphicsView*>()->scene();
    const QRectF area = scene->itemsBoundingRect();
    QImage image(area.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    const int items = scene->items().size();

    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        scene->render(&painter, QRectF(image.rect()), area);
        painter.end();
        benchmark::DoNotOptimize(image.bits());
    }

    const int expected = types > 6 ? 2 * types + arrows : 13 + 10;
    if (items != expected)
        state.SkipWithError("the diagram does not hold the expected boxes and arrows");
    state.counters["items"] = items;
    state.counters["time_per_item"] =
        benchmark::Counter(double(items) * state.iterations(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    window.reset();
    close_parameter_database();
}

void BM_PaintSeededDiagram(benchmark::State& state) { paintDiagram(state, 6, 10); }
void BM_PaintDiagram20x20x100(benchmark::State& state) { paintDiagram(state, 20, 100); }

BENCHMARK(BM_PaintSeededDiagram)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintDiagram20x20x100)->Unit(benchmark::kMicrosecond);

}
