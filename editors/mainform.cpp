#include "editors/mainform.h"

#include "editors/cellform.h"
#include "editors/cytokineform.h"
#include "editors/record_checks.h"
#include "editors/record_widgets.h"

#include <QAbstractItemDelegate>
#include <QDialogButtonBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlRelationalDelegate>
#include <QSqlRelationalTableModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

// Columns of table cell.
enum CellColumn {
    kId, kName, kDescription, kYoung, kPoisson, kFactin, kRed, kGreen, kBlue,
    kGrowth, kMigration, kDeath, kQuiet, kUse, kStatic, kBoundary
};

bool isWeight(int column)
{
    return column >= kGrowth && column <= kQuiet;
}

// A number typed in place: the editor gives a text, the model a number.
bool numberOf(const QVariant& value, double* number)
{
    bool ok = false;
    *number = value.toString().trimmed().toDouble(&ok);
    return ok && std::isfinite(*number);
}

// Why an in-place value may not go into column `column` of the cell table;
// empty when it may. The ranges are the cell form's.
QString inPlaceProblem(int column, const QVariant& value, const QString& header)
{
    if (column == kName)
        return QObject::tr("A cell type cannot be renamed here: its name is the key of its synthesis, "
                           "adhesion, behaviour and cue rows.");
    struct Range {
        double low;
        double high;
        bool whole;
    };
    Range range{};
    switch (column) {
    case kYoung: range = {1, 400, true}; break;
    case kPoisson: range = {1, 49, true}; break;
    case kFactin: range = {0, 2000, true}; break;
    case kRed: case kGreen: case kBlue: range = {0, 255, true}; break;
    case kGrowth: case kMigration: case kDeath: case kQuiet: range = {0, 1, false}; break;
    case kUse: case kStatic: case kBoundary: range = {0, 1, true}; break;
    default: return QString();
    }
    double v = 0;
    if (numberOf(value, &v) && v >= range.low && v <= range.high && (!range.whole || v == std::floor(v)))
        return QString();
    return QObject::tr("%1 must be %2 from %3 to %4.")
        .arg(header, range.whole ? QObject::tr("a whole number") : QObject::tr("a number"))
        .arg(range.low)
        .arg(range.high);
}

// The cell table's model: it refuses in-place values outside the cell
// form's ranges and tells `refuse` why. A behaviour weight edited in place
// is normalised with the other three, as the cell form does, so the four
// always sum to 1.
class CellTableModel : public QSqlRelationalTableModel {
public:
    CellTableModel(QObject* parent, std::function<void(const QString&)> refuse)
        : QSqlRelationalTableModel(parent), refuse(std::move(refuse)) {}

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (role != Qt::EditRole || !index.isValid())
            return QSqlRelationalTableModel::setData(index, value, role);
        const QVariant stored = data(index, Qt::EditRole);
        double number = 0;
        const bool numeric = index.column() > kDescription && numberOf(value, &number);
        // Unchanged: a number compared as a number, so that its text or a
        // rounding editor never rewrites it.
        if (numeric ? number == stored.toDouble() : value == stored)
            return true;
        const QString header = headerData(index.column(), Qt::Horizontal).toString();
        const QString problem = inPlaceProblem(index.column(), value, header);
        if (!problem.isEmpty()) {
            refuse(problem);
            return false;
        }
        if (!isWeight(index.column()))
            return QSqlRelationalTableModel::setData(index, numeric ? QVariant(number) : value, role);

        double weights[4];
        double fractions[4];
        for (int k = 0; k < 4; ++k)
            weights[k] = kGrowth + k == index.column() ? number : this->index(index.row(), kGrowth + k).data().toDouble();
        if (!record_checks::normaliseWeights(weights, fractions)) {
            refuse(QObject::tr("The stochastic behaviors of %1 cannot all be 0!")
                       .arg(this->index(index.row(), kName).data().toString()));
            return false;
        }
        bool ok = true;
        for (int k = 0; k < 4; ++k)
            ok = QSqlRelationalTableModel::setData(this->index(index.row(), kGrowth + k), fractions[k], role) && ok;
        return ok;
    }

