#ifndef VANTU_TESTS_MODEL_TISSUE_TEST_ENV_H
#define VANTU_TESTS_MODEL_TISSUE_TEST_ENV_H

// Shared set-up of the tissue file tests: a seeded parameter database with
// fresh tables, the signalling model files an engine reads when it is made,
// a temporary directory, and an answerer for the warning boxes.

#include "model/dbreader.h"
#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "model/tissue_file.h"
#include "support/crossings.h"
#include "support/model_env.h"
#include "support/topology_check.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

// Answers every warning box that comes up while it lives, keeping its text.
class BoxAnswerer {
public:
    BoxAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        timer.start(5);
    }
    QStringList texts;

private:
    QTimer timer;
};

// Presses Cancel in the progress dialog of the given title as soon as it
// exists, shown or not.
class Canceller {
public:
    explicit Canceller(const QString& title)
    {
        QObject::connect(&timer, &QTimer::timeout, [this, title] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QProgressDialog*>(w);
                if (dialog && dialog->windowTitle() == title) {
                    dialog->cancel();
                    ++presses;
                }
            }
        });
        timer.start(0);
    }
    int presses = 0;

private:
    QTimer timer;
};

inline QString testDataPath(const QString& test, const QString& file)
{
    return QDir(QString::fromLocal8Bit(qgetenv("VANTU_TEST_DATA"))).filePath(test + "/" + file);
}

inline QString samplePath(const QString& file)
{
    return QDir(QString::fromLocal8Bit(qgetenv("VANTU_SAMPLES"))).filePath(file);
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

class TissueFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        srand(1);
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(open_parameter_database());
        seed_parameter_database();
        UserInitialParas();
        ASSERT_TRUE(model_env::writeModelFiles());
    }
    void TearDown() override
    {
        delete reader;
        reader = nullptr;
        close_parameter_database();
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Loads through the view's loader into `reader`.
    bool load(const QString& file, QString* error = nullptr)
    {
        const int lines = TissueFile::readLineCount(nullptr, file);
        return TissueFile::readDatabase(nullptr, reader, file, lines, 0, TissueFile::LoadHooks(), error);
    }
    bool save(const QString& file, QString* error = nullptr)
    {
        return TissueFile::writeFile(nullptr, reader, file, error);
    }

    QTemporaryDir dir;
    dbReader* reader = nullptr;
    // Every warning box of a test is answered here, so none can hang it.
    BoxAnswerer boxes;
};


#endif
