#include "ui/z5HtmlHelp.h"

#include "platform/DesktopServices.h"
#include "platform/Paths.h"
#include "records/uAccRecord.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RecordingOpener final : platform::UrlOpener {
    std::vector<std::string> files;
    bool answer = true;
    bool openUrl(const std::string&) override { return answer; }
    bool openLocalFile(const std::string& nativePath) override
    {
        files.push_back(nativePath);
        return answer;
    }
};

class ManualPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('H', dir.path());
        SystemDef.HelpFolder = "H:\\help";
        platform::setUrlOpener(&opener);
    }
    void TearDown() override
    {
        platform::setUrlOpener(nullptr);
        platform::paths::resetDriveMap();
        records::resetProgramState();
    }

    testsupport::TempDir dir;
    RecordingOpener opener;
};

} // namespace

TEST_F(ManualPageTest, PathsByRunModeAndPageKind)
{
    struct Case {
        std::string page;
        int mode;
        std::string path;
    };
    const Case cases[] = {
        {"olm.html", 0, "H:\\help\\zaimu\\olm.html"},
        {"OLM.HTML", 0, "H:\\help\\zaimu\\olm.files\\OLM.HTML"},
        {"datasentaku.html", 0, "H:\\help\\zaimu\\olm.files\\datasentaku.html"},
        {"ecbolm.html", 1, "H:\\help\\ecbolm.html"},
        {"x.html", 1, "H:\\help\\ecbolm.files\\x.html"},
        {"vtnolm.html", 2, "H:\\help\\veltorin\\vtnolm.html"},
        {"x.html", 2, "H:\\help\\veltorin\\vtnolm.files\\x.html"},
        {"csbolm.html", 3, "H:\\help\\csbolm.html"},
        {"x.html", 3, "H:\\help\\csbolm.files\\x.html"},
        {"x.html", 4, ""},
        {"", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(manualPagePath(c.page, c.mode), c.path) << c.page << " " << c.mode;
}

TEST_F(ManualPageTest, OpensTheLocalPageInTheBrowser)
{
    EXPECT_EQ(ShowManualPage("olm.html"), 0);
    EXPECT_EQ(ShowManualPage("OLM.HTML"), 0);
    ASSERT_EQ(opener.files.size(), 2u);
    EXPECT_EQ(opener.files[0], (dir.path() / "help" / "zaimu" / "olm.html").string());
    EXPECT_EQ(opener.files[1], (dir.path() / "help" / "zaimu" / "olm.files" / "OLM.HTML").string());
}

TEST_F(ManualPageTest, NothingOpensForAnEmptyNameOrAnotherRunMode)
{
    EXPECT_EQ(ShowManualPage(""), 0);
    RunMode = 7;
    EXPECT_EQ(ShowManualPage("olm.html"), 0);
    EXPECT_TRUE(opener.files.empty());
}

TEST_F(ManualPageTest, FailureIsReturnedNotShown)
{
    opener.answer = false;
    EXPECT_EQ(ShowManualPage("olm.html"), kManualPageFailed);
    SystemDef.HelpFolder = "Q:\\help"; // a drive that is not there
    EXPECT_EQ(ShowManualPage("olm.html"), kManualPageFailed);
    EXPECT_EQ(opener.files.size(), 1u);
}
