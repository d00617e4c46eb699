// Cytokine diffusion between cells in contact.
//
// Each live cell is one well-mixed compartment per cytokine. Every contact
// gives a directed link from the cell to its neighbour with the coefficient
// D[s] * D0 * w, w being the contact's weight (the length of its first welded
// stretch, or a gap-dependent weight for an unwelded contact with free facing
// sides); each cell's own link loses the sum of what it sends. The amount a_j
// of live cell j then follows
//     da_j/dt = sum over links i->j of k_ij a_i - a_j sum over links j->o of k_jo,
// which conserves every cytokine's total; the explicit Euler integrator runs
// it over the model's DeltaT and the counts come back whole, capped at 200.
#include "biology/behaviour_stages.h"

#include "biology/biology.h"
#include "geometry/numeric.h"
#include "geometry/solvers.h"
#include "model/dbreader.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265;
// Weight of a single welded point, and of an unwelded contact at gap 0.
constexpr double kPointWeight = 1.570796325;
// Unwelded contacts exchange below this gap.
constexpr double kExchangeGap = 10.0;
// A welded stretch is measured over fewer edges than this.
constexpr int kStretchBound = 100;
constexpr double kCountCap = 200.0;

cell* otherCell(const interpair* p, const cell* c)
{
    return p->cell1 == c ? p->cell2 : p->cell1;
}

bool vertexAlive(const point3D* v)
{
    return v && v->alive;
}

}  // namespace

namespace behaviour {

int contactWeight(dbReader& e, cell* c, interpair* p, double& w)
{
    w = 0.0;
    cell* o = otherCell(p, c);
    // A contact that outlived its other cell exchanges nothing.
    if (!o || o->dead)
        return dbReader::STEP_OK;
    auto fail = [&](const char* text) {
        e.message = QString(text).arg(p->id).arg(p->cell1 ? p->cell1->id : -1).arg(p->cell2 ? p->cell2->id : -1);
        return c->id;
    };

    if (!p->MP.empty()) {
        const mergepair* m = p->MP.front();
        if (!vertexAlive(m->S1) || !vertexAlive(m->S2) || !vertexAlive(m->T1) || !vertexAlive(m->T2))
            return fail("ERROR: pair endpoints are already dead!\nPair %1: between cells %2 and %3!");
        if (m->S1 == m->S2) {
            w = kPointWeight;
            return dbReader::STEP_OK;
        }
        // Both cells measure the same stretch, from S1 on: the side leaving
        // S2 counts and the one leaving S1 does not.
        const point3D* v = m->S1;
        for (int steps = 0; steps < kStretchBound; ++steps) {
            if (v == m->S2)
                return dbReader::STEP_OK;
            v = v->next;
            if (!v || !v->out_edge)
                break;
            w += v->out_edge->getlength();
        }
        w = 0.0;
        return fail("ERROR: pair endpoints are mismatched!\nPair %1: between cells %2 and %3!");
    }

    const double d = e.cell_distance(c, o);
    if (!(d < kExchangeGap))
        return dbReader::STEP_OK;
    const double a = vector2angle(o->center[0] - c->center[0], o->center[1] - c->center[1]);
    const double b = vector2angle(c->center[0] - o->center[0], c->center[1] - o->center[1]);
    // Only cells that face each other with free sides exchange across the gap.
    if (!e.cell_migrate_angle(c, a) && !e.cell_migrate_angle(o, b))
        w = kPointWeight - kPi * d / 40.0;
    return dbReader::STEP_OK;
}

int buildDiffusionLinks(dbReader& e, LiveNumbering& live, int n, DiffusionLinks& links)
{
    const int species = static_cast<int>(live.amounts.size());
    const Biology* model = e.biology;
    links.rate.assign(species, {});
    std::vector<double> outflow(species, 0.0);
    for (int i = 0; i < n; ++i) {
        cell* c = e.cells[i];
        if (c->dead)
            continue;
        const int L = live.number[i];
        for (int s = 0; s < species; ++s)
            live.amounts[s][L] = s < static_cast<int>(c->species.size()) ? c->species[s] : 0.0;
        outflow.assign(species, 0.0);
        const std::size_t count = c->pairs.size();
        for (std::size_t k = 0; k < count; ++k) {
            interpair* p = c->pairs[k];
            if (p->removed)
                continue;
            double w = 0.0;
            const int r = contactWeight(e, c, p, w);
            if (r >= 0)
                return i;
            const cell* o = otherCell(p, c);
            const int target = o->id < n ? live.number[o->id] : -1;
            if (!(w > 0.0) || target < 0)
                continue;
            links.target.push_back(target);
            links.source.push_back(L);
            for (int s = 0; s < species; ++s) {
                const double rate = model->D[s] * model->D0 * w;
                links.rate[s].push_back(rate);
                outflow[s] += rate;
            }
        }
        links.target.push_back(L);
        links.source.push_back(L);
        for (int s = 0; s < species; ++s)
            links.rate[s].push_back(-outflow[s]);
    }
    return dbReader::STEP_OK;
}

void integrateDiffusion(const dbReader& e, DiffusionLinks& links, LiveNumbering& live)
{
    for (std::size_t s = 0; s < live.amounts.size(); ++s)
        Euler(&links.target, &links.source, &links.rate[s], &live.amounts[s], e.biology->DeltaT);
}

void writeBackAmounts(dbReader& e, LiveNumbering& live, int n)
{
    for (int i = 0; i < n; ++i) {
        cell* c = e.cells[i];
        if (c->dead)
            continue;
        c->migrate_responded = 0;
        const int L = live.number[i];
        for (std::size_t s = 0; s < live.amounts.size(); ++s) {
            double& v = live.amounts[s][L];
            if (v > kCountCap)
                v = kCountCap;
            const int count = v > 0.0 ? static_cast<int>(v) : 0;
            if (s < c->species.size())
                c->species[s] = count;
            else
                c->species.push_back(count);
        }
    }
}

int diffuseCytokines(dbReader& e, LiveNumbering& live, int n, Progress& progress)
{
    progress.stage("Resolving the cytokine diffusion equation...", 10);
    if (!e.biology || !e.biology->isLoaded())
        return dbReader::STEP_OK;
    DiffusionLinks links;
    const int r = buildDiffusionLinks(e, live, n, links);
    if (r >= 0)
        return r;
    progress.stage("Resolving the cytokine diffusion equation...", 15);
    integrateDiffusion(e, links, live);
    progress.stage("Resolving the cytokine diffusion equation...", 20);
    writeBackAmounts(e, live, n);
    return dbReader::STEP_OK;
}

}  // namespace behaviour
