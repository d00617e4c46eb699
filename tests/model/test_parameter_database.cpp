// The seeded parameter database: schema, default rows and their ids, and how
// the tables behave under the editors' inserts and deletes.
#include "model/parameter_database.h"
#include "model/parameter_tables.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <gtest/gtest.h>

namespace {

class ParameterDatabase : public ::testing::Test {
protected:
    void SetUp() override
    {
        close_parameter_database();
        ASSERT_TRUE(open_parameter_database());
        seed_parameter_database();
    }
    void TearDown() override
    {
        close_parameter_database();
        clear_parameter_tables();
    }
};

QStringList column(const QString& statement)
{
    QStringList values;
    QSqlQuery query(statement);
    while (query.next())
        values << query.value(0).toString();
    return values;
}

QString ids(const QString& table)
{
    return column(QStringLiteral("SELECT id FROM %1").arg(table)).join(QLatin1Char(' '));
}

// "name TYPE" for every column, with "!" after columns declared NOT NULL.
QString declaredColumns(const QString& table)
{
    QStringList columns;
    QSqlQuery query(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (query.next())
        columns << query.value(1).toString() + QLatin1Char(' ') + query.value(2).toString() +
                       (query.value(3).toInt() ? QStringLiteral("!") : QString());
    return columns.join(QStringLiteral(", "));
}

} // namespace

TEST_F(ParameterDatabase, DefaultRowsGetIdsOneToNInInsertionOrder)
{
    EXPECT_EQ(ids("cell"), "1 2 3 4 5 6");
    EXPECT_EQ(ids("cytokine"), "1 2 3 4 5 6 7");
    EXPECT_EQ(ids("cytokine_cell"), "1 2 3 4 5 6 7 8 9 10");
    EXPECT_EQ(ids("regulate"), "");
    EXPECT_EQ(ids("behavior"), "1 2 3");
    EXPECT_EQ(column("SELECT COUNT(*) FROM adhesion"), QStringList{"36"});
    EXPECT_EQ(ids("cue"), "1 2 3 4 5 6");

    EXPECT_EQ(column("SELECT name FROM cell"),
              (QStringList{"ECM", "BM", "Fibroblast", "Keratinocyte", "FC", "Macrophage"}));
    EXPECT_EQ(column("SELECT name FROM cytokine"),
              (QStringList{"Collagen", "EGF", "TGFb", "MMP", "KGF", "Procollagen", "PDGF"}));
    EXPECT_EQ(column("SELECT extension FROM cytokine"),
              (QStringList{"1", "2", "3", "4", "5", "6", "7"}));
}

TEST_F(ParameterDatabase, SchemaDeclaresEveryColumnInOrder)
{
    EXPECT_EQ(declaredColumns("cell"),
              "id INTEGER, name VARCHAR(40)!, description VARCHAR(80)!, young INTEGER!, "
              "poisson INTEGER!, Factin INTEGER!, red INTEGER!, green INTEGER!, blue INTEGER!, "
              "growth_coef DOUBLE!, migration_coef DOUBLE!, death_coef DOUBLE!, "
              "quiet_coef DOUBLE!, use INTEGER!, static INTEGER!, boundary INTEGER!");
    EXPECT_EQ(declaredColumns("cytokine"),
              "id INTEGER, name VARCHAR(40)!, extension INTEGER!, description VARCHAR(80)!, "
              "incell INTEGER!, diffusion DOUBLE!, degradation DOUBLE!, use INTEGER!");
    EXPECT_EQ(declaredColumns("cytokine_cell"),
              "id INTEGER, cytokinename VARCHAR(40)!, cytokineid INTEGER!, "
              "cellname VARCHAR(40)!, cellid INTEGER!, synthesis DOUBLE!");
    EXPECT_EQ(declaredColumns("regulate"),
              "id INTEGER, cytokinename VARCHAR(40)!, cytokineid INTEGER!, "
              "cytokine_cellid INTEGER!, regulate_type INTEGER!, regulate_coef DOUBLE!");
    EXPECT_EQ(declaredColumns("behavior"),
              "id INTEGER, cytokinename VARCHAR(40)!, cytokineid INTEGER!, "
              "cellname VARCHAR(40)!, cellid INTEGER!, growth_type INTEGER!, "
              "growth_coef DOUBLE!, migration_type INTEGER!, migration_coef DOUBLE!, "
              "death_type INTEGER!, death_coef DOUBLE!, quiet_type INTEGER!, quiet_coef DOUBLE!, "
              "cycle_type INTEGER!, cycle_coef DOUBLE!");
    EXPECT_EQ(declaredColumns("adhesion"),
              "id INTEGER, value DOUBLE!, cell1name VARCHAR(40)!, cell1id INTEGER!, "
              "cell2name VARCHAR(40)!, cell2id INTEGER!, degrade INTEGER!");
    EXPECT_EQ(declaredColumns("cue"),
              "id INTEGER, cellid INTEGER!, cellname VARCHAR(40)!, cytokineid INTEGER!, "
              "cytokinename VARCHAR(40)!, mechanics INTEGER!, strenPro INTEGER!, "
              "transPro INTEGER!, migrate INTEGER!");

    // Foreign keys of cue, in declared order.
    QStringList keys;
    QSqlQuery query("PRAGMA foreign_key_list(cue)");
    while (query.next())
        keys << query.value(3).toString() + "->" + query.value(2).toString();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"cellid->cell", "cytokineid->cytokine"}));
}

