// Proliferation and quiescence.
//
// A proliferating cell divides at once when it is large (area 519.6 or more)
// or elongated (diagonal above 35.0). Otherwise it runs a cell cycle: its
// cycle time T starts at 24.0 and each behaviour rule of its type scales it
// by the rule's factor k s + 1 (s the count of the rule's cytokine), longer
// for an inhibiting rule and shorter for a promoting one; the cell is driven
// outwards by 20 / T * 10 pi meanwhile, and when its step count passes the
// whole part of T (a third of it, at least 4, next to a producer of its cue)
// the cycle ends, with a division when the cell has grown enough. Quiescence
// lasts six counted steps.
#include "biology/behaviour_stages.h"

#include "biology/cell_rules.h"
#include "model/dbreader.h"
#include "model/parameter_tables.h"

#include <climits>
#include <cmath>

namespace {

constexpr double kDivisionArea = 519.6;
constexpr double kDivisionDiagonal = 35.0;
// One and a half times the target area 259.8: a cell ending its cycle this
// large divides whatever it carries.
constexpr double kCycleDivisionArea = 389.70000000000005;
constexpr double kProducerGap = 20.0;
constexpr int kQuiescenceSteps = 6;

bool takesPart(const cell* c)
{
    return !c->dead && index_static_class[c->cell_type] == 0;
}

void endCycle(cell* c)
{
    c->behavior = cell::NO_BEHAVIOR;
    c->behavior_steps[0] = 0;
    c->growth_rate = 0.0;
    c->keep_growth_rate = 0;
}

}  // namespace

namespace behaviour {

double cycleTime(const cell* c)
{
    double T = 24.0;
    cell_rules::forEachRule(c->cell_type, [&](const cell_rules::Rule& rule) {
        const double factor = rule.growthCoefficient * cell_rules::countOf(c, rule.species) + 1.0;
        if (rule.growthType == 2)
            T = cell_rules::scaled(T, factor, true);
        else if (rule.growthType == 1)
            T = cell_rules::scaled(T, factor, false);
    });
    return T;
}

bool hasProducerNeighbour(dbReader& e, cell* c)
{
    const int cue = cell_rules::cueSpecies(c->cell_type);
    const auto producers = synthesis_cytokine_class.find(cue);
    if (producers == synthesis_cytokine_class.end())
        return false;
    for (const auto& [p, o] : cell_rules::liveContacts(c)) {
        bool produces = false;
        for (const QString& name : producers->second)
            produces = produces || cell_rules::typeIndex(name) == o->cell_type;
        if (produces && (!p->MP.empty() || e.cell_distance(c, o) <= kProducerGap))
            return true;
    }
    return false;
}

int proliferate(dbReader& e, int step, Progress& progress)
{
    progress.stage("Update cells with proliferation behavior...", 35);
    auto divide = [&](cell* c, double flag) {
        e.division_log.insert(e.division_log.end(), {c->center[0], c->center[1], double(step), flag});
        if (!c->AABB_xmin)
            c->refresh_AABB();
        const double angle = std::trunc(c->shape_based_division_angle());
        return e.cell_division(c, step, c->cell_type, c->cell_type, angle);
    };

    const int n = static_cast<int>(e.cells.size());
    for (int i = 0; i < n; ++i) {
        cell* c = e.cells[i];
        if (!takesPart(c) || c->behavior != cell::PROLIFERATION || c->sides.size() < 3)
            continue;
        if (!c->AABB_xmin)
            c->refresh_AABB();
        if (c->area >= kDivisionArea || c->shape_based_diagonal() > kDivisionDiagonal) {
            endCycle(c);
            const int r = divide(c, 1.0);
            if (r >= 0)
                return r;
        }
    }
    progress.stage("Update cells with proliferation behavior...", 40);

    const int m = static_cast<int>(e.cells.size());
    for (int i = 0; i < m; ++i) {
        cell* c = e.cells[i];
        if (!takesPart(c) || c->behavior != cell::PROLIFERATION)
            continue;
        const double T = cycleTime(c);
        c->growth_rate = 20.0 / T * 31.4159265;
        int Tc = T < double(INT_MAX) ? static_cast<int>(T) : INT_MAX;
        if (hasProducerNeighbour(e, c)) {
            Tc /= 3;
            if (Tc <= 3)
                Tc = 4;
        }
        if (c->behavior_steps[cell::PROLIFERATION] > Tc) {
            endCycle(c);
            int r = dbReader::STEP_OK;
            if (c->area >= kCycleDivisionArea)
                r = divide(c, 1.0);
            else if (cell_rules::countOf(c, 1) == 0)
                r = divide(c, 0.0);
            if (r >= 0)
                return r;
        } else {
            ++c->behavior_steps[cell::PROLIFERATION];
        }
    }
    return dbReader::STEP_OK;
}

void rest(dbReader& e, int n)
{
    for (int i = 0; i < n; ++i) {
        cell* c = e.cells[i];
        if (!takesPart(c) || c->behavior != cell::QUIESCENCE)
            continue;
        c->growth_rate = 0.0;
        if (c->behavior_steps[cell::QUIESCENCE] < kQuiescenceSteps) {
            ++c->behavior_steps[cell::QUIESCENCE];
        } else {
            c->behavior = cell::NO_BEHAVIOR;
            c->behavior_steps[0] = 0;
        }
    }
}

}  // namespace behaviour
