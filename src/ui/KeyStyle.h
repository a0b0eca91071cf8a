#pragma once

#include <functional>
#include <initializer_list>

#include <QChar>
#include <Qt>

class QKeyEvent;
class QWidget;

// The key convention of the keyboard-navigating controls: which of five keys move the focus.
// Enter, Right and Down go to the next control in tab order; Left and Up to the previous one.
enum TKeyStyle : unsigned { ksEnter = 0, ksLeft = 1, ksUp = 2, ksRight = 3, ksDown = 4 };

// A set of TKeyStyle: bit n is style n (ksEnter = bit 0 ... ksDown = bit 4).
class TKeyStyles {
public:
    constexpr TKeyStyles() = default;
    constexpr TKeyStyles(std::initializer_list<TKeyStyle> styles)
    {
        for (auto s : styles)
            m_bits |= 1u << s;
    }
    static constexpr TKeyStyles fromBits(unsigned bits)
    {
        TKeyStyles k;
        k.m_bits = bits & 0x1Fu;
        return k;
    }
    constexpr unsigned bits() const { return m_bits; }
    constexpr bool has(TKeyStyle s) const { return (m_bits >> s) & 1u; }
    friend constexpr bool operator==(TKeyStyles, TKeyStyles) = default;

private:
    unsigned m_bits = 0;
};

// [ksEnter, ksUp]: what every control starts with.
inline constexpr TKeyStyles kDefaultKeyStyles{ksEnter, ksUp};

namespace ui {

// The host's key-down handler: it may change or clear (0) the key.
using KeyDownHook = std::function<void(int& key, Qt::KeyboardModifiers modifiers)>;
// The host's key-press (character) handler: it may change or clear (QChar()) the character.
using KeyPressHook = std::function<void(QChar& ch)>;
using NotifyHook = std::function<void()>;

// The arrow key's style, or -1 for any other key.
int arrowStyle(int qtKey);
// Whether an arrow style moves forward (Right, Down).
bool isForwardStyle(int style);
// No Shift, Ctrl or Alt held (the keypad flag does not count).
bool noShiftCtrlAlt(Qt::KeyboardModifiers modifiers);
// Moves the focus from a control to the next (forward) or previous control of its form.
void moveFocusFrom(QWidget* control, bool forward);

// The key rules of the check box and the radio button: the host's handlers run first, but the
// decision uses the key as it came in. Returns true when the key was used up.
bool buttonKeyPress(QWidget* control, QKeyEvent& event, TKeyStyles styles,
                    const KeyDownHook& onKeyDown, const KeyPressHook& onKeyPress);

} // namespace ui
