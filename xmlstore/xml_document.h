// The XML document service: our own DOM, parser, query subset and indenting save.
// Text crossing this interface is narrow (ANSI code page); inside the DOM it is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files/save_result.h"

namespace xmldom {
class Storage;
class ByteSource;
}  // namespace xmldom

enum class XmlNodeKind : std::uint8_t { Document, Element, Text, Comment, ProcessingInstruction };

class XmlDocument;

// One attribute of an element; a cheap handle, valid while its document lives.
class XmlAttribute {
public:
    XmlAttribute() = default;
    explicit operator bool() const { return attribute_ != 0; }
    std::string Name() const;
    std::string Value() const;
    std::string_view NameUtf8() const;
    std::string_view ValueUtf8() const;
    XmlAttribute Next() const;

private:
    friend class XmlNode;
    XmlAttribute(const xmldom::Storage* storage, std::uint32_t attribute) : storage_(storage), attribute_(attribute) {}
    const xmldom::Storage* storage_ = nullptr;
    std::uint32_t attribute_ = 0;  // its offset in the document's arena
};

// A node of a document; a cheap handle, valid while its document lives (nodes are never removed).
class XmlNode {
public:
    XmlNode() = default;
    explicit operator bool() const { return node_ != 0; }
    bool operator==(const XmlNode& other) const { return node_ == other.node_ && storage_ == other.storage_; }
    bool operator!=(const XmlNode& other) const { return !(*this == other); }

    XmlNodeKind Kind() const;
    // Element name, or the target of a processing instruction; empty for other kinds.
    std::string Name() const;
    std::string_view NameUtf8() const;
    // Text of a text node, comment or processing instruction; empty for elements and documents.
    std::string Value() const;
    std::string_view ValueUtf8() const;

    XmlNode FirstChild() const;
    XmlNode NextSibling() const;
    // Appends a node created by the same document that is not yet in a tree. Returns the
    // child, or an empty handle when the append is refused (wrong document, already placed,
    // a document node, or a second document element).
    XmlNode AppendChild(XmlNode child);

    // Attributes (elements only). Absent and empty are different: GetAttribute is false when absent.
    bool GetAttribute(std::string_view name, std::string& narrowValue) const;
    XmlAttribute FirstAttribute() const;
    // Creates or replaces; a replaced attribute keeps its place, a new one goes last.
    bool SetAttribute(std::string_view name, std::string_view narrowValue);
    bool SetAttribute(std::string_view name, std::int64_t value);
    // The value as UTF-8, as ValueUtf8 gives it: a copy keeps what the code page cannot show.
    bool SetAttributeFromUtf8(std::string_view name, std::string_view utf8Value);
    // Decimal with optional sign and surrounding blanks, within 32 bits; false otherwise.
    bool AttributeToInt32(std::string_view name, std::int32_t& value) const;

    // The query forms the system uses: "//Name", "//Parent/Name", "Name" (a child),
    // and a step with a predicate of one or more @attr = "literal" joined by "and".
    // Any other text finds nothing.
    XmlNode SelectSingleNode(std::string_view query) const;
    std::vector<XmlNode> SelectNodes(std::string_view query) const;

private:
    friend class XmlDocument;
    XmlNode(xmldom::Storage* storage, std::uint32_t node) : storage_(node ? storage : nullptr), node_(node) {}
    xmldom::Storage* storage_ = nullptr;
    std::uint32_t node_ = 0;  // its offset in the document's arena
};

class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // The document node; its children are the document element, comments and instructions.
    XmlNode AsNode() const;
    XmlNode DocumentElement() const;

    // Reads and parses a file. On failure (a file that does not parse, or a document larger
    // than a document can hold) the document is left empty and false comes back.
    bool Load(const std::string& narrowPath);
    // Parses bytes as they would stand in a file (byte order mark or declared encoding,
    // UTF-8 by default). On failure the document is left empty.
    bool LoadXml(std::string_view bytes);

    // New nodes, not yet in the tree. An element name that is not an XML name gives none, and
    // so does a document grown to the most it can hold.
    XmlNode CreateElement(std::string_view narrowName);
    XmlNode CreateTextNode(std::string_view narrowText);

    // Bytes held by the document (nodes, attributes, text and names), for measurements.
    std::size_t MemoryUsed() const;

private:
    friend std::string FormatXmlDocument(const XmlDocument& document);
    friend SaveResult SaveXmlDocument(const XmlDocument& document, const std::string& narrowPath);
    bool ParseFrom(xmldom::ByteSource& source);
    std::unique_ptr<xmldom::Storage> storage_;
    std::uint32_t document_ = 0;
};

// The one way to get a document.
std::unique_ptr<XmlDocument> CreateXmlDocument();

// Narrow text in the UTF-8 form SetAttribute stores it in, to compare with ValueUtf8.
std::string StorableUtf8(std::string_view narrow);

// The exact bytes SaveXmlDocument writes: declaration, one element per line indented three
// spaces per level, LF line ends, no LF after the last end tag, in the ANSI code page, with a
// character reference for a character of a text or attribute value that it lacks.
std::string FormatXmlDocument(const XmlDocument& document);

// Writes FormatXmlDocument's bytes to a temporary file beside the target and replaces the
// target in one step. On any failure the old file stays as it was, and the result says why.
SaveResult SaveXmlDocument(const XmlDocument& document, const std::string& narrowPath);
