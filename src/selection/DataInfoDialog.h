#pragma once

// The data information dialog "データの詳細情報": a data set's facts, its list name, update lock,
// state clear and the rebuild of its database.

#include "records/DataInformation.h"
#include "catalogue/DataCatalogue.h"
#include "ui/BaseDialog.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class TMorabyEdit;
class TxPlButton;
class TxAnimeProgressDialog;

class TDataSyosaiInfoBox : public TBSDI {
    Q_OBJECT
public:
    explicit TDataSyosaiInfoBox(QWidget* parent = nullptr);
    ~TDataSyosaiInfoBox() override;

    std::int32_t ServerList = 0;
    std::string DataFolder;
    std::uint8_t ViewOnly = 0;
    std::string ListName;
    std::uint8_t ClearAllowed = 0;
    std::uint8_t ClearStatus = 0;
    std::int32_t UpdateLock = 0;
    std::uint8_t Rebuilt = 0;
    std::uint8_t RebuildAllowed = 0;
    std::unique_ptr<TDataInfomation> InfoObject;
    TDataInfomationRec InfoRec;
    const TDataListRec* ListRow = nullptr;
    // Rows of a data place above 0 live in DATALIST_EX; the rebuild lock marks that row.
    int DataPlace = 0;

    void Prepare(std::uint8_t Mode);
    void LoadInfo();
    void SetHints();
    void SetFunctionKeys();
    bool RebuildData();
    void SetRebuildLock(bool On);
    void F7Click();
    void btnOKClick();

    // Children, named as on the form.
    QLabel* lblStatus() const { return m_lblStatus; }
    QCheckBox* chkClear() const { return m_chkClear; }
    QPlainTextEdit* memFolder() const { return m_memFolder; }
    QCheckBox* chkUpdateLock() const { return m_chkUpdateLock; }
    QLabel* lblSeigen() const { return m_lblSeigen; }
    QLabel* value(int index) const { return m_values[std::size_t(index)]; }
    TMorabyEdit* txtListName() const { return m_txtListName; }
    TxPlButton* btnOK() const { return m_btnOK; }
    TxPlButton* btnCancel() const { return m_btnCancel; }
    TxPlButton* functionKey(int n) const { return m_keys[std::size_t(n - 1)]; }

    // Indexes of the value labels.
    enum { vCode, vKind, vName, vKana, vNendo, vKikan, vTanto, vBumon, vSiten, vSiwake, vCount };

protected:
    void doKeyUp(QKeyEvent& event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Places the controls for a dialog width between kMinWidth and kDesignWidth: the two groups
    // and their value fields give up the room, the hint area and the keys stay whole.
    void layoutForWidth(int width);
    static constexpr int kDesignWidth = 932;
    static constexpr int kMinWidth = 700;
    static constexpr int kHeight = 457;

    QGroupBox* m_manage = nullptr;
    QGroupBox* m_basic = nullptr;
    QPlainTextEdit* m_hints = nullptr;
    QLabel* m_lblStatus = nullptr;
    QCheckBox* m_chkClear = nullptr;
    QPlainTextEdit* m_memFolder = nullptr;
    QCheckBox* m_chkUpdateLock = nullptr;
    QLabel* m_picSeigen = nullptr;
    QLabel* m_lblSeigen = nullptr;
    std::array<QLabel*, vCount> m_values{};
    TMorabyEdit* m_txtListName = nullptr;
    TxPlButton* m_btnOK = nullptr;
    TxPlButton* m_btnCancel = nullptr;
    std::array<TxPlButton*, 7> m_keys{};
    std::unique_ptr<TxAnimeProgressDialog> m_progress;
};

namespace selection {
// The data-kind text of (DATAKBN, CODEKBN); empty for a pair without one.
std::string dataKindText(int dataKbn, int codeKbn);
} // namespace selection
