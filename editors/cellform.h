#ifndef VANTU_EDITORS_CELLFORM_H
#define VANTU_EDITORS_CELLFORM_H

// "Edit cells": the modal form in which the user walks through the cell
// types of the parameter database in name order and edits one at a time:
// its name, description, mechanics, colour, behaviour weights, flags, the
// cytokines it synthesises and its adhesion to every type. Every change of a
// shown type is written at once (cellform_edits.cpp); "&New" opens a blank
// record that "&Add" stores with its synthesis and adhesion rows in one
// transaction, or writes nothing (cellform_records.cpp). The record states
// are RecordForm's.

#include "editors/record_form.h"

#include <QColor>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTableWidgetItem;

class cellForm : public RecordForm {
    Q_OBJECT

public:
    // Shows the type whose cell.id is `id`, the first in name order for -1,
    // none when no row has the id. `parent` is not passed on: the form is a
    // top-level dialog that its caller runs with exec().
    cellForm(int id, QWidget* parent);

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
    // Writes the adhesion row of the changed table item alone.
    void degradeInfoChanged(QTableWidgetItem* item);

private:
    void createWidgets();
    void createTables();
    void connectWidgets();
    void layOut();
    void refill() override { updateCytokineInfo(); }
    // The four behaviour weights as shown (percent).
    void readWeights(int percent[4]) const;

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

    QColor color{255, 0, 0};  // the colour "&Add" gives a new type; set only by chooseColor

    // Tests reach the form's widgets through this class.
    friend class CellFormProbe;
};

#endif
