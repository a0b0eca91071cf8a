#include "ui/AppInfoLoader.h"

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "records/ProgramRecords.h"

#include <exception>
#include <string_view>

namespace {

constexpr int kDefaultDataListCnt = 120;

// Reads every key in the file's order; an empty value counts as not given.
class AppInfoReader {
public:
    explicit AppInfoReader(const platform::IniFile& ini) : m_ini(ini) {}

    // Every value is used as it stands (titles, file and folder names, registry keys): one that
    // does not decode fails the load, naming the file, section and key.
    void text(std::string_view section, std::string_view key, std::string& field) const
    {
        field = m_ini.readExactString(section, key, "");
    }

    void integer(std::string_view section, std::string_view key, std::int32_t& field,
                 int whenMissing = 0) const
    {
        (void)m_ini.readExactString(section, key, "");
        field = m_ini.readInteger(section, key, whenMissing);
    }

private:
    const platform::IniFile& m_ini;
};

bool isFileName(const std::string& path)
{
    return platform::files::fileExists(path);
}

} // namespace

void SetAppInfoDefaults(TAppInfoRec& info)
{
    auto& a = info.Application;
    a.OEM = "-";
    a.Since = "2009-2016";
    a.RegKey = "\\SOFTWARE\\QUELTO";
    a.Ravo = "クエルトＲａｖｏ";
    a.RavoAlias = "Ｒａｖｏ";
    a.VerMajorDiff = 0;
    a.VerMinorDiff = 0;
    a.VerRevDiff = 0;
    a.VerTest.clear();
    a.OptionBlind = 0;
    a.OptionURL = "https://www.quelto.example/option/";
    a.DivedaviBlind = 0;

    auto& c = info.Company;
    c.Name = "QUELTO Inc.";
    c.ZipCode = "100-0001";
    c.Addr = "東京都千代田区千代田1-1";
    c.TEL = "03-0000-0000";
    c.FAX = "03-0000-0001";
    c.Mail = "support@quelto.example";
    c.URL = "https://www.quelto.example/";

    auto& z = info.Zaimu;
    z.AppName = "dwzaimu";
    z.AppTitle = "モラビー財務";
    z.AppTitle_CL = "顧問先版";
    z.RegKey = "MORABYZAIMU";
    z.HomeDir = "quelto\\morabyzaimu";
    z.ShareDir = "morabyzaimu";
    z.ServerDir = "\\morabyzaimu\\data";
    z.ServerTempDir = "\\morabyzaimu\\temp";
    z.DataDefFile = "dwaccdef.fdb";
    z.DataFile = "dwacc.fdb";
    z.DataBackupFile = "dwacc.fbk";
    z.DataInitFile = "acc%d.gbk";
    z.DataIniFile = "dwacc.ini";
    z.DataListCnt = kDefaultDataListCnt;

    info.VEradi.AppTitle = "電子帳簿";
    info.VEradi.DataDir = "dwzview";
    info.VEradi.WriteDirFmt = "dwz%.2dcd";

    info.Veltorin.AppTitle = "経営ヴェルトリン";
    info.Veltorin.RegKey = "VELTORIN";
    info.Veltorin.HomeDir = "quelto\\morabyzaimu";

    info.Divedavi.AppTitle = "モラビー現金出納帳";
    info.Divedavi.RegKey = "DIVEDAVI";
    info.Divedavi.DataDir = "cb_data";
    info.Divedavi.DataBackupFile = "dwcashbook.fbk";

    auto& m = info.Menu;
    m.DataCon = "データ通信";
    m.DataCon01 = "データ送信";
    m.DataCon02 = "データ受信";
    m.DataCon03 = "通信設定";
    m.DataConRavo01 = "Ｒａｖｏ保存";
    m.DataConRavo02 = "Ｒａｖｏ復元";
}

