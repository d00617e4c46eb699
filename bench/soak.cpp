// Soak run: every sample, loaded as the program loads it, played in a
// mechanism mode for many steps, with the topology checker and the crossing
// test after every stage of every step. A development tool for the engine:
// it finds the step and the stage that first leave a broken or crossed
// tissue, which a single step's tests rarely reach.
//
//   soak [--mode model|grow|relax|all] [--steps N] [--cells M] [--seed S] [--stop] [file.vt ...]
//
// Without files it runs every sample; without --mode, all three modes. The
// loader seeds the random sequence (srand(1)); --seed S reseeds it right
// after the load, before the first step draws, as a program that called
// srand(S) there would run. A run ends after N steps, once M cells are live,
// or at a failing stage (the step loop would stop there too). One line per
// run:
//
//   wound_point.vt Model steps 500 live 412 dead 3 divisions 97 crossed-steps 0 faulty-steps 0 overlap-removals 0 first - ms/step median 41.2 max 310.5
//
// A Relax line also gives the travel of the live vertices' mean over the
// run, in total and per step ("drift dx dy per step dx dy"): nothing drives a
// relaxing tissue, so travel beyond the bound below counts as a fault.
//
// Every 100 steps a line on standard error tells how far a run is, and
// every faulty step is named there as it happens.
// "first" names the first fault: step, stage and the checker's or the
// crossing test's text, or the stage's own "ERROR: " message. Faults found
// in later steps are counted in faulty-steps (with --stop the run ends at
// the first). The exit status is 1 when any run found a fault.
//
// The crossing test after the contact and pick stages compares only cells
// that a live pair joins: cells that have just come into contact are paired
// by the edge stage, the last of the step, after which every two live cells
// are compared. Nor does it hold those two stages to a crossing of two
// welded sides that was there before the stage: the mechanics can fold a
// thin cell at a junction where every side is welded, which the contact
// stage does not walk and the pick stage slides away; such a crossing is
// counted when the step ends with it. After the edge stage every two live
// cells are also tested for a vertex of one lying inside the other: cells
// whose sides meet only where they are welded can lie across each other
// without any crossing. crossed-steps counts the steps that end with two
// cells crossing or lying across each other, as a check after every step
// of the program's own loop would see them; faulty-steps also counts the
// faults met within a step. overlap-removals counts every cell removed
// during the edge stage's last phase: its own removal of the smaller of two
// paired cells still crossing or lying across each other at a weld, and
// any cell the contact response it gave them removed, a third cell
// included.
#include "support/engine_env.h"

#include "model/dbreader.h"
#include "tests/support/crossings.h"
#include "tests/support/topology_check.h"

#include <QApplication>
#include <QDir>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Stage {
    const char* name;
    std::function<int(dbReader&, int)> run;
    // Which crossing test holds after the stage; none after the stages that
    // move cells into each other before the contact stage mends it.
    enum { NoCrossingTest, PairedCells, AllCells } crossings;
};

// The step loop's stages in its order; each runs only while the ones before
// returned -1.
const std::vector<Stage>& stages()
{
    static const std::vector<Stage> list = {
        {"mesh", [](dbReader& e, int s) { e.cell_mesh_generation(s); return -1; }, Stage::NoCrossingTest},
        {"behaviour", [](dbReader& e, int s) { return e.cell_setupbiobehaviors(s); }, Stage::NoCrossingTest},
        {"mechanics", [](dbReader& e, int s) { return e.cell_dynamic_FEM(s); }, Stage::NoCrossingTest},
        {"contact", [](dbReader& e, int s) { return e.detect_collision(s); }, Stage::PairedCells},
        {"pick", [](dbReader& e, int s) { return e.cell_pick_response(s); }, Stage::PairedCells},
        {"edge", [](dbReader& e, int s) { return std::max(-1, e.cell_edge_response(s)); }, Stage::AllCells},
        {"rtree", [](dbReader& e, int) { e.r_tree_construction(e.bounds); return -1; }, Stage::NoCrossingTest},
    };
    return list;
}

// The most the live vertices' mean may travel in a Relax run: 0.1, plus
// 1e-4 a step. Nothing drives a relaxing tissue, yet a loaded tissue shifts
// while its cells reach their target areas (0.009 on the seven-cell
// samples, 0.05 in the first hundred steps of the thousand-cell sheet), and
// each solve stops at its tolerance with a small remainder that still moves
// a settled tissue (below 1e-5 a step on the samples up to 96 cells, 5e-5 on
// the thousand-cell sheet). The bound is about twice the largest of each,
// so only a tissue that keeps travelling goes beyond it.
constexpr double kRelaxSettling = 0.1;
constexpr double kRelaxDriftPerStep = 1e-4;

