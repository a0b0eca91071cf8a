// The data-entry edit: key filtering, automatic moves, separators and kana capture.
#include "ui/NumericKanaEdit.h"

#include "platform/MessageService.h"
#include "platform/Text.h"
#include "ui/KeyEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace {

QChar zeroChar(TZeroKey key)
{
    switch (key) {
    case zkDot: return u'.';
    case zkPlus: return u'+';
    case zkMinus: return u'-';
    case zkAsterisk: return u'*';
    case zkSlash: return u'/';
    case zkNone: break;
    }
    return {};
}

QString withoutCommas(QString text) { return text.remove(u','); }

int commaCount(const QString& text) { return int(text.count(u',')); }

constexpr QChar kBackspace{0x08};
constexpr QChar kTab{0x09};
constexpr QChar kEnter{0x0D};
constexpr QChar kEsc{0x1B};

// Editing shortcuts arrive as control characters in the key-press step.
QChar controlCharacterOf(const QKeyEvent& e)
{
    if (e.matches(QKeySequence::Paste))
        return QChar(0x16);
    if (e.matches(QKeySequence::Copy))
        return QChar(0x03);
    if (e.matches(QKeySequence::Cut))
        return QChar(0x18);
    if (e.matches(QKeySequence::Undo))
        return QChar(0x1A);
    if (e.matches(QKeySequence::SelectAll))
        return QChar(0x01);
    return {};
}

} // namespace

namespace ui {

int cp932Length(const QString& text)
{
    try {
        return int(platform::text::toCp932(text.toStdString()).size());
    } catch (const platform::text::EncodingError&) {
    }
    int bytes = 0;
    for (const char32_t c : text.toUcs4()) {
        const std::string one = QString::fromUcs4(&c, 1).toStdString();
        bytes += platform::text::fitsCp932(one) ? int(platform::text::toCp932(one).size()) : 2;
    }
    return bytes;
}

QString nonCp932Characters(const QString& text)
{
    QString out;
    for (const char32_t c : text.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        // A lone surrogate half reads as U+FFFD, which has no CP932 form either.
        if (!platform::text::fitsCp932(one.toStdString()) && !out.contains(one))
            out += one;
    }
    return out;
}

QString formatNumberPattern(double value, const QString& pattern)
{
    const qsizetype dot = pattern.indexOf(u'.');
    const QString intPart = dot < 0 ? pattern : pattern.left(dot);
    const QString fracPart = dot < 0 ? QString() : pattern.mid(dot + 1);
    const bool grouping = intPart.contains(u',');
    const int minInt = int(intPart.count(u'0'));
    const int minFrac = int(fracPart.count(u'0'));
    const int maxFrac = minFrac + int(fracPart.count(u'#'));

    QString digits = QString::number(std::fabs(value), 'f', maxFrac);
    QString whole = digits;
    QString frac;
    if (const qsizetype at = digits.indexOf(u'.'); at >= 0) {
        whole = digits.left(at);
        frac = digits.mid(at + 1);
    }
    while (frac.size() > minFrac && frac.endsWith(u'0'))
        frac.chop(1);
    if (whole == u"0" && minInt == 0)
        whole.clear();
    while (whole.size() < minInt)
        whole.prepend(u'0');
    if (grouping)
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, u',');
    QString out = whole;
    if (!frac.isEmpty())
        out += u'.' + frac;
    const bool negative =
        value < 0 && std::any_of(out.begin(), out.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
    return negative ? u'-' + out : out;
}

} // namespace ui

TMorabyEdit::TMorabyEdit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] { changeStep(); });
}

void TMorabyEdit::setAlignment(TAlignment alignment)
{
    m_alignment = alignment;
    switch (alignment) {
    case taLeftJustify: QLineEdit::setAlignment(Qt::AlignLeft | Qt::AlignVCenter); break;
    case taRightJustify: QLineEdit::setAlignment(Qt::AlignRight | Qt::AlignVCenter); break;
    case taCenter: QLineEdit::setAlignment(Qt::AlignHCenter | Qt::AlignVCenter); break;
    }
}

