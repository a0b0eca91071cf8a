// The wizard in client/server mode: the sample data root served by the Firebird server on
// loopback, the program driven by keys from the sign-in to the written linkage file.
#include "WizardEndToEndFixture.h"

#include "platform/IniFile.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

class ServerEndToEnd : public WizardEndToEnd {
protected:
    void SetUp() override
    {
        testsupport::ensureServer();
        WizardEndToEnd::SetUp();
    }

    // "C:\..." for a native path: the program and the server both map C: to "/".
    static std::string onC(const fs::path& native)
    {
        std::string s = native.string();
        for (char& c : s)
            if (c == '/')
                c = '\\';
        return "C:" + s;
    }

    fs::path dataFolder() const { return m_root / "quelto/morabyzaimu/data"; }

    // The settings file of a client/server installation whose data server is this machine.
    void writeServerSettings()
    {
        platform::IniFile ini((m_root / "quelto/morabyzaimu/dwzaimu.ini").string(),
                              platform::IniFile::WriteMode::Deferred);
        ini.writeString("APPLICATION", "CONNECT", "1");
        ini.writeString("LOCAL", "HOSTNAME", "");
        ini.writeString("LOCAL", "SYSDIR", onC(dataFolder()));
        ini.writeString("SERVER", "HOSTNAME", "localhost");
        ini.writeString("SERVER", "SYSDIR", onC(dataFolder()));
        ini.writeString("SERVER", "USER", "MORABY");
        ini.writeString("SERVER", "PASSWORD", "qolvex");
        ini.updateFile();
    }
};

} // namespace

TEST_F(ServerEndToEnd, SignsInAgainstTheServerChoosesADataSetAndWritesTheLinkageFile)
{
    writeServerSettings();
    start({});
    expectWindow("ログイン", "30-server-sign-in");
    m_display.type("20");
    m_display.key("Tab");
    m_display.type("sample");
    m_display.key("Return");
    m_display.key("Return");
    ASSERT_TRUE(m_display.waitForWindowGone("ログイン"));
    ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
    EXPECT_EQ(signedIn("localhost").size(), 1u) << "signed in through the server";

    nextPage();
    const QImage listBefore = m_display.grab(kWizardTitle, kDataList);
    m_display.key("Return"); // the focus is on "データ選択を開く"
    expectWindow("データ選択（サーバー）", "31-server-data-selection");
    m_display.key("F12"); // the first data set
    ASSERT_TRUE(m_display.waitForWindowGone("データ選択（サーバー）"));
    ASSERT_TRUE(m_display.waitForWindow(kWizardTitle));
    ASSERT_TRUE(m_display.waitForChange(kWizardTitle, listBefore, kDataList)) << "page 2 does not show the chosen set";
    m_display.screenshot(m_shots / "32-server-page2.png");

    const fs::path out = m_dir / "out" / "linkage-server.xml";
    pickOutputAndFinish(out, "33-server-summary");
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(finish(), kCompletionWritten);
    const std::vector<std::string> expected = {
        "information\t連動ﾃﾞｰﾀの作成\t中間ファイルが作成されました。\\r"};
    EXPECT_EQ(boxes(), expected);
    EXPECT_TRUE(signedIn("localhost").empty()) << "the sign-in row stays after the end";
    const std::string settings = testsupport::readFile(m_root / "quelto/morabyzaimu/dwzaimu.ini");
    EXPECT_NE(settings.find("CONNECT=1\r\n"), std::string::npos) << "the next start is client/server again";
    ASSERT_TRUE(fs::exists(out));
    // The same data set read by the standalone driver gives the same file.
    EXPECT_EQ(testsupport::readFile(out), driverFile("0001"));
}
