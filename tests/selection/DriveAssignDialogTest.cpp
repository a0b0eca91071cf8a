// Tests of the drive assignment dialog: a stored assignment, and a write that fails.
#include "selection/DriveAssignDialog.h"

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SharedDrives.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/KeyComboBox.h"
#include "ui/OwnerDrawnButton.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>

namespace paths = platform::paths;

class DriveAssignDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        paths::resetDriveMap();
        paths::mapDrive('C', m_c.path());
        std::filesystem::create_directories(m_c / "ini");
    }
    void TearDown() override
    {
        platform::files::clearFaults();
        paths::resetDriveMap();
    }
    // Answers the dialog: picks the share with the browse button, takes Z and presses OK.
    void chooseShare(testsupport::MessageRecorder& rec, bool shot)
    {
        rec.pick(m_share.str());
        rec.onDialog([this, shot](QDialog& d) {
            auto& box = static_cast<selection::TDriveAssignBox&>(d);
            EXPECT_EQ(box.cmbLetter()->findText(QStringLiteral("C:")), -1);
            box.cmbLetter()->setCurrentIndex(box.cmbLetter()->findText(QStringLiteral("Z:")));
            box.btnBrowse()->Click();
            EXPECT_EQ(box.txtFolder()->text().toStdString(), m_share.str());
            if (shot) {
                const QString dir = QStringLiteral(TEST_BINARY_DIR "/tests/selection/artefacts");
                QDir().mkpath(dir);
                box.grab().save(dir + QStringLiteral("/TDriveAssignBox.png"));
            }
            box.btnOK()->Click();
            QCoreApplication::processEvents();
            return d.result();
        });
    }
    const std::string ini = "C:\\ini";
    testsupport::TempDir m_c;
    testsupport::TempDir m_share;
};

TEST_F(DriveAssignDialogTest, OkStoresARemoteDriveThatSurvivesARestart)
{
    testsupport::MessageRecorder rec;
    chooseShare(rec, true);
    EXPECT_EQ(selection::AssignSharedDrive(ini, nullptr), 0);
    EXPECT_TRUE(paths::isRemotePath("Z:\\morabyzaimu"));

    paths::resetDriveMap();
    paths::mapDrive('C', m_c.path());
    platform::drives::loadDriveFile(ini);
    paths::Drive d;
    ASSERT_TRUE(paths::driveOf('Z', d));
    EXPECT_EQ(d.nativeRoot, m_share.path());
    EXPECT_TRUE(d.remote);
}

TEST_F(DriveAssignDialogTest, AFailedWriteIsReportedAndAssignsNothing)
{
    testsupport::MessageRecorder rec;
    chooseShare(rec, false);
    platform::files::failNext(platform::files::Operation::Write, EACCES);
    rec.expectBox("ネットワークドライブの割り当てAPIの呼び出しに失敗しました。");
    EXPECT_NE(selection::AssignSharedDrive(ini, nullptr), 0);
    EXPECT_EQ(rec.texts().back(),
              "ネットワークドライブの割り当てAPIの呼び出しに失敗しました。\r"
              "OSの機能からネットワークドライブの割り当てを行って下さい。");
    paths::Drive d;
    EXPECT_FALSE(paths::driveOf('Z', d));
    EXPECT_FALSE(std::filesystem::exists(m_c / "ini" / "drives.ini"));
}

TEST_F(DriveAssignDialogTest, CancelAssignsNothing)
{
    testsupport::MessageRecorder rec;
    rec.onDialog([](QDialog& d) {
        static_cast<selection::TDriveAssignBox&>(d).btnCancel()->Click();
        QCoreApplication::processEvents();
        return d.result();
    });
    EXPECT_NE(selection::AssignSharedDrive(ini, nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(m_c / "ini" / "drives.ini"));
}
