// The data module's two timers: closing a window later and launching a form later.
#include "records/DataModule.h"
#include "records/ProgramRecords.h"

#include <QMetaObject>

void TDM::TimerFormCloseTimer()
{
    TimerFormClose.stop();
    if (QWidget* window = TimerFormCloseTag.data()) {
        TimerFormCloseTag.clear();
        // Posted, as the window may be the one whose handler started the timer.
        QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
    }
}

void TDM::TimerSyoriKidouTimer()
{
    TimerSyoriKidou.stop();
    if (SyoriKidouProc)
        SyoriKidouProc(LaunchName, LaunchMode, LaunchParams);
    LaunchName.clear();
    LaunchMode = 0;
    LaunchParams.clear();
}
