// The file-operation dialogs offscreen: the history of places, its deletion, the documents
// folder offered for the system drive's root, and the variant's second choice.
#include "ui/FileOperationDialog.h"

#include "platform/Paths.h"
#include "platform/Registry.h"
#include "records/FileUtils.h"
#include "records/ProgramRecords.h"
#include "records/SystemUtils.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"
#include "ui/KeyComboBox.h"
#include "ui/KeyEdit.h"
#include "ui/KeyRadioButton.h"
#include "ui/OwnerDrawnButton.h"

#include "UiTestSupport.h"

#include <QLabel>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

class FileOperationDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        for (const char* f : {"d/ini", "d/docs"})
            fs::create_directories(m_dir.path() / f);
        for (int i = 1; i <= 9; ++i)
            fs::create_directories(m_dir.path() / "d" / ("place" + std::to_string(i)));
        platform::paths::mapDrive('D', m_dir.path() / "d");
        platform::registry::setStorePath(m_dir.path() / "registry.ini");
        platform::registry::writeInteger(platform::registry::RootKey::LocalMachine,
                                         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                                         "EnableLUA", 1);
        setenv("ZETRINO_DOCUMENTS_DIR", (m_dir.path() / "d" / "docs").c_str(), 1);
        SystemDef.IniFolder = "D:\\ini";
    }
    void TearDown() override
    {
        unsetenv("ZETRINO_DOCUMENTS_DIR");
        platform::registry::resetStorePath();
        platform::paths::resetDriveMap();
        records::resetProgramState();
    }

    // As the data-selection dialog sets up its save box.
    template <typename Box>
    void fill(Box& box, int mode)
    {
        box.OperationMode = mode;
        box.UseHistory = true;
        box.HistoryFile = "history.ini";
        box.HistorySection = "DataBackFolder";
        box.DlgCaption = "データの保存";
        box.DlgMessage = "保存先のフォルダを選択して[OK]ボタンを押して下さい。";
        box.MessageColor = 255;
        box.LocationCaption = "保存先の場所:";
        box.InitialFolder = "D:\\place1";
        box.LocationHint = "保存先を選択します。|保存先のフォルダを選択します。";
        box.ApplySettings(true);
    }

    std::string section() const
    {
        return GetIniSectionText("D:\\ini\\history.ini", "DataBackFolder");
    }

    // Browses to a folder and confirms it.
    void confirm(TFileOperationBox& box, const std::string& folder)
    {
        m_messages.pick(folder);
        uitest::showActive(box);
        box.btnSansyo()->Click();
        box.btnOK()->Click();
        QCoreApplication::processEvents();
        EXPECT_EQ(box.modalResult(), platform::mrOk);
        EXPECT_EQ(box.ResultPath, folder);
        box.hide();
    }

    std::string items(TFileOperationBox& box) const
    {
        std::string out;
        for (int i = 0; i < box.cmbFileSelect()->count(); ++i)
            out += box.cmbFileSelect()->itemText(i).toStdString() + ";";
        return out;
    }

    testsupport::TempDir m_dir;
    testsupport::MessageRecorder m_messages;
};

TEST_F(FileOperationDialogTest, TheHistoryKeepsEightPlacesNewestFirst)
{
    TFileOperationBox box;
    fill(box, 3);
    EXPECT_EQ(items(box), "D:\\place1;") << "an empty history offers the initial folder";
    EXPECT_TRUE(box.txtFileName()->isHidden());
    EXPECT_FALSE(box.btnHistDelete()->isHidden());
    uitest::showActive(box);
    uitest::saveShot(box, "TFileOperationBox");
    box.hide();
    for (int i = 1; i <= 9; ++i) {
        fill(box, 3);
        confirm(box, "D:\\place" + std::to_string(i));
    }
    EXPECT_EQ(section(), "HIST1=D:\\place9\r\nHIST2=D:\\place8\r\nHIST3=D:\\place7\r\n"
                         "HIST4=D:\\place6\r\nHIST5=D:\\place5\r\nHIST6=D:\\place4\r\n"
                         "HIST7=D:\\place3\r\nHIST8=D:\\place2\r\n");

    // The third entry confirmed again moves to the top; the initial folder, gone from the
    // history, is offered last while the newest entry is selected.
    fill(box, 3);
    EXPECT_EQ(box.cmbFileSelect()->currentText().toStdString(), "D:\\place9");
    EXPECT_EQ(box.cmbFileSelect()->itemText(box.cmbFileSelect()->count() - 1).toStdString(),
              "D:\\place1");
    box.cmbFileSelect()->setCurrentIndex(2);
    uitest::showActive(box);
    box.btnOK()->Click();
    EXPECT_EQ(box.ResultPath, "D:\\place7");
    box.hide();
    EXPECT_EQ(section(), "HIST1=D:\\place7\r\nHIST2=D:\\place9\r\nHIST3=D:\\place8\r\n"
                         "HIST4=D:\\place6\r\nHIST5=D:\\place5\r\nHIST6=D:\\place4\r\n"
                         "HIST7=D:\\place3\r\nHIST8=D:\\place2\r\n");

    // Deleting the history, then cancelling, leaves the current place alone.
    fill(box, 3);
    uitest::showActive(box);
    m_messages.answer(platform::IDOK);
    box.btnHistDelete()->Click();
    EXPECT_EQ(items(box), "D:\\place7;");
    box.btnCancel()->Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.modalResult(), platform::mrCancel);
    EXPECT_EQ(section(), "HIST1=D:\\place7\r\n");
    EXPECT_EQ(box.ResultPath, "D:\\place7") << "unchanged by the cancel";
    ASSERT_EQ(m_messages.boxes().size(), 10u);
    EXPECT_NE(m_messages.boxes().back().text.find("履歴を削除します。よろしいですか？"),
              std::string::npos);
}

