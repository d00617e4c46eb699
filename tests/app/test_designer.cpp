// The new-tissue designer: placing circles, building them and saving them
// as a "Center-based" tissue file.
#include "app/diagramitem.h"
#include "app/diagramscene.h"
#include "app/newdiagram.h"
#include "designer_driver.h"
#include "modal_answerer.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsView>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

namespace {

void answerBox(QWidget* modal, QMessageBox::StandardButton button, QString* text = nullptr)
{
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    if (text)
        *text = box->windowTitle() + "|" + box->text();
    box->button(button)->click();
}

void answerFileDialog(QWidget* modal, const QString& path)
{
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    if (path.isEmpty()) {
        dialog->reject();
        return;
    }
    dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
}

// Triggers the action and waits until every queued answer was given.
void runWithAnswers(QAction* action, ModalAnswerer& answers)
{
    QTimer::singleShot(0, action, &QAction::trigger);
    for (int i = 0; i < 500 && !answers.allAnswered(); ++i)
        QTest::qWait(10);
    QTest::qWait(20);
}

class Designer : public ::testing::Test {
protected:
    void SetUp() override
    {
        designer = std::make_unique<newDiagram>();
        designer->resize(600, 500);
        designer->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(designer.get()));
    }
    std::unique_ptr<newDiagram> designer;
};

} // namespace

TEST_F(Designer, OneClickOfTheCellToolPlacesOneCircleAtTheClick)
{
    auto* scene = designer->diagramScene();
    EXPECT_EQ(designer->windowTitle(), "New tissue diagram");
    EXPECT_EQ(scene->sceneRect(), QRectF(0, 0, 1000, 1000));
    EXPECT_EQ(scene->mode(), DiagramScene::MoveItem);

    DiagramItem* item = placeCircle(*designer, QPointF(100, 100));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->pos(), QPointF(100, 100));
    EXPECT_EQ(item->rect(), QRectF(0, 0, 40, 40));
    EXPECT_EQ(item->type(), 65551);
    EXPECT_EQ(scene->mode(), DiagramScene::MoveItem);
    EXPECT_FALSE(cellTool(*designer)->isChecked());

    // A further click on empty canvas places nothing.
    auto* view = designer->findChild<QGraphicsView*>();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->mapFromScene(QPointF(400, 400)));
    EXPECT_EQ(circleCount(*designer), 1);
}

TEST_F(Designer, BuildHandsOverTheCirclesMostRecentFirstAndEmptiesTheCanvas)
{
    placeCircle(*designer, QPointF(100, 100));
    placeCircle(*designer, QPointF(140, 100));
    placeCircle(*designer, QPointF(300, 300));
    ASSERT_EQ(circleCount(*designer), 3);

    QSignalSpy built(designer.get(), &newDiagram::buildSignal);
    actionNamed(*designer, "&Build")->trigger();
    ASSERT_EQ(built.count(), 1);
    EXPECT_EQ(circleCount(*designer), 0);
    EXPECT_FALSE(designer->isVisible());

    const std::vector<double> xs{300, 140, 100};
    const std::vector<double> ys{300, 100, 100};
    EXPECT_EQ(designer->xPositions, xs);
    EXPECT_EQ(designer->yPositions, ys);
    // Their world centres: the transform of the designer.
    EXPECT_DOUBLE_EQ(newDiagram::worldX(300), -95);
    EXPECT_DOUBLE_EQ(newDiagram::worldY(300), 95);
    EXPECT_DOUBLE_EQ(newDiagram::worldX(140), -175);
    EXPECT_DOUBLE_EQ(newDiagram::worldY(100), 195);
    EXPECT_DOUBLE_EQ(newDiagram::worldX(100), -195);
}

TEST_F(Designer, BuildOnAnEmptyCanvasOnlyCloses)
{
    QSignalSpy built(designer.get(), &newDiagram::buildSignal);
    actionNamed(*designer, "&Build")->trigger();
    EXPECT_EQ(built.count(), 0);
    EXPECT_FALSE(designer->isVisible());
}

TEST_F(Designer, DeleteRemovesTheSelectedCirclesOnly)
{
    DiagramItem* first = placeCircle(*designer, QPointF(100, 100));
    placeCircle(*designer, QPointF(300, 300));
    designer->diagramScene()->clearSelection();
    first->setSelected(true);
    actionNamed(*designer, "&Delete")->trigger();
    ASSERT_EQ(circleCount(*designer), 1);
    EXPECT_EQ(designer->diagramScene()->items().front()->pos(), QPointF(300, 300));
}

