// TDataSentakuBox: the checks and settings shared by paste and restore — which source may go
// onto which target, the comparison of the two data sets, the children of a consolidated target
// and the consolidation settings of the data written.
#include "selection/DataSelectionDialog.h"

#include "platform/MessageService.h"
#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/DbHelpers.h"
#include "records/DisplayFormat.h"
#include "records/ProgramRecords.h"
#include "records/TextRoutines.h"
#include "ui/ListGrid.h"
#include "ui/SimpleMessageBox.h"

#include <exception>

namespace {

namespace paths = platform::paths;

void warn(const std::string& text) { ShowErrorDialog(text, "", 0); }

// A text with "%s" standing for the operation word.
std::string fill(const std::string& format, const std::string& word)
{
    std::string out = format;
    const std::size_t at = out.find("%s");
    if (at != std::string::npos)
        out.replace(at, 2, word);
    return out;
}

bool isParentKind(int gassan) { return gassan == 1 || gassan == 2; }

std::string dateText(const std::string& text)
{
    std::string out;
    FormatDateSlash("yyyy/mm/dd", 0, out, StrToDateDef0(text));
    return out;
}

} // namespace

int TDataSentakuBox::CheckPastePattern(const std::string& Word, const TDataInfomationRec& Source,
                                       const std::string& Folder)
{
    if (ZenkakuTrim(Folder).empty()) {
        warn(fill("%s先のデータパスが不正です。", Word) + "\r");
        return 0;
    }
    if (!DM)
        return 0;
    if (!DM->DExist(Folder, ConnectMode)) {
        DM->MkDir(Folder, ConnectMode);
        return 1;
    }
    if (!DM->FExist(paths::join(Folder, DataFile), ConnectMode))
        return 1;
    TDataInfomationRec target;
    TDataInfomation::ClearDataInfoRec(target);
    m_dataInfo.RefreshIniFile(Folder, "");
    m_dataInfo.ReadIniFileCurHost(Folder, target);
    const int s = Source.GassanKbn;
    const int t = target.GassanKbn;
    if (((s == 0 || s == 10) && isParentKind(t)) || (s == 1 && t == 2) || (s == 2 && t == 1)) {
        m_msgBox->MsgKind = 1;
        m_msgBox->MsgCaption = "警告";
        m_msgBox->MsgColor = platform::clWindowText;
        m_msgBox->MsgText = fill("%s先の合算データ区分が妥当ではありません。\rデータリストの空行を選んで処理を行って下さい。", Word);
        m_msgBox->SetLines({"以下のパターンの復元（貼付）は禁止されています。",
                            " ①通常データ       を 合算データ（合算本支店データ） へ",
                            " ②分散データ       を 合算データ（合算本支店データ） へ",
                            " ③合算データ       を 合算本支店データ へ",
                            " ④合算本支店データ を 合算データ へ"});
        m_msgBox->ApplySettings();
        platform::execDialog(*m_msgBox);
        return 0;
    }
    const int answer = CompareDataInfo(Word, Source, target);
    if (Word == "復元" && answer == 1) {
        SourceEntry.SHOUGOU = Source.Shougou;
        SourceEntry.KISHU = StrToDateDef0(Source.Kishu);
        SourceEntry.KIMATU = StrToDateDef0(Source.Kimatu);
        SourceEntry.VER_TEXT = Source.VerName;
        SourceEntry.GASSAN = Source.GassanKbn;
    }
    return answer;
}

