// The per-step pick stage, and the angle correction of free boundaries.
//
// The pick stage scans every junction node first and collects candidates:
// the sharpest vertex of every junction of four or more cells, and the
// sharp tips of triple junctions. Only then does it correct them one by one,
// so the candidates reflect the tissue as the stage found it; a candidate
// that an earlier correction removed is passed on all the same and left
// alone by the correction.
#include "contact/corrections.h"
#include "model/stage_progress.h"

#include <QCoreApplication>
#include <QObject>
#include <QProgressDialog>

using namespace corrections;

std::vector<point3D*> corrections::pick_candidates(const dbReader& db, const std::function<void(int)>& progress)
{
    std::vector<point3D*> candidates;
    const std::size_t N = db.nodes.size();
    for (std::size_t i = 0; i < N; ++i) {
        const node* n = db.nodes[i];
        if (!n || !n->active || n->vertices.size() < 3)
            continue;
        const int value = static_cast<int>((80 * i) / N);
        if (n->vertices.size() >= 4) {
            if (progress)
                progress(value);
            if (point3D* v = sharpest(n))
                candidates.push_back(v);
            continue;
        }
        // An inner junction (all three welded) shows progress per candidate.
        const bool inner = fully_welded(n->vertices[0]) && fully_welded(n->vertices[1]) && fully_welded(n->vertices[2]);
        for (point3D* v : triple_junction_picks(n, true)) {
            if (inner && progress)
                progress(value);
            candidates.push_back(v);
        }
    }
    return candidates;
}

int dbReader::cell_pick_response(int step)
{
    QProgressDialog progress;
    showStageProgress(progress, QObject::tr("Simulation: pick-response"), QObject::tr("Cell pick correction..."), 99);
    // Paced: the event loop runs on the first item and then once a frame.
    StageTicker ticker(progress);
    auto advance = [&ticker](int value) { ticker.advance(value); };

    // 1. Scan.
    const std::vector<point3D*> candidates = pick_candidates(*this, advance);

    // 2. Correction.
    const std::size_t m = candidates.size();
    for (std::size_t k = 0; k < m; ++k) {
        advance(80 + static_cast<int>((20 * k) / m));
        const int r = pick_correction(candidates[k]);
        if (r >= 0) {
            progress.close();
            return r;
        }
    }
    progress.setValue(progress.maximum());
    QCoreApplication::processEvents();
    progress.close();
    return STEP_OK;
}

void dbReader::cell_angle_response()
{
    for (std::size_t k = 0; k < cells.size(); ++k) {
        cell* c = cells[k];
        if (!c || c->burry)
            continue;
        const interpair* q = nullptr;
        for (const interpair* p : c->pairs) {
            if (p && !p->MP.empty()) {
                q = p;
                break;
            }
        }
        if (!q)
            continue;
        const mergepair* m = q->MP.front();
        point3D* s = nullptr;
        if (q->cell1 && static_cast<std::size_t>(q->cell1->id) == k)
            s = m->S1;
        else if (q->cell2 && static_cast<std::size_t>(q->cell2->id) == k)
            s = m->T1;
        if (!s || !s->alive)
            continue;
        // Reflex free corners are flattened in ring order, each seeing the
        // new place of the one before.
        const int bound = welding::ring_bound(c);
        int steps = 0;
        for (point3D* v = s->next; v && v != s && steps < bound; v = v->next, ++steps) {
            if (!v->next || !v->prev)
                break;
            if (v->mp.empty() && v->point_angle() > 180.0) {
                v->x = (v->next->x + v->prev->x) * 0.5;
                v->y = (v->next->y + v->prev->y) * 0.5;
            }
        }
    }
}
