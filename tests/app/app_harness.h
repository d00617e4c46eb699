#ifndef VANTU_TESTS_APP_APP_HARNESS_H
#define VANTU_TESTS_APP_APP_HARNESS_H

// Driving the real main window in tests: reaching its commands and state,
// answering the modal boxes and file dialogs it opens, and waiting for the
// step loop.

#include "app/glwidget.h"
#include "app/mainwindow.h"
#include "app/newdiagram.h"

#include <QLabel>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <vector>

// Friend of MainWindow: the tests read and set its private state here.
class MainWindowProbe {
public:
    explicit MainWindowProbe(MainWindow& window) : w(window) {}

    GLWidget* view() const { return w.glWidget; }
    QString curFile() const { return w.curFile; }
    bool modified() const { return w.modified; }
    void setModified(bool m) { w.modified = m; }
    QStringList recentFiles() const { return w.recentFiles; }
    QAction* recent(int j) const { return w.recentFileActions[j]; }
    QAction* separator() const { return w.separatorAction; }
    QTreeWidget* cellTree() const { return w.cellTree; }
    QSpinBox* stepSpinBox() const { return w.modelStepSpinBox; }
    QToolButton* mechButton() const { return w.mechButton; }
    QToolButton* moleculeButton() const { return w.moleculeButton; }
    QString status() const { return w.statusBar()->currentMessage(); }
    bool loadFile(const QString& name) { return w.loadFile(name); }
    void selectDock() { w.select_dock(); }
    newDiagram* designer() const { return w.newDiagramWindow; }
    QString statusText1() const { return w.statusLabel1->text(); }
    QString statusText2() const { return w.statusLabel2->text(); }

    QAction* newAction() const { return w.newAction; }
    QAction* openAction() const { return w.openAction; }
    QAction* saveAction() const { return w.saveAction; }
    QAction* saveAsAction() const { return w.saveAsAction; }
    QAction* snapshotAction() const { return w.snapshotAction; }
    QAction* exitAction() const { return w.exitAction; }
    QAction* pauseAction() const { return w.pauseAction; }
    QAction* playAction() const { return w.playAction; }
    QAction* cellTypeAction() const { return w.cellTypeAction; }
    QAction* cellColorAction() const { return w.cellColorAction; }
    QAction* showDirectionAction() const { return w.showDirectionAction; }
    QAction* printAboutAction() const { return w.printAboutAction; }
    QAction* growAction() const { return w.growAction; }

    // Commands ruled by the current file name, in the order of the rule.
    std::vector<QObject*> fileCommands() const
    {
        return {w.saveAction,  w.saveAsAction,       w.snapshotAction,      w.solidAction,
                w.meshAction,  w.moleculeButton,     w.showIndexAction,     w.showDirectionAction,
                w.showSelectionAction, w.zoomInAction, w.zoomOutAction,     w.pauseAction,
                w.playAction,  w.mechButton,         w.selectAllAction,     w.ovalAction,
                w.rectangleAction};
    }
    // Commands that are never disabled.
    std::vector<QObject*> alwaysCommands() const
    {
        return {w.newAction,         w.openAction,         w.exitAction,
                w.printAboutAction,  w.modelStepSpinBox,   w.databaseAction,
                w.linkDiagramAction, w.migrationCueAction, w.aboutAction,
                w.aboutQtAction};
    }

private:
    MainWindow& w;
};

inline bool isEnabled(QObject* command)
{
    if (auto* action = qobject_cast<QAction*>(command))
        return action->isEnabled();
    return qobject_cast<QWidget*>(command)->isEnabled();
}

// A box or dialog not seen within this many milliseconds is given up, so a
// failing test leaves no answer behind for the next one.
constexpr int kAnswerDeadline = 15000;

// Answers wait only within the test that armed them: the fixture bumps this
// when a test ends, and pending answers then give up.
inline int& answerGeneration()
{
    static int generation = 0;
    return generation;
}

// What a modal box showed when it was answered.
struct BoxSeen {
    bool shown = false;
    QString title;
    QString text;
};

// Answers the next message boxes, one after the other, by pressing the given
// buttons; other modal widgets (progress dialogs) are waited out.
inline std::shared_ptr<std::vector<BoxSeen>> answerBoxes(
    std::vector<QMessageBox::StandardButton> buttons)
{
    auto seen = std::make_shared<std::vector<BoxSeen>>(buttons.size());
    auto next = std::make_shared<size_t>(0);
    auto poll = std::make_shared<std::function<void()>>();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    const int generation = answerGeneration();
    *poll = [seen, next, poll, buttons, clock, generation]() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || generation != answerGeneration()) {
            if (clock->elapsed() > kAnswerDeadline || generation != answerGeneration()) {
                *poll = nullptr;
                return;
            }
            QTimer::singleShot(20, *poll);
            return;
        }
        BoxSeen& s = (*seen)[*next];
        s.shown = true;
        s.title = box->windowTitle();
        s.text = box->text();
        box->button(buttons[*next])->click();
        if (++*next == buttons.size()) {
            *poll = nullptr;  // break the self-reference
            return;
        }
        clock->restart();
        QTimer::singleShot(20, *poll);
    };
    QTimer::singleShot(20, *poll);
    return seen;
}

// Answers the next message box by pressing `button`.
inline std::shared_ptr<BoxSeen> answerNextBox(QMessageBox::StandardButton button)
{
    auto all = answerBoxes({button});
    // Shares ownership with the list: the entry lives as long as either.
    return std::shared_ptr<BoxSeen>(all, &all->front());
}

// Answers the next file dialog with `path`, or cancels it when `path` is empty.
// The dialog fills its folder view in a background thread and may ignore an
// early accept, so the answer is repeated until that dialog has closed.
inline std::shared_ptr<bool> answerNextFileDialog(const QString& path)
{
    auto shown = std::make_shared<bool>(false);
    auto answered = std::make_shared<QPointer<QFileDialog>>();
    auto poll = std::make_shared<std::function<void()>>();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    const int generation = answerGeneration();
    *poll = [shown, answered, poll, path, clock, generation]() {
        if (clock->elapsed() > kAnswerDeadline || generation != answerGeneration()) {
            *poll = nullptr;  // break the self-reference
            return;
        }
        QFileDialog* dialog = *shown ? answered->data()
                                     : qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (*shown && (!dialog || !dialog->isVisible())) {
            *poll = nullptr;  // the dialog has closed
            return;
        }
        if (dialog && dialog->isVisible()) {
            *shown = true;
            *answered = dialog;
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                // The name typed into the dialog's own field is what it takes.
                dialog->setDirectory(QFileInfo(path).absolutePath());
                dialog->selectFile(path);
                if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit"))
                    edit->setText(path);
                static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept is protected
            }
        }
        QTimer::singleShot(20, *poll);
    };
    QTimer::singleShot(20, *poll);
    return shown;
}

// Waits (processing events) until `done` holds or `ms` milliseconds passed.
inline bool waitFor(const std::function<bool()>& done, int ms = 10000)
{
    return QTest::qWaitFor(done, ms);
}

#endif
