#include "ui/KeyEdit.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <cmath>
#include <memory>

namespace ui {
namespace {

QString transliterate(const QString& text, const char* id)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> t(icu::Transliterator::createInstance(
        icu::UnicodeString::fromUTF8(id), UTRANS_FORWARD, status));
    if (U_FAILURE(status) || !t)
        return text;
    icu::UnicodeString s(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    t->transliterate(s);
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

int cp932Bytes(QChar ch)
{
    const char16_t u = ch.unicode();
    return (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;
}

} // namespace

bool parseCurrency(const QString& text, platform::Currency& out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 922337203685477.0)
        return false;
    out = platform::Currency(std::llround(v * double(platform::kCurrencyUnit)));
    return true;
}

QString formatCurrency(platform::Currency value)
{
    const bool negative = value < 0;
    const auto magnitude = negative ? -static_cast<unsigned long long>(value)
                                    : static_cast<unsigned long long>(value);
    QString s = QString::number(magnitude / 10000);
    auto fraction = magnitude % 10000;
    if (fraction) {
        QString f = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        s += QLatin1Char('.') + f;
    }
    return negative ? QLatin1Char('-') + s : s;
}

bool parseInteger(const QString& text, std::int32_t& out)
{
    QString t = text;
    while (t.startsWith(QLatin1Char(' ')))
        t.remove(0, 1);
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t[0] == QLatin1Char('-');
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty())
        return false;
    for (QChar c : t) {
        const bool digit = c.isDigit() && c.unicode() < 0x80;
        const bool hex = base == 16 && ((c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
                                        (c >= QLatin1Char('A') && c <= QLatin1Char('F')));
        if (!digit && !hex)
            return false;
    }
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, base);
    if (!ok)
        return false;
    const qlonglong signedValue = negative ? -v : v;
    if (base == 10 && (signedValue < INT32_MIN || signedValue > INT32_MAX))
        return false;
    if (base == 16 && v > 0xFFFFFFFFLL)
        return false;
    out = base == 16 ? std::int32_t(std::uint32_t(v)) * (negative ? -1 : 1)
                     : std::int32_t(signedValue);
    return true;
}

QString toKatakana(const QString& text) { return transliterate(text, "Hiragana-Katakana"); }

QString toHalfWidthKatakana(const QString& text, int maxBytes)
{
    const QString half = transliterate(toKatakana(text), "Fullwidth-Halfwidth");
    QString out;
    int bytes = 0;
    for (QChar ch : half) {
        const int w = cp932Bytes(ch);
        if (bytes + w > maxBytes)
            break;
        bytes += w;
        out += ch;
    }
    return out;
}

bool isAllKana(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        const bool kana = (u >= 0x3041 && u <= 0x309F) || (u >= 0x30A0 && u <= 0x30FF) ||
                          (u >= 0xFF66 && u <= 0xFF9F);
        if (!kana)
            return false;
    }
    return true;
}

} // namespace ui

TxEdit::TxEdit(QWidget* parent) : QLineEdit(parent) {}

void TxEdit::setAlignment(TAlignment alignment)
{
    if (alignment == m_alignment)
        return;
    m_alignment = alignment;
    switch (alignment) {
    case taLeftJustify: QLineEdit::setAlignment(Qt::AlignLeft | Qt::AlignVCenter); break;
    case taRightJustify: QLineEdit::setAlignment(Qt::AlignRight | Qt::AlignVCenter); break;
    case taCenter: QLineEdit::setAlignment(Qt::AlignHCenter | Qt::AlignVCenter); break;
    }
}

void TxEdit::setKeyEdit3D(TBorderStyle style)
{
    if (style == m_keyEdit3D)
        return;
    m_keyEdit3D = style;
    setFrame(style == bsSingle);
}

void TxEdit::setImeMode(TImeMode mode)
{
    m_imeMode = mode;
    setAttribute(Qt::WA_InputMethodEnabled, mode != imDisable);
}

platform::Currency TxEdit::Curr() const
{
    platform::Currency v = 0;
    return ui::parseCurrency(text(), v) ? v : 0;
}

void TxEdit::setCurr(platform::Currency value)
{
    if (value != 0)
        setText(ui::formatCurrency(value));
}

