#include "export/XmlSaveDocument.h"

#include "export/DataExport.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "records/DataModule.h"

#include <libxml/tree.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include <strings.h>

namespace {

using ByteSink = std::function<void(std::string_view)>;

const char* const kNoDomMessage = "Microsoft MSXML はインストールされていません";
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::size_t kTextBlockSize = 64 * 1024;
constexpr std::uint32_t kNodeBlockShift = 11; // 2048 elements a block
constexpr std::uint32_t kNodeBlockMask = (1u << kNodeBlockShift) - 1;

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

std::size_t escapedLength(std::string_view text)
{
    std::size_t n = text.size();
    for (const char c : text) {
        switch (c) {
        case '&': n += 4; break;
        case '<':
        case '>': n += 3; break;
        case '"':
        case '\'': n += 5; break;
        default: break;
        }
    }
    return n;
}

char* escapeInto(std::string_view text, char* out)
{
    auto put = [&out](std::string_view s) {
        std::memcpy(out, s.data(), s.size());
        out += s.size();
    };
    for (const char c : text) {
        switch (c) {
        case '&': put("&amp;"); break;
        case '<': put("&lt;"); break;
        case '>': put("&gt;"); break;
        case '"': put("&quot;"); break;
        case '\'': put("&apos;"); break;
        default: *out++ = c;
        }
    }
    return out;
}

// The first control character an XML reader would refuse (all but tab, line feed, carriage return).
const char* findControlCharacter(std::string_view text)
{
    for (const char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r')
            return &c;
    }
    return nullptr;
}

bool isAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Collects the serialized document: UTF-8 as it is, or converted to code page 932. ASCII is the
// same in both, so only the pieces holding other characters go through the converter (with the
// ASCII that follows them up to the next '>', which keeps a broken sequence reported as a whole).
class Output {
public:
    Output(std::string& out, bool shiftJis, const ByteSink* sink)
        : m_out(out), m_shiftJis(shiftJis), m_sink(sink)
    {
    }

    void put(std::string_view text)
    {
        if (!m_shiftJis || (m_pending.empty() && isAscii(text))) {
            m_out.append(text);
            passOn(kChunkSize);
        } else {
            m_pending.append(text);
        }
    }
    void put(char c)
    {
        (m_pending.empty() ? m_out : m_pending).push_back(c);
    }
    // Called right after an ASCII byte, so a piece never ends inside a character.
    void endOfPiece()
    {
        if (!m_pending.empty())
            flush();
    }
    void flush()
    {
        if (m_pending.empty())
            return;
        m_out += platform::text::toCp932(m_pending);
        m_pending.clear();
        passOn(kChunkSize);
    }
    // Hands the finished bytes to the sink once at least `atLeast` of them are collected.
    void passOn(std::size_t atLeast)
    {
        if (m_sink && !m_out.empty() && m_out.size() >= atLeast) {
            (*m_sink)(m_out);
            m_out.clear();
        }
    }

private:
    static constexpr std::size_t kChunkSize = 64 * 1024;
    std::string& m_out;
    bool m_shiftJis;
    const ByteSink* m_sink;
    std::string m_pending;
};

// Text content as the XML serializer writes it: the markup characters and the carriage return
// as references, everything else as it stands.
void putContent(Output& out, std::string_view text)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* ref = nullptr;
        switch (text[i]) {
        case '<': ref = "&lt;"; break;
        case '>': ref = "&gt;"; break;
        case '&': ref = "&amp;"; break;
        case '\r': ref = "&#13;"; break;
        default: continue;
        }
        out.put(text.substr(from, i - from));
        out.put(ref);
        from = i + 1;
    }
    out.put(text.substr(from));
}

bool plainAttributeValue(std::string_view value)
{
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || c == '<' || c == '>' || c == '&' || c == '"' || c == '\n' || c == '\r'
            || c == '\t')
            return false;
    }
    return true;
}

