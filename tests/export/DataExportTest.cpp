#include "export/DataExport.h"

#include "export/XmlSaveDocument.h"
#include "export/AssetLinkageFile.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"
#include "platform/Text.h"
#include "records/ProductVersionList.h"
#include "records/ProgramRecords.h"
#include "support/Environment.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

using platform::registry::RootKey;
using testsupport::readFile;
using testsupport::writeFile;

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

std::string dataFile(const std::string& name)
{
    return readFile(std::filesystem::path(TEST_SOURCE_DIR) / "data" / name);
}

// Drive D: is a temporary folder holding the application data, the registry store and the
// output; the registry holds nothing until a test writes it.
class ComDataExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        records::resetProgramState();
        records::seihinRegistryKeys() = records::SeihinRegistryKeys();
        platform::paths::mapDrive('D', m_root.path());
        std::filesystem::create_directories(m_root / "ProgramData");
        platform::registry::setStorePath(m_root / "registry.ini");
    }
    void TearDown() override
    {
        platform::files::clearFaults();
        platform::registry::resetStorePath();
        platform::paths::resetDriveMap();
    }

    static void installProduct(const std::string& subKey, const std::string& product,
                               const std::string& version)
    {
        const std::string key = "SOFTWARE\\QUELTO\\" + subKey;
        platform::registry::createKey(RootKey::LocalMachine, key);
        if (!product.empty())
            platform::registry::writeString(RootKey::LocalMachine, key, "Product", product);
        if (!version.empty())
            platform::registry::writeString(RootKey::LocalMachine, key, "Version", version);
    }

    std::filesystem::path zetrinoIni() const
    {
        return m_root / "ProgramData/quelto/morabyzaimu/ini/Zetrino.ini";
    }
    void writeZetrinoIni(const std::string& utf8Lines) const
    {
        writeFile(zetrinoIni(), platform::text::toCp932(utf8Lines));
    }

    // The fixture company's year, as the data page leaves it in the object.
    static void chooseCompany(TComDataExport& exporter)
    {
        exporter.fiscalYearNumber = 5;
        exporter.fiscalYearStart = platform::encodeDate(2024, 1, 1);
        exporter.fiscalYearEnd = platform::encodeDate(2024, 12, 31);
        exporter.roundingMode = 0;
        exporter.dataType = 2;
        exporter.codeSystem = 0; // no statement to load: DATA stays empty
        exporter.incomeKind = 1;
    }

    // What a generation does: the writer, SYSTEM, BASIC, DATA, then the save.
    static void generate(TComDataExport& exporter)
    {
        TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        exporter.SetSystemNode(doc);
        exporter.SetBasicNode(doc);
        exporter.SetDataNode(doc);
        doc.SaveToFile(exporter.outputFile);
    }

    // BASIC of an object, as bytes between <REPORT> and </REPORT>.
    static std::string basicOf(TComDataExport& exporter)
    {
        TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        doc.CreateRootNode("REPORT");
        exporter.SetBasicNode(doc);
        const std::string bytes = doc.saveToBytes();
        return bytes.substr(kDecl.size() + 8, bytes.size() - kDecl.size() - 8 - 11);
    }

    testsupport::TempDir m_root;
    testsupport::ScopedEnvironment m_appData{platform::kCommonAppDataVariable,
                                             (m_root / "ProgramData").c_str()};
    testsupport::MessageRecorder m_messages;
};

} // namespace

TEST(ComDataExportTables, BusinessKindSections)
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

