#ifndef VANTU_EDITORS_CELLFORM_H
#define VANTU_EDITORS_CELLFORM_H

// "Edit cells": the modal form in which the user walks through the cell
// types of the parameter database in name order and edits one at a time:
// its name, description, mechanics, colour, behaviour weights, flags, the
// cytokines it synthesises and its adhesion to every type. Every change of a
// shown type is written at once (cellform_edits.cpp); "&New" opens a blank
// record that "&Add" stores with its synthesis and adhesion rows in one
// transaction, or writes nothing (cellform_records.cpp).
//
// Rows are found by name: the editors refuse a new name that is not an
// identifier or that a cell type or a cytokine already has, so a name keys
// exactly one type.

#include <QColor>
#include <QDialog>

class QCheckBox;
class QDataWidgetMapper;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QSqlRelationalTableModel;
class QTableWidget;

class cellForm : public QDialog {
    Q_OBJECT

public:
    // Shows the type whose cell.id is `id`, the first in name order for -1,
    // none when no row has the id. `parent` is not passed on: the form is a
    // top-level dialog that its caller runs with exec().
    cellForm(int id, QWidget* parent);

    // Every way of ending the dialog: a pending new record is dropped, then
    // the mapper is submitted.
    void done(int r) override;

    // Paints `label` with an 80 by 16 swatch of `color`.
    void updateColorLabel(QLabel* label, const QColor& color);

private slots:
    void newCell();
    void addCell();
    void cancelCell();
    void deleteCell();
    void closeCell();
    // Refills what the mapper does not show (tables, swatch, weights, flags)
    // for the name shown; writes nothing.
    void updateCytokineInfo();
    void chooseColor();
    void descriptionChanged();
    void youngChanged();
    void poissonChanged();
    void factinChanged();
    void behaviorChanged();
    void useChanged();
    void staticChanged();
    void boundaryChanged();
    void cytokineInfoChanged();
    void degradeInfoChanged();

private:
    void createWidgets();
    void createTables();
    void connectWidgets();
    void layOut();
    // Browsing (adding false): navigation on, "&Add"/"&Cancel" off, name
    // read-only; Adding the reverse.
    void setAdding(bool on);
    // Re-reads the model and shows the row of cell.id `id`, or the row at
    // `fallback` (clamped) when no row has it; then refills the rest.
    void showStored(int id, int fallback);
    // A field slot may write: a stored type is shown and not being refilled.
    bool writable() const { return !adding && ready; }
    QString shownName() const;
    void warn(const QString& title, const QString& text);
    // The four behaviour weights as shown (percent).
    void readWeights(int percent[4]) const;

    QSqlRelationalTableModel* model = nullptr;
    QDataWidgetMapper* mapper = nullptr;

    QLabel* nameLabel = nullptr;
    QLabel* descriptionLabel = nullptr;
    QLabel* useLabel = nullptr;
    QLabel* staticLabel = nullptr;
    QLabel* boundaryLabel = nullptr;
    QLabel* synthesisLabel = nullptr;
    QLabel* youngLabel = nullptr;
    QLabel* poissonLabel = nullptr;
    QLabel* factinLabel = nullptr;
    QLabel* adhesionLabel = nullptr;
    QLabel* colorTextLabel = nullptr;
    QLabel* colorLabel = nullptr;  // the colour swatch
    QLabel* behaviorLabel = nullptr;
    QLabel* proliferationLabel = nullptr;
    QLabel* migrationLabel = nullptr;
    QLabel* apoptosisLabel = nullptr;
    QLabel* quiescenceLabel = nullptr;

    QLineEdit* nameEdit = nullptr;
    QLineEdit* descriptionEdit = nullptr;
    QCheckBox* useCheckBox = nullptr;
    QCheckBox* staticCheckBox = nullptr;
    QCheckBox* boundaryCheckBox = nullptr;
    QGroupBox* synthesisGroupBox = nullptr;
    QTableWidget* synthesisTable = nullptr;  // one row per cytokine: name (checked = synthesised), rate or "NA"
    QSpinBox* youngSpinBox = nullptr;
    QSpinBox* poissonSpinBox = nullptr;
    QSpinBox* factinSpinBox = nullptr;
    QGroupBox* adhesionGroupBox = nullptr;
    QTableWidget* adhesionTable = nullptr;   // one row per cell type: name (checked = degraded), adhesion
    QPushButton* colorButton = nullptr;
    QSpinBox* proliferationSpinBox = nullptr;
    QSpinBox* migrationSpinBox = nullptr;
    QSpinBox* apoptosisSpinBox = nullptr;
    QSpinBox* quiescenceSpinBox = nullptr;

    QPushButton* firstButton = nullptr;
    QPushButton* previousButton = nullptr;
    QPushButton* nextButton = nullptr;
    QPushButton* lastButton = nullptr;
    QPushButton* newButton = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* closeButton = nullptr;
    QDialogButtonBox* buttonBox = nullptr;

    QColor color{255, 0, 0};  // the colour "&Add" gives a new type; set only by chooseColor
    bool adding = false;      // a record opened by "&New" waits for "&Add" or "&Cancel"
    bool ready = true;        // false while updateCytokineInfo refills the widgets

    // Tests reach the form's widgets through this class.
    friend class CellFormProbe;
};

#endif