void TMorabyEdit::setBrush(const QBrush& brush)
{
    m_brush = brush;
    setTransparent(m_transparent);
}

void TMorabyEdit::setTransparent(bool on)
{
    m_transparent = on;
    m_brush.setStyle(on ? Qt::NoBrush : Qt::SolidPattern);
    QPalette pal = palette();
    pal.setBrush(QPalette::Base, on ? QBrush(Qt::transparent) : m_brush);
    setPalette(pal);
    setAutoFillBackground(!on);
    update();
}

void TMorabyEdit::setComma(bool on)
{
    m_comma = on;
    if (!on)
        m_textLimit = m_maxLength;
}

void TMorabyEdit::setImeMode(TImeMode mode)
{
    m_imeMode = mode;
    setAttribute(Qt::WA_InputMethodEnabled, mode != imDisable);
}

void TMorabyEdit::setMaxLength(int bytes)
{
    m_maxLength = bytes < 0 ? 0 : bytes;
    m_textLimit = m_maxLength;
}

int TMorabyEdit::typedLength(const QString& text) const
{
    return ui::cp932Length(m_comma ? withoutCommas(text) : text);
}

bool TMorabyEdit::zeroKeyActive(TZeroKey key) const
{
    if (key == zkNone || m_editStyle == esNone)
        return false;
    // The key is needed for the number itself.
    if (key == zkDot && (m_editStyle == esFloat || m_editStyle == esFloatMinus))
        return false;
    if (key == zkMinus && (m_editStyle == esNumericMinus || m_editStyle == esFloatMinus))
        return false;
    return true;
}

bool TMorabyEdit::filterStyle(QChar ch) const
{
    if (ch == kBackspace || ch == kTab || ch == kEsc || (ch >= u'0' && ch <= u'9'))
        return true;
    const bool minus = m_editStyle == esNumericMinus || m_editStyle == esFloatMinus;
    const bool dot = m_editStyle == esFloat || m_editStyle == esFloatMinus;
    return (ch == u'-' && minus) || (ch == u'.' && dot);
}

bool TMorabyEdit::event(QEvent* e)
{
    // Tab and Shift+Tab belong to the edit, never to the form's focus chain.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QLineEdit::event(e);
}

void TMorabyEdit::keyDownStep(int& key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    m_typing = true;
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Enter:
    case Qt::Key_Return:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        m_typing = false;
        break;
    default:
        break;
    }
    const bool nothingSelected = !hasSelectedText();
    switch (key) {
    case Qt::Key_Tab:
        if (mods == Qt::NoModifier && m_autoNext.has(acTabKey))
            break;
        if (mods == Qt::NoModifier) {
            key = 0;
            ui::moveFocusFrom(this, true);
        } else if (mods == Qt::ShiftModifier) {
            key = 0;
            ui::moveFocusFrom(this, false);
        }
        break;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        if (m_keyStyles.has(ksEnter)) {
            key = 0;
            ui::moveFocusFrom(this, true);
        }
        break;
    case Qt::Key_Up:
        if (m_keyStyles.has(ksUp)) {
            key = 0;
            ui::moveFocusFrom(this, false);
        }
        break;
    case Qt::Key_Down:
        if (mods == Qt::NoModifier && m_autoNext.has(acDownKey)) {
            key = 0;
            m_result.add(acDownKey);
            m_result.add(acSendEnter);
        } else if (m_keyStyles.has(ksDown)) {
            key = 0;
            ui::moveFocusFrom(this, true);
        }
        break;
    case Qt::Key_Left:
        if (m_keyStyles.has(ksLeft) && nothingSelected && cursorPosition() == 0) {
            key = 0;
            ui::moveFocusFrom(this, false);
        }
        break;
    case Qt::Key_Right:
        if (m_keyStyles.has(ksRight) && nothingSelected && cursorPosition() == text().size()) {
            key = 0;
            ui::moveFocusFrom(this, true);
        }
        break;
    default:
        break;
    }
}

