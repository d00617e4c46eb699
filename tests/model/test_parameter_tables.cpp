// The global parameter tables loaded from the default database, and from
// databases the editors have changed.
#include "model/parameter_database.h"
#include "model/parameter_tables.h"

#include <QApplication>
#include <QMessageBox>
#include <QSqlQuery>
#include <QTimer>
#include <QVariant>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using Names = std::vector<QString>;

class ParameterTables : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::srand(1);
        clear_parameter_tables();
        for (auto& row : adhesion_pair_array)
            for (double& value : row)
                value = -1.0; // leftovers of an earlier load; the load must zero them
        close_parameter_database();
        ASSERT_TRUE(open_parameter_database());
        seed_parameter_database();
    }
    void TearDown() override
    {
        close_parameter_database();
        clear_parameter_tables();
    }

    static void exec(const QString& statement)
    {
        QSqlQuery query;
        ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
    }
};

void insertCellType(const QString& name)
{
    QSqlQuery query;
    query.prepare("INSERT INTO cell (name, description, young, poisson, Factin, red, green, "
                  "blue, growth_coef, migration_coef, death_coef, quiet_coef, use, static, "
                  "boundary) VALUES (?, '', 10, 40, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 1)");
    query.addBindValue(name);
    ASSERT_TRUE(query.exec());
}

void insertAdhesion(const QString& cell1, const QString& cell2, double value, int degrade)
{
    QSqlQuery query;
    query.prepare("INSERT INTO adhesion (value, cell1name, cell1id, cell2name, cell2id, degrade) "
                  "VALUES (?, ?, 0, ?, 0, ?)");
    query.addBindValue(value);
    query.addBindValue(cell1);
    query.addBindValue(cell2);
    query.addBindValue(degrade);
    ASSERT_TRUE(query.exec());
}

} // namespace

TEST_F(ParameterTables, TypeNamesColoursAndMechanicsOfTheDefaultTypes)
{
    UserInitialParas();

    const Names names{"ECM", "BM", "Fibroblast", "Keratinocyte", "FC", "Macrophage"};
    ASSERT_EQ(index_name_class.size(), 6u);
    ASSERT_EQ(name_index_class.size(), 6u);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(index_name_class[k], names[k]);
        EXPECT_EQ(name_index_class[names[k]], k);
        EXPECT_EQ(pressure_edge_class[k], 0.31676888028108807);
        EXPECT_EQ(tension_edge_class[k], 1.0);
        EXPECT_EQ(mass_edge_class[k], 0.01);
        EXPECT_EQ(fixed_cells[k], 0);
    }
    EXPECT_EQ(color_class_R[0], 230 * 0.00390625);
    EXPECT_EQ(color_class_G[0], 230 * 0.00390625);
    EXPECT_EQ(color_class_B[0], 230 * 0.00390625);
    EXPECT_EQ(color_class_R[2], 255 * 0.00390625);
    EXPECT_EQ(color_class_G[2], 26 * 0.00390625);
    EXPECT_EQ(color_class_B[2], 26 * 0.00390625);
    EXPECT_EQ(F_actin_density_class[2], 1400);
    EXPECT_EQ(F_actin_density_class[3], 200);
    EXPECT_EQ(index_static_class[2], 0);
    EXPECT_EQ(index_static_class[5], 1);

    // Poisson 40 % gives ν = 0.30000000000000004 in the stated order.
    const double nu = 0.30000000000000004;
    ASSERT_EQ((40.0 / 100) * 0.75, nu);
    for (int k : {2, 5}) { // Young's modulus 10: E = 2.5
        EXPECT_EQ(elastic_MU[k], (2.5 * 0.5) / (1 + nu)) << k;
        EXPECT_EQ(elastic_LAMBDA[k], ((2.5 * nu) / (1 + nu)) / (nu * (-2) + 1)) << k;
        EXPECT_NEAR(elastic_MU[k], 2.5 * 0.5 / 1.3, 1e-12);
        EXPECT_NEAR(elastic_LAMBDA[k], 2.5 * 0.3 / 1.3 / 0.4, 1e-12);
    }
    for (int k : {0, 1, 3, 4}) { // 20, 120 and 400 are all capped at E = 5.0
        EXPECT_EQ(elastic_MU[k], (5.0 * 0.5) / (1 + nu)) << k;
        EXPECT_EQ(elastic_LAMBDA[k], ((5.0 * nu) / (1 + nu)) / (nu * (-2) + 1)) << k;
        EXPECT_NEAR(elastic_LAMBDA[k], 5.0 * 0.3 / 1.3 / 0.4, 1e-12);
    }

    const Names cytokines{"Collagen", "EGF", "TGFb", "MMP", "KGF", "Procollagen", "PDGF"};
    ASSERT_EQ(index_name_cytokine_class.size(), 7u);
    ASSERT_EQ(name_index_cytokine_class.size(), 7u);
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(index_name_cytokine_class[c], cytokines[c]);
        EXPECT_EQ(name_index_cytokine_class[cytokines[c]], c);
    }
    EXPECT_EQ(next_cytokine_index(0), 1);
    EXPECT_EQ(next_cytokine_index(6), 0);
}

