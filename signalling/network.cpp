#include "signalling/network.h"

#include "signalling/sampling_state.h"
#include "signalling/state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

// The trace period, and the last one in which each trace line was printed.
unsigned tracePeriod = 1;
unsigned lookUpTraced = 0;
unsigned localTraced = 0;

// True the first time `line` is asked for in the current period.
bool firstInPeriod(unsigned& line)
{
    if (line == tracePeriod)
        return false;
    line = tracePeriod;
    return true;
}

}  // namespace

Network::Network() = default;

void Network::newTracePeriod()
{
    ++tracePeriod;
}

Network::~Network()
{
    delete stoichiometricMatrix;
    delete document;
}

std::string Network::entry(const std::vector<std::string>& table, unsigned int i)
{
    return i < table.size() ? table[i] : std::string();
}

void Network::resetIndex()
{
    delete stoichiometricMatrix;
    stoichiometricMatrix = nullptr;
    compartmentID.clear();
    speciesID.clear();
    ruleID.clear();
    parameterID.clear();
    reactionID.clear();
    localParameterID.clear();
    numCompartments = numSpecies = numReactions = numStoiReactions = numRules = numParameters = 0;
    ratesA.clear();
    ratesB.clear();
}

// A divide needs its two operands; MathML gives a one-operand divide no meaning.
bool Network::checkMath(const ASTNode* node, const std::string& where) const
{
    if (!node)
        return true;
    if (node->getType() == AST_DIVIDE && node->getNumChildren() == 1) {
        std::printf("ERROR: divide with a single operand in %s.\n", where.c_str());
        return false;
    }
    for (unsigned int i = 0; i < node->getNumChildren(); ++i)
        if (!checkMath(node->getChild(i), where))
            return false;
    return true;
}

int Network::initializeNetwork(const char* path)
{
    resetIndex();
    delete document;
    document = readSBML(path ? path : "");
    numErrors = document->getNumErrors();
    model = document->getModel();
    const unsigned int severe = document->getNumErrors(LIBSBML_SEV_ERROR) + document->getNumErrors(LIBSBML_SEV_FATAL);
    if (!model || severe > 0) {
        std::printf("ERROR: can not read the model file %s\n", path ? path : "");
        model = nullptr;
        return -1;
    }
    for (unsigned int k = 0; k < model->getNumReactions(); ++k) {
        const Reaction* reaction = model->getReaction(k);
        if (reaction->isSetKineticLaw() && !checkMath(reaction->getKineticLaw()->getMath(), reaction->getId()))
            return -1;
    }
    for (unsigned int k = 0; k < model->getNumRules(); ++k)
        if (!checkMath(model->getRule(k)->getMath(), model->getRule(k)->getVariable()))
            return -1;

    stoichiometricMatrix = new Stoichiometry();
    if (stoichiometricMatrix->genStoichiometricMatrix(model) == -1) {
        std::printf("Exit caused by error while generating stoichiometry matrix.\n");
        return -1;
    }
    stoichiometricMatrix->MapAllReversiblePairs();

    numCompartments = model->getNumCompartments();
    numSpecies = model->getNumSpecies();
    numRules = model->getNumRules();
    numReactions = model->getNumReactions();
    numStoiReactions = stoichiometricMatrix->getNumReactions();
    initializeRateArrays();

    reactionID.assign(numStoiReactions, std::string());
    unsigned int c = 0;
    for (unsigned int k = 0; k < numReactions && c < numStoiReactions; ++k) {
        const Reaction* reaction = model->getReaction(k);
        reactionID[c++] = reaction->getId();
        if (reaction->getReversible() && c < numStoiReactions)
            reactionID[c++] = reaction->getId();
    }
    for (unsigned int i = 0; i < numCompartments; ++i)
        compartmentID.push_back(model->getCompartment(i)->getId());
    for (unsigned int i = 0; i < numSpecies; ++i)
        speciesID.push_back(model->getSpecies(i)->getId());
    for (unsigned int i = 0; i < numRules; ++i) {
        const Rule* rule = model->getRule(i);
        ruleID.push_back(rule->isAssignment() ? rule->getVariable() : std::string());
    }
    numParameters = model->getNumParameters();
    for (unsigned int i = 0; i < numParameters; ++i)
        parameterID.push_back(model->getParameter(i)->getId());
    return 0;
}

