#ifndef VANTU_TESTS_SUPPORT_PROGRESS_WATCH_H
#define VANTU_TESTS_SUPPORT_PROGRESS_WATCH_H

// Watches the progress dialogs on screen while it runs. The program's long
// procedures let the event loop run after every item, which lets the watch's
// zero-interval timer look at the dialogs between items.

#include <QList>
#include <QSet>
#include <QString>
#include <QTimer>

class ProgressWatch {
public:
    // Starts watching; `title` names the dialog whose label, maximum and
    // values are kept (every visible window-modal dialog enters `seen`).
    explicit ProgressWatch(const QString& title = QString());
    void stop() { timer.stop(); }

    QSet<QString> seen;  // "title|label" of every visible, window-modal dialog
    QString label;       // label of the titled dialog, last seen
    int maximum = -1;    // its maximum, last seen; -1 = never seen
    QList<int> values;   // its values in order, repeats folded

private:
    QString title;
    QTimer timer;
};

// Whether a progress dialog is still visible.
bool anyProgressVisible();

#endif
