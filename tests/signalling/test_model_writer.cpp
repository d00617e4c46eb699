// The model files written from the parameter database, read back with libSBML.
#include "model/parameter_database.h"
#include "signalling/model_files.h"
#include "signalling/model_writer.h"
#include "signalling/network.h"
#include "signalling/state.h"

#include "support/model_env.h"
#include "support/progress_watch.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <sbml/SBMLTypes.h>

#include <memory>

namespace {

class ModelWriter : public ::testing::Test {
protected:
    void SetUp() override
    {
        model_env::seedDefaultDatabase();
        ASSERT_TRUE(dir.isValid());
        model_files::setDirectory(dir.path());
    }
    void TearDown() override
    {
        deleteModelFiles();
        model_files::setDirectory(QString());
        close_parameter_database();
    }

    static void exec(const QString& statement)
    {
        QSqlQuery query;
        ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
    }

    // Reads a file with libSBML and checks it: no read errors, and no
    // consistency problems beyond units and modelling practice.
    static std::unique_ptr<SBMLDocument> readChecked(const QString& path)
    {
        std::unique_ptr<SBMLDocument> doc(readSBML(path.toLocal8Bit().constData()));
        EXPECT_EQ(doc->getNumErrors(), 0u) << path.toStdString();
        doc->setConsistencyChecks(LIBSBML_CAT_UNITS_CONSISTENCY, false);
        doc->setConsistencyChecks(LIBSBML_CAT_MODELING_PRACTICE, false);
        const unsigned int problems = doc->checkConsistency();
        std::string report;
        for (unsigned int i = 0; i < doc->getNumErrors(); ++i)
            report += doc->getError(i)->getMessage() + "\n";
        EXPECT_EQ(problems, 0u) << path.toStdString() << "\n" << report;
        return doc;
    }

    // "id=value" per parameter in file order, with " const=false" when the
    // attribute is written.
    static QStringList parameters(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QStringList out;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("parameter")) {
                const auto a = xml.attributes();
                QString text = a.value("id").toString() + "=" + a.value("value").toString();
                if (a.hasAttribute("constant"))
                    text += " const=" + a.value("constant").toString();
                out << text;
            }
        }
        return out;
    }

    // The files written into this test's directory (the test main wrote others).
    QStringList writtenHere() const
    {
        QStringList out;
        for (const QString& path : model_files::writtenFiles())
            if (path.startsWith(dir.path() + "/"))
                out << path;
        return out;
    }

    static std::vector<std::string> reactions(const Model* model)
    {
        std::vector<std::string> ids;
        for (unsigned int i = 0; i < model->getNumReactions(); ++i)
            ids.push_back(model->getReaction(i)->getId());
        return ids;
    }

    static std::string formula(const Model* model, const std::string& variable)
    {
        const Rule* rule = model->getRule(variable);
        if (!rule)
            return "(no rule)";
        char* text = SBML_formulaToString(rule->getMath());
        std::string out = text;
        free(text);
        return out;
    }

    QTemporaryDir dir;
};

}

TEST_F(ModelWriter, DefaultDatabaseFilesAreValidSbml)
{
    ASSERT_TRUE(writeModelFiles());
    const QStringList types{"ECM", "BM", "Fibroblast", "Keratinocyte", "FC", "Macrophage"};
    for (const QString& type : types) {
        const QString path = dir.filePath("m" + type + ".xml");
        ASSERT_TRUE(QFile::exists(path));
        auto doc = readChecked(path);
        const Model* model = doc->getModel();
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->getId(), type.toStdString());
        ASSERT_EQ(model->getNumSpecies(), 7u);
        EXPECT_EQ(model->getSpecies(0)->getId(), "Collagen");
        EXPECT_EQ(model->getSpecies(6)->getId(), "PDGF");
        EXPECT_EQ(model->getNumRules(), 4u);
    }
    QFile text(dir.filePath("mECM.xml"));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QByteArray content = text.readAll();
    // One line: declaration, the document, one final line end.
    EXPECT_EQ(content.count('\n'), 1);
    EXPECT_TRUE(content.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?><sbml "));
    EXPECT_TRUE(content.contains("<compartment id=\"default\" size=\"1\"/>"));
    EXPECT_TRUE(content.contains("<species id=\"EGF\" name=\"EGF\" compartment=\"default\" initialAmount=\"0\" charge=\"0\"/>"));
}

