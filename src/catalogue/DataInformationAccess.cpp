#include "catalogue/DataInformationAccess.h"

#include "records/DataInformation.h"

#include <exception>

namespace selection {

DataInfoRec toDataInfoRec(const TDataInfomationRec& Rec)
{
    DataInfoRec out;
    out.STATUS = Rec.Status;
    out.OPCODE = Rec.OpCode;
    out.OPERATOR = Rec.OpName;
    out.SHARE_STATUS = Rec.ShareStatus;
    out.SHARE_OPCODE = Rec.ShareOpCode;
    out.SHARE_OPERATOR = Rec.ShareOpName;
    out.UPDATE_LOCK = Rec.UpdateLock;
    out.DATALISTNAME = Rec.DataListName;
    out.CODE = Rec.Code;
    out.DATAKBN = Rec.DataKbn;
    out.CODEKBN = Rec.CodeKbn;
    out.SHOUGOU = Rec.Shougou;
    out.KANA = Rec.Kana;
    out.NENDO = Rec.Nendo;
    out.KISHU = Rec.Kishu;
    out.KIMATU = Rec.Kimatu;
    out.TANTO = Rec.Tanto;
    out.VER_MAJOR = Rec.VerMajor;
    out.VER_MINOR1 = Rec.VerMinor1;
    out.VER_MINOR2 = Rec.VerMinor2;
    out.VERSION2 = Rec.VerName;
    out.GASSANKBN = Rec.GassanKbn;
    return out;
}

bool DataInfomationAdapter::ReadIniFileCurHost(const std::string& Folder, DataInfoRec& Rec)
{
    TDataInfomation info;
    TDataInfomationRec rec;
    const bool ok = info.ReadIniFileCurHost(Folder, rec);
    Rec = ok ? toDataInfoRec(rec) : DataInfoRec{};
    return ok;
}

int DataInfomationAdapter::CopyFromShareServer(const std::string& Area, const std::string& LocalFolder,
                                               int Mode)
{
    // Quiet transfers report a failure as 0, never as an error.
    m_lastCopyError.clear();
    TDataInfomation info;
    try {
        const int result = info.CopyFromShareServer(Area, LocalFolder, Mode);
        m_lastCopyError = info.LastCopyError;
        return result;
    } catch (const std::exception& e) {
        m_lastCopyError = e.what();
        if (Mode == 1)
            return 0;
        throw;
    }
}

int DataInfomationAdapter::CopyToShareServer(const std::string& Area, const std::string& LocalFolder,
                                             int Mode)
{
    m_lastCopyError.clear();
    TDataInfomation info;
    try {
        const int result = info.CopyToShareServer(Area, LocalFolder, Mode);
        m_lastCopyError = info.LastCopyError;
        return result;
    } catch (const std::exception& e) {
        m_lastCopyError = e.what();
        if (Mode == 1)
            return 0;
        throw;
    }
}

void DataInfomationAdapter::SetShareStatus(const std::string& Folder, int ShareStatus)
{
    TDataInfomation info;
    info.SetShareStatus(Folder, ShareStatus);
}

} // namespace selection
