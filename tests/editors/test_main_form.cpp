// The Cell Cytokine Manager alone and inside the whole program: what its
// panels show, its in-place edits, the forms it opens, and the reload of the
// parameter tables that its "&Quit" asks for, also while a step holds the
// engine.
#include "editor_probes.h"

#include "app/app_fixture.h"
#include "biology/biology.h"
#include "model/cell.h"
#include "support/topology_check.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <QSignalSpy>

namespace {

QStringList shownCytokines(const MainFormProbe& p)
{
    QStringList names;
    for (int row = 0; row < p.cytokineModel()->rowCount(); ++row)
        names << p.cytokineModel()->index(row, 1).data().toString();
    return names;
}

int rowOfCell(const MainFormProbe& p, const QString& name)
{
    for (int row = 0; row < p.cellModel()->rowCount(); ++row) {
        if (p.cellModel()->index(row, 1).data().toString() == name)
            return row;
    }
    return -1;
}

void selectCell(const MainFormProbe& p, const QString& name)
{
    p.cells()->setCurrentIndex(p.cellModel()->index(rowOfCell(p, name), 1));
}

// Edits a cell of the upper table in place through its editor, as a user does.
void editInPlace(const MainFormProbe& p, const QString& type, int column, const QString& text)
{
    const QModelIndex index = p.cellModel()->index(rowOfCell(p, type), column);
    p.cells()->setCurrentIndex(index);
    p.cells()->edit(index);
    QWidget* editor = p.cells()->indexWidget(index);
    if (!editor) {
        for (QWidget* w : p.cells()->viewport()->findChildren<QWidget*>()) {
            if (w->isVisible() && (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w)))
                editor = w;
        }
    }
    ASSERT_NE(editor, nullptr);
    QWidget* input = editor;
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(editor)) {
        spin->selectAll();
        input = spin->findChild<QLineEdit*>();
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->selectAll();
    }
    QTest::keyClicks(input, text);
    QTest::keyClick(input, Qt::Key_Return);
    QPointer<QWidget> closing = editor;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !closing || !closing->isVisible(); }, 2000));
}

}  // namespace

class ManagerTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        manager = std::make_unique<MainForm>();
        manager->show();
        p = std::make_unique<MainFormProbe>(*manager);
    }
    void TearDown() override
    {
        p.reset();
        manager.reset();
        EditorTest::TearDown();
    }
    std::unique_ptr<MainForm> manager;
    std::unique_ptr<MainFormProbe> p;
};

TEST_F(ManagerTest, ShowsTheCytokinesOfTheCurrentCellType)
{
    EXPECT_EQ(manager->windowTitle(), "Cell Cytokine Manager");
    EXPECT_EQ(p->cells()->currentIndex().row(), 0);
    EXPECT_EQ(p->cellModel()->index(0, 1).data().toString(), "BM");
    EXPECT_EQ(p->cytokineLabel()->text(), "&Cytokines in BM");
    EXPECT_EQ(p->cytokineModel()->rowCount(), 0);
    EXPECT_FALSE(p->cytokines()->horizontalHeader()->isVisible());
    for (int column : {0, 5, 6, 7})
        EXPECT_TRUE(p->cells()->isColumnHidden(column)) << column;
    EXPECT_EQ(p->cellModel()->headerData(3, Qt::Horizontal).toString(), "Young's Modulus(kPa)");

    selectCell(*p, "FC");
    EXPECT_EQ(p->cytokineLabel()->text(), "&Cytokines in FC");
    EXPECT_EQ(shownCytokines(*p), QStringList({"EGF", "KGF", "PDGF", "TGFb"}));
    EXPECT_TRUE(p->cytokines()->horizontalHeader()->isVisible());
    QSqlQuery marked("SELECT id FROM cytokine WHERE incell = 1 ORDER BY id");
    QList<int> ids;
    while (marked.next())
        ids << marked.value(0).toInt();
    EXPECT_EQ(ids, QList<int>({2, 3, 5, 7}));

    // With VANTU_WRITE_SCREENSHOTS=<folder> the README's picture of the
    // Manager is written there, at the size the main window gives it.
    const QString folder = qEnvironmentVariable("VANTU_WRITE_SCREENSHOTS");
    if (!folder.isEmpty()) {
        manager->resize(400, 500);
        QTest::qWait(100);
        EXPECT_TRUE(manager->grab().save(folder + "/screenshot-manager.png"));
    }
}

