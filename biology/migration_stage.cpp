// The migration stage: for each live cell of a motile type, whether it
// starts a migration this step, where to and how hard.
//
// A resting cell (quiescent, not migrating) may start by its type's
// mechanism: chemotaxis follows the mechanical cue its neighbours passed it,
// cohesotaxis heads for the neighbour richest in the type's cue cytokine,
// chemokinesis picks a random direction. A migrating cell first looks for a
// neighbour of a type it degrades and heads for it (target-driven); without
// one it goes on by its mechanism. A start hands the direction and force to
// cell_migrate_response_1, which marks the leading front; the mechanics turn
// it into traction. Every handled cell that has grown past 519.6 divides.
#include "biology/behaviour_stages.h"

#include "biology/cell_rules.h"
#include "geometry/numeric.h"
#include "model/dbreader.h"
#include "model/parameter_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kPi = 3.14159265;
constexpr double kDivisionArea = 519.6;
constexpr double kUnitDraw = 4.656612873077393e-10;
constexpr double kNoise = 33.0;
// Protrusion force scales: 60 pi, 90 pi, 96 pi, 192 pi, 48 pi, 24 pi, 12 pi.
constexpr double kForce60 = 188.495559;
constexpr double kForce90 = 282.7433385;
constexpr double kForce96 = 301.5928944;
constexpr double kForce192 = 603.1857888;
constexpr double kForce48 = 150.7964472;
constexpr double kForce24 = 75.3982236;
constexpr double kForce12 = 37.6991118;
// Growth drives of a migrating cell by its cue amount: 12 pi and 7.2 pi.
constexpr double kGrowthHigh = 37.6991118;
constexpr double kGrowthLow = 22.61946708;
constexpr int kPersistence = 6;

double angleTowards(const cell* from, double x, double y)
{
    return vector2angle(x - from->center[0], y - from->center[1]);
}

// The midpoint of the ends S1 and S2 of p's first stretch.
void stretchMidpoint(const interpair* p, double& x, double& y)
{
    const mergepair* m = p->MP.front();
    x = (m->S1->x + m->S2->x) * 0.5;
    y = (m->S1->y + m->S2->y) * 0.5;
}

class MigrationStage {
public:
    MigrationStage(dbReader& e, int step, behaviour::MigrationTrace* trace) : e(e), step(step), trace(trace) {}

    // Handles one cell; STEP_OK or the index of a division that failed.
    int handle(cell* cell_, int i, int n, behaviour::Progress& progress);

private:
    dbReader& e;
    int step;
    behaviour::MigrationTrace* trace;

    // Working values of the cell at hand.
    cell* c = nullptr;
    int mechanism = 0;
    int s = 0;  // cue species; -1 when the type has none (every amount then reads 0)
    int a = 0;  // cue amount
    std::vector<int> D;
    double f = 1.0;

    int resting();
    int migrating();
    int targetDriven(cell* best, interpair* bestPair, double bestAmount, double gap);

    double noise() { return kNoise * U_to_N(); }
    static double randomDirection() { return (std::rand() + 1.0) * kUnitDraw * 360.0; }
    bool degradable(const cell* r) const { return r && std::find(D.begin(), D.end(), r->cell_type) != D.end(); }
    static bool fixedCell(const cell* r)
    {
        if (!r)
            return false;
        const auto it = fixed_cells.find(r->cell_type);
        return it != fixed_cells.end() && it->second == 1;
    }
    // Marks a degradable neighbour dying; whether it was one.
    bool markIfDegradable(cell* r)
    {
        if (!degradable(r))
            return false;
        r->dying = 1;
        return true;
    }
    double growthByAmount() const { return a > 4 ? kGrowthHigh : a >= 3 ? kGrowthLow : 0.0; }
    double growthOfMigrant() const { return a > 4 ? kGrowthHigh : kGrowthLow; }
    double growthOfCycle() const { return std::min(kForce60, 20.0 / behaviour::cycleTime(c) * 31.4159265); }
    void endBehaviour()
    {
        c->behavior = cell::NO_BEHAVIOR;
        c->behavior_steps[0] = 0;
    }
    // Counts a persistent migration; whether it ended.
    bool persist()
    {
        if (c->behavior_steps[cell::MIGRATION] >= kPersistence) {
            endBehaviour();
            return true;
        }
        ++c->behavior_steps[cell::MIGRATION];
        return false;
    }

