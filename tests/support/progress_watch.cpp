#include "progress_watch.h"

#include <QApplication>
#include <QProgressDialog>

ProgressWatch::ProgressWatch(const QString& title)
    : title(title)
{
    QObject::connect(&timer, &QTimer::timeout, [this] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QProgressDialog*>(widget);
            if (!dialog)
                continue;
            if (dialog->isVisible() && dialog->windowModality() == Qt::WindowModal)
                seen.insert(dialog->windowTitle() + "|" + dialog->labelText());
            if (this->title.isEmpty() || dialog->windowTitle() != this->title)
                continue;
            label = dialog->labelText();
            maximum = dialog->maximum();
            if (values.isEmpty() || values.last() != dialog->value())
                values << dialog->value();
        }
    });
    timer.start(0);
}

bool anyProgressVisible()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QProgressDialog*>(widget) && widget->isVisible())
            return true;
    return false;
}
