#pragma once

// The data-entry edit: number-only styles, the "00"/"000" keys, thousands separators while
// typing, automatic moves to the next field, kana-reading capture and input-method state.

#include "ui/ImeReading.h"
#include "ui/KeyStyle.h"

#include <QBrush>
#include <QLineEdit>

#include <functional>

enum TEditStyle { esNone, esNumeric, esFloat, esNumericMinus, esFloatMinus };
enum TKanaMode { kmNone, kmZenkaku, kmHankaku };
enum TZeroKey { zkNone, zkDot, zkPlus, zkMinus, zkAsterisk, zkSlash };
enum TAutoNextCtl : unsigned { acMaxLength = 0, acTabKey = 1, acDownKey = 2, acSendEnter = 3 };

// A set of TAutoNextCtl (bit n is value n).
class TAutoNextCtls {
public:
    constexpr TAutoNextCtls() = default;
    constexpr TAutoNextCtls(std::initializer_list<TAutoNextCtl> items)
    {
        for (auto i : items)
            m_bits |= 1u << i;
    }
    constexpr bool has(TAutoNextCtl c) const { return (m_bits >> c) & 1u; }
    constexpr void add(TAutoNextCtl c) { m_bits |= 1u << c; }
    constexpr void remove(TAutoNextCtl c) { m_bits &= ~(1u << c); }
    constexpr bool empty() const { return m_bits == 0; }
    constexpr unsigned bits() const { return m_bits; }
    friend constexpr bool operator==(TAutoNextCtls, TAutoNextCtls) = default;

private:
    unsigned m_bits = 0;
};

class TMorabyEdit : public QLineEdit {
    Q_OBJECT
public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    enum TImeMode { imDisable = 0, imClose = 1, imOpen = 2, imDontCare = 3, imSAlpha = 4,
                    imAlpha = 5, imHira = 6, imSKata = 7, imKata = 8 };

    explicit TMorabyEdit(QWidget* parent = nullptr);

    TAlignment Alignment() const { return m_alignment; }
    void setAlignment(TAlignment alignment);
    TAutoNextCtls AutoNextCtls() const { return m_autoNext; }
    void setAutoNextCtls(TAutoNextCtls ctls) { m_autoNext = ctls; }
    TAutoNextCtls AutoNextCtls_Result() const { return m_result; }
    const QBrush& Brush() const { return m_brush; }
    void setBrush(const QBrush& brush);
    TEditStyle EditStyle() const { return m_editStyle; }
    void setEditStyle(TEditStyle style) { m_editStyle = style; }
    QString Kana() const { return m_kana; }
    void setKana(const QString& kana) { m_kana = kana; }
    TKanaMode KanaMode() const { return m_kanaMode; }
    void setKanaMode(TKanaMode mode) { m_kanaMode = mode; }
    TKeyStyles KeyStyles() const { return m_keyStyles; }
    void setKeyStyles(TKeyStyles styles) { m_keyStyles = styles; }
    bool KillPaste() const { return m_killPaste; }
    void setKillPaste(bool on) { m_killPaste = on; }
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    QString OutputFormat() const { return m_outputFormat; }
    void setOutputFormat(const QString& format) { m_outputFormat = format; }
    bool Comma() const { return m_comma; }
    void setComma(bool on);
    TZeroKey Zero2Key() const { return m_zero2; }
    void setZero2Key(TZeroKey key) { m_zero2 = key; }
    TZeroKey Zero3Key() const { return m_zero3; }
    void setZero3Key(TZeroKey key) { m_zero3 = key; }
    TImeMode ImeMode() const { return m_imeMode; }
    void setImeMode(TImeMode mode);
    bool ImeOnFlg() const { return m_imeOn; }
    // The longest text in CP932 bytes (0: no limit), separators not counted while typing.
    int MaxLength() const { return m_maxLength; }
    void setMaxLength(int bytes);

    // Inserts t at the caret over the selection, cut to MaxLength.
    void InsertText(const QString& t);
    // Reformats a number-style text with OutputFormat (other texts are returned unchanged).
    QString ApplyOutputFormat(const QString& text);

    ui::KeyDownHook OnKeyDown;
    ui::KeyPressHook OnKeyPress;
    ui::NotifyHook OnEnter;
    ui::NotifyHook OnExit;
    ui::NotifyHook OnChange;
    ui::NotifyHook OnImeStatusChange;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool isNumberStyle() const { return m_editStyle != esNone; }
    bool pasteRefused() const { return m_killPaste && m_imeMode == imDisable; }
    bool zeroKeyActive(TZeroKey key) const;
    bool filterStyle(QChar ch) const;
    void keyDownStep(int& key, Qt::KeyboardModifiers modifiers);
    QChar keyPressStep(QChar ch, Qt::KeyboardModifiers modifiers);
    void typeCharacter(QChar ch);
    int typedLength(const QString& text) const;
    void changeStep();
    void setImeOn(bool on);
    void captureKana(const QString& reading);
    // Refuses typed text holding a character without a CP932 form, with one box; true when refused.
    bool refusedAsNonCp932(const QString& typed);

    TAlignment m_alignment = taLeftJustify;
    TAutoNextCtls m_autoNext;
    TAutoNextCtls m_result;
    QBrush m_brush{Qt::white, Qt::SolidPattern};
    TEditStyle m_editStyle = esNone;
    QString m_kana;
    ui::ImeReading m_imeReading;
    TKanaMode m_kanaMode = kmNone;
    TKeyStyles m_keyStyles{ksEnter};
    bool m_killPaste = false;
    bool m_transparent = false;
    QString m_outputFormat;
    bool m_comma = false;
    bool m_typing = false;
    bool m_inChange = false;
    TZeroKey m_zero2 = zkNone;
    TZeroKey m_zero3 = zkNone;
    TImeMode m_imeMode = imDontCare;
    bool m_imeOn = false;
    int m_maxLength = 0;
    int m_textLimit = 0; // bytes the text may hold, separators included
    QChar m_highSurrogate; // the first half of a character typed as two keys
};

namespace ui {
// A number in the toolkit's pattern subset: "0" and "#" digits, "," grouping, "." decimals.
QString formatNumberPattern(double value, const QString& pattern);
// CP932 byte length of a text. A character without a CP932 form counts two bytes (it never
// throws: edits call it from their key handlers).
int cp932Length(const QString& text);
// The characters of a text that have no CP932 form, in order, each once ("" when all fit).
QString nonCp932Characters(const QString& text);
} // namespace ui