// An attribute value as written between its quotes. Values needing more than plain copying go
// through libxml2's own rules (references for line ends, tabs and, in a document without
// encoding, every non-ASCII character).
std::string_view attributeBytes(std::string_view value, xmlBuffer* buffer)
{
    if (plainAttributeValue(value))
        return value;
    xmlBufferEmpty(buffer);
    xmlAttrSerializeTxtContent(buffer, nullptr, nullptr,
                               reinterpret_cast<const xmlChar*>(value.data()));
    return {reinterpret_cast<const char*>(xmlBufferContent(buffer)),
            std::size_t(xmlBufferLength(buffer))};
}

using XmlBufferPtr = std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)>;

XmlBufferPtr newXmlBuffer()
{
    XmlBufferPtr buffer(xmlBufferCreate(), &xmlBufferFree);
    if (!buffer)
        throw XmlDomError(kNoDomMessage);
    return buffer;
}

} // namespace

struct TXmlSaveDoc::Node {
    std::uint32_t name = 0;
    std::uint32_t extra = kNone; // attribute or namespace, in m_extras
    const char* text = nullptr;  // escaped once; NUL-terminated in a text block
    std::uint32_t textLength = 0;
    std::uint32_t firstChild = kNone;
    std::uint32_t lastChild = kNone;
    std::uint32_t next = kNone;
};

struct TXmlSaveDoc::Extra {
    std::string_view attrName;  // empty: none
    std::string_view attrValue; // NUL-terminated
    std::string_view namespaceUri;
    bool hasNamespace = false;
};

TXmlSaveDoc::TXmlSaveDoc(const std::string& version, const std::string& standAlone,
                         const std::string& encoding)
    : m_version(version), m_standAlone(standAlone), m_encoding(encoding)
{
    if (!isShiftJis(encoding) && !isUtf8(encoding))
        throw XmlDomError("XML の文字コードに対応していません: " + encoding);
}

TXmlSaveDoc::~TXmlSaveDoc() = default;

std::string TXmlSaveDoc::EscapeText(std::string_view text)
{
    std::string out(escapedLength(text), '\0');
    escapeInto(text, out.data());
    return out;
}

std::uint32_t TXmlSaveDoc::internName(const std::string& name)
{
    // A name already seen was valid; a valid name holds no markup, so it is its own escape.
    if (const auto it = m_nameIds.find(name); it != m_nameIds.end())
        return it->second;
    // A NUL ends a name, as it ends the C string a DOM takes.
    const std::string escapedName = EscapeText(std::string_view(name.c_str()));
    checkName(escapedName);
    if (const auto it = m_nameIds.find(escapedName); it != m_nameIds.end())
        return it->second;
    const auto id = static_cast<std::uint32_t>(m_names.size());
    m_names.push_back(escapedName);
    m_nameIds.emplace(escapedName, id);
    return id;
}

std::string_view TXmlSaveDoc::storeText(std::string_view text, bool escape)
{
    const std::size_t length = escape ? escapedLength(text) : text.size();
    const std::size_t need = length + 1;
    char* at = nullptr;
    if (need > kTextBlockSize / 4) {
        // A long text gets a block of its own; the current block stays in use.
        auto block = std::make_unique<char[]>(need);
        at = block.get();
        m_textBlocks.insert(m_textBlocks.end() - (m_textBlocks.empty() ? 0 : 1), std::move(block));
    } else {
        if (m_textBlocks.empty() || m_blockSize - m_blockUsed < need) {
            m_textBlocks.push_back(std::make_unique<char[]>(kTextBlockSize));
            m_blockSize = kTextBlockSize;
            m_blockUsed = 0;
        }
        at = m_textBlocks.back().get() + m_blockUsed;
        m_blockUsed += need;
    }
    char* end = escape ? escapeInto(text, at) : (std::memcpy(at, text.data(), text.size()), at + text.size());
    *end = '\0';
    return {at, length};
}

TXmlSaveDoc::Node& TXmlSaveDoc::node(std::uint32_t index) const
{
    return m_nodeBlocks[index >> kNodeBlockShift][index & kNodeBlockMask];
}

