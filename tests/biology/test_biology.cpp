// The behaviour model built from the model files of the parameter database.
#include "biology/biology.h"
#include "geometry/numeric.h"
#include "model/cell.h"
#include "model/dbreader.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_files.h"
#include "signalling/model_writer.h"
#include "signalling/network.h"

#include "support/model_env.h"
#include "support/progress_watch.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace {

enum Type { ECM = 0, BM, Fibroblast, Keratinocyte, FC, Macrophage };
enum Cytokine { Collagen = 0, EGF, TGFb, MMP, KGF, Procollagen, PDGF };

class BiologyModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::srand(1);
        numeric_detail::randn_trig_reset();
        model_env::seedDefaultDatabase();
        ASSERT_TRUE(dir.isValid());
        model_files::setDirectory(dir.path());
    }
    void TearDown() override
    {
        deleteModelFiles();
        model_env::useModelFiles();
        close_parameter_database();
        clear_parameter_tables();
        numeric_detail::randn_trig_reset();
    }

    static void exec(const QString& statement)
    {
        QSqlQuery query;
        ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
    }

    std::unique_ptr<Biology> build()
    {
        QString failure;
        EXPECT_TRUE(writeModelFiles(&failure)) << failure.toStdString();
        return std::make_unique<Biology>();
    }

    static cell typed(int type)
    {
        cell c(0);
        c.cell_type = type;
        return c;
    }

    QTemporaryDir dir;
};

}

TEST_F(BiologyModel, ReadsTheFilesOfTheDefaultDatabase)
{
    auto biology = build();
    EXPECT_TRUE(biology->isLoaded()) << biology->loadMessage().toStdString();
    ASSERT_EQ(biology->networks.size(), 6u);
    EXPECT_EQ(biology->numReactions, (std::vector<int>{0, 0, 6, 4, 8, 2}));
    EXPECT_EQ(biology->kineticLaws[Keratinocyte].size(), 4u);
    EXPECT_EQ(biology->kineticLaws[Keratinocyte][2], biology->networks[Keratinocyte]->getModel()->getReaction("DegMMP")->getKineticLaw());
    EXPECT_EQ(biology->getD0(), 1.9e7);
    EXPECT_EQ(biology->getDeltaT(), 1.0);
    EXPECT_EQ(biology->getNumSpecies(), 20);
    ASSERT_EQ(biology->getNumRealSpecies(), 7);
    const double expected[] = {0, 5.2e-9, 2.9e-9, 0, 4.9e-9, 0, 28e-9};
    for (int j = 0; j < 7; ++j)
        EXPECT_DOUBLE_EQ(biology->getD(j), expected[j]) << j;
    EXPECT_EQ(biology->getD(7), 0.0);
    EXPECT_EQ(biology->getValueProbGrowthDiv(), 0.0);
}

TEST_F(BiologyModel, ProbabilitiesFollowTheCounts)
{
    // MMP also promotes quiescence: it is produced by column 0 of the
    // Keratinocyte model (SynMMP), so it reads as 0 in every probability.
    exec("INSERT INTO behavior (cellname, cellid, cytokineid, cytokinename, growth_type, growth_coef, "
         "migration_type, migration_coef, death_type, death_coef, quiet_type, quiet_coef, cycle_type, cycle_coef) "
         "VALUES ('Keratinocyte', 4, 4, 'MMP', 0, 0, 0, 0, 0, 0, 1, 0.5, 0, 0)");
    auto biology = build();
    cell c = typed(Keratinocyte);
    c.species[EGF] = 10;
    c.species[KGF] = 100;
    c.species[TGFb] = 4;
    c.species[MMP] = 10;
    EXPECT_DOUBLE_EQ(biology->CalcValueProbGrowthDiv(&c), 0.11 * 1.35 * 1.15 / 1.3);
    EXPECT_DOUBLE_EQ(biology->CalcValueProbMigration(&c), 0.11 * 1.5);
    EXPECT_DOUBLE_EQ(biology->CalcValueProbDoNothing(&c), 0.78);
    EXPECT_EQ(biology->CalcValueProbApoptosis(&c), 0.0);
    // Negative entries read as 0; every entry of the cell is visible.
    c.species[EGF] = -5;
    EXPECT_DOUBLE_EQ(biology->CalcValueProbMigration(&c), 0.11);

    cell ecm = typed(ECM);
    EXPECT_EQ(biology->CalcValueProbDoNothing(&ecm), 1.0);
    EXPECT_EQ(biology->CalcValueProbGrowthDiv(&ecm), 0.0);
    cell unknown = typed(17);
    EXPECT_EQ(biology->CalcValueProbDoNothing(&unknown), 0.0);
    EXPECT_EQ(biology->UpdateCellState(&unknown), 0);
}

