#ifndef VANTU_SIGNALLING_STOICHIOMETRY_H
#define VANTU_SIGNALLING_STOICHIOMETRY_H

#include <string>
#include <utility>
#include <vector>

#include <sbml/SBMLTypes.h>

class State;
class SamplingState;

// The stoichiometric and modifier matrices of one reaction network built from
// a libSBML model. Every SBML reaction gives a forward column; a reversible
// one also gives a backward column right after it. Rows are the model's
// species in model order.
class Stoichiometry {
public:
    Stoichiometry();

    // Builds every table; 1 on success, -1 when a reactant, product or
    // modifier names a species the model lacks.
    int genStoichiometricMatrix(const Model* model);
    // Pairs each column with the first later unpaired column whose vector is
    // its exact negation; 0, or -1 before the matrix is built.
    int MapAllReversiblePairs();

    // Entries and attributes; indices outside the tables read 0 (null law).
    double getValue(unsigned int s, unsigned int r) const;
    int getModifierValue(unsigned int s, unsigned int r) const;
    int getNumModifiers(unsigned int r) const;
    int getReactionAttribute(unsigned int r) const;
    const KineticLaw* getKineticLaw(unsigned int r) const;
    // Column r, less the modifier multiplicities when mode > 0.
    std::vector<double> getStoichiometricVector(unsigned int r, int mode) const;

    unsigned int getNumReversiblePairs() const { return static_cast<unsigned int>(reversiblePairs.size()); }
    int getReversiblePairID(unsigned int i, unsigned int k) const;
    int getSpeciesIndex(const std::string& id) const;

    unsigned int getNumSpecies() const { return numSpecies; }
    int setNumSpecies(unsigned int n) { numSpecies = n; return 1; }
    unsigned int getNumReactions() const { return numReactions; }
    int setNumReactions(unsigned int n) { numReactions = n; return 1; }
    const std::vector<double>& getStoichiometricMatrix() const { return stoichiometricMatrix; }
    // Replaces the matrix by a copy of numSpecies x numReactions entries of m.
    int setStoichiometricMatrix(const double* m);

    // Firing a column: 1 and out filled when the column can fire on in,
    // 0 when it cannot (out then all zero), -1 for a null out.
    int reactWithState(unsigned int r, State* in, State* out) const;
    int reactWithState(unsigned int r, SamplingState* in, SamplingState* out) const;
    // A new state holding in plus the column, or null when it cannot fire.
    State* reactWithState(unsigned int r, State* in) const;
    SamplingState* reactWithState(unsigned int r, SamplingState* in) const;
    // Applies the column without any test; counts stop at 0 and at the
    // largest count instead of wrapping around.
    int updateStateWithReaction(unsigned int r, State* state) const;
    int updateStateWithReaction(unsigned int r, SamplingState* state) const;
    int updateNewStateWithReaction(unsigned int r, State* in, State* out) const;
    int updateNewStateWithReaction(unsigned int r, SamplingState* in, SamplingState* out) const;
    // Whether every count covers what column r consumes plus its modifiers.
    bool canReact(unsigned int r, State* state) const;
    bool canReact(unsigned int r, SamplingState* state) const;

    int printStoichiometricMatrix() const;

private:
    template <class S> int fire(unsigned int r, const S* in, S* out) const;
    template <class S> bool can(unsigned int r, const S* state) const;
    template <class S> void apply(unsigned int r, const S* in, S* out) const;
    int fillColumn(const Reaction* reaction, unsigned int c, double sign);
    int truncated(unsigned int s, unsigned int r) const;

    bool built = false;                          // the tables exist (built or set)
    unsigned int numReactions = 0;               // number of columns
    unsigned int numSpecies = 0;                 // number of rows
    std::vector<std::string> speciesID;          // species ids in model order
    std::vector<double> stoichiometricMatrix;    // entry (s, r) at s * numReactions + r
    std::vector<std::pair<int, int>> reversiblePairs; // (i, j) mutually reverse, (i, -1) unpaired
    std::vector<const KineticLaw*> kineticLaw;   // per column; null when none; owned by the document
    std::vector<int> modifierMatrix;             // row 0: modifiers per column; row s + 1: multiplicity of s
    std::vector<int> reactionAttribute;          // k + 1 forward, -(k + 1) backward column of reaction k
};

#endif
