#include "editors/cue_delegates.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSqlQuery>

// The three delegates share their editors: a combo box whose choice is the
// cell's text, and a per-cent spin box whose value is the cell's integer.
namespace {

QComboBox* makeCombo(QWidget* parent, const QStringList& entries, QObject* delegate,
                     const char* commitSlot)
{
    auto* combo = new QComboBox(parent);
    combo->addItems(entries);
    QObject::connect(combo, SIGNAL(activated(int)), delegate, commitSlot);
    return combo;
}

QSpinBox* makePercentBox(QWidget* parent, QObject* delegate, const char* commitSlot)
{
    auto* spin = new QSpinBox(parent);
    spin->setRange(0, 100);
    spin->setSingleStep(1);
    spin->setSuffix(QStringLiteral("%"));
    spin->setValue(100);
    QObject::connect(spin, SIGNAL(valueChanged(int)), delegate, commitSlot);
    return spin;
}

// Loads the cell into the editor without announcing a change.
void loadEditor(QWidget* editor, const QModelIndex& index)
{
    const QSignalBlocker blocker(editor);
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
        spin->setValue(index.data(Qt::DisplayRole).toInt());
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        // No entry matches a name since removed: the box opens without one.
        combo->setCurrentIndex(combo->findData(index.data(Qt::DisplayRole).toString(),
                                               Qt::DisplayRole,
                                               Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
}

void storeEditor(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index)
{
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
        model->setData(index, spin->value(), Qt::EditRole);
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, combo->currentText(), Qt::EditRole);
    }
}

QStringList cytokineNames()
{
    QStringList names;
    QSqlQuery query(QStringLiteral("SELECT name FROM cytokine"));
    while (query.next())
        names << query.value(0).toString();
    return names;
}

QWidget* commitSender(QObject* sender)
{
    return qobject_cast<QWidget*>(sender);
}

}

// --- cytokineDelegate --------------------------------------------------------------

cytokineDelegate::cytokineDelegate(QObject* parent) : QItemDelegate(parent) {}

QWidget* cytokineDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const
{
    return makeCombo(parent, cytokineNames(), const_cast<cytokineDelegate*>(this),
                     SLOT(emitCommitData()));
}

void cytokineDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    loadEditor(editor, index);
}

void cytokineDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const
{
    storeEditor(editor, model, index);
}

void cytokineDelegate::emitCommitData()
{
    emit commitData(commitSender(sender()));
}

// --- mechanicsDelegate -------------------------------------------------------------

mechanicsDelegate::mechanicsDelegate(QObject* parent) : QItemDelegate(parent) {}

QWidget* mechanicsDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex& index) const
{
    auto* self = const_cast<mechanicsDelegate*>(this);
    if (index.column() == 1)
        return makeCombo(parent, {QStringLiteral("Contraction"), QStringLiteral("Protrusion")},
                         self, SLOT(emitCommitData()));
    return makePercentBox(parent, self, SLOT(emitCommitData()));
}

void mechanicsDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    loadEditor(editor, index);
}

void mechanicsDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const
{
    storeEditor(editor, model, index);
}

void mechanicsDelegate::emitCommitData()
{
    emit commitData(commitSender(sender()));
}

// --- decisionDelegate --------------------------------------------------------------

decisionDelegate::decisionDelegate(QObject* parent) : QItemDelegate(parent) {}

QWidget* decisionDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const
{
    return makeCombo(parent,
                     {QStringLiteral("Static"), QStringLiteral("Chemotaxis"),
                      QStringLiteral("Cohesotaxis"), QStringLiteral("Chemokinesis")},
                     const_cast<decisionDelegate*>(this), SLOT(emitCommitData()));
}

void decisionDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    loadEditor(editor, index);
}

void decisionDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const
{
    storeEditor(editor, model, index);
}

void decisionDelegate::emitCommitData()
{
    emit commitData(commitSender(sender()));
}
