#include "export/XmlSaveDocument.h"

#include "export/DataExport.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::string dataFile(const std::string& name)
{
    return readFile(std::filesystem::path(TEST_SOURCE_DIR) / "data" / name);
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    return names;
}

// A document with every shape the linkage file uses: attribute, double escaping, an empty
// element, CP932-only characters, an attribute name given without a value and vice versa.
void buildSample(TXmlSaveDoc& doc)
{
    const XmlNode root = doc.CreateRootNode("R");
    const XmlNode a = doc.AddNode({}, "A", "Count", "1");
    doc.AddTextNode(a, "T", "A&B<\"'>");
    doc.AddTextNode(a, "E", "");
    doc.AddTextNode(root, "J", "～①㈱髙－∥￢");
    doc.AddNode({}, "S", "", "ignored");
    doc.AddNode(root, "B", "Count", "x&y");
}

} // namespace

TEST(XmlSaveDoc, EscapeTextReplacesMarkupCharactersAmpersandFirst)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"&<>\"'", "&amp;&lt;&gt;&quot;&apos;"},
        {"&lt;", "&amp;lt;"},
        {"", ""},
        {"山田&商店", "山田&amp;商店"},
        {"plain ～①", "plain ～①"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TXmlSaveDoc::EscapeText(c.in), c.out) << c.in;
}

TEST(XmlSaveDoc, SavedFileMatchesReferenceByteForByte)
{
    TempDir dir;
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    buildSample(doc);
    const auto path = dir / "out.xml";
    doc.SaveToFile(path.string());

    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes, dataFile("writer-escaping.xml"));
    // ～ ① ㈱ 髙 as their code page 932 bytes, never as character references.
    EXPECT_NE(bytes.find("\x81\x60\x87\x40\x87\x8A\xFB\xFC"), std::string::npos);
    EXPECT_EQ(bytes.find("&#"), std::string::npos);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.xml"});
}

TEST(XmlSaveDoc, OneDecodeGivesTheOnceEscapedTextBack)
{
    TXmlSaveDoc doc("1.0", "", "UTF-8");
    const XmlNode root = doc.CreateRootNode("R");
    doc.AddTextNode(root, "T", "A&B<\"'>\r\n2行目", "Count", "1&2");
    const std::string bytes = doc.saveToBytes();
    ASSERT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<R>", 0), 0u) << bytes;

    xmlDocPtr parsed = xmlReadMemory(bytes.data(), int(bytes.size()), nullptr, nullptr, 0);
    ASSERT_NE(parsed, nullptr);
    xmlNodePtr t = xmlDocGetRootElement(parsed)->children;
    xmlChar* text = xmlNodeGetContent(t);
    xmlChar* count = xmlGetProp(t, reinterpret_cast<const xmlChar*>("Count"));
    // The line break of a note survives a read exactly.
    EXPECT_STREQ(reinterpret_cast<char*>(text), "A&amp;B&lt;&quot;&apos;&gt;\r\n2行目");
    EXPECT_STREQ(reinterpret_cast<char*>(count), "1&amp;2");
    xmlFree(text);
    xmlFree(count);
    xmlFreeDoc(parsed);
}

TEST(XmlSaveDoc, DeclarationCarriesStandaloneOnlyWhenGiven)
{
    TXmlSaveDoc doc("1.0", "yes", "Shift_JIS");
    doc.CreateRootNode("R", "urn:x");
    EXPECT_EQ(doc.saveToBytes(),
              "<?xml version=\"1.0\" encoding=\"Shift_JIS\" standalone=\"yes\"?>\r\n"
              "<R xmlns=\"urn:x\"/>\r\n");
}

TEST(XmlSaveDoc, CreateRootNodeTwiceReplacesTheRoot)
{
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    doc.CreateRootNode("OLD");
    doc.AddNode({}, "GONE");
    doc.CreateRootNode("NEW");
    doc.AddNode({}, "KEPT");
    EXPECT_EQ(doc.saveToBytes(),
              "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<NEW><KEPT/></NEW>\r\n");
}

TEST(XmlSaveDoc, MisuseAndInvalidNamesRaiseDomErrors)
{
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    EXPECT_THROW(doc.AddNode({}, "A"), XmlDomError); // no document element yet
    const XmlNode root = doc.CreateRootNode("R");
    EXPECT_THROW(doc.AddTextNode({}, "A", "x"), XmlDomError);
    for (const char* bad : {"", "A B", "1A", "A&B", "A<"})
        EXPECT_THROW(doc.AddNode(root, bad), XmlDomError) << bad;
    EXPECT_THROW(doc.AddNode(root, "A", "B C", "1"), XmlDomError);
    EXPECT_THROW(TXmlSaveDoc("1.0", "", "EUC-JP"), XmlDomError);
}

TEST(XmlSaveDoc, SavingTwiceReplacesTheFile)
{
    TempDir dir;
    const auto path = dir / "out.xml";
    {
        TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        doc.CreateRootNode("FIRST");
        doc.SaveToFile(path.string());
    }
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    doc.CreateRootNode("SECOND");
    doc.SaveToFile(path.string());
    EXPECT_EQ(readFile(path), "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<SECOND/>\r\n");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"out.xml"});
}

