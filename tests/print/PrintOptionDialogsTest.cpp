// The print-option dialogs against a real system database: the data lists' orientation and
// options in STYLECOLOR, report colours against the operator's colours, and the start page.
#include "print/PrintOptionDialogs.h"

#include "print/ReportComponent.h"
#include "records/DataModuleFixture.h"

#include <QApplication>
#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using print::TDataSentakuPrintDlg;
using print::TDefaultPrintRec;
using print::TPrintDlgBox;

class PrintOptionDialogsTest : public DataModuleFixture {
protected:
    void SetUp() override
    {
        DataModuleFixture::SetUp();
        ASSERT_TRUE(m_dm->fnAccDefConnected("", 1));
        SystemDef.PLineColor1 = 0x000000;
        SystemDef.PLineColor2 = 0x808080;
        SystemDef.NetColor1 = 0xC0C0C0;
        SystemDef.NetColor2 = 0xE0E0E0;
    }

    std::vector<std::string> rows(const std::string& style)
    {
        std::vector<std::string> out;
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement st(tr, "SELECT OPCODE, LINECOLOR1, LINECOLOR2, LINECOLOR3, LINECOLOR4, "
                                   "LINECOLOR5, NETCOLOR1, NETCOLOR2, SSTR FROM STYLECOLOR "
                                   "WHERE STYLENAME = :S");
        st.setString("S", style);
        auto c = st.open();
        while (c.fetch()) {
            std::string r;
            for (int i = 0; i < 9; ++i)
                r += (i ? "|" : "") + c.getString(i);
            out.push_back(r);
        }
        return out;
    }
    void exec(const std::string& sql)
    {
        firebird::Transaction tr(m_dm->IBDatabaseDEF);
        tr.start();
        firebird::Statement st(tr, sql);
        st.execute();
        tr.commit();
    }

    // Shows the data lists' dialog, lets `act` press a button, and waits for it to close.
    int runDataList(TDefaultPrintRec& rec, const std::function<void(TDataSentakuPrintDlg&)>& act,
                    int* orientation = nullptr, bool* landscapeShown = nullptr)
    {
        TDataSentakuPrintDlg d;
        TPrintDlgBox::InitDefaultPrintRec(rec);
        rec.ReportName = "DataSentakuList";
        d.PrintRec = &rec;
        d.TitleText = "データリスト";
        d.ShowPreviewButton = true;
        d.Prepare(1);
        d.show();
        QApplication::processEvents();
        if (landscapeShown)
            *landscapeShown = d.landscapeButton()->isChecked();
        act(d);
        for (int i = 0; i < 20 && d.isVisible(); ++i)
            QApplication::processEvents();
        EXPECT_FALSE(d.isVisible()) << "the dialog did not close";
        if (orientation)
            *orientation = d.PaperOrientation;
        return d.PrintAction;
    }
};

TEST_F(PrintOptionDialogsTest, DataListOrientationIsStoredAndComesBack)
{
    TDefaultPrintRec rec;
    int orientation = -1;
    const int action = runDataList(rec, [](TDataSentakuPrintDlg& d) {
        d.landscapeButton()->click();
        d.grab().save(QString(TEST_BINARY_DIR) + "/print-render/data-list-options.png");
        d.previewButton()->click();
    }, &orientation);
    EXPECT_EQ(action, 2);
    EXPECT_EQ(orientation, 1);
    EXPECT_EQ(rec.OptionText, "P010=1\r\n");
    EXPECT_EQ(rows("020-DATASENTAKULIST"),
              (std::vector<std::string>{"100000011|-1|-1|-1|-1|-1|-1|-1|P010=1\r\n"}));

    // The next dialog opens on 横; Cancel rewrites the row as it was.
    TDefaultPrintRec again;
    bool landscape = false;
    bool okFocused = false;
    EXPECT_EQ(runDataList(again,
                          [&](TDataSentakuPrintDlg& d) {
                              // Enter prints: the OK button has the focus once the dialog is active.
                              d.activateWindow();
                              QApplication::processEvents();
                              okFocused = d.okButton()->hasFocus();
                              d.cancelButton()->click();
                          },
                          nullptr, &landscape),
              0);
    EXPECT_TRUE(okFocused);
    EXPECT_TRUE(landscape);
    EXPECT_EQ(rows("020-DATASENTAKULIST"),
              (std::vector<std::string>{"100000011|-1|-1|-1|-1|-1|-1|-1|P010=1\r\n"}));
}

TEST_F(PrintOptionDialogsTest, StoredColoursAndOptionsOfAnyLineEndAreRead)
{
    exec("INSERT INTO STYLECOLOR(OPCODE,STYLENAME,LINECOLOR1,LINECOLOR2,LINECOLOR3,LINECOLOR4,"
         "LINECOLOR5,NETCOLOR1,NETCOLOR2,SSTR) VALUES(100000011,'020-DATASENTAKULIST',255,-1,-1,-1,"
         "-1,-1,-1,'X=1' || ASCII_CHAR(10) || 'P010=1')");
    TDefaultPrintRec rec;
    bool landscape = false;
    runDataList(rec, [&](TDataSentakuPrintDlg& d) {
        EXPECT_EQ(rec.LineColor1, 255u);
        EXPECT_EQ(rec.LineColor2, 0x808080u) << "-1 keeps the operator's colour";
        d.okButton()->click();
    }, nullptr, &landscape);
    EXPECT_TRUE(landscape);
    // Colours that differ from the operator's are written with their own value; saving starts
    // the options afresh.
    EXPECT_EQ(rows("020-DATASENTAKULIST"),
              (std::vector<std::string>{"100000011|255|-1|-1|-1|-1|-1|-1|P010=1\r\n"}));
}

