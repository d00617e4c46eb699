// UserInitialParas copies the parameter database into the global tables in
// one pass of seven queries: cell types first (they fix the cell-type
// indices every later row is resolved through), then cytokines (the species
// indices), adhesions, behaviours, migration cues, syntheses and
// degradations. Units are converted on the way.
#include "model/parameter_tables.h"
#include "model/cell.h"
#include "model/stage_progress.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSet>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <cstdio>

std::map<int, QString> index_name_class;
std::map<int, double> color_class_R;
std::map<int, double> color_class_G;
std::map<int, double> color_class_B;
std::map<int, int> F_actin_density_class;
std::map<int, double> pressure_edge_class;
std::map<int, double> tension_edge_class;
std::map<int, double> mass_edge_class;
std::map<int, double> elastic_MU;
std::map<int, double> elastic_LAMBDA;
std::map<int, int> index_static_class;
std::map<int, int> fixed_cells;
std::map<QString, int> name_index_class;
std::map<QString, int> name_index_cytokine_class;
std::map<int, QString> index_name_cytokine_class;
std::map<int, int> index_mechanism_class;
std::map<int, QString> index_chemo_class;
std::map<int, double> index_stren_class;
std::map<int, double> index_trans_class;
std::map<int, std::vector<QString>> behavior_class;
std::map<int, std::vector<QString>> synthesis_class;
std::map<int, std::vector<QString>> synthesis_cytokine_class;
std::map<int, std::vector<QString>> degrade_class;
double adhesion_pair_array[MAX_CELL_TYPES][MAX_CELL_TYPES];

namespace {

std::vector<QString> refusedTypes;

QString trTables(const char* text)
{
    return QCoreApplication::translate("UserInitialParas", text);
}

void setProgress(QProgressDialog& progress, int value)
{
    progress.setValue(value);
    QCoreApplication::processEvents();
}

} // namespace

void clear_parameter_tables()
{
    pressure_edge_class.clear();
    tension_edge_class.clear();
    mass_edge_class.clear();
    F_actin_density_class.clear();
    color_class_R.clear();
    color_class_G.clear();
    color_class_B.clear();
    name_index_class.clear();
    index_name_class.clear();
    index_static_class.clear();
    index_mechanism_class.clear();
    index_chemo_class.clear();
    index_stren_class.clear();
    index_trans_class.clear();
    name_index_cytokine_class.clear();
    index_name_cytokine_class.clear();
    behavior_class.clear();
    synthesis_class.clear();
    synthesis_cytokine_class.clear();
    degrade_class.clear();
    elastic_MU.clear();
    elastic_LAMBDA.clear();
    fixed_cells.clear();
}

