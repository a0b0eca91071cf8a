// TBSDI's set-up of the period pickers that a dialog carries.
#include "ui/BaseDialog.h"

#include "records/ProgramRecords.h"
#include "ui/PeriodPanels.h"

namespace {

// The 16-period slot of the first month: months 1-3 -> 0-2, 4-6 -> 4-6, 7-9 -> 8-10,
// 10-12 -> 12-14 (the quarter settlement slots are skipped); anything else 0.
int slotOfFirstMonth(int month)
{
    if (month < 1 || month > 12)
        return 0;
    const int m = month - 1;
    return m + m / 3;
}

int cellOfFirstMonth(int month) { return month < 1 || month > 12 ? 0 : month - 1; }

} // namespace

void TBSDI::SetUpPeriodPanels()
{
    m_periodPanelsSetUp = true;
    const TACCINF& acc = AccInf;
    if (auto* p16 = findChild<TxKikanPanel16*>(QStringLiteral("KikanPanel16"))) {
        p16->SetKikan(acc.SIME, acc.KISHU, acc.KIMATU, acc.KAISI);
        const int slot = slotOfFirstMonth(acc.KAISINO);
        FirstPeriodSlot = slot;
        p16->setStno(slot);
        p16->setEdno(p16->KikanMove() ? 15 : slot);
    }
    if (auto* p12 = findChild<TxKikanPanel12*>(QStringLiteral("KikanPanel12"))) {
        p12->SetKikan(acc.SIME, acc.KISHU, acc.KIMATU, acc.KAISI);
        const int cell = cellOfFirstMonth(acc.KAISINO);
        p12->setStno(cell);
        p12->setEdno(p12->KikanMove() ? p12->LastNo() : cell);
    }
    // The quarter picker and the half-year picker (a 4-cell picker with two cells).
    for (const QString& name : {QStringLiteral("KikanPanel4"), QStringLiteral("KikanPanel2")}) {
        auto* p4 = findChild<TxKikanPanel4*>(name);
        if (!p4)
            continue;
        const int cells = p4->BtnCnt();
        p4->SetKikan(acc.SIME, acc.KISHU, acc.KIMATU, acc.KAISI);
        const int m = cellOfFirstMonth(acc.KAISINO);
        const int first = cells == 4 ? m / 3 : (m < 6 ? 0 : 1);
        p4->setStno(first);
        p4->setEdno(p4->KikanMove() ? p4->LastUsableCell() : first);
    }
}
