#include "ui/KeyComboBox.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// A text that starts with a double-byte character (in CP932) is a name being typed, not a code.
bool startsWithDoubleByte(const QString& text)
{
    if (text.isEmpty())
        return false;
    const char16_t u = text[0].unicode();
    return !(u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F));
}

} // namespace

TxComboBox::TxComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            m_matched = index;
    });
    connect(this, &QComboBox::currentTextChanged, this, [this](const QString&) { textChanged(); });
}

bool TxComboBox::droppedDown() const { return m_popupOpen; }

void TxComboBox::showPopup()
{
    if (OnDropDown)
        OnDropDown();
    view()->setMinimumWidth(m_dropDownWidth > 0 ? m_dropDownWidth : 0);
    m_popupOpen = true;
    QComboBox::showPopup();
}

void TxComboBox::hidePopup()
{
    QComboBox::hidePopup();
    m_popupOpen = false;
    if (m_keyLen > 0) {
        if (currentIndex() < 0 && m_matched >= 0)
            setCurrentIndex(m_matched);
        else if (m_matched >= 0 && m_matched < count() && isEditable())
            setEditText(itemText(m_matched));
    }
    if (OnCloseUp)
        OnCloseUp();
}

void TxComboBox::keyPressEvent(QKeyEvent* event)
{
    const int original = event->key();
    int key = original;
    if (OnKeyDown)
        OnKeyDown(key, event->modifiers());

    if (original == Qt::Key_Delete) {
        const QLineEdit* edit = lineEdit();
        const int selStart = !edit ? 0
                             : edit->hasSelectedText() ? edit->selectionStart()
                                                       : edit->cursorPosition();
        if (m_popupOpen || selStart == 0 || currentText().isEmpty()) {
            if (count() > 0) {
                setCurrentIndex(0);
                m_matched = 0;
                if (isEditable())
                    setEditText(itemText(0));
            }
            event->accept();
            return;
        }
    }

    if (original == Qt::Key_Return || original == Qt::Key_Enter) {
        QChar ch(u'\r');
        if (OnKeyPress)
            OnKeyPress(ch);
        if (!m_popupOpen && m_keyStyles.has(ksEnter)) {
            ui::moveFocusFrom(this, true);
            event->accept();
            return;
        }
    }

    const int style = ui::arrowStyle(original);
    if (style >= 0 && !m_popupOpen && ui::noShiftCtrlAlt(event->modifiers()) &&
        m_keyStyles.has(TKeyStyle(style))) {
        ui::moveFocusFrom(this, ui::isForwardStyle(style));
        event->accept();
        return;
    }
    if (key == 0) {
        event->accept();
        return;
    }
    // A closed drop-down list steps its items on Left and Right as on Up and Down.
    if (!isEditable() && (original == Qt::Key_Left || original == Qt::Key_Right)) {
        QKeyEvent step(event->type(), original == Qt::Key_Left ? Qt::Key_Up : Qt::Key_Down,
                       event->modifiers());
        QComboBox::keyPressEvent(&step);
        event->setAccepted(step.isAccepted());
        return;
    }
    const QString typed = event->text();
    if (OnKeyPress && typed.size() == 1 && typed[0] >= QChar(u' ')) {
        QChar ch = typed[0];
        OnKeyPress(ch);
        if (ch.isNull()) {
            event->accept();
            return;
        }
    }
    QComboBox::keyPressEvent(event);
}

void TxComboBox::textChanged()
{
    if (m_inLookup)
        return;
    if (m_keyLen > 0)
        lookUpCode();
    if (OnChange)
        OnChange();
    update();
}

int TxComboBox::findPrefix(const QString& code, int start) const
{
    // Searches the items after `start`, wrapping round to it, like the list's own prefix search.
    const int n = count();
    for (int k = 1; k <= n; ++k) {
        const int i = (start + k) % n;
        if (i < 0)
            continue;
        if (itemText(i).startsWith(code, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

void TxComboBox::lookUpCode()
{
    if (lineEdit() && lineEdit()->completer())
        lineEdit()->setCompleter(nullptr);
    const QString text = currentText();
    const int p = m_keyTerm.isEmpty() ? -1 : int(text.indexOf(m_keyTerm));
    QString code = (p >= 0 && p < m_keyLen) ? text.left(p) : text.left(m_keyLen);
    while (code.startsWith(QLatin1Char(' ')))
        code.remove(0, 1);
    while (code.endsWith(QLatin1Char(' ')))
        code.chop(1);
    if (code.isEmpty())
        return;
    if (startsWithDoubleByte(text)) {
        m_matched = currentIndex();
        return;
    }
    int start = currentIndex() - 1;
    if (start < 0)
        start = -1;
    int found = findPrefix(code, start);
    if (found < 0 && start != -1)
        found = findPrefix(code, -1);
    if (found >= 0) {
        m_matched = found;
        return;
    }
    m_inLookup = true;
    const int kept = m_matched;
    setCurrentIndex(-1);
    m_matched = kept;
    if (QLineEdit* edit = lineEdit()) {
        edit->setText(code);
        edit->setCursorPosition(int(code.size()));
        edit->deselect();
    }
    m_inLookup = false;
}

void TxComboBox::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    if (lineEdit() && lineEdit()->completer())
        lineEdit()->setCompleter(nullptr);
    if (event->reason() == Qt::PopupFocusReason)
        return;
    if (m_keyLen > 0)
        m_matched = currentIndex();
    if (OnEnter)
        OnEnter();
}

void TxComboBox::focusOutEvent(QFocusEvent* event)
{
    if (event->reason() != Qt::PopupFocusReason && m_keyLen > 0) {
        const int matched = m_matched;
        setCurrentIndex(matched);
        if (matched >= 0 && matched < count() && isEditable())
            setEditText(itemText(matched));
    }
    QComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && OnExit)
        OnExit();
}

void TxComboBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange && lineEdit()) {
        QLineEdit* edit = lineEdit();
        const bool focused = hasFocus();
        const int start = focused ? (edit->hasSelectedText() ? edit->selectionStart()
                                                             : edit->cursorPosition())
                                  : 0;
        const int length = focused ? int(edit->selectedText().size()) : 0;
        QComboBox::changeEvent(event);
        if (length > 0)
            edit->setSelection(start, length);
        else
            edit->setCursorPosition(start);
        update();
        return;
    }
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        update();
}