TEST_F(PrintOptionDialogsTest, WithoutTheSystemDatabaseTheDialogStillOpens)
{
    m_dm->IBDatabaseDEF.disconnect();
    m_messages.clear();
    TDefaultPrintRec rec;
    const int action = runDataList(rec, [](TDataSentakuPrintDlg& d) { d.okButton()->click(); });
    EXPECT_EQ(action, 1);
    bool reported = false;
    for (const std::string& t : m_messages.texts())
        reported = reported || t.find("ユーザー別帳票色情報の取得に失敗しました。") != std::string::npos;
    EXPECT_TRUE(reported);
}

TEST_F(PrintOptionDialogsTest, GeneralDialogOptionsAndStartPage)
{
    struct Case {
        const char* start;
        int expected;
    };
    const std::vector<Case> cases = {{"5", 5}, {"0", 1}, {"abc", 1}, {"-3", 1}};
    for (const Case& c : cases) {
        TDefaultPrintRec rec;
        TPrintDlgBox d;
        TPrintDlgBox::InitDefaultPrintRec(rec);
        rec.ReportName = "Sample";
        d.PrintRec = &rec;
        d.ReportColors = true;
        d.ShowColor = true;
        d.ShowStartPage = true;
        d.Prepare(1);
        EXPECT_EQ(d.height(), 300);
        d.show();
        d.colorChoice()->click();
        d.startPageBox()->setText(QString::fromUtf8(c.start));
        if (c.expected == 5)
            d.grab().save(QString(TEST_BINARY_DIR) + "/print-render/print-options.png");
        d.okButton()->click();
        for (int i = 0; i < 20 && d.isVisible(); ++i)
            QApplication::processEvents();
        EXPECT_EQ(rec.StartPage, c.expected) << c.start;
        EXPECT_EQ(rec.ColorPrint, 1);
        EXPECT_EQ(rec.OptionText, "C010=1\r\n");
    }
}

TEST(PrintColours, MonochromeMakesOcrAndUserColoursBlackAndHatchingGrey)
{
    print::TVellum48 v;
    v.NetColor1 = 0xD7FFD7;
    v.UserColor1 = 0x0000FF;
    print::AdjustMonoPrintColor(0, v);
    EXPECT_EQ(v.NetColor1, 0xE4E4E4u);
    EXPECT_EQ(v.UserColor1, 0u);
    EXPECT_EQ(v.OcrGreen, 0u);
    EXPECT_EQ(v.OcrPurple, 0u);
    print::TVellum48 c;
    c.NetColor1 = 0xD7FFD7;
    print::AdjustMonoPrintColor(1, c);
    EXPECT_EQ(c.NetColor1, 0xD7FFD7u);
}

TEST(PrintColours, OptionLinesReadAnyLineEnd)
{
    EXPECT_EQ(print::optionLines("A=1\r\nB=2\nC=3\rD=4"),
              (std::vector<std::string>{"A=1", "B=2", "C=3", "D=4"}));
    EXPECT_EQ(print::optionText({"A=1", "B=2"}), "A=1\r\nB=2\r\n");
    EXPECT_EQ(print::optionValue({"p010=1"}, "P010"), "1");
}

} // namespace

namespace {

TEST_F(PrintOptionDialogsTest, ColourBoxChangesAReportColourAndKeepsCustomColours)
{
    print::TPrnColorSetBox box;
    box.ReportColors = true;
    box.SetLineColor1(0x000000);
    box.Prepare(1);
    EXPECT_EQ(QColorDialog::customColor(0), QColor(Qt::white)) << "no stored custom colours";
    box.show();
    EXPECT_TRUE(box.resetLink()->isVisible());
    m_messages.onDialog([](QDialog& d) {
        auto* c = qobject_cast<QColorDialog*>(&d);
        EXPECT_NE(c, nullptr);
        if (c) {
            c->setCurrentColor(QColor(0xFF, 0x00, 0x00));
            d.grab().save(QString(TEST_BINARY_DIR) + "/print-render/colour-dialog.png");
        }
        return int(QDialog::Accepted);
    });
    box.changeButton(0)->click();
    EXPECT_EQ(box.panelColor(0), 0x0000FFu) << "red as a TColor is $0000FF";
    box.grab().save(QString(TEST_BINARY_DIR) + "/print-render/report-colours.png");
    box.okButton()->click();
    for (int i = 0; i < 20 && box.isVisible(); ++i)
        QApplication::processEvents();
    EXPECT_EQ(box.LineColor1, 0x0000FFu);
    std::string stored;
    m_dm->GetStyleColor(SystemDef.LoginId, "Pallet_CustomColor", stored);
    EXPECT_EQ(stored.substr(0, 28), "ColorA=FFFFFF\rColorB=FFFFFF\r");
}

} // namespace
