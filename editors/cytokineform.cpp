// The cytokine form's construction, its refill of the use flag and the
// synthesis table, the entry into a new record and the guard of the rate
// fields.
#include "editors/cytokineform.h"

#include "editors/record_checks.h"
#include "editors/record_widgets.h"

#include <QCheckBox>
#include <QDataWidgetMapper>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRelationalTableModel>
#include <QTableWidget>
#include <QTimer>

using namespace record_widgets;

namespace {

// Model columns of table cytokine the form maps or checks.
constexpr int kNameColumn = 1;
constexpr int kDescriptionColumn = 3;
constexpr int kDiffusionColumn = 5;
constexpr int kDegradationColumn = 6;

}

cytokineForm::cytokineForm(int id, QWidget*)
{
    createWidgets();
    // The rate columns take a number or nothing: the model would store any
    // other text as it stands.
    createModel(QStringLiteral("cytokine"),
                new record_checks::RecordDelegate({kDiffusionColumn, kDegradationColumn}, this));

    QSqlQuery query;
    query.exec(QStringLiteral("SELECT name FROM cell"));
    while (query.next())
        appendRow(synthesisTable, query.value(0).toString(), tr("NA"));

    mapper->addMapping(nameEdit, kNameColumn);
    mapper->addMapping(descriptionEdit, kDescriptionColumn);
    mapper->addMapping(diffusionEdit, kDiffusionColumn);
    mapper->addMapping(degradationEdit, kDegradationColumn);
    showInitial(id);
    updateCellInfo();

    connectWidgets();
    layOut();
    if (id != -1)
        nameEdit->setFocus(Qt::OtherFocusReason);
    else
        nextButton->setFocus(Qt::OtherFocusReason);
    setWindowTitle(QStringLiteral("Edit cytokines"));
}

void cytokineForm::createWidgets()
{
    synthesisTable = recordTable(tr("Name"), tr("Synthesis rate"));
    synthesisGroupBox = groupBoxOf(synthesisTable);
    descriptionEdit = new QLineEdit;
    useCheckBox = new QCheckBox;
    diffusionEdit = new QLineEdit;
    degradationEdit = new QLineEdit;
    for (QLineEdit* edit : {diffusionEdit, degradationEdit}) {
        edit->setValidator(new record_checks::AmountValidator(edit));
        edit->installEventFilter(this);
    }

    nameLabel = label(tr("&Name"), nameEdit);
    synthesisLabel = label(tr("&Synthesized from cell:<br>(10<sup>-7</sup>ng/cell/day)"), synthesisGroupBox);
    descriptionLabel = label(tr("&Description:"), descriptionEdit);
    useLabel = label(tr("&Used:"), useCheckBox);
    diffusionLabel = label(tr("&Diffusion (10<sup>-9</sup>cm<sup>2</sup>/s): "), diffusionEdit);
    degradationLabel = label(tr("&Degradation (10<sup>-4</sup>/min): "), degradationEdit);

}

void cytokineForm::connectWidgets()
{
    connect(descriptionEdit, &QLineEdit::textChanged, this, &cytokineForm::descriptionChanged);
    connect(useCheckBox, &QCheckBox::stateChanged, this, &cytokineForm::useChanged);
    connect(diffusionEdit, &QLineEdit::textChanged, this, &cytokineForm::diffusionChanged);
    connect(degradationEdit, &QLineEdit::textChanged, this, &cytokineForm::degradationChanged);
    connect(synthesisTable, &QTableWidget::itemChanged, this, &cytokineForm::cellInfoChanged);
    connectNavigation();
    connect(newButton, &QPushButton::clicked, this, &cytokineForm::newCytokine);
    connect(addButton, &QPushButton::clicked, this, &cytokineForm::addCytokine);
    connect(cancelButton, &QPushButton::clicked, this, &cytokineForm::cancelCytokine);
    connect(deleteButton, &QPushButton::clicked, this, &cytokineForm::deleteCytokine);
    connect(closeButton, &QPushButton::clicked, this, &cytokineForm::closeCytokine);
}

