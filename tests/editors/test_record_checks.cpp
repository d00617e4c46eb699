// What the editors accept as an amount and as a new cytokine name; the
// names are checked against every id the model writer actually writes.
#include "editors/record_checks.h"
#include "editor_probes.h"

#include "signalling/model_files.h"
#include "support/model_env.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

TEST(RecordChecks, AmountsAreFiniteNumbersOfAtLeastZeroWrittenPlainly)
{
    struct Case {
        const char* text;
        bool amount;
        QValidator::State typing;  // what the rate fields let the user type
    };
    const Case cases[] = {
        {"0", true, QValidator::Acceptable},      {"0.13", true, QValidator::Acceptable},
        {"12", true, QValidator::Acceptable},     {"2.5e-3", true, QValidator::Acceptable},
        {".5", true, QValidator::Acceptable},     {"12.", true, QValidator::Acceptable},
        {"1.9e+07", true, QValidator::Acceptable}, {"", false, QValidator::Intermediate},
        {"1e", false, QValidator::Intermediate},  {"1e999", false, QValidator::Intermediate},
        {".", false, QValidator::Intermediate},   {"NA", false, QValidator::Invalid},
        {"abc", false, QValidator::Invalid},      {"-1", false, QValidator::Invalid},
        {"inf", false, QValidator::Invalid},      {"nan", false, QValidator::Invalid},
        {" 1", false, QValidator::Invalid},       {"0.5); DELETE FROM cell; --", false, QValidator::Invalid},
    };
    record_checks::AmountValidator validator;
    for (const Case& c : cases) {
        QString text = c.text;
        int pos = 0;
        double value = -1;
        EXPECT_EQ(record_checks::parseAmount(text, &value), c.amount) << c.text;
        if (c.amount) {
            EXPECT_EQ(value, text.toDouble()) << c.text;
        }
        EXPECT_EQ(validator.validate(text, pos), c.typing) << c.text;
    }
}

class RecordNames : public EditorTest {};

TEST_F(RecordNames, NoNewCytokineTakesAnIdTheModelFilesWrite)
{
    model_files::removeWritten();
    ASSERT_TRUE(model_env::writeModelFiles());
    const QStringList files = model_files::writtenFiles();
    ASSERT_EQ(files.size(), 7);

    const QStringList cytokines = record_checks::cytokineNames();
    const QStringList cells = record_checks::cellTypeNames();
    const QRegularExpression idAttribute("\\b(?:id|variable)=\"([^\"]+)\"");
    QSet<QString> ids;
    for (const QString& path : files) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        auto matches = idAttribute.globalMatch(QString::fromUtf8(file.readAll()));
        while (matches.hasNext())
            ids.insert(matches.next().captured(1));
    }
    // The writer's own ids and those the examples name are all among them.
    for (const char* id : {"D0", "Prob_GrowthDiv", "D_EGF", "SynEGF", "DegTGFb", "kd_EGF", "default"})
        EXPECT_TRUE(ids.contains(id)) << id;

    for (const QString& id : ids) {
        if (cytokines.contains(id))
            continue;  // a species: the cytokine itself
        const QString problem = record_checks::cytokineNameProblem(id);
        EXPECT_FALSE(problem.isEmpty()) << id.toStdString();
        if (!cells.contains(id)) {
            EXPECT_TRUE(model_files::clashesWithModelIds(id, cytokines)) << id.toStdString();
        }
    }
    // Names close to the writer's own stay free.
    for (const char* name : {"Synapsin", "Degron", "Dopamine", "IL1", "ks"})
        EXPECT_EQ(record_checks::cytokineNameProblem(name), QString()) << name;
}
