#ifndef VANTU_EDITORS_CYTOKINEFORM_H
#define VANTU_EDITORS_CYTOKINEFORM_H

// "Edit cytokines": the modal form in which the user walks through the
// cytokines of the parameter database in name order and edits one at a
// time: its description, use flag, diffusion and degradation rates and the
// cell types that synthesise it. Every change of a shown cytokine is written
// at once (cytokineform_edits.cpp); "&New" opens a blank record that "&Add"
// stores with its synthesis rows in one transaction, or writes nothing. The
// record states are RecordForm's.
//
// The two rate fields take only numbers of at least 0: a text that is not
// one yet ("", "1e") is never written, and leaving the field with it brings
// the stored value back.

#include "editors/record_form.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class cytokineForm : public RecordForm {
    Q_OBJECT

public:
    // Shows the cytokine whose id is `id`, the first in name order for -1,
    // none when no row has the id. `parent` is not passed on.
    cytokineForm(int id, QWidget* parent);

protected:
    // Leaving a rate field with a text that is not a rate restores it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void newCytokine();
    void addCytokine();
    void cancelCytokine();
    void deleteCytokine();
    void closeCytokine();
    // Refills the "&Used:" box and the synthesis table for the name shown;
    // writes nothing.
    void updateCellInfo();
    void descriptionChanged();
    void useChanged();
    void diffusionChanged();
    void degradationChanged();
    void cellInfoChanged();

private:
    void createWidgets();
    void connectWidgets();
    void layOut();
    void refill() override { updateCellInfo(); }
    // Writes a rate field of the shown cytokine when it holds a rate.
    void writeRate(const char* column, const QLineEdit* edit);
    // Puts the stored rate of `name` back into `edit` after the warning.
    void restoreRate(QLineEdit* edit, const QString& name);

    QLabel* nameLabel = nullptr;
    QLabel* synthesisLabel = nullptr;
    QLabel* descriptionLabel = nullptr;
    QLabel* useLabel = nullptr;
    QLabel* diffusionLabel = nullptr;
    QLabel* degradationLabel = nullptr;
    QGroupBox* synthesisGroupBox = nullptr;
    QTableWidget* synthesisTable = nullptr;  // one row per cell type: name (checked = synthesises), rate or "NA"
    QLineEdit* descriptionEdit = nullptr;
    QCheckBox* useCheckBox = nullptr;
    QLineEdit* diffusionEdit = nullptr;    // 10^-9 cm²/s
    QLineEdit* degradationEdit = nullptr;  // 10^-4 /min

    // Tests reach the form's widgets through this class.
    friend class CytokineFormProbe;
};

#endif