QChar TMorabyEdit::keyPressStep(QChar ch, Qt::KeyboardModifiers modifiers)
{
    update();
    bool inserted = false;
    const bool tabPasses = ch == kTab && m_autoNext.has(acTabKey);
    if (ch == kTab && (modifiers & Qt::ShiftModifier))
        return {};
    if (ch != kEnter && !tabPasses) {
        QChar typed = ch;
        for (auto [key, zeros] : {std::pair{m_zero2, QStringLiteral("00")},
                                  std::pair{m_zero3, QStringLiteral("000")}}) {
            if (!inserted && zeroKeyActive(key) && ch == zeroChar(key)) {
                InsertText(zeros);
                inserted = true;
                ch = QChar();
            }
        }
        if (!inserted && isNumberStyle()) {
            if (!filterStyle(ch))
                ch = QChar();
            const QString t = text();
            const bool wholeSelected = hasSelectedText() && selectedText().size() == t.size();
            if (ch == u'-' && !(t.isEmpty() || wholeSelected))
                ch = QChar();
            if (ch == u'.' && (t.isEmpty() || t.contains(u'.')))
                ch = QChar();
        }
        if (!inserted && ch.isNull())
            return ch;
        // Bookkeeping for the typed (or zero-key) character.
        const QChar c = inserted ? typed : ch;
        const bool leadByte82 = [&] {
            const std::string u = QString(c).toStdString();
            if (!platform::text::fitsCp932(u))
                return false;
            const std::string b = platform::text::toCp932(u);
            return !b.empty() && static_cast<unsigned char>(b[0]) == 0x82;
        }();
        if (c == kBackspace || c == kEsc || leadByte82) {
            m_result = {};
            return ch;
        }
        m_result.remove(acMaxLength);
        m_result.remove(acSendEnter);
        if (m_autoNext.has(acMaxLength) && m_maxLength > 0 && !m_result.has(acMaxLength) &&
            typedLength(text()) - ui::cp932Length(selectedText()) + 1 >= m_maxLength) {
            m_result.add(acMaxLength);
            if (m_autoNext.has(acSendEnter)) {
                m_result.add(acSendEnter);
            } else {
                // A zero key's own character is never typed; its zeros already are.
                if (!inserted)
                    InsertText(QString(ch));
                ch = QChar();
                ui::moveFocusFrom(this, true);
            }
        }
        return ch;
    }
    // Enter, or Tab that ends the entry.
    if (tabPasses) {
        m_result.add(acTabKey);
        m_result.add(acSendEnter);
    } else {
        m_result.remove(acMaxLength);
        m_result.remove(acSendEnter);
    }
    return ch;
}

void TMorabyEdit::typeCharacter(QChar ch)
{
    if (ch.isNull() || ch == kTab || ch == kEsc)
        return;
    if (ch == kBackspace) {
        backspace();
        return;
    }
    if (ch == kEnter) {
        emit returnPressed();
        return;
    }
    if (ch < QChar(0x20)) {
        switch (ch.unicode()) {
        case 0x16:
            if (!pasteRefused() && !refusedAsNonCp932(QApplication::clipboard()->text()))
                paste();
            break;
        case 0x03: copy(); break;
        case 0x18:
            if (!pasteRefused())
                cut();
            break;
        case 0x1A: undo(); break;
        case 0x01: selectAll(); break;
        default: break;
        }
        return;
    }
    const int room = m_textLimit > 0 ? m_textLimit - ui::cp932Length(text()) +
                                           ui::cp932Length(selectedText())
                                     : 1 << 30;
    if (ui::cp932Length(QString(ch)) > room)
        return; // the text is full
    insert(QString(ch));
}