TEST_F(FileOperationDialogTest, TheSystemDriveRootGivesWayToTheDocumentsFolder)
{
    TFileOperationBox box;
    fill(box, 3);
    box.InitialFolder = "C:\\";
    box.ApplySettings(true);
    box.cmbFileSelect()->setCurrentIndex(box.cmbFileSelect()->findText(QStringLiteral("C:\\")));
    uitest::showActive(box);
    m_messages.answer(platform::IDYES);
    box.btnOK()->Click();
    EXPECT_EQ(box.modalResult(), platform::mrOk);
    const std::string docs = GetMyDocumentsFolder();
    EXPECT_EQ(box.ResultPath, docs);
    EXPECT_EQ(section(), "HIST1=" + docs + "\r\n");
    EXPECT_EQ(m_messages.boxes().size(), 1u);
}

TEST_F(FileOperationDialogTest, FileModesNeedANameAndJoinItToThePlace)
{
    TFileOperationBox box;
    fill(box, 1);
    box.InitialFolder = "D:\\place1\\";
    box.ApplySettings(true);
    EXPECT_FALSE(box.txtFileName()->isHidden());
    uitest::showActive(box);
    box.txtFileName()->setText(QStringLiteral("\u3000\u3000"));
    m_messages.answer(platform::IDOK);
    box.btnOK()->Click();
    EXPECT_TRUE(box.isVisible()) << "a name of full-width blanks counts as none";
    ASSERT_EQ(m_messages.texts().size(), 1u);
    box.txtFileName()->setText(QStringLiteral("\u3000dwacc.fbk\u3000"));
    box.cmbFileSelect()->setCurrentIndex(box.cmbFileSelect()->findText(QStringLiteral("D:\\place1\\")));
    box.btnOK()->Click();
    EXPECT_EQ(box.ResultPath, "D:\\place1\\dwacc.fbk");
}

TEST_F(FileOperationDialogTest, TheVariantsSecondChoiceClosesWithoutAPlace)
{
    WriteIniSection("D:\\ini\\history.ini", "DataBackFolder", {"HIST1=D:\\place3"});
    TFileOperationBoxEx1 box;
    fill(box, 2);
    box.DlgCaption = "データの復元";
    box.LocationCaption = "復元元の場所:";
    box.ApplySettings(true);
    EXPECT_EQ(box.SelectMode, 1);
    uitest::showActive(box);
    uitest::saveShot(box, "TFileOperationBoxEx1");
    box.btnSelect2()->click();
    for (QWidget* w : std::initializer_list<QWidget*>{box.lblFileSelect(), box.cmbFileSelect(),
                                                      box.btnSansyo(), box.btnHistDelete(),
                                                      box.lblFileName(), box.txtFileName()})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    box.btnOK()->Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.modalResult(), platform::mrOk);
    EXPECT_EQ(box.SelectMode, 2);
    EXPECT_EQ(box.ResultPath, "");
    EXPECT_EQ(section(), "HIST1=D:\\place3\r\n");

    box.SetSelectMode(1);
    EXPECT_TRUE(box.cmbFileSelect()->isEnabled());
    EXPECT_TRUE(m_messages.boxes().empty());
}

} // namespace
