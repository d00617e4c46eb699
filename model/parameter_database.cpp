#include "model/parameter_database.h"
#include "model/stage_progress.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QVariantList>

namespace {

// The texts shown here belong to the main window, which opens and seeds the
// database at start-up.
QString trMain(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

void setProgress(QProgressDialog& progress, int value)
{
    progress.setValue(value);
    QCoreApplication::processEvents();
}

// Runs one INSERT with every value bound, never pasted into the statement,
// so that any name (an apostrophe included) is stored as given.
void insertRow(QSqlQuery& query, const QString& table, const QString& columns,
               const QVariantList& values)
{
    QStringList marks;
    for (int i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(table, columns, marks.join(QStringLiteral(", "))));
    for (const QVariant& value : values)
        query.addBindValue(value);
    query.exec();
}

const char* const kTableNames[] = {"cell",     "cytokine", "cytokine_cell", "regulate",
                                   "behavior", "adhesion", "cue"};

const char* const kCreateCell =
    "CREATE TABLE cell (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(40) NOT NULL, "
    "description VARCHAR(80) NOT NULL, young INTEGER NOT NULL, poisson INTEGER NOT NULL, "
    "Factin INTEGER NOT NULL, red INTEGER NOT NULL, green INTEGER NOT NULL, "
    "blue INTEGER NOT NULL, growth_coef DOUBLE NOT NULL, migration_coef DOUBLE NOT NULL, "
    "death_coef DOUBLE NOT NULL, quiet_coef DOUBLE NOT NULL, use INTEGER NOT NULL, "
    "static INTEGER NOT NULL, boundary INTEGER NOT NULL)";

const char* const kCreateCytokine =
    "CREATE TABLE cytokine (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(40) NOT NULL, "
    "extension INTEGER NOT NULL, description VARCHAR(80) NOT NULL, incell INTEGER NOT NULL, "
    "diffusion DOUBLE NOT NULL, degradation DOUBLE NOT NULL, use INTEGER NOT NULL)";

const char* const kCreateCytokineCell =
    "CREATE TABLE cytokine_cell (id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "cytokinename VARCHAR(40) NOT NULL, cytokineid INTEGER NOT NULL, "
    "cellname VARCHAR(40) NOT NULL, cellid INTEGER NOT NULL, synthesis DOUBLE NOT NULL, "
    "FOREIGN KEY (cytokineid) REFERENCES cytokine (id) ON UPDATE CASCADE ON DELETE CASCADE, "
    "FOREIGN KEY (cellid) REFERENCES cell (id) ON UPDATE CASCADE ON DELETE CASCADE)";

const char* const kCreateRegulate =
    "CREATE TABLE regulate (id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "cytokinename VARCHAR(40) NOT NULL, cytokineid INTEGER NOT NULL, "
    "cytokine_cellid INTEGER NOT NULL, regulate_type INTEGER NOT NULL, "
    "regulate_coef DOUBLE NOT NULL, "
    "FOREIGN KEY (cytokineid) REFERENCES cytokine (id) ON UPDATE CASCADE ON DELETE CASCADE, "
    "FOREIGN KEY (cytokine_cellid) REFERENCES cytokine_cell (id) ON UPDATE CASCADE ON DELETE CASCADE)";

const char* const kCreateBehavior =
    "CREATE TABLE behavior (id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "cytokinename VARCHAR(40) NOT NULL, cytokineid INTEGER NOT NULL, "
    "cellname VARCHAR(40) NOT NULL, cellid INTEGER NOT NULL, "
    "growth_type INTEGER NOT NULL, growth_coef DOUBLE NOT NULL, "
    "migration_type INTEGER NOT NULL, migration_coef DOUBLE NOT NULL, "
    "death_type INTEGER NOT NULL, death_coef DOUBLE NOT NULL, "
    "quiet_type INTEGER NOT NULL, quiet_coef DOUBLE NOT NULL, "
    "cycle_type INTEGER NOT NULL, cycle_coef DOUBLE NOT NULL, "
    "FOREIGN KEY (cytokineid) REFERENCES cytokine (id) ON UPDATE CASCADE ON DELETE CASCADE, "
    "FOREIGN KEY (cellid) REFERENCES cell (id) ON UPDATE CASCADE ON DELETE CASCADE)";

const char* const kCreateAdhesion =
    "CREATE TABLE adhesion (id INTEGER PRIMARY KEY AUTOINCREMENT, value DOUBLE NOT NULL, "
    "cell1name VARCHAR(40) NOT NULL, cell1id INTEGER NOT NULL, "
    "cell2name VARCHAR(40) NOT NULL, cell2id INTEGER NOT NULL, degrade INTEGER NOT NULL, "
    "FOREIGN KEY (cell1id) REFERENCES cell (id) ON UPDATE CASCADE ON DELETE CASCADE, "
    "FOREIGN KEY (cell2id) REFERENCES cell (id) ON UPDATE CASCADE ON DELETE CASCADE)";

const char* const kCreateCue =
    "CREATE TABLE cue (id INTEGER PRIMARY KEY AUTOINCREMENT, cellid INTEGER NOT NULL, "
    "cellname VARCHAR(40) NOT NULL, cytokineid INTEGER NOT NULL, "
    "cytokinename VARCHAR(40) NOT NULL, mechanics INTEGER NOT NULL, "
    "strenPro INTEGER NOT NULL, transPro INTEGER NOT NULL, migrate INTEGER NOT NULL, "
    "FOREIGN KEY (cellid) REFERENCES cell (id) ON UPDATE CASCADE ON DELETE CASCADE, "
    "FOREIGN KEY (cytokineid) REFERENCES cytokine (id) ON UPDATE CASCADE ON DELETE CASCADE)";

// The default cell types, in id order (ids 1 to 6).
struct CellRow {
    const char* name;
    const char* description;
    int young, poisson, factin, red, green, blue;
    double growth, migration, death, quiet;
    int use, isStatic, boundary;
};
const CellRow kCells[] = {
    {"ECM",
     "Extracellular matrix, provides structural and biochemical support to the surrounding "
     "cells, virtual cell type",
     20, 40, 0, 230, 230, 230, 0, 0, 0, 1, 1, 1, 0},
    {"BM", "Basal membrane, thin sheet of fibers underlying the epithelium, virtual cell type",
     20, 40, 0, 230, 168, 38, 0, 0, 0, 1, 1, 1, 0},
    {"Fibroblast", "Synthesizes the ECM and collagen, real cell type",
     10, 40, 1400, 255, 26, 26, 0.11, 0.11, 0, 0.78, 1, 0, 0},
    {"Keratinocyte", "Outermost layer of the skin, real cell type",
     120, 40, 200, 0, 102, 255, 0.11, 0.11, 0, 0.78, 1, 0, 0},
    {"FC", "Fibrin clot, hemostatic plug over wound site, virtual cell type",
     400, 40, 0, 0, 250, 0, 0, 0, 0, 1, 1, 1, 0},
    {"Macrophage", "Immune cells, real cell type",
     10, 40, 0, 204, 204, 0, 0, 0, 0, 1, 1, 1, 0},
};
const int kCellCount = sizeof(kCells) / sizeof(kCells[0]);

// The default cytokines, in id order (ids 1 to 7); extension carries the id.
struct CytokineRow {
    const char* name;
    const char* description;
    double diffusion, degradation;
};
const CytokineRow kCytokines[] = {
    {"Collagen", "elongated fibrils", 0, 0},
    {"EGF", "epidermal growth factor, promotes both of keratinocyte growth and migration", 5.2, 6.1},
    {"TGFb", "transform growth factor beta", 2.9, 2.5},
    {"MMP", "matrix metalloproteinase", 0, 0},
    {"KGF", "keratinocyte growth factor, promotes keratinocyte growth", 4.9, 1.1},
    {"Procollagen", "endopeptidase in processing collagen", 0, 0},
    {"PDGF", "platelet-derived growth factor", 28, 17},
};

// Adhesion of the first type (row) to the second (column), both in cell id
// order, and the rows whose first type degrades the second.
const double kAdhesion[6][6] = {
    {20, 20, 3.0, 12.7, 1, 30},  {30, 30, 2, 6, 1, 30},  {3.0, 0, 0, 0, 2, 3.0},
    {12.7, 6, 0, 4.1, 0, 30},    {1, 1, 2, 0, 0, 30},    {30, 30, 3.0, 30, 30, 30},
};
const int kDegrade[6][6] = {
    {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 1, 0},
    {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0},
};

struct SynthesisRow {
    const char* cytokine;
    int cytokineId;
    const char* cell;
    int cellId;
    double synthesis;
};
const SynthesisRow kSyntheses[] = {
    {"EGF", 2, "FC", 5, 0.51},           {"EGF", 2, "Fibroblast", 3, 0.51},
    {"KGF", 5, "Fibroblast", 3, 4},      {"KGF", 5, "FC", 5, 4},
    {"TGFb", 3, "FC", 5, 0.13},          {"TGFb", 3, "Fibroblast", 3, 0.13},
    {"TGFb", 3, "Keratinocyte", 4, 0.13}, {"TGFb", 3, "Macrophage", 6, 0.13},
    {"PDGF", 7, "FC", 5, 0.77},          {"MMP", 4, "Keratinocyte", 4, 0},
};

// Every default behaviour acts on Keratinocyte (cell id 4).
struct BehaviorRow {
    const char* cytokine;
    int cytokineId;
    int growthType;
    double growthCoef;
    int migrationType;
    double migrationCoef;
    int deathType;
    double deathCoef;
    int quietType;
    double quietCoef;
    int cycleType;
    double cycleCoef;
};
const BehaviorRow kBehaviors[] = {
    {"EGF", 2, BehaviorEffect::PROMOTE, 0.035, BehaviorEffect::PROMOTE, 0.05,
     BehaviorEffect::NONE, 0, BehaviorEffect::NONE, 0, BehaviorEffect::PROMOTE, 0.54},
    {"KGF", 5, BehaviorEffect::PROMOTE, 0.0015, BehaviorEffect::NONE, 0,
     BehaviorEffect::NONE, 0, BehaviorEffect::NONE, 0, BehaviorEffect::PROMOTE, 0.14},
    {"TGFb", 3, BehaviorEffect::INHIBIT, 0.075, BehaviorEffect::NONE, 0,
     BehaviorEffect::NONE, 0, BehaviorEffect::NONE, 0, BehaviorEffect::NONE, 0},
};

// Migration mechanism of each default type, in cell id order.
const int kMigrate[6] = {MigrationMechanism::STATIC,     MigrationMechanism::STATIC,
                         MigrationMechanism::CHEMOTAXIS, MigrationMechanism::CHEMOTAXIS,
                         MigrationMechanism::STATIC,     MigrationMechanism::CHEMOTAXIS};

// Inserts the adhesion rows with ids first + 1 to end: row id 6(i-1)+j for
// the first type at position i and the second at position j (from 1).
void insertAdhesionRows(QSqlQuery& query, int first, int end)
{
    for (int n = first; n < end; ++n) {
        const int i = n / kCellCount;
        const int j = n % kCellCount;
        insertRow(query, QStringLiteral("adhesion"),
                  QStringLiteral("value, cell1name, cell1id, cell2name, cell2id, degrade"),
                  {kAdhesion[i][j], QString(kCells[i].name), i + 1, QString(kCells[j].name),
                   j + 1, kDegrade[i][j]});
    }
}

int lookupId(const QString& statement, const QString& name)
{
    QSqlQuery query;
    query.prepare(statement);
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        return -1;
    return query.value(0).toInt();
}

} // namespace

bool open_parameter_database()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (!db.open()) {
        QMessageBox::warning(nullptr, trMain("Database Error"), db.lastError().text());
        return false;
    }
    return true;
}