void UserInitialParas()
{
    clear_parameter_tables();
    refusedTypes.clear();

    QProgressDialog progress;
    showStageProgress(progress, trTables("Biology Info"), trTables("Read biology data..."), 99);
    progress.setValue(5);
    QCoreApplication::processEvents();

    // Every other table names types and cytokines by name. A name that is
    // no loaded type or cytokine (one since deleted, or refused beyond the
    // adhesion matrix) must not be resolved with operator[], which would
    // insert it with index 0 and hand its row to the first type or species:
    // such rows are passed over and stay in the database.
    auto typeOf = [](const QString& name) {
        const auto it = name_index_class.find(name);
        return it == name_index_class.end() ? -1 : it->second;
    };
    auto cytokineOf = [](const QString& name) {
        const auto it = name_index_cytokine_class.find(name);
        return it == name_index_cytokine_class.end() ? -1 : it->second;
    };

    QSqlQuery query(QStringLiteral(
        "SELECT name, young, poisson, Factin, red, green, blue, static, boundary FROM cell"));
    int k = 0;
    while (query.next()) {
        const QString name = query.value(0).toString();
        const double young = query.value(1).toDouble();
        const double poisson = query.value(2).toDouble();
        const int factin = query.value(3).toInt();
        const double red = query.value(4).toDouble();
        const double green = query.value(5).toDouble();
        const double blue = query.value(6).toDouble();
        const int isStatic = query.value(7).toInt();
        const int boundary = query.value(8).toInt();

        if (k >= MAX_CELL_TYPES) {
            refusedTypes.push_back(name);
            continue;
        }

        index_name_class[k] = name;
        name_index_class[name] = k;
        color_class_R[k] = red * 0.00390625;
        color_class_G[k] = green * 0.00390625;
        color_class_B[k] = blue * 0.00390625;
        F_actin_density_class[k] = factin;
        pressure_edge_class[k] = 0.31676888028108807;
        tension_edge_class[k] = 1.0;
        mass_edge_class[k] = 0.01;

        // Lamé constants of the plane model, in this order of evaluation.
        const double E = std::min(young * 0.25, 5.0);
        const double nu = (poisson / 100) * 0.75;
        elastic_MU[k] = (E * 0.5) / (1 + nu);
        elastic_LAMBDA[k] = ((E * nu) / (1 + nu)) / (nu * (-2) + 1);

        index_static_class[k] = isStatic;
        fixed_cells[k] = boundary;
        ++k;
    }

    setProgress(progress, 20);
    query.exec(QStringLiteral("SELECT name FROM cytokine"));
    k = 0;
    while (query.next()) {
        const QString name = query.value(0).toString();
        name_index_cytokine_class[name] = k;
        index_name_cytokine_class[k] = name;
        ++k;
    }

    for (auto& row : adhesion_pair_array)
        std::fill(std::begin(row), std::end(row), 0.0);
    setProgress(progress, 35);
    query.exec(QStringLiteral("SELECT value, cell1name, cell2name FROM adhesion"));
    while (query.next()) {
        const double value = query.value(0).toDouble();
        const QString cell1 = query.value(1).toString();
        const QString cell2 = query.value(2).toString();
        const int a = typeOf(cell1);
        const int b = typeOf(cell2);
        if (a < 0 || b < 0)
            continue;
        adhesion_pair_array[a][b] = (value * 3.14159265) * 0.25;
    }
    // The row with the lower first type wins: its entry is copied over the
    // lower triangle of the whole matrix.
    for (int i = 1; i < MAX_CELL_TYPES; ++i)
        for (int j = 0; j < i; ++j)
            adhesion_pair_array[i][j] = adhesion_pair_array[j][i];

    setProgress(progress, 50);
    query.exec(QStringLiteral(
        "SELECT cytokinename, cellname, growth_type, growth_coef, migration_type, "
        "migration_coef, death_type, death_coef, quiet_type, quiet_coef FROM behavior"));
    while (query.next()) {
        const int t = typeOf(query.value(1).toString());
        if (t < 0 || cytokineOf(query.value(0).toString()) < 0)
            continue;
        std::vector<QString>& groups = behavior_class[t];
        groups.push_back(query.value(0).toString());
        for (int column = 2; column < 10; ++column)
            groups.push_back(query.value(column).toString());
    }

    setProgress(progress, 65);
    query.exec(QStringLiteral(
        "SELECT cellname, cytokinename, mechanics, strenPro, transPro, migrate FROM cue"));
    while (query.next()) {
        const QString cellname = query.value(0).toString();
        const QString cytokinename = query.value(1).toString();
        const double strenPro = query.value(3).toDouble();
        const double transPro = query.value(4).toDouble();
        const int migrate = query.value(5).toInt();
        const int t = typeOf(cellname);
        if (t < 0)
            continue;
        index_mechanism_class[t] = migrate;
        // A cue cytokine since deleted leaves the type without a chemical
        // cue; its mechanism, strength and transmission stand.
        if (cytokineOf(cytokinename) >= 0)
            index_chemo_class[t] = cytokinename;
        else
            index_chemo_class.erase(t);
        index_stren_class[t] = strenPro * 0.01;
        index_trans_class[t] = transPro * 0.01;
    }

    setProgress(progress, 80);
    query.exec(QStringLiteral("SELECT cytokinename, cellname FROM cytokine_cell"));
    while (query.next()) {
        const QString cytokinename = query.value(0).toString();
        const QString cellname = query.value(1).toString();
        const int t = typeOf(cellname);
        const int c = cytokineOf(cytokinename);
        if (t < 0 || c < 0)
            continue;
        synthesis_class[t].push_back(cytokinename);
        synthesis_cytokine_class[c].push_back(cellname);
    }

    setProgress(progress, 95);
    query.exec(QStringLiteral("SELECT cell1name, cell2name, degrade FROM adhesion"));
    while (query.next()) {
        const QString cell1 = query.value(0).toString();
        const QString cell2 = query.value(1).toString();
        const int degrade = query.value(2).toInt();
        const int t = typeOf(cell1);
        if (t < 0 || typeOf(cell2) < 0)
            continue;
        if (degrade == 1)
            degrade_class[t].push_back(cell2);
    }

    setProgress(progress, progress.maximum());
    progress.close();

    if (!refusedTypes.empty()) {
        const QString text = refused_cell_types_message();
        std::printf("  -> %s\n", qPrintable(text));
        QMessageBox::warning(nullptr, trTables("Biology Info"), text);
    }
}

QString reload_parameter_tables_keeping_types(const std::vector<cell*>& cells)
{
    // The names the load will hold: the first MAX_CELL_TYPES rows, in the
    // load's order.
    QSet<QString> loadable;
    QSqlQuery query(QStringLiteral("SELECT name FROM cell"));
    for (int k = 0; k < MAX_CELL_TYPES && query.next(); ++k)
        loadable.insert(query.value(0).toString());

    std::vector<QString> names(cells.size());
    QStringList gone;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const cell* c = cells[i];
        if (!c)
            continue;
        const auto it = index_name_class.find(c->cell_type);
        names[i] = it == index_name_class.end() ? QString() : it->second;
        const QString quoted = QStringLiteral("\"%1\"").arg(names[i]);
        if (!c->dead && !loadable.contains(names[i]) && !gone.contains(quoted))
            gone << quoted;
    }
    if (!gone.isEmpty())
        return trTables("The open tissue has cells of the cell types %1, which the database no longer "
                        "holds: the parameter tables keep their values until the next Open or New.")
            .arg(gone.join(QStringLiteral(", ")));

    UserInitialParas();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (!cells[i])
            continue;
        const auto it = name_index_class.find(names[i]);
        cells[i]->cell_type = it != name_index_class.end() ? it->second : 0;
    }
    return QString();
}

const std::vector<QString>& refused_cell_types()
{
    return refusedTypes;
}

QString refused_cell_types_message()
{
    if (refusedTypes.empty())
        return QString();
    QStringList names;
    for (const QString& name : refusedTypes)
        names << QStringLiteral("\"%1\"").arg(name);
    return trTables("At most %1 cell types are supported; these cell types were not loaded: %2.")
        .arg(MAX_CELL_TYPES)
        .arg(names.join(QStringLiteral(", ")));
}

int next_cytokine_index(int current)
{
    // Counted from the cytokine rows themselves: a synthesis row naming an
    // unknown cytokine adds a name to name_index_cytokine_class but no species.
    const int count = static_cast<int>(index_name_cytokine_class.size());
    if (count == 0)
        return 0;
    const int next = (current + 1) % count;
    return next < 0 ? next + count : next;
}
