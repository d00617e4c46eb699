#include "editors/record_checks.h"

#include "model/parameter_tables.h"
#include "signalling/model_files.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>

#include <cmath>

namespace record_checks {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("record_checks", text);
}

QStringList namesOf(const char* sql)
{
    QStringList names;
    QSqlQuery query;
    query.exec(QLatin1String(sql));
    while (query.next())
        names << query.value(0).toString();
    return names;
}

QHash<QString, int> idsOf(const char* sql)
{
    QHash<QString, int> ids;
    QSqlQuery query;
    query.exec(QLatin1String(sql));
    while (query.next())
        ids.insert(query.value(1).toString(), query.value(0).toInt());
    return ids;
}

// The checks a cell type and a cytokine share; empty when they pass.
QString commonNameProblem(const QString& name, const char* noName)
{
    if (name.isEmpty())
        return tr(noName);
    if (name.size() > kNameLength)
        return tr("The name is %1 characters long: a name holds at most %2 characters!")
            .arg(name.size())
            .arg(kNameLength);
    if (!model_files::isValidIdentifier(name))
        return tr("The name %1 is not valid: a name begins with a letter or an underscore and holds only "
                  "letters, digits and underscores!")
            .arg(name);
    if (cellTypeNames().contains(name) || cytokineNames().contains(name))
        return tr("The name %1 is already taken by a cell type or a cytokine!").arg(name);
    return QString();
}

}

