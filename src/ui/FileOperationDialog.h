#pragma once

// TFileOperationBox: where a file operation takes place (a folder, or a folder and a file name),
// chosen from a remembered list or through the pickers. TFileOperationBoxEx1 adds the choice of
// running from the predefined place instead.

#include "platform/Colors.h"
#include "ui/BaseDialog.h"

#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class TxComboBox;
class TxEdit;
class TxPlButton;
class TxRadioButton;

// Callers keep one box, fill the fields, call ApplySettings, show it with platform::execDialog
// and read ResultPath after OK; closing only hides it.
class TFileOperationBox : public TBSDI {
    Q_OBJECT
public:
    explicit TFileOperationBox(QWidget* parent = nullptr);
    ~TFileOperationBox() override;

    virtual void ApplySettings(bool Flag = true);
    virtual void SetupControls();
    virtual void SetupHints();
    void LoadHistory(TxComboBox& List, std::vector<std::string>& History);
    void SaveHistory(TxComboBox& List, std::vector<std::string>& History);

    std::int32_t OperationMode = 0; // 0 open a file, 1 save a file, 2 and 3 a folder
    bool UseHistory = false;
    std::string HistoryPath;
    std::string HistoryFolder; // IniFolder at creation
    std::string HistoryFile;
    std::string HistorySection;
    std::string DlgCaption;
    std::string DlgMessage;
    platform::TColor MessageColor = platform::clWindowText;
    std::string LocationCaption;
    std::string InitialFolder;
    std::string InitialFileName;
    std::string LocationHint;
    std::string FileNameHint;
    std::string DefaultExt;
    std::string FilterName;
    std::vector<std::string> IniLines;
    std::vector<std::string> HistoryList; // most recent first
    std::string ResultPath;

    QLabel* lblMain() const { return m_lblMain; }
    QLabel* lblFileSelect() const { return m_lblFileSelect; }
    TxComboBox* cmbFileSelect() const { return m_cmbFileSelect; }
    TxPlButton* btnSansyo() const { return m_btnSansyo; }
    TxPlButton* btnHistDelete() const { return m_btnHistDelete; }
    QLabel* lblFileName() const { return m_lblFileName; }
    TxEdit* txtFileName() const { return m_txtFileName; }
    QPlainTextEdit* HintArea() const { return m_hintArea; }
    TxPlButton* btnOK() const { return m_btnOK; }
    TxPlButton* btnCancel() const { return m_btnCancel; }

protected:
    void showEvent(QShowEvent* event) override;
    virtual void btnOKClick();
    void btnSansyoClick();
    void btnHistDeleteClick();
    // Puts a folder first among the locations (unless listed) and selects it.
    void takeLocation(const std::string& folder);
    int scaled(int designed) const;
    // Places the controls of the designed form (client width and height at 96 dpi).
    void layoutForm(int clientWidth, int clientHeight, int bottomTop, int shiftX, int shiftY);

    QWidget* m_pnlClient = nullptr;
    QWidget* m_pnlBottom = nullptr;
    QLabel* m_lblMain = nullptr;
    QLabel* m_lblFileSelect = nullptr;
    TxComboBox* m_cmbFileSelect = nullptr;
    TxPlButton* m_btnSansyo = nullptr;
    TxPlButton* m_btnHistDelete = nullptr;
    QLabel* m_lblFileName = nullptr;
    TxEdit* m_txtFileName = nullptr;
    QWidget* m_panelHint = nullptr;
    QPlainTextEdit* m_hintArea = nullptr;
    TxPlButton* m_btnOK = nullptr;
    TxPlButton* m_btnCancel = nullptr;
};

class TFileOperationBoxEx1 : public TFileOperationBox {
    Q_OBJECT
public:
    explicit TFileOperationBoxEx1(QWidget* parent = nullptr);

    void ApplySettings(bool Flag = true) override;
    void SetupControls() override;
    void SetupHints() override;
    void SetSelect1Caption(const std::string& Caption);
    void SetSelect2Caption(const std::string& Caption);
    void SetSelectMode(std::int32_t Mode);

    std::int32_t SelectMode = 1; // at OK: 1 the chosen place, 2 the predefined place

    TxRadioButton* btnSelect1() const { return m_btnSelect1; }
    TxRadioButton* btnSelect2() const { return m_btnSelect2; }

protected:
    void btnOKClick() override;
    void btnSelect1Click();

private:
    TxRadioButton* m_btnSelect1 = nullptr;
    TxRadioButton* m_btnSelect2 = nullptr;
};
