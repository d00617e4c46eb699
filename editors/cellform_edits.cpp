// The cell form's field edits: every change of a shown cell type is written
// at once, keyed by its name. Nothing is written while a new record is open
// or while the form refills its own widgets (writable()).
#include "editors/cellform.h"

#include "editors/record_checks.h"
#include "model/parameter_database.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSqlQuery>
#include <QTableWidget>

namespace {

// One column of the shown type's row; `column` is one of the form's own
// column names, never user text.
void writeCell(const char* column, const QVariant& value, const QString& name)
{
    record_checks::run(QStringLiteral("UPDATE cell SET %1 = ? WHERE name = ?").arg(QLatin1String(column)),
                       {value, name});
}

int flag(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

}

void cellForm::chooseColor()
{
    const QColor chosen = QColorDialog::getColor(QColor(), this);
    if (!chosen.isValid())
        return;
    color.setRgb(chosen.red(), chosen.green(), chosen.blue(), color.alpha());
    updateColorLabel(colorLabel, chosen);
    // A new record takes the colour with "&Add".
    if (adding)
        return;
    record_checks::run(QStringLiteral("UPDATE cell SET red = ?, green = ?, blue = ? WHERE name = ?"),
                       {chosen.red(), chosen.green(), chosen.blue(), shownName()});
}

void cellForm::descriptionChanged()
{
    if (writable())
        writeCell("description", descriptionEdit->text(), shownName());
}

void cellForm::useChanged()
{
    if (writable())
        writeCell("use", flag(useCheckBox), shownName());
}

void cellForm::staticChanged()
{
    if (!writable())
        return;
    writeCell("static", flag(staticCheckBox), shownName());
    // A type that is no longer static does not migrate either until its cue
    // says so again; a type without a cue row has nothing to change.
    if (!staticCheckBox->isChecked())
        record_checks::run(QStringLiteral("UPDATE cue SET migrate = ? WHERE cellname = ?"),
                           {int(MigrationMechanism::STATIC), shownName()});
}

void cellForm::boundaryChanged()
{
    if (writable())
        writeCell("boundary", flag(boundaryCheckBox), shownName());
}

void cellForm::youngChanged()
{
    if (writable())
        writeCell("young", youngSpinBox->value(), shownName());
}

void cellForm::poissonChanged()
{
    if (writable())
        writeCell("poisson", poissonSpinBox->value(), shownName());
}

void cellForm::factinChanged()
{
    if (writable())
        writeCell("Factin", factinSpinBox->value(), shownName());
}

void cellForm::behaviorChanged()
{
    if (!writable())
        return;
    int percent[4];
    double weights[4];
    readWeights(percent);
    // All four at 0 give no fractions: the stored weights stay.
    if (!record_checks::normaliseWeights(percent, weights))
        return;
    record_checks::run(QStringLiteral("UPDATE cell SET growth_coef = ?, migration_coef = ?, death_coef = ?, "
                                      "quiet_coef = ? WHERE name = ?"),
                       {weights[0], weights[1], weights[2], weights[3], shownName()});
}

void cellForm::cytokineInfoChanged()
{
    if (!writable())
        return;
    record_checks::writeSynthesisTable(this, synthesisTable, shownName(), true, tr("Update Cell Information"),
                                       tr("The synthesis rate of %1 is NULL!"),
                                       tr("The synthesis rate of %1 must be a number of at least 0!"));
}

void cellForm::degradeInfoChanged(QTableWidgetItem* item)
{
    if (!writable() || !item)
        return;
    const QString name = shownName();
    const int row = item->row();
    const QString partner = adhesionTable->item(row, 0)->text();
    const QHash<QString, int> cells = record_checks::cellIds();
    if (!cells.contains(name) || !cells.contains(partner))
        return;

    // The row as stored, both ways round.
    QSqlQuery query;
    auto stored = [&query](const QString& first, const QString& second, double* value, int* degrade) {
        record_checks::run(QStringLiteral("SELECT value, degrade FROM adhesion WHERE cell1name = ? AND "
                                          "cell2name = ?"),
                           {first, second}, &query);
        if (!query.next())
            return false;
        *value = query.value(0).toDouble();
        *degrade = query.value(1).toInt();
        return true;
    };
    double forwardValue = 0, backwardValue = 0;
    int forwardDegrade = 0, backwardDegrade = 0;
    const bool forward = stored(name, partner, &forwardValue, &forwardDegrade);
    const bool backward = partner != name && stored(partner, name, &backwardValue, &backwardDegrade);

    if (item->column() == 0) {
        // Degrading is one-way: only this type's row of the pair changes.
        const int degrade = item->checkState() == Qt::Checked ? 1 : 0;
        if (forward && degrade != forwardDegrade)
            record_checks::run(QStringLiteral("UPDATE adhesion SET degrade = ? WHERE cell1name = ? AND "
                                              "cell2name = ?"),
                               {degrade, name, partner});
        return;
    }

    double value = 0;
    if (!record_checks::parseAmount(item->text(), &value)) {
        warn(tr("Update Cell Information"), tr("The adhesion to %1 must be a number of at least 0!").arg(partner));
        // The table shows again what is stored.
        ready = false;
        item->setData(Qt::DisplayRole, forward ? QVariant(forwardValue) : QVariant(tr("30")));
        ready = true;
        return;
    }
    // Only an existing pair is updated. The value goes both ways, since the
    // load takes a pair's adhesion from the row of its lower-indexed type;
    // the other pairs of the shown type stay as they are.
    record_checks::Transaction transaction;
    bool ok = true;
    if (forward && value != forwardValue)
        ok = record_checks::run(QStringLiteral("UPDATE adhesion SET value = ? WHERE cell1name = ? AND cell2name = ?"),
                                {value, name, partner});
    if (ok && backward && value != backwardValue)
        ok = record_checks::run(QStringLiteral("UPDATE adhesion SET value = ? WHERE cell1name = ? AND cell2name = ?"),
                                {value, partner, name});
    if (ok)
        transaction.commit();
}
