// The settings file's rules and the data-server settings dialog, driven by keys and clicks.
#include "ui/AppIniCreateBox.h"

#include "platform/IniFile.h"
#include "platform/MessageBox2.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/ProgramRecords.h"
#include "support/AvahiDaemon.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/ComputerBrowserBox.h"
#include "ui/KeyComboBox.h"
#include "ui/KeyEdit.h"
#include "ui/OwnerDrawnButton.h"

#include "UiTestSupport.h"

#include <QListWidget>

#include <filesystem>
#include <memory>
#include <stdexcept>

namespace {

using Lines = std::vector<std::string>;

class AppIniCreateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('D', m_root.path());
        // What start-up puts into SystemDef before it writes the default file.
        SystemDef.DataRoot = "D:\\zaimu";
        SystemDef.IniFileName = "D:\\zaimu\\dwzaimu.ini";
        SystemDef.SysDir = "D:\\zaimu\\data";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        std::filesystem::create_directories(m_root / "zaimu");
        m_boxes.answerDefaults();
    }
    void TearDown() override
    {
        platform::setMessageBox2Handler({});
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    std::filesystem::path file() const { return m_root / "zaimu" / "dwzaimu.ini"; }
    // The settings file as it is now, in CP932.
    void writeSettings(const std::string& utf8) { testsupport::writeFile(file(), platform::text::toCp932(utf8)); }
    Lines section(const char* name) const
    {
        return platform::IniFile(SystemDef.IniFileName).readSectionValues(name);
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_boxes;
};

} // namespace