TEST_F(ModelWriter, ParametersOfTheDefaultTypes)
{
    ASSERT_TRUE(writeModelFiles());
    EXPECT_EQ(parameters(dir.filePath("mKeratinocyte.xml")),
              QStringList({"ks_TGFb=0.052", "ks_MMP=0", "kd_TGFb=2.5E-4", "kd_MMP=0E-4",
                           "Prob_DoNothing=0.0 const=false", "Prob_GrowthDiv=0.0 const=false",
                           "Prob_Migration=0.0 const=false", "Prob_Apoptosis=0.0 const=false",
                           "kdonothing0=1", "kdonothing_1=0.78", "kgrowthdiv0=1", "kgrowthdiv_1=0.11",
                           "kgrowthdiv_EGF=0.035", "kgrowthdiv_KGF=0.0015", "kgrowthdiv_TGFb=0.075",
                           "kmigration0=1", "kmigration_1=0.11", "kmigration_EGF=0.05", "kapoptosis0=1",
                           "kapoptosis_1=0"}));
    EXPECT_EQ(parameters(dir.filePath("mECM.xml")),
              QStringList({"Prob_DoNothing=0.0 const=false", "Prob_GrowthDiv=0.0 const=false",
                           "Prob_Migration=0.0 const=false", "Prob_Apoptosis=0.0 const=false",
                           "kdonothing0=1", "kdonothing_1=1", "kgrowthdiv0=1", "kgrowthdiv_1=0",
                           "kmigration0=1", "kmigration_1=0", "kapoptosis0=1", "kapoptosis_1=0"}));
    const QStringList fibroblast = parameters(dir.filePath("mFibroblast.xml"));
    EXPECT_EQ(fibroblast.mid(0, 6), QStringList({"ks_EGF=0.204", "ks_TGFb=0.052", "ks_KGF=1.6", "kd_EGF=6.1E-4",
                                                 "kd_TGFb=2.5E-4", "kd_KGF=1.1E-4"}));
}

