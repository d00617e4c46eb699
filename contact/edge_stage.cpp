// The edge correction stage, last of every step. Five phases over the
// whole tissue:
//  1. gaps: a free run of boundary that leads from one weld to the next
//     within two edges closes a small gap; the cells welded at its start are
//     paired with every cell found across the welds around it; then cells
//     whose boundaries still cross without a welded contact are paired;
//  2. the contact response runs on those new pairs (and on the pairs it
//     creates in turn), so cells that came into contact weld this step; a
//     new pair whose cells still cross gets the second pass as well;
//  3. every side is kept between pi/2 and 1.9 pi: long ones are split, short
//     or folded ones collapsed, splits first within a cell, both lists made
//     before either is applied;
//  4. a cell whose sides cross each other is unfolded;
//  5. paired cells whose interiors overlap at a weld get the contact
//     response while they cross or lie across each other; of two that
//     still do after it, the smaller leaves.
#include "contact/corrections.h"
#include "contact/crossing_contacts.h"
#include "model/stage_progress.h"

#include <QCoreApplication>
#include <QObject>
#include <QProgressDialog>

#include <algorithm>

using namespace welding;
using namespace corrections;

namespace {

// A gap walk gives up at the third free edge in a row.
constexpr int kGapRun = 3;

// The welded vertices met walking around the gap that starts with the free
// edge e, changing cell at every weld. The walk ends when it is back at
// e.p1, at the third free edge in a row, after `bound` hops (a broken weld
// can make it circle a junction) or at a weld without partner.
std::vector<point3D*> gap_walk(const edge* e, std::size_t bound)
{
    std::vector<point3D*> V;
    point3D* q = e->p2;
    int run = 1;
    std::size_t hops = 0;
    while (q && q != e->p1 && q->out_edge && hops++ < bound) {
        const edge* out = q->out_edge;
        if (out->bonded) {
            if (!out->partner || !out->partner->p2 || !out->partner->cell)
                break;
            V.push_back(q);
            q = out->partner->p2;
            run = 0;
        } else {
            ++run;
            q = q->next;
            if (run == kGapRun)
                break;
        }
    }
    return V;
}

// The box vertices are widened to the start vertices of the sides, and any
// that left the ring are replaced; the box is never rebuilt.
void widen_box(cell* c)
{
    for (edge* s : c->sides) {
        point3D* v = s->p1;
        if (!c->AABB_xmin || !c->AABB_xmin->alive || c->AABB_xmin->x > v->x)
            c->AABB_xmin = v;
        if (!c->AABB_xmax || !c->AABB_xmax->alive || v->x > c->AABB_xmax->x)
            c->AABB_xmax = v;
        if (!c->AABB_ymin || !c->AABB_ymin->alive || c->AABB_ymin->y > v->y)
            c->AABB_ymin = v;
        if (!c->AABB_ymax || !c->AABB_ymax->alive || v->y > c->AABB_ymax->y)
            c->AABB_ymax = v;
    }
}

// The cells that have not left the tissue.
int live_cells(const dbReader& db)
{
    int n = 0;
    for (const cell* c : db.cells)
        n += c->dead ? 0 : 1;
    return n;
}

// Whether a listed edge is still a side of its cell with both ends alive:
// an earlier collapse or pick correction may have taken it off the ring.
bool still_a_side(const edge* e)
{
    if (!e->in_use || !e->cell || !e->p1 || !e->p2 || !e->p1->alive || !e->p2->alive)
        return false;
    const auto& sides = e->cell->sides;
    return std::find(sides.begin(), sides.end(), e) != sides.end();
}

} // namespace

