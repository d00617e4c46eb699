// The cell form's record actions: "&Add" stores the record "&New" opened,
// "&Cancel" drops it, "&Delete" removes the shown type with its synthesis
// and adhesion rows, "&Close" ends the form.
//
// Add checks everything first and then writes in one transaction, so a
// refused or failed Add writes nothing and the record stays open for the
// user to mend. The adhesion rows go both ways: the load keeps, of each pair
// of types, the row whose first type has the lower index, which for a new
// type (always the last) is the row that names it second.
#include "editors/cellform.h"

#include "editors/record_checks.h"

#include <QCheckBox>
#include <QDataWidgetMapper>
#include <QHash>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRelationalTableModel>
#include <QTableWidget>

#include <algorithm>

namespace {

// Adhesion of a new type to itself and to types its table does not list.
constexpr double kDefaultAdhesion = 30.0;

struct Adhesion {
    double value = kDefaultAdhesion;
    int degrade = 0;
};

}

void cellForm::addCell()
{
    if (!adding)
        return;
    const QString title = tr("Add New Cell");
    const QString name = shownName();
    const QString description = descriptionEdit->text();

    QString problem = record_checks::cellNameProblem(name);
    if (problem.isEmpty() && description.isEmpty())
        problem = tr("Please add description for %1!").arg(name);
    int percent[4];
    double weights[4];
    readWeights(percent);
    if (problem.isEmpty() && !record_checks::normaliseWeights(percent, weights))
        problem = tr("The stochastic behaviors of %1 are all 0!").arg(name);

    const QVector<record_checks::SynthesisRow> syntheses = record_checks::synthesisRowsOf(synthesisTable);
    for (const record_checks::SynthesisRow& row : syntheses) {
        if (problem.isEmpty() && row.checked && row.rate == QLatin1String("NA"))
            problem = tr("The synthesis rate of %1 is NA!").arg(row.partner);
    }
    QString cytokine;
    if (problem.isEmpty() && record_checks::findRateFault(syntheses, &cytokine) != record_checks::RateFault::None)
        problem = tr("The synthesis rate of %1 must be a number of at least 0!").arg(cytokine);

    const QHash<QString, int> cells = record_checks::cellIds();
    QHash<QString, Adhesion> adhesions;  // by partner type, for the types that exist
    for (int row = 0; row < adhesionTable->rowCount() && problem.isEmpty(); ++row) {
        const QString partner = adhesionTable->item(row, 0)->text();
        if (!cells.contains(partner))
            continue;
        Adhesion a;
        if (!record_checks::parseAmount(adhesionTable->item(row, 1)->text(), &a.value))
            problem = tr("The adhesion to %1 must be a number of at least 0!").arg(partner);
        a.degrade = adhesionTable->item(row, 0)->checkState() == Qt::Checked ? 1 : 0;
        adhesions.insert(partner, a);
    }
    if (!problem.isEmpty()) {
        warn(title, problem);
        return;
    }

    record_checks::Transaction transaction;
    QSqlQuery insert;
    bool ok = record_checks::run(
        QStringLiteral("INSERT INTO cell (name, description, young, poisson, Factin, red, green, blue, "
                       "growth_coef, migration_coef, death_coef, quiet_coef, use, static, boundary) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {name, description, youngSpinBox->value(), poissonSpinBox->value(), factinSpinBox->value(), color.red(),
         color.green(), color.blue(), weights[0], weights[1], weights[2], weights[3],
         useCheckBox->isChecked() ? 1 : 0, staticCheckBox->isChecked() ? 1 : 0,
         boundaryCheckBox->isChecked() ? 1 : 0},
        &insert);
    const int id = insert.lastInsertId().toInt();

    ok = ok && record_checks::syncSyntheses(name, true, syntheses);

    const QString adhesionInsert = QStringLiteral(
        "INSERT INTO adhesion (value, cell1name, cell1id, cell2name, cell2id, degrade) VALUES (?, ?, ?, ?, ?, ?)");
    // Every stored type, in row order, so a type added earlier in this form
    // (which its table does not list) gets the default both ways too.
    for (const QString& partner : record_checks::cellTypeNames()) {
        if (partner == name || !cells.contains(partner))
            continue;
        const Adhesion a = adhesions.value(partner);
        const int partnerId = cells.value(partner);
        ok = ok && record_checks::run(adhesionInsert, {a.value, name, id, partner, partnerId, a.degrade});
        ok = ok && record_checks::run(adhesionInsert, {a.value, partner, partnerId, name, id, 0});
    }
    ok = ok && record_checks::run(adhesionInsert, {kDefaultAdhesion, name, id, name, id, 0});

    finishAdd(ok, transaction, id, title);
}

void cellForm::cancelCell()
{
    dropNew();
}

void cellForm::deleteCell()
{
    // The cue, behavior and regulate rows that name the type stay.
    deleteShown(tr("Delete Cell"), {QStringLiteral("DELETE FROM cytokine_cell WHERE cellname = ?"),
                                    QStringLiteral("DELETE FROM adhesion WHERE cell1name = ?"),
                                    QStringLiteral("DELETE FROM adhesion WHERE cell2name = ?"),
                                    QStringLiteral("DELETE FROM cell WHERE name = ?")});
}

void cellForm::closeCell()
{
    close();
}
