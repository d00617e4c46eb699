#ifndef VANTU_EDITORS_RELATION_DIALOGS_H
#define VANTU_EDITORS_RELATION_DIALOGS_H

// The property dialogs of the relationship diagram: they turn a drawn
// relation into a row of the parameter database. LinkPropertiesDialog writes
// the behavior row of an inhibit or promote arrow, CurvePropertiesDialog the
// regulate row of a regulation curve. Both open blank, write on "&Ok" (and
// stay open), and say in a box why an "&Ok" writes nothing.

#include <QDialog>

class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace relations {
class Curve;
class Link;

// A scaling factor typed by the user: a finite number of 0 or more (blanks
// around it allowed). Returns false for anything else.
bool parseScaling(const QString& text, double* value);
}

class LinkPropertiesDialog : public QDialog {
    Q_OBJECT

public:
    // The parent is not used: the dialog is a top-level window.
    explicit LinkPropertiesDialog(relations::Link* link, QWidget* parent = nullptr);

private slots:
    // Writes the behavior row of the link's cytokine and cell type, one
    // (type, coefficient) pair per table row; an unchecked row has no effect.
    void on_buttonBox_ok();

private:
    relations::Link* link;  // not owned
    QLabel* headerLabel;
    QLabel* behaviorsLabel;
    QGroupBox* behaviorsGroupBox;
    QTableWidget* behaviorTable;  // rows Proliferation, Migration, Apoptosis, Quiescence
    QPushButton* okButton;
    QPushButton* closeButton;
    QDialogButtonBox* buttonBox;

    friend class RelationDialogProbe;
};

class CurvePropertiesDialog : public QDialog {
    Q_OBJECT

public:
    // The parent is not used: the dialog is a top-level window.
    explicit CurvePropertiesDialog(relations::Curve* curve, QWidget* parent = nullptr);

private slots:
    // Writes the regulate row of the curve's cytokine on the synthesis that
    // its arrow stands for.
    void on_buttonBox_ok();

private:
    relations::Curve* curve;  // not owned
    QLabel* headerLabel;
    QLabel* scalingLabel;
    QLineEdit* scalingEdit;
    QPushButton* okButton;
    QPushButton* closeButton;
    QDialogButtonBox* buttonBox;

    friend class RelationDialogProbe;
};

#endif
