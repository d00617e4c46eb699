#ifndef VANTU_TESTS_APP_MODAL_ANSWERER_H
#define VANTU_TESTS_APP_MODAL_ANSWERER_H

// Answers the modal boxes and dialogs a command opens, one handler per box in
// the order they appear, from a timer that looks at the active modal widget.
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <deque>
#include <functional>

class ModalAnswerer {
public:
    using Handler = std::function<void(QWidget*)>;

    ModalAnswerer()
    {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal->property("answered").toBool() || handlers.empty())
                return;
            modal->setProperty("answered", true);
            Handler handler = handlers.front();
            handlers.pop_front();
            ++answered;
            handler(modal);
        });
        timer.start();
    }

    void then(Handler handler) { handlers.push_back(std::move(handler)); }
    int answeredCount() const { return answered; }
    bool allAnswered() const { return handlers.empty(); }

private:
    QTimer timer;
    std::deque<Handler> handlers;
    int answered = 0;
};

// Closes every message box that shows while it lives with Ok and keeps its
// "title: text": a run that must show no box checks the list afterwards.
class BoxRecorder {
public:
    BoxRecorder()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << box->windowTitle() + ": " + box->text();
                box->done(QMessageBox::Ok);
            }
        });
        timer.start(10);
    }

    QStringList boxes;

private:
    QTimer timer;
};

#endif
