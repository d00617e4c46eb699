#ifndef VANTU_TESTS_EDITORS_EDITOR_PROBES_H
#define VANTU_TESTS_EDITORS_EDITOR_PROBES_H

// Driving the parameter editors in tests: reaching the widgets of the
// Manager and its two forms, reading the database after every action, and
// answering the boxes they open.

#include "app/app_harness.h"
#include "app/modal_answerer.h"

#include "editors/cellform.h"
#include "editors/cytokineform.h"
#include "editors/mainform.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QColorDialog>
#include <QDataWidgetMapper>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSqlQuery>
#include <QSqlRelationalTableModel>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The name field, the buttons and the record state both forms share.
class RecordFormProbe {
public:
    explicit RecordFormProbe(RecordForm& form) : r(form) {}
    QLineEdit* name() const { return r.nameEdit; }
    QPushButton* first() const { return r.firstButton; }
    QPushButton* previous() const { return r.previousButton; }
    QPushButton* next() const { return r.nextButton; }
    QPushButton* last() const { return r.lastButton; }
    QPushButton* newButton() const { return r.newButton; }
    QPushButton* add() const { return r.addButton; }
    QPushButton* cancel() const { return r.cancelButton; }
    QPushButton* remove() const { return r.deleteButton; }
    QPushButton* close() const { return r.closeButton; }
    bool adding() const { return r.adding; }

    // Browsing: navigation on, "&Add" and "&Cancel" off, the name read-only;
    // Adding the reverse.
    void expectBrowsing(bool browsing, const char* where) const
    {
        SCOPED_TRACE(where);
        EXPECT_EQ(adding(), !browsing);
        EXPECT_EQ(name()->isReadOnly(), browsing);
        EXPECT_EQ(add()->isEnabled(), !browsing);
        EXPECT_EQ(cancel()->isEnabled(), !browsing);
        for (QPushButton* b : {first(), previous(), next(), last()})
            EXPECT_EQ(b->isEnabled(), browsing);
    }

private:
    RecordForm& r;
};

class CellFormProbe : public RecordFormProbe {
public:
    explicit CellFormProbe(cellForm& form) : RecordFormProbe(form), f(form) {}
    QLineEdit* description() const { return f.descriptionEdit; }
    QCheckBox* use() const { return f.useCheckBox; }
    QCheckBox* isStatic() const { return f.staticCheckBox; }
    QCheckBox* boundary() const { return f.boundaryCheckBox; }
    QSpinBox* young() const { return f.youngSpinBox; }
    QSpinBox* poisson() const { return f.poissonSpinBox; }
    QSpinBox* factin() const { return f.factinSpinBox; }
    QSpinBox* weight(int k) const
    {
        QSpinBox* boxes[] = {f.proliferationSpinBox, f.migrationSpinBox, f.apoptosisSpinBox, f.quiescenceSpinBox};
        return boxes[k];
    }
    QTableWidget* synthesis() const { return f.synthesisTable; }
    QTableWidget* adhesion() const { return f.adhesionTable; }
    QLabel* swatch() const { return f.colorLabel; }
    QPushButton* colorButton() const { return f.colorButton; }

private:
    cellForm& f;
};

class CytokineFormProbe : public RecordFormProbe {
public:
    explicit CytokineFormProbe(cytokineForm& form) : RecordFormProbe(form), f(form) {}
    QLineEdit* description() const { return f.descriptionEdit; }
    QCheckBox* use() const { return f.useCheckBox; }
    QLineEdit* diffusion() const { return f.diffusionEdit; }
    QLineEdit* degradation() const { return f.degradationEdit; }
    QTableWidget* synthesis() const { return f.synthesisTable; }

private:
    cytokineForm& f;
};

class MainFormProbe {
public:
    explicit MainFormProbe(MainForm& form) : f(form) {}
    QTableView* cells() const { return f.cellView; }
    QTableView* cytokines() const { return f.cytokineView; }
    QSqlRelationalTableModel* cellModel() const { return f.cellModel; }
    QSqlRelationalTableModel* cytokineModel() const { return f.cytokineModel; }
    QLabel* cytokineLabel() const { return f.cytokineLabel; }
    QPushButton* editCell() const { return f.editCellButton; }
    QPushButton* editCytokine() const { return f.editCytokineButton; }
    QPushButton* quit() const { return f.quitButton; }

private:
    MainForm& f;
};

