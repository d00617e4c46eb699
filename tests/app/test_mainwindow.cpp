// The main window as a user meets it: start-up, the enabling of the
// commands, the file commands with their questions and the recent-file list,
// the cell dock and Print About.
#include "app_fixture.h"

#include "app/propertiesdialog.h"

#include <QMenu>
#include <QScrollArea>
#include <QTextStream>

TEST_F(AppTest, StartUpShowsTheWindowAndEnablesOnlyWhatNeedsNoTissue)
{
    EXPECT_EQ(window->windowTitle(), QString("Vantu"));
    EXPECT_EQ(window->size(), QSize(900, 600));
    auto* area = window->findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->minimumSize(), QSize(80, 60));

    for (QObject* command : probe->fileCommands())
        EXPECT_FALSE(isEnabled(command)) << command->metaObject()->className();
    for (QObject* command : probe->alwaysCommands())
        EXPECT_TRUE(isEnabled(command)) << command->metaObject()->className();
    EXPECT_FALSE(probe->cellTypeAction()->isEnabled());
    EXPECT_FALSE(probe->cellColorAction()->isEnabled());
    EXPECT_EQ(probe->stepSpinBox()->value(), 1);
    EXPECT_TRUE(probe->showDirectionAction()->isChecked());

    for (int j = 0; j < 5; ++j)
        EXPECT_FALSE(probe->recent(j)->isVisible());
    EXPECT_TRUE(probe->separator()->isVisible());

    // The view's context menu offers the type and colour commands, disabled.
    const auto context = view()->actions();
    ASSERT_EQ(context.size(), 2);
    EXPECT_EQ(context[0]->text(), QString("&Select cell type"));
    EXPECT_EQ(context[1]->text(), QString("&Select cell color"));
    EXPECT_EQ(view()->contextMenuPolicy(), Qt::ActionsContextMenu);

    // The view starts paused, at step 0 with target 1, without an engine.
    EXPECT_TRUE(view()->paused);
    EXPECT_EQ(view()->currentStep, 0);
    EXPECT_EQ(view()->targetStep, 1);
    EXPECT_EQ(view()->reader, nullptr);
}

TEST_F(AppTest, LoadEnablesTheFileCommandsAndNewDoesNotRefreshThem)
{
    // New before any load: the file name becomes "Untitled" but the enabled
    // states are not refreshed, and no engine is made.
    probe->newAction()->trigger();
    EXPECT_EQ(probe->curFile(), QString("Untitled"));
    EXPECT_EQ(window->windowTitle(), QString("Untitled[*] - Vantu"));
    EXPECT_FALSE(probe->saveAction()->isEnabled());
    EXPECT_EQ(view()->reader, nullptr);

    ASSERT_TRUE(probe->loadFile(sampleCopy()));
    for (QObject* command : probe->fileCommands())
        EXPECT_TRUE(isEnabled(command)) << command->metaObject()->className();
    for (QObject* command : probe->alwaysCommands())
        EXPECT_TRUE(isEnabled(command)) << command->metaObject()->className();
    EXPECT_FALSE(probe->cellTypeAction()->isEnabled());

    // New with an engine: an empty engine, the dock emptied, the commands
    // left enabled. (Whether it is another object cannot be told from its
    // address: the allocator may hand the freed one's back.)
    ASSERT_GT(cellCount(), 0);
    probe->newAction()->trigger();
    ASSERT_NE(view()->reader, nullptr);
    EXPECT_EQ(cellCount(), 0);
    EXPECT_TRUE(view()->reader->points.empty());
    EXPECT_TRUE(view()->reader->edges.empty());
    EXPECT_TRUE(view()->reader->interpairs.empty());
    EXPECT_EQ(probe->cellTree(), nullptr);
    for (QObject* command : probe->fileCommands())
        EXPECT_TRUE(isEnabled(command)) << command->metaObject()->className();
}