int Network::initializeRateArrays()
{
    ratesA.assign(numStoiReactions, 0.0);
    ratesB.assign(numStoiReactions, 0.0);
    return 1;
}

int Network::getSpeciesIndex(const std::string& id) const
{
    for (std::size_t i = 0; i < speciesID.size(); ++i)
        if (speciesID[i] == id)
            return static_cast<int>(i);
    return -1;
}

int Network::getCompartmentIndex(const std::string& id) const
{
    for (std::size_t i = 0; i < compartmentID.size(); ++i)
        if (compartmentID[i] == id)
            return static_cast<int>(i);
    return -1;
}

int Network::getRateRuleIndex(const std::string& id) const
{
    for (std::size_t i = 0; i < ruleID.size(); ++i)
        if (ruleID[i] == id)
            return static_cast<int>(i);
    return -1;
}

// Refills the local-parameter table from column r's kinetic law; the
// position of name in it, or -1.
int Network::fillLocalParameters(unsigned int r, const char* name)
{
    localParameterID.clear();
    const KineticLaw* law = stoichiometricMatrix ? stoichiometricMatrix->getKineticLaw(r) : nullptr;
    if (!law)
        return -1;
    int found = -1;
    for (unsigned int i = 0; i < law->getNumParameters(); ++i) {
        localParameterID.push_back(law->getParameter(i)->getId());
        if (found < 0 && name && localParameterID.back() == name)
            found = static_cast<int>(i);
    }
    return found;
}

double Network::getValueOfParameter(const char* name, unsigned int r, State* state)
{
    if (firstInPeriod(lookUpTraced))
        std::printf("get kl done!\n");
    const std::string id = name ? name : "";
    const int local = fillLocalParameters(r, id.c_str());

    const int s = getSpeciesIndex(id);
    if (s >= 0) {
        // A species the column produces reads as 0 unless it is also a modifier.
        if (stoichiometricMatrix && stoichiometricMatrix->getValue(s, r) > 0.0
            && stoichiometricMatrix->getModifierValue(s, r) == 0)
            return 0.0;
        return state ? static_cast<double>(state->getStateValue(s)) : 0.0;
    }
    const int c = getCompartmentIndex(id);
    if (c >= 0 && model)
        return model->getCompartment(c)->getSize();
    const Parameter* parameter = model ? model->getParameter(id) : nullptr;
    if (parameter) {
        if (parameter->getConstant())
            return parameter->getValue();
        const int k = getRateRuleIndex(id);
        const Rule* rule = k >= 0 ? model->getRule(k) : nullptr;
        if (!rule || !rule->isSetMath())
            return parameter->getValue();
        // A rule met again while it is being evaluated is a cycle: it ends
        // there at once, whatever number of references each rule holds.
        if (std::find(activeRules.begin(), activeRules.end(), id) != activeRules.end()) {
            std::printf("ERROR: assignment rules refer to each other in a cycle at %s\n", id.c_str());
            return 0.0;
        }
        activeRules.push_back(id);
        const double value = computeASTNodeValue(rule->getMath(), r, state);
        activeRules.pop_back();
        return value;
    }
    if (local >= 0) {
        const double value = stoichiometricMatrix->getKineticLaw(r)->getParameter(local)->getValue();
        if (firstInPeriod(localTraced))
            std::cout << local << "\n" << value << std::endl;
        return value;
    }
    std::printf("ERROR: can not get value of parameter: %s\n", id.c_str());
    return 0.0;
}

bool Network::isParameter(const char* name, unsigned int r)
{
    const std::string id = name ? name : "";
    if (fillLocalParameters(r, id.c_str()) >= 0)
        return true;
    return model && model->getParameter(id) != nullptr;
}

