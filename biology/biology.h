#ifndef VANTU_BIOLOGY_BIOLOGY_H
#define VANTU_BIOLOGY_BIOLOGY_H

#include <QString>
#include <vector>

#include <sbml/SBMLTypes.h>

class Network;
struct cell;

// The engine's behaviour model. It reads, when it is made, one signalling
// model per cell type and the common model from the SBML model files (see
// signalling/model_files.h), advances a cell's cytokine counts by a chemical
// Langevin integration and evaluates the four behaviour probabilities of a
// cell from its type's model.
//
// A model file that is missing or unreadable, or a common model without one
// of its parameters, leaves the model unusable for that part: the failure is
// kept in loadMessage() (isLoaded() false) for the loader to report, and
// nothing reads from a model that is not there.
class Biology {
public:
    Biology();
    ~Biology();
    Biology(const Biology&) = delete;
    Biology& operator=(const Biology&) = delete;

    // One Euler-Maruyama integration of c's counts over DeltaT in steps of
    // 0.1 with c's cell-type network; returns the number of steps taken.
    int UpdateCellState(cell* c);
    // "Prob_GrowthDiv", ... of c's cell-type network on c's present counts.
    double CalcValueProbGrowthDiv(cell* c);
    double CalcValueProbMigration(cell* c);
    double CalcValueProbApoptosis(cell* c);
    double CalcValueProbDoNothing(cell* c);

    int getNumSpecies() const { return numSpecies; }
    int getNumRealSpecies() const { return numRealSpecies; }
    double getDeltaT() const { return DeltaT; }
    double getD0() const { return D0; }
    double getD(int j) const;
    void setValueProbGrowthDiv(double v) { valueProbGrowthDiv = v; }
    void setValueProbMigration(double v) { valueProbMigration = v; }
    void setValueProbApoptosis(double v) { valueProbApoptosis = v; }
    void setValueProbDoNothing(double v) { valueProbDoNothing = v; }
    double getValueProbGrowthDiv() const { return valueProbGrowthDiv; }
    double getValueProbMigration() const { return valueProbMigration; }
    double getValueProbApoptosis() const { return valueProbApoptosis; }
    double getValueProbDoNothing() const { return valueProbDoNothing; }

    // Whether every model file was read with what it must hold.
    bool isLoaded() const { return loadMessage_.isEmpty(); }
    // The first failure met while reading ("ERROR: ..."); empty when none.
    const QString& loadMessage() const { return loadMessage_; }

    Network* commonNetwork = nullptr;            // the common model; owned
    std::vector<Network*> networks;              // per cell-type index; owned
    std::vector<int> numReactions;               // per cell type, its stoichiometric columns
    std::vector<std::vector<const KineticLaw*>> kineticLaws; // per cell type, the law of each column; owned by the networks' documents
    double D0 = 0.0;                             // diffusion scale factor ("D0")
    double DeltaT = 0.0;                         // time span of one behaviour step ("DeltaT")
    double valueProbDoNothing = 0.0;             // slots of the behaviour choice
    double valueProbGrowthDiv = 0.0;
    double valueProbMigration = 0.0;
    double valueProbApoptosis = 0.0;
    int numSpecies = 20;                         // count entries a cell carries
    int numRealSpecies = 0;                      // cytokines: species of the common model
    std::vector<double> D;                       // diffusion coefficient per cytokine, cm²/s

private:
    double probability(cell* c, const char* name);
    void fail(const QString& message);
    double commonParameter(const std::string& id, const QString& path);

    QString loadMessage_;
};

#endif