TEST_F(ModelWriter, ReactionOrderAndProbabilityRules)
{
    ASSERT_TRUE(writeModelFiles());
    auto ecm = readChecked(dir.filePath("mECM.xml"));
    EXPECT_EQ(ecm->getModel()->getNumReactions(), 0u);
    EXPECT_EQ(formula(ecm->getModel(), "Prob_GrowthDiv"), "kgrowthdiv0 * kgrowthdiv_1");
    QFile ecmText(dir.filePath("mECM.xml"));
    ASSERT_TRUE(ecmText.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ecmText.readAll().contains("listOfReactions"));

    auto fibroblast = readChecked(dir.filePath("mFibroblast.xml"));
    EXPECT_EQ(reactions(fibroblast->getModel()),
              (std::vector<std::string>{"SynEGF", "SynKGF", "SynTGFb", "DegEGF", "DegKGF", "DegTGFb"}));
    const Reaction* deg = fibroblast->getModel()->getReaction("DegKGF");
    EXPECT_EQ(deg->getReactant(0)->getSpecies(), "KGF");
    EXPECT_EQ(deg->getReactant(0)->getStoichiometry(), 1.0);
    EXPECT_FALSE(deg->getReversible());
    char* law = SBML_formulaToString(deg->getKineticLaw()->getMath());
    EXPECT_STREQ(law, "default * kd_KGF * KGF");
    free(law);

    auto fc = readChecked(dir.filePath("mFC.xml"));
    EXPECT_EQ(reactions(fc->getModel()), (std::vector<std::string>{"SynEGF", "SynKGF", "SynPDGF", "SynTGFb", "DegEGF",
                                                                   "DegKGF", "DegPDGF", "DegTGFb"}));
    auto keratinocyte = readChecked(dir.filePath("mKeratinocyte.xml"));
    const Model* k = keratinocyte->getModel();
    EXPECT_EQ(reactions(k), (std::vector<std::string>{"SynMMP", "SynTGFb", "DegMMP", "DegTGFb"}));
    // Class 7 growth, class 2 migration, class 1 for the other two.
    EXPECT_EQ(formula(k, "Prob_GrowthDiv"),
              "kgrowthdiv0 * kgrowthdiv_1 * (1 + kgrowthdiv_EGF * EGF) * (1 + kgrowthdiv_KGF * KGF) / "
              "(1 + kgrowthdiv_TGFb * TGFb)");
    EXPECT_EQ(formula(k, "Prob_Migration"), "kmigration0 * kmigration_1 * (1 + kmigration_EGF * EGF)");
    EXPECT_EQ(formula(k, "Prob_DoNothing"), "kdonothing0 * kdonothing_1");
    EXPECT_EQ(k->getRule(0)->getVariable(), "Prob_DoNothing");
    EXPECT_EQ(k->getRule(3)->getVariable(), "Prob_Apoptosis");

    // Evaluated through the reader: 0.11 (1 + 0.035 EGF)(1 + 0.0015 KGF) / (1 + 0.075 TGFb).
    Network net;
    ASSERT_EQ(net.initializeNetwork(dir.filePath("mKeratinocyte.xml").toLocal8Bit().constData()), 0);
    State state(7);
    state.setStateValue(1, 10);  // EGF
    state.setStateValue(2, 4);   // TGFb
    state.setStateValue(4, 100); // KGF
    EXPECT_DOUBLE_EQ(net.getValueOfParameter("Prob_GrowthDiv", 0, &state),
                     0.11 * (1 + 0.035 * 10) * (1 + 0.0015 * 100) / (1 + 0.075 * 4));
}