TEST_F(Designer, ExitSavesACircleAtTheCentreAsACenterBasedFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("designed.vt");
    placeCircle(*designer, QPointF(490, 490));

    ModalAnswerer answers;
    QString question;
    answers.then([&](QWidget* w) { answerBox(w, QMessageBox::Yes, &question); });
    answers.then([&](QWidget* w) { answerFileDialog(w, path); });
    runWithAnswers(actionNamed(*designer, "E&xit"), answers);

    EXPECT_EQ(question, "New tissue diagram|Do you wanna save the current tissue before quit?");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString expected =
        "#######################\n"
        "# Cell Growth Project #\n"
        "# Sample Database     #\n"
        "#######################\n"
        "Center-based\n"
        "\n"
        "# This is the bounds of your viewing window plane in VRC coordinates\n"
        "u -100.0,100.0\n"
        "v -75.0,75.0\n"
        "# VRC specifying vectors\n"
        "VPN 0.0,1.0\n"
        "VUP 1.0,0.0\n"
        "# World coordinate point specifying the VRC origin\n"
        "VRP 0.0,0.0\n"
        "# Specify the center of project in reference to the VRC\n"
        "PRP 0.0,0.0\n"
        "# List of vertices of objects in world coordinates\n"
        "CELL_LIST\n"
        "0,0,1 # CELL 0\n"
        "END_CELL_LIST\n";
    EXPECT_EQ(QString::fromUtf8(file.readAll()), expected);
    EXPECT_EQ(circleCount(*designer), 0);
    EXPECT_FALSE(designer->isVisible());
}

TEST_F(Designer, SavedCirclesAreWrittenMostRecentFirstInShortestNotation)
{
    placeCircle(*designer, QPointF(100, 100));
    placeCircle(*designer, QPointF(301, 300));
    QTemporaryDir dir;
    const QString path = dir.filePath("two.vt");

    ModalAnswerer answers;
    answers.then([&](QWidget* w) { answerBox(w, QMessageBox::Yes); });
    answers.then([&](QWidget* w) { answerFileDialog(w, path); });
    runWithAnswers(actionNamed(*designer, "E&xit"), answers);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    ASSERT_GE(lines.size(), 21);
    EXPECT_EQ(lines[17], "CELL_LIST");
    EXPECT_EQ(lines[18], "-94.5,95,1 # CELL 0");
    EXPECT_EQ(lines[19], "-195,195,1 # CELL 1");
    EXPECT_EQ(lines[20], "END_CELL_LIST");
}

TEST_F(Designer, ExitAnsweredNoDiscardsTheCircles)
{
    placeCircle(*designer, QPointF(100, 100));
    ModalAnswerer answers;
    answers.then([&](QWidget* w) { answerBox(w, QMessageBox::No); });
    runWithAnswers(actionNamed(*designer, "E&xit"), answers);
    EXPECT_EQ(circleCount(*designer), 0);
    EXPECT_FALSE(designer->isVisible());
}

TEST_F(Designer, ACancelledFileDialogClosesAndKeepsTheCircles)
{
    placeCircle(*designer, QPointF(100, 100));
    ModalAnswerer answers;
    answers.then([&](QWidget* w) { answerBox(w, QMessageBox::Yes); });
    answers.then([&](QWidget* w) { answerFileDialog(w, QString()); });
    runWithAnswers(actionNamed(*designer, "E&xit"), answers);
    EXPECT_FALSE(designer->isVisible());

    // Reopened, it shows the same circle.
    designer->show();
    ASSERT_EQ(circleCount(*designer), 1);
    EXPECT_EQ(designer->diagramScene()->items().front()->pos(), QPointF(100, 100));
}

TEST_F(Designer, AnUnwritableFileIsReportedAndNothingIsLost)
{
    QTemporaryDir dir;
    // A plain file in place of the folder: nothing can be created under it.
    QFile blocker(dir.filePath("plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.filePath("plain/designed.vt");
    placeCircle(*designer, QPointF(100, 100));

    ModalAnswerer answers;
    QString warning;
    answers.then([&](QWidget* w) { answerBox(w, QMessageBox::Yes); });
    answers.then([&](QWidget* w) { answerFileDialog(w, path); });
    answers.then([&](QWidget* w) { answerBox(w, QMessageBox::Ok, &warning); });
    runWithAnswers(actionNamed(*designer, "E&xit"), answers);

    // The file dialog may hand back the name resolved against the working
    // folder; either way it names the file that could not be written.
    EXPECT_TRUE(warning.startsWith("Vantu|Cannot write file ")) << warning.toStdString();
    EXPECT_TRUE(warning.contains("plain/designed.vt:\n")) << warning.toStdString();
    EXPECT_TRUE(warning.endsWith(".")) << warning.toStdString();
    EXPECT_EQ(circleCount(*designer), 1);
    EXPECT_TRUE(designer->isVisible());
}

TEST_F(Designer, TheToolBarCommandsShowTheirIconsAndTips)
{
    struct Expected {
        const char* text;
        const char* tip;
    };
    for (const Expected& e : {Expected{"&Delete", "Delete the selected cell"},
                              Expected{"&Build", "Build the diagram into the tissue"},
                              Expected{"E&xit", "Quit"}}) {
        QAction* action = actionNamed(*designer, e.text);
        ASSERT_NE(action, nullptr) << e.text;
        EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << e.text;
        EXPECT_EQ(action->statusTip(), QString(e.tip));
        EXPECT_TRUE(action->shortcut().isEmpty()) << e.text;
    }
}
