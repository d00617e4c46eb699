#ifndef VANTU_EDITORS_CUE_DELEGATES_H
#define VANTU_EDITORS_CUE_DELEGATES_H

// The editors of the Direction Cue Setup tables. Each delegate commits the
// user's choice into the table cell the moment it is made (a combo box's
// choice, every step of a spin box), so the page writes its cue row at once.
// Loading a cell's value into an editor is not a choice and commits nothing.

#include <QItemDelegate>

// What the three delegates share: their editors are combo boxes, whose
// current text is the cell's text, and per-cent spin boxes, whose value is
// the cell's integer. A subclass says which editor a column gets.
class CueItemDelegate : public QItemDelegate {
    Q_OBJECT

public:
    // Loads the cell into the editor; a text among no entries leaves a combo
    // box without a current entry.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // Stores the combo box's current text (empty without one) or the spin
    // box's value in the cell's edit role.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

protected:
    explicit CueItemDelegate(QObject* parent);
    // Editors whose every change is committed at once.
    QWidget* comboEditor(QWidget* parent, const QStringList& entries) const;
    QWidget* percentEditor(QWidget* parent) const;

private slots:
    // Commits the editor that sent the change (null when the sender is no widget).
    void emitCommitData();
};

// A combo box of the cytokine names, read afresh from table cytokine each
// time an editor opens (column 1 of the chemical-cue pages).
class cytokineDelegate : public CueItemDelegate {
    Q_OBJECT

public:
    explicit cytokineDelegate(QObject* parent = nullptr);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

// "Contraction" or "Protrusion" in column 1; spin boxes of 0 to 100 per cent
// in columns 2 and 3 (the Cohesotaxis page).
class mechanicsDelegate : public CueItemDelegate {
    Q_OBJECT

public:
    explicit mechanicsDelegate(QObject* parent = nullptr);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

// The four migration mechanisms in column 1 (the Mechanisms page).
class decisionDelegate : public CueItemDelegate {
    Q_OBJECT

public:
    explicit decisionDelegate(QObject* parent = nullptr);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

#endif
