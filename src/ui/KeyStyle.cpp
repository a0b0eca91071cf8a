#include "ui/KeyStyle.h"

#include "platform/Dialog.h"

#include <QKeyEvent>

namespace ui {

int arrowStyle(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Left: return ksLeft;
    case Qt::Key_Up: return ksUp;
    case Qt::Key_Right: return ksRight;
    case Qt::Key_Down: return ksDown;
    default: return -1;
    }
}

bool isForwardStyle(int style) { return style == ksRight || style == ksDown; }

bool noShiftCtrlAlt(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
}

void moveFocusFrom(QWidget* control, bool forward) { platform::selectNextControl(control, forward); }

bool buttonKeyPress(QWidget* control, QKeyEvent& event, TKeyStyles styles,
                    const KeyDownHook& onKeyDown, const KeyPressHook& onKeyPress)
{
    const int original = event.key();
    int key = original;
    if (onKeyDown)
        onKeyDown(key, event.modifiers());
    if (original == Qt::Key_Return || original == Qt::Key_Enter) {
        QChar ch(u'\r');
        if (onKeyPress)
            onKeyPress(ch);
        if (styles.has(ksEnter)) {
            moveFocusFrom(control, true);
            return true;
        }
        return key == 0 || ch.isNull();
    }
    const int style = arrowStyle(original);
    if (style >= 0 && styles.has(TKeyStyle(style))) {
        // The control claims its arrows from the form, but moves only without Shift, Ctrl, Alt.
        if (noShiftCtrlAlt(event.modifiers()))
            moveFocusFrom(control, isForwardStyle(style));
        return true;
    }
    if (key == 0)
        return true;
    const QString text = event.text();
    if (onKeyPress && text.size() == 1 && text[0] >= QChar(u' ')) {
        QChar ch = text[0];
        onKeyPress(ch);
        if (ch.isNull())
            return true;
    }
    return false;
}

} // namespace ui