TEST_F(AppIniCreateTest, TheDefaultFileHoldsTheThreeSectionsInCrLf)
{
    SystemDef.HostName = "leftover";
    ASSERT_TRUE(CreateDefaultAppIni());
    const platform::IniFile ini(SystemDef.IniFileName);
    EXPECT_EQ(ini.readSections(), (Lines{"APPLICATION", "LOCAL", "SERVER"}));
    EXPECT_EQ(section("APPLICATION"), (Lines{"TOP=0", "LEFT=0", "WIDTH=1024", "HEIGHT=738", "CONNECT=0"}));
    EXPECT_EQ(section("LOCAL"), (Lines{"HOSTNAME=", "GOGLOBAL=NO", "GROUP=NO", "SYSDIR=D:\\zaimu\\data",
                                       "USER=MORABY", "PASSWORD=qolvex"}));
    EXPECT_EQ(section("SERVER"), (Lines{"HOSTNAME=", "GOGLOBAL=NO", "GROUP=NO", "SYSDIR=",
                                        "USER=MORABY", "PASSWORD=qolvex"}));
    EXPECT_EQ(SystemDef.HostName, "") << "standalone clears the host first";
    const std::string bytes = testsupport::readFile(file());
    EXPECT_NE(bytes.find("[LOCAL]\r\nHOSTNAME=\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("SYSDIR=D:\\zaimu\\data\r\n"), std::string::npos) << "backslashes kept";
}

TEST_F(AppIniCreateTest, TheResetErasesOldSectionsAndKeepsSbc)
{
    writeSettings("[DATABASE]\r\nX=1\r\n[SBC]\r\nHOSTNAME=ts1\r\nGOGLOBAL=YES\r\n[MAINFORM]\r\nTOP=5\r\n"
                  "[SERVER]\r\nHOSTNAME=srv\r\nSYSDIR=e:\\d\r\n");
    ASSERT_TRUE(TAppIniCreateBox::WriteIniSettings(1));
    const platform::IniFile ini(SystemDef.IniFileName);
    EXPECT_FALSE(ini.sectionExists("DATABASE"));
    EXPECT_FALSE(ini.sectionExists("MAINFORM"));
    EXPECT_EQ(section("SBC"), (Lines{"HOSTNAME=ts1", "GOGLOBAL=YES"}));
    EXPECT_EQ(ini.readString("SERVER", "HOSTNAME", "?"), "") << "the reset empties the server's host";
    EXPECT_EQ(ini.readString("SERVER", "SYSDIR", "?"), "");
}

TEST_F(AppIniCreateTest, WithoutResetOnlyTheCurrentModesSectionIsWritten)
{
    writeSettings("[LOCAL]\r\nUSER=keep\r\n");
    SystemDef.HostName = "srv9";
    SystemDef.GoGlobal = true;
    SystemDef.UseGroup = true;
    SystemDef.SysDir = "c:\\x";
    struct Case {
        std::uint8_t mode;
        const char* section;
    };
    for (const Case c : {Case{1, "SERVER"}, Case{2, "SBC"}}) {
        ConnectMode = c.mode;
        ASSERT_TRUE(TAppIniCreateBox::WriteIniSettings(0));
        EXPECT_EQ(section(c.section), (Lines{"HOSTNAME=srv9", "GOGLOBAL=YES", "GROUP=YES", "SYSDIR=c:\\x",
                                             "USER=MORABY", "PASSWORD=qolvex"}));
    }
    EXPECT_EQ(section("LOCAL"), (Lines{"USER=keep"}));
    const std::string before = testsupport::readFile(file());
    ConnectMode = 3;
    TAppIniCreateBox::WriteIniSettings(0);
    EXPECT_EQ(testsupport::readFile(file()), before) << "an unknown mode writes nothing";
}

TEST_F(AppIniCreateTest, ReadingASectionFollowsItsOwnCaseRules)
{
    writeSettings("[SERVER]\r\nHOSTNAME=Srv1\r\nGOGLOBAL=yes\r\nGROUP=YES\r\nSYSDIR=c:\\abc\r\nUSER=moraby\r\n"
                  "PASSWORD=ABC\r\n[SBC]\r\nGOGLOBAL=YES\r\n[LOCAL]\r\nSYSDIR=d:\\zaimu\\data\r\n");
    SystemDef.UseGroup = true;
    EXPECT_EQ(TAppIniCreateBox::ReadIniSection(1), 1);
    EXPECT_EQ(SystemDef.HostName, "Srv1");
    EXPECT_FALSE(SystemDef.GoGlobal) << "only \"YES\" in capitals";
    EXPECT_FALSE(SystemDef.UseGroup) << "GROUP is not read";
    EXPECT_EQ(SystemDef.SysDir, "C:\\ABC");
    EXPECT_EQ(SystemDef.DbUser, "MORABY");
    EXPECT_EQ(SystemDef.DbPassword, "abc");

    EXPECT_EQ(TAppIniCreateBox::ReadIniSection(2), 1);
    EXPECT_TRUE(SystemDef.GoGlobal);
    EXPECT_EQ(SystemDef.HostName, "");
    EXPECT_EQ(SystemDef.DbUser, "MORABY") << "missing key: default";
    EXPECT_EQ(SystemDef.DbPassword, "qolvex");

    for (int kind : {0, 3, -1}) {
        EXPECT_EQ(TAppIniCreateBox::ReadIniSection(kind), 1);
        EXPECT_EQ(SystemDef.SysDir, "D:\\ZAIMU\\DATA") << kind << ": LOCAL";
    }
}

TEST_F(AppIniCreateTest, TheLastUsedModeIsOnlyAModeOfRunMode0)
{
    struct Case {
        const char* stored;
        int expected;
    };
    for (const Case c : {Case{"1", 1}, Case{"x", 0}, Case{"", 0}, Case{"2", 2}}) {
        writeSettings(std::string("[APPLICATION]\r\nCONNECT=") + c.stored + "\r\n");
        EXPECT_EQ(TAppIniCreateBox::ReadConnect(), c.expected) << c.stored;
    }
    writeSettings("[APPLICATION]\r\nCONNECT=0\r\n");
    TAppIniCreateBox::WriteConnect(1);
    EXPECT_EQ(TAppIniCreateBox::ReadConnect(), 1);
    const std::string before = testsupport::readFile(file());
    TAppIniCreateBox::WriteConnect(3);
    TAppIniCreateBox::WriteConnect(-1);
    EXPECT_EQ(testsupport::readFile(file()), before);
    RunMode = 1;
    TAppIniCreateBox::WriteConnect(2);
    EXPECT_EQ(testsupport::readFile(file()), before);
    EXPECT_EQ(TAppIniCreateBox::ReadConnect(), 0) << "other run modes read 0";
}

TEST_F(AppIniCreateTest, NoDefaultFileWhereNoneCanBeWritten)
{
    // A file where the data root's folder should be: even root cannot write beneath it.
    testsupport::writeFile(m_root / "blocked", "x");
    SystemDef.IniFileName = "D:\\blocked\\dwzaimu.ini";
    EXPECT_FALSE(CreateDefaultAppIni());
}

namespace {

class AppIniCreateBoxTest : public AppIniCreateTest {
protected:
    void SetUp() override
    {
        AppIniCreateTest::SetUp();
        ASSERT_TRUE(CreateDefaultAppIni());
        ConnectMode = 1; // the dialog shows only while client/server is chosen
    }
};

} // namespace

TEST_F(AppIniCreateBoxTest, OkWithABlankHostRefusesAndWritesNothing)
{
    TAppIniCreateBox box;
    uitest::showActive(box);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("データサーバーの設定"));
    EXPECT_TRUE(box.btnCompShow()->isEnabled());
    EXPECT_EQ(box.txtDataPath()->text(), QStringLiteral("\\morabyzaimu\\data"));
    EXPECT_FALSE(box.txtUserName()->isVisible());
    EXPECT_FALSE(box.txtPassWord()->isVisible());
    EXPECT_EQ(uitest::focusName(), "txtHostName");
    uitest::saveShot(box, "AppIniCreateBox");

    std::vector<TMessage2InfoRec> shown;
    platform::setMessageBox2Handler([&](TMessage2InfoRec& rec) {
        shown.push_back(rec);
        return platform::mrYes;
    });
    const std::string before = testsupport::readFile(file());
    QTest::keyClicks(box.txtHostName(), QStringLiteral("   "));
    QTest::mouseClick(box.btnOK(), Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Kind, mtError);
    EXPECT_EQ(shown[0].Buttons, msgButton(mbYes)) << "a single Yes button";
    EXPECT_EQ(shown[0].Lines[0].Text, "コンピュータ名が指定されていません。");
    EXPECT_EQ(shown[0].Lines[1].Text, "入力してください。");
    EXPECT_EQ(testsupport::readFile(file()), before);
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(SystemDef.SysDir, "c:\\morabyzaimu\\data") << "copied values stay";
    uitest::shotOnFailure(box);
}

TEST_F(AppIniCreateBoxTest, OkWritesTheServerSectionFromTheTypedHostAndChosenDrive)
{
    int result = -1;
    m_boxes.onDialog([&](QDialog& d) {
        auto& box = static_cast<TAppIniCreateBox&>(d);
        QApplication::setActiveWindow(&box);
        EXPECT_EQ(box.cmbDrive()->currentText(), QStringLiteral("C:")) << "empty SYSDIR: first drive";
        QTest::keyClicks(box.txtHostName(), QStringLiteral("Srv1"));
        box.cmbDrive()->setFocus();
        QTest::keyClick(box.cmbDrive(), Qt::Key_Down); // C: -> D:
        QTest::mouseClick(box.btnOK(), Qt::LeftButton);
        QCoreApplication::processEvents();
        return d.result();
    });
    result = ExecuteAppIniCreate(nullptr);
    EXPECT_EQ(result, platform::mrOk);
    EXPECT_EQ(section("SERVER"), (Lines{"HOSTNAME=srv1", "GOGLOBAL=NO", "GROUP=NO",
                                        "SYSDIR=d:\\morabyzaimu\\data", "USER=MORABY", "PASSWORD=qolvex"}));
    EXPECT_EQ(platform::IniFile(SystemDef.IniFileName).readString("LOCAL", "SYSDIR", ""), "D:\\zaimu\\data");
}

TEST_F(AppIniCreateBoxTest, ShowingSelectsTheDriveOfTheServerFolder)
{
    struct Case {
        const char* sysdir;
        const char* drive;
    };
    for (const Case c : {Case{"q:\\srv\\data", "Q:"}, Case{"1:\\srv", "C:"}, Case{"\\\\nas\\d", "C:"}}) {
        platform::IniFile(SystemDef.IniFileName).writeString("SERVER", "SYSDIR", c.sysdir);
        platform::IniFile(SystemDef.IniFileName).writeString("SERVER", "HOSTNAME", "dbhost");
        TAppIniCreateBox box;
        uitest::showActive(box);
        EXPECT_EQ(box.cmbDrive()->currentText().toStdString(), c.drive) << c.sysdir;
        EXPECT_EQ(box.txtHostName()->text(), QStringLiteral("dbhost"));
    }
}

TEST_F(AppIniCreateBoxTest, CancelClosesWithoutSaving)
{
    TAppIniCreateBox box;
    uitest::showActive(box);
    const std::string before = testsupport::readFile(file());
    QTest::keyClicks(box.txtHostName(), QStringLiteral("other"));
    QTest::keyClick(box.txtHostName(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(box.result(), platform::mrCancel);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(testsupport::readFile(file()), before);
}

TEST_F(AppIniCreateTest, ReadingTheSettingsMapsTheNetworkDrivesBesideThem)
{
    testsupport::TempDir share;
    writeSettings("[LOCAL]\r\nSYSDIR=d:\\zaimu\\data\r\n");
    testsupport::writeFile(m_root / "zaimu" / "drives.ini",
                           "[Z]\r\nFolder=" + share.str() + "\r\nRemote=1\r\n");
    platform::paths::Drive d;
    ASSERT_FALSE(platform::paths::driveOf('Z', d));
    EXPECT_EQ(TAppIniCreateBox::ReadIniSection(0), 1);
    ASSERT_TRUE(platform::paths::driveOf('Z', d));
    EXPECT_EQ(d.nativeRoot, share.path());
    EXPECT_TRUE(platform::paths::isRemotePath("Z:\\morabyzaimu"));
}

// 参照: the computers of the test's own Avahi daemon on loopback; without a daemon the message.
TEST_F(AppIniCreateBoxTest, BrowsingChoosesAComputerOfTheNetworkForTheHostBox)
{
    std::unique_ptr<testsupport::AvahiDaemon> daemon;
    try {
        daemon = std::make_unique<testsupport::AvahiDaemon>("zetrino-db1");
        daemon->publish("zetrino firebird", "_gds_db._tcp", 3050);
    } catch (const std::exception& ex) {
        FAIL() << "the test's own Avahi daemon: " << ex.what();
    }
    TAppIniCreateBox box;
    uitest::showActive(box);
    box.txtHostName()->setText(QStringLiteral("typed-before"));

    testsupport::MessageRecorder rec;
    QStringList listed;
    rec.onDialog([&](QDialog& d) {
        auto* select = qobject_cast<TComputerSelectBox*>(&d);
        if (!select) {
            ADD_FAILURE() << "not the computer browser";
            return int(platform::mrCancel);
        }
        EXPECT_EQ(select->windowTitle(), QStringLiteral("コンピュータの参照"));
        for (int i = 0; i < select->lstComputers()->count(); ++i)
            listed << select->lstComputers()->item(i)->text();
        uitest::saveShot(*select, "TComputerSelectBox");
        const auto found = select->lstComputers()->findItems(QStringLiteral("zetrino-db1"), Qt::MatchExactly);
        if (found.isEmpty())
            return int(platform::mrCancel);
        select->lstComputers()->setCurrentItem(found.front());
        EXPECT_TRUE(select->btnOK()->isEnabled());
        return int(platform::mrOk);
    });
    box.btnCompShow()->Click();
    EXPECT_EQ(listed, QStringList{QStringLiteral("zetrino-db1")});
    EXPECT_EQ(box.txtHostName()->text(), QStringLiteral("zetrino-db1"));
    EXPECT_TRUE(rec.boxes().size() == 1 && rec.boxes()[0].kind == "dialog") << rec.boxes().size();

    // Cancel leaves the box as it is.
    box.txtHostName()->setText(QStringLiteral("typed-before"));
    rec.onDialog([](QDialog&) { return int(platform::mrCancel); });
    box.btnCompShow()->Click();
    EXPECT_EQ(box.txtHostName()->text(), QStringLiteral("typed-before"));
}

TEST_F(AppIniCreateBoxTest, BrowsingWithoutADaemonTellsTheUserAndKeepsTheHostBox)
{
    testsupport::NoSystemBus noBus;
    TAppIniCreateBox box;
    uitest::showActive(box);
    box.txtHostName()->setText(QStringLiteral("server9"));
    testsupport::MessageRecorder rec;
    rec.answer(platform::IDOK);
    box.btnCompShow()->Click();
    ASSERT_EQ(rec.boxes().size(), 1u);
    EXPECT_EQ(rec.boxes()[0].kind, "information");
    EXPECT_EQ(rec.boxes()[0].text, ui::kNoComputerBrowser);
    EXPECT_EQ(box.txtHostName()->text(), QStringLiteral("server9"));
}

TEST_F(AppIniCreateTest, TheSettingsHoldingThePasswordAreNotReadableByOthers)
{
    for (const bool existing : {false, true}) {
        std::filesystem::remove(file());
        if (existing) {
            writeSettings("[LOCAL]\r\nUSER=MORABY\r\n");
            std::filesystem::permissions(file(), std::filesystem::perms(0644));
        }
        ASSERT_TRUE(TAppIniCreateBox::WriteIniSettings(1)) << existing;
        const auto mode = std::filesystem::status(file()).permissions();
        EXPECT_EQ(mode & std::filesystem::perms::others_all, std::filesystem::perms::none) << existing;
        EXPECT_EQ(mode & std::filesystem::perms::owner_all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write)
            << existing;
        EXPECT_EQ(section("LOCAL").back(), "PASSWORD=qolvex") << existing;
    }
}

// A drive list with undecodable bytes (0x85 0x40 in a folder) or an entry that would remap the
// data root's drive costs those entries alone, named in one warning; the settings still read.
TEST_F(AppIniCreateTest, ABadDriveListEntryIsSkippedWithOneWarning)
{
    testsupport::TempDir share;
    writeSettings("[LOCAL]\r\nSYSDIR=d:\\zaimu\\data\r\n");
    testsupport::writeFile(m_root / "zaimu" / "drives.ini",
                           "[D]\r\nFolder=" + share.str() + "\r\n"
                           "[Y]\r\nFolder=" + share.str() + "/\x85\x40\r\n"
                           "[Z]\r\nFolder=" + share.str() + "\r\nRemote=1\r\n");
    EXPECT_EQ(TAppIniCreateBox::ReadIniSection(0), 1);
    platform::paths::Drive d;
    ASSERT_TRUE(platform::paths::driveOf('Z', d));
    EXPECT_EQ(d.nativeRoot, share.path());
    EXPECT_FALSE(platform::paths::driveOf('Y', d));
    ASSERT_TRUE(platform::paths::driveOf('D', d));
    EXPECT_EQ(d.nativeRoot, m_root.path()) << "the data root's drive was remapped";
    ASSERT_EQ(m_boxes.boxes().size(), 1u);
    EXPECT_EQ(m_boxes.boxes()[0].kind, "warning");
    for (const char* named : {"drives.ini", "[Y] Folder", "[D] Folder"})
        EXPECT_NE(m_boxes.boxes()[0].text.find(named), std::string::npos) << m_boxes.boxes()[0].text;
}
