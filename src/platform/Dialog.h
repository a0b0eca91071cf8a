#pragma once

#include <QDialog>

class QKeyEvent;

namespace platform {

// Results a dialog ends with; the values callers and the calling program compare.
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// A control that Esc can click: the dialog asks every such child whether it is the cancel button.
class DialogKeyTarget {
public:
    virtual ~DialogKeyTarget() = default;
    // Whether Esc clicks this control now (visible, enabled, marked as the cancel button).
    virtual bool acceptsCancelKey() const = 0;
    // Clicks it as the keyboard would.
    virtual void clickByDialogKey() = 0;
};

// Moves the focus from `from` to the next (or previous) control of its window in tab order,
// wrapping around. Returns false when `from` has no window to move in.
bool selectNextControl(QWidget* from, bool forward);

// The one base of every dialog. It gives all of them the same rules:
// - a modal result: setting a non-zero one on a shown dialog closes it once the current
//   handler has returned (a handler that sets it back to mrNone keeps the dialog open);
// - the close box and reject() end with mrCancel, not Qt's 0;
// - Esc does nothing on key press (no Qt reject); Esc or F12 close the dialog on key release
//   when switched on, and Esc on press clicks the cancel button;
// - the form sees key presses and releases before its controls (doKeyDown / doKeyUp);
// - an arrow key that no control used moves the focus to the next or previous control
//   (Right, Down forward; Left, Up back) unless Alt is held;
// - doCloseQuery can refuse a close, doClose runs on every way out;
// - a close asked for while the dialog is being shown waits until the show is over.
// Subclasses override only the protected do... hooks.
class Dialog : public QDialog {
    Q_OBJECT
public:
    explicit Dialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~Dialog() override;

    int modalResult() const { return m_modalResult; }
    void setModalResult(int result);

    // Key rules acting on release with no Shift, Ctrl or Alt held.
    void setCloseOnEscape(bool on) { m_closeOnEscape = on; }
    bool closeOnEscape() const { return m_closeOnEscape; }
    void setCloseOnF12(bool on) { m_closeOnF12 = on; }
    bool closeOnF12() const { return m_closeOnF12; }

    // The last key released in the dialog (Qt key code), 0 before any.
    int lastKey() const { return m_lastKey; }

    // Ends the dialog with `result` after the close query (the same path as every close).
    void done(int result) override;
    void reject() override;
    void accept() override;

protected:
    // The form's view of a key before the focused control: accept the event to consume it.
    virtual void doKeyDown(QKeyEvent& event);
    virtual void doKeyUp(QKeyEvent& event);
    // Return false to keep the dialog open.
    virtual bool doCloseQuery(int result);
    // Runs once on every way out, after the close query allowed it.
    virtual void doClose(int result);

    // Sees every key event of the window first; a subclass that filters other events must call
    // this one for everything it does not consume.
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) final;
    void keyReleaseEvent(QKeyEvent* event) final;
    void closeEvent(QCloseEvent* event) final;
    void showEvent(QShowEvent* event) override;

private:
    bool ownsKeyEvent(QObject* watched) const;
    // The dialog's key rules for a key event it owns; true when the event was used up.
    bool handleKeyEvent(QKeyEvent& key);
    bool handleCancelKey();
    void applyModalResult();

    int m_modalResult = mrNone;
    int m_lastKey = 0;
    int m_closeKeyPressed = 0;
    bool m_closeOnEscape = false;
    bool m_closeOnF12 = false;
    bool m_closePending = false;
    bool m_ending = false;
    bool m_showing = false;
};

} // namespace platform