    void setFlags()
    {
        c->migrating = 1;
        c->migrate_relax = 1;
        ++c->migrate_count;
        if (!c->migrated) {
            c->migrate_origin[0] = c->center[0];
            c->migrate_origin[1] = c->center[1];
        }
        c->migrated = 1;
    }
    void respond(double angle, double force)
    {
        if (trace) {
            trace->angles.push_back(angle);
            trace->forces.push_back(force);
        }
        e.cell_migrate_response_1(c, angle, &D, force);
    }
    void start(double angle, double force)
    {
        c->migrate_angle = angle;
        setFlags();
        respond(angle, force);
    }
    // Starts along `angle` with the force `forceFor` gives for the ray
    // neighbour, unless that neighbour is of a fixed type; whether it started.
    template <typename F>
    bool startUnlessFixed(double angle, F&& forceFor)
    {
        cell* r = e.cell_migrate_angle(c, angle);
        if (fixedCell(r))
            return false;
        start(angle, forceFor(r));
        return true;
    }

    cell* bestNeighbour();
    int divide(double angle);
    int divisionCheck();
};

cell* MigrationStage::bestNeighbour()
{
    cell* best = nullptr;
    int most = 0;
    for (const auto& [p, o] : cell_rules::liveContacts(c)) {
        if (p->MP.empty() && !(e.cell_distance(c, o) < 10.0))
            continue;
        const int amount = cell_rules::countOf(o, s);
        if (amount > most) {
            most = amount;
            best = o;
        }
    }
    return best;
}

int MigrationStage::divide(double angle)
{
    e.division_log.insert(e.division_log.end(), {c->center[0], c->center[1], double(step), 1.0});
    const std::size_t before = e.cells.size();
    const int r = e.cell_division(c, step, c->cell_type, c->cell_type, angle);
    if (r >= 0)
        return r;
    if (e.cells.size() > before) {
        c->center_refresh();
        e.cells.back()->center_refresh();
    }
    return dbReader::STEP_OK;
}

int MigrationStage::divisionCheck()
{
    if (!(c->area > kDivisionArea))
        return dbReader::STEP_OK;
    if (!c->AABB_xmin)
        c->refresh_AABB();
    return divide(std::trunc(c->shape_based_division_angle()));
}

int MigrationStage::handle(cell* cell_, int i, int n, behaviour::Progress& progress)
{
    c = cell_;
    const auto mech = index_mechanism_class.find(c->cell_type);
    mechanism = mech == index_mechanism_class.end() ? 0 : mech->second;
    if (c->dead || mechanism <= 0)
        return dbReader::STEP_OK;
    if (!c->keep_growth_rate)
        c->growth_rate = 0.0;
    const bool rest = c->behavior == cell::QUIESCENCE && !c->migrating;
    const bool moving = c->behavior == cell::MIGRATION;
    if (!rest && !moving)
        return dbReader::STEP_OK;
    if (moving)
        progress.value(45 + (i * 50) / n);
    if (mechanism > 3)
        return dbReader::STEP_OK;

    s = cell_rules::cueSpecies(c->cell_type);
    a = cell_rules::countOf(c, s);
    D = cell_rules::degradableTypes(c->cell_type);
    f = behaviour::strengthFactor(c->cell_type);
    return rest ? resting() : migrating();
}

