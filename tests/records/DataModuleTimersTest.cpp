// The data module's timers: a deferred close of the tagged window and a deferred launch.
#include "records/DataModule.h"
#include "records/ProgramRecords.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Launch {
    std::string name;
    int mode;
    std::string params;
    bool operator==(const Launch&) const = default;
};

class DataModuleTimers : public ::testing::Test {
protected:
    void TearDown() override { SyoriKidouProc = nullptr; }
    TDM m_dm;
};

TEST_F(DataModuleTimers, BothAreStoppedAtCreation)
{
    EXPECT_FALSE(m_dm.TimerFormClose.isActive());
    EXPECT_FALSE(m_dm.TimerSyoriKidou.isActive());
}

TEST_F(DataModuleTimers, FormCloseClosesTheTaggedWindowOnceAndClearsTheTag)
{
    QWidget window;
    window.show();
    m_dm.TimerFormCloseTag = &window;
    m_dm.TimerFormClose.start(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
    EXPECT_FALSE(m_dm.TimerFormClose.isActive());
    EXPECT_TRUE(m_dm.TimerFormCloseTag.isNull());

    // Without a tag it only stops; a window shown again stays open.
    window.show();
    m_dm.TimerFormClose.start(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_dm.TimerFormClose.isActive(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
}

TEST_F(DataModuleTimers, FormCloseForgetsAWindowDestroyedMeanwhile)
{
    auto* window = new QWidget;
    m_dm.TimerFormCloseTag = window;
    delete window;
    m_dm.TimerFormCloseTimer(); // nothing left to close
    EXPECT_TRUE(m_dm.TimerFormCloseTag.isNull());
}

TEST_F(DataModuleTimers, SyoriKidouLaunchesWithTheThreeFieldsThenClearsThem)
{
    std::vector<Launch> launches;
    SyoriKidouProc = [&](const std::string& name, int mode, const std::string& params) {
        launches.push_back({name, mode, params});
        return 1;
    };
    m_dm.LaunchName = "XvDataSenkaku";
    m_dm.LaunchMode = 1;
    m_dm.LaunchParams = "SyoriType=3\rJyokenSet=1";
    m_dm.TimerSyoriKidou.start(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !launches.empty(); }));
    EXPECT_FALSE(m_dm.TimerSyoriKidou.isActive());
    EXPECT_EQ(launches, (std::vector<Launch>{{"XvDataSenkaku", 1, "SyoriType=3\rJyokenSet=1"}}));
    EXPECT_EQ(m_dm.LaunchName, "");
    EXPECT_EQ(m_dm.LaunchMode, 0);
    EXPECT_EQ(m_dm.LaunchParams, "");

    // Without an installed launcher the fields are still cleared.
    SyoriKidouProc = nullptr;
    m_dm.LaunchName = "XvKihonWiz";
    m_dm.TimerSyoriKidouTimer();
    EXPECT_EQ(m_dm.LaunchName, "");
    EXPECT_EQ(launches.size(), 1u);
}

} // namespace