void TMorabyEdit::keyPressEvent(QKeyEvent* e)
{
    int key = e->key();
    Qt::KeyboardModifiers mods = e->modifiers();
    if (key == Qt::Key_Backtab) {
        key = Qt::Key_Tab;
        mods |= Qt::ShiftModifier;
    }
    if (key == 0) {
        e->accept();
        return;
    }
    if (!e->text().isEmpty() && e->text()[0] >= QChar(0x20) && e->text()[0] != QChar(0x7F) &&
        refusedAsNonCp932(e->text())) {
        e->accept();
        return;
    }
    keyDownStep(key, mods);
    if (OnKeyDown)
        OnKeyDown(key, mods);
    e->accept();
    if (key == 0)
        return;

    QChar ch = controlCharacterOf(*e);
    if (ch.isNull()) {
        if (key == Qt::Key_Tab)
            ch = kTab;
        else if (key == Qt::Key_Return || key == Qt::Key_Enter)
            ch = kEnter;
        else if (key == Qt::Key_Backspace)
            ch = kBackspace;
        else if (key == Qt::Key_Escape)
            ch = kEsc;
        else if (e->text().size() == 1 && e->text()[0] >= QChar(0x20) && e->text()[0] != QChar(0x7F))
            ch = e->text()[0];
    }
    if (ch.isNull()) {
        // Navigation and other keys without a character.
        QLineEdit::keyPressEvent(e);
        return;
    }
    if (m_kanaMode != kmNone && !m_imeOn && ch >= QChar(0x20))
        captureKana(QString(ch));
    ch = keyPressStep(ch, mods);
    if (OnKeyPress)
        OnKeyPress(ch);
    if (ch == kEnter) {
        e->ignore(); // the form's default button may take it
        QLineEdit::keyPressEvent(e);
        return;
    }
    typeCharacter(ch);
}

bool TMorabyEdit::refusedAsNonCp932(const QString& typed)
{
    // No CP932 character lies beyond the BMP: a character typed as two surrogate halves is
    // refused at its first half and named, with one box, at its second.
    if (typed.size() == 1 && typed[0].isHighSurrogate()) {
        m_highSurrogate = typed[0];
        return true;
    }
    QString whole = typed;
    if (typed.size() == 1 && typed[0].isLowSurrogate() && !m_highSurrogate.isNull())
        whole = QString(m_highSurrogate) + typed;
    m_highSurrogate = QChar();
    const QString bad = ui::nonCp932Characters(whole);
    if (bad.isEmpty())
        return false;
    platform::messageBox("「" + bad.toStdString() + "」は入力できない文字です。", "",
                         platform::MB_OK | platform::MB_ICONWARNING);
    return true;
}

void TMorabyEdit::setImeOn(bool on)
{
    if (m_imeOn == on)
        return;
    m_imeOn = on;
    if (OnImeStatusChange)
        OnImeStatusChange();
}

void TMorabyEdit::captureKana(const QString& reading)
{
    // Kana is only ever appended; the host clears it by writing it.
    m_kana += reading;
    m_kana = ui::toKatakana(m_kana);
    if (m_kanaMode == kmHankaku)
        m_kana = ui::toHalfWidthKatakana(m_kana, 1024);
}