bool parseAmount(const QString& text, double* value)
{
    // Only plain decimal notation: toDouble alone would also take "inf",
    // "nan" and surrounding blanks.
    static const QRegularExpression number(
        QStringLiteral("^(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0)
        return false;
    if (value)
        *value = v;
    return true;
}

QValidator::State AmountValidator::validate(QString& input, int&) const
{
    if (parseAmount(input))
        return Acceptable;
    static const QRegularExpression prefix(QStringLiteral("^(\\d*\\.?\\d*)([eE][+-]?\\d*)?$"));
    return prefix.match(input).hasMatch() ? Intermediate : Invalid;
}

void RecordDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (edit && amountColumns.contains(index.column())) {
        double value = 0;
        if (parseAmount(edit->text(), &value))
            model->setData(index, value);
        return;
    }
    QSqlRelationalDelegate::setModelData(editor, model, index);
}

QStringList cellTypeNames()
{
    return namesOf("SELECT name FROM cell");
}

QStringList cytokineNames()
{
    return namesOf("SELECT name FROM cytokine");
}

QHash<QString, int> cellIds()
{
    return idsOf("SELECT id, name FROM cell");
}

QHash<QString, int> cytokineIds()
{
    return idsOf("SELECT id, name FROM cytokine");
}

QString cellNameProblem(const QString& name)
{
    const QString problem = commonNameProblem(name, "The new cell doesn't have a name!");
    if (!problem.isEmpty())
        return problem;
    if (model_files::clashesWithCommonFile(name))
        return tr("The name %1 would give the cell type the model file of the common model: please choose "
                  "another!")
            .arg(name);
    if (cellTypeNames().size() >= MAX_CELL_TYPES)
        return tr("There are %1 cell types already, the most the simulation can hold: %2 cannot be added!")
            .arg(MAX_CELL_TYPES)
            .arg(name);
    return QString();
}

QString cytokineNameProblem(const QString& name)
{
    const QString problem = commonNameProblem(name, "The new cytokine doesn't have a name!");
    if (!problem.isEmpty())
        return problem;
    if (model_files::clashesWithModelIds(name, cytokineNames()))
        return tr("The name %1 is used by the signalling model files for something else: please choose "
                  "another!")
            .arg(name);
    return QString();
}

bool run(const QString& sql, const QVariantList& values, QSqlQuery* query)
{
    QSqlQuery own;
    QSqlQuery& q = query ? *query : own;
    if (!q.prepare(sql))
        return false;
    for (const QVariant& value : values)
        q.addBindValue(value);
    return q.exec();
}

bool normaliseWeights(const int percent[4], double fraction[4])
{
    const double weight[4] = {double(percent[0]), double(percent[1]), double(percent[2]), double(percent[3])};
    return normaliseWeights(weight, fraction);
}

bool normaliseWeights(const double weight[4], double fraction[4])
{
    const double sum = weight[0] + weight[1] + weight[2] + weight[3];
    if (!(sum > 0) || !std::isfinite(sum))
        return false;
    for (int k = 0; k < 4; ++k)
        fraction[k] = QString::number(weight[k] / sum, 'g', 6).toDouble();
    return true;
}

QVector<SynthesisRow> synthesisRowsOf(const QTableWidget* table)
{
    QVector<SynthesisRow> rows;
    for (int row = 0; row < table->rowCount(); ++row)
        rows.append({table->item(row, 0)->text(), table->item(row, 1)->text(),
                     table->item(row, 0)->checkState() == Qt::Checked});
    return rows;
}

RateFault findRateFault(const QVector<SynthesisRow>& rows, QString* partner)
{
    for (const SynthesisRow& row : rows) {
        if (!row.checked || row.rate == QLatin1String("NA"))
            continue;
        const RateFault fault = row.rate.isEmpty()         ? RateFault::Empty
                                : !parseAmount(row.rate) ? RateFault::NotAmount
                                                         : RateFault::None;
        if (fault != RateFault::None) {
            *partner = row.partner;
            return fault;
        }
    }
    return RateFault::None;
}

bool syncSyntheses(const QString& shown, bool shownIsCell, const QVector<SynthesisRow>& rows)
{
    const QHash<QString, int> own = shownIsCell ? cellIds() : cytokineIds();
    if (!own.contains(shown))
        return true;
    const QHash<QString, int> partners = shownIsCell ? cytokineIds() : cellIds();

    QHash<QString, double> stored;  // rate by partner
    QSqlQuery query;
    run(shownIsCell ? QStringLiteral("SELECT cytokinename, synthesis FROM cytokine_cell WHERE cellname = ?")
                    : QStringLiteral("SELECT cellname, synthesis FROM cytokine_cell WHERE cytokinename = ?"),
        {shown}, &query);
    while (query.next())
        stored.insert(query.value(0).toString(), query.value(1).toDouble());

    bool ok = true;
    for (const SynthesisRow& row : rows) {
        const QString& cytokine = shownIsCell ? row.partner : shown;
        const QString& cell = shownIsCell ? shown : row.partner;
        double rate = 0;
        if (!row.checked) {
            if (stored.contains(row.partner))
                ok = run(QStringLiteral("DELETE FROM cytokine_cell WHERE cytokinename = ? AND cellname = ?"),
                         {cytokine, cell}) && ok;
        } else if (!parseAmount(row.rate, &rate) || !partners.contains(row.partner)) {
            continue;
        } else if (stored.contains(row.partner)) {
            if (stored.value(row.partner) != rate)
                ok = run(QStringLiteral("UPDATE cytokine_cell SET synthesis = ? WHERE cytokinename = ? AND "
                                        "cellname = ?"),
                         {rate, cytokine, cell}) && ok;
        } else {
            const int cytokineId = shownIsCell ? partners.value(row.partner) : own.value(shown);
            const int cellId = shownIsCell ? own.value(shown) : partners.value(row.partner);
            ok = run(QStringLiteral("INSERT INTO cytokine_cell (cytokinename, cytokineid, cellname, cellid, "
                                    "synthesis) VALUES (?, ?, ?, ?, ?)"),
                     {cytokine, cytokineId, cell, cellId, rate}) && ok;
        }
    }
    return ok;
}

void writeSynthesisTable(QWidget* parent, const QTableWidget* table, const QString& shown, bool shownIsCell,
                         const QString& title, const QString& emptyText, const QString& notAmountText)
{
    const QVector<SynthesisRow> rows = synthesisRowsOf(table);
    QString partner;
    const RateFault fault = findRateFault(rows, &partner);
    if (fault != RateFault::None) {
        QMessageBox::warning(parent, title, (fault == RateFault::Empty ? emptyText : notAmountText).arg(partner),
                             QMessageBox::Ok);
        return;
    }
    Transaction transaction;
    if (syncSyntheses(shown, shownIsCell, rows))
        transaction.commit();
}

Transaction::Transaction() : open(QSqlDatabase::database().transaction()) {}

Transaction::~Transaction()
{
    if (open)
        QSqlDatabase::database().rollback();
}

bool Transaction::commit()
{
    if (!open || !QSqlDatabase::database().commit())
        return false;
    open = false;
    return true;
}

}
