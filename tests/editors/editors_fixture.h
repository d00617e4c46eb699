#ifndef VANTU_TESTS_EDITORS_EDITORS_FIXTURE_H
#define VANTU_TESTS_EDITORS_EDITORS_FIXTURE_H

// The relationship diagram and the cue dialog under test: probes into the
// windows' private parts and the database reads the tests compare with, on
// the editors' common fixture (editor_probes.h).

#include "app/app_harness.h"
#include "editor_probes.h"
#include "editors/diagramwindow.h"
#include "editors/relation_dialogs.h"
#include "editors/relation_items.h"
#include "editors/tabdialog.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "support/model_env.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableWidget>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cstdlib>

using relations::Curve;
using relations::Link;
using relations::Node;

// Friend of DiagramWindow.
class DiagramWindowProbe {
public:
    explicit DiagramWindowProbe(DiagramWindow& window) : w(window) {}

    QGraphicsScene* scene() const { return w.scene; }
    QGraphicsView* view() const { return w.view; }
    QToolBar* toolBar() const { return w.toolBar; }

    QAction* upregulate() const { return w.upregulateAction; }
    QAction* downregulate() const { return w.downregulateAction; }
    QAction* synthesis() const { return w.synthesisAction; }
    QAction* inhibit() const { return w.inhibitAction; }
    QAction* promote() const { return w.promoteAction; }
    QAction* properties() const { return w.propertiesAction; }
    QAction* remove() const { return w.deleteAction; }
    QAction* front() const { return w.bringToFrontAction; }
    QAction* back() const { return w.sendToBackAction; }
    // In the order updateActions enables them.
    std::vector<QAction*> actions() const
    {
        return {upregulate(), downregulate(), synthesis(), inhibit(), promote(),
                properties(), remove(), front(), back()};
    }

    void addSynthesis() { w.addLinkSynthesis(); }
    void deleteSelected() { w.deleteLink(); }

    Node* node(const QString& text) const
    {
        for (QGraphicsItem* item : w.scene->items())
            if (auto* n = dynamic_cast<Node*>(item); n && n->text() == text)
                return n;
        return nullptr;
    }
    // The relation whose text is given, or null.
    template <class Item>
    Item* relation(const QString& text) const
    {
        for (QGraphicsItem* item : w.scene->items())
            if (auto* r = dynamic_cast<Item*>(item); r && r->text() == text)
                return r;
        return nullptr;
    }
    template <class Item>
    int count() const
    {
        int n = 0;
        for (QGraphicsItem* item : w.scene->items())
            n += dynamic_cast<Item*>(item) != nullptr;
        return n;
    }
    // Selects exactly these items, in this order.
    void select(std::initializer_list<QGraphicsItem*> items)
    {
        w.scene->clearSelection();
        for (QGraphicsItem* item : items)
            item->setSelected(true);
    }

private:
    DiagramWindow& w;
};

// Friend of LinkPropertiesDialog and CurvePropertiesDialog.
class RelationDialogProbe {
public:
    static QTableWidget* table(LinkPropertiesDialog& d) { return d.behaviorTable; }
    static QPushButton* ok(LinkPropertiesDialog& d) { return d.okButton; }
    static QPushButton* close(LinkPropertiesDialog& d) { return d.closeButton; }
    static QLabel* header(LinkPropertiesDialog& d) { return d.headerLabel; }
    static QLineEdit* scaling(CurvePropertiesDialog& d) { return d.scalingEdit; }
    static QPushButton* ok(CurvePropertiesDialog& d) { return d.okButton; }
    static QLabel* header(CurvePropertiesDialog& d) { return d.headerLabel; }

    // Checks a behaviour row and types its scaling.
    static void set(LinkPropertiesDialog& d, int row, const QString& scaling)
    {
        table(d)->item(row, 0)->setData(Qt::CheckStateRole, Qt::Checked);
        table(d)->item(row, 1)->setText(scaling);
    }
};

// Friend of TabDialog.
class CueDialogProbe {
public:
    explicit CueDialogProbe(TabDialog& dialog) : d(dialog) {}
    CuePage* chemotaxis() const { return d.chemotaxisTab; }
    CuePage* cohesotaxis() const { return d.cohesotaxisTab; }
    CuePage* chemokinesis() const { return d.chemokinesisTab; }
    CuePage* decision() const { return d.decisionTab; }
    QDialogButtonBox* buttons() const { return d.buttonBox; }
    QTabWidget* tabs() const { return d.tabWidget; }

private:
    TabDialog& d;
};

// Helpers of the relation editors' tests, kept apart from other suites of the
// same binary.
namespace relation_kit {

// The editors' common fixture (a fresh seeded database per test, a failure
// instead of a box left unanswered), which also lets box answers that were
// never needed see the end of the test and let go of themselves.
class RelationEditorsTest : public EditorTest {
protected:
    void TearDown() override
    {
        EditorTest::TearDown();
        QTest::qWait(50);
    }
};

// Every row of a statement, each as a list of its values read as text.
inline std::vector<QStringList> rows(const QString& statement, const QVariantList& values = {})
{
    QSqlQuery query;
    query.prepare(statement);
    for (const QVariant& v : values)
        query.addBindValue(v);
    EXPECT_TRUE(query.exec()) << statement.toStdString();
    std::vector<QStringList> result;
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i).toString();
        result.push_back(row);
    }
    return result;
}

// Runs a statement with bound values (tests insert awkward names with it).
inline void runStatement(const QString& statement, const QVariantList& values = {})
{
    QSqlQuery query;
    query.prepare(statement);
    for (const QVariant& v : values)
        query.addBindValue(v);
    ASSERT_TRUE(query.exec()) << statement.toStdString();
}

}

#endif
