#include "editors/record_widgets.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace record_widgets {

QLabel* label(const QString& text, QWidget* buddy)
{
    auto* l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
}

QTableWidget* recordTable(const QString& nameHeader, const QString& valueHeader)
{
    auto* table = new QTableWidget;
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setColumnCount(2);
    table->setHorizontalHeaderLabels({nameHeader, valueHeader});
    table->horizontalHeader()->setDefaultSectionSize(120);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    return table;
}

QGroupBox* groupBoxOf(QTableWidget* table)
{
    auto* box = new QGroupBox;
    auto* layout = new QVBoxLayout;
    layout->addWidget(table);
    box->setLayout(layout);
    return box;
}

void appendRow(QTableWidget* table, const QString& name, const QString& value)
{
    auto* nameItem = new QTableWidgetItem(name);
    nameItem->setFlags(nameItem->flags() & ~Qt::ItemIsEditable);
    nameItem->setCheckState(Qt::Unchecked);
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, nameItem);
    table->setItem(row, 1, new QTableWidgetItem(value));
}

void resetRows(QTableWidget* table, const QString& value)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        table->item(row, 0)->setCheckState(Qt::Unchecked);
        table->item(row, 1)->setText(value);
    }
}

int rowWithId(const QSqlTableModel* model, int id)
{
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->record(row).value(0).toInt() == id)
            return row;
    }
    return -1;
}

QHBoxLayout* navigationRow(QPushButton* first, QPushButton* previous, QPushButton* next, QPushButton* last)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 0, 20, 5);
    row->addStretch();
    for (QPushButton* button : {first, previous, next, last})
        row->addWidget(button);
    row->addStretch();
    return row;
}

}
