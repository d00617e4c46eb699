#ifndef VANTU_BIOLOGY_BEHAVIOUR_STAGES_H
#define VANTU_BIOLOGY_BEHAVIOUR_STAGES_H

// The stages of the behaviour step (dbReader::cell_setupbiobehaviors), one
// function each, so that a test can run one stage on a fixture tissue.
//
// The step reads the mechanism mode once and runs one branch:
//   Relax   relaxTissue: the first of a cell's isolated free sides collapses;
//   Grow    growTissue: large cells divide, every live cell gets a fixed drive;
//   Model   numberLiveCells -> updateSignalling -> diffuseCytokines ->
//           chooseBehaviours -> markApoptosis -> proliferate -> migrate ->
//           rest, each over the cells in index order.
// A stage that can fail returns dbReader::STEP_OK (-1) or the index of the
// cell at fault with dbReader::message set; the step then ends at once. The
// failures are a broken contact met by the diffusion, a division that finds
// a weld record not fitting its ring, and a broken boundary met by Relax.
//
// Cells are visited over the count a stage starts with: cells made by a
// division during a stage are not visited by it.

#include <QString>

#include <memory>
#include <vector>

class dbReader;
class QProgressDialog;
class StageTicker;
struct cell;
struct interpair;

namespace behaviour {

// The step's progress dialog, or none (a test running one stage). Every
// item lets the event loop run, so a Pause reaches the loop meanwhile.
class Progress {
public:
    explicit Progress(QProgressDialog* dialog = nullptr) : dialog(dialog) {}
    // A new stage label and the value shown before its work.
    void stage(const char* label, int value);
    void value(int v);
    // The dialog's maximum, shown once more before the branch ends.
    void finish();

private:
    QProgressDialog* dialog;
    std::shared_ptr<StageTicker> ticker;  // paces the per-item values
};

// ---- Relax and Grow -------------------------------------------------------

// Clears every cell's growth drive; a live cell that is not surrounded, has
// more than three sides and whose free sides all lie between bonded ones
// loses the first of them and is re-meshed.
int relaxTissue(dbReader& e, int step, Progress& progress);

// Divides every live cell of area 519.6 or more (both halves type 0) along
// its shape's angle in whole degrees, then gives every live cell the drive
// 188.495559.
int growTissue(dbReader& e, int step, Progress& progress);

// ---- Model: numbering and signalling ----------------------------------------

// Live-cell numbering of the cells present when the step started, with one
// amount table per cytokine (one entry per live cell).
struct LiveNumbering {
    std::vector<int> live;                     // cell index of each live number
    std::vector<int> number;                   // live number per cell index; -1 = dead
    std::vector<std::vector<double>> amounts;  // per cytokine, one amount per live number
};

LiveNumbering numberLiveCells(const dbReader& e, int n);

// One Langevin interval of every live cell's counts; clears migrate_relaxed.
// Does nothing without a loaded behaviour model.
void updateSignalling(dbReader& e, int n);

// ---- Model: diffusion ---------------------------------------------------------

// Directed links between live numbers, shared by every cytokine, with one
// coefficient list per cytokine; each cell's own link (target = source)
// carries minus the sum of its outgoing coefficients.
struct DiffusionLinks {
    std::vector<int> target;
    std::vector<int> source;
    std::vector<std::vector<double>> rate;
};

// Transfer weight of contact p seen from c: the measured welded stretch,
// 1.570796325 for a single welded point, 1.570796325 - pi d / 40 for an
// unwelded contact with a free facing at a gap d below 10, else 0 (no link).
// Returns STEP_OK, or c's id with the message set when the first stretch has
// a dead end or does not close within 100 edges.
int contactWeight(dbReader& e, cell* c, interpair* p, double& w);

// Fills the amount tables from the live cells' counts and builds the links.
// STEP_OK, or the index of the cell whose contact is broken (nothing changed).
int buildDiffusionLinks(dbReader& e, LiveNumbering& live, int n, DiffusionLinks& links);

// Integrates every cytokine's exchange over the model's DeltaT.
void integrateDiffusion(const dbReader& e, DiffusionLinks& links, LiveNumbering& live);

// Writes the amounts back as whole counts capped at 200; clears
// migrate_responded of every live cell.
void writeBackAmounts(dbReader& e, LiveNumbering& live, int n);

// The whole stage: links, integration, write-back. Without a loaded
// behaviour model it changes nothing.
int diffuseCytokines(dbReader& e, LiveNumbering& live, int n, Progress& progress);

// ---- Model: behaviour choice and apoptosis -----------------------------------

// The behaviour code of a draw u in (0, 1] from normalised probabilities
// (apoptosis has the range between migration and do-nothing); 0 when u
// falls in no range.
int behaviourForDraw(double doNothing, double growthDiv, double migration, double u, double area);

// Normalises the four probabilities (a negative or undefined one counts as
// 0), draws one rand() and gives c the code it falls on with that code's
// step count 0. A total not above 0 leaves the code 0. Returns the code.
int drawBehaviour(cell* c, double doNothing, double growthDiv, double migration, double apoptosis);

// Every live, idle cell of a type that is not static draws its behaviour
// from its model's probabilities; a static idle cell's drive becomes 0.
void chooseBehaviours(dbReader& e, int n);

// Marks every live cell of a type that is not static with code 3 dying.
void markApoptosis(dbReader& e, int n);

// ---- Model: proliferation and quiescence -------------------------------------

// Cycle time T of c from its type's behaviour rules (24.0 without any).
double cycleTime(const cell* c);

// Whether a contact of c reaches a cell whose type synthesises c's cue.
bool hasProducerNeighbour(dbReader& e, cell* c);

int proliferate(dbReader& e, int step, Progress& progress);

// Counts the quiescence of the first n cells and ends it on the seventh visit.
void rest(dbReader& e, int n);

// ---- Model: migration -----------------------------------------------------------

// What a migration start of the stage passed on, for tests; the stage
// itself keeps nothing.
struct MigrationTrace {
    std::vector<double> angles;  // direction of each start, degrees
    std::vector<double> forces;  // force passed to the front, per start
};

// Strength factor of a chemotactic type: 1.5 for strength 0, else
// min(1 / strength, 1.5).
double strengthFactor(int type);

// Division angle of a target-driven migrant moving at `angle` whose shape
// asks for `shapeAngle`: the perpendicular of the motion, unless the shape's
// line is more than 60 degrees away from it.
double motionDivisionAngle(double angle, double shapeAngle);

int migrate(dbReader& e, int step, Progress& progress, MigrationTrace* trace = nullptr);

}  // namespace behaviour

#endif