TEST_F(ManagerTest, QuitWritesThePendingEditAndAsksOnceForTheReload)
{
    QSignalSpy spy(manager.get(), &MainForm::updateInfo);
    int youngAtSignal = 0;
    QObject::connect(manager.get(), &MainForm::updateInfo, [&] {
        youngAtSignal = scalar("SELECT young FROM cell WHERE name = 'FC'").toInt();
    });
    // An in-place value the model still holds (it writes on a row change).
    const QModelIndex young = p->cellModel()->index(rowOfCell(*p, "FC"), 3);
    ASSERT_TRUE(p->cellModel()->setData(young, 150));
    EXPECT_EQ(scalar("SELECT young FROM cell WHERE name = 'FC'").toInt(), 400);

    manager->close();
    EXPECT_EQ(spy.count(), 0);
    manager->show();
    QTest::mouseClick(p->quit(), Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), "update");
    EXPECT_EQ(youngAtSignal, 150);
    EXPECT_FALSE(manager->isVisible());
}

TEST_F(ManagerTest, InPlaceEditsStayWithinTheFormsRangesAndNeverRename)
{
    editInPlace(*p, "FC", 4, "35");
    selectCell(*p, "BM");
    EXPECT_EQ(scalar("SELECT poisson FROM cell WHERE name = 'FC'").toInt(), 35);

    struct Case {
        int column;
        QString text;
        QString message;
    };
    const QList<Case> cases{
        {4, "60", "Poisson ratio(%) must be a whole number from 1 to 49."},
        {3, "401", "Young's Modulus(kPa) must be a whole number from 1 to 400."},
        {1, "Clot", "A cell type cannot be renamed here: its name is the key of its synthesis, adhesion, "
                    "behaviour and cue rows."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QString before = databaseDump();
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::Ok, &box));
        editInPlace(*p, "FC", c.column, c.text);
        EXPECT_TRUE(QTest::qWaitFor([&] { return answers.allAnswered(); }, 3000));
        selectCell(*p, "BM");
        EXPECT_EQ(box.title, "Cell Cytokine Manager");
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(databaseDump(), before);
    }
    // Values the view offers no editor range for are refused just the same.
    struct Direct {
        int column;
        QVariant value;
        QString message;
    };
    for (const Direct& d : {Direct{9, 1.5, "growth_coef must be a number from 0 to 1."},
                            Direct{13, 2, "use must be a whole number from 0 to 1."}}) {
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::Ok, &box));
        EXPECT_FALSE(p->cellModel()->setData(p->cellModel()->index(rowOfCell(*p, "FC"), d.column), d.value));
        EXPECT_TRUE(QTest::qWaitFor([&] { return answers.allAnswered(); }, 3000));
        EXPECT_EQ(box.text, d.message);
    }
    EXPECT_TRUE(p->cellModel()->setData(p->cellModel()->index(rowOfCell(*p, "FC"), 13), 0));
}

