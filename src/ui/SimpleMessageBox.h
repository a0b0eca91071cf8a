#pragma once

#include "platform/Colors.h"
#include "ui/BaseDialog.h"

#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class TxCheckBox;
class TxPlButton;

// What ShowMessageBox shows. Kind: 0 OK and Cancel; 1 a single OK; 2 OK and Cancel with an
// agreement box that enables OK; 3 OK and Cancel with an agreement box that enables nothing.
struct TMessageInfoRec {
    std::int32_t Kind = 0;
    std::uint8_t Position = 7; // form position: 4/5 screen centre, 6 main form, 7 owner form
    std::string Caption;
    std::string Text;
    platform::TColor Color = platform::clRed;
    std::vector<std::string> Lines;
    std::string AgreeCaption;
};

// Resets a request: kind 0, empty texts, red headline, no lines, centred on the owner form.
void InitMessageInfo(TMessageInfoRec& rec);
// Shows the request modally over the active window; returns the modal result (1 OK, 2 Cancel).
int ShowMessageBox(const TMessageInfoRec& rec);

// A headline, an optional block of detail lines, one or two buttons and an optional agreement box.
// Callers fill the fields, call ApplySettings and show it with platform::execDialog; closing only
// hides it and the caller frees it.
class TMessageBox : public TBSDI {
    Q_OBJECT
public:
    explicit TMessageBox(QWidget* parent = nullptr);
    ~TMessageBox() override;

    std::int32_t MsgKind = 0;
    std::string MsgCaption;
    std::string MsgText;
    platform::TColor MsgColor = platform::clWindowText;
    std::vector<std::string> MsgLines;
    bool AgreeVisible = false;
    std::string AgreeCaption = "同意する";
    bool AgreeChecked = false;
    std::uint8_t FocusButton = 3; // 2 focuses OK, anything else Cancel
    std::uint8_t FormPosition = 7;

    void SetLines(const std::vector<std::string>& lines) { MsgLines = lines; }
    void ApplySettings();
    // The result of the button that has the focus when the box opens.
    int defaultResult() const;

    int designedWidth() const { return m_designedWidth; }
    int designedHeight() const { return m_designedHeight; }

    // Children, named as on the form.
    QLabel* lblMain() const { return m_lblMain; }
    QPlainTextEdit* MessageArea() const { return m_messageArea; }
    TxCheckBox* cboxAgree() const { return m_cboxAgree; }
    TxPlButton* btnOK() const { return m_btnOK; }
    TxPlButton* btnCancel() const { return m_btnCancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cboxAgreeClick();
    void placeWindow();
    int scaled(int designed) const;

    int m_designedWidth = 0;
    int m_designedHeight = 0;
    QWidget* m_clientPanel = nullptr;
    QWidget* m_bottomPanel = nullptr;
    QLabel* m_lblMain = nullptr;
    QPlainTextEdit* m_messageArea = nullptr;
    TxCheckBox* m_cboxAgree = nullptr;
    TxPlButton* m_btnOK = nullptr;
    TxPlButton* m_btnCancel = nullptr;
};
