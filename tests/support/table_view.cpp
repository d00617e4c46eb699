#include "support/table_view.h"

#include "model/parameter_tables.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <vector>

namespace table_view {

namespace {

std::string text(const QString& s)
{
    return s.toStdString();
}

std::string number(double v)
{
    return text(QString::number(v, 'g', 17));
}

std::string joined(const std::vector<QString>& names)
{
    return text(QStringList(names.begin(), names.end()).join(','));
}

std::string typeEntry(double r, double g, double b, int factin, double mu, double lambda, int isStatic, int fixed,
                      double pressure, double tension, double mass)
{
    return "colour " + number(r) + " " + number(g) + " " + number(b) + " factin " + std::to_string(factin) +
           " mu " + number(mu) + " lambda " + number(lambda) + " static " + std::to_string(isStatic) + " fixed " +
           std::to_string(fixed) + " relaxation " + number(pressure) + " " + number(tension) + " " + number(mass);
}

std::string cueEntry(int mechanism, double strength, double transmission, const QString& cue)
{
    return "mechanism " + std::to_string(mechanism) + " strength " + number(strength) + " transmission " +
           number(transmission) + " cue " + (cue.isNull() ? std::string("none") : text(cue));
}

// The entries both readings share once the types and cytokines are known by
// index: the adhesion matrix by name pairs.
void addAdhesion(Tables& t, const std::vector<QString>& types, const double (&m)[MAX_CELL_TYPES][MAX_CELL_TYPES])
{
    const int n = static_cast<int>(types.size());
    for (int i = 0; i < MAX_CELL_TYPES; ++i) {
        for (int j = 0; j < MAX_CELL_TYPES; ++j) {
            if (m[i][j] != m[j][i])
                t["problem adhesion asymmetric " + std::to_string(i) + "," + std::to_string(j)] = number(m[i][j]);
            if (m[i][j] == 0.0)
                continue;
            if (i >= n || j >= n)
                t["problem adhesion beyond the types " + std::to_string(i) + "," + std::to_string(j)] =
                    number(m[i][j]);
            else if (i <= j)
                t["adhesion " + text(types[i]) + "|" + text(types[j])] = number(m[i][j]);
        }
    }
}

template <class Value>
const Value* found(const std::map<int, Value>& table, int key)
{
    const auto it = table.find(key);
    return it == table.end() ? nullptr : &it->second;
}

}  // namespace

Tables loadedTables()
{
    Tables t;
    std::vector<QString> types;
    for (const auto& [k, name] : index_name_class) {
        if (k != static_cast<int>(types.size()))
            t["problem type index " + std::to_string(k)] = text(name);
        types.push_back(name);
        const auto back = name_index_class.find(name);
        if (back == name_index_class.end() || back->second != k)
            t["problem name_index_class " + text(name)] = back == name_index_class.end() ? "none" : std::to_string(back->second);
    }
    if (name_index_class.size() != index_name_class.size())
        t["problem name_index_class size"] = std::to_string(name_index_class.size());
    std::vector<QString> cytokines;
    for (const auto& [k, name] : index_name_cytokine_class) {
        if (k != static_cast<int>(cytokines.size()))
            t["problem cytokine index " + std::to_string(k)] = text(name);
        cytokines.push_back(name);
        const auto back = name_index_cytokine_class.find(name);
        if (back == name_index_cytokine_class.end() || back->second != k)
            t["problem name_index_cytokine_class " + text(name)] = "mismatch";
    }
    if (name_index_cytokine_class.size() != index_name_cytokine_class.size())
        t["problem name_index_cytokine_class size"] = std::to_string(name_index_cytokine_class.size());
    t["types"] = joined(types);
    t["cytokines"] = joined(cytokines);

    const int n = static_cast<int>(types.size());
    auto isType = [&](const QString& name) { return std::find(types.begin(), types.end(), name) != types.end(); };
    auto isCytokine = [&](const QString& name) {
        return std::find(cytokines.begin(), cytokines.end(), name) != cytokines.end();
    };
    auto typeName = [&](int k, const char* table) -> std::string {
        if (k >= 0 && k < n)
            return text(types[k]);
        t[std::string("problem ") + table + " key " + std::to_string(k)] = "beyond the types";
        return "#" + std::to_string(k);
    };

    for (int k = 0; k < n; ++k) {
        const double* r = found(color_class_R, k);
        const double* g = found(color_class_G, k);
        const double* b = found(color_class_B, k);
        const int* factin = found(F_actin_density_class, k);
        const double* mu = found(elastic_MU, k);
        const double* lambda = found(elastic_LAMBDA, k);
        const int* isStatic = found(index_static_class, k);
        const int* fixed = found(fixed_cells, k);
        const double* pressure = found(pressure_edge_class, k);
        const double* tension = found(tension_edge_class, k);
        const double* mass = found(mass_edge_class, k);
        if (!r || !g || !b || !factin || !mu || !lambda || !isStatic || !fixed || !pressure || !tension || !mass) {
            t["problem type entries " + text(types[k])] = "missing";
            continue;
        }
        t["type " + text(types[k])] =
            typeEntry(*r, *g, *b, *factin, *mu, *lambda, *isStatic, *fixed, *pressure, *tension, *mass);
    }
    for (const auto* table : {&color_class_R, &elastic_MU, &elastic_LAMBDA})
        if (static_cast<int>(table->size()) != n)
            t["problem per-type table size"] = std::to_string(table->size());

    for (const auto& [k, mechanism] : index_mechanism_class) {
        const QString* cue = found(index_chemo_class, k);
        const double* strength = found(index_stren_class, k);
        const double* transmission = found(index_trans_class, k);
        if (cue && !isCytokine(*cue))
            t["problem cue names no cytokine " + typeName(k, "cue")] = text(*cue);
        t["cue " + typeName(k, "cue")] = cueEntry(mechanism, strength ? *strength : -1, transmission ? *transmission : -1,
                                                   cue ? *cue : QString());
    }
    for (const auto* table : {&index_stren_class, &index_trans_class})
        for (const auto& [k, v] : *table)
            if (!index_mechanism_class.count(k))
                t["problem cue entry without a mechanism " + std::to_string(k)] = number(v);
    for (const auto& [k, cue] : index_chemo_class)
        if (!index_mechanism_class.count(k))
            t["problem cue entry without a mechanism " + std::to_string(k)] = text(cue);

    for (const auto& [k, strings] : behavior_class) {
        if (strings.size() % 9 != 0)
            t["problem behaviour length " + typeName(k, "behaviour")] = std::to_string(strings.size());
        for (std::size_t g = 0; g < strings.size(); g += 9)
            if (!isCytokine(strings[g]))
                t["problem behaviour names no cytokine " + typeName(k, "behaviour")] = text(strings[g]);
        t["behaviour " + typeName(k, "behaviour")] = joined(strings);
    }
    for (const auto& [k, names] : synthesis_class) {
        for (const QString& name : names)
            if (!isCytokine(name))
                t["problem synthesis names no cytokine " + typeName(k, "synthesis")] = text(name);
        t["synthesis " + typeName(k, "synthesis")] = joined(names);
    }
    for (const auto& [k, names] : synthesis_cytokine_class) {
        const std::string cytokine = k >= 0 && k < static_cast<int>(cytokines.size()) ? text(cytokines[k]) : "#" + std::to_string(k);
        for (const QString& name : names)
            if (!isType(name))
                t["problem producers names no type " + cytokine] = text(name);
        t["producers " + cytokine] = joined(names);
    }
    for (const auto& [k, names] : degrade_class) {
        for (const QString& name : names)
            if (!isType(name))
                t["problem degrade names no type " + typeName(k, "degrade")] = text(name);
        t["degrade " + typeName(k, "degrade")] = joined(names);
    }
    addAdhesion(t, types, adhesion_pair_array);
    return t;
}

Tables expectedTables()
{
    Tables t;
    std::vector<QString> types;
    std::map<QString, int> typeIndex;
    QSqlQuery q(QStringLiteral("SELECT name, young, poisson, Factin, red, green, blue, static, boundary FROM cell"));
    while (q.next() && types.size() < MAX_CELL_TYPES) {
        const QString name = q.value(0).toString();
        const double E = std::min(q.value(1).toDouble() * 0.25, 5.0);
        const double nu = (q.value(2).toDouble() / 100) * 0.75;
        t["type " + text(name)] =
            typeEntry(q.value(4).toDouble() * 0.00390625, q.value(5).toDouble() * 0.00390625,
                      q.value(6).toDouble() * 0.00390625, q.value(3).toInt(), (E * 0.5) / (1 + nu),
                      ((E * nu) / (1 + nu)) / (nu * (-2) + 1), q.value(7).toInt(), q.value(8).toInt(),
                      0.31676888028108807, 1.0, 0.01);
        typeIndex[name] = static_cast<int>(types.size());
        types.push_back(name);
    }
    std::vector<QString> cytokines;
    q.exec(QStringLiteral("SELECT name FROM cytokine"));
    while (q.next())
        cytokines.push_back(q.value(0).toString());
    t["types"] = joined(types);
    t["cytokines"] = joined(cytokines);
    auto isType = [&](const QString& name) { return typeIndex.count(name) > 0; };
    auto isCytokine = [&](const QString& name) {
        return std::find(cytokines.begin(), cytokines.end(), name) != cytokines.end();
    };

    double m[MAX_CELL_TYPES][MAX_CELL_TYPES] = {};
    q.exec(QStringLiteral("SELECT value, cell1name, cell2name FROM adhesion"));
    while (q.next())
        if (isType(q.value(1).toString()) && isType(q.value(2).toString()))
            m[typeIndex[q.value(1).toString()]][typeIndex[q.value(2).toString()]] =
                (q.value(0).toDouble() * 3.14159265) * 0.25;
    for (int i = 1; i < MAX_CELL_TYPES; ++i)
        for (int j = 0; j < i; ++j)
            m[i][j] = m[j][i];
    addAdhesion(t, types, m);

    std::map<QString, std::vector<QString>> lists;
    q.exec(QStringLiteral("SELECT cytokinename, cellname, growth_type, growth_coef, migration_type, migration_coef, "
                          "death_type, death_coef, quiet_type, quiet_coef FROM behavior"));
    while (q.next()) {
        if (!isType(q.value(1).toString()) || !isCytokine(q.value(0).toString()))
            continue;
        auto& strings = lists["behaviour " + q.value(1).toString()];
        strings.push_back(q.value(0).toString());
        for (int c = 2; c < 10; ++c)
            strings.push_back(q.value(c).toString());
    }
    q.exec(QStringLiteral("SELECT cellname, cytokinename, strenPro, transPro, migrate FROM cue"));
    while (q.next()) {
        const QString cell = q.value(0).toString();
        const QString cue = q.value(1).toString();
        if (isType(cell))
            t["cue " + text(cell)] = cueEntry(q.value(4).toInt(), q.value(2).toDouble() * 0.01,
                                              q.value(3).toDouble() * 0.01, isCytokine(cue) ? cue : QString());
    }
    q.exec(QStringLiteral("SELECT cytokinename, cellname FROM cytokine_cell"));
    while (q.next()) {
        if (!isType(q.value(1).toString()) || !isCytokine(q.value(0).toString()))
            continue;
        lists["synthesis " + q.value(1).toString()].push_back(q.value(0).toString());
        lists["producers " + q.value(0).toString()].push_back(q.value(1).toString());
    }
    q.exec(QStringLiteral("SELECT cell1name, cell2name, degrade FROM adhesion"));
    while (q.next())
        if (isType(q.value(0).toString()) && isType(q.value(1).toString()) && q.value(2).toInt() == 1)
            lists["degrade " + q.value(0).toString()].push_back(q.value(1).toString());
    for (const auto& [key, names] : lists)
        t[text(key)] = joined(names);
    return t;
}

}  // namespace table_view