private:
    std::function<void(const QString&)> refuse;
};

// The cell table's delegate: a weight is edited as text holding every
// digit stored (a spin box would round it to two decimals).
class CellTableDelegate : public QSqlRelationalDelegate {
public:
    using QSqlRelationalDelegate::QSqlRelationalDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        if (!isWeight(index.column()))
            return QSqlRelationalDelegate::createEditor(parent, option, index);
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        return edit;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* edit = qobject_cast<QLineEdit*>(editor); edit && isWeight(index.column())) {
            edit->setText(QString::number(index.data(Qt::EditRole).toDouble(), 'g', QLocale::FloatingPointShortest));
            return;
        }
        QSqlRelationalDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* edit = qobject_cast<QLineEdit*>(editor); edit && isWeight(index.column())) {
            model->setData(index, edit->text(), Qt::EditRole);
            return;
        }
        QSqlRelationalDelegate::setModelData(editor, model, index);
    }
};

}

MainForm::MainForm() : QWidget(nullptr)
{
    createCellPanel();
    createCytokinePanel();

    splitter = new QSplitter(Qt::Vertical);
    splitter->setFrameStyle(QFrame::StyledPanel);
    splitter->addWidget(cellPanel);
    splitter->addWidget(cytokinePanel);

    editCellButton = new QPushButton(tr("&Edit Cell..."));
    editCytokineButton = new QPushButton(tr("&Edit Cytokine..."));
    quitButton = new QPushButton(tr("&Quit"));
    buttonBox = new QDialogButtonBox;
    for (QPushButton* button : {editCellButton, editCytokineButton, quitButton})
        buttonBox->addButton(button, QDialogButtonBox::ActionRole);
    connect(editCellButton, &QPushButton::clicked, this, &MainForm::editCell);
    connect(editCytokineButton, &QPushButton::clicked, this, &MainForm::editCytokine);
    connect(quitButton, &QPushButton::clicked, this, &MainForm::closeForm);

    auto* layout = new QVBoxLayout;
    layout->addWidget(splitter);
    layout->addWidget(buttonBox);
    setLayout(layout);
    setWindowTitle(tr("Cell Cytokine Manager"));

    cellView->setCurrentIndex(cellModel->index(0, 0));
}

void MainForm::createCellPanel()
{
    cellPanel = new QWidget;
    // The box waits until the edit has ended: opened inside the commit, it
    // would take the focus from the editor that is being closed.
    QPointer<MainForm> self(this);
    cellModel = new CellTableModel(this, [self](const QString& problem) {
        QTimer::singleShot(0, self, [self, problem] {
            QMessageBox::warning(self, tr("Cell Cytokine Manager"), problem, QMessageBox::Ok);
        });
    });
    cellModel->setTable(QStringLiteral("cell"));
    cellModel->setSort(kName, Qt::AscendingOrder);
    cellModel->setHeaderData(kName, Qt::Horizontal, tr("Cell."));
    cellModel->setHeaderData(kDescription, Qt::Horizontal, tr("Description"));
    cellModel->setHeaderData(kYoung, Qt::Horizontal, tr("Young's Modulus(kPa)"));
    cellModel->setHeaderData(kPoisson, Qt::Horizontal, tr("Poisson ratio(%)"));
    cellModel->select();

    cellView = new QTableView;
    cellView->setModel(cellModel);
    cellView->setItemDelegate(new CellTableDelegate(this));
    cellView->setSelectionMode(QAbstractItemView::SingleSelection);
    cellView->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int column : {kId, kFactin, kRed, kGreen})
        cellView->setColumnHidden(column, true);
    cellView->resizeColumnsToContents();
    cellView->horizontalHeader()->setStretchLastSection(true);

    cellLabel = new QLabel(tr("Cells"));
    cellLabel->setBuddy(cellView);
    connect(cellView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainForm::updateCytokineView);

    auto* layout = new QVBoxLayout;
    layout->addWidget(cellLabel);
    layout->addWidget(cellView);
    cellPanel->setLayout(layout);
}

