// The cytokine form's record actions and field edits. "&Add" checks
// everything first and writes in one transaction, so a refused or failed Add
// writes nothing and the record stays open; every edit of a shown cytokine
// is written at once, keyed by its name, and a rate only when it is one.
#include "editors/cytokineform.h"

#include "editors/record_checks.h"

#include <QCheckBox>
#include <QDataWidgetMapper>
#include <QLineEdit>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRelationalTableModel>
#include <QTableWidget>

#include <algorithm>

void cytokineForm::addCytokine()
{
    if (!adding)
        return;
    const QString title = tr("Add New Cytokine");
    const QString name = shownName();
    const QString description = descriptionEdit->text();
    double diffusion = 0;
    double degradation = 0;

    QString problem = record_checks::cytokineNameProblem(name);
    if (problem.isEmpty() && description.isEmpty())
        problem = tr("Please add description for %1!").arg(name);
    if (problem.isEmpty() && !record_checks::parseAmount(diffusionEdit->text(), &diffusion))
        problem = tr("Please input the diffusion rate for %1!").arg(name);
    if (problem.isEmpty() && !record_checks::parseAmount(degradationEdit->text(), &degradation))
        problem = tr("Please input the degradation rate for %1!").arg(name);
    const QVector<record_checks::SynthesisRow> syntheses = record_checks::synthesisRowsOf(synthesisTable);
    for (const record_checks::SynthesisRow& row : syntheses) {
        if (problem.isEmpty() && row.checked && row.rate == QLatin1String("NA"))
            problem = tr("The synthesis rate from %1 is NA!").arg(row.partner);
    }
    QString cell;
    if (problem.isEmpty() && record_checks::findRateFault(syntheses, &cell) != record_checks::RateFault::None)
        problem = tr("The synthesis rate from %1 must be a number of at least 0!").arg(cell);
    if (!problem.isEmpty()) {
        warn(title, problem);
        return;
    }

    record_checks::Transaction transaction;
    QSqlQuery insert;
    bool ok = record_checks::run(QStringLiteral("INSERT INTO cytokine (name, extension, description, incell, "
                                                "diffusion, degradation, use) VALUES (?, 1, ?, 0, ?, ?, ?)"),
                                 {name, description, diffusion, degradation, useCheckBox->isChecked() ? 1 : 0},
                                 &insert);
    const int id = insert.lastInsertId().toInt();
    ok = ok && record_checks::syncSyntheses(name, false, syntheses);
    finishAdd(ok, transaction, id, title);
}

void cytokineForm::cancelCytokine()
{
    dropNew();
}

void cytokineForm::deleteCytokine()
{
    // The regulate, behavior and cue rows that name the cytokine stay.
    deleteShown(tr("Delete Cytokine"), {QStringLiteral("DELETE FROM cytokine_cell WHERE cytokinename = ?"),
                                        QStringLiteral("DELETE FROM cytokine WHERE name = ?")});
}

void cytokineForm::closeCytokine()
{
    close();
}

void cytokineForm::descriptionChanged()
{
    if (writable())
        record_checks::run(QStringLiteral("UPDATE cytokine SET description = ? WHERE name = ?"),
                           {descriptionEdit->text(), shownName()});
}

void cytokineForm::useChanged()
{
    if (writable())
        record_checks::run(QStringLiteral("UPDATE cytokine SET use = ? WHERE name = ?"),
                           {useCheckBox->checkState() == Qt::Checked ? 1 : 0, shownName()});
}

void cytokineForm::writeRate(const char* column, const QLineEdit* edit)
{
    double rate = 0;
    if (writable() && record_checks::parseAmount(edit->text(), &rate))
        record_checks::run(QStringLiteral("UPDATE cytokine SET %1 = ? WHERE name = ?").arg(QLatin1String(column)),
                           {rate, shownName()});
}

void cytokineForm::diffusionChanged()
{
    writeRate("diffusion", diffusionEdit);
}

void cytokineForm::degradationChanged()
{
    writeRate("degradation", degradationEdit);
}

void cytokineForm::cellInfoChanged()
{
    if (!writable())
        return;
    record_checks::writeSynthesisTable(this, synthesisTable, shownName(), false,
                                       tr("Update Cytokine Information"), tr("The synthesis rate from %1 is NULL!"),
                                       tr("The synthesis rate from %1 must be a number of at least 0!"));
}
