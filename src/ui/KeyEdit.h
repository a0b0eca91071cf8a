#pragma once

#include "platform/CoreTypes.h"
#include "ui/ImeReading.h"
#include "ui/KeyStyle.h"

#include <QLineEdit>

#include <cstdint>

// A single-line edit that moves the focus on Enter and, at the edges of its text, on the arrow
// keys of its KeyStyles; places the caret on entry, refuses pasting, captures the kana typed
// while focused, and reads and writes its text as a currency amount or an integer.
class TxEdit : public QLineEdit {
    Q_OBJECT
public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    enum TBorderStyle { bsNone, bsSingle };
    enum TCursorPoss { cpAllSel, cpLeft, cpRight };
    // The input-method modes forms set; only imDisable changes anything here.
    enum TImeMode { imDisable = 0, imClose = 1, imOpen = 2, imDontCare = 3, imSAlpha = 4,
                    imAlpha = 5, imHira = 6, imSKata = 7, imKata = 8 };

    explicit TxEdit(QWidget* parent = nullptr);

    TAlignment Alignment() const { return m_alignment; }
    void setAlignment(TAlignment alignment);
    TBorderStyle KeyEdit3D() const { return m_keyEdit3D; }
    void setKeyEdit3D(TBorderStyle style);
    TKeyStyles KeyStyles() const { return m_keyStyles; }
    void setKeyStyles(TKeyStyles styles) { m_keyStyles = styles; }
    TCursorPoss CursorPos() const { return m_cursorPos; }
    void setCursorPos(TCursorPoss pos) { m_cursorPos = pos; }
    bool KanaSw() const { return m_kanaSw; }
    void setKanaSw(bool on) { m_kanaSw = on; }
    bool KillPaste() const { return m_killPaste; }
    void setKillPaste(bool on) { m_killPaste = on; }
    TImeMode ImeMode() const { return m_imeMode; }
    void setImeMode(TImeMode mode);

    // The text as a currency amount (x 10000); text that does not parse reads 0. Writing 0
    // leaves the text as it is.
    platform::Currency Curr() const;
    void setCurr(platform::Currency value);
    // The text as an integer, 0 when it does not parse. Writing 0 leaves the text as it is.
    std::int32_t Long() const;
    void setLong(std::int32_t value);
    // The captured reading in half-width katakana (at most 1024 CP932 bytes).
    QString kana();
    // A non-empty reading replaces the captured one.
    void setKana(const QString& reading);

    ui::KeyDownHook OnKeyDown;
    ui::KeyPressHook OnKeyPress;
    ui::NotifyHook OnEnter;
    ui::NotifyHook OnExit;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool pasteRefused() const { return m_killPaste && m_imeMode == imDisable; }
    bool filterCharacter(QChar& ch);

    TAlignment m_alignment = taLeftJustify;
    TBorderStyle m_keyEdit3D = bsNone;
    TKeyStyles m_keyStyles = kDefaultKeyStyles;
    TCursorPoss m_cursorPos = cpAllSel;
    bool m_kanaSw = false;
    bool m_capturing = false;
    QString m_kanaReading;
    ui::ImeReading m_imeReading;
    bool m_killPaste = true;
    TImeMode m_imeMode = imDontCare;
};

namespace ui {
// Text -> currency amount the way the edit reads it; false when it does not parse.
bool parseCurrency(const QString& text, platform::Currency& out);
// Shortest decimal form of a currency amount, no grouping ("12.5", "-3", "100").
QString formatCurrency(platform::Currency value);
// Text -> 32-bit integer: optional sign, decimal or "$"/"0x" hexadecimal.
bool parseInteger(const QString& text, std::int32_t& out);
// Hiragana to katakana, then full width to half width, cut to `maxBytes` CP932 bytes.
QString toHalfWidthKatakana(const QString& text, int maxBytes = 1024);
// Hiragana to katakana only.
QString toKatakana(const QString& text);
// Whether every character is kana (hiragana, katakana, half-width katakana, prolonged mark).
bool isAllKana(const QString& text);
} // namespace ui
