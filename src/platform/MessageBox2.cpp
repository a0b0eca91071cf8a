#include "platform/MessageBox2.h"

#include "platform/MessageService.h"

namespace platform {
namespace {

MessageBox2Handler& installed()
{
    static MessageBox2Handler handler;
    return handler;
}

int fallbackFlags(const TMessage2InfoRec& rec)
{
    int flags = MB_OK;
    const auto b = rec.Buttons;
    auto has = [b](TMsgDlgBtn x) { return (b & msgButton(x)) != 0; };
    if (has(mbYes) && has(mbNo))
        flags = has(mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
    else if (has(mbAbort) && has(mbRetry) && has(mbIgnore))
        flags = MB_ABORTRETRYIGNORE;
    else if (has(mbRetry) && has(mbCancel))
        flags = MB_RETRYCANCEL;
    else if (has(mbOK) && has(mbCancel))
        flags = MB_OKCANCEL;
    switch (rec.Kind) {
    case mtWarning: flags |= MB_ICONWARNING; break;
    case mtError: flags |= MB_ICONERROR; break;
    case mtInformation: flags |= MB_ICONINFORMATION; break;
    case mtConfirmation: flags |= MB_ICONQUESTION; break;
    default: break;
    }
    return flags;
}

} // namespace

void setMessageBox2Handler(MessageBox2Handler handler) { installed() = std::move(handler); }

} // namespace platform

void InitMessage2Info(std::uint8_t kind, TMessage2InfoRec& rec)
{
    rec.ID = 0;
    switch (kind) {
    case mtWarning:
        rec.Kind = kind;
        rec.Caption = "警告";
        rec.Buttons = msgButton(mbOK);
        break;
    case mtError:
        rec.Kind = kind;
        rec.Caption = "エラー";
        rec.Buttons = msgButton(mbOK);
        break;
    case mtInformation:
        rec.Kind = kind;
        rec.Caption = "情報";
        rec.Buttons = msgButton(mbOK);
        break;
    case mtConfirmation:
        rec.Kind = kind;
        rec.Caption = "確認";
        rec.Buttons = msgButton(mbOK) | msgButton(mbCancel);
        break;
    default:
        rec.Kind = mtCustom;
        rec.Caption.clear();
        rec.Buttons = msgButton(mbOK);
        break;
    }
    for (auto& line : rec.Lines)
        line = TMessage2CaptionRec{};
    rec.AgreeMode = 0;
    rec.AgreeCaption.clear();
    rec.Agree = false;
}

int ShowMessageBox2(TMessage2InfoRec& rec)
{
    if (platform::installed())
        return platform::installed()(rec);
    std::string text;
    for (const auto& line : rec.Lines) {
        if (line.Text.empty())
            continue;
        if (!text.empty())
            text += "\r";
        text += line.Text;
    }
    return platform::messageBox(text, rec.Caption, platform::fallbackFlags(rec));
}
