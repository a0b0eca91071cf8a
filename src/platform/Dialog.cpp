#include "platform/Dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMetaObject>

namespace platform {
namespace {

constexpr Qt::KeyboardModifiers kShiftCtrlAlt =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

// Qt walks its application filters by index, and installing one prepends it: a dialog created
// while a key handler runs (a function key opening the next dialog) moves the running filter one
// place down, and Qt hands it the same event again. The last key event a dialog finished lets
// that second call return the first answer instead of doing the work twice.
struct FinishedKey {
    const QEvent* event = nullptr;
    QEvent::Type type = QEvent::None;
    const QObject* watched = nullptr;
    int key = 0;
    quint64 timestamp = 0;
    const Dialog* dialog = nullptr;
    bool consumed = false;

    bool same(const FinishedKey& o) const
    {
        return event == o.event && type == o.type && watched == o.watched && key == o.key &&
               timestamp == o.timestamp && dialog == o.dialog;
    }
};
FinishedKey g_finishedKey;

bool canTakeFocus(const QWidget* w, const QWidget* window)
{
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !w->focusProxy() &&
           w->window() == window && w != window && w->isVisibleTo(window) && w->isEnabled();
}

} // namespace

bool selectNextControl(QWidget* from, bool forward)
{
    if (!from)
        return false;
    QWidget* window = from->window();
    if (!window || window == from)
        return false;
    QWidget* test = forward ? from->nextInFocusChain() : from->previousInFocusChain();
    while (test && test != from) {
        if (canTakeFocus(test, window)) {
            test->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
        test = forward ? test->nextInFocusChain() : test->previousInFocusChain();
    }
    return true;
}

Dialog::Dialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
    qApp->installEventFilter(this);
}

Dialog::~Dialog()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void Dialog::setModalResult(int result)
{
    m_modalResult = result;
    if (result == mrNone || !isVisible() || m_closePending)
        return;
    // Closing waits for the handler that set the result to return; it may still reset it.
    m_closePending = true;
    QMetaObject::invokeMethod(this, [this] { applyModalResult(); }, Qt::QueuedConnection);
}

void Dialog::applyModalResult()
{
    m_closePending = false;
    if (m_modalResult != mrNone && isVisible())
        done(m_modalResult);
}

void Dialog::done(int result)
{
    if (m_ending)
        return;
    if (m_showing) {
        // exec() enters its loop only after the show: hidden now, it would wait for ever.
        m_modalResult = result;
        if (!m_closePending) {
            m_closePending = true;
            QMetaObject::invokeMethod(this, [this] { applyModalResult(); }, Qt::QueuedConnection);
        }
        return;
    }
    if (!doCloseQuery(result)) {
        m_modalResult = mrNone;
        return;
    }
    m_modalResult = result;
    m_ending = true;
    doClose(result);
    QDialog::done(result);
    m_ending = false;
}

void Dialog::reject() { done(mrCancel); }

void Dialog::accept() { done(mrOk); }

void Dialog::doKeyDown(QKeyEvent&) {}

void Dialog::doKeyUp(QKeyEvent&) {}

bool Dialog::doCloseQuery(int) { return true; }

void Dialog::doClose(int) {}

bool Dialog::ownsKeyEvent(QObject* watched) const
{
    // A key event travels up from the focused control; look at it once, at its first receiver.
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this)
        return false;
    const QWidget* focused = focusWidget();
    return focused ? w == focused : w == this;
}

bool Dialog::handleCancelKey()
{
    const auto children = findChildren<QWidget*>();
    for (QWidget* child : children) {
        auto* target = dynamic_cast<DialogKeyTarget*>(child);
        if (target && child->window() == this && target->acceptsCancelKey()) {
            target->clickByDialogKey();
            return true;
        }
    }
    return false;
}

bool Dialog::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    // Any other event means the finished one will not come round again.
    if (g_finishedKey.event && (g_finishedKey.event != event || g_finishedKey.type != type))
        g_finishedKey = {};
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !ownsKeyEvent(watched))
        return QDialog::eventFilter(watched, event);

    auto& key = static_cast<QKeyEvent&>(*event);
    FinishedKey seen{event, type, watched, key.key(), key.timestamp(), this};
    if (seen.same(g_finishedKey))
        return g_finishedKey.consumed;
    seen.consumed = handleKeyEvent(key);
    g_finishedKey = seen;
    return seen.consumed;
}

bool Dialog::handleKeyEvent(QKeyEvent& key)
{
    const auto type = key.type();
    const bool plain = (key.modifiers() & kShiftCtrlAlt) == 0;
    if (type == QEvent::KeyPress) {
        if (key.key() == Qt::Key_Escape && plain && handleCancelKey())
            return true;
        if (!key.isAutoRepeat())
            m_closeKeyPressed = key.key();
        key.ignore();
        doKeyDown(key);
        const bool consumed = key.isAccepted();
        key.accept();
        return consumed;
    }

    if (key.isAutoRepeat())
        return false;
    m_lastKey = key.key();
    // Only a key pressed in this dialog closes it: the release of an Esc that closed a message
    // box or a dropped-down list in front of it must not close the dialog as well.
    const bool pressedHere = m_closeKeyPressed == key.key();
    m_closeKeyPressed = 0;
    key.ignore();
    doKeyUp(key);
    const bool consumed = key.isAccepted();
    key.accept();
    if (consumed)
        return true;
    if (plain && pressedHere && isVisible() &&
        ((key.key() == Qt::Key_Escape && m_closeOnEscape) ||
                  (key.key() == Qt::Key_F12 && m_closeOnF12))) {
        done(mrCancel);
        return true;
    }
    return false;
}

void Dialog::keyPressEvent(QKeyEvent* event)
{
    // Reaching the form means no control used the key. Arrows move the focus like Tab does
    // (users step through the forms with them); only Alt stops them, leaving Alt+arrow free.
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (!(event->modifiers() & Qt::AltModifier)) {
            QWidget* from = focusWidget();
            if (from && from != this)
                selectNextControl(from, event->key() == Qt::Key_Right ||
                                            event->key() == Qt::Key_Down);
        }
        event->accept();
        return;
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Qt would reject on Esc press or press a default push button; our dialogs do neither.
        event->accept();
        return;
    default:
        event->ignore();
        return;
    }
}

void Dialog::keyReleaseEvent(QKeyEvent* event) { event->ignore(); }

void Dialog::closeEvent(QCloseEvent* event)
{
    if (!isVisible()) {
        event->accept();
        return;
    }
    done(mrCancel);
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

bool Dialog::event(QEvent* event)
{
    if (event->type() != QEvent::Show)
        return QDialog::event(event);
    // Handlers of the show may run queued work (the base dialog drops type-ahead there).
    const bool outer = !m_showing;
    m_showing = true;
    const bool handled = QDialog::event(event);
    if (outer)
        m_showing = false;
    return handled;
}

void Dialog::showEvent(QShowEvent* event)
{
    m_modalResult = mrNone;
    QDialog::showEvent(event);
}

} // namespace platform