struct Options {
    std::vector<int> modes;
    int steps = 400;
    int cells = 2000;
    bool seeded = false;
    unsigned seed = 1;
    bool stop = false;
    QStringList files;
};

const char* modeName(int mode)
{
    return mode == dbReader::MECH_GROW ? "Grow" : mode == dbReader::MECH_RELAX ? "Relax" : "Model";
}

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The mean position of the live boundary vertices; false when none is live.
bool liveCentroid(const dbReader& e, double c[2])
{
    double sx = 0.0, sy = 0.0;
    long n = 0;
    for (const point3D* p : e.points)
        if (p->alive) {
            sx += p->x;
            sy += p->y;
            ++n;
        }
    if (n == 0)
        return false;
    c[0] = sx / n;
    c[1] = sy / n;
    return true;
}

int liveCells(const dbReader& e)
{
    int n = 0;
    for (const cell* c : e.cells)
        n += c->dead ? 0 : 1;
    return n;
}

// Whether a crossing line of the crossing test joins two welded sides.
bool weldedSides(const dbReader& e, const std::string& crossing)
{
    int s = -1, a = -1, t = -1, b = -1;
    if (std::sscanf(crossing.c_str(), "edge %d of cell %d crosses edge %d of cell %d", &s, &a, &t, &b) != 4)
        return false;
    const int n = static_cast<int>(e.edges.size());
    return s >= 0 && t >= 0 && s < n && t < n && e.edges[s]->bonded && e.edges[t]->bonded;
}

// The crossings of welded sides that a stage finds on entry (see above).
std::vector<std::string> weldedCrossings(const dbReader& e)
{
    std::vector<std::string> found = boundaryCrossings(e, CrossingScope::PairedCells);
    found.erase(std::remove_if(found.begin(), found.end(),
                               [&e](const std::string& c) { return !weldedSides(e, c); }),
                found.end());
    return found;
}

// The first fault the checks find after a stage, or an empty text.
// `carried` lists the crossings of welded sides found before the stage.
// After the last stage, where every two cells are compared, `crossed` tells
// whether two cells cross or lie across each other.
std::string checkAfter(const dbReader& e, const Stage& stage, const std::vector<std::string>& carried, bool& crossed)
{
    crossed = false;
    std::vector<std::string> found;
    if (stage.crossings == Stage::AllCells) {
        found = boundaryCrossings(e, CrossingScope::AllCells);
        const std::vector<std::string> across = cellsLyingAcross(e, CrossingScope::AllCells);
        found.insert(found.end(), across.begin(), across.end());
        crossed = !found.empty();
    }
    const std::vector<TopologyFault> faults = checkTopology(e);
    if (!faults.empty())
        return std::string(invariantName(faults.front().invariant)) + ": " + faults.front().what
               + (faults.size() > 1 ? " (+" + std::to_string(faults.size() - 1) + " more)" : "");
    if (stage.crossings == Stage::NoCrossingTest)
        return {};
    if (stage.crossings == Stage::PairedCells) {
        found = boundaryCrossings(e, CrossingScope::PairedCells);
        found.erase(std::remove_if(found.begin(), found.end(),
                                   [&](const std::string& c) {
                                       return weldedSides(e, c)
                                              && std::find(carried.begin(), carried.end(), c) != carried.end();
                                   }),
                    found.end());
    }
    if (found.empty())
        return {};
    return found.front() + (found.size() > 1 ? " (+" + std::to_string(found.size() - 1) + " more)" : "");
}

