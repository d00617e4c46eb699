#include "editors/relation_dialogs.h"

#include "editors/relation_items.h"
#include "model/parameter_database.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

using relations::Curve;
using relations::Link;

namespace relations {

bool parseScaling(const QString& text, double* value)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0)
        return false;
    *value = v;
    return true;
}

}

namespace {

// The behaviours of the link dialog's rows, in table order, with the
// behavior columns each row feeds.
struct BehaviorRow {
    const char* name;
    const char* typeColumn;
    const char* coefColumn;
};
const BehaviorRow kBehaviorRows[] = {
    {"Proliferation", "growth_type", "growth_coef"},
    {"Migration", "migration_type", "migration_coef"},
    {"Apoptosis", "death_type", "death_coef"},
    {"Quiescence", "quiet_type", "quiet_coef"},
};
constexpr int kBehaviorRowCount = 4;

void explain(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, QObject::tr("Setup parameters"), text, QMessageBox::Ok);
}

QString notWrittenNames(const QString& cytokine, const QString& cell)
{
    return QObject::tr("Nothing was written: '%1' is not a cytokine or '%2' is not a cell type.")
        .arg(cytokine, cell);
}

void addButtons(QDialog* dialog, QDialogButtonBox* box, QPushButton* ok, QPushButton* close)
{
    box->addButton(ok, QDialogButtonBox::ActionRole);
    box->addButton(close, QDialogButtonBox::ActionRole);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::close);
}

// Both dialogs: the header, one labelled field beside its label, the buttons.
void layOut(QDialog* dialog, QLabel* header, QLabel* label, QWidget* field, QDialogButtonBox* buttons)
{
    auto* headerLayout = new QVBoxLayout;
    headerLayout->addWidget(header);
    auto* fieldLayout = new QHBoxLayout;
    fieldLayout->addWidget(label);
    fieldLayout->addWidget(field);
    auto* mainLayout = new QVBoxLayout;
    mainLayout->addLayout(headerLayout);
    mainLayout->addLayout(fieldLayout);
    mainLayout->addWidget(buttons);
    dialog->setLayout(mainLayout);
}

}

// --- LinkPropertiesDialog --------------------------------------------------------

LinkPropertiesDialog::LinkPropertiesDialog(Link* link, QWidget*)
    : QDialog(nullptr), link(link)
{
    const QString effect = link->kind == Link::PROMOTE ? tr("promotion") : tr("inhibition");
    headerLabel = new QLabel(tr("<h2>Customize inhibition/promotion <br>parameters</h2><p> You can "
                                "setup the scaling factors of the %1 effect <br>of %2 on %3 behaviors.")
                                 .arg(effect, link->fromNode()->text(), link->toNode()->text()));

    behaviorsLabel = new QLabel(tr("Cell behaviors"));
    behaviorsGroupBox = new QGroupBox;
    behaviorsLabel->setBuddy(behaviorsGroupBox);
    behaviorTable = new QTableWidget(kBehaviorRowCount, 2);
    behaviorTable->setHorizontalHeaderLabels({tr("Name"), tr("Scaling")});
    behaviorTable->setSelectionMode(QAbstractItemView::NoSelection);
    behaviorTable->horizontalHeader()->setDefaultSectionSize(90);
    behaviorTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    behaviorTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    for (int row = 0; row < kBehaviorRowCount; ++row) {
        auto* name = new QTableWidgetItem(tr(kBehaviorRows[row].name));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        name->setData(Qt::CheckStateRole, Qt::Unchecked);
        behaviorTable->setItem(row, 0, name);
        behaviorTable->setItem(row, 1, new QTableWidgetItem(QStringLiteral("NA")));
    }
    auto* groupLayout = new QVBoxLayout;
    groupLayout->addWidget(behaviorTable);
    behaviorsGroupBox->setLayout(groupLayout);

    okButton = new QPushButton(tr("&Ok"));
    closeButton = new QPushButton(tr("&Close"));
    buttonBox = new QDialogButtonBox;
    addButtons(this, buttonBox, okButton, closeButton);
    connect(okButton, &QPushButton::clicked, this, &LinkPropertiesDialog::on_buttonBox_ok);

    layOut(this, headerLabel, behaviorsLabel, behaviorsGroupBox, buttonBox);

    setWindowTitle(tr("Setup parameters"));
    setFixedSize(300, 320);
}

