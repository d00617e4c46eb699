#ifndef VANTU_TESTS_SIGNALLING_SBML_TEXT_H
#define VANTU_TESTS_SIGNALLING_SBML_TEXT_H

#include <QTemporaryDir>
#include <string>

// Small SBML Level 2 Version 1 documents written by the tests themselves.
namespace sbml_text {

inline std::string species(const std::string& id)
{
    return "<species id=\"" + id + "\" compartment=\"default\" initialAmount=\"0\"/>";
}

inline std::string parameter(const std::string& id, const std::string& value, bool constant = true)
{
    return "<parameter id=\"" + id + "\" value=\"" + value + "\"" + (constant ? "" : " constant=\"false\"") + "/>";
}

inline std::string math(const std::string& body)
{
    return "<math xmlns=\"http://www.w3.org/1998/Math/MathML\">" + body + "</math>";
}

inline std::string ref(const std::string& species, const std::string& stoichiometry = "")
{
    return "<speciesReference species=\"" + species + "\""
        + (stoichiometry.empty() ? "" : " stoichiometry=\"" + stoichiometry + "\"") + "/>";
}

inline std::string modifier(const std::string& species)
{
    return "<modifierSpeciesReference species=\"" + species + "\"/>";
}

// A reaction with reactant, product and modifier lists (any may be empty)
// and a kinetic law over body.
inline std::string reaction(const std::string& id, bool reversible, const std::string& reactants,
                            const std::string& products, const std::string& modifiers,
                            const std::string& lawBody, const std::string& localParameters = "")
{
    std::string text = "<reaction id=\"" + id + "\" reversible=\"" + (reversible ? "true" : "false") + "\">";
    if (!reactants.empty())
        text += "<listOfReactants>" + reactants + "</listOfReactants>";
    if (!products.empty())
        text += "<listOfProducts>" + products + "</listOfProducts>";
    if (!modifiers.empty())
        text += "<listOfModifiers>" + modifiers + "</listOfModifiers>";
    text += "<kineticLaw>" + math(lawBody);
    if (!localParameters.empty())
        text += "<listOfParameters>" + localParameters + "</listOfParameters>";
    return text + "</kineticLaw></reaction>";
}

inline std::string rule(const std::string& variable, const std::string& body)
{
    return "<assignmentRule variable=\"" + variable + "\">" + math(body) + "</assignmentRule>";
}

inline std::string document(const std::string& species, const std::string& parameters,
                            const std::string& rules, const std::string& reactions)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                       "<sbml xmlns=\"http://www.sbml.org/sbml/level2\" level=\"2\" version=\"1\">"
                       "<model id=\"test\"><listOfCompartments><compartment id=\"default\" size=\"1\"/>"
                       "</listOfCompartments>";
    text += "<listOfSpecies>" + species + "</listOfSpecies>";
    if (!parameters.empty())
        text += "<listOfParameters>" + parameters + "</listOfParameters>";
    if (!rules.empty())
        text += "<listOfRules>" + rules + "</listOfRules>";
    if (!reactions.empty())
        text += "<listOfReactions>" + reactions + "</listOfReactions>";
    return text + "</model></sbml>\n";
}

}

#endif