std::int32_t TxEdit::Long() const
{
    std::int32_t v = 0;
    return ui::parseInteger(text(), v) ? v : 0;
}

void TxEdit::setLong(std::int32_t value)
{
    if (value != 0)
        setText(QString::number(value));
}

QString TxEdit::kana()
{
    m_kanaReading = ui::toKatakana(m_kanaReading);
    return ui::toHalfWidthKatakana(m_kanaReading);
}

void TxEdit::setKana(const QString& reading)
{
    if (!reading.isEmpty())
        m_kanaReading = reading;
}

bool TxEdit::filterCharacter(QChar& ch)
{
    if (OnKeyPress)
        OnKeyPress(ch);
    return !ch.isNull();
}

void TxEdit::keyPressEvent(QKeyEvent* event)
{
    if (pasteRefused() &&
        (event->matches(QKeySequence::Paste) ||
         (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier))) {
        event->accept();
        return;
    }

    int key = event->key();
    if (OnKeyDown)
        OnKeyDown(key, event->modifiers());
    if (key == 0) {
        event->accept();
        return;
    }

    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        QChar ch(u'\r');
        filterCharacter(ch);
        if (ch == QChar(u'\r') && m_keyStyles.has(ksEnter)) {
            ui::moveFocusFrom(this, true);
            event->accept();
            return;
        }
        if (ch.isNull()) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    }

    if (ui::noShiftCtrlAlt(event->modifiers())) {
        const int textLength = int(text().size());
        const int selStart = hasSelectedText() ? selectionStart() : cursorPosition();
        const int selLength = int(selectedText().size());
        bool move = false;
        bool forward = false;
        switch (key) {
        case Qt::Key_Left:
            move = m_keyStyles.has(ksLeft) && selStart == 0 &&
                   (selLength == 0 || selLength == textLength);
            break;
        case Qt::Key_Up:
            move = m_keyStyles.has(ksUp);
            break;
        case Qt::Key_Right:
            move = m_keyStyles.has(ksRight) && selLength == textLength;
            forward = true;
            break;
        case Qt::Key_Down:
            move = m_keyStyles.has(ksDown);
            forward = true;
            break;
        default:
            break;
        }
        if (move) {
            ui::moveFocusFrom(this, forward);
            event->accept();
            return;
        }
    }

    const QString typed = event->text();
    if (typed.size() == 1 && typed[0] >= QChar(u' ') && typed[0] != QChar(0x7F)) {
        QChar ch = typed[0];
        if (m_capturing)
            m_kanaReading += ch;
        if (!filterCharacter(ch)) {
            event->accept();
            return;
        }
        if (ch != typed[0]) {
            QKeyEvent changed(event->type(), event->key(), event->modifiers(), QString(ch),
                              event->isAutoRepeat(), ushort(event->count()));
            QLineEdit::keyPressEvent(&changed);
            event->setAccepted(changed.isAccepted());
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TxEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    const QString reading = m_imeReading.take(*event);
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    if (m_capturing)
        m_kanaReading += reading;

    // Committed text passes the same character filter as typed keys.
    QString filtered;
    for (QChar ch : commit)
        if (filterCharacter(ch))
            filtered += ch;
    if (filtered == commit) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent changed(event->preeditString(), event->attributes());
    changed.setCommitString(filtered, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&changed);
}

void TxEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (OnEnter)
        OnEnter();
    const int length = int(text().size());
    switch (m_cursorPos) {
    case cpAllSel: setSelection(0, length); break;
    case cpLeft: setCursorPosition(0); deselect(); break;
    case cpRight: setCursorPosition(length); deselect(); break;
    }
    m_kanaReading.clear();
    m_imeReading.reset();
    m_capturing = m_kanaSw;
}

void TxEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (OnExit)
        OnExit();
    m_capturing = false;
}

void TxEdit::contextMenuEvent(QContextMenuEvent* event)
{
    if (pasteRefused()) {
        event->accept();
        return;
    }
    QLineEdit::contextMenuEvent(event);
}

void TxEdit::mousePressEvent(QMouseEvent* event)
{
    if (pasteRefused() &&
        (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void TxEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // The middle button pastes the X11 selection on release.
    if (pasteRefused() &&
        (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TxEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (pasteRefused()) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void TxEdit::dropEvent(QDropEvent* event)
{
    if (pasteRefused()) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}
