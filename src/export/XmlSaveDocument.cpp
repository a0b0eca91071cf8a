#include "export/XmlSaveDocument.h"

#include "export/DataExport.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include <strings.h>

namespace {

const char* const kNoDomMessage = "Microsoft MSXML はインストールされていません";

const xmlChar* X(const std::string& s)
{
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

bool isShiftJis(const std::string& encoding)
{
    return ::strcasecmp(encoding.c_str(), "Shift_JIS") == 0;
}

bool isUtf8(const std::string& encoding)
{
    return encoding.empty() || ::strcasecmp(encoding.c_str(), "UTF-8") == 0;
}

void checkName(const std::string& name)
{
    if (name.empty() || xmlValidateName(X(name), 0) != 0)
        throw XmlDomError("XML の名前として使えない文字が含まれています: " + name);
}

} // namespace

TXmlSaveDoc::TXmlSaveDoc(const std::string& version, const std::string& standAlone,
                         const std::string& encoding)
    : m_version(version), m_standAlone(standAlone), m_encoding(encoding)
{
    if (!isShiftJis(encoding) && !isUtf8(encoding))
        throw XmlDomError("XML の文字コードに対応していません: " + encoding);
    m_doc = xmlNewDoc(X(version));
    if (!m_doc)
        throw XmlDomError(kNoDomMessage);
}

TXmlSaveDoc::~TXmlSaveDoc()
{
    xmlFreeDoc(static_cast<xmlDocPtr>(m_doc));
}

std::string TXmlSaveDoc::EscapeText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

XmlNode TXmlSaveDoc::CreateRootNode(const std::string& name, const std::string& namespaceUri)
{
    const std::string escapedName = EscapeText(name);
    checkName(escapedName);
    auto* doc = static_cast<xmlDocPtr>(m_doc);
    xmlNodePtr root = xmlNewDocNode(doc, nullptr, X(escapedName), nullptr);
    if (!root)
        throw XmlDomError(kNoDomMessage);
    if (!namespaceUri.empty()) {
        xmlNsPtr ns = xmlNewNs(root, X(EscapeText(namespaceUri)), nullptr);
        xmlSetNs(root, ns);
    }
    if (xmlNodePtr old = xmlDocSetRootElement(doc, root)) {
        xmlUnlinkNode(old);
        xmlFreeNode(old);
    }
    return XmlNode(root);
}

XmlNode TXmlSaveDoc::AddNode(XmlNode parent, const std::string& name, const std::string& attrName,
                             const std::string& attrValue)
{
    auto* doc = static_cast<xmlDocPtr>(m_doc);
    xmlNodePtr target = parent ? static_cast<xmlNodePtr>(parent.m_node) : xmlDocGetRootElement(doc);
    if (!target)
        throw XmlDomError("XML の親要素がありません: " + name);
    const std::string escapedName = EscapeText(name);
    checkName(escapedName);
    xmlNodePtr node = xmlNewDocNode(doc, nullptr, X(escapedName), nullptr);
    if (!node)
        throw XmlDomError(kNoDomMessage);
    xmlAddChild(target, node);
    if (!attrName.empty()) {
        const std::string escapedAttr = EscapeText(attrName);
        checkName(escapedAttr);
        // xmlSetProp stores the value as plain text (no entity parsing), so the serialiser
        // escapes our entities once more.
        xmlSetProp(node, X(escapedAttr), X(EscapeText(attrValue)));
    }
    return XmlNode(node);
}

void TXmlSaveDoc::AddTextNode(XmlNode parent, const std::string& name, const std::string& text,
                              const std::string& attrName, const std::string& attrValue)
{
    if (!parent)
        throw XmlDomError("XML の親要素がありません: " + name);
    // The DOM takes C strings: a NUL would silently cut the value short.
    if (text.find('\0') != std::string::npos)
        throw EDataExportError("中間ファイルに保存できない文字が含まれています。",
                               exportcode::kSaveFailed, name + ": 制御文字 0x00");
    const XmlNode node = AddNode(parent, name, attrName, attrValue);
    if (text.empty())
        return;
    // A text node, not xmlNodeSetContent: that one would read our entities back as references.
    auto* doc = static_cast<xmlDocPtr>(m_doc);
    xmlNodePtr textNode = xmlNewDocText(doc, X(EscapeText(text)));
    if (!textNode)
        throw XmlDomError(kNoDomMessage);
    xmlAddChild(static_cast<xmlNodePtr>(node.m_node), textNode);
}

std::string TXmlSaveDoc::saveToBytes() const
{
    auto* doc = static_cast<xmlDocPtr>(m_doc);
    std::string body;
    if (xmlNodePtr root = xmlDocGetRootElement(doc)) {
        std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(),
                                                                    &xmlBufferFree);
        if (!buffer)
            throw XmlDomError(kNoDomMessage);
        xmlSaveCtxtPtr ctxt = xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL);
        if (!ctxt)
            throw XmlDomError(kNoDomMessage);
        const long written = xmlSaveTree(ctxt, root);
        xmlSaveClose(ctxt);
        if (written < 0)
            throw XmlDomError(kNoDomMessage);
        body.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                    std::size_t(xmlBufferLength(buffer.get())));
    }
    // Other control characters would make the file unreadable for any XML reader.
    for (const char c : body) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", unsigned(u));
            throw EDataExportError("中間ファイルに保存できない文字が含まれています。",
                                   exportcode::kSaveFailed, std::string("制御文字 ") + code);
        }
    }

    std::string text = "<?xml version=\"" + m_version + "\"";
    if (!m_encoding.empty())
        text += " encoding=\"" + m_encoding + "\"";
    if (!m_standAlone.empty())
        text += " standalone=\"" + m_standAlone + "\"";
    text += "?>\r\n";
    if (!body.empty())
        text += body + "\r\n";
    if (!isShiftJis(m_encoding))
        return text;
    try {
        return platform::text::toCp932(text);
    } catch (const platform::text::EncodingError& e) {
        throw EDataExportError("中間ファイルに保存できない文字が含まれています。",
                               exportcode::kSaveFailed, e.what());
    }
}

