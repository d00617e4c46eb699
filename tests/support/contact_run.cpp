#include "support/contact_run.h"

#include "support/tissue_fixture.h"

#include <cmath>
#include <random>

std::vector<Centre> randomPacking(unsigned seed, double gapMin, double gapMax, int minCount, int maxCount)
{
    std::mt19937 gen(seed);
    const int count = std::uniform_int_distribution<int>(minCount, maxCount)(gen);
    std::uniform_real_distribution<double> angle(0.0, 2.0 * 3.14159265358979);
    std::uniform_real_distribution<double> gap(gapMin, gapMax);
    std::vector<Centre> centres = {{0.0, 0.0}};
    for (int tries = 0; static_cast<int>(centres.size()) < count && tries < 100000; ++tries) {
        const Centre& from = centres[std::uniform_int_distribution<std::size_t>(0, centres.size() - 1)(gen)];
        const double a = angle(gen);
        const double d = gap(gen);
        const Centre c{from.first + d * std::cos(a), from.second + d * std::sin(a)};
        bool free = true;
        for (const Centre& o : centres)
            free = free && std::hypot(o.first - c.first, o.second - c.second) >= gapMin;
        if (free)
            centres.push_back(c);
    }
    return centres;
}

std::unique_ptr<dbReader> weldCentres(const std::vector<Centre>& centres, std::string* error,
                                      const std::vector<double>& radii)
{
    TissueLayout layout;
    for (std::size_t k = 0; k < centres.size(); ++k) {
        const Centre& c = centres[k];
        const double r = k < radii.size() ? radii[k] : 10.0;
        FixtureCell cell;
        for (int j = 0; j < 20; ++j)
            cell.ring.push_back({c.first + r * std::cos(j * 0.314159265), c.second + r * std::sin(j * 0.314159265)});
        layout.cells.push_back(cell);
    }
    auto e = buildTissue(layout, error);
    if (!e)
        return e;
    for (std::size_t k = 0; k < radii.size() && k < e->cells.size(); ++k)
        e->cells[k]->radius = radii[k];
    e->collision_state = dbReader::COLLISION_INITIAL;
    e->delaunay_triangulation(e->bounds);
    if (e->detect_collision(0) != dbReader::STEP_OK) {
        if (error)
            *error = e->message.toStdString();
        return nullptr;
    }
    return e;
}

void shiftCells(dbReader& engine, const std::vector<Shift>& perCell)
{
    auto shiftOf = [&](const point3D* v) -> Shift {
        const cell* c = v->out_edge ? v->out_edge->cell : nullptr;
        if (!c || c->id < 0 || static_cast<std::size_t>(c->id) >= perCell.size())
            return {0.0, 0.0};
        return perCell[c->id];
    };
    std::vector<std::pair<point3D*, Shift>> moves;
    for (cell* c : engine.cells) {
        if (c->dead)
            continue;
        for (edge* side : c->sides) {
            point3D* v = side->p1;
            Shift s = shiftOf(v);
            const node* n = v->node;
            if (n && n->active && n->vertices.size() > 1) {
                double x = 0.0, y = 0.0;
                int k = 0;
                for (const point3D* u : n->vertices) {
                    if (!u->alive)
                        continue;
                    const Shift su = shiftOf(u);
                    x += su.first;
                    y += su.second;
                    ++k;
                }
                if (k > 0)
                    s = {x / k, y / k};
            }
            moves.push_back({v, s});
        }
    }
    for (auto& [v, s] : moves) {
        v->x += s.first;
        v->y += s.second;
    }
    for (cell* c : engine.cells)
        if (!c->dead)
            c->set_area();
}

int runContactStep(dbReader& engine, int step, const std::vector<Shift>& perCell)
{
    engine.cell_mesh_generation(step);
    shiftCells(engine, perCell);
    return engine.detect_collision(step);
}

int runCorrectionStages(dbReader& engine, int step)
{
    int r = engine.detect_collision(step);
    if (r < 0)
        r = engine.cell_pick_response(step);
    if (r < 0)
        r = engine.cell_edge_response(step);
    return r < 0 ? dbReader::STEP_OK : r;
}
