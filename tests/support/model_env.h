#ifndef VANTU_TESTS_SUPPORT_MODEL_ENV_H
#define VANTU_TESTS_SUPPORT_MODEL_ENV_H

// The environment an engine needs before it is made: a parameter database on
// the default connection and the SBML model files written from it, which the
// engine's behaviour model reads while it is constructed.

#include <QString>

namespace model_env {

// Closes the default connection and opens a fresh in-memory database seeded
// with the default rows.
void seedDefaultDatabase();

// Points the model-file helper at a temporary directory of the test binary
// and writes the model files of the current database there (no box is ever
// shown). Adds a test failure and returns false when writing fails.
bool writeModelFiles();

// Seeds the default database when no database is open, then writes the
// model files; call it before every engine a test creates.
bool prepareEngine();

// For the test main, before any test: writes the model files of the default
// database into the test binary's directory, then closes the database and
// clears the parameter tables again, so every test still starts from nothing
// while every engine it makes finds its model files.
void prepareModelFilesForRun();

// Points the model-file helper back at the test binary's directory (a test
// may have pointed it elsewhere); the fixture builder calls it.
void useModelFiles();

// The temporary directory the model files are written into.
QString directory();

}

#endif