void close_parameter_database()
{
    {
        QSqlDatabase db = QSqlDatabase::database(QSqlDatabase::defaultConnection, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
}

void seed_parameter_database()
{
    QProgressDialog progress;
    showStageProgress(progress, trMain("Cell Info Database"), trMain("Creating database..."), 99);
    QCoreApplication::processEvents();

    QSqlQuery query;

    // The database is fresh, so these normally find nothing; they make the
    // seeding start from empty tables in any case.
    for (const char* table : kTableNames)
        query.exec(QStringLiteral("DROP TABLE %1").arg(QLatin1String(table)));
    setProgress(progress, 10);

    query.exec(QLatin1String(kCreateCell));
    setProgress(progress, 20);
    query.exec(QLatin1String(kCreateCytokine));
    setProgress(progress, 30);
    query.exec(QLatin1String(kCreateCytokineCell));
    query.exec(QLatin1String(kCreateRegulate));
    query.exec(QLatin1String(kCreateBehavior));
    setProgress(progress, 40);
    query.exec(QLatin1String(kCreateAdhesion));
    query.exec(QLatin1String(kCreateCue));
    setProgress(progress, 50);

    for (const CellRow& c : kCells)
        insertRow(query, QStringLiteral("cell"),
                  QStringLiteral("name, description, young, poisson, Factin, red, green, blue, "
                                 "growth_coef, migration_coef, death_coef, quiet_coef, use, "
                                 "static, boundary"),
                  {QString(c.name), QString(c.description), c.young, c.poisson, c.factin, c.red,
                   c.green, c.blue, c.growth, c.migration, c.death, c.quiet, c.use, c.isStatic,
                   c.boundary});
    setProgress(progress, 60);

    int extension = 1;
    for (const CytokineRow& c : kCytokines)
        insertRow(query, QStringLiteral("cytokine"),
                  QStringLiteral("name, extension, description, incell, diffusion, degradation, use"),
                  {QString(c.name), extension++, QString(c.description), 0, c.diffusion,
                   c.degradation, 1});
    setProgress(progress, 70);

    // Up to and including Fibroblast to Fibroblast, then the rest.
    insertAdhesionRows(query, 0, 15);
    setProgress(progress, 80);
    insertAdhesionRows(query, 15, kCellCount * kCellCount);
    setProgress(progress, 90);

    for (const SynthesisRow& s : kSyntheses)
        insertRow(query, QStringLiteral("cytokine_cell"),
                  QStringLiteral("cytokinename, cytokineid, cellname, cellid, synthesis"),
                  {QString(s.cytokine), s.cytokineId, QString(s.cell), s.cellId, s.synthesis});

    for (const BehaviorRow& b : kBehaviors)
        insertRow(query, QStringLiteral("behavior"),
                  QStringLiteral("cytokinename, cytokineid, cellname, cellid, growth_type, "
                                 "growth_coef, migration_type, migration_coef, death_type, "
                                 "death_coef, quiet_type, quiet_coef, cycle_type, cycle_coef"),
                  {QString(b.cytokine), b.cytokineId, QStringLiteral("Keratinocyte"), 4,
                   b.growthType, b.growthCoef, b.migrationType, b.migrationCoef, b.deathType,
                   b.deathCoef, b.quietType, b.quietCoef, b.cycleType, b.cycleCoef});

    for (int i = 0; i < kCellCount; ++i)
        insertRow(query, QStringLiteral("cue"),
                  QStringLiteral("cellid, cellname, cytokineid, cytokinename, mechanics, "
                                 "strenPro, transPro, migrate"),
                  {i + 1, QString(kCells[i].name), 2, QStringLiteral("EGF"),
                   MechanicalCue::CONTRACTION, 100, 100, kMigrate[i]});

    setProgress(progress, progress.maximum());
}

int lookup_cell_id(const QString& name)
{
    return lookupId(QStringLiteral("SELECT id FROM cell WHERE name = ?"), name);
}

int lookup_cytokine_id(const QString& name)
{
    return lookupId(QStringLiteral("SELECT id FROM cytokine WHERE name = ?"), name);
}