TEST_F(ManagerTest, InPlaceWeightsKeepEveryDigitAndAreNormalisedLikeTheForms)
{
    QSqlQuery set;
    ASSERT_TRUE(set.exec("UPDATE cell SET growth_coef = 0.333333, migration_coef = 0.333333, death_coef = 0.333334, "
                         "quiet_coef = 0 WHERE name = 'FC'"));
    ASSERT_TRUE(set.exec("UPDATE cell SET growth_coef = 1, migration_coef = 0, death_coef = 0, quiet_coef = 0 "
                         "WHERE name = 'ECM'"));
    p->cellModel()->select();
    const QString before = databaseDump();

    // Opening each weight and pressing Return changes nothing.
    for (int column = 9; column <= 12; ++column)
        editInPlace(*p, "FC", column, "");
    selectCell(*p, "BM");
    EXPECT_EQ(databaseDump(), before);

    // A weight typed in place is normalised with the other three.
    editInPlace(*p, "FC", 9, "0.5");
    selectCell(*p, "BM");
    const double weights[] = {0.5, 0.333333, 0.333334, 0};
    const char* columns[] = {"growth_coef", "migration_coef", "death_coef", "quiet_coef"};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(scalar(QStringLiteral("SELECT %1 FROM cell WHERE name = 'FC'").arg(columns[k])).toDouble(),
                  QString::number(weights[k] / 1.166667, 'g', 6).toDouble())
            << columns[k];

    // Refused, with nothing written: a weight that is no fraction, four
    // weights of 0.
    struct Case {
        QString type;
        int column;
        QString text;
        QString message;
    };
    const QList<Case> cases{
        {"FC", 9, "abc", "growth_coef must be a number from 0 to 1."},
        {"FC", 10, "-0.1", "migration_coef must be a number from 0 to 1."},
        {"FC", 9, "inf", "growth_coef must be a number from 0 to 1."},
        {"ECM", 9, "0", "The stochastic behaviors of ECM cannot all be 0!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const QString unchanged = databaseDump();
        ModalAnswerer answers;
        BoxSeenHere box;
        answers.then(pressing(QMessageBox::Ok, &box));
        editInPlace(*p, c.type, c.column, c.text);
        EXPECT_TRUE(QTest::qWaitFor([&] { return answers.allAnswered(); }, 3000));
        selectCell(*p, "BM");
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(databaseDump(), unchanged);
    }
}

TEST_F(ManagerTest, TheFormsOpenOnTheSelectionAndTheTablesFollowThem)
{
    selectCell(*p, "FC");
    {
        ModalAnswerer answers;
        QString shown;
        answers.then([&](QWidget* w) {
            auto* form = qobject_cast<cellForm*>(w);
            ASSERT_NE(form, nullptr);
            CellFormProbe f(*form);
            shown = f.name()->text();
            // A new type, added in the form.
            QTest::mouseClick(f.newButton(), Qt::LeftButton);
            QTest::keyClicks(f.name(), "Melanocyte");
            QTest::keyClicks(f.description(), "Pigment cell");
            QTest::mouseClick(f.add(), Qt::LeftButton);
            QTest::mouseClick(f.close(), Qt::LeftButton);
        });
        clickAnswering(p->editCell(), answers);
        EXPECT_EQ(shown, "FC");
    }
    EXPECT_EQ(p->cellModel()->rowCount(), 7);
    EXPECT_GE(rowOfCell(*p, "Melanocyte"), 0);
    EXPECT_EQ(p->cellModel()->index(p->cells()->currentIndex().row(), 1).data().toString(), "FC");

    // The lower table follows what the cytokine form changed.
    selectCell(*p, "Keratinocyte");
    EXPECT_EQ(shownCytokines(*p), QStringList({"MMP", "TGFb"}));
    p->cytokines()->setCurrentIndex(p->cytokineModel()->index(0, 1));
    {
        ModalAnswerer answers;
        QString shown;
        answers.then([&](QWidget* w) {
            auto* form = qobject_cast<cytokineForm*>(w);
            ASSERT_NE(form, nullptr);
            CytokineFormProbe f(*form);
            shown = f.name()->text();
            QTest::mouseClick(f.first(), Qt::LeftButton);  // Collagen
            for (int row = 0; row < f.synthesis()->rowCount(); ++row) {
                if (f.synthesis()->item(row, 0)->text() != "Keratinocyte")
                    continue;
                f.synthesis()->item(row, 1)->setText("1");
                f.synthesis()->item(row, 0)->setCheckState(Qt::Checked);
            }
            QTest::mouseClick(f.close(), Qt::LeftButton);
        });
        clickAnswering(p->editCytokine(), answers);
        EXPECT_EQ(shown, "MMP");
    }
    EXPECT_EQ(shownCytokines(*p), QStringList({"Collagen", "MMP", "TGFb"}));

    // With an empty lower table the cytokine form opens on its first row.
    selectCell(*p, "BM");
    {
        ModalAnswerer answers;
        QString shown;
        answers.then([&](QWidget* w) {
            CytokineFormProbe f(*qobject_cast<cytokineForm*>(w));
            shown = f.name()->text();
            QTest::mouseClick(f.close(), Qt::LeftButton);
        });
        clickAnswering(p->editCytokine(), answers);
        EXPECT_EQ(shown, "Collagen");
    }
}

// --- the whole program ---------------------------------------------------------

class ManagerInProgramTest : public AppTest {
protected:
    MainForm* manager() const
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* form = qobject_cast<MainForm*>(w))
                return form;
        }
        return nullptr;
    }
    QAction* databaseAction() const
    {
        for (QAction* a : window->findChildren<QAction*>()) {
            if (a->text() == "&Database")
                return a;
        }
        return nullptr;
    }
    // Data > Database, then "&Edit Cell..." on `type`, running `inForm`.
    void editCellType(const QString& type, const std::function<void(CellFormProbe&)>& inForm)
    {
        databaseAction()->trigger();
        ASSERT_NE(manager(), nullptr);
        ASSERT_TRUE(manager()->isVisible());
        MainFormProbe p(*manager());
        selectCell(p, type);
        ModalAnswerer answers;
        answers.then([&](QWidget* w) {
            CellFormProbe f(*qobject_cast<cellForm*>(w));
            inForm(f);
            QTest::mouseClick(f.close(), Qt::LeftButton);
        });
        clickAnswering(p.editCell(), answers);
    }
    void quitManager()
    {
        QTest::mouseClick(MainFormProbe(*manager()).quit(), Qt::LeftButton);
    }
    QString woundCopy()
    {
        const QString path = dir.filePath("wound.vt");
        QFile::remove(path);
        const char* samples = std::getenv("VANTU_SAMPLES");
        EXPECT_TRUE(QFile::copy(QString(samples ? samples : "samples") + "/wound_center.vt", path));
        return path;
    }
};

