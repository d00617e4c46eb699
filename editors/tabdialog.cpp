#include "editors/tabdialog.h"

#include "editors/cue_delegates.h"
#include "editors/record_checks.h"
#include "model/parameter_database.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The names of the coded cue columns, each at the position of its code
// (MechanicalCue::CONTRACTION, PROTRUSION; MigrationMechanism::STATIC,
// CHEMOTAXIS, COHESOTAXIS, CHEMOKINESIS).
const char* const kMechanicalCues[] = {"Contraction", "Protrusion"};
const char* const kMechanisms[] = {"Static", "Chemotaxis", "Cohesotaxis", "Chemokinesis"};
static_assert(MechanicalCue::PROTRUSION == 1 && MigrationMechanism::CHEMOKINESIS == 3,
              "the name tables follow the codes");

// The code of a name in a list of names; any other text gives 0.
template <size_t N>
int codeOf(const char* const (&names)[N], const QString& text)
{
    for (size_t i = 0; i < N; ++i) {
        if (text == QLatin1String(names[i]))
            return static_cast<int>(i);
    }
    return 0;
}

// The name of a code; a code out of range reads as the first name (it
// counts as 0 wherever the cue is used).
template <size_t N>
QString nameOf(const char* const (&names)[N], int code)
{
    return QString::fromLatin1(code >= 0 && code < static_cast<int>(N) ? names[code] : names[0]);
}

}

// --- CuePage -----------------------------------------------------------------------

CuePage::CuePage(const QString& caption, const QStringList& headers, bool rowNumbers)
    : QWidget(nullptr)
{
    label = new QLabel(caption);
    table = new QTableWidget;
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setColumnCount(headers.size());
    table->setHorizontalHeaderLabels(headers);
    table->horizontalHeader()->setDefaultSectionSize(90);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < headers.size(); ++column)
        table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::Fixed);
    table->verticalHeader()->setVisible(rowNumbers);

    auto* layout = new QVBoxLayout;
    layout->addWidget(label);
    layout->addWidget(table);
    setLayout(layout);
}

void CuePage::setDelegate(QAbstractItemDelegate* delegate)
{
    table->setItemDelegate(delegate);
}

void CuePage::showStored()
{
    const QSignalBlocker blocker(table);
    table->setRowCount(0);
    QSqlQuery cells(QStringLiteral("SELECT name FROM cell"));
    QSqlQuery cue;
    cue.prepare(QStringLiteral("SELECT cytokinename, mechanics, strenPro, transPro, migrate "
                               "FROM cue WHERE cellname = ?"));
    while (cells.next()) {
        const QString name = cells.value(0).toString();
        StoredCue stored;
        cue.addBindValue(name);
        cue.exec();
        if (cue.next()) {
            stored.cytokinename = cue.value(0).toString();
            stored.mechanics = cue.value(1).toInt();
            stored.strenPro = cue.value(2).toInt();
            stored.transPro = cue.value(3).toInt();
            stored.migrate = cue.value(4).toInt();
        }
        const int row = table->rowCount();
        table->insertRow(row);
        auto* nameItem = new QTableWidgetItem(name);
        nameItem->setFlags(nameItem->flags() & ~Qt::ItemIsEditable);
        table->setItem(row, 0, nameItem);
        const QStringList values = texts(stored);
        for (int i = 0; i < values.size(); ++i)
            table->setItem(row, i + 1, new QTableWidgetItem(values[i]));
    }
}

QString CuePage::cellText(int row, int column) const
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

void CuePage::updateCue(int row, const QString& update, QVariantList values)
{
    const QString cell = cellText(row, 0);
    const int id = lookup_cell_id(cell);
    // The new row and the edit are stored together or not at all.
    record_checks::Transaction transaction;
    QSqlQuery query;
    bool ok = record_checks::run(QStringLiteral("SELECT COUNT(*) FROM cue WHERE cellname = ?"), {cell}, &query) &&
              query.next();
    if (ok && query.value(0).toInt() == 0 && id >= 0) {
        const StoredCue none;
        ok = record_checks::run(QStringLiteral("INSERT INTO cue (cellid, cellname, cytokineid, cytokinename, "
                                               "mechanics, strenPro, transPro, migrate) VALUES (?, ?, 0, ?, ?, ?, ?, ?)"),
                                {id, cell, none.cytokinename, none.mechanics, none.strenPro, none.transPro,
                                 none.migrate});
    }
    values.append(cell);
    if (ok && record_checks::run(update, values))
        transaction.commit();
}

void CuePage::writeChanged(QTableWidgetItem* item)
{
    if (item && item->column() > 0 && writeRow(item->row()))
        emit rowWritten();
}

// --- the chemical-cue pages ----------------------------------------------------------

