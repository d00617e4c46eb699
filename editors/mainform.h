#ifndef VANTU_EDITORS_MAINFORM_H
#define VANTU_EDITORS_MAINFORM_H

// The "Cell Cytokine Manager": every cell type in an upper table and, below,
// the cytokines that the selected type synthesises. Its buttons open the
// modal forms "Edit cells" and "Edit cytokines" on the selected row; "&Quit"
// tells the main window to reload the parameter tables (updateInfo) and
// hides the window. The main window makes one at start-up and keeps it.
//
// The cell table can be edited in place, within the ranges of the cell form
// and with its rules: a behaviour weight keeps every stored digit and is
// normalised with the other three, and a type cannot be renamed there,
// since its name keys the rows of every other table.

#include <QWidget>

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QSplitter;
class QSqlRelationalTableModel;
class QTableView;

class MainForm : public QWidget {
    Q_OBJECT

public:
    MainForm();

signals:
    // Emitted with "update" by "&Quit" only, never by the title bar.
    void updateInfo(const QString& str);

private slots:
    // Marks, in cytokine.incell, the cytokines the current cell type
    // synthesises and shows those.
    void updateCytokineView();
    void editCell();
    void editCytokine();
    void closeForm();

private:
    void createCellPanel();
    void createCytokinePanel();
    // Writes an in-place edit of the cell table that is still open or held
    // by the model.
    void submitCellEdits();

    QSqlRelationalTableModel* cellModel = nullptr;
    QSqlRelationalTableModel* cytokineModel = nullptr;
    QWidget* cellPanel = nullptr;
    QWidget* cytokinePanel = nullptr;
    QLabel* cellLabel = nullptr;
    QLabel* cytokineLabel = nullptr;
    QTableView* cellView = nullptr;
    QTableView* cytokineView = nullptr;
    QSplitter* splitter = nullptr;
    QPushButton* editCellButton = nullptr;
    QPushButton* editCytokineButton = nullptr;
    QPushButton* quitButton = nullptr;
    QDialogButtonBox* buttonBox = nullptr;

    // Tests reach the window's widgets through this class.
    friend class MainFormProbe;
};

#endif
