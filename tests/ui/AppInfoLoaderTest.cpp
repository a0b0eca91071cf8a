#include "ui/AppInfoLoader.h"

#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/ProgramRecords.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

class AppInfoTest : public ::testing::Test {
protected:
    void SetUp() override { records::resetProgramState(); }
    void TearDown() override { records::resetProgramState(); }

    // Writes "AppInfo.ini" (UTF-8 text stored as CP932, CR LF) beside the program.
    void writeIni(const std::string& utf8)
    {
        std::string crlf;
        for (const char c : utf8) {
            if (c == '\n')
                crlf += '\r';
            crlf += c;
        }
        testsupport::writeFile(dir / "AppInfo.ini", platform::text::toCp932(crlf));
    }
    std::string program() const { return (dir / "zetrino-rendo").string(); }

    TempDir dir;
};

TAppInfoRec defaults()
{
    TAppInfoRec info;
    SetAppInfoDefaults(info);
    return info;
}

const char* kComplete = R"([Application]
OEM=LumeranData
Since=2010-2026
RegKey=\SOFTWARE\LUMERAN
Ravo=ルメランＲａｖｏ
RavoAlias=ＬＲａｖｏ
VerMajorDiff=1
VerMinorDiff=-2
VerRevDiff=$10
VerTest=T
OptionBlind=1
OptionURL=https://lumeran.example/opt?a=1,b=2
DivedaviBlind=1
[Company]
Name=Lumeran Co.
ZipCode=530-0001
Addr=大阪府大阪市北区梅田1-1
TEL=06-0000-0000
FAX=06-0000-0001
Mail=info@lumeran.example
URL=https://lumeran.example/
[Zaimu]
AppName=lmzaimu
AppTitle=ルメラン財務
AppTitle_CL=顧問先
RegKey=LUMERANZAIMU
HomeDir=lumeran\zaimu
ShareDir=lmshare
ServerDir=\lm\data
ServerTempDir=\lm\temp
DataDefFile=lmdef.fdb
DataFile=lm.fdb
DataBackupFile=lm.fbk
DataInitFile=lm%d.gbk
DataIniFile=lm.ini
DataListCnt=300
[VEradi]
AppTitle=電子帳簿Ｌ
DataDir=lmview
WriteDirFmt=lm%.2dcd
[Veltorin]
AppTitle=経営Ｌ
RegKey=LMVELTORIN
HomeDir=lumeran\veltorin
[Divedavi]
AppTitle=現金出納帳Ｌ
RegKey=LMDIVEDAVI
DataDir=lm_cb
DataBackupFile=lmcash.fbk
[Menu]
DataCon=通信
DataCon01=送信
DataCon02=受信
DataCon03=設定
DataConRavo01=保存Ｌ
DataConRavo02=復元Ｌ
)";

} // namespace

TEST(AppInfoLoader, DefaultsFillEveryField)
{
    const TAppInfoRec d = defaults();
    EXPECT_EQ(d.Application.OEM, "-");
    EXPECT_EQ(d.Application.Since, "2009-2016");
    EXPECT_EQ(d.Application.RegKey, "\\SOFTWARE\\QUELTO");
    EXPECT_EQ(d.Application.RavoAlias, "Ｒａｖｏ");
    EXPECT_EQ(d.Zaimu.AppName, "dwzaimu");
    EXPECT_EQ(d.Zaimu.AppTitle, "モラビー財務");
    EXPECT_EQ(d.Zaimu.HomeDir, "quelto\\morabyzaimu");
    EXPECT_EQ(d.Zaimu.ServerTempDir, "\\morabyzaimu\\temp");
    EXPECT_EQ(d.Zaimu.DataInitFile, "acc%d.gbk");
    EXPECT_EQ(d.Zaimu.DataListCnt, 120);
    EXPECT_EQ(d.VEradi.WriteDirFmt, "dwz%.2dcd");
    EXPECT_EQ(d.Veltorin.AppTitle, "経営ヴェルトリン");
    EXPECT_EQ(d.Divedavi.DataBackupFile, "dwcashbook.fbk");
    EXPECT_EQ(d.Menu.DataConRavo02, "Ｒａｖｏ復元");
    // Every text the maker fills in is set.
    for (const std::string* s : {&d.Application.Ravo, &d.Application.OptionURL, &d.Company.Name,
                                 &d.Company.ZipCode, &d.Company.Addr, &d.Company.TEL,
                                 &d.Company.FAX, &d.Company.Mail, &d.Company.URL})
        EXPECT_FALSE(s->empty());
    EXPECT_TRUE(d.Application.VerTest.empty());
}

