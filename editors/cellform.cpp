// The cell form's construction, its refill of the widgets the mapper does
// not show, and the entry into a new record.
#include "editors/cellform.h"

#include "editors/record_checks.h"
#include "editors/record_widgets.h"

#include <QCheckBox>
#include <QDataWidgetMapper>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlRelationalDelegate>
#include <QSqlRelationalTableModel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

using namespace record_widgets;

namespace {

QSpinBox* spinBox(int minimum, int maximum, const QString& suffix, int value)
{
    auto* box = new QSpinBox;
    box->setRange(minimum, maximum);
    box->setSingleStep(1);
    box->setSuffix(suffix);
    box->setValue(value);
    return box;
}

}

cellForm::cellForm(int id, QWidget*)
{
    createWidgets();
    createModel(QStringLiteral("cell"), new QSqlRelationalDelegate(this));
    createTables();
    mapper->addMapping(nameEdit, 1);
    mapper->addMapping(descriptionEdit, 2);
    mapper->addMapping(youngSpinBox, 3);
    mapper->addMapping(poissonSpinBox, 4);
    mapper->addMapping(factinSpinBox, 5);
    showInitial(id);
    updateCytokineInfo();

    // Made after the tables were filled and the first row loaded, so neither
    // runs a change slot.
    connectWidgets();
    layOut();

    if (id != -1)
        nameEdit->setFocus();
    else
        nextButton->setFocus();
    setWindowTitle(QStringLiteral("Edit cells"));
}

void cellForm::createWidgets()
{
    descriptionEdit = new QLineEdit;
    useCheckBox = new QCheckBox;
    staticCheckBox = new QCheckBox;
    boundaryCheckBox = new QCheckBox;
    synthesisTable = recordTable(tr("Name"), tr("Synthesis rate"));
    synthesisGroupBox = groupBoxOf(synthesisTable);
    youngSpinBox = spinBox(1, 400, QStringLiteral("kPa"), 20);
    poissonSpinBox = spinBox(1, 49, QStringLiteral("%"), 40);
    factinSpinBox = spinBox(0, 2000, QString(), 0);
    adhesionTable = recordTable(tr("Cell"), tr("Adhesion"));
    adhesionGroupBox = groupBoxOf(adhesionTable);
    colorLabel = new QLabel;
    colorButton = new QPushButton(tr("&Choose cell color..."));
    proliferationSpinBox = spinBox(0, 100, QStringLiteral("%"), 0);
    migrationSpinBox = spinBox(0, 100, QStringLiteral("%"), 0);
    apoptosisSpinBox = spinBox(0, 100, QStringLiteral("%"), 0);
    quiescenceSpinBox = spinBox(0, 100, QStringLiteral("%"), 0);

    nameLabel = label(tr("&Name:"), nameEdit);
    descriptionLabel = label(tr("&Description:"), descriptionEdit);
    useLabel = label(tr("&Used:"), useCheckBox);
    staticLabel = label(tr("&Static:"), staticCheckBox);
    boundaryLabel = label(tr("&Boundary:"), boundaryCheckBox);
    synthesisLabel = label(tr("&Cytokine synthesized:<br>(10<sup>-7</sup>ng/cell/day)"), synthesisGroupBox);
    youngLabel = label(tr("&Young's Modulus:"), youngSpinBox);
    poissonLabel = label(tr("&Poisson's Ratio:"), poissonSpinBox);
    factinLabel = label(tr("&F-actin density(/&mu m<sup>2</sup>):"), factinSpinBox);
    adhesionLabel = label(tr("&Cellular adhesion:<br>(check degraded)<br>(pN/&mu m<sup>2</sup>)"), adhesionGroupBox);
    colorTextLabel = label(tr("Color:"), colorButton);
    behaviorLabel = new QLabel(tr("Stochastic behaviors:"));
    proliferationLabel = new QLabel(tr("Proliferation:"));
    migrationLabel = new QLabel(tr("Migration:"));
    apoptosisLabel = new QLabel(tr("Apoptosis:"));
    quiescenceLabel = new QLabel(tr("Quiescense:"));
}

