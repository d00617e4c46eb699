#ifndef VANTU_EDITORS_RECORD_CHECKS_H
#define VANTU_EDITORS_RECORD_CHECKS_H

// What the cell and cytokine forms check before they write, and how they
// write. The forms take names and numbers as the user types them, but the
// database trusts nothing: SQLite stores a bound text that is no number in a
// DOUBLE column as that text, and names become SBML identifiers and file
// names. So every amount is parsed here first, every new name is checked
// against the identifier rule and the names already in use, and every
// statement carries its values bound, never pasted into its text.

#include <QHash>
#include <QSqlRelationalDelegate>
#include <QString>
#include <QStringList>
#include <QValidator>
#include <QVector>
#include <QVariantList>

class QSqlQuery;
class QTableWidget;
class QWidget;

namespace record_checks {

// A rate, an adhesion, a diffusion or a degradation as typed: true when the
// text is a finite number of at least 0 (stored in *value when given).
bool parseAmount(const QString& text, double* value = nullptr);

// Lets a line edit hold only amounts and texts that may still become one
// ("", "2.", "1e"): those are Intermediate, a finished amount Acceptable,
// anything else (a sign, a letter, a bracket) Invalid.
class AmountValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// The mapper's delegate of both forms: a model column listed as an amount
// column takes the editor's text only when it is an amount, and then as a
// number; a text that is not one leaves the row as it is.
class RecordDelegate : public QSqlRelationalDelegate {
public:
    RecordDelegate(QList<int> amountColumns, QObject* parent)
        : QSqlRelationalDelegate(parent), amountColumns(std::move(amountColumns)) {}
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    QList<int> amountColumns;
};

// Names of every row of table cell / cytokine, in row order.
QStringList cellTypeNames();
QStringList cytokineNames();
// id of every row of table cell / cytokine by name.
QHash<QString, int> cellIds();
QHash<QString, int> cytokineIds();

// The width of the schema's name columns. SQLite does not hold a text to
// it; the editors do, since a longer type name also makes a model file name
// the file system may refuse.
constexpr int kNameLength = 40;

// Why a new cell type or cytokine may not be called `name`, as the text of
// the warning; empty when it may. Checks, in this order: a name at all, at
// most kNameLength characters, an identifier, a name no cell type or
// cytokine has (names key every table); for a cell type, a model file of its
// own (not the common one); for a cytokine, no id the model files give to
// something else.
QString cellNameProblem(const QString& name);
QString cytokineNameProblem(const QString& name);

// Runs `sql` on the default connection with `values` bound in order; true
// when it ran. The query is left with its result in *query when given.
bool run(const QString& sql, const QVariantList& values = {}, QSqlQuery* query = nullptr);

// The four behaviour weights (percent) as fractions of their sum, rounded to
// six significant digits; false, with nothing set, when all four are 0.
bool normaliseWeights(const int percent[4], double fraction[4]);
// The same for weights given as fractions (each at least 0).
bool normaliseWeights(const double weight[4], double fraction[4]);

// A row of a synthesis table: the partner (a cytokine in the cell form, a
// cell type in the cytokine form), its rate text and whether it is checked.
struct SynthesisRow {
    QString partner;
    QString rate;
    bool checked = false;
};

// The rows of a form's synthesis table (column 0 the partner, checkable;
// column 1 the rate).
QVector<SynthesisRow> synthesisRowsOf(const QTableWidget* table);

// Why a synthesis table cannot be written: a checked row with an empty rate
// or with a rate that is no amount. "NA" is no fault: a row checked before
// its rate is typed is simply not stored yet.
enum class RateFault { None, Empty, NotAmount };
// The first fault of the table, top to bottom, with its row's partner.
RateFault findRateFault(const QVector<SynthesisRow>& rows, QString* partner);

// Brings the cytokine_cell rows of `shown` (a cell type when shownIsCell,
// else a cytokine) in line with a table that findRateFault passed: a row
// unchecked loses its stored row, a checked row with an amount gets it
// stored (inserted with both ids, or its rate updated when it differs);
// "NA" rows and partners no longer stored are passed over. Only what differs
// is written. Runs no transaction of its own; false when a statement failed.
bool syncSyntheses(const QString& shown, bool shownIsCell, const QVector<SynthesisRow>& rows);

// The pass a change of a synthesis table runs, whichever item changed: the
// first rate fault is warned of in a box (parent `parent`, `title`, the
// partner put into emptyText or notAmountText) and nothing is written;
// otherwise the table is synchronised in one transaction.
void writeSynthesisTable(QWidget* parent, const QTableWidget* table, const QString& shown, bool shownIsCell,
                         const QString& title, const QString& emptyText, const QString& notAmountText);

// One transaction on the default connection: rolled back on destruction
// unless commit() succeeded.
class Transaction {
public:
    Transaction();
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    bool commit();

private:
    bool open = false;
};

}

#endif
