#ifndef VANTU_SIGNALLING_MODEL_FILES_H
#define VANTU_SIGNALLING_MODEL_FILES_H

// Where the SBML model files live. The writer, the behaviour model that reads
// them and the remover all build their paths here, so they cannot drift
// apart. The files go into one private directory per run (a QTemporaryDir
// made on first use); tests may point the helper at a directory of their own.
//
// A cell type's file is the directory + "m" + type name + ".xml" and the
// common file the directory + "mcommon.xml". Each path is built afresh from
// the directory and one name. A type name that is not a valid SBML identifier
// (and so might hold a path separator) is written in hexadecimal after "m-"
// instead, which no identifier can produce, so a file never lands outside the
// directory.

#include <QString>
#include <QSet>
#include <QStringList>

namespace model_files {

// The directory, without a trailing separator; empty when the private
// directory cannot be made.
QString directory();
// Points the helper at dir (tests); an empty text goes back to the private
// directory of the run.
void setDirectory(const QString& dir);

// Empty paths when there is no directory (nothing can be written or read).
// `earlier` is the number of rows of table cell before this one that carry
// the same name: a repeated name gets "-2", "-3", ... before ".xml", which no
// other name can produce, so every row keeps a file of its own.
QString cellTypeFile(const QString& typeName, int earlier = 0);
QString commonFile();
// The same files' names without the directory.
QString cellTypeFileName(const QString& typeName, int earlier = 0);
QString commonFileName();
// Whether the file of a cell type called `typeName` would be the common
// file, which the writer writes after the types' files and so overwrites it.
bool clashesWithCommonFile(const QString& typeName);

// Whether text is an SBML identifier: a letter or underscore followed by
// letters, digits and underscores (ASCII).
bool isValidIdentifier(const QString& text);

// Ids every cell-type file declares whatever the database holds (the
// compartment, the common parameters, the four probabilities and their
// weights); no cytokine may take them as its species id.
QSet<QString> fixedIds();
// Whether a cytokine called `name` would take an id the model files give to
// something else: a fixed id, an id of the parameter families ("ks_",
// "ks0_", "ks1_", "kd_", "D_", "kgrowthdiv_", ...), or the synthesis or
// degradation reaction of a cytokine in `cytokines` ("Syn" + name, "Deg" +
// name), either way round.
bool clashesWithModelIds(const QString& name, const QStringList& cytokines);

// The paths the writer opened since the last removal, in writing order.
void recordWritten(const QString& path);
QStringList writtenFiles();
// Removes every recorded file (missing ones are passed over) and forgets them.
void removeWritten();

}

#endif
