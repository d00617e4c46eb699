#ifndef VANTU_SIGNALLING_NETWORK_H
#define VANTU_SIGNALLING_NETWORK_H

#include <string>
#include <vector>

#include <sbml/SBMLTypes.h>

#include "signalling/stoichiometry.h"

class State;
class SamplingState;
class SparseMatrix;

// The reaction-network model of one SBML file: reads the file with libSBML,
// builds its stoichiometry and evaluates kinetic laws and parameters on a
// state of species counts. Reaction indices r are stoichiometric columns
// (a reversible reaction has a forward and a backward column).
class Network {
public:
    Network();
    ~Network();
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    // Reads and indexes the SBML file at path. 0 on success; -1 when the file
    // cannot be read as an SBML document with a model, when its math holds a
    // one-operand divide, or when the stoichiometry cannot be built. After a
    // failure the network has no species and no reactions.
    int initializeNetwork(const char* path);

    // Rate of column r on the state: the kinetic law's value, negated for a
    // backward column.
    double getReactionRate(const KineticLaw* law, unsigned int r, State* state);
    double getReactionRate(const KineticLaw* law, unsigned int r, SamplingState* state);
    double computeASTNodeValue(const ASTNode* node, unsigned int r, State* state);
    // Value of an id in the context of column r: species, then compartment,
    // then model-wide parameter (through its assignment rule when not
    // constant), then a local parameter of column r's kinetic law.
    double getValueOfParameter(const char* name, unsigned int r, State* state);
    // The look-ups trace themselves on standard output once a period, not
    // once each (a step makes about a hundred per cell); the behaviour step
    // opens a new period every step.
    static void newTracePeriod();
    bool isParameter(const char* name, unsigned int r);
    // Rate of column r on the smallest state that can fire it.
    double getValueOfRateConstant(unsigned int r);

    int getSpeciesIndex(const std::string& id) const;
    int getCompartmentIndex(const std::string& id) const;
    int getRateRuleIndex(const std::string& id) const;
    int initializeRateArrays();

    Model* getModel() const { return model; }
    Stoichiometry* getStoichiometricMatrix() const { return stoichiometricMatrix; }
    unsigned int getNumReactions() const { return numReactions; }
    unsigned int getNumStoiReactions() const { return numStoiReactions; }
    unsigned int getNumSpecies() const { return numSpecies; }
    unsigned int getNumCompartments() const { return numCompartments; }
    unsigned int getNumRules() const { return numRules; }
    unsigned int getNumParameters() const { return numParameters; }
    unsigned int getNumErrors() const { return numErrors; }
    std::string getSpeciesID(unsigned int i) const { return entry(speciesID, i); }
    std::string getReactionID(unsigned int i) const { return entry(reactionID, i); }
    std::string getRuleID(unsigned int i) const { return entry(ruleID, i); }
    std::string getParameterID(unsigned int i) const { return entry(parameterID, i); }

    SparseMatrix* getTransitionMatrix() const { return transitionMatrix; }
    void setTransitionMatrix(SparseMatrix* m) { transitionMatrix = m; }
    unsigned int* getStateSpace() const { return stateSpace; }
    void setStateSpace(unsigned int* s) { stateSpace = s; }
    unsigned int getNumStates() const { return static_cast<unsigned int>(numStates); }
    void setNumStates(unsigned long n) { numStates = n; }
    unsigned int getNumRealStates() const { return numRealStates; }
    void setNumRealStates(unsigned long n) { numRealStates = static_cast<unsigned int>(n); }
    int printErrors() const { return 0; }

private:
    static std::string entry(const std::vector<std::string>& table, unsigned int i);
    int fillLocalParameters(unsigned int r, const char* name);
    bool checkMath(const ASTNode* node, const std::string& where) const;
    void resetIndex();

    SBMLDocument* document = nullptr;          // the document read from the file; owned
    Model* model = nullptr;                    // the document's model; null until read
    unsigned int numErrors = 0;                // the document's error count when read
    unsigned int* stateSpace = nullptr;        // path-sampling state space; stored only
    Stoichiometry* stoichiometricMatrix = nullptr; // built from the model; owned
    SparseMatrix* transitionMatrix = nullptr;  // path-sampling matrix; stored only, not owned
    std::vector<std::string> compartmentID;    // compartment ids in model order
    std::vector<std::string> speciesID;        // species ids in model order = species index
    std::vector<std::string> ruleID;           // assignment-rule variable per rule, else empty
    std::vector<std::string> parameterID;      // model-wide parameter ids in model order
    std::vector<std::string> reactionID;       // SBML reaction id per column
    std::vector<std::string> localParameterID; // local parameter ids of the last looked-up law
    unsigned long numStates = 0;               // path-sampling state count; stored only
    unsigned int numCompartments = 0;
    unsigned int numSpecies = 0;
    unsigned int numReactions = 0;             // SBML reactions
    unsigned int numStoiReactions = 0;         // columns: reactions plus reversible ones
    unsigned int numRules = 0;
    unsigned int numParameters = 0;
    unsigned int numRealStates = 0;            // path-sampling state count; stored only
    std::vector<double> ratesA;                // per-column work array for the sampling library
    std::vector<double> ratesB;                // per-column work array for the sampling library
    std::vector<std::string> activeRules;      // assignment rules being evaluated, outermost first
};

#endif
