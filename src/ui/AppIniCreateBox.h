#pragma once

// The data-server settings dialog "データサーバーの設定" over the settings file.
//
// Entry points:
//   bool CreateDefaultAppIni()
//       Start-up: writes the default settings file (SystemDef.IniFileName) from SystemDef without
//       showing anything. False when the dialog cannot be prepared or the file cannot be written.
//   int ExecuteAppIniCreate(QWidget* parent)
//       Shows the dialog modally (ConnectMode is 1 while it shows, so OK writes SERVER); returns
//       its modal result (platform::mrOk after writing, platform::mrCancel without).
// The file's rules themselves are in ui/SettingsFile.h.

#include "platform/Dialog.h"
#include "ui/SettingsFile.h"

class QLabel;
class TxComboBox;
class TxEdit;
class TxPlButton;

bool CreateDefaultAppIni();
int ExecuteAppIniCreate(QWidget* parent = nullptr);

// `TAppIniCreateBox`: lets the operator enter the data server of the client/server mode.
class TAppIniCreateBox : public platform::Dialog {
    Q_OBJECT
public:
    explicit TAppIniCreateBox(QWidget* parent = nullptr);
    ~TAppIniCreateBox() override;

    // Set once the form is built; callers use it only then.
    bool ready() const { return m_ready; }
    // The section the form shows (1, SERVER).
    int sectionKind() const { return m_sectionKind; }

    static bool WriteIniSettings(int Reset) { return ui::AppIniCreateSettings::WriteIniSettings(Reset); }
    static int ReadIniSection(int Kind) { return ui::AppIniCreateSettings::ReadIniSection(Kind); }
    static int ReadIniSettings(int Kind) { return ui::AppIniCreateSettings::ReadIniSettings(Kind); }
    static void WriteConnect(int Mode) { ui::AppIniCreateSettings::WriteConnect(Mode); }
    static int ReadConnect() { return ui::AppIniCreateSettings::ReadConnect(); }

    // Children, named as on the form.
    TxEdit* txtHostName() const { return m_txtHostName; }
    TxPlButton* btnCompShow() const { return m_btnCompShow; }
    TxComboBox* cmbDrive() const { return m_cmbDrive; }
    TxEdit* txtDataPath() const { return m_txtDataPath; }
    TxEdit* txtUserName() const { return m_txtUserName; }
    TxEdit* txtPassWord() const { return m_txtPassWord; }
    TxPlButton* btnOK() const { return m_btnOK; }
    TxPlButton* btnCancel() const { return m_btnCancel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void OKBtnClick();

    bool m_ready = false;
    int m_sectionKind = 1;
    TxEdit* m_txtHostName = nullptr;
    TxPlButton* m_btnCompShow = nullptr;
    TxComboBox* m_cmbDrive = nullptr;
    TxEdit* m_txtDataPath = nullptr;
    TxEdit* m_txtUserName = nullptr;
    TxEdit* m_txtPassWord = nullptr;
    TxPlButton* m_btnOK = nullptr;
    TxPlButton* m_btnCancel = nullptr;
};

namespace ui {
// An error box with the text's lines and a single Yes button.
void showYesErrorBox(const std::string& text);
} // namespace ui