TEST(ComDataExportTables, CompareVersionTextNeedsAPositiveVersionNotBelowTheRequired)
{
    const struct {
        const char* installed;
        bool accepted;
    } cases[] = {
        {"8.0.0", true},  {"8.0.1", true},   {"8.1", true},    {"8", true},
        {"10.0", true},   {"7.9.9", false},  {"", false},      {"8.0.0.1", false},
        {"abc", false},   {"0.0.0", false},  {"7.99.99", false}, {"8.x.0", true},
        {"-8.0.0", false}, {"99999999999.0", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareVersionText(c.installed, "8.0.0"), c.accepted) << c.installed;
}

TEST_F(ComDataExportTest, ConstructionFixesTheIndividualsDepreciationExport)
{
    TSyotokuzeiGenkaDataExport exporter(3, "D:\\out\\a.xml");
    EXPECT_EQ(exporter.programFileName, "EXPORT_TESTS");
    EXPECT_EQ(exporter.dataRoot, "D:\\ProgramData\\quelto\\morabyzaimu");
    EXPECT_EQ(exporter.iniFolder, "D:\\ProgramData\\quelto\\morabyzaimu\\ini");
    EXPECT_TRUE(std::filesystem::is_directory(m_root / "ProgramData/quelto/morabyzaimu/ini"));
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
    EXPECT_EQ(exporter.outputFile, "D:\\out\\a.xml");
}

TEST_F(ComDataExportTest, FunctionIdZeroBecomesTwo)
{
    for (const int given : {0, 1, 2, 3, 4, 5, -1}) {
        TSyotokuzeiGenkaDataExport exporter(given, "");
        EXPECT_EQ(exporter.givenFunctionId, given);
        EXPECT_EQ(exporter.functionId, given == 0 ? 2 : given);
    }
}

TEST_F(ComDataExportTest, InstalledProductComesFromTheSubkeyListedLast)
{
    const struct {
        const char* what;
        std::vector<std::array<const char*, 3>> subKeys; // name, Product, Version
        const char* product;
        const char* version;
    } cases[] = {
        {"no maker key", {}, "", ""},
        {"other generation only", {{"MORABYZAIMU07", "財務7", "7.0.0"}}, "", ""},
        {"two matches",
         {{"MORABYZAIMU08", "モラビー財務8", "8.0.0"}, {"MorabyZaimu08_SP", "財務8SP", "8.1.0"}},
         "財務8SP", "8.1.0"},
        {"match inside the name, later generation listed after",
         {{"XMORABYZAIMU08", "モラビー財務8", "8.0.0"}, {"ZMORABYZAIMU09", "財務9", "9.0.0"}},
         "モラビー財務8", "8.0.0"},
        {"matching key without values", {{"MORABYZAIMU08", "", ""}}, "", ""},
    };
    for (const auto& c : cases) {
        platform::registry::deleteKey(RootKey::LocalMachine, "SOFTWARE\\QUELTO");
        for (const auto& k : c.subKeys)
            installProduct(k[0], k[1], k[2]);
        TSyotokuzeiGenkaDataExport exporter(2, "");
        EXPECT_EQ(exporter.installedProductName, c.product) << c.what;
        EXPECT_EQ(exporter.installedProductVersion, c.version) << c.what;
        EXPECT_EQ(exporter.title,
                  std::string("所得税のゼトリノ from ") + c.product + "（減価償却）")
            << c.what;
        // The start-up version check refuses a missing product.
        EXPECT_EQ(CompareVersionText(exporter.installedProductVersion, exporter.requiredVersion),
                  std::string(c.version) == "8.0.0" || std::string(c.version) == "8.1.0")
            << c.what;
    }
}

TEST_F(ComDataExportTest, ZetrinoIniKeepsExportFileOnlyWithoutAFunctionId)
{
    const std::string before = "[HOJINZEI]\r\nKOMONSAKI=別の顧問先\r\n"
                               "[SYOTOKUZEI_G]\r\nDATA=abc\r\nKOMONSAKI=旧顧問先\r\n"
                               "EXPORTFILE=D:\\out\\a.xml\r\n";
    const struct {
        int functionId;
        const char* outputAtStart;
        const char* reference;
    } cases[] = {
        {0, "D:\\out\\a.xml", "zetrino-after-function0.ini"},
        {3, "D:\\caller\\c.xml", "zetrino-after-function3.ini"},
    };
    for (const auto& c : cases) {
        writeZetrinoIni(before);
        {
            TSyotokuzeiGenkaDataExport exporter(c.functionId, "D:\\caller\\c.xml");
            EXPECT_EQ(exporter.outputFile, c.outputAtStart) << c.functionId;
            EXPECT_EQ(exporter.clientName, "旧顧問先");
            EXPECT_EQ(exporter.lastData, "abc");
            exporter.clientName = "山田&商店";
            exporter.outputFile = "D:\\out\\b,c.xml";
        }
        EXPECT_EQ(readFile(zetrinoIni()), dataFile(c.reference)) << c.functionId;
    }
    EXPECT_TRUE(m_messages.boxes().empty());
}

TEST_F(ComDataExportTest, MissingZetrinoIniReadsEmptyAndIsCreatedAtTheEnd)
{
    {
        TSyotokuzeiGenkaDataExport exporter(0, "D:\\ignored.xml");
        EXPECT_EQ(exporter.outputFile, "");
        EXPECT_EQ(exporter.clientName, "");
        EXPECT_EQ(exporter.lastData, "");
    }
    EXPECT_EQ(readFile(zetrinoIni()),
              "[SYOTOKUZEI_G]\r\nDATA=\r\nKOMONSAKI=\r\nEXPORTFILE=\r\n");
}

TEST_F(ComDataExportTest, FailedZetrinoIniWriteIsShownAndLeavesTheFileAlone)
{
    writeZetrinoIni("[SYOTOKUZEI_G]\r\nKOMONSAKI=旧顧問先\r\n");
    const std::string before = readFile(zetrinoIni());
    {
        TSyotokuzeiGenkaDataExport exporter(0, "");
        exporter.clientName = "新しい顧問先";
        m_messages.answer(platform::IDOK);
        platform::files::failNext(platform::files::Operation::Rename, EIO);
    }
    EXPECT_EQ(readFile(zetrinoIni()), before);
    ASSERT_EQ(m_messages.boxes().size(), 1u);
    EXPECT_EQ(m_messages.boxes()[0].kind, "error");
    EXPECT_EQ(m_messages.boxes()[0].text.rfind("「Zetrino.ini」の書き込みに失敗しました。\r", 0), 0u);
}

TEST_F(ComDataExportTest, BasicLayoutFollowsFunctionIdRoundingAndIncomeKind)
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
        chooseCompany(exporter);
        exporter.clientName = "A&B";
        exporter.roundingMode = c.roundingMode;
        exporter.incomeKind = c.incomeKind;
        EXPECT_EQ(basicOf(exporter), head + c.rest + "</BASIC>")
            << c.functionId << " " << c.roundingMode << " " << c.incomeKind;
    }
}