TEST_F(BiologyModel, UpdateTakesElevenStepsAndIsReproducible)
{
    auto biology = build();
    cell first = typed(FC);
    cell second = typed(FC);
    for (cell* c : {&first, &second})
        for (int j = 0; j < 7; ++j)
            c->species[j] = 50 + j;

    std::srand(1);
    numeric_detail::randn_trig_reset();
    EXPECT_EQ(biology->UpdateCellState(&first), 11);
    std::srand(1);
    numeric_detail::randn_trig_reset();
    EXPECT_EQ(biology->UpdateCellState(&second), 11);
    EXPECT_EQ(first.species, second.species);
    EXPECT_EQ(first.species.size(), 20u);
    // FC neither makes nor breaks Collagen, MMP and Procollagen.
    EXPECT_EQ(first.species[Collagen], 50);
    EXPECT_EQ(first.species[MMP], 53);
    EXPECT_EQ(first.species[Procollagen], 55);

    // Without reactions the counts stay, and the step count is the same.
    cell ecm = typed(ECM);
    ecm.species[EGF] = 12;
    ecm.species.resize(3);
    EXPECT_EQ(biology->UpdateCellState(&ecm), 11);
    EXPECT_EQ(ecm.species, (std::vector<int>{0, 12, 0, 0, 0, 0, 0}));

    // No time span, no step.
    biology->DeltaT = 0.0;
    ecm.species[KGF] = -3;
    EXPECT_EQ(biology->UpdateCellState(&ecm), 0);
    EXPECT_EQ(ecm.species[KGF], 0);
}

TEST_F(BiologyModel, CountsSaturateAndStayAtLeastZero)
{
    // Degradation 10000 (10^-4 per minute) gives kd = 1: the amount would be
    // driven below zero by the drift alone.
    exec("UPDATE cytokine SET degradation = 10000 WHERE name = 'TGFb'");
    auto biology = build();
    cell ecm = typed(ECM);
    ecm.species[EGF] = 70000;
    biology->UpdateCellState(&ecm);
    EXPECT_EQ(ecm.species[EGF], 65535);

    cell k = typed(Keratinocyte);
    k.species[TGFb] = 30;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 20; ++i) {
        biology->UpdateCellState(&k);
        ASSERT_GE(k.species[TGFb], 0);
    }
    testing::internal::GetCapturedStdout();
    EXPECT_LT(k.species[TGFb], 10);
}

TEST_F(BiologyModel, ConstantSynthesisHasTheLangevinMeanAndVariance)
{
    // Keratinocyte makes TGFb at ks = 0.4 * 250 = 100 and nothing removes it:
    // over DeltaT = 1 in 11 steps of 0.1 the amount gains 110 on average with
    // variance 11 * 0.1 * 100 = 110, and the count is its integer part.
    exec("UPDATE cytokine_cell SET synthesis = 250 WHERE cytokinename = 'TGFb' AND cellname = 'Keratinocyte'");
    exec("UPDATE cytokine SET degradation = 0 WHERE name = 'TGFb'");
    auto biology = build();
    const int trials = 1000;
    double sum = 0.0;
    double squares = 0.0;
    testing::internal::CaptureStdout();
    for (int i = 0; i < trials; ++i) {
        cell c = typed(Keratinocyte);
        c.species[TGFb] = 1000;
        biology->UpdateCellState(&c);
        sum += c.species[TGFb];
        squares += static_cast<double>(c.species[TGFb]) * c.species[TGFb];
    }
    testing::internal::GetCapturedStdout();
    const double mean = sum / trials;
    const double variance = (squares - trials * mean * mean) / (trials - 1);
    // Truncation lowers the mean by about 0.5 and adds about 1/12 of variance.
    EXPECT_NEAR(mean, 1109.5, 4.0 * std::sqrt(110.0 / trials));
    EXPECT_NEAR(variance, 110.08, 4.0 * 110.0 * std::sqrt(2.0 / (trials - 1)));
}

TEST_F(BiologyModel, MissingOrIncompleteFilesAreReported)
{
    ASSERT_TRUE(writeModelFiles());
    QFile::remove(model_files::cellTypeFile("Fibroblast"));
    {
        Biology biology;
        EXPECT_FALSE(biology.isLoaded());
        EXPECT_EQ(biology.loadMessage(),
                  QString("ERROR: cannot read the model file %1!").arg(model_files::cellTypeFile("Fibroblast")));
        cell c = typed(Fibroblast);
        c.species[EGF] = 5;
        EXPECT_EQ(biology.UpdateCellState(&c), 11);
        EXPECT_EQ(c.species[EGF], 5);
        EXPECT_EQ(biology.CalcValueProbGrowthDiv(&c), 0.0);
    }

    // A common file without "DeltaT".
    ASSERT_TRUE(writeModelFiles());
    QFile common(model_files::commonFile());
    ASSERT_TRUE(common.open(QIODevice::ReadOnly));
    QByteArray text = common.readAll();
    common.close();
    text.replace("id=\"DeltaT\"", "id=\"DeltaX\"");
    ASSERT_TRUE(common.open(QIODevice::WriteOnly | QIODevice::Truncate));
    common.write(text);
    common.close();
    {
        Biology biology;
        EXPECT_EQ(biology.loadMessage(), QString("ERROR: the common model file %1 lacks the parameter DeltaT!")
                                             .arg(model_files::commonFile()));
        EXPECT_EQ(biology.getDeltaT(), 0.0);
    }

    // Nothing at all.
    deleteModelFiles();
    Biology empty;
    EXPECT_FALSE(empty.isLoaded());
    EXPECT_EQ(empty.getNumRealSpecies(), 0);
    cell c = typed(ECM);
    EXPECT_EQ(empty.UpdateCellState(&c), 0);
}

