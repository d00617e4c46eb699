#ifndef VANTU_EDITORS_TABDIALOG_H
#define VANTU_EDITORS_TABDIALOG_H

// The "Direction Cue Setup" dialog: for every cell type, its chemical cue, its
// mechanical cue with strength and transmission, and its migration mechanism,
// one page each, over table cue (one row per type, keyed by cue.cellname).
// Pages show the stored rows and an edit writes the changed type's row at
// once; Ok and Cancel only close. A type without a row (one added after
// start-up) shows what a load reads for it: no chemical cue, contraction,
// strength and transmission 0, static; its first edit creates its row with
// those values and the edit.

#include <QDialog>
#include <QVariantList>
#include <QWidget>

class QAbstractItemDelegate;
class QDialogButtonBox;
class QLabel;
class QTabWidget;
class QTableWidget;
class QTableWidgetItem;

// What the four pages share: a caption over a table of one row per cell type
// (column 0 the read-only name, the others edited through the page's
// delegate).
class CuePage : public QWidget {
    Q_OBJECT

public:
    // Lists the cell types afresh, each with its stored cue values. Writes
    // nothing.
    void showStored();

    QTableWidget* table;
    QLabel* label;

signals:
    // The cue row of one cell type was written.
    void rowWritten();

protected:
    CuePage(const QString& caption, const QStringList& headers, bool rowNumbers);
    void setDelegate(QAbstractItemDelegate* delegate);

    // The stored cue of one cell type; a type without a row reads as these
    // defaults, as the load reads it.
    struct StoredCue {
        QString cytokinename = QStringLiteral("");  // cue.cytokinename; empty (never NULL): no chemical cue
        int mechanics = 0;      // cue.mechanics, a MechanicalCue
        int strenPro = 0;       // cue.strenPro, per cent
        int transPro = 0;       // cue.transPro, per cent
        int migrate = 0;        // cue.migrate, a MigrationMechanism
    };
    virtual QStringList texts(const StoredCue& cue) const = 0;
    // Writes the page's columns of the given row into table cue; true when a
    // statement ran.
    virtual bool writeRow(int row) = 0;
    // Runs `update` (its last bound value the type's name) on the cue row
    // of the type named in column 0 of `row`, creating the row first, with
    // the StoredCue defaults, when a stored type has none.
    void updateCue(int row, const QString& update, QVariantList values);
    QString cellText(int row, int column) const;

    // Runs writeRow for the row of a changed cell.
    void writeChanged(QTableWidgetItem* item);
};

class ChemotaxisTab : public CuePage {
    Q_OBJECT

public:
    // The parent is not used: the tab widget takes the page.
    explicit ChemotaxisTab(QWidget* parent = nullptr);

protected slots:
    void updateChemoCue(QTableWidgetItem* item);

protected:
    QStringList texts(const StoredCue& cue) const override;
    bool writeRow(int row) override;
};

// The same page as ChemotaxisTab, over the same two columns of table cue.
class ChemokinesisTab : public ChemotaxisTab {
    Q_OBJECT

public:
    explicit ChemokinesisTab(QWidget* parent = nullptr);
};

class CohesotaxisTab : public CuePage {
    Q_OBJECT

public:
    explicit CohesotaxisTab(QWidget* parent = nullptr);

private slots:
    void updateMechCue(QTableWidgetItem* item);

protected:
    QStringList texts(const StoredCue& cue) const override;
    bool writeRow(int row) override;
};

class DecisionTab : public CuePage {
    Q_OBJECT

public:
    explicit DecisionTab(QWidget* parent = nullptr);

private slots:
    void updateDecision(QTableWidgetItem* item);

protected:
    QStringList texts(const StoredCue& cue) const override;
    bool writeRow(int row) override;
};

class TabDialog : public QDialog {
    Q_OBJECT

public:
    explicit TabDialog(QWidget* parent = nullptr);

    // Every page shows the stored cue rows again (the main window calls it
    // before showing the dialog).
    void reload();

private:
    QTabWidget* tabWidget;
    ChemotaxisTab* chemotaxisTab;
    CohesotaxisTab* cohesotaxisTab;
    ChemokinesisTab* chemokinesisTab;
    DecisionTab* decisionTab;
    QDialogButtonBox* buttonBox;

    friend class CueDialogProbe;
};

#endif
