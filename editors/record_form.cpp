#include "editors/record_form.h"

#include "editors/record_checks.h"
#include "editors/record_widgets.h"

#include <QAbstractItemDelegate>
#include <QDataWidgetMapper>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRelationalTableModel>

#include <algorithm>

RecordForm::RecordForm() : QDialog(nullptr)
{
    nameEdit = new QLineEdit;
    nameEdit->setReadOnly(true);
    firstButton = new QPushButton(tr("<< &First"));
    previousButton = new QPushButton(tr("< &Previous"));
    nextButton = new QPushButton(tr("&Next >"));
    lastButton = new QPushButton(tr("&Last >>"));
    newButton = new QPushButton(tr("&New"));
    addButton = new QPushButton(tr("&Add"));
    cancelButton = new QPushButton(tr("&Cancel"));
    deleteButton = new QPushButton(tr("&Delete"));
    closeButton = new QPushButton(tr("&Close"));
    addButton->setEnabled(false);
    cancelButton->setEnabled(false);
    buttonBox = new QDialogButtonBox;
    for (QPushButton* button : {newButton, addButton, cancelButton, deleteButton, closeButton})
        buttonBox->addButton(button, QDialogButtonBox::ActionRole);
}

void RecordForm::createModel(const QString& table, QAbstractItemDelegate* delegate)
{
    model = new QSqlRelationalTableModel(this);
    model->setTable(table);
    model->setSort(1, Qt::AscendingOrder);
    model->select();
    mapper = new QDataWidgetMapper(this);
    mapper->setSubmitPolicy(QDataWidgetMapper::AutoSubmit);
    mapper->setModel(model);
    mapper->setItemDelegate(delegate);
}

void RecordForm::showInitial(int id)
{
    if (id == -1) {
        mapper->toFirst();
    } else {
        const int row = record_widgets::rowWithId(model, id);
        if (row >= 0)
            mapper->setCurrentIndex(row);
    }
}

void RecordForm::connectNavigation()
{
    connect(firstButton, &QPushButton::clicked, mapper, &QDataWidgetMapper::toFirst);
    connect(firstButton, &QPushButton::clicked, this, [this] { refill(); });
    connect(previousButton, &QPushButton::clicked, mapper, &QDataWidgetMapper::toPrevious);
    connect(previousButton, &QPushButton::clicked, this, [this] { refill(); });
    connect(nextButton, &QPushButton::clicked, mapper, &QDataWidgetMapper::toNext);
    connect(nextButton, &QPushButton::clicked, this, [this] { refill(); });
    connect(lastButton, &QPushButton::clicked, mapper, &QDataWidgetMapper::toLast);
    connect(lastButton, &QPushButton::clicked, this, [this] { refill(); });
}

void RecordForm::setAdding(bool on)
{
    adding = on;
    nameEdit->setReadOnly(!on);
    addButton->setEnabled(on);
    cancelButton->setEnabled(on);
    for (QPushButton* button : {firstButton, nextButton, previousButton, lastButton})
        button->setEnabled(!on);
}

QString RecordForm::shownName() const
{
    return nameEdit->text();
}

void RecordForm::warn(const QString& title, const QString& text)
{
    QMessageBox::warning(this, title, text, QMessageBox::Ok);
}

bool RecordForm::startNew()
{
    if (adding)
        return false;
    setAdding(true);
    const int row = mapper->currentIndex();
    mapper->submit();
    if (row >= 0 && model->insertRow(row))
        mapper->setCurrentIndex(row);
    return true;
}

void RecordForm::dropNew()
{
    if (!adding)
        return;
    const int row = mapper->currentIndex();
    setAdding(false);
    model->revertAll();
    const int shown = std::min(row, model->rowCount() - 1);
    mapper->setCurrentIndex(shown);
    if (shown < 0)
        nameEdit->clear();
    refill();
}

void RecordForm::finishAdd(bool ok, record_checks::Transaction& transaction, int id, const QString& title)
{
    if (!ok || !transaction.commit()) {
        warn(title,
             tr("%1 could not be stored: %2").arg(shownName(), QSqlDatabase::database().lastError().text()));
        return;
    }
    setAdding(false);
    showStored(id, 0);
}

void RecordForm::deleteShown(const QString& title, const QStringList& statements)
{
    // A pending record is not stored: deleting it is dropping it.
    if (adding) {
        dropNew();
        return;
    }
    const QString name = shownName();
    if (name.isEmpty())
        return;
    const int row = mapper->currentIndex();
    if (QMessageBox::warning(this, title, tr("Are you sure to delete %1?").arg(name),
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    mapper->submit();

    record_checks::Transaction transaction;
    bool ok = true;
    for (const QString& statement : statements)
        ok = ok && record_checks::run(statement, {name});
    if (!ok || !transaction.commit())
        warn(title, tr("%1 could not be deleted: %2").arg(name, QSqlDatabase::database().lastError().text()));
    showStored(-1, row);
}

void RecordForm::showStored(int id, int fallback)
{
    model->revertAll();
    model->select();
    int row = record_widgets::rowWithId(model, id);
    if (row < 0)
        row = std::min(fallback, model->rowCount() - 1);
    mapper->setCurrentIndex(row);
    if (row < 0)
        nameEdit->clear();
    refill();
}

void RecordForm::done(int r)
{
    if (adding) {
        model->revertAll();
        setAdding(false);
    } else {
        mapper->submit();
    }
    QDialog::done(r);
}