TEST_F(AppInfoTest, CompleteFileFillsEveryField)
{
    writeIni(kComplete);
    TAppInfoRec info;
    ASSERT_EQ(LoadAppInfo(program(), info), kAppInfoLoaded);
    EXPECT_EQ(info.Application.OEM, "LumeranData");
    EXPECT_EQ(info.Application.RegKey, "\\SOFTWARE\\LUMERAN");
    EXPECT_EQ(info.Application.Ravo, "ルメランＲａｖｏ");
    EXPECT_EQ(info.Application.VerMajorDiff, 1);
    EXPECT_EQ(info.Application.VerMinorDiff, -2);
    EXPECT_EQ(info.Application.VerRevDiff, 16);
    EXPECT_EQ(info.Application.VerTest, "T");
    EXPECT_EQ(info.Application.OptionBlind, 1);
    EXPECT_EQ(info.Application.OptionURL, "https://lumeran.example/opt?a=1,b=2");
    EXPECT_EQ(info.Application.DivedaviBlind, 1);
    EXPECT_EQ(info.Company.Addr, "大阪府大阪市北区梅田1-1");
    EXPECT_EQ(info.Company.URL, "https://lumeran.example/");
    EXPECT_EQ(info.Zaimu.AppName, "lmzaimu");
    EXPECT_EQ(info.Zaimu.AppTitle_CL, "顧問先");
    EXPECT_EQ(info.Zaimu.HomeDir, "lumeran\\zaimu");
    EXPECT_EQ(info.Zaimu.ServerDir, "\\lm\\data");
    EXPECT_EQ(info.Zaimu.DataIniFile, "lm.ini");
    EXPECT_EQ(info.Zaimu.DataListCnt, 300);
    EXPECT_EQ(info.VEradi.DataDir, "lmview");
    EXPECT_EQ(info.Veltorin.HomeDir, "lumeran\\veltorin");
    EXPECT_EQ(info.Divedavi.DataDir, "lm_cb");
    EXPECT_EQ(info.Menu.DataCon, "通信");
    EXPECT_EQ(info.Menu.DataConRavo02, "復元Ｌ");
}

TEST_F(AppInfoTest, NoEditionGivesTheDefaultsWhateverElseTheFileHolds)
{
    const std::string rest = "AppTitle=ほか\nDataListCnt=5\n";
    for (const std::string& application : {std::string("[Application]\nSince=1999\n"),
                                           std::string("[Application]\nOEM=\n"),
                                           std::string("[Application]\nOEM=-\n"),
                                           std::string("[Application]\noem = - \n"),
                                           std::string("")}) {
        writeIni(application + "[Zaimu]\n" + rest);
        TAppInfoRec info;
        info.Zaimu.AppTitle = "stale";
        EXPECT_EQ(LoadAppInfo(program(), info), kAppInfoLoaded) << application;
        EXPECT_EQ(info, defaults()) << application;
    }
}

TEST_F(AppInfoTest, MissingKeysGiveEmptyTextsAndZeroNumbers)
{
    writeIni("[application]\noem=X\n[Zaimu]\nVerMajorDiff=9\n");
    TAppInfoRec info = defaults();
    ASSERT_EQ(LoadAppInfo(program(), info), kAppInfoLoaded);
    TAppInfoRec expected;
    expected.Application.OEM = "X";
    expected.Zaimu.DataListCnt = 120;
    EXPECT_EQ(info, expected);
}

