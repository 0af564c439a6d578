// The inside of a document: nodes, attributes and text live in one arena per document,
// so loading allocates little and nothing is freed node by node (or recursively).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xmlstore/xml_document.h"

namespace xmldom {

// Deeper documents are refused; parse, save and queries never recurse, so this is no
// stack limit but a guard against absurd input.
constexpr int kMaxDepth = 4096;

class Storage;

// UTF-8 text, not terminated. Text parsed in place may be rewritten in place while the new
// text fits the room the old one had.
struct Text {
    char* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t capacity = 0;

    std::string_view View() const { return {data, size}; }
};

struct Attribute {
    Text name;
    Text value;
    Attribute* next = nullptr;
};

struct Node {
    XmlNodeKind kind = XmlNodeKind::Element;
    Storage* owner = nullptr;
    Text name;
    Text value;
    Node* parent = nullptr;
    Node* firstChild = nullptr;
    Node* lastChild = nullptr;
    Node* nextSibling = nullptr;
    Attribute* firstAttribute = nullptr;
};

class Storage {
public:
    Storage() = default;
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    Node* NewNode(XmlNodeKind kind);
    Attribute* NewAttribute();
    // Copies the text into the arena.
    Text NewText(std::string_view utf8);
    // Makes `target` hold `utf8`, in place when it fits.
    void Assign(Text& target, std::string_view utf8);

    // The loaded file's bytes, parsed in place; texts of loaded nodes point into it.
    std::string& Source() { return source_; }

    std::size_t BytesUsed() const { return bytesInBlocks_ + source_.capacity(); }

private:
    void* Allocate(std::size_t size, std::size_t alignment);

    struct Block {
        std::unique_ptr<char[]> memory;
        std::size_t size;
    };
    std::vector<Block> blocks_;
    char* next_ = nullptr;
    char* end_ = nullptr;
    std::size_t bytesInBlocks_ = 0;
    std::string source_;
};

// Character classes shared by the parser, the queries and the save.
bool IsNameStart(unsigned char c);
bool IsNameChar(unsigned char c);
bool IsXmlName(std::string_view utf8);
inline bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsBlank(std::string_view utf8);

// Appends a node as the last child; no checks.
void Append(Node* parent, Node* child);

// Parses UTF-8 bytes held in `storage.Source()` into `document`, in place.
bool ParseInPlace(Storage& storage, Node* document);

// Turns raw file bytes into UTF-8 per byte order mark or declared encoding.
bool DecodeSource(std::string& bytes);

}  // namespace xmldom