TXmlSaveDoc::Node& TXmlSaveDoc::newElement(const std::string& name, const std::string& attrName,
                                           const std::string& attrValue)
{
    Node node;
    node.name = internName(name);
    if (!attrName.empty()) {
        const std::string escapedAttr = EscapeText(std::string_view(attrName.c_str()));
        checkName(escapedAttr);
        // The value is kept as plain text, so the serializer escapes our entities once more. A
        // NUL ends it, as it ends the C string a DOM takes.
        const std::string_view value(attrValue.c_str());
        Extra extra;
        extra.attrName = storeText(escapedAttr, false);
        extra.attrValue = storeText(value, true);
        node.extra = static_cast<std::uint32_t>(m_extras.size());
        m_extras.push_back(extra);
    }
    if ((m_nodeCount & kNodeBlockMask) == 0)
        m_nodeBlocks.push_back(std::make_unique<Node[]>(std::size_t(kNodeBlockMask) + 1));
    Node& stored = this->node(m_nodeCount++);
    stored = node;
    return stored;
}

XmlNode TXmlSaveDoc::CreateRootNode(const std::string& name, const std::string& namespaceUri)
{
    Node& root = newElement(name, {}, {});
    if (!namespaceUri.empty()) {
        Extra extra;
        extra.namespaceUri = storeText(std::string_view(namespaceUri.c_str()), true);
        extra.hasNamespace = true;
        root.extra = static_cast<std::uint32_t>(m_extras.size());
        m_extras.push_back(extra);
    }
    // The old document element, if any, is left out of the document.
    m_root = &root;
    return XmlNode(&root);
}

XmlNode TXmlSaveDoc::AddNode(XmlNode parent, const std::string& name, const std::string& attrName,
                             const std::string& attrValue)
{
    Node* target = parent ? static_cast<Node*>(parent.m_node) : m_root;
    if (!target)
        throw XmlDomError("XML の親要素がありません: " + name);
    const std::uint32_t index = m_nodeCount;
    if (index == kNone)
        throw XmlDomError(kNoDomMessage);
    Node& added = newElement(name, attrName, attrValue);
    if (target->lastChild == kNone)
        target->firstChild = index;
    else
        node(target->lastChild).next = index;
    target->lastChild = index;
    return XmlNode(&added);
}

void TXmlSaveDoc::AddTextNode(XmlNode parent, const std::string& name, const std::string& text,
                              const std::string& attrName, const std::string& attrValue)
{
    if (!parent)
        throw XmlDomError("XML の親要素がありません: " + name);
    // A C string would silently cut the value short at a NUL.
    if (text.find('\0') != std::string::npos)
        throw EDataExportError("中間ファイルに保存できない文字が含まれています。",
                               exportcode::kSaveFailed, name + ": 制御文字 0x00");
    if (escapedLength(text) >= kNone)
        throw XmlDomError(kNoDomMessage);
    const XmlNode added = AddNode(parent, name, attrName, attrValue);
    if (text.empty())
        return;
    // The new element has no children yet, so its text comes first in it.
    auto* node = static_cast<Node*>(added.m_node);
    const std::string_view stored = storeText(text, true);
    node->text = stored.data();
    node->textLength = static_cast<std::uint32_t>(stored.size());
}

std::size_t TXmlSaveDoc::checkAndMeasure() const
{
    // In document order, as they stand in the file.
    auto check = [](std::string_view value) {
        if (const char* c = findControlCharacter(value)) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", unsigned(static_cast<unsigned char>(*c)));
            throw EDataExportError("中間ファイルに保存できない文字が含まれています。",
                                   exportcode::kSaveFailed, std::string("制御文字 ") + code);
        }
        return value.size();
    };
    // The UTF-8 size of the body; code page 932 never takes more bytes for a character.
    std::size_t size = 2; // the line end after the document element
    const XmlBufferPtr attrBuffer = newXmlBuffer();
    std::vector<const Node*> stack{m_root};
    while (!stack.empty()) {
        const Node* element = stack.back();
        stack.pop_back();
        const std::size_t name = m_names[element->name].size();
        size += 1 + name + 2; // "<name" and "/>"
        if (element->extra != kNone) {
            const Extra& extra = m_extras[element->extra];
            if (extra.hasNamespace)
                size += 9 + check(extra.namespaceUri);
            if (!extra.attrName.empty())
                size += 4 + extra.attrName.size()
                    + check(attributeBytes(extra.attrValue, attrBuffer.get()));
        }
        const std::string_view text(element->text ? element->text : "", element->textLength);
        check(text);
        if (!text.empty() || element->firstChild != kNone) {
            size += 1 + name; // ">" ... "</name>" in place of "/>"
            for (const char c : text)
                size += c == '<' || c == '>' ? 4 : c == '&' ? 5 : c == '\r' ? 5 : 1;
        }
        // Children pushed last first, so the first is checked next.
        const std::size_t mark = stack.size();
        for (std::uint32_t c = element->firstChild; c != kNone; c = node(c).next)
            stack.push_back(&node(c));
        std::reverse(stack.begin() + std::ptrdiff_t(mark), stack.end());
    }
    return size;
}