TEST_F(AppTest, OpenASampleShowsItsTitleStatusAndCells)
{
    const QString path = sampleCopy();
    openThroughDialog(path);

    EXPECT_EQ(probe->status(), QString("File loaded"));
    EXPECT_EQ(window->windowTitle(), QString("tissue.vt[*] - Vantu"));
    EXPECT_EQ(probe->curFile(), path);
    EXPECT_EQ(view()->fileName, path);
    ASSERT_TRUE(probe->recent(0)->isVisible());
    EXPECT_EQ(probe->recent(0)->text(), QString("&1 tissue.vt"));
    EXPECT_EQ(probe->recent(0)->data().toString(), path);
    EXPECT_FALSE(probe->recent(1)->isVisible());

    // The dock lists every cell under "Index", with its status and type.
    const int cells = cellCount();
    ASSERT_GT(cells, 0);
    QTreeWidget* tree = probe->cellTree();
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    const QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), QString("Index"));
    ASSERT_EQ(root->childCount(), cells);
    for (int k = 0; k < cells; ++k) {
        const QTreeWidgetItem* item = root->child(k);
        EXPECT_EQ(item->text(0), QString("CELL %1").arg(k));
        EXPECT_EQ(item->text(3), QString::number(k));
        ASSERT_EQ(item->childCount(), 2);
        EXPECT_EQ(item->child(0)->text(0), QString("Status"));
        const bool dead = view()->reader->cells[k]->dead;
        EXPECT_EQ(item->child(0)->text(1), QString(dead ? "Decease" : "Alive"));
        EXPECT_EQ(item->text(2), QString(dead ? "0" : "1"));
        EXPECT_EQ(item->child(1)->text(0), QString("Type"));
        EXPECT_FALSE(item->child(1)->text(1).isEmpty());
    }

    // A live cell's item selects that cell in the view.
    tree->setCurrentItem(root->child(cells - 1));
    probe->selectDock();
    ASSERT_EQ(view()->selectedCells.size(), 1u);
    EXPECT_EQ(view()->selectedCells[0], cells - 1);
    EXPECT_TRUE(view()->reader->cells[cells - 1]->selected);
    // The Index, Status and Type items select nothing.
    tree->setCurrentItem(root->child(0)->child(0));
    probe->selectDock();
    EXPECT_EQ(view()->selectedCells.size(), 1u);
}

TEST_F(AppTest, RecentFilesKeepFiveMostRecentFirstAndDropVanishedFiles)
{
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << sampleCopy(QString("t%1.vt").arg(i));
    for (const QString& path : paths)
        ASSERT_TRUE(probe->loadFile(path));

    for (int j = 0; j < 5; ++j) {
        ASSERT_TRUE(probe->recent(j)->isVisible());
        EXPECT_EQ(probe->recent(j)->text(), QString("&%1 t%2.vt").arg(j + 1).arg(5 - j));
    }
    EXPECT_EQ(probe->recentFiles().size(), 6);

    // Opening the file already first keeps one entry for it.
    ASSERT_TRUE(probe->loadFile(paths[5]));
    EXPECT_EQ(probe->recentFiles().count(paths[5]), 1);

    // A recent entry opens its file.
    probe->recent(3)->trigger();
    EXPECT_EQ(probe->curFile(), paths[2]);
    EXPECT_EQ(probe->recent(0)->data().toString(), paths[2]);

    // A deleted file leaves the list at the next change of the current file;
    // "Untitled" from New vanishes at once.
    ASSERT_TRUE(QFile::remove(paths[4]));
    probe->newAction()->trigger();
    EXPECT_FALSE(probe->recentFiles().contains(paths[4]));
    EXPECT_FALSE(probe->recentFiles().contains("Untitled"));
    EXPECT_EQ(probe->recentFiles().size(), 5);
}