TEST_F(ParameterDatabase, DefaultCellRows)
{
    QSqlQuery query("SELECT name, description, young, poisson, Factin, red, green, blue, "
                    "growth_coef, migration_coef, death_coef, quiet_coef, use, static, boundary "
                    "FROM cell WHERE id = 3");
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), "Fibroblast");
    EXPECT_EQ(query.value(1).toString(), "Synthesizes the ECM and collagen, real cell type");
    const int ints[] = {10, 40, 1400, 255, 26, 26};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(query.value(2 + i).toInt(), ints[i]) << "column " << 2 + i;
    EXPECT_DOUBLE_EQ(query.value(8).toDouble(), 0.11);
    EXPECT_DOUBLE_EQ(query.value(11).toDouble(), 0.78);
    EXPECT_EQ(query.value(13).toInt(), 0);

    // Longer than the declared width, stored whole.
    EXPECT_EQ(column("SELECT length(description) FROM cell WHERE id <= 2"),
              (QStringList{"109", "81"}));
    // The four base weights of every type sum to 1.
    EXPECT_EQ(column("SELECT ROUND(growth_coef + migration_coef + death_coef + quiet_coef, 9) "
                     "FROM cell"),
              (QStringList{"1", "1", "1", "1", "1", "1"}));
    EXPECT_EQ(column("SELECT static FROM cell"), (QStringList{"1", "1", "0", "0", "1", "1"}));
    EXPECT_EQ(column("SELECT young FROM cell"),
              (QStringList{"20", "20", "10", "120", "400", "10"}));
}

TEST_F(ParameterDatabase, DefaultAdhesionRowsRunRowByRowOfTheMatrix)
{
    QSqlQuery query("SELECT id, cell1id, cell2id, cell1name, cell2name FROM adhesion");
    const QStringList names{"ECM", "BM", "Fibroblast", "Keratinocyte", "FC", "Macrophage"};
    int n = 0;
    while (query.next()) {
        const int i = n / 6 + 1, j = n % 6 + 1;
        EXPECT_EQ(query.value(0).toInt(), 6 * (i - 1) + j);
        EXPECT_EQ(query.value(1).toInt(), i);
        EXPECT_EQ(query.value(2).toInt(), j);
        EXPECT_EQ(query.value(3).toString(), names[i - 1]);
        EXPECT_EQ(query.value(4).toString(), names[j - 1]);
        ++n;
    }
    EXPECT_EQ(n, 36);

    // The two asymmetric pairs are stored as listed.
    EXPECT_EQ(column("SELECT value FROM adhesion WHERE id IN (2, 7, 9, 14) ORDER BY id"),
              (QStringList{"20", "30", "2", "0"}));
    EXPECT_EQ(column("SELECT value FROM adhesion WHERE id = 22"), QStringList{"4.1"});
    EXPECT_EQ(column("SELECT cell1name || '>' || cell2name FROM adhesion WHERE degrade = 1"),
              (QStringList{"Fibroblast>ECM", "Fibroblast>FC", "Keratinocyte>FC"}));
}

