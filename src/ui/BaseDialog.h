#pragma once

// TBSDI: the base of the framework's dialogs (remembered size, operation history, font
// scaling, hints, placement, grid colours and one remembered screen value).

#include "platform/Dialog.h"
#include "platform/MessageBox2.h"
#include "records/RememberedScreenValues.h"
#include "records/TextSplitter.h"

#include <QFont>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QPlainTextEdit;
namespace firebird {
class Statement;
class Transaction;
} // namespace firebird
namespace ui {
class TPerfectGrid;
}

// The long hint of a control: "short|long". The tooltip shows the short part, the dialog's hint
// area the long part (the whole text when there is no "|").
void SetControlHint(QWidget* control, const QString& hint);
QString ControlHint(const QWidget* control);

// Every dialog derives from it and calls nothing of it in a particular order: the constructor
// is the creation, the first show runs the one-time set-up, every way out runs the closing.
// A fixed-size dialog (Fixed) has no history, no remembered size and closes with Esc; any other
// dialog closes with F12. Controls are placed at 96 ppi with setGeometry; the first show scales
// them to the operator's font.
class TBSDI : public platform::Dialog {
    Q_OBJECT
public:
    enum class Border { Fixed, Sizeable };

    explicit TBSDI(Border border, QWidget* parent = nullptr);
    ~TBSDI() override;

    bool isFixedDialog() const { return m_border == Border::Fixed; }

    // Owner window and its caption.
    QPointer<QWidget> OwnerHandle;
    std::string OwnerCaption;

    // Per-dialog switches (all but MenuRegister on for a sizeable dialog).
    std::uint8_t MenuRegister = 0;
    std::uint8_t UseOpHistory = 0;
    std::uint8_t SubclassFlag = 0;
    std::uint8_t UseFormSize = 0;
    std::uint8_t LoadAccInfo = 0;
    std::uint8_t ActivateValue = 0;
    std::int32_t ActivateParam = 0;

    std::uint8_t Initialized = 0; // set by the subclass at the end of its creation
    std::uint8_t Shown = 0;       // the first-show set-up has run
    std::uint8_t Reposition = 1;  // SetFormPosition always places anew while set
    QPlainTextEdit* HintMemo = nullptr;
    std::uint8_t KeepOnClose = 0; // when clear, closing frees the dialog

    // Layout records of the first show.
    struct LayoutRecord {
        QPointer<QWidget> control;
        int left = 0, top = 0, width = 0, height = 0, tag = 0, itemHeight = 0;
        // Grids: header row height, data row height and the column widths.
        bool isGrid = false;
        int rowHeights[2] = {0, 0};
        std::vector<int> colWidths;
    };
    std::vector<LayoutRecord> LayoutRecords;
    int DesignWidth = 0, DesignHeight = 0;
    int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
    QFont PrivateFont;
    std::int32_t ScalePercent = 100;
    int PixelsPerInch = 96; // the dialog's pixels per inch after the font scaling

    std::string ValueText;
    TMessage2InfoRec Message2Info;
    TMojiBunkatu Splitter;
    std::int32_t FirstPeriodSlot = 0;

    // Gives the period pickers named "KikanPanel16", "KikanPanel12", "KikanPanel4" and
    // "KikanPanel2" the company's fiscal year and first month (AccInf). A subclass calls it at the
    // end of building its controls; the first show runs it when the subclass did not.
    void SetUpPeriodPanels();

    // Operation history in the company database: state 0 opened, 1 ended normally.
    void PutProcRirekiInfo(int State);
    void GetFormSize();
    void PutFormSize();
    static void ShowLongHint(QWidget* control, QPlainTextEdit* memo);
    void SetOwnerHandle(QWidget* owner);
    // Places the dialog: kind 1 centred on (X, Y, W, H) of the main window's client area, kind 2
    // on the main window, any other on the screen; kept inside the work area.
    void SetFormPosition(int X, int Y, std::uint8_t Kind, int W, int H);
    // Shrinks a sizeable dialog that is larger than the area to it.
    void FitToArea(const QRect& area);
    void SetGridColor(ui::TPerfectGrid& Grid, int Mode);
    void FukugenValue();
    void HozonValue();
    // Statements on the company database in the dialog's own transaction; null when there is
    // no company database to work on.
    std::unique_ptr<firebird::Statement> NewStoredProc(const std::string& ProcName);
    std::unique_ptr<firebird::Statement> NewQuery();
    firebird::Transaction* IBTransactionDAT() const { return m_transactionDAT.get(); }

    // The pixels per inch of the screen the scaling starts from; tests may set another.
    static void setScreenPpiForTesting(int ppi);

protected:
    void showEvent(QShowEvent* event) override;
    void doClose(int result) override;
    bool event(QEvent* event) override;

    // The first-show steps, in order (each subclass may add after calling the base).
    virtual void FormShowFirst();

    // The read-only hint area named "HintArea" that the focus never enters; it becomes HintMemo.
    QPlainTextEdit* CreateHintArea(QWidget* parent);

    // The error box of a dialog whose creation failed ("<caption>画面の初期化に失敗しました。").
    void ShowInitFailure();

private:
    void frameCompensation();
    void recordLayout();
    void scaleFonts();
    void discardTypeAhead();
    void onFocusChanged(QWidget* now);

    Border m_border;
    std::unique_ptr<TGamenKeyValue> m_gamenValue;
    std::unique_ptr<firebird::Transaction> m_transactionDAT;
    // Where the open entry of the history went (the company folder), so the close entry goes
    // to the same database only.
    bool m_periodPanelsSetUp = false;
    bool m_historyOpen = false;
    std::string m_historyFolder;
};