TEST_F(ManagerInProgramTest, ANewTypesAdhesionReachesTheTablesBothWays)
{
    editCellType("Keratinocyte", [](CellFormProbe& f) {
        QTest::mouseClick(f.newButton(), Qt::LeftButton);
        QTest::keyClicks(f.name(), "Melanocyte");
        QTest::keyClicks(f.description(), "Pigment cell");
        for (int row = 0; row < f.adhesion()->rowCount(); ++row) {
            if (f.adhesion()->item(row, 0)->text() == "Keratinocyte")
                f.adhesion()->item(row, 1)->setText("10");
        }
        QTest::mouseClick(f.add(), Qt::LeftButton);
    });
    EXPECT_TRUE(index_name_class.empty() || index_name_class.size() == 6);
    quitManager();
    ASSERT_EQ(index_name_class[6], "Melanocyte");
    EXPECT_EQ(adhesion_pair_array[3][6], 10 * 3.14159265 * 0.25);
    EXPECT_EQ(adhesion_pair_array[6][3], 10 * 3.14159265 * 0.25);
    EXPECT_DOUBLE_EQ(adhesion_pair_array[3][6], 7.853981625);
}

TEST_F(ManagerInProgramTest, EditedWeightsReachTheBehaviourModelAtTheNextLoad)
{
    editCellType("Keratinocyte", [](CellFormProbe& f) {
        const int weights[] = {20, 10, 0, 70};
        for (int k = 0; k < 4; ++k)
            f.weight(k)->setValue(weights[k]);
    });
    quitManager();
    ASSERT_TRUE(probe->loadFile(woundCopy()));
    ASSERT_NE(view()->reader, nullptr);
    cell keratinocyte(0);
    keratinocyte.cell_type = name_index_class["Keratinocyte"];
    EXPECT_DOUBLE_EQ(view()->reader->biology->CalcValueProbGrowthDiv(&keratinocyte), 0.2);
}