namespace {

const char* const kDatabaseTarget = "中間ファイルの保存先にデータベースファイルは指定できません。";

// The header page of a Firebird database: page type 1 in the first byte of the 16-byte page
// header, then the page size and the on-disk-structure version (major in the low bits, the
// Firebird flag 0x8000 on top), both little-endian on this platform.
bool hasDatabaseHeader(const std::array<unsigned char, 20>& head)
{
    if (head[0] != 1)
        return false;
    const unsigned pageSize = unsigned(head[16]) | unsigned(head[17]) << 8;
    const unsigned ods = (unsigned(head[18]) | unsigned(head[19]) << 8) & 0x7FFFu;
    const bool powerOfTwo = pageSize >= 1024 && pageSize <= 65536 && (pageSize & (pageSize - 1)) == 0;
    return powerOfTwo && ods >= 8 && ods <= 20;
}

// The file of a database name: "host:path" names a file of the server, which on loopback is
// this machine's.
std::filesystem::path databaseFile(const std::string& name)
{
    if (!name.empty() && name[0] != '/') {
        const auto colon = name.find(':');
        if (colon != std::string::npos)
            return std::filesystem::path(name.substr(colon + 1));
    }
    return std::filesystem::path(name);
}

// Refuses to replace a database: one this program has open, or any file that starts with a
// database header page. A file that exists but cannot be read is not replaced either.
void refuseDatabaseTarget(const std::string& fileName)
{
    const std::filesystem::path target = platform::paths::toNative(fileName);
    std::error_code ec;
    if (!std::filesystem::exists(target, ec))
        return;
    if (DM != nullptr) {
        for (const firebird::Attachment* db : {&DM->IBDatabaseDEF, &DM->IBDatabaseDAT, &DM->IBFileMan}) {
            if (db->databaseName().empty())
                continue;
            std::error_code same;
            if (std::filesystem::equivalent(target, databaseFile(db->databaseName()), same))
                throw EDataExportError(kDatabaseTarget, exportcode::kSaveFailed,
                                       fileName + " はこのプログラムが開いているデータベースです。");
        }
    }
    if (!std::filesystem::is_regular_file(target, ec))
        return; // a folder or the like: the save itself reports it
    std::ifstream in(target, std::ios::binary);
    if (!in)
        throw EDataExportError("中間ファイルの保存に失敗しました。", exportcode::kSaveFailed,
                               fileName + " の内容を確認できないため、置き換えませんでした。");
    std::array<unsigned char, 20> head{};
    in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    if (in.gcount() == std::streamsize(head.size()) && hasDatabaseHeader(head))
        throw EDataExportError(kDatabaseTarget, exportcode::kSaveFailed,
                               fileName + " は Firebird のデータベースファイルです。");
}

} // namespace

void TXmlSaveDoc::SaveToFile(const std::string& fileName)
{
    refuseDatabaseTarget(fileName);
    const std::string bytes = saveToBytes();
    try {
        platform::files::writeAllAtomic(fileName, bytes);
    } catch (const platform::files::FileError& e) {
        throw EDataExportError("中間ファイルの保存に失敗しました。", exportcode::kSaveFailed,
                               e.what());
    }
}