TEST_F(ParameterDatabase, DefaultSynthesisBehaviourAndCueRows)
{
    EXPECT_EQ(column("SELECT cytokinename || cytokineid || cellname || cellid || ':' || synthesis "
                     "FROM cytokine_cell"),
              (QStringList{"EGF2FC5:0.51", "EGF2Fibroblast3:0.51", "KGF5Fibroblast3:4.0",
                           "KGF5FC5:4.0", "TGFb3FC5:0.13", "TGFb3Fibroblast3:0.13",
                           "TGFb3Keratinocyte4:0.13", "TGFb3Macrophage6:0.13", "PDGF7FC5:0.77",
                           "MMP4Keratinocyte4:0.0"}));
    EXPECT_EQ(column("SELECT cytokinename || cytokineid || cellname || cellid || ' ' || "
                     "growth_type || ',' || growth_coef || ',' || migration_type || ',' || "
                     "migration_coef || ',' || death_type || ',' || death_coef || ',' || "
                     "quiet_type || ',' || quiet_coef || ',' || cycle_type || ',' || cycle_coef "
                     "FROM behavior"),
              (QStringList{"EGF2Keratinocyte4 1,0.035,1,0.05,0,0.0,0,0.0,1,0.54",
                           "KGF5Keratinocyte4 1,0.0015,0,0.0,0,0.0,0,0.0,1,0.14",
                           "TGFb3Keratinocyte4 2,0.075,0,0.0,0,0.0,0,0.0,0,0.0"}));
    EXPECT_EQ(column("SELECT cellid || cellname || cytokineid || cytokinename || mechanics || "
                     "',' || strenPro || ',' || transPro || ',' || migrate FROM cue"),
              (QStringList{"1ECM2EGF0,100,100,0", "2BM2EGF0,100,100,0",
                           "3Fibroblast2EGF0,100,100,1", "4Keratinocyte2EGF0,100,100,1",
                           "5FC2EGF0,100,100,0", "6Macrophage2EGF0,100,100,1"}));
    EXPECT_EQ(column("SELECT diffusion || '/' || degradation FROM cytokine WHERE id IN (2, 7)"),
              (QStringList{"5.2/6.1", "28.0/17.0"}));
}

TEST_F(ParameterDatabase, IdsAreNeverGivenOutTwiceAndDeletesDoNotCascade)
{
    QSqlQuery query;
    ASSERT_TRUE(query.exec("DELETE FROM cell WHERE id = 6"));
    ASSERT_TRUE(query.exec("INSERT INTO cell (name, description, young, poisson, Factin, red, "
                           "green, blue, growth_coef, migration_coef, death_coef, quiet_coef, "
                           "use, static, boundary) VALUES ('Seventh', '', 10, 40, 0, 0, 0, 0, "
                           "0, 0, 0, 1, 1, 1, 0)"));
    EXPECT_EQ(ids("cell"), "1 2 3 4 5 7");

    ASSERT_TRUE(query.exec("DELETE FROM cytokine_cell WHERE id = 10"));
    ASSERT_TRUE(query.exec("INSERT INTO cytokine_cell (cytokinename, cytokineid, cellname, "
                           "cellid, synthesis) VALUES ('MMP', 4, 'Keratinocyte', 4, 1)"));
    EXPECT_EQ(column("SELECT MAX(id) FROM cytokine_cell"), QStringList{"11"});

    // Rows that name the deleted Macrophage are still there.
    EXPECT_EQ(column("SELECT COUNT(*) FROM adhesion WHERE cell1id = 6 OR cell2id = 6"),
              QStringList{"11"});
    EXPECT_EQ(column("SELECT COUNT(*) FROM cue WHERE cellname = 'Macrophage'"), QStringList{"1"});
}

TEST_F(ParameterDatabase, InsertLeavingOutAColumnIsRejected)
{
    QSqlQuery query;
    EXPECT_FALSE(query.exec("INSERT INTO behavior (cytokinename, cytokineid, cellname, cellid, "
                            "growth_type, growth_coef, migration_type, migration_coef, "
                            "death_type, death_coef, quiet_type, quiet_coef) VALUES "
                            "('EGF', 2, 'BM', 2, 0, 0, 0, 0, 0, 0, 0, 0)"));
    EXPECT_EQ(ids("behavior"), "1 2 3");
}

TEST_F(ParameterDatabase, NamesAreLookedUpAsBoundValues)
{
    EXPECT_EQ(lookup_cell_id("Keratinocyte"), 4);
    EXPECT_EQ(lookup_cytokine_id("PDGF"), 7);
    EXPECT_EQ(lookup_cell_id("Nothing"), -1);
    // Pasted into the statement, this name would break it or match every row.
    EXPECT_EQ(lookup_cell_id("x' OR '1'='1"), -1);

    QSqlQuery query;
    query.prepare("INSERT INTO cell (name, description, young, poisson, Factin, red, green, "
                  "blue, growth_coef, migration_coef, death_coef, quiet_coef, use, static, "
                  "boundary) VALUES (?, '', 10, 40, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0)");
    query.addBindValue(QStringLiteral("Langerhans' cell"));
    ASSERT_TRUE(query.exec());
    EXPECT_EQ(lookup_cell_id("Langerhans' cell"), 7);
}

TEST_F(ParameterDatabase, ReopeningGivesAFreshEmptyDatabase)
{
    close_parameter_database();
    ASSERT_TRUE(open_parameter_database());
    EXPECT_EQ(column("SELECT name FROM sqlite_master WHERE type = 'table'"), QStringList());
    seed_parameter_database();
    EXPECT_EQ(ids("cell"), "1 2 3 4 5 6");
}
