#ifndef VANTU_BIOLOGY_CELL_RULES_H
#define VANTU_BIOLOGY_CELL_RULES_H

// Reading a cell type's behaviour rules and cue from the parameter tables,
// shared by the proliferation and migration stages. Look-ups never add keys:
// a name that is no loaded cytokine or type reads as index -1 (no species,
// no type: never the first one), a missing type as no rules and no cue, a
// count at -1 or past a cell's vector as 0.

#include "model/cell.h"
#include "model/contact.h"
#include "model/parameter_tables.h"

#include <cmath>
#include <utility>
#include <vector>

namespace cell_rules {

// One behaviour rule: nine strings of behavior_class.
struct Rule {
    QString cytokine;
    int species = 0;  // index of `cytokine`
    int growthType = 0;
    double growthCoefficient = 0.0;
    int migrationType = 0;
    double migrationCoefficient = 0.0;
};

inline int cytokineIndex(const QString& name)
{
    const auto it = name_index_cytokine_class.find(name);
    return it == name_index_cytokine_class.end() ? -1 : it->second;
}

inline int typeIndex(const QString& name)
{
    const auto it = name_index_class.find(name);
    return it == name_index_class.end() ? -1 : it->second;
}

inline QString cueName(int type)
{
    const auto it = index_chemo_class.find(type);
    return it == index_chemo_class.end() ? QString() : it->second;
}

// Species index of the type's chemical cue; -1 when it has none.
inline int cueSpecies(int type)
{
    return cytokineIndex(cueName(type));
}

// Count of species s in c; 0 past the vector.
inline int countOf(const cell* c, int s)
{
    return s >= 0 && s < static_cast<int>(c->species.size()) ? c->species[s] : 0;
}

// Every complete rule of the type whose cytokine is loaded, in order.
template <typename F>
void forEachRule(int type, F&& f)
{
    const auto it = behavior_class.find(type);
    if (it == behavior_class.end())
        return;
    const std::vector<QString>& s = it->second;
    for (std::size_t g = 0; g + 9 <= s.size(); g += 9) {
        Rule rule;
        rule.cytokine = s[g];
        rule.species = cytokineIndex(s[g]);
        if (rule.species < 0)
            continue;
        rule.growthType = s[g + 1].toInt();
        rule.growthCoefficient = s[g + 2].toDouble();
        rule.migrationType = s[g + 3].toInt();
        rule.migrationCoefficient = s[g + 4].toDouble();
        f(rule);
    }
}

// value * factor (multiply) or value / factor; a factor not above 0, or a
// result that is not a positive number, leaves the value as it is.
inline double scaled(double value, double factor, bool multiply)
{
    if (!(factor > 0.0) || !std::isfinite(factor))
        return value;
    const double next = multiply ? value * factor : value / factor;
    return next > 0.0 && std::isfinite(next) ? next : value;
}

// c's contacts that are not dissolved and whose other cell is alive, in
// order, each with that other cell.
inline std::vector<std::pair<interpair*, cell*>> liveContacts(const cell* c)
{
    std::vector<std::pair<interpair*, cell*>> contacts;
    for (interpair* p : c->pairs) {
        cell* o = p->cell1 == c ? p->cell2 : p->cell1;
        if (!p->removed && o && !o->dead)
            contacts.emplace_back(p, o);
    }
    return contacts;
}

// Indices of the loaded types whose adhesion `type` degrades, in table order.
inline std::vector<int> degradableTypes(int type)
{
    std::vector<int> D;
    const auto it = degrade_class.find(type);
    if (it != degrade_class.end())
        for (const QString& name : it->second)
            if (const int t = typeIndex(name); t >= 0)
                D.push_back(t);
    return D;
}

}  // namespace cell_rules

#endif