TEST_F(ModelWriter, RegulatedSynthesisAndInhibitingBehaviours)
{
    // Fibroblast's EGF raised by KGF; its KGF raised by EGF and lowered by
    // TGFb and twice by MMP; its growth promoted by EGF, inhibited by TGFb
    // and PDGF; a duplicate behaviour row and a row naming no cytokine.
    exec("INSERT INTO regulate (cytokinename, cytokineid, cytokine_cellid, regulate_type, regulate_coef) "
         "SELECT 'KGF', 5, id, 0, 2 FROM cytokine_cell WHERE cytokinename = 'EGF' AND cellname = 'Fibroblast'");
    for (const char* row : {"'EGF', 2, id, 0, 0.5", "'TGFb', 3, id, 1, 0.25", "'MMP', 4, id, 1, 0.125",
                            "'MMP', 4, id, 1, 0.0625", "'Ghost', 9, id, 0, 1", "'PDGF', 7, id, 5, 3"})
        exec(QString("INSERT INTO regulate (cytokinename, cytokineid, cytokine_cellid, regulate_type, regulate_coef) "
                     "SELECT %1 FROM cytokine_cell WHERE cytokinename = 'KGF' AND cellname = 'Fibroblast'")
                 .arg(row));
    for (const char* row : {"'EGF', 1, 0.5", "'TGFb', 2, 0.25", "'PDGF', 2, 0.125", "'EGF', 1, 0.75",
                            "'Ghost', 2, 1"})
        exec(QString("INSERT INTO behavior (cellname, cellid, cytokineid, cytokinename, growth_type, growth_coef, migration_type, "
                     "migration_coef, death_type, death_coef, quiet_type, quiet_coef, cycle_type, cycle_coef) "
                     "VALUES ('Fibroblast', 3, 0, %1, 0, 0, 0, 0, 0, 0, 0, 0)")
                 .arg(row));
    ASSERT_TRUE(writeModelFiles());

    const QString path = dir.filePath("mFibroblast.xml");
    auto doc = readChecked(path);
    const Model* model = doc->getModel();
    const QStringList params = parameters(path);
    EXPECT_EQ(params.mid(0, 3), QStringList({"ks_EGF=0 const=false", "ks0_EGF=0.204", "ks1_EGF_KGF=2"}));
    EXPECT_TRUE(params.contains("ks1_KGF_MMP=0.125"));
    EXPECT_TRUE(params.contains("ks1_KGF_MMP__2=0.0625"));
    EXPECT_TRUE(params.contains("ks1_KGF_PDGF=3"));
    EXPECT_TRUE(params.contains("kgrowthdiv_EGF__2=0.75"));
    EXPECT_FALSE(params.join(" ").contains("Ghost"));

    EXPECT_EQ(formula(model, "ks_EGF"), "ks0_EGF * (1 + ks1_EGF_KGF * KGF)");
    EXPECT_EQ(formula(model, "ks_KGF"),
              "ks0_KGF * (1 + ks1_KGF_EGF * EGF) * (1 / ((1 + ks1_KGF_TGFb * TGFb) * (1 + ks1_KGF_MMP * MMP) * "
              "(1 + ks1_KGF_MMP__2 * MMP)))");
    EXPECT_EQ(formula(model, "Prob_GrowthDiv"),
              "kgrowthdiv0 * kgrowthdiv_1 * (1 + kgrowthdiv_EGF * EGF) * (1 + kgrowthdiv_EGF__2 * EGF) / "
              "((1 + kgrowthdiv_TGFb * TGFb) * (1 + kgrowthdiv_PDGF * PDGF))");
    // Rules: the four probabilities, then the regulated rates in name order.
    ASSERT_EQ(model->getNumRules(), 6u);
    EXPECT_EQ(model->getRule(4)->getVariable(), "ks_EGF");
    EXPECT_EQ(model->getRule(5)->getVariable(), "ks_KGF");

    // A single down-regulator: the divide holds the factor itself (class 4).
    exec("DELETE FROM regulate");
    exec("INSERT INTO regulate (cytokinename, cytokineid, cytokine_cellid, regulate_type, regulate_coef) "
         "SELECT 'TGFb', 3, id, 1, 0.25 FROM cytokine_cell WHERE cytokinename = 'KGF' AND cellname = 'Fibroblast'");
    ASSERT_TRUE(writeModelFiles());
    auto again = readChecked(path);
    EXPECT_EQ(formula(again->getModel(), "ks_KGF"), "ks0_KGF * (1 / (1 + ks1_KGF_TGFb * TGFb))");
}

TEST_F(ModelWriter, CommonFileAndNumberTexts)
{
    ASSERT_TRUE(writeModelFiles());
    auto common = readChecked(dir.filePath("mcommon.xml"));
    const Model* model = common->getModel();
    EXPECT_FALSE(model->isSetId());
    EXPECT_EQ(model->getNumSpecies(), 7u);
    EXPECT_EQ(model->getNumRules(), 0u);
    EXPECT_EQ(model->getNumReactions(), 0u);
    EXPECT_EQ(parameters(dir.filePath("mcommon.xml")),
              QStringList({"D0=1.9E7", "DeltaT=1", "D_Collagen=0E-9", "D_EGF=5.2E-9", "D_TGFb=2.9E-9", "D_MMP=0E-9",
                           "D_KGF=4.9E-9", "D_Procollagen=0E-9", "D_PDGF=28E-9"}));

    // Values whose own text has an exponent are scaled, not suffixed.
    exec("UPDATE cytokine SET diffusion = 0.00001, degradation = 0.00002 WHERE name = 'TGFb'");
    ASSERT_TRUE(writeModelFiles());
    auto scaled = readChecked(dir.filePath("mcommon.xml"));
    EXPECT_DOUBLE_EQ(scaled->getModel()->getParameter("D_TGFb")->getValue(), 1e-14);
    auto fibroblast = readChecked(dir.filePath("mFibroblast.xml"));
    EXPECT_DOUBLE_EQ(fibroblast->getModel()->getParameter("kd_TGFb")->getValue(), 2e-9);
    EXPECT_FALSE(parameters(dir.filePath("mcommon.xml")).join(" ").contains("E-9e"));
}