TEST_F(ParameterTables, DefaultAdhesionMatrixTakesTheLowerFirstTypesRow)
{
    UserInitialParas();

    EXPECT_EQ(adhesion_pair_array[0][1], (20 * 3.14159265) * 0.25);
    EXPECT_EQ(adhesion_pair_array[1][0], (20 * 3.14159265) * 0.25);
    EXPECT_DOUBLE_EQ(adhesion_pair_array[0][1], 15.70796325);
    EXPECT_DOUBLE_EQ(adhesion_pair_array[1][2], 1.570796325);
    EXPECT_DOUBLE_EQ(adhesion_pair_array[2][1], 1.570796325);
    EXPECT_EQ(adhesion_pair_array[3][3], (4.1 * 3.14159265) * 0.25);
    EXPECT_EQ(adhesion_pair_array[5][5], (30 * 3.14159265) * 0.25);
    for (int i = 0; i < MAX_CELL_TYPES; ++i)
        for (int j = 0; j < MAX_CELL_TYPES; ++j) {
            EXPECT_EQ(adhesion_pair_array[i][j], adhesion_pair_array[j][i]);
            if (i >= 6 || j >= 6) {
                EXPECT_EQ(adhesion_pair_array[i][j], 0.0) << i << "," << j;
            }
        }
}

TEST_F(ParameterTables, DefaultBehavioursCuesSynthesisAndDegradation)
{
    UserInitialParas();

    ASSERT_EQ(behavior_class.size(), 1u);
    ASSERT_EQ(behavior_class.count(3), 1u);
    EXPECT_EQ(behavior_class[3],
              (Names{"EGF", "1", "0.035", "1", "0.05", "0", "0", "0", "0",
                     "KGF", "1", "0.0015", "0", "0", "0", "0", "0", "0",
                     "TGFb", "2", "0.075", "0", "0", "0", "0", "0", "0"}));

    EXPECT_EQ(index_mechanism_class,
              (std::map<int, int>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 0}, {5, 1}}));
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(index_chemo_class[k], "EGF");
        EXPECT_EQ(index_stren_class[k], 1.0);
        EXPECT_EQ(index_trans_class[k], 1.0);
    }

    EXPECT_EQ(degrade_class, (std::map<int, Names>{{2, {"ECM", "FC"}}, {3, {"FC"}}}));
    EXPECT_EQ(synthesis_cytokine_class,
              (std::map<int, Names>{{1, {"FC", "Fibroblast"}},
                                    {2, {"FC", "Fibroblast", "Keratinocyte", "Macrophage"}},
                                    {3, {"Keratinocyte"}},
                                    {4, {"Fibroblast", "FC"}},
                                    {6, {"FC"}}}));
    EXPECT_EQ(synthesis_class,
              (std::map<int, Names>{{2, {"EGF", "KGF", "TGFb"}},
                                    {3, {"TGFb", "MMP"}},
                                    {4, {"EGF", "KGF", "TGFb", "PDGF"}},
                                    {5, {"TGFb"}}}));
}

TEST_F(ParameterTables, SecondRunGivesTheSameTables)
{
    UserInitialParas();
    const auto behaviours = behavior_class;
    const auto synthesis = synthesis_class;
    const auto producers = synthesis_cytokine_class;
    const auto degrades = degrade_class;
    const auto names = index_name_class;
    const auto mu = elastic_MU;
    const double adhesion01 = adhesion_pair_array[0][1];

    UserInitialParas();
    EXPECT_EQ(behavior_class[3].size(), 27u);
    EXPECT_EQ(behavior_class, behaviours);
    EXPECT_EQ(synthesis_class, synthesis);
    EXPECT_EQ(synthesis_cytokine_class, producers);
    EXPECT_EQ(degrade_class, degrades);
    EXPECT_EQ(index_name_class, names);
    EXPECT_EQ(elastic_MU, mu);
    EXPECT_EQ(adhesion_pair_array[0][1], adhesion01);
}