TEST_F(AppTest, SaveAsAndReopenGivesTheSameTissue)
{
    ASSERT_TRUE(probe->loadFile(sampleCopy()));
    const int cells = cellCount();

    const QString first = dir.filePath("first.vt");
    auto shown = answerNextFileDialog(first);
    probe->saveAsAction()->trigger();
    ASSERT_TRUE(*shown);
    EXPECT_EQ(probe->status(), QString("File saved"));
    EXPECT_EQ(probe->curFile(), first);
    EXPECT_EQ(window->windowTitle(), QString("first.vt[*] - Vantu"));

    ASSERT_TRUE(probe->loadFile(first));
    EXPECT_EQ(cellCount(), cells);

    // Save without changes writes straight to the current file, no dialog.
    probe->saveAction()->trigger();
    EXPECT_EQ(probe->status(), QString("File saved"));

    const QString second = dir.filePath("second.vt");
    shown = answerNextFileDialog(second);
    probe->saveAsAction()->trigger();
    ASSERT_TRUE(*shown);

    QFile a(first), b(second);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

TEST_F(AppTest, NewAndExitAskFirstWhenTheTissueHasUnsavedChanges)
{
    const QString path = sampleCopy();
    ASSERT_TRUE(probe->loadFile(path));

    // New answered No goes on without saving.
    probe->setModified(true);
    auto box = answerNextBox(QMessageBox::No);
    probe->newAction()->trigger();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->title, QString("Vantu"));
    EXPECT_EQ(box->text,
              QString("Do you wanna save the current project before you create a new one?"));
    EXPECT_EQ(probe->curFile(), QString("Untitled"));
    EXPECT_EQ(cellCount(), 0);

    // Answered Ok with the Save As dialog cancelled, New stops: the unsaved
    // tissue stays, with its name.
    ASSERT_TRUE(probe->loadFile(path));
    const dbReader* loaded = view()->reader;
    probe->setModified(true);
    box = answerNextBox(QMessageBox::Ok);
    auto dialog = answerNextFileDialog(QString());
    probe->newAction()->trigger();
    ASSERT_TRUE(box->shown);
    ASSERT_TRUE(*dialog);
    EXPECT_EQ(probe->curFile(), path);
    EXPECT_EQ(view()->reader, loaded);
    EXPECT_TRUE(probe->modified());

    // The same for Open and a recent file: neither dialog nor load follows.
    box = answerNextBox(QMessageBox::Ok);
    dialog = answerNextFileDialog(QString());
    probe->openAction()->trigger();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, QString("Do you wanna save the current project before you open a file?"));
    EXPECT_EQ(view()->reader, loaded);
    box = answerNextBox(QMessageBox::Ok);
    dialog = answerNextFileDialog(QString());
    probe->recent(0)->trigger();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, QString("Do you wanna save the current project before you go ahead?"));
    EXPECT_EQ(view()->reader, loaded);

    // Answered Ok with a save that succeeds, the command goes on.
    const QString saved = dir.filePath("saved.vt");
    box = answerNextBox(QMessageBox::Ok);
    dialog = answerNextFileDialog(saved);
    probe->newAction()->trigger();
    ASSERT_TRUE(box->shown && *dialog);
    EXPECT_TRUE(QFile::exists(saved));
    EXPECT_EQ(probe->curFile(), QString("Untitled"));

    // Exit answered No closes without the second question.
    probe->setModified(true);
    box = answerNextBox(QMessageBox::No);
    probe->exitAction()->trigger();
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, QString("Do you wanna save the current project before you quit?"));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(AppTest, ExitWithAFailedSaveAsksTheClosingQuestion)
{
    ASSERT_TRUE(probe->loadFile(sampleCopy()));
    probe->setModified(true);
    // Exit's question answered Ok, Save As cancelled, then the closing
    // question answered No: the window stays open.
    auto boxes = answerBoxes({QMessageBox::Ok, QMessageBox::No});
    auto dialog = answerNextFileDialog(QString());
    probe->exitAction()->trigger();
    ASSERT_TRUE((*boxes)[0].shown);
    ASSERT_TRUE(*dialog);
    ASSERT_TRUE((*boxes)[1].shown);
    EXPECT_EQ((*boxes)[1].title, QString("Vantu"));
    EXPECT_EQ((*boxes)[1].text,
              QString("You have unsaved project on the platform. Do you still wanna quit anyway?"));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(AppTest, FailedLoadsKeepOrForgetTheTissueSafely)
{
    const QString path = sampleCopy();
    ASSERT_TRUE(probe->loadFile(path));

    // A file that cannot be opened: the reader's warning, nothing changed.
    const dbReader* loaded = view()->reader;
    auto box = answerNextBox(QMessageBox::Ok);
    EXPECT_FALSE(probe->loadFile(dir.filePath("missing.vt")));
    ASSERT_TRUE(box->shown);
    EXPECT_TRUE(box->text.startsWith("Cannot read file " + dir.filePath("missing.vt") + ":\n"));
    EXPECT_EQ(view()->reader, loaded);
    EXPECT_EQ(probe->curFile(), path);

    // An empty file (no bytes, or blank lines only) is refused with a reason.
    for (const QByteArray& content : {QByteArray(), QByteArray("\n  \n\r\n\n")}) {
        QFile empty(dir.filePath("empty.vt"));
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
        empty.write(content);
        empty.close();
        box = answerNextBox(QMessageBox::Ok);
        EXPECT_FALSE(probe->loadFile(empty.fileName()));
        ASSERT_TRUE(box->shown);
        EXPECT_EQ(box->text, "Cannot read file " + empty.fileName() + ":\nthe file is empty.");
        EXPECT_EQ(view()->reader, loaded);
        EXPECT_EQ(probe->curFile(), path);
        EXPECT_EQ(cellCount(), 7);
    }

    // A malformed file is refused: the previous tissue stays, with its name
    // and its cell list; only the selection is dropped.
    view()->selectFromDock(0);
    ASSERT_EQ(view()->selectedCells.size(), 1u);
    QFile bad(dir.filePath("bad.vt"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("Point-based\nthis is not a tissue\n");
    bad.close();
    box = answerNextBox(QMessageBox::Ok);
    EXPECT_FALSE(probe->loadFile(bad.fileName()));
    ASSERT_TRUE(box->shown);
    EXPECT_TRUE(box->text.startsWith("Cannot read file " + bad.fileName() + ":\n"));
    EXPECT_EQ(probe->status(), QString("Loading canceled"));
    EXPECT_EQ(view()->reader, loaded);
    EXPECT_EQ(probe->curFile(), path);
    EXPECT_NE(probe->cellTree(), nullptr);
    EXPECT_TRUE(view()->selectedCells.empty());

    // A file that vanishes once the new engine exists leaves an empty engine:
    // the window stops naming the previous tissue, so neither Save nor the
    // dock reach cells that are gone.
    const QString vanishing = sampleCopy("vanishing.vt");
    QObject::connect(view(), &GLWidget::delete_message,
                     [vanishing](int&) { QFile::remove(vanishing); });
    view()->selectFromDock(0);
    box = answerNextBox(QMessageBox::Ok);
    EXPECT_FALSE(probe->loadFile(vanishing));
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(probe->status(), QString("Loading canceled"));
    EXPECT_TRUE(probe->curFile().isEmpty());
    EXPECT_EQ(window->windowTitle(), QString("Untitled[*] - Vantu"));
    EXPECT_EQ(probe->cellTree(), nullptr);
    EXPECT_TRUE(view()->selectedCells.empty());
    ASSERT_NE(view()->reader, nullptr);
    EXPECT_EQ(cellCount(), 0);
    view()->selectFromDock(0);
    EXPECT_TRUE(view()->selectedCells.empty());
}

TEST_F(AppTest, PrintAboutWritesBesideTheExecutable)
{
    const QString path = QCoreApplication::applicationDirPath() + "/About.txt";
    QFile::remove(path);
    for (int i = 0; i < 2; ++i) {
        probe->printAboutAction()->trigger();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
        EXPECT_EQ(QString::fromUtf8(file.readAll()), QString("This is about the app!\n"));
    }
    QFile::remove(path);
}

TEST_F(AppTest, MechanismModeReachesTheViewAndTheEngine)
{
    ASSERT_TRUE(probe->loadFile(sampleCopy()));
    EXPECT_EQ(view()->reader->mech_mode, dbReader::MECH_MODEL);
    probe->growAction()->trigger();
    EXPECT_EQ(view()->modelMech, dbReader::MECH_GROW);
    EXPECT_EQ(view()->reader->mech_mode, dbReader::MECH_GROW);

    // A new engine starts in Model mode whatever the button shows, until the
    // button is used again.
    ASSERT_TRUE(probe->loadFile(sampleCopy("again.vt")));
    EXPECT_EQ(view()->reader->mech_mode, dbReader::MECH_MODEL);
    probe->mechButton()->click();
    EXPECT_EQ(view()->reader->mech_mode, dbReader::MECH_GROW);
}

TEST_F(AppTest, EveryCommandWithAnIconShowsIt)
{
    // The icons the commands name, and the window's own.
    for (const char* name :
         {"new", "open", "save", "picture", "solid", "mesh", "mole", "index", "arrow", "box",
          "zoom_in", "zoom_out", "select-restangular", "select-ellipse", "select", "color",
          "pause", "play", "dash", "grow", "relax", "data", "relation", "cue", "write", "icon"})
        EXPECT_FALSE(QIcon(QString(":/images/%1.png").arg(name)).pixmap(16, 16).isNull()) << name;
    EXPECT_FALSE(window->windowIcon().pixmap(16, 16).isNull());
}

TEST_F(AppTest, ExitEndsTheProgramWhileTheDesignerAndTheTypeChooserAreOpen)
{
    ASSERT_TRUE(probe->loadFile(sampleCopy()));
    probe->newAction()->trigger();
    ASSERT_TRUE(waitFor([&] { return probe->designer()->isVisible(); }));
    ASSERT_NE(view()->cellProperty, nullptr);
    view()->cellProperty->show();

    // The program's own event loop, as main runs it.
    QApplication::setQuitOnLastWindowClosed(true);
    bool stillRunning = false;
    QTimer::singleShot(0, probe->exitAction(), &QAction::trigger);
    QTimer deadline;  // gone with the test, so it cannot fire in a later one
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] {
        stillRunning = true;
        QApplication::quit();
    });
    deadline.start(3000);
    QApplication::exec();
    QApplication::setQuitOnLastWindowClosed(false);
    EXPECT_FALSE(stillRunning);
    probe->designer()->hide();
    view()->cellProperty->hide();
}
