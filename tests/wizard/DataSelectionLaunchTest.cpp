// The data-selection dialog launched by its registered name, as the wizard launches it.
#include "wizard/HostHooks.h"

#include "records/FormRegistry.h"

#include "platform/Paths.h"
#include "records/DataModule.h"
#include "records/ProgramRecords.h"
#include "selection/DataSelectionDialog.h"
#include "selection/SelectionForms.h"
#include "support/FixtureDb.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/ListGrid.h"

#include <QApplication>
#include <QCursor>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A form launched from inside the dialog: it only counts that the launcher reached it.
class InnerForm : public QObject, public ISyoriKidou {
public:
    static inline int executed = 0;
    void SetParams(const std::vector<std::string>&) override {}
    int Execute(bool) override
    {
        ++executed;
        delete this;
        return 1;
    }
};

class DataSelectionLaunchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        platform::paths::mapDrive('C', m_root.path());
        testsupport::FixtureDb::copyTo("system", m_root / "ZAIMU" / "DATA" / "dwaccdef.fdb");
        SystemDef.SysDir = "C:\\ZAIMU\\DATA";
        SystemDef.DataRoot = "C:\\ZAIMU";
        SystemDef.DbUser = "MORABY";
        SystemDef.DbPassword = "qolvex";
        SystemDef.GroupId = 10000;
        SystemDef.LoginId = 100000011;
        m_messages.answerDefaults();
        m_dm = std::make_unique<TDM>();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        ASSERT_TRUE(m_dm->fnGetSysDef());
        selection::registerForms();
    }

    void TearDown() override
    {
        m_dm.reset();
        records::resetProgramState();
        platform::paths::resetDriveMap();
    }

    testsupport::TempDir m_root;
    testsupport::MessageRecorder m_messages;
    std::unique_ptr<TDM> m_dm;
};

} // namespace

TEST_F(DataSelectionLaunchTest, AProcessingTypeAboveFiveFailsTheLaunch)
{
    try {
        SyoriKidou("XvDataSenkaku", 1, "SyoriType=7");
        ADD_FAILURE() << "the launch must fail";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "処理タイプに範囲外の値が設定されました。");
    }
}

TEST_F(DataSelectionLaunchTest, TheWizardsLaunchListsByItsLinesAndEscEndsWithTwo)
{
    std::vector<int> listed;
    std::string title;
    m_messages.onDialog([&](QDialog& d) {
        auto* box = dynamic_cast<TDataSentakuBox*>(&d);
        EXPECT_NE(box, nullptr);
        if (!box)
            return int(platform::mrCancel);
        title = d.windowTitle().toStdString();
        EXPECT_EQ(box->FormStyle, 2) << "the launcher's line for a modal launch";
        for (int r = 0; r < box->PerfectGrid1()->rowCount(); ++r)
            listed.push_back(int(box->PerfectGrid1()->model().cellNumber(r, 0)));
        auto result = std::make_shared<int>(-1);
        QObject::connect(&d, &QDialog::finished, [result](int r) { *result = r; });
        QApplication::setActiveWindow(&d);
        QCoreApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &d, Qt::Key_Escape);
        QCoreApplication::processEvents();
        return *result;
    });
    // The fixture catalogue holds only empty slots: a type-1 condition lists none of them.
    EXPECT_EQ(SyoriKidou("xvdatasenkaku", 1, "SyoriType=3\r\nJyokenSet=1\r\nDataType=-13\r\nDataVerMajor=8"),
              platform::mrCancel);
    EXPECT_EQ(title, "データ選択");
    EXPECT_TRUE(listed.empty());
}

TEST_F(DataSelectionLaunchTest, TheDialogRunsUnderANormalCursorAndCanLaunchFromInside)
{
    records::RegisterSyoriForm<InnerForm>("TestInnerForm");
    InnerForm::executed = 0;
    bool waitCursorInside = true;
    int innerResult = 0;
    m_messages.onDialog([&](QDialog&) {
        const QCursor* c = QGuiApplication::overrideCursor();
        waitCursorInside = c && c->shape() == Qt::WaitCursor;
        innerResult = SyoriKidou("TestInnerForm", 1, "");
        return int(platform::mrCancel);
    });
    EXPECT_EQ(SyoriKidou("XvDataSenkaku", 1, "SyoriType=3"), platform::mrCancel);
    EXPECT_FALSE(waitCursorInside);
    EXPECT_EQ(innerResult, 1);
    EXPECT_EQ(InnerForm::executed, 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "every cursor set is given back";
}
