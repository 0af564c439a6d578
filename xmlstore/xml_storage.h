// The arena of a document: nodes, attributes and text live in one arena per document and
// point at each other by 32-bit offsets into it; element and attribute names are interned
// once per document, and values of up to eight bytes stand inside their node or attribute.
// Loading allocates little and nothing is freed node by node (or recursively).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "xmlstore/xml_document.h"

namespace xmldom {

// A byte position in a document's arena; 0 is no node.
using Offset = std::uint32_t;

// The most a document's arena may hold: what its offsets can address. A load that needs
// more fails; a document that grows to it refuses new elements while the ones it has can
// still take their attributes.
std::uint64_t ArenaLimit();
// Lowers the limit, so that tests can reach it with small documents; 0 restores it.
void SetArenaLimit(std::uint64_t bytes);

// A name id: the index of an interned element, attribute or instruction name.
constexpr std::uint32_t kNameBits = 24;
constexpr std::uint32_t kMaxNames = (1u << kNameBits) - 1;
constexpr std::uint32_t kNoName = kMaxNames;

// A text of up to this many bytes stands in place of its reference.
constexpr std::uint32_t kInlineBytes = 8;
// The tag of a value kept elsewhere in the arena.
constexpr std::uint32_t kOutOfLine = 15;

// UTF-8 text, not terminated. Its tag (0 to kInlineBytes: inline size) sits in the header of
// the node or attribute that holds it.
struct Value {
    struct Far {
        Offset data;
        std::uint32_t size;
    };
    union {
        char bytes[kInlineBytes];
        Far far;
    };
};

// Header of nodes and attributes: name id in the low 24 bits, the value's tag in the next 4,
// the node kind above.
inline std::uint32_t NameOf(std::uint32_t header) { return header & kMaxNames; }
inline std::uint32_t TagOf(std::uint32_t header) { return (header >> kNameBits) & 15u; }
inline XmlNodeKind KindOf(std::uint32_t header) { return static_cast<XmlNodeKind>(header >> 28); }
inline std::uint32_t MakeHeader(XmlNodeKind kind, std::uint32_t name, std::uint32_t tag) {
    return (static_cast<std::uint32_t>(kind) << 28) | (tag << kNameBits) | name;
}
inline void SetTag(std::uint32_t& header, std::uint32_t tag) { header = (header & ~(15u << kNameBits)) | (tag << kNameBits); }
// An element has no value, so its tag bits hold this instead: set once a text node has been
// appended to it, so that the save need not look for text beside child elements elsewhere.
constexpr std::uint32_t kHadText = 1u << kNameBits;

struct Links {
    Offset firstChild;
    Offset lastChild;
    Offset firstAttribute;
};

// 24 bytes. Elements and the document use the links; text, comments and instructions hold
// their text instead (an instruction's target is its name).
struct Node {
    std::uint32_t header;
    Offset parent;
    Offset nextSibling;
    union {
        Links links;
        Value value;
    };
};

// 16 bytes.
struct Attribute {
    Offset next;
    std::uint32_t header;
    Value value;
};

class Storage {
public:
    Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    template <typename T>
    T* At(Offset offset) const {
        return reinterpret_cast<T*>(slots_[offset >> kBlockBits] + (offset & kBlockMask));
    }
    Node* NodeAt(Offset offset) const { return At<Node>(offset); }
    Attribute* AttributeAt(Offset offset) const { return At<Attribute>(offset); }

    // 0 when the arena is full.
    Offset NewNode(XmlNodeKind kind, std::uint32_t name) {
        Node* node;
        return NewNode(kind, name, node);
    }
    // The same, with the new node's place.
    Offset NewNode(XmlNodeKind kind, std::uint32_t name, Node*& node) {
        Offset offset = Allocate(sizeof(Node), alignof(Node));
        if (!offset) return 0;
        node = new (InBlock<void>(offset)) Node;
        node->header = MakeHeader(kind, name, 0);
        node->parent = node->nextSibling = 0;
        node->links = Links{0, 0, 0};
        return offset;
    }
    Offset NewAttribute(std::uint32_t name, Attribute*& attribute) {
        Offset offset = Allocate(sizeof(Attribute), alignof(Attribute));
        if (!offset) return 0;
        attribute = new (InBlock<void>(offset)) Attribute;
        attribute->next = 0;
        attribute->header = MakeHeader(XmlNodeKind::Document, name, 0);
        return offset;
    }
    Offset NewAttribute(std::uint32_t name) {
        Attribute* attribute;
        return NewAttribute(name, attribute);
    }