int TDataSentakuBox::CompareDataInfo(const std::string& Word, const TDataInfomationRec& Source,
                                     const TDataInfomationRec& Target)
{
    auto blank = [](const TDataInfomationRec& r) {
        return ZenkakuTrim(r.Shougou).empty() && ZenkakuTrim(r.Kishu).empty() && ZenkakuTrim(r.Kimatu).empty();
    };
    if (blank(Source)) {
        warn(fill("%s処理元のデータ情報が不正です。", Word) + "\r");
        return 0;
    }
    if (blank(Target)) {
        warn(fill("%s処理先のデータ情報が不正です。", Word) + "\r");
        return 0;
    }
    std::vector<std::string> lines;
    auto pair = [&](const std::string& from, const std::string& to) {
        lines.push_back("　【" + Word + "元】：" + from);
        lines.push_back("　【" + Word + "先】：" + to);
    };
    if (Source.Shougou != Target.Shougou) {
        lines.push_back("会社名に違いがありました。");
        pair(Source.Shougou, Target.Shougou);
        if (ConnectMode == 0 && Word == "復元" && isParentKind(Target.GassanKbn)) {
            lines.push_back("　注）" + Word + "を続行した場合は配下の分散データは削除されます。");
            lines.push_back("");
        }
    }
    if (Source.Kishu != Target.Kishu) {
        lines.push_back("期首に違いがありました。");
        pair(dateText(Source.Kishu), dateText(Target.Kishu));
    }
    if (Source.Kimatu != Target.Kimatu) {
        lines.push_back("期末に違いがありました。");
        pair(dateText(Source.Kimatu), dateText(Target.Kimatu));
    }
    if (Source.TotalSiwake < Target.TotalSiwake) {
        lines.push_back("仕訳件数(修正・削除仕訳含む)が減っています。");
        pair(IntToCommaStr(Source.TotalSiwake) + " 件", IntToCommaStr(Target.TotalSiwake) + " 件");
    }
    if (lines.empty())
        return 1;
    m_msgBox->MsgKind = 2;
    m_msgBox->MsgCaption = "データ照合チェックの結果";
    m_msgBox->MsgColor = platform::clWindowText;
    m_msgBox->MsgText = "以下の項目に違いが検出されました。";
    m_msgBox->SetLines(lines);
    m_msgBox->AgreeCaption = fill("データ%s処理の続行に同意します。", Word);
    m_msgBox->ApplySettings();
    return platform::execDialog(*m_msgBox) == platform::mrOk ? 1 : 0;
}

void TDataSentakuBox::RemoveChildren(int Row, bool All)
{
    const int index = entryIndexOfRow(Row);
    if (index < 0)
        return;
    TDataSentakuRec& entry = DataList[std::size_t(index)];
    if (!All) {
        const bool isChild = m_grid->model().cellText(Row, 0).isEmpty();
        if (isChild && m_catalogue)
            m_catalogue->DeleteChildItem(entry, int(m_grid->model().cellNumber(Row, 15)));
        return;
    }
    if (isParentKind(entry.GASSAN) && m_catalogue && DM) {
        m_catalogue->DeleteDataListChildRecord(entry, true);
        auto removeSubFolders = [&](const std::string& folder) {
            std::vector<std::string> names;
            m_catalogue->GetSubFolderNames(folder, names);
            for (const std::string& name : names)
                DM->RmDir(paths::join(folder, name), ConnectMode, false);
        };
        removeSubFolders(entry.PASNAME);
        if (entry.NETDRIVE == 1 && entry.KYOYULOCK == 1)
            removeSubFolders(entry.LocalPath);
    }
    entry.Children.clear();
    entry.ChildCnt = 0;
}

void TDataSentakuBox::SetGassanSettings(int Row)
{
    const int index = entryIndexOfRow(Row);
    if (index < 0 || !DM)
        return;
    const TDataSentakuRec& target = DataList[std::size_t(index)];
    int kind = -1;
    int count = 0;
    if (ConnectMode != 0) {
        kind = 0;
    } else {
        const int s = SourceEntry.GASSAN;
        const int t = target.GASSAN;
        if (isParentKind(s) && isParentKind(t)) {
            kind = t;
            count = target.ChildCnt;
        } else if (isParentKind(s) && t == 10) {
            kind = 10;
        } else if (s == 10 && (t == 0 || isParentKind(t))) {
            kind = 0;
        } else if (s == 0 && t == 10) {
            kind = 10;
        }
    }
    if (kind < 0)
        return;
    if (kind == 0 || kind == 10)
        count = 0;
    const std::string folder = GetDataFolder(Row);
    if (!DM->fnAccDatConnected(SystemDef.HostName, folder, 0))
        return;
    try {
        PutAccReg("基本設定", "合算データ区分", "整数", records::Variant::fromInt(kind));
        PutAccReg("基本設定", "合算データ数", "整数", records::Variant::fromInt(count));
    } catch (const std::exception& e) {
        warn(e.what());
    }
    try {
        DM->fnAccDatDisconnected(folder, 1, 1);
    } catch (const std::exception& e) {
        warn(e.what());
    }
}