void LinkPropertiesDialog::on_buttonBox_ok()
{
    // Every checked row needs a scaling factor; the upper row is named first.
    int types[kBehaviorRowCount] = {};
    double coefs[kBehaviorRowCount] = {};
    const int effect = link->kind == Link::PROMOTE   ? BehaviorEffect::PROMOTE
                       : link->kind == Link::INHIBIT ? BehaviorEffect::INHIBIT
                                                     : BehaviorEffect::NONE;
    for (int row = 0; row < kBehaviorRowCount; ++row) {
        const QTableWidgetItem* name = behaviorTable->item(row, 0);
        if (name->data(Qt::CheckStateRole).toInt() != Qt::Checked)
            continue;
        const QString text = behaviorTable->item(row, 1)->text();
        double value = 0;
        if (text == QLatin1String("NA")) {
            QMessageBox::warning(this, tr("Setup parameters"),
                                 tr("The scaling factor for behavior %1 is NA!").arg(name->text()),
                                 QMessageBox::Ok);
            return;
        }
        if (!relations::parseScaling(text, &value)) {
            QMessageBox::warning(this, tr("Setup parameters"),
                                 tr("The scaling factor for behavior %1 is not a number of 0 or more: "
                                    "'%2'!")
                                     .arg(name->text(), text),
                                 QMessageBox::Ok);
            return;
        }
        if (effect != BehaviorEffect::NONE) {
            types[row] = effect;
            coefs[row] = value;
        }
    }

    const QString cytokine = link->fromNode()->text();
    const QString cell = link->toNode()->text();
    const int cytokineId = lookup_cytokine_id(cytokine);
    const int cellId = lookup_cell_id(cell);
    if (cytokineId < 0 || cellId < 0) {
        explain(this, notWrittenNames(cytokine, cell));
        return;
    }

    QSqlQuery query;
    query.prepare(QStringLiteral(
        "SELECT cytokineid, cellid FROM behavior WHERE cytokinename = ? AND cellname = ?"));
    query.addBindValue(cytokine);
    query.addBindValue(cell);
    query.exec();
    if (query.next()) {
        explain(this, tr("Nothing was written: the effect of '%1' on '%2' is already set. Delete the "
                         "relation to set it anew.")
                          .arg(cytokine, cell));
        return;
    }

    QString columns = QStringLiteral("cytokinename, cytokineid, cellname, cellid");
    for (const BehaviorRow& behavior : kBehaviorRows)
        columns += QStringLiteral(", %1, %2").arg(behavior.typeColumn, behavior.coefColumn);
    query.prepare(QStringLiteral("INSERT INTO behavior (%1, cycle_type, cycle_coef) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 0)")
                      .arg(columns));
    query.addBindValue(cytokine);
    query.addBindValue(cytokineId);
    query.addBindValue(cell);
    query.addBindValue(cellId);
    for (int row = 0; row < kBehaviorRowCount; ++row) {
        query.addBindValue(types[row]);
        query.addBindValue(coefs[row]);
    }
    query.exec();
}

// --- CurvePropertiesDialog -------------------------------------------------------

