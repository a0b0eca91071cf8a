// The print-option dialogs (general, data lists, report colours) and their STYLECOLOR rows.
#pragma once

#include "platform/Colors.h"
#include "ui/BaseDialog.h"

#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace print {

using platform::TColor;
class TVellum48;

// What a report's owner hands the report: the answers of the print-option dialog.
struct TDefaultPrintRec {
    std::string ReportName;
    int ColorPrint = 0;
    int StartPage = 1;
    bool DuplexMargin = false;
    int FontKind = 0;
    int TitleFontSize = 16;
    int HeadFontSize = 9;
    int BodyFontSize = 10;
    TColor LineColor1 = 0;
    TColor LineColor2 = 0;
    TColor NetColor1 = 0;
    TColor NetColor2 = 0;
    std::string OptionText; // "KEY=value" lines, each ended by CR LF
};

// Monochrome output: OCR and user colours black, hatching grey. Colour output: nothing.
void AdjustMonoPrintColor(int colorFlag, TVellum48& report);

// The lines of an option text; any line end is read.
std::vector<std::string> optionLines(const std::string& text);
// Lines joined, each ended by CR LF, as the accounting product writes them.
std::string optionText(const std::vector<std::string>& lines);
// The value of "key=" in the lines, empty when there is none.
std::string optionValue(const std::vector<std::string>& lines, const std::string& key);

// The general print-option dialog.
class TPrintDlgBox : public TBSDI {
    Q_OBJECT
public:
    explicit TPrintDlgBox(QWidget* parent = nullptr);

    static void InitDefaultPrintRec(TDefaultPrintRec& rec);

    TDefaultPrintRec* PrintRec = nullptr;
    bool ReportColors = false;
    std::string TitleText;
    std::string MessageText;
    QColor MessageColor;
    bool ShowColor = false;
    bool ShowStartPage = false;
    bool ShowDuplex = false;
    bool ShowPreviewButton = false;
    bool ShowCopyButton = false;
    int PrintAction = 0;

    void Prepare(int mode);
    virtual void ApplySettings();
    virtual void LoadHints();
    virtual void HozonFukugen(const std::string& word);
    void GetStyleColorRec();
    void PutStyleColorRec();
    std::string styleName() const;

    QPushButton* okButton() const { return m_ok; }
    QPushButton* previewButton() const { return m_preview; }
    QPushButton* copyButton() const { return m_copy; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* colorButton() const { return m_colorButton; }
    QRadioButton* colorChoice() const { return m_colour; }
    QLineEdit* startPageBox() const { return m_startPage; }
    QCheckBox* duplexBox() const { return m_duplex; }

protected:
    void doClose(int result) override;
    bool event(QEvent* event) override;
    // OK, プレビュー and コピー: action 1, 2 or 3.
    virtual void actionClick(int action);

    std::vector<std::string> m_options;
    QLabel* m_message;
    QLabel* m_colorLabel;
    QRadioButton* m_mono;
    QRadioButton* m_colour;
    QPushButton* m_colorButton;
    QLabel* m_startLabel;
    QLineEdit* m_startPage;
    QCheckBox* m_duplex;
    QPushButton* m_ok;
    QPushButton* m_preview;
    QPushButton* m_copy;
    QPushButton* m_cancel;

private:
    void layoutButtons();
    bool m_prepared = false;
};

// The data lists' print options: paper orientation ("P010").
class TDataSentakuPrintDlg : public TPrintDlgBox {
    Q_OBJECT
public:
    explicit TDataSentakuPrintDlg(QWidget* parent = nullptr);

    int PaperOrientation = 0;
    void Prepare(int mode);
    void ApplySettings() override;
    void LoadHints() override;
    QRadioButton* portraitButton() const { return m_portrait; }
    QRadioButton* landscapeButton() const { return m_landscape; }

protected:
    void actionClick(int action) override;

private:
    QRadioButton* m_portrait;
    QRadioButton* m_landscape;
};

// "帳票色の選択": the four report colours.
class TPrnColorSetBox : public TBSDI {
    Q_OBJECT
public:
    explicit TPrnColorSetBox(QWidget* parent = nullptr);

    TColor LineColor1 = 0;
    TColor LineColor2 = 0;
    TColor NetColor1 = 0;
    TColor NetColor2 = 0;
    bool ReportColors = false;

    void SetLineColor1(TColor c);
    void SetLineColor2(TColor c);
    void SetNetColor1(TColor c);
    void SetNetColor2(TColor c);
    void Prepare(int mode);
    void ApplySettings();

    QPushButton* changeButton(int i) const { return m_change[i]; }
    QLabel* resetLink() const { return m_link; }
    QPushButton* okButton() const { return m_ok; }
    TColor panelColor(int i) const { return m_panelColors[i]; }
    // The custom colours as stored: "ColorA=RRGGBB\r" ... "ColorP=RRGGBB\r".
    std::string customColorText() const;

protected:
    void doClose(int result) override;

private:
    void setPanel(int i, TColor c);
    void changeClick(int i);
    void resetClick();

    QFrame* m_panels[4];
    TColor m_panelColors[4] = {0, 0, 0, 0};
    QPushButton* m_change[4];
    QLabel* m_link;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace print