double Network::computeASTNodeValue(const ASTNode* node, unsigned int r, State* state)
{
    if (!node)
        return 0.0;
    const unsigned int n = node->getNumChildren();
    if (n == 0) {
        switch (node->getType()) {
        case AST_INTEGER:
            return static_cast<double>(node->getInteger());
        case AST_REAL:
        case AST_REAL_E:
        case AST_RATIONAL:
            return node->getReal();
        case AST_NAME:
            return getValueOfParameter(node->getName(), r, state);
        case AST_CONSTANT_E:
            return 2.718281828;
        case AST_CONSTANT_PI:
            return 3.141592653589793;
        case AST_CONSTANT_TRUE:
            return 1.0;
        default:
            return 0.0;
        }
    }
    auto child = [&](unsigned int i) { return computeASTNodeValue(node->getChild(i), r, state); };
    const double first = child(0);
    switch (node->getType()) {
    case AST_TIMES: {
        double product = first;
        for (unsigned int i = 1; i < n; ++i)
            product *= child(i);
        return product;
    }
    case AST_PLUS: {
        double sum = first;
        for (unsigned int i = 1; i < n; ++i)
            sum += child(i);
        return sum;
    }
    case AST_MINUS:
        return n == 1 ? -first : first - child(n - 1);
    case AST_DIVIDE:
        if (n == 1) {
            std::printf("ERROR: divide with a single operand.\n");
            return 0.0;
        }
        return first / child(n - 1);
    case AST_POWER:
    case AST_FUNCTION_POWER:
        return std::pow(first, child(n - 1));
    case AST_FUNCTION_ABS:
        return std::fabs(first);
    case AST_FUNCTION_ARCCOS:
        return std::acos(first);
    case AST_FUNCTION_ARCSIN:
        return std::asin(first);
    case AST_FUNCTION_ARCTAN:
        return std::atan(first);
    case AST_FUNCTION_ARCCOSH:
        return std::acosh(first);
    case AST_FUNCTION_ARCSINH:
        return std::asinh(first);
    case AST_FUNCTION_ARCTANH:
        return std::atanh(first);
    case AST_FUNCTION_COS:
        return std::cos(first);
    case AST_FUNCTION_SIN:
        return std::sin(first);
    case AST_FUNCTION_TAN:
        return std::tan(first);
    case AST_FUNCTION_COSH:
        return std::cosh(first);
    case AST_FUNCTION_SINH:
        return std::sinh(first);
    case AST_FUNCTION_TANH:
        return std::tanh(first);
    case AST_FUNCTION_CEILING:
        return std::ceil(first);
    case AST_FUNCTION_FLOOR:
        return std::floor(first);
    case AST_FUNCTION_EXP:
        return std::exp(first);
    case AST_FUNCTION_LN:
        return std::log(first);
    case AST_FUNCTION_LOG:
        // With a logbase the base is the first child and the argument the last.
        return n == 1 ? std::log10(first) : std::log(child(n - 1)) / std::log(first);
    case AST_FUNCTION_ROOT:
        // With a degree the degree is the first child and the radicand the last.
        return n == 1 ? std::sqrt(first) : std::pow(child(n - 1), 1.0 / first);
    default:
        return 0.0;
    }
}

double Network::getReactionRate(const KineticLaw* law, unsigned int r, State* state)
{
    if (!law || !law->isSetMath())
        return 0.0;
    const double v = computeASTNodeValue(law->getMath(), r, state);
    const bool backward = stoichiometricMatrix && stoichiometricMatrix->getReactionAttribute(r) < 0;
    return backward ? -v : v;
}

double Network::getReactionRate(const KineticLaw* law, unsigned int r, SamplingState* state)
{
    State temporary(state);
    return getReactionRate(law, r, &temporary);
}

double Network::getValueOfRateConstant(unsigned int r)
{
    if (!stoichiometricMatrix || r >= numStoiReactions)
        return 0.0;
    const std::vector<double> column = stoichiometricMatrix->getStoichiometricVector(r, 1);
    std::vector<int> counts(column.size(), 0);
    for (std::size_t s = 0; s < column.size(); ++s)
        counts[s] = column[s] > 0.0 ? 0 : -column[s] >= 2147483647.0 ? 2147483647 : static_cast<int>(-column[s]);
    State smallest(counts.data(), static_cast<unsigned int>(counts.size()));
    return getReactionRate(stoichiometricMatrix->getKineticLaw(r), r, &smallest);
}