int MigrationStage::resting()
{
    if (mechanism == 1) {
        if (a >= 0 && c->has_cue) {
            const double angle = vector2angle(c->cue_force[0], c->cue_force[1]) + noise();
            if (!startUnlessFixed(angle, [&](cell* r) {
                    return f * (!r ? 1.0 : markIfDegradable(r) ? 0.8 : a >= 3 ? 0.3 : 0.1) * kForce60;
                }))
                return divisionCheck();
            c->growth_rate = growthByAmount();
            c->behavior = cell::MIGRATION;
            c->behavior_steps[cell::MIGRATION] = 0;
        } else if (a >= 3) {
            c->growth_rate = growthOfMigrant();
            endBehaviour();
        }
    } else if (mechanism == 2) {
        cell* best = a >= 3 ? bestNeighbour() : nullptr;
        if (best) {
            const double angle = angleTowards(c, best->center[0], best->center[1]) + noise();
            if (!startUnlessFixed(angle, [&](cell* r) {
                    return (!r ? 1.0 : markIfDegradable(r) ? 0.8 : a > 4 ? 0.3 : 0.2) * kForce60;
                }))
                return divisionCheck();
            c->growth_rate = growthOfMigrant();
            endBehaviour();
        }
    } else if (a >= 3) {
        const double angle = randomDirection();
        e.migrate_angles.push_back(angle);
        if (!startUnlessFixed(angle, [&](cell* r) { return !r ? kForce60 : markIfDegradable(r) ? kForce48 : kForce12; }))
            return divisionCheck();
        c->growth_rate = growthOfMigrant();
        endBehaviour();
    } else {
        // Without enough cue a chemokinetic cell moves only next to a cell it degrades.
        bool near = false;
        for (const auto& [p, o] : cell_rules::liveContacts(c)) {
            if (degradable(o) && (!p->MP.empty() || e.cell_distance(c, o) < 50.0)) {
                near = true;
                break;
            }
        }
        if (near) {
            const double angle = randomDirection();
            cell* r = e.cell_migrate_angle(c, angle);
            const double w = !r ? 1.0 : markIfDegradable(r) ? 0.8 : 0.2;
            e.migrate_angles.push_back(angle);
            start(angle, w * kForce60);
            c->growth_rate = growthOfMigrant();
            endBehaviour();
        }
    }
    return divisionCheck();
}

int MigrationStage::migrating()
{
    // M1: the richest degradable neighbour in reach; a welded single point or
    // an unwelded one only when the way towards it is free or degradable.
    const double reach = mechanism == 3 ? 50.0 : 30.0;
    cell* best = nullptr;
    interpair* bestPair = nullptr;
    double bestAmount = -1.0;
    double gap = 0.0;
    auto rayOpen = [&](const cell* o) {
        cell* r = e.cell_migrate_angle(c, angleTowards(c, o->center[0], o->center[1]));
        return !r || degradable(r);
    };
    for (const auto& [p, o] : cell_rules::liveContacts(c)) {
        if (!degradable(o))
            continue;
        const double amount = cell_rules::countOf(o, s);
        if (!(amount > bestAmount))
            continue;
        double distance = 0.0;
        if (!p->MP.empty()) {
            const mergepair* m = p->MP.front();
            if (m->S1 == m->S2 && !rayOpen(o))
                continue;
        } else {
            distance = e.cell_distance(c, o);
            if (!(distance < reach) || !rayOpen(o))
                continue;
        }
        best = o;
        bestPair = p;
        bestAmount = amount;
        gap = distance;
    }
    if (best)
        return targetDriven(best, bestPair, bestAmount, gap);

    // M4: on by the mechanism.
    if (mechanism == 1) {
        if (a < 0)
            return divisionCheck();
        const double cue = vector2angle(c->cue_force[0], c->cue_force[1]);
        if (c->has_cue) {
            if (!startUnlessFixed(cue + noise(), [&](cell* r) { return f * (!r ? 1.0 : a > 2 ? 0.6 : 0.2) * kForce90; }))
                return divisionCheck();
            c->cue_angle = cue;
        } else if (c->cue_angle > 0.0) {
            if (!startUnlessFixed(c->cue_angle + noise(),
                                  [&](cell* r) { return f * (!r ? 1.0 : a > 2 ? 0.5 : 0.2) * kForce60; }))
                return divisionCheck();
        } else {
            c->growth_rate = growthByAmount();
            endBehaviour();
            c->cue_angle = -1.0;
            return divisionCheck();
        }
        c->growth_rate = growthByAmount();
        if (persist())
            c->cue_angle = -1.0;
    } else if (mechanism == 2) {
        cell* nb = a >= 3 ? bestNeighbour() : nullptr;
        if (nb) {
            const double angle = angleTowards(c, nb->center[0], nb->center[1]) + noise();
            if (!startUnlessFixed(angle, [](cell* r) { return !r ? kForce60 : kForce24; }))
                return divisionCheck();
            c->growth_rate = growthOfMigrant();
            endBehaviour();
        }
    } else if (a >= 3) {
        const double angle = randomDirection();
        e.migrate_angles.push_back(angle);
        if (!startUnlessFixed(angle, [](cell* r) { return !r ? kForce60 : kForce12; }))
            return divisionCheck();
        c->growth_rate = growthOfCycle();
        endBehaviour();
    }
    return divisionCheck();
}

