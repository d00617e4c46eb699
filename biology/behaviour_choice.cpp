// Stochastic behaviour choice and apoptosis.
//
// An idle cell of a type that is not static draws one behaviour from the four
// probabilities its type's model gives for its present counts, normalised to
// their sum. The draw u in (0, 1] falls, in this order, in
//     [0, g)             proliferation
//     [g, g + m)         migration
//     [g + m, 1 - d)     apoptosis
//     [1 - d, 1]         quiescence, or proliferation for a cell above 519.6
// with g, m, d the normalised growth, migration and do-nothing values. A cell
// marked for apoptosis is removed by the mechanics step that follows.
#include "biology/behaviour_stages.h"

#include "biology/biology.h"
#include "model/dbreader.h"
#include "model/parameter_tables.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kDivisionArea = 519.6;
// 2^-31: (rand() + 1) times this lies in (0, 1].
constexpr double kUnitDraw = 4.656612873077393e-10;

// A probability a model gave: negative or undefined values count as 0.
double usable(double p)
{
    return p > 0.0 ? p : 0.0;
}

}  // namespace

namespace behaviour {

int behaviourForDraw(double doNothing, double growthDiv, double migration, double u, double area)
{
    // Apoptosis has what lies between migration and do-nothing.
    if (0.0 <= u && u < growthDiv)
        return cell::PROLIFERATION;
    if (growthDiv <= u && u < growthDiv + migration)
        return cell::MIGRATION;
    if (growthDiv + migration <= u && u < 1.0 - doNothing)
        return cell::APOPTOSIS;
    if (1.0 - doNothing <= u && u <= 1.0)
        return area > kDivisionArea ? cell::PROLIFERATION : cell::QUIESCENCE;
    return cell::NO_BEHAVIOR;
}

int drawBehaviour(cell* c, double doNothing, double growthDiv, double migration, double apoptosis)
{
    doNothing = usable(doNothing);
    growthDiv = usable(growthDiv);
    migration = usable(migration);
    apoptosis = usable(apoptosis);
    const double total = doNothing + growthDiv + migration + apoptosis;
    // The draw is made whatever the total, so the sequence of draws does not
    // depend on whether a model gave a proper distribution.
    const double u = (std::rand() + 1.0) * kUnitDraw;
    if (!(total > 0.0) || !std::isfinite(total))
        return cell::NO_BEHAVIOR;
    const int code = behaviourForDraw(doNothing / total, growthDiv / total, migration / total, u, c->area);
    if (code != cell::NO_BEHAVIOR) {
        c->behavior = code;
        c->behavior_steps[code] = 0;
    }
    return code;
}

void chooseBehaviours(dbReader& e, int n)
{
    Biology* model = e.biology && e.biology->isLoaded() ? e.biology : nullptr;
    for (int i = 0; i < n; ++i) {
        cell* c = e.cells[i];
        if (c->dead || c->behavior != cell::NO_BEHAVIOR)
            continue;
        const int kind = index_static_class[c->cell_type];
        if (kind == 1)
            c->growth_rate = 0.0;
        if (kind != 0)
            continue;
        if (!model) {
            drawBehaviour(c, 0.0, 0.0, 0.0, 0.0);
            continue;
        }
        model->valueProbDoNothing = model->CalcValueProbDoNothing(c);
        model->valueProbGrowthDiv = model->CalcValueProbGrowthDiv(c);
        model->valueProbMigration = model->CalcValueProbMigration(c);
        model->valueProbApoptosis = model->CalcValueProbApoptosis(c);
        drawBehaviour(c, model->valueProbDoNothing, model->valueProbGrowthDiv, model->valueProbMigration,
                      model->valueProbApoptosis);
    }
}

void markApoptosis(dbReader& e, int n)
{
    for (int i = 0; i < n; ++i) {
        cell* c = e.cells[i];
        if (!c->dead && index_static_class[c->cell_type] == 0 && c->behavior == cell::APOPTOSIS)
            c->dying = 1;
    }
}

}  // namespace behaviour