void cellForm::createTables()
{
    QSqlQuery query;
    query.exec(QStringLiteral("SELECT name FROM cytokine"));
    while (query.next())
        appendRow(synthesisTable, query.value(0).toString(), tr("NA"));
    query.exec(QStringLiteral("SELECT name FROM cell"));
    while (query.next())
        appendRow(adhesionTable, query.value(0).toString(), tr("30"));
}

void cellForm::connectWidgets()
{
    connect(descriptionEdit, &QLineEdit::textChanged, this, &cellForm::descriptionChanged);
    connect(useCheckBox, &QCheckBox::stateChanged, this, &cellForm::useChanged);
    connect(staticCheckBox, &QCheckBox::stateChanged, this, &cellForm::staticChanged);
    connect(boundaryCheckBox, &QCheckBox::stateChanged, this, &cellForm::boundaryChanged);
    connect(synthesisTable, &QTableWidget::itemChanged, this, &cellForm::cytokineInfoChanged);
    connect(adhesionTable, &QTableWidget::itemChanged, this, &cellForm::degradeInfoChanged);
    connect(youngSpinBox, &QSpinBox::textChanged, this, &cellForm::youngChanged);
    connect(poissonSpinBox, &QSpinBox::textChanged, this, &cellForm::poissonChanged);
    connect(factinSpinBox, &QSpinBox::textChanged, this, &cellForm::factinChanged);
    for (QSpinBox* box : {proliferationSpinBox, migrationSpinBox, apoptosisSpinBox, quiescenceSpinBox})
        connect(box, &QSpinBox::textChanged, this, &cellForm::behaviorChanged);
    connectNavigation();
    connect(colorButton, &QPushButton::clicked, this, &cellForm::chooseColor);
    connect(newButton, &QPushButton::clicked, this, &cellForm::newCell);
    connect(addButton, &QPushButton::clicked, this, &cellForm::addCell);
    connect(cancelButton, &QPushButton::clicked, this, &cellForm::cancelCell);
    connect(deleteButton, &QPushButton::clicked, this, &cellForm::deleteCell);
    connect(closeButton, &QPushButton::clicked, this, &cellForm::closeCell);
}

void cellForm::layOut()
{
    QHBoxLayout* navigation = navigationRow(firstButton, previousButton, nextButton, lastButton);

    auto* grid = new QGridLayout;
    grid->addLayout(navigation, 0, 0, 1, 3);
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(nameEdit, 1, 1);
    grid->addWidget(useLabel, 1, 2);
    grid->addWidget(useCheckBox, 1, 3);
    grid->addWidget(staticLabel, 2, 0);
    grid->addWidget(staticCheckBox, 2, 1);
    grid->addWidget(boundaryLabel, 2, 2);
    grid->addWidget(boundaryCheckBox, 2, 3);
    grid->addWidget(synthesisLabel, 3, 0);
    grid->addWidget(synthesisGroupBox, 3, 1);
    grid->addWidget(descriptionLabel, 4, 0);
    grid->addWidget(descriptionEdit, 4, 1, 1, 2);
    grid->addWidget(youngLabel, 5, 0);
    grid->addWidget(youngSpinBox, 5, 1);
    grid->addWidget(poissonLabel, 6, 0);
    grid->addWidget(poissonSpinBox, 6, 1);
    grid->addWidget(factinLabel, 7, 0);
    grid->addWidget(factinSpinBox, 7, 1);
    grid->addWidget(adhesionLabel, 8, 0);
    grid->addWidget(adhesionGroupBox, 8, 1);
    grid->addWidget(colorTextLabel, 9, 0);
    grid->addWidget(colorLabel, 9, 1);
    grid->addWidget(colorButton, 9, 2);
    grid->addWidget(behaviorLabel, 10, 0);
    grid->addWidget(proliferationLabel, 11, 0);
    grid->addWidget(proliferationSpinBox, 11, 1);
    grid->addWidget(migrationLabel, 11, 2);
    grid->addWidget(migrationSpinBox, 11, 3);
    grid->addWidget(apoptosisLabel, 12, 0);
    grid->addWidget(apoptosisSpinBox, 12, 1);
    grid->addWidget(quiescenceLabel, 12, 2);
    grid->addWidget(quiescenceSpinBox, 12, 3);
    grid->addWidget(buttonBox, 13, 0, 1, 3);
    grid->setRowMinimumHeight(6, 10);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(2, 1);
    setLayout(grid);
}