int MigrationStage::targetDriven(cell* best, interpair* bestPair, double bestAmount, double gap)
{
    // M2: aim at the weld's midpoint, or at the target's centre.
    double px = best->center[0], py = best->center[1];
    if (gap == 0.0 && !bestPair->MP.empty() && bestPair->MP.front()->S1 != bestPair->MP.front()->S2)
        stretchMidpoint(bestPair, px, py);
    double angle = mechanism == 3 ? randomDirection() : angleTowards(c, px, py) + noise();
    e.migrate_angles.push_back(angle <= 0.0 ? angle + 360.0 : angle);

    // M3: start towards it; a neighbour in the way is pushed at its contact.
    setFlags();
    cell* r = e.cell_migrate_angle(c, angle);
    double w = 1.0;
    if (r == best) {
        if (gap == 0.0)
            r->dying = 1;
    } else if (r) {
        const bool worn = markIfDegradable(r);
        for (interpair* p : c->pairs) {
            const bool between = (p->cell1 == c && p->cell2 == r) || (p->cell1 == r && p->cell2 == c);
            if (between && !p->removed && !p->MP.empty()) {
                double wx = 0.0, wy = 0.0;
                stretchMidpoint(p, wx, wy);
                angle = angleTowards(c, wx, wy);
            }
        }
        w = worn ? 1.0 : 0.2;
    }
    c->migrate_angle = angle;

    double K = kForce96;
    const double cueGap = std::max(bestAmount - a, 0.0);
    const QString cue = cell_rules::cueName(c->cell_type);
    cell_rules::forEachRule(c->cell_type, [&](const cell_rules::Rule& rule) {
        if (rule.cytokine != cue)
            return;
        const double factor = 1.0 + rule.migrationCoefficient * cueGap;
        if (rule.migrationType == 2)
            K = cell_rules::scaled(K, factor, false);
        else if (rule.migrationType == 1)
            K = cell_rules::scaled(K, factor, true);
    });
    respond(angle, w * std::min(K, kForce192));
    c->growth_rate = growthOfCycle();

    if (c->area > kDivisionArea) {
        c->refresh_AABB();
        const double p = behaviour::motionDivisionAngle(angle, c->shape_based_division_angle());
        const int result = divide(p);
        if (result >= 0)
            return result;
    }
    persist();
    return dbReader::STEP_OK;
}

}  // namespace

namespace behaviour {

double strengthFactor(int type)
{
    const auto it = index_stren_class.find(type);
    const double strength = it == index_stren_class.end() ? 0.0 : it->second;
    return strength == 0.0 ? 1.5 : std::min(1.0 / strength, 1.5);
}

double motionDivisionAngle(double angle, double shapeAngle)
{
    double p = std::trunc(angle) + 90.0;
    if (p < 0.0)
        p += 360.0;
    if (p > 360.0)
        p -= 360.0;
    if (std::fabs(std::cos((shapeAngle - p) * kPi / 180.0)) < 0.5)
        p = std::trunc(shapeAngle);
    return p;
}

int migrate(dbReader& e, int step, Progress& progress, MigrationTrace* trace)
{
    progress.stage("Update cells with migration behavior...", 45);
    MigrationStage stage(e, step, trace);
    const int n = static_cast<int>(e.cells.size());
    for (int i = 0; i < n; ++i) {
        const int r = stage.handle(e.cells[i], i, n, progress);
        if (r >= 0)
            return r;
    }
    return dbReader::STEP_OK;
}

}  // namespace behaviour
