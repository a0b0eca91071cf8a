// The host's side of the framework hooks: launch by name, menu answers, data-damage check.
#include "wizard/HostHooks.h"

#include "platform/MessageService.h"
#include "records/DataInformation.h"
#include "records/DataModule.h"
#include "records/DbErrorHandler.h"
#include "records/FormRegistry.h"
#include "records/ProgramRecords.h"

#include <QCursor>
#include <QGuiApplication>

#include <memory>
#include <vector>

namespace {

constexpr const char* kNoInterface =
    "処理を起動するためのインターフェースが実装されていません。\r"
    "ライブラリのロードに失敗した可能性があります。";
constexpr const char* kDataDamaged =
    "データ検証の結果、このデータは破損している恐れがあります。\r"
    "データのバックアップを行っている場合は、適正な方法で破損前の状態へ戻して下さい。\r"
    "ご不明な点がございましたら、お問い合わせ先をご確認の上ご連絡下さい。";

bool waitCursorShown()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}

// The wait cursor marks a launch in progress; it goes again on every way out.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The lines of a parameter text: CR, LF or CR LF end a line; a final break adds no empty line.
std::vector<std::string> paramLines(const std::string& params)
{
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < params.size(); ++i) {
        const char c = params[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < params.size() && params[i + 1] == '\n')
                ++i;
        } else {
            line += c;
            open = true;
        }
    }
    if (open)
        lines.push_back(line);
    return lines;
}

// Marks the data set of Folder damaged in the catalogue and in its information file. A failure
// is not shown: the damage has already been reported, and the data set stays refused anyway.
void markDamaged(const std::string& Folder)
{
    if (!DM)
        return;
    firebird::Transaction& tr = DM->IBTransactionDEF;
    const bool started = !tr.inTransaction();
    try {
        if (started)
            tr.start();
        int rec = 0;
        int rowNo = 0;
        DM->GetDataListRec(Folder, rec, rowNo);
        if (rec > 0) {
            firebird::Statement& sql = DM->IBSQLDEF;
            if (rowNo == 0) {
                sql.setSql("UPDATE DATALIST SET DATA_STATUS=1 WHERE REC=:REC");
                sql.setInt("REC", rec);
            } else {
                sql.setSql("UPDATE CHILD_DATALIST SET DATA_STATUS=1 WHERE REC=:REC AND ROWNO=:ROWNO");
                sql.setInt("REC", rec);
                sql.setInt("ROWNO", rowNo);
            }
            sql.execute();
        }
        if (started)
            tr.commit();
        TDataInfomation info;
        info.FileAccessMode = ConnectMode;
        info.SetDataStatus(Folder, records::dsDamaged);
    } catch (const std::exception&) {
        // A transaction begun here must not stay open holding the catalogue row.
        try {
            if (started && tr.inTransaction())
                tr.rollback();
        } catch (const std::exception&) {
        }
    }
}

} // namespace

int MenuHook(int /*Command*/, const std::string& /*Text*/)
{
    return 0;
}

QObject* CreateSyoriForm(const std::string& Name)
{
    const int index = records::FindSyoriForm(Name);
    if (index < 0)
        return nullptr;
    return records::SyoriFormAt(index)();
}

int SyoriKidou(const std::string& Name, int Mode, const std::string& Params)
{
    if (Name.empty())
        return -1;
    if (waitCursorShown())
        return -1;
    {
        WaitCursor busy;
        std::unique_ptr<QObject> form(CreateSyoriForm(Name));
        if (auto* launch = dynamic_cast<ISyoriKidou*>(form.get())) {
            std::vector<std::string> list = paramLines(Params);
            list.push_back("FormStyle=" + std::to_string(Mode == 1 ? 2 : 0));
            launch->SetParams(list);
            form.release(); // the form frees itself once it has run
            return launch->Execute(Mode == 1);
        }
    }
    platform::messageBox(kNoInterface, records::dialogCaption(1),
                         platform::MB_OK | platform::MB_ICONERROR);
    return -1;
}

int DataHason(const std::string& Host, const std::string& Folder, bool Quiet)
{
    SystemDef.DataBroken = 0;
    if (!DM)
        return 1;
    const std::string path = Folder + "\\" + DataFile;
    const bool network = !Host.empty() && Host != "127.0.0.1";
    const bool sound = network ? DM->ValidateFDB(TDM::kProtocolTcp, Host, path)
                               : DM->ValidateFDB(TDM::kProtocolLocal, "", path);
    if (sound)
        return 1;
    SystemDef.DataBroken = 1;
    if (!Quiet)
        platform::messageBox(kDataDamaged, records::dialogCaption(1),
                             platform::MB_OK | platform::MB_ICONERROR);
    markDamaged(Folder);
    return 0;
}

void installHostHooks()
{
    MenuHookProc = MenuHook;
    SyoriKidouProc = SyoriKidou;
    DataHasonProc = [](const std::string& host, const std::string& folder, int quiet) {
        return DataHason(host, folder, quiet != 0);
    };
}

void clearHostHooks()
{
    MenuHookProc = nullptr;
    SyoriKidouProc = nullptr;
    DataHasonProc = nullptr;
}
