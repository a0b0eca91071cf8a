#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// TXmlSaveDoc: the writer that builds the linkage file as an XML document and saves it.
// Partner: DataExport.h (EDataExportError, raised when saving fails).

// A failure of the document itself (it cannot be created, a name is not a valid XML name).
class XmlDomError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An element of a TXmlSaveDoc. Valid while its document lives; a default one is nil.
class XmlNode {
public:
    XmlNode() = default;
    explicit operator bool() const { return m_node != nullptr; }
    friend bool operator==(const XmlNode&, const XmlNode&) = default;

private:
    friend class TXmlSaveDoc;
    explicit XmlNode(void* node) : m_node(node) {}
    void* m_node = nullptr;
};

// TXmlSaveDoc: owns one document tree; every name, text and attribute value it is given passes
// EscapeText first, so the saved file holds markup characters encoded twice. The tree is kept
// compact (a few dozen bytes per element, names shared) and serialized in one pass straight into
// the file's encoding, since a linkage file may hold hundreds of thousands of elements.
class TXmlSaveDoc {
public:
    // Raises XmlDomError "Microsoft MSXML はインストールされていません" when no document can be
    // created. Encoding "Shift_JIS" saves code page 932 bytes, "UTF-8" (or empty) UTF-8.
    TXmlSaveDoc(const std::string& version, const std::string& standAlone,
                const std::string& encoding);
    ~TXmlSaveDoc();
    TXmlSaveDoc(const TXmlSaveDoc&) = delete;
    TXmlSaveDoc& operator=(const TXmlSaveDoc&) = delete;

    // Writes the whole document to FileName (Windows form, through the path layer), replacing an
    // existing file, by a temporary file beside it and a rename: on failure the target is left as
    // it was and no file is added. Never replaces a database (one the data module has open, or
    // a file starting with a Firebird header page). Raises EDataExportError.
    void SaveToFile(const std::string& fileName);

    // "&" first, then < > " ' as entities.
    static std::string EscapeText(std::string_view text);

    // Makes a new element the document element; an empty namespace gives none.
    XmlNode CreateRootNode(const std::string& name, const std::string& namespaceUri = {});
    // Appends an element to Parent (nil: to the document element); the attribute only when
    // attrName is not empty.
    XmlNode AddNode(XmlNode parent, const std::string& name, const std::string& attrName = {},
                    const std::string& attrValue = {});
    // Appends an element holding Text (none when empty) to Parent, which must not be nil.
    void AddTextNode(XmlNode parent, const std::string& name, const std::string& text,
                     const std::string& attrName = {}, const std::string& attrValue = {});

    // The bytes SaveToFile writes. Raises EDataExportError for a text the encoding cannot hold.
    std::string saveToBytes() const;

private:
    struct Node;
    struct Extra;
    Node& newElement(const std::string& name, const std::string& attrName,
                     const std::string& attrValue);
    std::uint32_t internName(const std::string& name);
    std::string_view storeText(std::string_view text, bool escape);
    Node& node(std::uint32_t index) const;
    std::size_t checkAndMeasure() const;
    using ByteSink = std::function<void(std::string_view)>;
    void serialize(std::string& out, const ByteSink* sink) const;

    std::string m_version;
    std::string m_standAlone;
    std::string m_encoding;
    // Fixed-size blocks keep the addresses XmlNode holds stable as elements are added.
    std::vector<std::unique_ptr<Node[]>> m_nodeBlocks;
    std::uint32_t m_nodeCount = 0;
    std::vector<Extra> m_extras;
    std::vector<std::string> m_names;
    std::unordered_map<std::string, std::uint32_t> m_nameIds;
    std::vector<std::unique_ptr<char[]>> m_textBlocks;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0;
    Node* m_root = nullptr;
};
