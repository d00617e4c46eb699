#include "model/stage_progress.h"

#include <QProgressDialog>

void showStageProgress(QProgressDialog& progress, const QString& title, const QString& label, int maximum)
{
    progress.setWindowModality(Qt::WindowModal);
    progress.setWindowTitle(title);
    progress.setLabelText(label);
    progress.setRange(0, maximum);
    progress.setValue(0);
    progress.show();
}
