#ifndef VANTU_MODEL_STAGE_PROGRESS_H
#define VANTU_MODEL_STAGE_PROGRESS_H

// Long procedures (seeding the database, loading tables, writing and reading
// model files, every engine stage, teardown) show a window-modal progress
// dialog without a parent and let the event loop run between items; these
// dialogs' labels are the program's progress log.

#include <QString>

class QProgressDialog;

// Titles and labels `progress`, sets its range to 0..maximum and its value to
// 0, makes it window-modal and shows it. The Cancel button is left as the
// caller constructed it.
void showStageProgress(QProgressDialog& progress, const QString& title, const QString& label, int maximum);

#endif
