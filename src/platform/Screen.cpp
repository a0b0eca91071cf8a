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

namespace {

QMainWindow* shownMainWindow()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* main = qobject_cast<QMainWindow*>(w); main && main->isVisible())
            return main;
    return nullptr;
}

int scaledDesign(int designed)
{
    return static_cast<int>(std::lround(designed * mainFormPixelsPerInch() / 96.0));
}

} // namespace

int CaptionHeight()
{
    if (QMainWindow* main = shownMainWindow()) {
        const QRect frame = main->frameGeometry();
        const QRect client = main->geometry();
        // The top decoration holds the caption and one frame edge, as thick as the bottom one.
        const int top = client.top() - frame.top();
        const int bottom = frame.bottom() - client.bottom();
        if (top > bottom)
            return top - bottom;
    }
    return scaledDesign(kDesignCaptionHeight);
}

int MenuHeight()
{
    if (QMainWindow* main = shownMainWindow())
        if (QWidget* menu = main->menuWidget(); menu && menu->isVisible() && menu->height() > 0)
            return menu->height();
    return scaledDesign(kDesignMenuHeight);
}

} // namespace platform
