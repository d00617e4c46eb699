#ifndef VANTU_EDITORS_RECORD_WIDGETS_H
#define VANTU_EDITORS_RECORD_WIDGETS_H

// Widgets the cell form and the cytokine form build alike: labels with
// buddies, the two-column tables of names and values, and the row of
// navigation buttons.

#include <QString>

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSqlTableModel;
class QTableWidget;
class QWidget;

namespace record_widgets {

QLabel* label(const QString& text, QWidget* buddy);

// A table of two stretched columns with these headers, no selection.
QTableWidget* recordTable(const QString& nameHeader, const QString& valueHeader);
// An untitled group box holding `table` alone.
QGroupBox* groupBoxOf(QTableWidget* table);
// Appends a row: `name` checkable, unchecked and not editable; `value` editable.
void appendRow(QTableWidget* table, const QString& name, const QString& value);
// Sets every row to unchecked with `value`.
void resetRows(QTableWidget* table, const QString& value);

// The row of `model` whose column 0 (the id) is `id`; -1 when none is.
int rowWithId(const QSqlTableModel* model, int id);

// A stretch, First, Previous, Next, Last, a stretch; margins 20, 0, 20, 5.
QHBoxLayout* navigationRow(QPushButton* first, QPushButton* previous, QPushButton* next, QPushButton* last);

}

#endif