void TMorabyEdit::inputMethodEvent(QInputMethodEvent* e)
{
    const QString commit = e->commitString();
    const QString reading = m_imeReading.take(*e);
    if (!e->preeditString().isEmpty())
        setImeOn(true);
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(e);
        if (e->preeditString().isEmpty())
            setImeOn(false);
        return;
    }
    if (m_kanaMode != kmNone && !reading.isEmpty())
        captureKana(reading);
    QString accepted;
    int bytes = ui::cp932Length(text()) - ui::cp932Length(selectedText());
    bool refused = false;
    for (const char32_t c : commit.toUcs4()) {
        const QString ch = QString::fromUcs4(&c, 1);
        if (!ui::nonCp932Characters(ch).isEmpty()) {
            refused = true;
            continue;
        }
        if (isNumberStyle() && !filterStyle(ch[0]))
            continue;
        const int len = ui::cp932Length(ch);
        if (m_textLimit > 0 && bytes + len > m_textLimit)
            break;
        bytes += len;
        accepted += ch;
    }
    if (refused)
        refusedAsNonCp932(commit);
    QInputMethodEvent changed(e->preeditString(), e->attributes());
    changed.setCommitString(accepted, e->replacementStart(), e->replacementLength());
    m_typing = true;
    QLineEdit::inputMethodEvent(&changed);
    if (e->preeditString().isEmpty())
        setImeOn(false);
}

void TMorabyEdit::focusInEvent(QFocusEvent* e)
{
    if (OnEnter)
        OnEnter();
    m_result = {};
    m_imeReading.reset();
    QLineEdit::focusInEvent(e);
    if (isNumberStyle() && !m_outputFormat.isEmpty() && !m_comma) {
        const bool typing = m_typing;
        m_typing = false;
        setText(withoutCommas(text()));
        m_typing = typing;
        selectAll();
    }
}

void TMorabyEdit::focusOutEvent(QFocusEvent* e)
{
    if (OnExit)
        OnExit();
    QLineEdit::focusOutEvent(e);
    const QString formatted = ApplyOutputFormat(text());
    if (formatted != text())
        setText(formatted);
    m_result = {};
}

void TMorabyEdit::contextMenuEvent(QContextMenuEvent* e)
{
    if (pasteRefused()) {
        e->accept();
        return;
    }
    QLineEdit::contextMenuEvent(e);
}

void TMorabyEdit::mousePressEvent(QMouseEvent* e)
{
    if (pasteRefused() && e->button() == Qt::RightButton) {
        e->accept();
        return;
    }
    QLineEdit::mousePressEvent(e);
}

QString TMorabyEdit::ApplyOutputFormat(const QString& source)
{
    if (!isNumberStyle() || m_outputFormat.isEmpty())
        return source;
    bool ok = false;
    double value = withoutCommas(source).toDouble(&ok);
    if (!ok)
        value = 0;
    const QString out = ui::formatNumberPattern(value, m_outputFormat);
    if (m_maxLength > 0)
        m_textLimit = m_maxLength + commaCount(out);
    return out;
}

void TMorabyEdit::InsertText(const QString& t)
{
    const int s = hasSelectedText() ? int(selectionStart()) : cursorPosition();
    const int commasBefore = commaCount(text());
    QString current = text();
    if (hasSelectedText())
        current.remove(selectionStart(), selectedText().size());
    QString piece = t;
    if (m_maxLength > 0)
        while (!piece.isEmpty() &&
               ui::cp932Length(withoutCommas(current + piece)) > m_maxLength)
            piece.chop(1);
    current.insert(s, piece);
    if (m_maxLength > 0 && typedLength(current) >= m_maxLength) {
        m_result.add(acMaxLength);
        if (m_autoNext.has(acSendEnter))
            m_result.add(acSendEnter);
    }
    setText(current); // runs the change step
    setCursorPosition(s + int(piece.size()) + (commaCount(text()) - commasBefore));
}

void TMorabyEdit::changeStep()
{
    if (m_inChange)
        return;
    m_inChange = true;
    if (m_comma && m_typing) {
        m_typing = false;
        const int caret = cursorPosition();
        const QString before = text();
        const QString formatted = ApplyOutputFormat(before);
        if (formatted != before) {
            setText(formatted);
            int at = caret;
            if (before.isEmpty() || commaCount(formatted) > commaCount(before))
                ++at;
            else if (commaCount(formatted) < commaCount(before))
                --at;
            setCursorPosition(std::clamp(at, 0, int(formatted.size())));
        }
    }
    m_inChange = false;
    if (OnChange)
        OnChange();
}