TEST_F(ManagerInProgramTest, DeletingATypeUnderAnOpenTissueLeavesAStepSound)
{
    ASSERT_TRUE(probe->loadFile(woundCopy()));
    editCellType("ECM", [](CellFormProbe& f) {
        ModalAnswerer answers;
        answers.then(pressing(QMessageBox::Yes));
        clickAnswering(f.remove(), answers);
    });
    EXPECT_EQ(rowCount("cell", "name = 'ECM'"), 0);
    quitManager();
    // The load's dock rebuild may still hold the engine: the reload follows.
    EXPECT_TRUE(waitFor([] { return index_name_class.size() == 5 && index_name_class[0] == "BM"; }, 5000));
    // Every cell of the wound stays a Keratinocyte, now at index 2.
    ASSERT_NE(view()->reader, nullptr);
    ASSERT_FALSE(view()->reader->cells.empty());
    for (const cell* c : view()->reader->cells)
        EXPECT_EQ(index_name_class.at(c->cell_type), "Keratinocyte") << c->id;
    auto problem = answerNextBox(QMessageBox::Ok);
    probe->stepSpinBox()->setValue(1);
    probe->playAction()->trigger();
    ASSERT_TRUE(waitFor([this] { return !probe->playAction()->isChecked(); }, 60000));
    EXPECT_EQ(view()->currentStep, 1);
    EXPECT_FALSE(problem->shown) << problem->text.toStdString();
    ASSERT_NE(view()->reader, nullptr);
    EXPECT_TRUE(topologyIsSound(*view()->reader));
}

TEST_F(ManagerInProgramTest, DeletingTheTypeOfOpenCellsKeepsTheirTablesAndSaysWhy)
{
    ASSERT_TRUE(probe->loadFile(woundCopy()));
    const auto names = index_name_class;
    const auto mu = elastic_MU;
    editCellType("Keratinocyte", [](CellFormProbe& f) {
        ModalAnswerer answers;
        answers.then(pressing(QMessageBox::Yes));
        clickAnswering(f.remove(), answers);
    });
    auto box = answerNextBox(QMessageBox::Ok);
    quitManager();
    EXPECT_TRUE(waitFor([&] { return box->shown; }, 5000));
    EXPECT_EQ(box->title, "Cell Cytokine Manager");
    EXPECT_EQ(box->text, "The open tissue has cells of the cell types \"Keratinocyte\", which the database no "
                         "longer holds: the parameter tables keep their values until the next Open or New.");
    EXPECT_EQ(index_name_class, names);
    EXPECT_EQ(elastic_MU, mu);
    for (const cell* c : view()->reader->cells)
        EXPECT_EQ(c->cell_type, 3);
}

TEST_F(ManagerInProgramTest, QuitWhileAStepHoldsTheEngineReloadsOnlyAfterIt)
{
    ASSERT_TRUE(probe->loadFile(woundCopy()));
    auto hold = std::make_unique<GLWidget::EngineUse>(*view());
    editCellType("Keratinocyte", [](CellFormProbe& f) {
        QTest::mouseClick(f.newButton(), Qt::LeftButton);
        QTest::keyClicks(f.name(), "Melanocyte");
        QTest::keyClicks(f.description(), "Pigment cell");
        QTest::mouseClick(f.add(), Qt::LeftButton);
    });
    quitManager();
    QTest::qWait(200);
    EXPECT_EQ(name_index_class.count("Melanocyte"), 0u);
    hold.reset();
    EXPECT_TRUE(waitFor([] { return name_index_class.count("Melanocyte") == 1; }, 5000));
}
