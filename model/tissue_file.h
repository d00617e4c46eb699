#ifndef VANTU_MODEL_TISSUE_FILE_H
#define VANTU_MODEL_TISSUE_FILE_H

// Tissue project files (suffix "vt"): the writer, the line counter and the
// loader that the view (GLWidget) offers as its members, built here so that
// they run without a window. Both readers of the format, the view's loader and
// the engine's own dbReader::read, share the parser of this module.
//
// Wiring in GLWidget (the view owns `reader`, `cellProperty`, `fileName`,
// `currentStep`, `selectRectangle`, `selectEllipse`):
//
//   bool GLWidget::writeFile(const QString& name)
//   {
//       selectRectangle = selectEllipse = false;
//       return TissueFile::writeFile(this, reader, name);
//   }
//
//   int GLWidget::readLineCount(const QString& name)
//   {
//       return TissueFile::readLineCount(this, name);
//   }
//
//   bool GLWidget::readDatabase(const QString& name, int lineCount)
//   {
//       selectRectangle = selectEllipse = false;
//       TissueFile::LoadHooks hooks;
//       hooks.engineCreated = [this] { emit delete_message(currentStep); };
//       hooks.tablesLoaded = [this] { delete cellProperty; cellProperty = new propertiesDialog(nullptr); };
//       if (!TissueFile::readDatabase(this, reader, name, lineCount, currentStep, hooks))
//           return false;
//       fileName = name;
//       updateGL();
//       return true;
//   }
//
// Messages: every warning box has the given parent, the title "Vantu" and a
// text translated in the context "GLWidget": "Cannot write file %1:\n%2." or
// "Cannot read file %1:\n%2.", %1 the file name and %2 the reason (the
// system's text, or what is wrong with the file and on which line).

#include <QString>

#include <functional>

class QTextStream;
class QWidget;
class dbReader;

namespace TissueFile {

// Writes the engine's tissue as a "Point-based" file.
//
// `reader` is a reference to the holder of the engine (the view's member):
// the progress dialog lets the event loop run after every element, and the
// writer stops (false) as soon as the holder no longer names the engine it
// started with or the engine's lists changed size under it, because the file
// would then mix two tissues.
//
// The file is written through QSaveFile: the old content is replaced only
// when every line has reached the disk. Results:
//   true   the whole file is written and committed;
//   false  no engine (warning), the file cannot be opened (warning), a write
//          failed, e.g. a full disk (warning), the engine changed during the
//          save (warning), or Cancel was pressed in the progress dialog
//          (no warning). In every false case an existing file is left as it was.
// An existing target that is not a regular file (a device such as /dev/full)
// is written directly, since it cannot be replaced.
// `error`, when given, receives the reason of a failure ("" on cancel).
bool writeFile(QWidget* parent, dbReader* const& reader, const QString& fileName, QString* error = nullptr);

// Number of lines of the file (a last line without a line end counts; an
// empty file has 0), or -1 after a warning when it cannot be opened.
int readLineCount(QWidget* parent, const QString& fileName);

// Calls made by readDatabase at the points where the view has work to do.
struct LoadHooks {
    // Right after the new engine exists (the view emits delete_message: the
    // signalling model files, read by the engine's construction, are removed).
    std::function<void()> engineCreated;
    // Right after the parameter tables were reloaded (the view replaces its
    // cell-type chooser).
    std::function<void()> tablesLoaded;
};

// Loads the file into a new engine and makes it the holder's engine.
//
// Order: srand(1); a new engine (its Biology reads the model files now);
// hooks.engineCreated; open the file; UserInitialParas; hooks.tablesLoaded;
// a progress dialog "Open file " (range 0..lineCount, Cancel honoured before
// every line); the records are read and checked; then the post-load stages
// (neighbour complex and contact pass for a Center-based file, inner meshes,
// boxes and areas, R-tree).
//
// `reader` is the view's engine pointer; on return it holds:
//   true                       the new engine, ready; the previous engine is deleted
//                              (after `reader` was switched): drop every pointer into it
//   false, cannot open         a new, empty engine (previous deleted), after a warning
//   false, Cancel              null; both engines deleted
//   false, malformed file      the previous engine, untouched, after a warning naming
//                              the fault and its line; the half-built engine is deleted
//   false, model files unread  the previous engine, untouched, after a warning with the
//                              behaviour model's message; the new engine is deleted
// `currentStep` is the birth step of every cell and the step given to the stages.
// `error`, when given, receives the reason of a failure ("" on cancel).
bool readDatabase(QWidget* parent, dbReader*& reader, const QString& fileName, int lineCount,
                  int currentStep, const LoadHooks& hooks = LoadHooks(), QString* error = nullptr);

// ---- Shared by the two readers ------------------------------------------

// Which reader builds the records: the view's loader names every cell's type,
// computes each cell's centre at its record and weights a pair's adhesion by
// the two types' strengths; the engine's reader does none of that and runs
// node_test after the inner meshes are built.
enum class ReaderRole { View, Engine };

enum class ReadStatus { Loaded, Cancelled, Malformed };

struct ReadSettings {
    ReaderRole role = ReaderRole::View;
    int step = 0;  // birth step of every cell; step of the post-load stages
    // Called before each line with its number (from 1); false cancels.
    std::function<bool(int line)> beforeLine;
};

// Reads a whole tissue from `in` into `engine`, which must hold no records,
// checks it, and runs the post-load stages. On Malformed, *error says what
// and where; on Malformed or Cancelled every record made is deleted again and
// the engine's viewing record and bounds are as before (the engine may be
// reused or deleted).
ReadStatus readTissue(dbReader& engine, QTextStream& in, const ReadSettings& settings, QString* error);

}  // namespace TissueFile

#endif
