#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// The request of the rich message box: up to ten coloured lines, optional links, an icon and a
// caption by kind, up to three buttons and an optional agreement check box. Widget-free, so
// every layer can build one; the box itself (ui/RichMessageBox.h) installs itself at start-up.
// Texts are UTF-8.

// One line of the message.
struct TMessage2CaptionRec {
    std::string Text;       // empty = no line
    std::uint32_t Color = 0; // 0x00BBGGRR
    std::string URL;        // not empty: the line is a link
};

// Buttons of the set, by bit.
enum TMsgDlgBtn : unsigned {
    mbYes = 0, mbNo = 1, mbOK = 2, mbCancel = 3, mbAbort = 4, mbRetry = 5, mbIgnore = 6,
    mbAll = 7, mbNoToAll = 8, mbYesToAll = 9, mbHelp = 10
};
constexpr std::uint16_t msgButton(TMsgDlgBtn b) { return std::uint16_t(1u << b); }

// Kinds: 0 warning, 1 error, 2 information, 3 confirmation, 4 custom (no icon).
enum TMsgDlgType : std::uint8_t {
    mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4
};

// The whole request.
struct TMessage2InfoRec {
    std::int32_t ID = 0; // 0: the caller's texts; otherwise a catalogue entry
    std::uint8_t Kind = mtWarning;
    std::uint16_t Buttons = 0;
    std::string Caption;
    std::array<TMessage2CaptionRec, 10> Lines;
    std::int32_t AgreeMode = 0; // 0 none; 1 the first button waits for the tick; other: shown only
    std::string AgreeCaption;
    bool Agree = false; // in: initial state; out: state when the box closed
};

// Resets the request for a kind: caption and buttons of the kind, no ID, empty lines, no
// agreement box. A kind above 3 becomes 4 with OK and no caption.
void InitMessage2Info(std::uint8_t kind, TMessage2InfoRec& rec);

// Shows the box modally and returns the pressed button's result (Cancel 2 on Esc or the close
// box); writes back only Agree. Without an installed box it falls back to the plain message
// box of the message service.
int ShowMessageBox2(TMessage2InfoRec& rec);

namespace platform {
using MessageBox2Handler = std::function<int(TMessage2InfoRec&)>;
// Installs the rich message box; an empty handler restores the fallback.
void setMessageBox2Handler(MessageBox2Handler handler);
} // namespace platform