int LoadAppInfo(const std::string& programPath, TAppInfoRec& target, std::string* error)
{
    const std::string fileName =
        platform::paths::extractFilePath(programPath) + "AppInfo.ini";
    if (!isFileName(fileName))
        return kAppInfoMissing;
    // Loaded into a copy: the record changes whole or not at all.
    TAppInfoRec info = target;
    try {
        const platform::IniFile ini(fileName);
        const AppInfoReader r(ini);

        auto& a = info.Application;
        r.text("Application", "OEM", a.OEM);
        if (a.OEM.empty() || a.OEM == "-") {
            SetAppInfoDefaults(info);
            target = info;
            return kAppInfoLoaded;
        }
        r.text("Application", "Since", a.Since);
        r.text("Application", "RegKey", a.RegKey);
        r.text("Application", "Ravo", a.Ravo);
        r.text("Application", "RavoAlias", a.RavoAlias);
        r.integer("Application", "VerMajorDiff", a.VerMajorDiff);
        r.integer("Application", "VerMinorDiff", a.VerMinorDiff);
        r.integer("Application", "VerRevDiff", a.VerRevDiff);
        r.text("Application", "VerTest", a.VerTest);
        r.integer("Application", "OptionBlind", a.OptionBlind);
        r.text("Application", "OptionURL", a.OptionURL);
        r.integer("Application", "DivedaviBlind", a.DivedaviBlind);

        auto& c = info.Company;
        r.text("Company", "Name", c.Name);
        r.text("Company", "ZipCode", c.ZipCode);
        r.text("Company", "Addr", c.Addr);
        r.text("Company", "TEL", c.TEL);
        r.text("Company", "FAX", c.FAX);
        r.text("Company", "Mail", c.Mail);
        r.text("Company", "URL", c.URL);

        auto& z = info.Zaimu;
        r.text("Zaimu", "AppName", z.AppName);
        r.text("Zaimu", "AppTitle", z.AppTitle);
        r.text("Zaimu", "AppTitle_CL", z.AppTitle_CL);
        r.text("Zaimu", "RegKey", z.RegKey);
        r.text("Zaimu", "HomeDir", z.HomeDir);
        r.text("Zaimu", "ShareDir", z.ShareDir);
        r.text("Zaimu", "ServerDir", z.ServerDir);
        r.text("Zaimu", "ServerTempDir", z.ServerTempDir);
        r.text("Zaimu", "DataDefFile", z.DataDefFile);
        r.text("Zaimu", "DataFile", z.DataFile);
        r.text("Zaimu", "DataBackupFile", z.DataBackupFile);
        r.text("Zaimu", "DataInitFile", z.DataInitFile);
        r.text("Zaimu", "DataIniFile", z.DataIniFile);
        r.integer("Zaimu", "DataListCnt", z.DataListCnt, kDefaultDataListCnt);

        r.text("VEradi", "AppTitle", info.VEradi.AppTitle);
        r.text("VEradi", "DataDir", info.VEradi.DataDir);
        r.text("VEradi", "WriteDirFmt", info.VEradi.WriteDirFmt);

        r.text("Veltorin", "AppTitle", info.Veltorin.AppTitle);
        r.text("Veltorin", "RegKey", info.Veltorin.RegKey);
        r.text("Veltorin", "HomeDir", info.Veltorin.HomeDir);

        r.text("Divedavi", "AppTitle", info.Divedavi.AppTitle);
        r.text("Divedavi", "RegKey", info.Divedavi.RegKey);
        r.text("Divedavi", "DataDir", info.Divedavi.DataDir);
        r.text("Divedavi", "DataBackupFile", info.Divedavi.DataBackupFile);

        auto& m = info.Menu;
        r.text("Menu", "DataCon", m.DataCon);
        r.text("Menu", "DataCon01", m.DataCon01);
        r.text("Menu", "DataCon02", m.DataCon02);
        r.text("Menu", "DataCon03", m.DataCon03);
        r.text("Menu", "DataConRavo01", m.DataConRavo01);
        r.text("Menu", "DataConRavo02", m.DataConRavo02);
        target = info;
        return kAppInfoLoaded;
    } catch (const std::exception& e) {
        if (error)
            *error = e.what();
        return kAppInfoReadFailed;
    }
}

void applyOemSwitch(const TAppInfoRec& info)
{
    if (info.Application.OEM == kLumeranOem)
        LumeranDataFlag = 1;
}