ChemotaxisTab::ChemotaxisTab(QWidget*)
    : CuePage(tr("Chemical cue:"), {tr("Cell"), tr("Cue")}, false)
{
    setDelegate(new cytokineDelegate(this));
    showStored();
    connect(table, &QTableWidget::itemChanged, this, &ChemotaxisTab::updateChemoCue);
}

QStringList ChemotaxisTab::texts(const StoredCue& cue) const
{
    return {cue.cytokinename};
}

void ChemotaxisTab::updateChemoCue(QTableWidgetItem* item)
{
    writeChanged(item);
}

bool ChemotaxisTab::writeRow(int row)
{
    // A text that names no cytokine (emptied, or since removed) writes nothing.
    const QString cue = cellText(row, 1);
    const int id = lookup_cytokine_id(cue);
    if (id < 0)
        return false;
    updateCue(row, QStringLiteral("UPDATE cue SET cytokineid = ?, cytokinename = ? WHERE cellname = ?"), {id, cue});
    return true;
}

ChemokinesisTab::ChemokinesisTab(QWidget* parent) : ChemotaxisTab(parent) {}

// --- CohesotaxisTab ------------------------------------------------------------------

CohesotaxisTab::CohesotaxisTab(QWidget*)
    : CuePage(tr("Mechanical cue:"),
              {tr("Cell"), tr("Cue"), tr("Strength fraction"), tr("Transmission Probability")}, false)
{
    setDelegate(new mechanicsDelegate(this));
    showStored();
    connect(table, &QTableWidget::itemChanged, this, &CohesotaxisTab::updateMechCue);
}

QStringList CohesotaxisTab::texts(const StoredCue& cue) const
{
    return {nameOf(kMechanicalCues, cue.mechanics), QString::number(cue.strenPro),
            QString::number(cue.transPro)};
}

void CohesotaxisTab::updateMechCue(QTableWidgetItem* item)
{
    writeChanged(item);
}

bool CohesotaxisTab::writeRow(int row)
{
    bool strengthOk = false;
    bool transmissionOk = false;
    const int strength = cellText(row, 2).toInt(&strengthOk);
    const int transmission = cellText(row, 3).toInt(&transmissionOk);
    // Per cent: the spin boxes keep to 0..100, and nothing else is stored.
    if (!strengthOk || !transmissionOk || strength < 0 || strength > 100 || transmission < 0 || transmission > 100)
        return false;
    const int mechanics = cellText(row, 1) == QLatin1String("Protrusion") ? MechanicalCue::PROTRUSION
                                                                           : MechanicalCue::CONTRACTION;
    updateCue(row, QStringLiteral("UPDATE cue SET mechanics = ?, strenPro = ?, transPro = ? WHERE cellname = ?"),
              {mechanics, strength, transmission});
    return true;
}

// --- DecisionTab ---------------------------------------------------------------------

DecisionTab::DecisionTab(QWidget*)
    : CuePage(tr("Migration mechanism type:"), {tr("Cell"), tr("Mechanism")}, true)
{
    setDelegate(new decisionDelegate(this));
    showStored();
    connect(table, &QTableWidget::itemChanged, this, &DecisionTab::updateDecision);
}

QStringList DecisionTab::texts(const StoredCue& cue) const
{
    return {nameOf(kMechanisms, cue.migrate)};
}

void DecisionTab::updateDecision(QTableWidgetItem* item)
{
    writeChanged(item);
}

bool DecisionTab::writeRow(int row)
{
    updateCue(row, QStringLiteral("UPDATE cue SET migrate = ? WHERE cellname = ?"),
              {codeOf(kMechanisms, cellText(row, 1))});
    return true;
}

// --- TabDialog -----------------------------------------------------------------------

TabDialog::TabDialog(QWidget* parent) : QDialog(parent)
{
    tabWidget = new QTabWidget;
    chemotaxisTab = new ChemotaxisTab;
    cohesotaxisTab = new CohesotaxisTab;
    chemokinesisTab = new ChemokinesisTab;
    decisionTab = new DecisionTab;
    tabWidget->addTab(chemotaxisTab, tr("Chemotaxis"));
    tabWidget->addTab(cohesotaxisTab, tr("Cohesotaxis"));
    tabWidget->addTab(chemokinesisTab, tr("Chemokinesis"));
    tabWidget->addTab(decisionTab, tr("Mechanisms"));

    // The two chemical-cue pages show one pair of columns: a change in one
    // shows in the other.
    connect(chemotaxisTab, &CuePage::rowWritten, chemokinesisTab, &CuePage::showStored);
    connect(chemokinesisTab, &CuePage::rowWritten, chemotaxisTab, &CuePage::showStored);

    buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout;
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(tabWidget);
    layout->addWidget(buttonBox);
    setLayout(layout);

    setWindowTitle(tr("Direction Cue Setup"));
}

void TabDialog::reload()
{
    chemotaxisTab->showStored();
    cohesotaxisTab->showStored();
    chemokinesisTab->showStored();
    decisionTab->showStored();
}
