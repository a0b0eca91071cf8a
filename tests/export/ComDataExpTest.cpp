#include "export/ComDataExp.h"

#include "export/XMLSaveDoc.h"
#include "export/zq14.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::TempDir;

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

class ComDataExpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedEnvironment = comDataExportEnvironment();
        ComDataExportEnvironment& env = comDataExportEnvironment();
        env.programFile = "C:\\Program Files\\quelto\\zqrendo.exe";
        env.commonAppDataFolder = m_root.str();
    }
    void TearDown() override { comDataExportEnvironment() = m_savedEnvironment; }

    // BASIC of an object with the fixture company's year and the given settings.
    static std::string basicOf(TComDataExport& exporter)
    {
        TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        doc.CreateRootNode("REPORT");
        exporter.SetBasicNode(doc);
        const std::string bytes = doc.saveToBytes();
        return bytes.substr(kDecl.size() + 8, bytes.size() - kDecl.size() - 8 - 11);
    }

    TempDir m_root;
    testsupport::MessageRecorder m_messages;

private:
    ComDataExportEnvironment m_savedEnvironment;
};

} // namespace

TEST(ComDataExpTables, BusinessKindSections)
{
    const struct {
        const char* kind;
        const char* section;
    } cases[] = {
        {"HJ", "HOJINZEI"},   {"HJ_G", "HOJINZEI_G"},     {"SY", "SYOUHIZEI"},
        {"UG", "UTIWAKESYO"}, {"UG_G", "GAIKYOUSYO"},     {"ST", "SYOTOKUZEI"},
        {"ST_G", "SYOTOKUZEI_G"}, {"RC", "RENKETUNOUZEI"}, {"RC_G", "RENKETUNOUZEI_G"},
        {"st_g", ""}, {"ZZ", ""}, {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(businessKindSection(c.kind), c.section) << c.kind;
}

TEST_F(ComDataExpTest, ConstructionFixesTheIndividualsDepreciationExport)
{
    TSyotokuzeiGenkaDataExport exporter(3, "C:\\out\\a.xml");
    EXPECT_EQ(exporter.programFileName, "ZQRENDO.EXE");
    EXPECT_EQ(exporter.programFolder, "C:\\Program Files\\quelto");
    EXPECT_EQ(exporter.programDrive, "C:");
    EXPECT_EQ(exporter.dataRoot, m_root.str() + "\\quelto\\morabyzaimu");
    EXPECT_EQ(exporter.iniFolder, exporter.dataRoot + "\\ini");
    EXPECT_EQ(exporter.targetName, "所得税のゼトリノ（減価償却）");
    EXPECT_EQ(exporter.businessKind, "ST_G");
    EXPECT_EQ(exporter.businessPrefix, "ZQ14");
    EXPECT_EQ(exporter.formatVersion, 1);
    EXPECT_EQ(exporter.givenFunctionId, 3);
    EXPECT_EQ(exporter.functionId, 3);
    EXPECT_EQ(exporter.connectedProgramVersion, "8.0.0");
    EXPECT_EQ(exporter.requiredVersion, "8.0.0");
    EXPECT_EQ(exporter.closingDay, 99);
    EXPECT_EQ(exporter.selectionClass, 2);
    EXPECT_EQ(exporter.dataVersionText, "8.0");
    EXPECT_EQ(exporter.dataMajorVersion, "8");
    EXPECT_EQ(exporter.outputFile, "C:\\out\\a.xml");
}

TEST_F(ComDataExpTest, FunctionIdZeroBecomesTwo)
{
    for (const int given : {0, 1, 2, 3, 4, 5, -1}) {
        TSyotokuzeiGenkaDataExport exporter(given, "");
        EXPECT_EQ(exporter.givenFunctionId, given);
        EXPECT_EQ(exporter.functionId, given == 0 ? 2 : given);
    }
}

TEST_F(ComDataExpTest, BasicLayoutFollowsFunctionIdRoundingAndIncomeKind)
{
    const std::string head = "<BASIC><KOMONSAKINAME>A&amp;amp;B</KOMONSAKINAME>";
    const std::string year =
        "<JIGYOUNENDOFROM>20240101</JIGYOUNENDOFROM><JIGYOUNENDOTO>20241231</JIGYOUNENDOTO>";
    const struct {
        int functionId, roundingMode, incomeKind;
        std::string rest;
    } cases[] = {
        {1, 2, 1, "<AOSIROKUBUN>1</AOSIROKUBUN>" + year + "<SYOTOKUSYURUI>1</SYOTOKUSYURUI>"},
        {3, 0, 3, "<AOSIROKUBUN>1</AOSIROKUBUN>" + year + "<SYOTOKUSYURUI>3</SYOTOKUSYURUI>"},
        {3, 0, 4, "<AOSIROKUBUN>1</AOSIROKUBUN>" + year + "<SYOTOKUSYURUI>4</SYOTOKUSYURUI>"},
        {2, 0, 1, year + "<HASUU_SYOUKYAKU>1</HASUU_SYOUKYAKU>"},
        {2, 1, 1, year + "<HASUU_SYOUKYAKU>3</HASUU_SYOUKYAKU>"},
        {4, 2, 1, year + "<HASUU_SYOUKYAKU>2</HASUU_SYOUKYAKU>"},
        {2, 7, 1, year + "<HASUU_SYOUKYAKU>1</HASUU_SYOUKYAKU>"},
    };
    for (const auto& c : cases) {
        TSyotokuzeiGenkaDataExport exporter(c.functionId, "");
        exporter.clientName = "A&B";
        exporter.fiscalYearStart = platform::encodeDate(2024, 1, 1);
        exporter.fiscalYearEnd = platform::encodeDate(2024, 12, 31);
        exporter.roundingMode = c.roundingMode;
        exporter.incomeKind = c.incomeKind;
        EXPECT_EQ(basicOf(exporter), head + c.rest + "</BASIC>")
            << c.functionId << " " << c.roundingMode << " " << c.incomeKind;
    }
}

TEST_F(ComDataExpTest, UnknownFunctionIdFailsWithCode256AfterTheClientName)
{
    for (const int given : {5, -1, 256}) {
        TSyotokuzeiGenkaDataExport exporter(given, "");
        exporter.clientName = "山田商店";
        TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        exporter.SetSystemNode(doc);
        try {
            exporter.SetBasicNode(doc);
            ADD_FAILURE() << given << ": no error";
        } catch (const EDataExportError& e) {
            EXPECT_EQ(e.Code(), 256);
            EXPECT_EQ(e.Message(), "業務Prefixが条件に加えられていません。");
            EXPECT_EQ(e.Detail(), "SetBasicNode(BASICﾉｰﾄﾞを作成)");
        }
        const std::string bytes = doc.saveToBytes();
        EXPECT_NE(bytes.find("</SYSTEM><BASIC><KOMONSAKINAME>\x8e\x52\x93\x63\x8f\xa4\x93\x58"
                             "</KOMONSAKINAME></BASIC></REPORT>"),
                  std::string::npos)
            << given;
    }
}