void cellForm::readWeights(int percent[4]) const
{
    percent[0] = proliferationSpinBox->value();
    percent[1] = migrationSpinBox->value();
    percent[2] = apoptosisSpinBox->value();
    percent[3] = quiescenceSpinBox->value();
}

void cellForm::updateColorLabel(QLabel* label, const QColor& c)
{
    QPixmap pixmap(80, 16);
    pixmap.fill(c);
    label->setPixmap(pixmap);
}

void cellForm::updateCytokineInfo()
{
    const QString name = shownName();
    if (name.isEmpty())
        return;
    ready = false;

    resetRows(synthesisTable, tr("NA"));
    QSqlQuery query;
    record_checks::run(QStringLiteral("SELECT cytokinename, synthesis FROM cytokine_cell WHERE cellname = ?"),
                       {name}, &query);
    while (query.next()) {
        const QList<QTableWidgetItem*> found =
            synthesisTable->findItems(query.value(0).toString(), Qt::MatchExactly | Qt::MatchCaseSensitive);
        for (QTableWidgetItem* item : found) {
            if (item->column() != 0)
                continue;
            item->setCheckState(Qt::Checked);
            synthesisTable->item(item->row(), 1)->setText(query.value(1).toString());
            break;
        }
    }

    record_checks::run(QStringLiteral("SELECT red, green, blue, growth_coef, migration_coef, death_coef, "
                                      "quiet_coef, use, static, boundary FROM cell WHERE name = ?"),
                       {name}, &query);
    if (query.next()) {
        updateColorLabel(colorLabel,
                         QColor(query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt()));
        // Rounded: a stored 0.29 is 29 per cent, which truncation would show as 28.
        QSpinBox* weights[] = {proliferationSpinBox, migrationSpinBox, apoptosisSpinBox, quiescenceSpinBox};
        for (int k = 0; k < 4; ++k)
            weights[k]->setValue(static_cast<int>(std::lround(query.value(3 + k).toDouble() * 100)));
        QCheckBox* flags[] = {useCheckBox, staticCheckBox, boundaryCheckBox};
        for (int k = 0; k < 3; ++k) {
            const int flag = query.value(7 + k).toInt();
            if (flag == 1 || flag == 0)
                flags[k]->setChecked(flag == 1);
        }
    }

    resetRows(adhesionTable, tr("30"));
    record_checks::run(QStringLiteral("SELECT value, cell2name, degrade FROM adhesion WHERE cell1name = ?"),
                       {name}, &query);
    while (query.next()) {
        const QString partner = query.value(1).toString();
        for (int row = 0; row < adhesionTable->rowCount(); ++row) {
            if (adhesionTable->item(row, 0)->text() != partner)
                continue;
            adhesionTable->item(row, 0)->setCheckState(query.value(2).toInt() == 1 ? Qt::Checked : Qt::Unchecked);
            adhesionTable->item(row, 1)->setData(Qt::DisplayRole, query.value(0).toDouble());
        }
    }
    ready = true;
}

void cellForm::newCell()
{
    // The blank row would show F-actin 0: the new type starts from the
    // shown one's.
    const int factin = factinSpinBox->value();
    if (!startNew())
        return;
    factinSpinBox->setValue(factin);
    nameEdit->clear();
    descriptionEdit->clear();
    youngSpinBox->setValue(20);
    poissonSpinBox->setValue(40);
    useCheckBox->setChecked(true);
    staticCheckBox->setChecked(false);
    nameEdit->setFocus();
}
