#include "model/stage_progress.h"

#include <QCoreApplication>
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

StageTicker::StageTicker(QProgressDialog& progress) : progress(progress)
{
    clock.start();
}

void StageTicker::advance(int value)
{
    if (!first && clock.elapsed() < kInterval)
        return;
    first = false;
    clock.restart();
    progress.setValue(value);
    QCoreApplication::processEvents();
}