TEST(XmlSaveDoc, FailedSaveReportsExportErrorAndLeavesOldFileAlone)
{
    TempDir dir;
    const auto existing = dir / "old.xml";
    writeFile(existing, "old bytes");
    std::filesystem::create_directory(dir / "sub");

    using platform::files::Operation;
    const struct {
        const char* what;
        std::string text;
        std::filesystem::path target;
        Operation fault;
        int error;
    } cases[] = {
        {"missing folder", "x", dir / "nofolder" / "out.xml", Operation::Remove, 0},
        {"target is a folder", "x", dir / "sub", Operation::Remove, 0},
        {"disk full while writing a new file", "x", dir / "new.xml", Operation::Write, ENOSPC},
        {"I/O error while replacing", "x", existing, Operation::Write, EIO},
        {"rename fails", "x", existing, Operation::Rename, EIO},
        {"no CP932 form", "한글", existing, Operation::Remove, 0},
        {"control character", std::string("a\x01", 2), existing, Operation::Remove, 0},
    };
    for (const auto& c : cases) {
        platform::files::clearFaults();
        if (c.error != 0)
            platform::files::failNext(c.fault, c.error);
        TXmlSaveDoc doc("1.0", "", "Shift_JIS");
        doc.AddTextNode(doc.CreateRootNode("R"), "T", c.text);
        try {
            doc.SaveToFile(c.target.string());
            ADD_FAILURE() << c.what << ": saved";
        } catch (const EDataExportError& e) {
            EXPECT_EQ(e.Code(), exportcode::kSaveFailed) << c.what;
            EXPECT_FALSE(e.Message().empty());
            EXPECT_FALSE(e.Detail().empty());
        }
        EXPECT_EQ(readFile(existing), "old bytes") << c.what;
        EXPECT_TRUE(std::filesystem::is_directory(dir / "sub"));
        auto names = folderEntries(dir.path());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"old.xml", "sub"})) << c.what;
    }
    platform::files::clearFaults();
}

// The serializer's own rules beyond the markup characters: a carriage return in text and the
// line ends and tabs of an attribute as references (a reader would otherwise normalise them),
// and a non-ASCII attribute value as character references, as libxml2 writes a document saved
// without a declared encoding.
TEST(XmlSaveDoc, WritesReferencesWhereAReaderWouldAlterTheText)
{
    const struct {
        const char* what;
        std::string text, attrValue, element;
    } cases[] = {
        {"carriage return in text", "1行目\r\n2行目", "", "<T>1行目&#13;\n2行目</T>"},
        {"tab in text", "a\tb", "", "<T>a\tb</T>"},
        {"line ends and tab in a value", "", "a\tb\nc\rd", "<T Count=\"a&#9;b&#10;c&#13;d\"/>"},
        {"kanji in a value", "", "名", "<T Count=\"&#x540D;\"/>"},
        {"markup in a value", "", "<&>\"", "<T Count=\"&amp;lt;&amp;amp;&amp;gt;&amp;quot;\"/>"},
    };
    for (const char* encoding : {"UTF-8", "Shift_JIS"}) {
        for (const auto& c : cases) {
            TXmlSaveDoc doc("1.0", "", encoding);
            doc.AddTextNode(doc.CreateRootNode("R"), "T", c.text,
                            c.attrValue.empty() ? "" : "Count", c.attrValue);
            const std::string expected = std::string("<?xml version=\"1.0\" encoding=\"") +
                encoding + "\"?>\r\n<R>" + c.element + "</R>\r\n";
            if (std::string(encoding) == "UTF-8")
                EXPECT_EQ(doc.saveToBytes(), expected) << c.what;
            else
                EXPECT_EQ(doc.saveToBytes(), platform::text::toCp932(expected)) << c.what;
        }
    }
}

// Large documents: thousands of elements in the order they were added under their parents,
// and a text longer than the store's blocks kept whole.
TEST(XmlSaveDoc, KeepsOrderAndLongTextsInLargeDocuments)
{
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    const XmlNode root = doc.CreateRootNode("R");
    const XmlNode first = doc.AddNode(root, "A");
    const XmlNode second = doc.AddNode(root, "B");
    std::string inA, inB;
    for (int i = 0; i < 5000; ++i) {
        // Alternating parents: a child list that grows while other elements are added.
        const std::string name = "E" + std::to_string(i);
        doc.AddTextNode(i % 2 ? second : first, name, std::to_string(i) + "円");
        (i % 2 ? inB : inA) += "<" + name + ">" + std::to_string(i) + "\x89\x7e</" + name + ">";
    }
    const std::string longText(100000, 'x');
    doc.AddTextNode(root, "L", longText + "&");
    const std::string expected = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<R><A>" + inA +
        "</A><B>" + inB + "</B><L>" + longText + "&amp;amp;</L></R>\r\n";
    EXPECT_EQ(doc.saveToBytes(), expected);
}

// A control character the file cannot hold is refused wherever it stands, an attribute too.
TEST(XmlSaveDoc, RefusesControlCharactersInAttributeValues)
{
    TXmlSaveDoc doc("1.0", "", "Shift_JIS");
    doc.AddNode(doc.CreateRootNode("R"), "A", "Count", std::string("1\x02", 2));
    try {
        doc.saveToBytes();
        ADD_FAILURE() << "saved";
    } catch (const EDataExportError& e) {
        EXPECT_EQ(e.Code(), exportcode::kSaveFailed);
        EXPECT_EQ(e.Detail(), "制御文字 0x02");
    }
}

// An element refused for its attribute name is not left half-added in the document.
TEST(XmlSaveDoc, RefusedElementIsNotAdded)
{
    TXmlSaveDoc doc("1.0", "", "UTF-8");
    const XmlNode root = doc.CreateRootNode("R");
    EXPECT_THROW(doc.AddNode(root, "A", "B C", "1"), XmlDomError);
    EXPECT_THROW(doc.AddTextNode(root, "T", "x", "1X", "1"), XmlDomError);
    doc.AddNode(root, "K");
    EXPECT_EQ(doc.saveToBytes(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<R><K/></R>\r\n");
}
