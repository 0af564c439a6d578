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

    Node* NewNode(XmlNodeKind kind) {
        Node* node = new (Allocate(sizeof(Node), alignof(Node))) Node();
        node->kind = kind;
        node->owner = this;
        return node;
    }
    Attribute* NewAttribute() { return new (Allocate(sizeof(Attribute), alignof(Attribute))) Attribute(); }
    // Copies the text into the arena.
    Text NewText(std::string_view utf8);
    // Makes `target` hold `utf8`, in place when it fits.
    void Assign(Text& target, std::string_view utf8);

    // The loaded file's bytes, parsed in place; texts of loaded nodes point into it. A new
    // source is left uninitialised but for a zero byte after its end, and has three bytes
    // of slack beyond that.
    char* NewSource(std::size_t size);
    // Drops `front` bytes at the start (a byte order mark) and keeps `size` after them.
    void TrimSource(std::size_t front, std::size_t size);
    std::string_view Source() const { return {sourceBegin_, sourceSize_}; }
    // Takes over another storage's source in place of its own.
    void AdoptSource(Storage& other) {
        source_ = std::move(other.source_);
        sourceBegin_ = other.sourceBegin_;
        sourceSize_ = other.sourceSize_;
        sourceCapacity_ = other.sourceCapacity_;
        other.sourceBegin_ = nullptr;
        other.sourceSize_ = other.sourceCapacity_ = 0;
    }
    char* SourceData() { return sourceBegin_; }

    std::size_t BytesUsed() const { return bytesInBlocks_ + sourceCapacity_; }

    // Sizes the first block for a document expected to need about this many bytes, so that a
    // small document does not grow through many doubling blocks.
    void ExpectBytes(std::size_t bytes) { expectedBytes_ = bytes; }

private:
    void* Allocate(std::size_t size, std::size_t alignment) {
        auto at = (reinterpret_cast<std::uintptr_t>(next_) + alignment - 1) & ~(alignment - 1);
        if (next_ && at + size <= reinterpret_cast<std::uintptr_t>(end_)) {
            next_ = reinterpret_cast<char*>(at + size);
            return reinterpret_cast<void*>(at);
        }
        return AllocateInNewBlock(size, alignment);
    }
    void* AllocateInNewBlock(std::size_t size, std::size_t alignment);

    struct Block {
        std::unique_ptr<char[]> memory;
        std::size_t size;
    };
    std::vector<Block> blocks_;
    char* next_ = nullptr;
    char* end_ = nullptr;
    std::size_t bytesInBlocks_ = 0;
    std::size_t expectedBytes_ = 0;
    std::unique_ptr<char[]> source_;
    char* sourceBegin_ = nullptr;
    std::size_t sourceSize_ = 0;
    std::size_t sourceCapacity_ = 0;
};

// Character classes shared by the parser, the queries and the save.
struct CharClasses {
    bool nameStart[256] = {};
    bool name[256] = {};
    bool space[256] = {};
    constexpr CharClasses() {
        for (int c = 0; c < 256; ++c) {
            bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
            nameStart[c] = letter;
            name[c] = letter || (c >= '0' && c <= '9') || c == '-' || c == '.';
            space[c] = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        }
    }
};
inline constexpr CharClasses kCharClasses;

inline bool IsNameStart(unsigned char c) { return kCharClasses.nameStart[c]; }
inline bool IsNameChar(unsigned char c) { return kCharClasses.name[c]; }
inline bool IsXmlSpace(char c) { return kCharClasses.space[static_cast<unsigned char>(c)]; }
bool IsXmlName(std::string_view utf8);
bool IsBlank(std::string_view utf8);

// Appends a node as the last child; no checks.
void Append(Node* parent, Node* child);

// Parses UTF-8 bytes held in `storage.Source()` into `document`, in place.
bool ParseInPlace(Storage& storage, Node* document);

// Turns the source's raw file bytes into UTF-8 per byte order mark or declared encoding.
bool DecodeSource(Storage& storage);

}  // namespace xmldom
