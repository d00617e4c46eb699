// Meshing every cell of a 1,000-cell tissue: the per-cell mesher alone, and
// the whole stage with its progress dialog (offscreen).
//
// The tissue is a 40 x 25 grid of discs of 20 boundary vertices and radius
// 10, the shape the Center-based loader gives every new cell.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "model/dbreader.h"

namespace {

std::unique_ptr<dbReader> discTissue(int columns, int rows)
{
    auto engine = std::make_unique<dbReader>();
    for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < columns; ++k) {
            cell* c = new cell(int(engine->cells.size()));
            c->center[0] = 22.0 * k;
            c->center[1] = 22.0 * r;
            c->radius = 10.0;
            const size_t base = engine->points.size();
            for (int i = 0; i < 20; ++i) {
                const double a = i * 2.0 * 3.14159265 / 20.0;
                engine->points.push_back(new point3D(int(base) + i, c->center[0] + 10.0 * std::cos(a),
                                                     c->center[1] + 10.0 * std::sin(a)));
            }
            for (int i = 0; i < 20; ++i) {
                point3D* p1 = engine->points[base + i];
                point3D* p2 = engine->points[base + (i + 1) % 20];
                edge* e = new edge(int(engine->edges.size()), p1, p2, c);
                engine->edges.push_back(e);
                c->sides.push_back(e);
                p1->out_edge = e;
                p2->in_edge = e;
                p1->next = p2;
                p2->prev = p1;
            }
            engine->cells.push_back(c);
        }
    }
    return engine;
}

void BM_CellInteriorResample_1000Cells(benchmark::State& state)
{
    auto engine = discTissue(40, 25);
    for (auto _ : state) {
        for (cell* c : engine->cells)
            engine->cell_interior_resample(c, 0);
    }
    // Sanity after timing: every disc is meshed alike and covers its area.
    size_t triangles = 0;
    for (cell* c : engine->cells)
        triangles += c->inner_t.size();
    state.counters["triangles_per_cell"] = double(triangles) / double(engine->cells.size());
    if (triangles < 20 * engine->cells.size())
        state.SkipWithError("cells left without a mesh");
}

void BM_CellMeshGeneration_1000Cells(benchmark::State& state)
{
    auto engine = discTissue(40, 25);
    for (auto _ : state)
        engine->cell_mesh_generation(0);
}

BENCHMARK(BM_CellInteriorResample_1000Cells)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CellMeshGeneration_1000Cells)->Unit(benchmark::kMillisecond);

}  // namespace
