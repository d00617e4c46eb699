// The behaviour step: the mechanism mode picks one branch, and every branch
// shares one progress dialog and one exit.
//
// Relax collapses isolated free sides of nearly surrounded cells; Grow
// divides large cells and drives every cell outwards; Model runs the biology
// stage by stage (see behaviour_stages.h). The step keeps nothing between
// calls: the live numbering, the amount tables and the diffusion links live
// for one call.
#include "biology/behaviour_stages.h"

#include "biology/biology.h"
#include "model/dbreader.h"
#include "model/stage_progress.h"
#include "signalling/network.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <cmath>
#include <memory>

namespace {

constexpr double kDivisionArea = 519.6;
// Growth drive of Grow, 60 pi.
constexpr double kGrowDrive = 188.495559;

QString tr(const char* text)
{
    return QCoreApplication::translate("dbReader", text);
}

// A usable behaviour model: present and read without failure.
bool modelReady(const dbReader& e)
{
    return e.biology && e.biology->isLoaded();
}

// A free side whose two ring neighbours are both bonded.
bool isolatedFreeSide(const edge* s)
{
    const edge* before = s->p1 ? s->p1->in_edge : nullptr;
    const edge* after = s->p2 ? s->p2->out_edge : nullptr;
    return !s->bonded && before && after && before->bonded && after->bonded;
}

}  // namespace

namespace behaviour {

void Progress::stage(const char* label, int v)
{
    if (!dialog)
        return;
    dialog->setLabelText(tr(label));
    dialog->setValue(v);
    QCoreApplication::processEvents();
}

void Progress::value(int v)
{
    if (!dialog)
        return;
    // Per-item values are paced: a stage over thousands of cells would spend
    // more on repainting the dialog than on its own work.
    if (!ticker)
        ticker = std::make_shared<StageTicker>(*dialog);
    ticker->advance(v);
}

void Progress::finish()
{
    if (!dialog)
        return;
    dialog->setValue(dialog->maximum());
    QCoreApplication::processEvents();
}

int relaxTissue(dbReader& e, int step, Progress& progress)
{
    const int n = static_cast<int>(e.cells.size());
    for (int i = 0; i < n; ++i) {
        cell* c = e.cells[i];
        c->growth_rate = 0.0;
        c->setup_Burry();
        // A dead cell keeps its record only; a triangle has no side to spare.
        if (!c->burry && !c->dead && c->sides.size() > 3) {
            edge* first = nullptr;
            bool isolated = true;
            for (edge* s : c->sides) {
                if (s->bonded)
                    continue;
                if (!isolatedFreeSide(s)) {
                    isolated = false;
                    break;
                }
                if (!first)
                    first = s;
            }
            if (isolated && first) {
                const int r = e.edge_response_m(first);
                if (r >= 0)
                    return r;
                e.cell_interior_resample(c, step);
            }
        }
        progress.value((100 * i) / n);
    }
    return dbReader::STEP_OK;
}

int growTissue(dbReader& e, int step, Progress& progress)
{
    const int n = static_cast<int>(e.cells.size());
    for (int i = 0; i < n; ++i) {
        cell* c = e.cells[i];
        if (c->dead || !(c->area >= kDivisionArea) || c->sides.size() < 3)
            continue;
        if (!c->AABB_xmin)
            c->refresh_AABB();
        const double angle = std::trunc(c->shape_based_division_angle());
        const int r = e.cell_division(c, step, 0, 0, angle);
        if (r >= 0)
            return r;
    }
    const int m = static_cast<int>(e.cells.size());
    for (int i = 0; i < m; ++i) {
        cell* c = e.cells[i];
        if (c->dead)
            continue;
        c->growth_rate = kGrowDrive;
        progress.value((100 * i) / m);
    }
    return dbReader::STEP_OK;
}

LiveNumbering numberLiveCells(const dbReader& e, int n)
{
    LiveNumbering live;
    const int species = e.biology ? e.biology->getNumRealSpecies() : 0;
    live.number.assign(n, -1);
    live.amounts.assign(species, {});
    for (int i = 0; i < n; ++i) {
        if (e.cells[i]->dead)
            continue;
        live.number[i] = static_cast<int>(live.live.size());
        live.live.push_back(i);
        for (std::vector<double>& table : live.amounts)
            table.push_back(0.0);
    }
    return live;
}

void updateSignalling(dbReader& e, int n)
{
    if (!modelReady(e))
        return;
    for (int i = 0; i < n; ++i) {
        cell* c = e.cells[i];
        if (c->dead)
            continue;
        e.biology->UpdateCellState(c);
        c->migrate_relaxed = 0;
    }
}

}  // namespace behaviour

int dbReader::cell_setupbiobehaviors(int step)
{
    using namespace behaviour;
    const int mode = mech_mode;
    const int n = static_cast<int>(cells.size());
    Network::newTracePeriod();

    QProgressDialog dialog;
    const char* firstLabel = mode == MECH_RELAX  ? "Tissue relaxing..."
                             : mode == MECH_GROW ? "Tissue growing..."
                                                 : "Reading cell-cytokine network...";
    showStageProgress(dialog, tr("Retrieve Biological Info"), tr(firstLabel), 99);
    Progress progress(&dialog);
    progress.stage(firstLabel, 0);

    int result = STEP_OK;
    if (mode == MECH_RELAX) {
        result = relaxTissue(*this, step, progress);
    } else if (mode == MECH_GROW) {
        result = growTissue(*this, step, progress);
    } else {
        // Each stage runs only when every stage before it succeeded.
        LiveNumbering live = numberLiveCells(*this, n);
        progress.stage("Retrieve reaction information...", 5);
        updateSignalling(*this, n);
        result = diffuseCytokines(*this, live, n, progress);
        if (result < 0) {
            progress.stage("Update cell behavior stochastically...", 25);
            chooseBehaviours(*this, n);
            progress.stage("Update cells with apoptosis behavior...", 30);
            markApoptosis(*this, n);
            result = proliferate(*this, step, progress);
        }
        const int restCount = static_cast<int>(cells.size());
        if (result < 0)
            result = migrate(*this, step, progress);
        if (result < 0) {
            progress.stage("Update cells with quiescence behavior...", 97);
            rest(*this, restCount);
            progress.stage("Reading cell-cytokine network done!", 99);
        }
    }
    // The single exit: a failure leaves the dialog where it stood.
    if (result < 0)
        progress.finish();
    return result;
}
