#include "app/save_question.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace {

// Ends the box with Cancel on Escape and on a close request, before the box
// would click its No button for them.
class CancelOnEscape : public QObject {
public:
    explicit CancelOnEscape(QMessageBox& box) : QObject(&box), box(box) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != &box)
            return false;
        const bool escape = event->type() == QEvent::KeyPress &&
                            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel);
        if (escape || event->type() == QEvent::Close) {
            box.done(QMessageBox::Cancel);
            return true;
        }
        return false;
    }

private:
    QMessageBox& box;
};

}  // namespace

SaveAnswer askSaveQuestion(QWidget* parent, const QString& title, const QString& question,
                           QMessageBox::StandardButton yes)
{
    QMessageBox box(QMessageBox::Warning, title, question, yes | QMessageBox::No, parent);
    box.installEventFilter(new CancelOnEscape(box));
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == box.button(yes))
        return SaveAnswer::Yes;
    if (clicked && clicked == box.button(QMessageBox::No))
        return SaveAnswer::No;
    return SaveAnswer::Cancel;
}