void cytokineForm::layOut()
{
    auto* grid = new QGridLayout;
    grid->addLayout(navigationRow(firstButton, previousButton, nextButton, lastButton), 0, 0, 1, 3);
    grid->addWidget(nameLabel, 1, 0);
    grid->addWidget(nameEdit, 1, 1);
    grid->addWidget(useLabel, 1, 2);
    grid->addWidget(useCheckBox, 1, 3);
    grid->addWidget(descriptionLabel, 2, 0);
    grid->addWidget(descriptionEdit, 2, 1, 1, 2);
    grid->addWidget(synthesisLabel, 3, 0);
    grid->addWidget(synthesisGroupBox, 3, 1, 1, 2);
    grid->addWidget(diffusionLabel, 4, 0);
    grid->addWidget(diffusionEdit, 4, 1, 1, 2);
    grid->addWidget(degradationLabel, 5, 0);
    grid->addWidget(degradationEdit, 5, 1, 1, 2);
    grid->addWidget(buttonBox, 6, 0, 1, 3);
    grid->setRowMinimumHeight(6, 10);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(2, 1);
    setLayout(grid);
}

void cytokineForm::updateCellInfo()
{
    const QString name = shownName();
    if (name.isEmpty())
        return;
    ready = false;
    QSqlQuery query;
    record_checks::run(QStringLiteral("SELECT use FROM cytokine WHERE name = ?"), {name}, &query);
    if (query.next()) {
        const int use = query.value(0).toInt();
        if (use == 1 || use == 0)
            useCheckBox->setCheckState(use == 1 ? Qt::Checked : Qt::Unchecked);
    }
    resetRows(synthesisTable, tr("NA"));
    record_checks::run(QStringLiteral("SELECT cellname, synthesis FROM cytokine_cell WHERE cytokinename = ?"),
                       {name}, &query);
    while (query.next()) {
        const QString cell = query.value(0).toString();
        for (int row = 0; row < synthesisTable->rowCount(); ++row) {
            if (synthesisTable->item(row, 0)->text() != cell)
                continue;
            synthesisTable->item(row, 0)->setCheckState(Qt::Checked);
            synthesisTable->item(row, 1)->setText(query.value(1).toString());
            break;
        }
    }
    ready = true;
}

void cytokineForm::newCytokine()
{
    if (!startNew())
        return;
    nameEdit->clear();
    descriptionEdit->clear();
    useCheckBox->setCheckState(Qt::Checked);
    diffusionEdit->clear();
    degradationEdit->clear();
    resetRows(synthesisTable, tr("NA"));
    nameEdit->setFocus(Qt::OtherFocusReason);
}

bool cytokineForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (event->type() == QEvent::FocusOut && (edit == diffusionEdit || edit == degradationEdit) && writable() &&
        !record_checks::parseAmount(edit->text())) {
        // The box waits until the focus change is over: opened from inside
        // it, it would take the focus again while the click that moved it is
        // still being delivered.
        const QString name = shownName();
        const QString text = edit == diffusionEdit ? tr("Please input the diffusion rate for %1!")
                                                   : tr("Please input the degradation rate for %1!");
        QPointer<QLineEdit> field = edit;
        QTimer::singleShot(0, this, [this, field, name, text] {
            warn(tr("Update Cytokine Information"), text.arg(name));
            if (field)
                restoreRate(field, name);
        });
    }
    return QDialog::eventFilter(watched, event);
}

void cytokineForm::restoreRate(QLineEdit* edit, const QString& name)
{
    // Another row shown meanwhile has put its own value there already.
    if (adding || shownName() != name || record_checks::parseAmount(edit->text()))
        return;
    QSqlQuery query;
    record_checks::run(QStringLiteral("SELECT diffusion, degradation FROM cytokine WHERE name = ?"), {name},
                       &query);
    if (!query.next())
        return;
    ready = false;
    edit->setText(query.value(edit == diffusionEdit ? 0 : 1).toString());
    ready = true;
}