int dbReader::cell_edge_response(int step)
{
    QProgressDialog progress;
    showStageProgress(progress, QObject::tr("Simulation: edge-response"), QObject::tr("Cell edge correction..."), 99);
    // Paced: the event loop runs on the first item and then once a frame.
    StageTicker ticker(progress);
    auto advance = [&ticker](int value) { ticker.advance(value); };
    auto finish = [&progress](int r) {
        progress.close();
        return r;
    };

    const std::size_t N = cells.size();
    std::size_t live = 0;
    for (const point3D* p : points)
        if (p->alive)
            ++live;

    // 1. Gap pairs.
    const std::size_t K0 = interpairs.size();
    for (std::size_t i = 0; i < N; ++i) {
        cell* c = cells[i];
        if (c->dead)
            continue;
        c->relax_skip = 0;
        const std::size_t count = c->sides.size();
        for (std::size_t j = 0; j < count && j < c->sides.size(); ++j) {
            edge* e = c->sides[j];
            if (!e || e->bonded || !e->p1 || !e->p2 || !e->p1->in_edge || !e->p1->in_edge->bonded)
                continue;
            const std::vector<point3D*> V = gap_walk(e, live);
            if (V.empty())
                continue;
            advance(static_cast<int>((i * 50) / N));
            for (std::size_t a = 0; a < e->p1->mp.size(); ++a) {
                cell* A = cell_of(e->p1->mp[a]);
                for (point3D* v : V) {
                    cell* B = v->out_edge->partner->cell;
                    if (A && A != B && !find_any_pair(A, B))
                        new_pair(*this, A, B);
                }
            }
        }
    }

    // Cells whose boundaries still cross without a welded contact are paired
    // too (a dissolved pair of theirs revived), or their live contact without
    // a stretch is taken, whichever stage made it, so that phase 2 welds
    // them: the pick stage, say, pairs a leaving cell's neighbours across the
    // gap after the contact stage has run.
    std::vector<interpair*> earlier;
    for (interpair* p : pair_crossing_cells(*this))
        if (p->id < static_cast<int>(K0))
            earlier.push_back(p);

    // 2. Contact response of the new pairs, and of the pairs they create.
    auto respond_new = [&](interpair* pair) {
        if (pair->removed || pair->check_detection())
            return static_cast<int>(STEP_OK);
        if (pair->cell1->dead || pair->cell2->dead)
            message = QString("ERROR: one cell of %1 and %2 is already dead!").arg(pair->cell1->id).arg(pair->cell2->id);
        return collision_response_m2(pair, step, 1, pair->id);
    };
    for (interpair* pair : earlier) {
        const int r = respond_new(pair);
        if (r >= 0)
            return finish(r);
    }
    std::size_t begin = K0;
    std::size_t end = interpairs.size();
    while (begin < end) {
        for (std::size_t k = begin; k < end; ++k) {
            const int r = respond_new(interpairs[k]);
            if (r >= 0)
                return finish(r);
        }
        begin = end;
        end = interpairs.size();
    }
    // A new contact's first response welds one arc of the overlap, often a
    // single point, and can leave the sides beside it crossing. A response
    // on a pair that holds a weld extends it over the rest, as the contact
    // stage does, but a pair made here meets that stage only next step. So
    // while the two cells still cross, the pair gets the contact stage's
    // second-pass response now, a bounded number of times.
    std::vector<interpair*> fresh = earlier;
    for (std::size_t k = K0; k < interpairs.size(); ++k)
        fresh.push_back(interpairs[k]);
    for (interpair* pair : fresh) {
        const int r = respond_while_crossing(*this, pair, step);
        if (r >= 0)
            return finish(r);
    }

    // 3. Edge lengths.
    for (std::size_t i = 0; i < N; ++i) {
        cell* c = cells[i];
        if (c->dead)
            continue;
        c->relax_skip = 0;
        std::vector<edge*> collapse, split;
        const std::size_t count = c->sides.size();
        for (std::size_t j = 0; j < count; ++j) {
            edge* e = c->sides[j];
            if (!edge_sound(e) || !e->p1->prev || !e->p2->next)
                return finish(broken_boundary(*this, c));
            const double len = e->getlength();
            if (len < kShortEdge || e->edge_twist())
                collapse.push_back(e);
            else if (len > kLongEdge)
                split.push_back(e);
            else
                continue;
            if (e->bonded)
                e->partner->cell->remesh = 1;
        }
        if (!collapse.empty())
            widen_box(c);
        const int value = static_cast<int>((i * 50) / N) + 50;
        if (!split.empty()) {
            advance(value);
            for (edge* e : split) {
                const int r = edge_response_d(e);
                if (r >= 0)
                    return finish(r);
            }
        }
        if (!collapse.empty()) {
            advance(value);
            for (edge* e : collapse) {
                if (!still_a_side(e))
                    continue;
                const int r = edge_response_m(e);
                if (r >= 0)
                    return finish(r);
            }
        }
        if (!c->dead)
            c->center_refresh();
    }

    // 4. Cells folded across themselves: nothing above looks inside one
    // cell, and this is the step's last stage.
    for (std::size_t i = 0; i < N; ++i) {
        cell* c = cells[i];
        if (!c->dead && unfold_cell(c) > 0) {
            widen_box(c);
            c->center_refresh();
        }
    }

    // 5. Paired cells whose interiors still overlap at a weld. While their
    // sides cross, or a vertex of one lies inside the other, the pair gets
    // the contact response, as the contact stage would give it next step:
    // it welds them up to a crossing beside the weld, and where the arcs
    // between two welds of the pair's own are swapped, it extends one weld
    // over the other. Where neither holds, nothing is done: where the
    // sides leave the weld together (up to the tolerance), and also where
    // one cell lies wholly inside the other with every vertex on its sides
    // (within 1e-9), which neither test sees. The response does not part
    // every such couple: its walk from the end of a weld runs only where
    // the sides beyond that end are free on both cells, so a crossing
    // beyond a side that a third cell holds is out of its reach; and two
    // cells whose rings pass into each other only at points where they
    // meet (as when a thin cell between them has just died and the contact
    // stage's fusions with the cells on either side have welded them at
    // both ends of the overlap) give it no crossing at all. Nothing later
    // in the step would part them: of two cells still crossing or lying
    // across each other after the response, the smaller leaves, as where a
    // fusion would swallow too much. The phase follows the unfolding,
    // since a fold meets the same test until it is opened. Every cell that
    // leaves the tissue during the phase is counted, a third cell that a
    // response removes included.
    const std::vector<std::pair<cell*, cell*>> overlapping = cells_overlapping_at_welds(*this);
    const int liveBefore = overlapping.empty() ? 0 : live_cells(*this);
    auto count_removals = [&] {
        if (!overlapping.empty())
            overlap_removals += liveBefore - live_cells(*this);
    };
    for (const auto& [a, b] : overlapping) {
        interpair* pair = find_pair(a, b);
        if (!pair || a->dead || b->dead)
            continue;
        const int r = respond_while_overlapping(*this, pair, step);
        if (r >= 0) {
            count_removals();
            return finish(r);
        }
        if (!pair->removed && (cells_cross(*this, a, b) || cells_lying_across(*this, a, b)))
            cell_death_response(pair->cell2->area <= pair->cell1->area ? pair->cell2 : pair->cell1);
    }
    count_removals();

    progress.setValue(progress.maximum());
    QCoreApplication::processEvents();
    return finish(STEP_OK);
}