TEST_F(ComDataExportTest, GeneratedFileMatchesReference)
{
    // Without a function id the output comes from EXPORTFILE; the client name with the CP932
    // extensions (which company databases refuse) comes from KOMONSAKI.
    installProduct("MORABYZAIMU08", "モラビー財務8", "8.0.0");
    writeZetrinoIni("[SYOTOKUZEI_G]\r\nKOMONSAKI=㈱髙①&<>\"'商店\r\n"
                    "EXPORTFILE=D:\\出力\\連動.XML\r\n");
    std::filesystem::create_directories(m_root / "出力");
    {
        TSyotokuzeiGenkaDataExport exporter(0, "");
        chooseCompany(exporter);
        generate(exporter);
    }
    EXPECT_EQ(readFile(m_root / "出力/連動.XML"), dataFile("linkage-function2.xml"));

    // A calling program's function id 1, no installed product, a company chosen on the wizard.
    platform::registry::deleteKey(RootKey::LocalMachine, "SOFTWARE\\QUELTO");
    {
        TSyotokuzeiGenkaDataExport exporter(1, "D:\\出力\\from-caller.xml");
        chooseCompany(exporter);
        exporter.clientName = "山田&商店";
        exporter.incomeKind = 3;
        generate(exporter);
    }
    EXPECT_EQ(readFile(m_root / "出力/from-caller.xml"), dataFile("linkage-function1-noproduct.xml"));
}

TEST_F(ComDataExportTest, UnknownFunctionIdFailsWithCode256AndSavesNothing)
{
    for (const int given : {5, -1, 256}) {
        TSyotokuzeiGenkaDataExport exporter(given, "D:\\out.xml");
        chooseCompany(exporter);
        exporter.clientName = "山田商店";
        TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        exporter.SetSystemNode(doc);
        try {
            generate(exporter);
            ADD_FAILURE() << given << ": no error";
        } catch (const EDataExportError& e) {
            EXPECT_EQ(e.Code(), 256);
            EXPECT_EQ(e.Message(), "業務Prefixが条件に加えられていません。");
            EXPECT_EQ(e.Detail(), "SetBasicNode(BASICﾉｰﾄﾞを作成)");
        }
        EXPECT_FALSE(std::filesystem::exists(m_root / "out.xml")) << given;

        // BASIC holds only the client name when the error is raised.
        try {
            exporter.SetBasicNode(doc);
        } catch (const EDataExportError&) {
        }
        EXPECT_NE(doc.saveToBytes().find("</SYSTEM><BASIC><KOMONSAKINAME>\x8e\x52\x93\x63\x8f\xa4"
                                         "\x93\x58</KOMONSAKINAME></BASIC></REPORT>"),
                  std::string::npos)
            << given;
    }
}

TEST_F(ComDataExportTest, FailedSaveLeavesTheOldLinkageFileUnchanged)
{
    writeFile(m_root / "out.xml", "old linkage file");
    using platform::files::Operation;
    for (const Operation op : {Operation::Write, Operation::Rename}) {
        TSyotokuzeiGenkaDataExport exporter(2, "D:\\out.xml");
        chooseCompany(exporter);
        platform::files::failNext(op, ENOSPC);
        EXPECT_THROW(generate(exporter), EDataExportError);
        EXPECT_EQ(readFile(m_root / "out.xml"), "old linkage file");
    }
    TSyotokuzeiGenkaDataExport exporter(2, "D:\\no such folder\\out.xml");
    chooseCompany(exporter);
    EXPECT_THROW(generate(exporter), EDataExportError);
    EXPECT_FALSE(std::filesystem::exists(m_root / "no such folder"));
    for (const auto& e : std::filesystem::directory_iterator(m_root.path()))
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
}