// One run; prints its line to `out` and returns whether it found a fault.
bool soak(const QString& file, int mode, const Options& o, FILE* out)
{
    const QString name = QDir(file).dirName();
    std::unique_ptr<dbReader> engine = bench_env::loadTissue(file);
    if (!engine) {
        std::fprintf(out, "%s %s: not loaded\n", qPrintable(name), modeName(mode));
        return true;
    }
    engine->mech_mode = mode;
    if (o.seeded)
        std::srand(o.seed);
    const int startCells = static_cast<int>(engine->cells.size());
    double startCentroid[2] = {0.0, 0.0};
    const bool hasCentroid = liveCentroid(*engine, startCentroid);

    std::string first;
    int faultySteps = 0;
    int crossedSteps = 0;
    std::vector<double> ms;
    int step = 0;
    bool failed = false;
    while (step < o.steps && liveCells(*engine) < o.cells && !failed) {
        ++step;
        double spent = 0.0;
        bool faulty = false;
        bool crossed = false;
        for (const Stage& stage : stages()) {
            const std::vector<std::string> carried =
                stage.crossings == Stage::PairedCells ? weldedCrossings(*engine) : std::vector<std::string>();
            const double start = cpuMs();
            const int r = stage.run(*engine, step);
            spent += cpuMs() - start;
            std::string fault;
            if (r >= 0) {
                fault = "failed at " + std::to_string(r) + ": " + engine->message.toStdString();
                failed = true;
            } else {
                bool ends = false;
                fault = checkAfter(*engine, stage, carried, ends);
                crossed = crossed || ends;
            }
            if (!fault.empty() && !faulty) {
                faulty = true;
                if (first.empty())
                    first = "step " + std::to_string(step) + " " + stage.name + " \"" + fault + "\"";
                std::fprintf(stderr, "  %s %s step %d %s: %s\n", qPrintable(name), modeName(mode), step, stage.name,
                             fault.c_str());
            }
            if (failed)
                break;
        }
        ms.push_back(spent);
        faultySteps += faulty ? 1 : 0;
        crossedSteps += crossed ? 1 : 0;
        // A sign of life on standard error for runs of many minutes.
        if (step % 100 == 0)
            std::fprintf(stderr, "  %s %s step %d, %d live cells\n", qPrintable(name), modeName(mode), step,
                         liveCells(*engine));
        if (faulty && o.stop)
            break;
    }

    // Nothing drives a relaxing tissue: its live vertices may not travel.
    std::string drift;
    double end[2] = {0.0, 0.0};
    if (mode == dbReader::MECH_RELAX && hasCentroid && step > 0 && liveCentroid(*engine, end)) {
        const double dx = end[0] - startCentroid[0], dy = end[1] - startCentroid[1];
        char text[160];
        std::snprintf(text, sizeof text, " drift %.2e %.2e per step %.2e %.2e", dx, dy, dx / step, dy / step);
        drift = text;
        if (std::hypot(dx, dy) > kRelaxSettling + kRelaxDriftPerStep * step) {
            ++faultySteps;
            if (first.empty())
                first = std::string("after step ") + std::to_string(step) + " \"centroid" + text + "\"";
        }
    }

    std::sort(ms.begin(), ms.end());
    const double median = ms.empty() ? 0.0 : ms[ms.size() / 2];
    const double worst = ms.empty() ? 0.0 : ms.back();
    const int live = liveCells(*engine);
    const int dead = static_cast<int>(engine->cells.size()) - live;
    std::fprintf(out,
                 "%s %s steps %d live %d dead %d divisions %d%s crossed-steps %d faulty-steps %d overlap-removals %d first %s ms/step median %.1f max %.1f\n",
                 qPrintable(name), modeName(mode), step, live, dead,
                 static_cast<int>(engine->cells.size()) - startCells, drift.c_str(), crossedSteps, faultySteps,
                 engine->overlap_removals, first.empty() ? "-" : first.c_str(), median, worst);
    std::fflush(out);
    return !first.empty();
}

bool parse(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--mode" && hasValue) {
            const std::string m = argv[++i];
            if (m == "model")
                o.modes.push_back(dbReader::MECH_MODEL);
            else if (m == "grow")
                o.modes.push_back(dbReader::MECH_GROW);
            else if (m == "relax")
                o.modes.push_back(dbReader::MECH_RELAX);
            else if (m != "all")
                return false;
        } else if (a == "--steps" && hasValue) {
            o.steps = std::atoi(argv[++i]);
        } else if (a == "--cells" && hasValue) {
            o.cells = std::atoi(argv[++i]);
        } else if (a == "--seed" && hasValue) {
            o.seeded = true;
            o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--stop") {
            o.stop = true;
        } else if (!a.empty() && a[0] != '-') {
            o.files << QString::fromLocal8Bit(argv[i]);
        } else {
            return false;
        }
    }
    if (o.modes.empty())
        o.modes = {dbReader::MECH_MODEL, dbReader::MECH_GROW, dbReader::MECH_RELAX};
    if (o.files.isEmpty()) {
        const QDir dir(QString::fromLocal8Bit(bench_env::samplesDirectory()));
        for (const QString& f : dir.entryList({"*.vt"}, QDir::Files, QDir::Name))
            o.files << dir.filePath(f);
    }
    return o.steps > 0 && o.cells > 0;
}

}  // namespace

int main(int argc, char** argv)
{
    bench_env::offscreenWithoutDisplay();
    QApplication app(argc, argv);
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr, "usage: %s [--mode model|grow|relax|all] [--steps N] [--cells M] [--seed S] [--stop] [file.vt ...]\n",
                     argv[0]);
        return 2;
    }
    if (!bench_env::prepareEngines())
        return 1;

    // The engine's diagnostics go to /dev/null; the table is written to the
    // real standard output.
    const int report = bench_env::silenceStandardOutput();
    if (report < 0)
        return 1;
    FILE* out = ::fdopen(report, "w");
    if (!out)
        return 1;

    bool anyFault = false;
    for (const QString& file : o.files)
        for (int mode : o.modes)
            anyFault = soak(file, mode, o, out) || anyFault;
    std::fclose(out);
    return anyFault ? 1 : 0;
}