void MainForm::createCytokinePanel()
{
    cytokinePanel = new QWidget;
    cytokineModel = new QSqlRelationalTableModel(this);
    cytokineModel->setTable(QStringLiteral("cytokine"));
    cytokineModel->setSort(1, Qt::AscendingOrder);
    cytokineModel->setHeaderData(1, Qt::Horizontal, tr("Cytokine."));
    cytokineModel->setHeaderData(3, Qt::Horizontal, tr("Description."));
    cytokineModel->setHeaderData(5, Qt::Horizontal, tr("Diffusion rate"));
    cytokineModel->setHeaderData(6, Qt::Horizontal, tr("Degradation rate"));
    cytokineModel->select();

    cytokineView = new QTableView;
    cytokineView->setModel(cytokineModel);
    cytokineView->setSelectionMode(QAbstractItemView::SingleSelection);
    cytokineView->setSelectionBehavior(QAbstractItemView::SelectRows);
    cytokineView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cytokineView->horizontalHeader()->setStretchLastSection(true);
    for (int column : {0, 2, 4})
        cytokineView->setColumnHidden(column, true);

    cytokineLabel = new QLabel(tr("&Cytokines"));
    cytokineLabel->setBuddy(cytokineView);

    auto* layout = new QVBoxLayout;
    layout->addWidget(cytokineLabel);
    layout->addWidget(cytokineView);
    cytokinePanel->setLayout(layout);
}

void MainForm::updateCytokineView()
{
    const QModelIndex current = cellView->currentIndex();
    if (current.isValid()) {
        const QSqlRecord record = cellModel->record(current.row());
        QSqlQuery query;
        query.exec(QStringLiteral("UPDATE cytokine SET incell = 0"));
        record_checks::run(QStringLiteral("UPDATE cytokine SET incell = 1 WHERE id IN "
                                          "(SELECT cytokineid FROM cytokine_cell WHERE cellid = ?)"),
                           {record.value(kId).toInt()});
        cytokineModel->setFilter(QStringLiteral("incell=1"));
        cytokineLabel->setText(tr("&Cytokines in %1").arg(record.value(kName).toString()));
    } else {
        cytokineModel->setFilter(QStringLiteral("id=-1"));
        cytokineLabel->setText(tr("&Cytokines"));
    }
    cytokineModel->select();
    cytokineView->horizontalHeader()->setVisible(cytokineModel->rowCount() > 0);
}

void MainForm::submitCellEdits()
{
    const QModelIndex current = cellView->currentIndex();
    if (QWidget* editor = cellView->indexWidget(current)) {
        // commitData and closeEditor are the view's protected slots.
        QMetaObject::invokeMethod(cellView, "commitData", Q_ARG(QWidget*, editor));
        QMetaObject::invokeMethod(cellView, "closeEditor", Q_ARG(QWidget*, editor),
                                  Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
    }
    cellModel->submitAll();
}

void MainForm::editCell()
{
    submitCellEdits();
    const QModelIndex current = cellView->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    const int id = current.isValid() ? cellModel->record(current.row()).value(kId).toInt() : -1;
    {
        cellForm form(id, this);
        form.exec();
    }
    // The form may have added, deleted or changed any type: the table is
    // read again and keeps the type it showed, or the row where it was.
    cellModel->select();
    int shown = record_widgets::rowWithId(cellModel, id);
    if (shown < 0)
        shown = std::min(row, cellModel->rowCount() - 1);
    cellView->setCurrentIndex(cellModel->index(shown, kName));
    updateCytokineView();
}

void MainForm::editCytokine()
{
    submitCellEdits();
    const QModelIndex current = cytokineView->currentIndex();
    const int id = current.isValid() ? cytokineModel->record(current.row()).value(0).toInt() : -1;
    {
        cytokineForm form(id, this);
        form.exec();
    }
    updateCytokineView();
}

void MainForm::closeForm()
{
    submitCellEdits();
    emit updateInfo(tr("update"));
    close();
}
