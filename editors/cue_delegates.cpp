#include "editors/cue_delegates.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSqlQuery>

// --- CueItemDelegate -----------------------------------------------------------------

CueItemDelegate::CueItemDelegate(QObject* parent) : QItemDelegate(parent) {}

QWidget* CueItemDelegate::comboEditor(QWidget* parent, const QStringList& entries) const
{
    auto* combo = new QComboBox(parent);
    combo->addItems(entries);
    // activated: the user's choices only, not the loading of the cell.
    connect(combo, QOverload<int>::of(&QComboBox::activated), this, &CueItemDelegate::emitCommitData);
    return combo;
}

QWidget* CueItemDelegate::percentEditor(QWidget* parent) const
{
    auto* spin = new QSpinBox(parent);
    spin->setRange(0, 100);
    spin->setSingleStep(1);
    spin->setSuffix(QStringLiteral("%"));
    spin->setValue(100);
    connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this, &CueItemDelegate::emitCommitData);
    return spin;
}

void CueItemDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QSignalBlocker blocker(editor);
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
        spin->setValue(index.data(Qt::DisplayRole).toInt());
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(combo->findData(index.data(Qt::DisplayRole).toString(),
                                               Qt::DisplayRole,
                                               Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
}

void CueItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                   const QModelIndex& index) const
{
    if (auto* spin = qobject_cast<QSpinBox*>(editor))
        model->setData(index, spin->value(), Qt::EditRole);
    else if (auto* combo = qobject_cast<QComboBox*>(editor))
        model->setData(index, combo->currentText(), Qt::EditRole);
}

void CueItemDelegate::emitCommitData()
{
    emit commitData(qobject_cast<QWidget*>(sender()));
}

// --- the three delegates ---------------------------------------------------------------

cytokineDelegate::cytokineDelegate(QObject* parent) : CueItemDelegate(parent) {}

QWidget* cytokineDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const
{
    QStringList names;
    QSqlQuery query(QStringLiteral("SELECT name FROM cytokine"));
    while (query.next())
        names << query.value(0).toString();
    return comboEditor(parent, names);
}

mechanicsDelegate::mechanicsDelegate(QObject* parent) : CueItemDelegate(parent) {}

QWidget* mechanicsDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex& index) const
{
    if (index.column() == 1)
        return comboEditor(parent, {QStringLiteral("Contraction"), QStringLiteral("Protrusion")});
    return percentEditor(parent);
}

decisionDelegate::decisionDelegate(QObject* parent) : CueItemDelegate(parent) {}

QWidget* decisionDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const
{
    return comboEditor(parent, {QStringLiteral("Static"), QStringLiteral("Chemotaxis"),
                                QStringLiteral("Cohesotaxis"), QStringLiteral("Chemokinesis")});
}
