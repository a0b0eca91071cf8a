#pragma once

// TDataListKensakuBox: the dialog that edits a data list's search conditions.

#include "records/ProductVersionList.h"
#include "records/UserList.h"
#include "selection/SearchConditions.h"
#include "ui/BaseDialog.h"

#include <memory>
#include <string>
#include <utility>

class QCheckBox;
class QComboBox;
class QLineEdit;
class TxCheckedComboBox;
class TxPlButton;
namespace firebird {
class Transaction;
}

namespace selection {
// The data-kind list's lines (OptionBlind leaves the medical kinds out).
QStringList dataKindLines(bool optionBlind);
// Line index to condition (DATATYPE, CODETYPE) and back.
std::pair<int, int> dataKindOfIndex(int index, bool optionBlind);
int indexOfDataKind(int dataType, int codeType, bool optionBlind);
} // namespace selection

class TDataListKensakuBox : public TBSDI {
public:
    explicit TDataListKensakuBox(QWidget* parent = nullptr);
    ~TDataListKensakuBox() override;

    void InitRecord(TDataKensakuRec& Rec) const;
    // Puts Conditions into the controls.
    void Prepare(int Mode);
    void ShowRecord();

    int ListType = 0;
    TDataKensakuRec Conditions;
    TUserList UserList;
    TSeihinVersionList VersionList;

    QLineEdit* edtCode() const { return m_code; }
    QComboBox* cmbDataKind() const { return m_kind; }
    QLineEdit* edtName() const { return m_name; }
    QComboBox* cmbTanto() const { return m_tanto; }
    QComboBox* cmbVersion() const { return m_version; }
    QCheckBox* chkAlways() const { return m_always; }
    TxPlButton* btnOK() const { return m_ok; }
    TxPlButton* btnCancel() const { return m_cancel; }

private:
    void btnOKClick();
    void SetHints();

    std::unique_ptr<firebird::Transaction> m_transaction;
    QLineEdit* m_code = nullptr;
    QComboBox* m_kind = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_tanto = nullptr;
    QComboBox* m_version = nullptr;
    QCheckBox* m_always = nullptr;
    // The checked list of the search conditions: kept hidden and never read.
    TxCheckedComboBox* m_checkedKinds = nullptr;
    TxPlButton* m_ok = nullptr;
    TxPlButton* m_cancel = nullptr;
};
