#ifndef VANTU_EDITORS_CUE_DELEGATES_H
#define VANTU_EDITORS_CUE_DELEGATES_H

// The editors of the Direction Cue Setup tables. Each delegate commits the
// user's choice into the table cell the moment it is made (a combo box's
// choice, every step of a spin box), so the page writes its cue row at once.
// Loading a cell's value into an editor is not a choice and commits nothing.

#include <QItemDelegate>

class QComboBox;

// A combo box of the cytokine names, read afresh from table cytokine each
// time an editor opens (column 1 of the chemical-cue pages).
class cytokineDelegate : public QItemDelegate {
    Q_OBJECT

public:
    explicit cytokineDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private slots:
    void emitCommitData();
};

// "Contraction" or "Protrusion" in column 1; spin boxes of 0 to 100 per cent
// in columns 2 and 3 (the Cohesotaxis page).
class mechanicsDelegate : public QItemDelegate {
    Q_OBJECT

public:
    explicit mechanicsDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private slots:
    void emitCommitData();
};

// The four migration mechanisms in column 1 (the Mechanisms page).
class decisionDelegate : public QItemDelegate {
    Q_OBJECT

public:
    explicit decisionDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private slots:
    void emitCommitData();
};

#endif
