#ifndef VANTU_SIGNALLING_MODEL_WRITER_H
#define VANTU_SIGNALLING_MODEL_WRITER_H

// The SBML model files written from the parameter database before an engine
// is made: one per row of table cell (its synthesis and degradation
// reactions, the rules of its four behaviour probabilities and of its
// regulated synthesis rates) and one common file (the cytokine species and
// their diffusion coefficients). The engine's behaviour model reads them back
// through Network; the main window removes them after the load.

#include <QString>

// Writes every model file into model_files::directory(). Returns true when
// all were written completely; false when a file could not be opened or
// written, with the warning text of the "Read only" box in *failure (when
// given). Shows the "Cytokine Signaling Database" progress dialog, no box.
bool writeModelFiles(QString* failure = nullptr);

// writeModelFiles with the "Read only" warning box on failure: the main
// window's command.
bool createModelFiles();

// Removes the model files the writer wrote since the last removal; missing
// files are passed over, so running it twice is harmless.
void deleteModelFiles();

#endif
