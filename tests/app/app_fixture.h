#ifndef VANTU_TESTS_APP_APP_FIXTURE_H
#define VANTU_TESTS_APP_APP_FIXTURE_H

// A fresh, shown main window per test, with a private folder for tissue
// files and pictures.

#include "app_harness.h"

#include "model/dbreader.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QApplication::setQuitOnLastWindowClosed(false);
        // Every window opens and seeds a fresh database of its own.
        close_parameter_database();
        clear_parameter_tables();
        srand(1);
        ASSERT_TRUE(dir.isValid());
        window = std::make_unique<MainWindow>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        probe = std::make_unique<MainWindowProbe>(*window);
    }

    void TearDown() override
    {
        ++answerGeneration();
        // Let pending answers see the end of the test and stop.
        QTest::qWait(50);
        probe.reset();
        window.reset();
        close_parameter_database();
        clear_parameter_tables();
    }

    // The sample tissue the application tests open.
    static QString samplePath()
    {
        const char* samples = std::getenv("VANTU_SAMPLES");
        return QString(samples ? samples : "samples") + "/" + kSampleName;
    }

    // A copy of the sample in this test's folder (pictures of the steps are
    // written beside the tissue file, never into the repository).
    QString sampleCopy(const QString& name = "tissue.vt")
    {
        const QString path = dir.filePath(name);
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(samplePath(), path)) << samplePath().toStdString();
        return path;
    }

    // Opens `path` through the Open command and its file dialog.
    void openThroughDialog(const QString& path)
    {
        auto shown = answerNextFileDialog(path);
        probe->openAction()->trigger();
        ASSERT_TRUE(*shown);
    }

    GLWidget* view() const { return probe->view(); }
    int cellCount() const
    {
        return view()->reader ? static_cast<int>(view()->reader->cells.size()) : -1;
    }

    static constexpr const char* kSampleName = "small_center.vt";

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowProbe> probe;
};

#endif
