// The inside of a document shared by the parser, the DOM, the queries and the save: the
// arena (xml_storage.h), character classes, and the parse entry point.
#pragma once

#include <cstddef>
#include <string_view>

#include "xmlstore/xml_storage.h"

namespace xmldom {

// Deeper documents are refused; parse, save and queries never recurse, so this is no
// stack limit but a guard against absurd input.
constexpr int kMaxDepth = 4096;

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
inline bool IsBlank(std::string_view utf8) {
    for (char c : utf8)
        if (!IsXmlSpace(c)) return false;
    return true;
}

// Appends a node as the last child; no checks.
inline void Append(Storage& storage, Offset parent, Offset child) {
    Node* parentNode = storage.NodeAt(parent);
    Node* childNode = storage.NodeAt(child);
    childNode->parent = parent;
    if (KindOf(childNode->header) == XmlNodeKind::Text) parentNode->header |= kHadText;
    if (parentNode->links.lastChild) storage.NodeAt(parentNode->links.lastChild)->nextSibling = child;
    else parentNode->links.firstChild = child;
    parentNode->links.lastChild = child;
}

// Where a document's bytes come from: a file read piece by piece, or bytes in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes into `buffer`; 0 at the end. False on a read error.
    virtual bool Read(char* buffer, std::size_t size, std::size_t& read) = 0;
};

// Decodes the source (byte order mark or declared encoding, UTF-8 by default) and parses it
// into `document`, a piece at a time: the file's bytes are never all in memory at once.
bool Parse(ByteSource& source, Storage& storage, Offset document);

}  // namespace xmldom