TEST_F(BiologyModel, EveryEngineReadsTheModelFiles)
{
    model_env::useModelFiles();
    ASSERT_TRUE(model_env::writeModelFiles());
    dbReader engine;
    ASSERT_NE(engine.biology, nullptr);
    EXPECT_TRUE(engine.biology->isLoaded()) << engine.biology->loadMessage().toStdString();
    EXPECT_EQ(engine.biology->networks.size(), 6u);
}

TEST_F(BiologyModel, ProgressDialogCountsTypesAndCytokines)
{
    // Six types and seven cytokines in the tables: maximum 15; 1 for the
    // common network, 2 to 7 for the types, 8 after the common file, then one
    // step per cytokine.
    ASSERT_TRUE(writeModelFiles());
    ProgressWatch watch("Biology");
    {
        Biology biology;
        EXPECT_TRUE(biology.isLoaded());
    }
    watch.stop();
    EXPECT_EQ(watch.label, QString("Read biology information into database..."));
    EXPECT_EQ(watch.maximum, 15);
    const QList<int> expected{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    ASSERT_GE(watch.values.size(), expected.size());
    EXPECT_EQ(watch.values.mid(0, expected.size()), expected);
}

TEST_F(BiologyModel, LangevinStepsDrawOneDeviatePerColumnInColumnOrder)
{
    // Keratinocyte's columns: SynMMP, SynTGFb, DegMMP, DegTGFb; ks_MMP = 0,
    // ks_TGFb = 0.4 * 250 = 100, kd_TGFb = 1000E-4. MMP has rate 0 both ways
    // and keeps its count; TGFb follows the Euler-Maruyama step on whole
    // counts, with noise of a few counts per step.
    exec("UPDATE cytokine_cell SET synthesis = 250 WHERE cytokinename = 'TGFb' AND cellname = 'Keratinocyte'");
    exec("UPDATE cytokine SET degradation = 1000 WHERE name = 'TGFb'");
    auto biology = build();
    std::srand(7);
    numeric_detail::randn_trig_reset();
    double x = 1000.0;
    int count = 1000;
    for (int step = 0; step < 11; ++step) {
        double N[4];
        const double a[4] = {0.0, 100.0, 0.0, 0.1 * count};
        for (double& n : N)
            n = randn_trig(0.0, 1.0);
        const double drift = a[1] - a[3];
        const double noise = std::sqrt(a[1]) * N[1] - std::sqrt(a[3]) * N[3];
        x = std::max(0.0, x + 0.1 * drift + 0.31622776601683794 * noise);
        count = static_cast<int>(x);
    }

    std::srand(7);
    numeric_detail::randn_trig_reset();
    cell c = typed(Keratinocyte);
    c.species[TGFb] = 1000;
    c.species[MMP] = 40;
    testing::internal::CaptureStdout();
    EXPECT_EQ(biology->UpdateCellState(&c), 11);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(c.species[TGFb], count);
    EXPECT_EQ(c.species[MMP], 40);
    // The next deviate is the one after the 44 the update drew.
    const double next = randn_trig(0.0, 1.0);
    std::srand(7);
    numeric_detail::randn_trig_reset();
    for (int i = 0; i < 44; ++i)
        randn_trig(0.0, 1.0);
    EXPECT_EQ(randn_trig(0.0, 1.0), next);
}

TEST_F(BiologyModel, TwoCellTypesOfOneNameKeepTheirOwnModels)
{
    for (const char* weight : {"0.25", "0.75"})
        exec(QString("INSERT INTO cell (name, description, young, poisson, Factin, red, green, blue, growth_coef, "
                     "migration_coef, death_coef, quiet_coef, use, static, boundary) "
                     "VALUES ('Twin', '', 1, 1, 1, 1, 1, 1, 0, 0, 0, %1, 1, 0, 0)")
                 .arg(weight));
    auto biology = build();
    ASSERT_EQ(biology->networks.size(), 8u);
    EXPECT_TRUE(biology->isLoaded());
    cell first = typed(6);
    cell second = typed(7);
    EXPECT_DOUBLE_EQ(biology->CalcValueProbDoNothing(&first), 0.25);
    EXPECT_DOUBLE_EQ(biology->CalcValueProbDoNothing(&second), 0.75);
    deleteModelFiles();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());
}