CurvePropertiesDialog::CurvePropertiesDialog(Curve* curve, QWidget*)
    : QDialog(nullptr), curve(curve)
{
    const QString effect =
        curve->kind == Curve::DOWNREGULATE ? tr("downregulation") : tr("upregulation");
    const Link* link = curve->toLink();
    headerLabel = new QLabel(tr("<h2>Customize up/down-regulation <br>parameters</h2><p> You can "
                                "setup the scaling factors of the %1 effect <br>of %2  on the "
                                "synthesis of %3 from %4.")
                                 .arg(effect, curve->fromNode()->text(), link->toNode()->text(),
                                      link->fromNode()->text()));
    scalingLabel = new QLabel(tr("Scaling factor of %1").arg(effect));
    scalingEdit = new QLineEdit;
    scalingLabel->setBuddy(scalingEdit);

    okButton = new QPushButton(tr("&Ok"));
    closeButton = new QPushButton(tr("&Close"));
    buttonBox = new QDialogButtonBox;
    addButtons(this, buttonBox, okButton, closeButton);
    connect(okButton, &QPushButton::clicked, this, &CurvePropertiesDialog::on_buttonBox_ok);

    layOut(this, headerLabel, scalingLabel, scalingEdit, buttonBox);

    setWindowTitle(tr("Setup parameters"));
    setFixedSize(320, 200);
}

void CurvePropertiesDialog::on_buttonBox_ok()
{
    const QString title = tr("Setup upregulation/downregulation paramenters");
    const QString text = scalingEdit->text();
    double coefficient = 0;
    if (text.isEmpty()) {
        QMessageBox::warning(this, title, tr("Please input the scaling factor!"), QMessageBox::Ok);
        return;
    }
    if (!relations::parseScaling(text, &coefficient)) {
        QMessageBox::warning(this, title,
                             tr("The scaling factor '%1' is not a number of 0 or more!").arg(text),
                             QMessageBox::Ok);
        return;
    }
    const int type =
        curve->kind == Curve::DOWNREGULATE ? RegulateType::DOWNREGULATE : RegulateType::UPREGULATE;

    const QString regulator = curve->fromNode()->text();
    const QString cell = curve->toLink()->fromNode()->text();
    const QString synthesised = curve->toLink()->toNode()->text();
    if (lookup_cytokine_id(synthesised) < 0 || lookup_cell_id(cell) < 0) {
        explain(this, notWrittenNames(synthesised, cell));
        return;
    }
    const int regulatorId = lookup_cytokine_id(regulator);
    if (regulatorId < 0) {
        explain(this, tr("Nothing was written: the regulator '%1' is not a cytokine.").arg(regulator));
        return;
    }

    QSqlQuery query;
    query.prepare(QStringLiteral(
        "SELECT id, cytokineid, cellid FROM cytokine_cell WHERE cytokinename = ? AND cellname = ?"));
    query.addBindValue(synthesised);
    query.addBindValue(cell);
    query.exec();
    const int synthesisId = query.next() ? query.value(0).toInt() : -1;
    if (synthesisId < 0) {
        explain(this, tr("Nothing was written: '%1' does not synthesize '%2'.").arg(cell, synthesised));
        return;
    }

    // The writer applies every regulate row it finds, so one regulator gets
    // one row per synthesis.
    query.prepare(QStringLiteral(
        "SELECT id FROM regulate WHERE cytokinename = ? AND cytokine_cellid = ?"));
    query.addBindValue(regulator);
    query.addBindValue(synthesisId);
    query.exec();
    if (query.next()) {
        explain(this, tr("Nothing was written: '%1' already regulates the synthesis of '%2' by '%3'. "
                         "Delete the relation to set it anew.")
                          .arg(regulator, synthesised, cell));
        return;
    }

    query.prepare(QStringLiteral("INSERT INTO regulate (cytokinename, cytokineid, cytokine_cellid, "
                                 "regulate_type, regulate_coef) VALUES (?, ?, ?, ?, ?)"));
    query.addBindValue(regulator);
    query.addBindValue(regulatorId);
    query.addBindValue(synthesisId);
    query.addBindValue(type);
    query.addBindValue(coefficient);
    query.exec();
}
