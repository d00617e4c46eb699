#ifndef VANTU_MODEL_STAGE_PROGRESS_H
#define VANTU_MODEL_STAGE_PROGRESS_H

// Long procedures (seeding the database, loading tables, writing and reading
// model files, every engine stage, teardown) show a window-modal progress
// dialog without a parent and let the event loop run between items; these
// dialogs' labels are the program's progress log.

#include <QElapsedTimer>
#include <QString>

class QProgressDialog;

// Titles and labels `progress`, sets its range to 0..maximum and its value to
// 0, makes it window-modal and shows it. The Cancel button is left as the
// caller constructed it.
void showStageProgress(QProgressDialog& progress, const QString& title, const QString& label, int maximum);

// Advances a stage's dialog item by item and lets the event loop run, paced:
// the first item and then at most one item in every kInterval milliseconds.
// A modal dialog serves events and repaints its bar on every value it is
// given, which for a stage over a thousand cells costs more than the stage's
// own work, while a bar moved sixty times a second looks the same and events
// (Pause, a view command) still wait no longer than a frame.
class StageTicker {
public:
    static constexpr int kInterval = 16;

    explicit StageTicker(QProgressDialog& progress);
    void advance(int value);

private:
    QProgressDialog& progress;
    QElapsedTimer clock;
    bool first = true;
};

#endif
