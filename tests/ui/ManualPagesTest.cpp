#include "ui/ManualPages.h"

#include "platform/Paths.h"
#include "platform/UrlOpener.h"
#include "records/ProgramRecords.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QString>
#include <QUrl>

#include <filesystem>

#include <string>
#include <vector>

namespace {

// The file:// address of a native path.
std::string fileUrl(const std::filesystem::path& native)
{
    return QUrl::fromLocalFile(QString::fromStdString(native.string())).toString().toStdString();
}

class ManualPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('H', dir.path());
        SystemDef.HelpFolder = "H:\\help";
        platform::setUrlOpener([this](const std::string& url) {
            opened.push_back(url);
            return answer;
        });
    }
    void TearDown() override
    {
        platform::setUrlOpener({});
        platform::paths::resetDriveMap();
        records::resetProgramState();
    }

    testsupport::TempDir dir;
    std::vector<std::string> opened;
    bool answer = true;
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
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], fileUrl(dir.path() / "help" / "zaimu" / "olm.html"));
    EXPECT_EQ(opened[1], fileUrl(dir.path() / "help" / "zaimu" / "olm.files" / "OLM.HTML"));
    EXPECT_EQ(opened[0].rfind("file:///", 0), 0u);
}

TEST_F(ManualPageTest, NothingOpensForAnEmptyNameOrAnotherRunMode)
{
    EXPECT_EQ(ShowManualPage(""), 0);
    RunMode = 7;
    EXPECT_EQ(ShowManualPage("olm.html"), 0);
    EXPECT_TRUE(opened.empty());
}

TEST_F(ManualPageTest, FailureIsReturnedNotShown)
{
    answer = false;
    EXPECT_EQ(ShowManualPage("olm.html"), kManualPageFailed);
    SystemDef.HelpFolder = "Q:\\help"; // a drive that is not there
    EXPECT_EQ(ShowManualPage("olm.html"), kManualPageFailed);
    EXPECT_EQ(opened.size(), 1u);
}