    // The text of a value with its header's tag.
    std::string_view Text(std::uint32_t header, const Value& value) const {
        std::uint32_t tag = TagOf(header);
        if (tag != kOutOfLine) return {value.bytes, tag};
        return {At<char>(value.far.data), value.far.size};
    }
    // Makes the value hold `utf8`, in place when it fits; false when the arena is full.
    bool Assign(std::uint32_t& header, Value& value, std::string_view utf8) {
        if (utf8.size() > kInlineBytes) return AssignOutOfLine(header, value, utf8);
        if (!utf8.empty()) std::memmove(value.bytes, utf8.data(), utf8.size());
        SetTag(header, static_cast<std::uint32_t>(utf8.size()));
        return true;
    }

    // The same for a value that holds no text yet, from text that may be read in whole steps
    // of sixteen bytes (at least sixteen from its start, and on past its end to the step's
    // end): copied a step at a time, with no call for the few dozen bytes of a usual value.
    bool AssignPadded(std::uint32_t& header, Value& value, std::string_view utf8) {
        if (utf8.size() > kInlineBytes) {
            const Offset data = AllocateText(utf8.size(), kCopyStep - 1);
            if (!data) return false;
            char* const to = At<char>(data);
            for (std::size_t at = 0; at < utf8.size(); at += kCopyStep) std::memcpy(to + at, utf8.data() + at, kCopyStep);
            SetOutOfLine(header, value, data, utf8.size());
            return true;
        }
        std::memcpy(value.bytes, utf8.data(), kInlineBytes);
        SetTag(header, static_cast<std::uint32_t>(utf8.size()));
        return true;
    }
    static constexpr std::size_t kCopyStep = 16;

    // Room for a text of `size` bytes that a writer may pass by `slack` bytes, which the arena
    // takes back at once; 0 when the arena is full.
    Offset AllocateText(std::size_t size, std::size_t slack) {
        Offset offset = Allocate(size + slack, 1);
        if (offset) top_ -= slack;
        return offset;
    }
    void SetOutOfLine(std::uint32_t& header, Value& value, Offset data, std::size_t size) {
        value.far.data = data;
        value.far.size = static_cast<std::uint32_t>(size);
        SetTag(header, kOutOfLine);
    }

    // The id of a name, interned on first use; kNoName when the table is full.
    std::uint32_t Intern(std::string_view name);
    // The id of a name already interned, or kNoName.
    std::uint32_t FindName(std::string_view name) const;
    std::string_view Name(std::uint32_t id) const {
        const NameEntry& entry = names_[id];
        if (entry.size == 0) return {};
        return {At<char>(entry.data), entry.size};
    }

    std::uint32_t NameCount() const { return static_cast<std::uint32_t>(names_.size()); }

    // Whether a new element would leave too little room for its attributes.
    bool NearlyFull() const;

    std::size_t BytesUsed() const { return bytesInBlocks_ + names_.capacity() * sizeof(NameEntry) + nameSlots_.capacity() * sizeof(std::uint32_t); }

    // Sizes the first block for a document expected to need about this many bytes, so that a
    // small document does not grow through many doubling blocks.
    void ExpectBytes(std::size_t bytes) { expectedBytes_ = bytes; }

private:
    static constexpr std::uint32_t kBlockBits = 20;
    static constexpr std::uint64_t kBlockSize = std::uint64_t{1} << kBlockBits;
    static constexpr std::uint32_t kBlockMask = static_cast<std::uint32_t>(kBlockSize - 1);

    // What was just allocated lies in the current block.
    template <typename T>
    T* InBlock(Offset offset) const {
        return static_cast<T*>(static_cast<void*>(blockMemory_ + (offset - blockStart_)));
    }

    // 0 when the arena is full.
    Offset Allocate(std::size_t size, std::size_t alignment) {
        std::uint64_t at = (top_ + alignment - 1) & ~static_cast<std::uint64_t>(alignment - 1);
        if (at + size <= blockEnd_) {
            top_ = at + size;
            return static_cast<Offset>(at);
        }
        return AllocateInNewBlock(size);
    }
    Offset AllocateInNewBlock(std::size_t size);
    bool AssignOutOfLine(std::uint32_t& header, Value& value, std::string_view utf8);
    void GrowNameSlots();

    struct NameEntry {
        Offset data;
        std::uint32_t size;
        std::uint32_t hash;
    };

    // Block memory by slot of kBlockSize addresses; a block larger than that fills several.
    std::vector<char*> slots_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::uint64_t top_ = 0;
    std::uint64_t blockStart_ = 0;
    std::uint64_t blockEnd_ = 0;
    char* blockMemory_ = nullptr;
    std::uint64_t lastBlockSize_ = 0;
    std::size_t bytesInBlocks_ = 0;
    std::size_t expectedBytes_ = 0;
    std::vector<NameEntry> names_;
    std::vector<std::uint32_t> nameSlots_;  // open addressing: name id + 1, 0 for empty
};

}  // namespace xmldom