void TXmlSaveDoc::serialize(std::string& bytes, const ByteSink* sink) const
{
    Output out(bytes, isShiftJis(m_encoding), sink);
    std::string header = "<?xml version=\"" + m_version + "\"";
    if (!m_encoding.empty())
        header += " encoding=\"" + m_encoding + "\"";
    if (!m_standAlone.empty())
        header += " standalone=\"" + m_standAlone + "\"";
    header += "?>\r\n";
    out.put(header);
    if (m_root) {
        const XmlBufferPtr attrBuffer = newXmlBuffer();
        // Depth-first, an element's end tag written when its last child is done.
        struct Frame {
            const Node* node;
            std::uint32_t nextChild;
        };
        std::vector<Frame> stack;
        auto open = [&](const Node* node) {
            out.put('<');
            out.put(m_names[node->name]);
            if (node->extra != kNone) {
                const Extra& extra = m_extras[node->extra];
                if (extra.hasNamespace) {
                    out.put(" xmlns=\"");
                    out.put(extra.namespaceUri);
                    out.put('"');
                }
                if (!extra.attrName.empty()) {
                    out.put(' ');
                    out.put(extra.attrName);
                    out.put("=\"");
                    out.put(attributeBytes(extra.attrValue, attrBuffer.get()));
                    out.put('"');
                }
            }
            if (node->textLength == 0 && node->firstChild == kNone) {
                out.put("/>");
                out.endOfPiece();
                return false;
            }
            out.put('>');
            out.endOfPiece();
            putContent(out, std::string_view(node->text, node->textLength));
            stack.push_back({node, node->firstChild});
            return true;
        };
        open(m_root);
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.nextChild != kNone) {
                const Node* child = &node(top.nextChild);
                top.nextChild = child->next;
                open(child);
                continue;
            }
            out.put("</");
            out.put(m_names[top.node->name]);
            out.put('>');
            out.endOfPiece();
            stack.pop_back();
        }
        out.put("\r\n");
    }
    out.flush();
    out.passOn(1);
}

std::string TXmlSaveDoc::saveToBytes() const
{
    std::string bytes;
    // Reserved once: a string doubling its way up would copy a large file several times over.
    // Pages never written are never touched, so reserving more than needed costs nothing.
    bytes.reserve(64 + m_version.size() + m_encoding.size() + m_standAlone.size()
                  + (m_root ? checkAndMeasure() : 0));
    try {
        serialize(bytes, nullptr);
    } catch (const platform::text::EncodingError& e) {
        throw EDataExportError("中間ファイルに保存できない文字が含まれています。",
                               exportcode::kSaveFailed, e.what());
    }
    return bytes;
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
    if (m_root)
        checkAndMeasure();
    // Written in pieces: the whole file never sits in memory. A failure anywhere (an unwritable
    // character included) drops the temporary and leaves the old file as it was.
    try {
        platform::files::AtomicWriter file(fileName);
        const ByteSink sink = [&file](std::string_view piece) { file.write(piece); };
        std::string buffer;
        buffer.reserve(128 * 1024);
        try {
            serialize(buffer, &sink);
        } catch (const platform::text::EncodingError& e) {
            throw EDataExportError("中間ファイルに保存できない文字が含まれています。",
                                   exportcode::kSaveFailed, e.what());
        }
        file.commit();
    } catch (const platform::files::FileError& e) {
        throw EDataExportError("中間ファイルの保存に失敗しました。", exportcode::kSaveFailed,
                               e.what());
    }
}
