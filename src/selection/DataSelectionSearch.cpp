// TDataSentakuBox: 検索 and 検索解除, which narrow the list with the search dialog's conditions.
#include "selection/DataListSearchDialog.h"
#include "selection/DataSelectionDialog.h"

#include "firebird/DatabaseError.h"
#include "platform/MessageService.h"
#include "records/DbErrorHandler.h"
#include "ui/ListGrid.h"
#include "ui/OwnerDrawnButton.h"

#include <exception>

void TDataSentakuBox::CreateSearchBox()
{
    // Created with the dialog: its operator list is read once, not at every search.
    m_searchBox = new TDataListKensakuBox(this);
    m_searchBox->ListType = 0;
    m_btnSearch->OnClick = [this](QObject*) { btnSearchClick(m_btnSearch); };
    m_btnSearchCancel->OnClick = [this](QObject*) { btnSearchClick(m_btnSearchCancel); };
}

void TDataSentakuBox::SetSearchButtons()
{
    // The wizard's type narrows the list by its launch conditions only.
    const bool live = SyoriType != 3 && m_grid->isEnabled() && m_searchBox && m_searchBox->Initialized;
    m_btnSearch->setEnabled(live);
    m_btnSearchCancel->setEnabled(live && m_searchCancelOn);
}

void TDataSentakuBox::btnSearchClick(TxPlButton* Sender)
{
    if (!Sender || !Sender->isEnabled())
        return;
    const char* const context = "TDataSentakuBox.btnSearchClick";
    try {
        if (Sender == m_btnSearchCancel) {
            TDataKensakuRec& c = ActiveConditions;
            c.JYOKENUSE = 0;
            c.DATATYPE = 0;
            c.CODETYPE = 0;
            c.DATACODE.clear();
            c.DATANAME.clear();
            c.TANTO = 0;
            c.DATAVER.clear();
            c.SEIHINNAME.clear();
            ReadDataList();
            ShowDataList(-1);
            m_searchCancelOn = false;
        } else {
            m_searchBox->ListType = 0;
            m_searchBox->Conditions = SavedConditions;
            m_searchBox->Prepare(1);
            if (platform::execDialog(*m_searchBox) == platform::mrOk) {
                SavedConditions = m_searchBox->Conditions;
                if (m_conditions)
                    m_conditions->UpdateRecord(SavedConditions);
                ActiveConditions = SavedConditions;
                ReadDataList();
                ShowDataList(-1);
                m_searchCancelOn = true;
            }
        }
    } catch (const firebird::DatabaseError& e) {
        HandleDbError(e, context, "データリストの更新に失敗しました。", true);
    } catch (const std::exception& e) {
        ShowErrorDialog("データリストの更新に失敗しました。", e.what(), 0);
    }
    m_grid->setFocus();
    SetFunctionKeys();
}