TEST_F(ModelWriter, NamesThatAreNotIdentifiers)
{
    exec("INSERT INTO cytokine (name, extension, description, incell, diffusion, degradation, use) "
         "VALUES ('bad name', 0, '', 0, 1, 1, 1)");
    exec("INSERT INTO cytokine (name, extension, description, incell, diffusion, degradation, use) "
         "VALUES ('EGF', 0, '', 0, 1, 1, 1)");
    exec("INSERT INTO cytokine (name, extension, description, incell, diffusion, degradation, use) "
         "VALUES ('default', 0, '', 0, 1, 1, 1)");
    exec("INSERT INTO cell (name, description, young, poisson, Factin, red, green, blue, growth_coef, migration_coef, "
         "death_coef, quiet_coef, use, static, boundary) VALUES ('../evil & \"x\"', '', 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 0)");
    exec("INSERT INTO cytokine_cell (cytokinename, cytokineid, cellname, cellid, synthesis) "
         "VALUES ('bad name', 8, 'Fibroblast', 3, 1)");
    ASSERT_TRUE(writeModelFiles());

    const QStringList written = writtenHere();
    EXPECT_EQ(written.size(), 8);
    for (const QString& path : written) {
        EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(dir.path()).absolutePath()) << path.toStdString();
        auto doc = readChecked(path);
        ASSERT_NE(doc->getModel(), nullptr);
        EXPECT_EQ(doc->getModel()->getNumSpecies(), 10u);
        EXPECT_EQ(doc->getModel()->getSpecies(7)->getName(), "bad name");
    }
    auto fibroblast = readChecked(model_files::cellTypeFile("Fibroblast"));
    EXPECT_EQ(fibroblast->getModel()->getNumReactions(), 6u);
    auto evil = readChecked(model_files::cellTypeFile("../evil & \"x\""));
    EXPECT_FALSE(evil->getModel()->isSetId());
}

TEST_F(ModelWriter, EmptyTables)
{
    exec("DELETE FROM cytokine");
    ASSERT_TRUE(writeModelFiles());
    QFile ecm(dir.filePath("mECM.xml"));
    ASSERT_TRUE(ecm.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ecm.readAll().contains("<listOfSpecies/>"));
    EXPECT_EQ(parameters(dir.filePath("mcommon.xml")), QStringList({"D0=1.9E7", "DeltaT=1"}));

    exec("DELETE FROM cell");
    deleteModelFiles();
    ASSERT_TRUE(writeModelFiles());
    EXPECT_EQ(writtenHere(), QStringList({dir.filePath("mcommon.xml")}));
}

TEST_F(ModelWriter, FailuresAreReported)
{
    // The second file cannot be opened: a directory stands at its path.
    ASSERT_TRUE(QDir(dir.path()).mkdir("mBM.xml"));
    QString failure;
    EXPECT_FALSE(writeModelFiles(&failure));
    EXPECT_EQ(failure, QString("Can't write mBM.xml in read-only Folder.\nPlease add write privilege to the Vantu "
                               "installation folder %1!")
                           .arg(dir.filePath("mBM.xml")));
    EXPECT_TRUE(QFile::exists(dir.filePath("mECM.xml")));
    EXPECT_FALSE(QFile::exists(dir.filePath("mFibroblast.xml")));
    EXPECT_FALSE(QFile::exists(dir.filePath("mcommon.xml")));
    ASSERT_TRUE(QDir(dir.path()).rmdir("mBM.xml"));

    // A file that opens but cannot take the text is a failure too.
    ASSERT_TRUE(QFile::link("/dev/full", dir.filePath("mFC.xml")));
    EXPECT_FALSE(writeModelFiles(&failure));
    EXPECT_TRUE(failure.startsWith("Can't write mFC.xml in read-only Folder."));
    QFile::remove(dir.filePath("mFC.xml"));

    // The common file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("mcommon.xml"));
    EXPECT_FALSE(writeModelFiles(&failure));
    EXPECT_EQ(failure, QString("Can't write mcommon.xml in read-only folder.\nPlease add write privilege to the "
                               "Vantu installation folder %1!")
                           .arg(dir.path()));
    ASSERT_TRUE(QDir(dir.path()).rmdir("mcommon.xml"));

    // The command shows the box.
    model_files::setDirectory(dir.filePath("missing"));
    QString title;
    QString text;
    // The progress dialog is modal too: wait for the box itself.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    answer.start(20);
    EXPECT_FALSE(createModelFiles());
    answer.stop();
    EXPECT_EQ(title, QString("Read only"));
    EXPECT_TRUE(text.startsWith("Can't write mECM.xml in read-only Folder."));
}

