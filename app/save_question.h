#ifndef VANTU_APP_SAVE_QUESTION_H
#define VANTU_APP_SAVE_QUESTION_H

// The warning box with Ok and No that stands before a command which would
// drop unsaved changes (New, Open, a recent file, Exit, closing the window).
//
// A plain QMessageBox takes Escape, and closing the box, for its No button,
// so a key press would answer "go on without saving" and lose the tissue.
// Here Escape and closing the box are an answer of their own: the command is
// called off and the tissue stays as it is.

#include <QString>

class QWidget;

enum class SaveAnswer {
    Ok,      // the Ok button
    No,      // the No button
    Cancel,  // Escape, or the box closed: call the command off
};

SaveAnswer askSaveQuestion(QWidget* parent, const QString& title, const QString& question);

#endif
