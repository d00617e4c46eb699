#ifndef VANTU_EDITORS_RECORD_FORM_H
#define VANTU_EDITORS_RECORD_FORM_H

// What "Edit cells" and "Edit cytokines" share: a modal dialog that walks
// through the rows of one table in name order with a table model and a
// widget mapper, the navigation and record buttons, and the two record
// states. Browsing (adding false): navigation on, "&Add" and "&Cancel" off,
// the name read-only, every field edit written at once. Adding (after
// "&New"): the reverse, and nothing is written until "&Add" stores the
// record in one transaction. A refused or failed Add stays in Adding.
//
// The name is the key of every statement; the forms refuse a new name that
// is not an identifier or that a cell type or a cytokine already has.

#include <QDialog>

class QAbstractItemDelegate;
class QDataWidgetMapper;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QSqlRelationalTableModel;

namespace record_checks {
class Transaction;
}

class RecordForm : public QDialog {
    Q_OBJECT

public:
    // Every way of ending the dialog: a pending new record is dropped (the
    // mapper is then not submitted, or its texts would land on the row shown
    // next); otherwise the mapper is submitted.
    void done(int r) override;

protected:
    // A top-level dialog (no parent) with the name field and the buttons.
    RecordForm();

    // The model over `table`, sorted by name (column 1), and the mapper
    // (AutoSubmit) with `delegate`; the caller adds the mappings.
    void createModel(const QString& table, QAbstractItemDelegate* delegate);
    // Shows the row of id `id`, the first row for -1, none when no row has it.
    void showInitial(int id);
    // Each navigation button moves the mapper, then refills.
    void connectNavigation();

    // Refills what the mapper does not show, for the name shown; writes nothing.
    virtual void refill() = 0;

    void setAdding(bool on);
    bool writable() const { return !adding && ready; }
    QString shownName() const;
    void warn(const QString& title, const QString& text);

    // "&New": enters Adding with a blank model row before the shown one;
    // false (nothing done) when already adding. The caller clears its fields.
    bool startNew();
    // "&Cancel": drops the pending row and shows the row shown before "&New".
    void dropNew();
    // Ends an Add whose statements ran in `transaction`: on success shows
    // the stored row `id`; otherwise warns and stays in Adding.
    void finishAdd(bool ok, record_checks::Transaction& transaction, int id, const QString& title);
    // "&Delete": while adding, drops the pending record; otherwise asks
    // (title, "Are you sure to delete %1?") and runs `statements`, each with
    // the shown name bound, in one transaction, then shows the row now at
    // the deleted one's place.
    void deleteShown(const QString& title, const QStringList& statements);
    // Re-reads the model and shows the row of id `id`, or the row at
    // `fallback` (clamped) when no row has it; then refills.
    void showStored(int id, int fallback);

    QSqlRelationalTableModel* model = nullptr;
    QDataWidgetMapper* mapper = nullptr;
    QLineEdit* nameEdit = nullptr;
    QPushButton* firstButton = nullptr;
    QPushButton* previousButton = nullptr;
    QPushButton* nextButton = nullptr;
    QPushButton* lastButton = nullptr;
    QPushButton* newButton = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* closeButton = nullptr;
    QDialogButtonBox* buttonBox = nullptr;  // New, Add, Cancel, Delete, Close
    bool adding = false;  // a record opened by "&New" waits for "&Add" or "&Cancel"
    bool ready = true;    // false while refill() puts stored values into the widgets

    // Tests reach the shared widgets through this class.
    friend class RecordFormProbe;
};

#endif