TEST_F(ModelWriter, RemovalTakesExactlyTheWrittenFiles)
{
    QFile other(dir.filePath("mOther.xml"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    ASSERT_TRUE(writeModelFiles());
    EXPECT_EQ(writtenHere().size(), 7);
    // A type renamed after writing still has its file removed.
    exec("UPDATE cell SET name = 'Renamed' WHERE name = 'BM'");
    deleteModelFiles();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"mOther.xml"}));
    deleteModelFiles();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"mOther.xml"}));
}

TEST_F(ModelWriter, ReactionsFollowCodeUnitOrderOfNames)
{
    // ECM synthesises every cytokine, one of them twice: PDGF precedes
    // Procollagen ('D' before 'r'); degradation parameters keep table order.
    for (const char* name : {"Collagen", "EGF", "TGFb", "MMP", "KGF", "Procollagen", "PDGF", "EGF"})
        exec(QString("INSERT INTO cytokine_cell (cytokinename, cytokineid, cellname, cellid, synthesis) "
                     "VALUES ('%1', 0, 'ECM', 1, 1)")
                 .arg(name));
    ASSERT_TRUE(writeModelFiles());
    auto doc = readChecked(dir.filePath("mECM.xml"));
    EXPECT_EQ(reactions(doc->getModel()),
              (std::vector<std::string>{"SynCollagen", "SynEGF", "SynKGF", "SynMMP", "SynPDGF", "SynProcollagen",
                                        "SynTGFb", "DegCollagen", "DegEGF", "DegKGF", "DegMMP", "DegPDGF",
                                        "DegProcollagen", "DegTGFb"}));
    const QStringList params = parameters(dir.filePath("mECM.xml"));
    EXPECT_EQ(params.mid(7, 7), QStringList({"kd_Collagen=0E-4", "kd_EGF=6.1E-4", "kd_TGFb=2.5E-4", "kd_MMP=0E-4",
                                             "kd_KGF=1.1E-4", "kd_Procollagen=0E-4", "kd_PDGF=17E-4"}));
}

TEST_F(ModelWriter, ProgressDialogStepsThroughEachFileInThirds)
{
    // Six cell types: s = 33 / 7 = 4, three steps per file, then the maximum
    // (which resets the dialog, so it is seen as its reset value).
    ProgressWatch watch("Cytokine Signaling Database");
    ASSERT_TRUE(writeModelFiles());
    watch.stop();
    EXPECT_EQ(watch.label, QString("Creating database..."));
    EXPECT_EQ(watch.maximum, 99);
    QList<int> expected{0};
    for (int v = 4; v <= 72; v += 4)
        expected << v;
    ASSERT_GE(watch.values.size(), expected.size());
    EXPECT_EQ(watch.values.mid(0, expected.size()), expected);
}

// The seven files of the default database, byte for byte: element order,
// attribute order, identifiers and number texts.
TEST_F(ModelWriter, DefaultDatabaseFilesMatchTheirGoldenText)
{
    ASSERT_TRUE(writeModelFiles());
    const QDir golden(QString::fromLocal8Bit(qgetenv("VANTU_TEST_DATA")) + "/ModelWriterDefaultDatabase");
    for (const char* name : {"mECM.xml", "mBM.xml", "mFibroblast.xml", "mKeratinocyte.xml", "mFC.xml",
                             "mMacrophage.xml", "mcommon.xml"}) {
        SCOPED_TRACE(name);
        QFile expected(golden.filePath(name));
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
        QFile written(dir.filePath(name));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), expected.readAll());
    }
}