TEST_F(ParameterTables, OneSidedAdhesionPairAndDegradeOtherThanOne)
{
    // ECM (0) and BM (1): only the BM-to-ECM row is left.
    exec("DELETE FROM adhesion WHERE cell1name = 'ECM' AND cell2name = 'BM'");
    exec("UPDATE adhesion SET degrade = 2 WHERE cell1name = 'BM' AND cell2name = 'FC'");
    UserInitialParas();

    EXPECT_EQ(adhesion_pair_array[0][1], 0.0);
    EXPECT_EQ(adhesion_pair_array[1][0], 0.0);
    EXPECT_EQ(degrade_class.count(1), 0u);
}

TEST_F(ParameterTables, TypeWithoutCueRowReadsAsZeroAndIsInsertedOnLookUp)
{
    exec("DELETE FROM cue WHERE cellname = 'Fibroblast'");
    UserInitialParas();

    EXPECT_EQ(index_mechanism_class.count(2), 0u);
    EXPECT_EQ(index_chemo_class.count(2), 0u);
    EXPECT_EQ(index_stren_class.count(2), 0u);
    EXPECT_EQ(index_trans_class.count(2), 0u);

    // A contact creator's strength weighting then gives 0.0.
    const double adhesion =
        std::min(index_stren_class[2], index_stren_class[3]) * adhesion_pair_array[2][3];
    EXPECT_EQ(adhesion, 0.0);
    EXPECT_EQ(index_mechanism_class[2], 0);
    EXPECT_EQ(index_chemo_class[2], QString());
    EXPECT_EQ(index_stren_class.count(2), 1u);
}

TEST_F(ParameterTables, EmptyCytokineTableGivesNoCytokines)
{
    // As the cytokine editor deletes them, with their synthesis rows.
    exec("DELETE FROM cytokine");
    exec("DELETE FROM cytokine_cell");
    UserInitialParas();

    EXPECT_TRUE(name_index_cytokine_class.empty());
    EXPECT_TRUE(index_name_cytokine_class.empty());
    EXPECT_TRUE(synthesis_cytokine_class.empty());
    EXPECT_EQ(next_cytokine_index(0), 0);
    EXPECT_EQ(next_cytokine_index(3), 0);
    EXPECT_EQ(index_name_class.size(), 6u);
}

TEST_F(ParameterTables, RowsNamingUnknownTypesOrCytokinesArePassedOver)
{
    // Rows left behind by a deleted type or cytokine, which the editors keep.
    insertAdhesion("Ghost", "BM", 8, 1);
    insertAdhesion("ECM", "Ghost", 9, 1);
    exec("INSERT INTO cue (cellid, cellname, cytokineid, cytokinename, mechanics, strenPro, transPro, migrate) "
         "VALUES (99, 'Ghost', 2, 'EGF', 0, 50, 50, 3)");
    exec("INSERT INTO behavior (cytokinename, cytokineid, cellname, cellid, cycle_type, cycle_coef, growth_type, "
         "growth_coef, migration_type, migration_coef, death_type, death_coef, quiet_type, quiet_coef) "
         "VALUES ('EGF', 2, 'Ghost', 99, 0, 0, 1, 0.5, 0, 0, 0, 0, 0, 0)");
    exec("DELETE FROM cytokine WHERE name = 'PDGF'");
    exec("DELETE FROM cytokine WHERE name = 'EGF'");
    UserInitialParas();

    EXPECT_EQ(name_index_class.size(), 6u);
    EXPECT_EQ(name_index_class.count("Ghost"), 0u);
    EXPECT_EQ(name_index_cytokine_class.size(), 5u);
    EXPECT_EQ(name_index_cytokine_class.count("PDGF"), 0u);
    // ECM (0) gets none of Ghost's rows.
    EXPECT_EQ(degrade_class.count(0), 0u);
    EXPECT_EQ(behavior_class.count(0), 0u);
    EXPECT_EQ(index_mechanism_class.at(0), 0);
    EXPECT_EQ(adhesion_pair_array[0][0], (20 * 3.14159265) * 0.25);
    EXPECT_EQ(adhesion_pair_array[0][1], (20 * 3.14159265) * 0.25);
    // The synthesis rows of the deleted cytokines land on no species; the
    // cues that named EGF keep their mechanism, strength and transmission.
    EXPECT_EQ(synthesis_cytokine_class,
              (std::map<int, Names>{{1, {"FC", "Fibroblast", "Keratinocyte", "Macrophage"}},
                                    {2, {"Keratinocyte"}},
                                    {3, {"Fibroblast", "FC"}}}));
    EXPECT_EQ(synthesis_class.at(4), (Names{"KGF", "TGFb"}));
    EXPECT_TRUE(index_chemo_class.empty());
    EXPECT_EQ(index_mechanism_class, (std::map<int, int>{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 0}, {5, 1}}));
    EXPECT_EQ(index_stren_class.at(3), 1.0);
    // Keratinocyte keeps its KGF and TGFb rules, not the EGF one.
    ASSERT_EQ(behavior_class.at(3).size(), 18u);
    EXPECT_EQ(behavior_class.at(3)[0], "KGF");
    EXPECT_EQ(behavior_class.at(3)[9], "TGFb");
    EXPECT_EQ(next_cytokine_index(4), 0);
}

