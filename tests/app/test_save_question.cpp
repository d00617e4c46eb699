// The question before a command that would drop unsaved changes, answered
// each way: Ok and No keep their meaning, while Escape and closing the box
// call the command off and leave the program open with the tissue unchanged.
// The designer's question before its Exit drops circles the same way.
#include "app_fixture.h"
#include "designer_driver.h"
#include "modal_answerer.h"

#include <QKeyEvent>

namespace {

enum class Answer { Ok, No, Escape, Close };

const char* answerName(Answer a)
{
    switch (a) {
    case Answer::Ok: return "Ok";
    case Answer::No: return "No";
    case Answer::Escape: return "Escape";
    case Answer::Close: return "closing the box";
    }
    return "";
}

// Answers the next message box, as a user would: a button, the Escape key
// (sent where the keyboard focus is), or the box's close request.
void answerWith(ModalAnswerer& answers, Answer a, std::shared_ptr<QString> text)
{
    answers.then([a, text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        *text = box->text();
        switch (a) {
        case Answer::Ok: box->button(QMessageBox::Ok)->click(); break;
        case Answer::No: box->button(QMessageBox::No)->click(); break;
        case Answer::Escape:
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box, Qt::Key_Escape);
            break;
        case Answer::Close: box->close(); break;
        }
    });
}

struct Command {
    const char* name;
    std::function<void(MainWindowProbe&, MainWindow&)> run;
    const char* question;
};

const Command kCommands[] = {
    {"New", [](MainWindowProbe& p, MainWindow&) { p.newAction()->trigger(); },
     "Do you wanna save the current project before you create a new one?"},
    {"Open", [](MainWindowProbe& p, MainWindow&) { p.openAction()->trigger(); },
     "Do you wanna save the current project before you open a file?"},
    {"recent file", [](MainWindowProbe& p, MainWindow&) { p.recent(0)->trigger(); },
     "Do you wanna save the current project before you go ahead?"},
    {"Exit", [](MainWindowProbe& p, MainWindow&) { p.exitAction()->trigger(); },
     "Do you wanna save the current project before you quit?"},
    {"closing the window", [](MainWindowProbe&, MainWindow& w) { w.close(); },
     "You have unsaved project on the platform. Do you still wanna quit anyway?"},
};

}  // namespace

TEST_F(AppTest, EscapeOrClosingTheSaveQuestionCallsTheCommandOff)
{
    const QString path = sampleCopy();
    for (const Command& command : kCommands) {
        for (Answer a : {Answer::Escape, Answer::Close}) {
            SCOPED_TRACE(std::string(command.name) + ", " + answerName(a));
            ++answerGeneration();
            ASSERT_TRUE(probe->loadFile(path));
            probe->setModified(true);
            const dbReader* loaded = view()->reader;
            ModalAnswerer answers;
            auto text = std::make_shared<QString>();
            answerWith(answers, a, text);
            // Any file dialog would be a command going on: it is cancelled.
            auto dialog = answerNextFileDialog(QString());
            command.run(*probe, *window);
            EXPECT_EQ(answers.answeredCount(), 1);
            EXPECT_EQ(*text, QString(command.question));
            EXPECT_FALSE(*dialog);
            EXPECT_TRUE(window->isVisible());
            EXPECT_FALSE(probe->designer()->isVisible());
            EXPECT_EQ(view()->reader, loaded);
            EXPECT_EQ(cellCount(), 7);
            EXPECT_EQ(probe->curFile(), path);
            EXPECT_TRUE(probe->modified());
        }
    }
}

TEST_F(AppTest, NoOnTheSaveQuestionGoesOnWithoutSaving)
{
    const QString path = sampleCopy();
    for (const Command& command : kCommands) {
        SCOPED_TRACE(command.name);
        ++answerGeneration();  // the dialog answers of the command before stop
        window->show();
        ASSERT_TRUE(probe->loadFile(path));
        probe->setModified(true);
        const dbReader* loaded = view()->reader;
        const QByteArray before = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        ModalAnswerer answers;
        auto text = std::make_shared<QString>();
        answerWith(answers, Answer::No, text);
        auto dialog = answerNextFileDialog(QString());
        command.run(*probe, *window);
        EXPECT_EQ(answers.answeredCount(), 1);
        EXPECT_EQ(*text, QString(command.question));
        const QString name = command.name;
        if (name == "New") {
            EXPECT_EQ(probe->curFile(), QString("Untitled"));
            EXPECT_EQ(cellCount(), 0);
            EXPECT_TRUE(probe->designer()->isVisible());
            probe->designer()->hide();
        } else if (name == "Open") {
            // The open dialog follows (cancelled here): nothing is loaded.
            EXPECT_TRUE(*dialog);
            EXPECT_EQ(view()->reader, loaded);
        } else if (name == "recent file") {
            EXPECT_NE(view()->reader, loaded);
            EXPECT_FALSE(probe->modified());
        } else if (name == "Exit") {
            EXPECT_FALSE(window->isVisible());
        } else {
            // The closing question asks whether to quit: No stays.
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(view()->reader, loaded);
            EXPECT_TRUE(probe->modified());
        }
        if (name != "Open") {
            EXPECT_FALSE(*dialog);
        }
        // No answer saves anything.
        QFile after(path);
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll(), before);
    }
}

// Ok on Exit's question saves first, then the window closes; Ok on the
// closing question quits without saving.
TEST_F(AppTest, OkOnTheQuitQuestionsSavesOrQuits)
{
    ASSERT_TRUE(probe->loadFile(sampleCopy()));
    probe->setModified(true);
    const QString saved = dir.filePath("saved.vt");
    ModalAnswerer answers;
    auto text = std::make_shared<QString>();
    answerWith(answers, Answer::Ok, text);
    auto dialog = answerNextFileDialog(saved);
    probe->exitAction()->trigger();
    ASSERT_TRUE(*dialog);
    EXPECT_TRUE(QFile::exists(saved));
    EXPECT_FALSE(window->isVisible());

    window->show();
    ASSERT_TRUE(probe->loadFile(saved));
    probe->setModified(true);
    answerWith(answers, Answer::Ok, text);
    window->close();
    EXPECT_EQ(*text, QString("You have unsaved project on the platform. Do you still wanna quit anyway?"));
    EXPECT_FALSE(window->isVisible());
}

// The designer's Exit asks whether to save its circles: Escape or closing the
// question keeps the designer open with every circle; No drops them.
TEST_F(AppTest, TheDesignersQuestionKeepsItsCirclesUnlessAnsweredNo)
{
    newDiagram* designer = probe->designer();
    designer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(designer));
    ASSERT_NE(placeCircle(*designer, scenePointOf(0, 0)), nullptr);
    ASSERT_NE(placeCircle(*designer, scenePointOf(30, 0)), nullptr);
    for (Answer a : {Answer::Escape, Answer::Close, Answer::No}) {
        SCOPED_TRACE(answerName(a));
        ModalAnswerer answers;
        auto text = std::make_shared<QString>();
        answerWith(answers, a, text);
        QTimer::singleShot(0, actionNamed(*designer, "E&xit"), &QAction::trigger);
        ASSERT_TRUE(waitFor([&] { return answers.allAnswered(); }));
        QTest::qWait(20);
        EXPECT_EQ(*text, QString("Do you wanna save the current tissue before quit?"));
        const bool kept = a != Answer::No;
        EXPECT_EQ(designer->isVisible(), kept);
        EXPECT_EQ(circleCount(*designer), kept ? 2 : 0);
    }
}
