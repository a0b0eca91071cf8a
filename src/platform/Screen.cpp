#include "platform/Screen.h"

#include <QApplication>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace platform {

int mainFormPixelsPerInch()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMainWindow*>(w))
                return w->logicalDpiY();
    }
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
    }
    return 96;
}

int sizingFrameHeight() { return 4; }

} // namespace platform