// --- the database -------------------------------------------------------------

// The first column of the first row of `sql` run with `values` bound; an
// invalid value when there is no row.
inline QVariant scalar(const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query;
    query.prepare(sql);
    for (const QVariant& v : values)
        query.addBindValue(v);
    query.exec();
    return query.next() ? query.value(0) : QVariant();
}

inline int rowCount(const QString& table, const QString& where = QString(), const QVariantList& values = {})
{
    return scalar("SELECT COUNT(*) FROM " + table + (where.isEmpty() ? QString() : " WHERE " + where), values)
        .toInt();
}

// Every row of every table as text: unchanged when nothing was written.
inline QString databaseDump()
{
    QString dump;
    for (const char* table : {"cell", "cytokine", "cytokine_cell", "regulate", "behavior", "adhesion", "cue"}) {
        QSqlQuery query(QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(table));
        while (query.next()) {
            dump += table;
            for (int k = 0; k < 16; ++k)
                dump += "|" + query.value(k).toString();
            dump += "\n";
        }
    }
    return dump;
}

// Tells `widget` it lost the focus, as a click elsewhere does. Sent
// directly: the tests share one display, where a window of another test may
// hold the activation that real focus changes need.
inline void leave(QWidget* widget)
{
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(widget, &out);
}

// --- the boxes ------------------------------------------------------------------

struct BoxSeenHere {
    QString title;
    QString text;
};

// Presses `button` on the message box it is given, keeping its title and text.
inline ModalAnswerer::Handler pressing(QMessageBox::StandardButton button, BoxSeenHere* seen = nullptr)
{
    return [button, seen](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr) << modal->metaObject()->className();
        if (seen)
            *seen = {box->windowTitle(), box->text()};
        box->button(button)->click();
    };
}

// Clicks `button` and waits until every answer queued in `answers` was given.
inline void clickAnswering(QAbstractButton* button, ModalAnswerer& answers)
{
    QTest::mouseClick(button, Qt::LeftButton);
    for (int i = 0; i < 300 && !answers.allAnswered(); ++i)
        QTest::qWait(10);
    EXPECT_TRUE(answers.allAnswered()) << button->text().toStdString();
}

// Each test gets a freshly seeded database; a message box that no answer
// expects is closed with a failure instead of hanging the run.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QApplication::setQuitOnLastWindowClosed(false);
        close_parameter_database();
        clear_parameter_tables();
        ASSERT_TRUE(open_parameter_database());
        seed_parameter_database();
        watchdog.setInterval(100);
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box->property("answered").toBool()) {
                unexpectedTicks = 0;
                return;
            }
            if (++unexpectedTicks > 30) {
                ADD_FAILURE() << "unexpected box: " << box->windowTitle().toStdString() << ": "
                              << box->text().toStdString();
                box->setProperty("answered", true);
                box->reject();
            }
        });
        watchdog.start();
    }

    void TearDown() override
    {
        watchdog.stop();
        ++answerGeneration();
        close_parameter_database();
        clear_parameter_tables();
    }

    // Makes a form, shows it and waits until it can take clicks.
    template <class Form>
    std::unique_ptr<Form> open(int id)
    {
        auto form = std::make_unique<Form>(id, nullptr);
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    static int cellId(const QString& name) { return lookup_cell_id(name); }
    static int cytokineId(const QString& name) { return lookup_cytokine_id(name); }

    QTimer watchdog;
    int unexpectedTicks = 0;
};

// A form of type Form, shown, with its probe; "&Add" refusals checked alike.
template <class Form, class Probe>
class RecordFormTest : public EditorTest {
protected:
    void TearDown() override
    {
        p.reset();
        form.reset();
        EditorTest::TearDown();
    }
    void openOnId(int id)
    {
        form = open<Form>(id);
        p = std::make_unique<Probe>(*form);
    }
    // "&Add" expecting a refusal: the box, nothing written, still adding.
    void expectRefusedAdd(const QString& title, const QString& text)
    {
        const QString before = databaseDump();
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::Ok, &box));
        clickAnswering(p->add(), answers);
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(databaseDump(), before);
        p->expectBrowsing(false, "after a refused Add");
    }

    std::unique_ptr<Form> form;
    std::unique_ptr<Probe> p;
};

#endif
