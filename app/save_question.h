#ifndef VANTU_APP_SAVE_QUESTION_H
#define VANTU_APP_SAVE_QUESTION_H

// The warning box with two buttons, Ok (or Yes) and No, that stands before a
// command which would drop unsaved changes (New, Open, a recent file, Exit,
// closing the window, the designer's Exit).
//
// A plain QMessageBox takes Escape, and closing the box, for its No button,
// so a key press would answer "go on without saving" and lose the tissue.
// Here Escape and closing the box are an answer of their own: the command is
// called off and the tissue stays as it is.

#include <QMessageBox>
#include <QString>

enum class SaveAnswer {
    Yes,     // the first button (Ok or Yes)
    No,      // the No button
    Cancel,  // Escape, or the box closed: call the command off
};

SaveAnswer askSaveQuestion(QWidget* parent, const QString& title, const QString& question,
                           QMessageBox::StandardButton yes = QMessageBox::Ok);

#endif