TEST_F(ParameterTables, NameWithApostropheRoundTrips)
{
    insertCellType("Langerhans' cell");
    insertAdhesion("Langerhans' cell", "Langerhans' cell", 4, 0);
    UserInitialParas();

    EXPECT_EQ(index_name_class[6], "Langerhans' cell");
    EXPECT_EQ(name_index_class["Langerhans' cell"], 6);
    EXPECT_EQ(fixed_cells[6], 1);
    EXPECT_EQ(adhesion_pair_array[6][6], (4 * 3.14159265) * 0.25);
    EXPECT_EQ(lookup_cell_id("Langerhans' cell"), 7);
}

TEST_F(ParameterTables, TwentyFirstCellTypeIsRefusedWithAMessage)
{
    for (int k = 6; k <= 20; ++k)
        insertCellType(QStringLiteral("T%1").arg(k));
    // Without the refusal these rows would land on index 0 (ECM) or past the matrix.
    insertAdhesion("T20", "T20", 99, 1);
    insertAdhesion("ECM", "T20", 99, 0);
    insertAdhesion("T19", "T19", 7, 0);

    QString shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&]() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->windowTitle() + "|" + box->text();
            box->accept();
        }
    });
    answer.start(20);
    UserInitialParas();
    answer.stop();

    EXPECT_EQ(refused_cell_types(), (Names{"T20"}));
    EXPECT_EQ(shown, "Biology Info|At most 20 cell types are supported; these cell types were "
                     "not loaded: \"T20\".");
    EXPECT_EQ(index_name_class.size(), 20u);
    EXPECT_EQ(index_name_class[19], "T19");
    EXPECT_EQ(name_index_class.count("T20"), 0u);
    EXPECT_EQ(adhesion_pair_array[0][0], (20 * 3.14159265) * 0.25);
    EXPECT_EQ(adhesion_pair_array[19][19], (7 * 3.14159265) * 0.25);
    EXPECT_EQ(degrade_class.count(0), 0u);

    // With the 21st type gone, the next load is clean.
    exec("DELETE FROM cell WHERE name = 'T20'");
    UserInitialParas();
    EXPECT_TRUE(refused_cell_types().empty());
    EXPECT_EQ(refused_cell_types_message(), QString());
}

TEST(ParameterTablesWithoutDatabase, MissingTablesGiveEmptyTablesAndAZeroMatrix)
{
    close_parameter_database();
    ASSERT_TRUE(open_parameter_database());
    adhesion_pair_array[4][7] = 3.0;
    UserInitialParas();

    EXPECT_TRUE(index_name_class.empty());
    EXPECT_TRUE(name_index_class.empty());
    EXPECT_TRUE(index_name_cytokine_class.empty());
    EXPECT_TRUE(behavior_class.empty());
    EXPECT_TRUE(index_mechanism_class.empty());
    EXPECT_EQ(adhesion_pair_array[4][7], 0.0);
    EXPECT_EQ(adhesion_pair_array[7][4], 0.0);
    close_parameter_database();
}

TEST_F(ParameterTables, TwoTypesOfOneNameSendTheNamedRowsToTheLaterOne)
{
    insertCellType("BM");
    UserInitialParas();

    EXPECT_EQ(index_name_class.size(), 7u);
    EXPECT_EQ(index_name_class[1], "BM");
    EXPECT_EQ(index_name_class[6], "BM");
    EXPECT_EQ(name_index_class["BM"], 6);
    // Every row naming BM lands on the later type; the earlier one gets none.
    EXPECT_EQ(adhesion_pair_array[0][1], 0.0);
    EXPECT_EQ(adhesion_pair_array[1][1], 0.0);
    EXPECT_EQ(adhesion_pair_array[0][6], (20 * 3.14159265) * 0.25);
    EXPECT_EQ(adhesion_pair_array[6][0], (20 * 3.14159265) * 0.25);
    EXPECT_EQ(adhesion_pair_array[6][6], (30 * 3.14159265) * 0.25);
    EXPECT_EQ(index_mechanism_class.count(1), 0u);
    EXPECT_EQ(index_stren_class[6], 1.0);
    // Both keep their own cell-table values.
    EXPECT_EQ(color_class_G[1], 168 * 0.00390625);
    EXPECT_EQ(fixed_cells[6], 1);
}
