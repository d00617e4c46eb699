#include "model_env.h"

#include "model/parameter_database.h"
#include "model/parameter_tables.h"
#include "signalling/model_files.h"
#include "signalling/model_writer.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace model_env {

namespace {
QTemporaryDir& modelDirectory()
{
    static QTemporaryDir dir;
    return dir;
}
}

QString directory()
{
    return modelDirectory().path();
}

void seedDefaultDatabase()
{
    close_parameter_database();
    open_parameter_database();
    seed_parameter_database();
}

bool writeModelFiles()
{
    if (!modelDirectory().isValid()) {
        ADD_FAILURE() << "no temporary directory for the model files";
        return false;
    }
    model_files::setDirectory(modelDirectory().path());
    QString failure;
    if (!::writeModelFiles(&failure)) {
        ADD_FAILURE() << "model files not written: " << failure.toStdString();
        return false;
    }
    return true;
}

void prepareModelFilesForRun()
{
    seedDefaultDatabase();
    model_files::setDirectory(modelDirectory().path());
    QString failure;
    if (!modelDirectory().isValid() || !::writeModelFiles(&failure))
        std::fprintf(stderr, "model files not written: %s\n", failure.toLocal8Bit().constData());
    close_parameter_database();
    clear_parameter_tables();
}

void useModelFiles()
{
    model_files::setDirectory(modelDirectory().path());
}

bool prepareEngine()
{
    if (!QSqlDatabase::database(QSqlDatabase::defaultConnection, false).isOpen())
        seedDefaultDatabase();
    return writeModelFiles();
}

}