TEST_F(AppInfoTest, InvalidNumbersGiveZeroOrTheListSize)
{
    writeIni("[Application]\nOEM=X\nVerMajorDiff=1.5\nOptionBlind=yes\n[Zaimu]\nDataListCnt=abc\n");
    TAppInfoRec info;
    ASSERT_EQ(LoadAppInfo(program(), info), kAppInfoLoaded);
    EXPECT_EQ(info.Application.VerMajorDiff, 0);
    EXPECT_EQ(info.Application.OptionBlind, 0);
    EXPECT_EQ(info.Zaimu.DataListCnt, 120);
}

TEST_F(AppInfoTest, MissingFileLeavesTheRecord)
{
    TAppInfoRec info = defaults();
    info.Zaimu.AppTitle = "kept";
    const TAppInfoRec before = info;
    EXPECT_EQ(LoadAppInfo(program(), info), kAppInfoMissing);
    EXPECT_EQ(info, before);
    // A folder of that name is no file either.
    fs::create_directories(dir / "AppInfo.ini");
    EXPECT_EQ(LoadAppInfo(program(), info), kAppInfoMissing);
    EXPECT_EQ(info, before);
}

// A value that is no CP932 text fails the load as a whole: the start-up must not run with half
// the product's names from the file and half from the defaults.
TEST_F(AppInfoTest, AnUndecodableValueFailsTheLoadAndLeavesTheRecordWhole)
{
    struct Case { const char* section; const char* key; std::string line; };
    const Case cases[] = {{"Zaimu", "AppTitle", "AppTitle=\x81\x7f\xff"},
                          {"Zaimu", "DataListCnt", "DataListCnt=12\x85\x40"},
                          {"Menu", "DataConRavo02", "DataConRavo02=\xA0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        std::string bytes = platform::text::toCp932(
            "[Application]\r\nOEM=X\r\nSince=2001\r\n");
        bytes += "[" + std::string(c.section) + "]\r\nAppName=ok\r\n" + c.line + "\r\n";
        testsupport::writeFile(dir / "AppInfo.ini", bytes);
        TAppInfoRec info = defaults();
        const TAppInfoRec before = info;
        std::string error;
        EXPECT_EQ(LoadAppInfo(program(), info, &error), kAppInfoReadFailed);
        EXPECT_EQ(info, before);
        EXPECT_NE(error.find("AppInfo.ini"), std::string::npos) << error;
        EXPECT_NE(error.find(std::string("[") + c.section + "]"), std::string::npos) << error;
        EXPECT_NE(error.find(c.key), std::string::npos) << error;
    }
}

TEST_F(AppInfoTest, WindowsFormProgramPathFindsTheFile)
{
    writeIni("[Application]\nOEM=W\n");
    platform::paths::mapDrive('P', dir.path());
    TAppInfoRec info;
    EXPECT_EQ(LoadAppInfo("P:\\ZETRINO-RENDO.EXE", info), kAppInfoLoaded);
    platform::paths::resetDriveMap();
    EXPECT_EQ(info.Application.OEM, "W");
}

TEST_F(AppInfoTest, OemSwitchSetsTheFlagOnlyForThePartner)
{
    TAppInfoRec info = defaults();
    applyOemSwitch(info);
    EXPECT_EQ(LumeranDataFlag, 0);
    EXPECT_FALSE(records::isLumeranData());

    writeIni(kComplete);
    ASSERT_EQ(LoadAppInfo(program(), AppInfo), kAppInfoLoaded);
    applyOemSwitch(AppInfo);
    EXPECT_EQ(LumeranDataFlag, 1);
    EXPECT_TRUE(records::isLumeranData());

    LumeranDataFlag = 0;
    info.Application.OEM = "lumerandata";
    applyOemSwitch(info);
    EXPECT_EQ(LumeranDataFlag, 0);

    records::resetProgramState();
    EXPECT_EQ(AppInfo, TAppInfoRec{});
}
