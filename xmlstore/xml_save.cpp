// The indenting save: the declaration, then every element on a line of its own, three
// spaces per level, end tags of elements with child elements on their own line, comments
// and instructions copied where they stand, blank text dropped, LF line ends.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "base/code_page.h"
#include "base/code_page_platform.h"
#include "files/file_replace.h"
#include "xmlstore/xml_dom.h"

namespace {

using xmldom::Node;
using xmldom::Offset;
using xmldom::Storage;

// Output handed on to a file at a time: small enough to stay in the cache.
constexpr std::size_t kPieceSize = 256 * 1024;

enum class Escape { None, Text, Attribute };

// Which bytes a piece of output cannot copy as they are, per kind of escape: every byte of a
// character beyond ASCII, and the characters the escape turns into references.
struct SpecialTables {
    bool table[3][256] = {};
    constexpr SpecialTables() {
        for (int mode = 0; mode < 3; ++mode)
            for (int c = 0x80; c < 256; ++c) table[mode][c] = true;
        for (char c : {'&', '<', '>', '\r'}) table[static_cast<int>(Escape::Text)][static_cast<int>(c)] = true;
        for (char c : {'&', '<', '"', '\t', '\n', '\r'}) table[static_cast<int>(Escape::Attribute)][static_cast<int>(c)] = true;
    }
};
constexpr SpecialTables kSpecialTables{};

// Appends UTF-8 text to the output in the target code page, escaping as it goes. A character
// the code page cannot show becomes a character reference in text and attribute values, so
// that a file moved between code pages loses nothing; names and instructions, which cannot
// hold references, use '_' for it (a '?' would make them unreadable), comments the code page's
// default character.
class Writer {
public:
    explicit Writer(int codePage) : codePage_(codePage) {
        if (codePage != kCodePageUtf8) singleByte_ = FindSingleByteCodePage(codePage);
        // A multibyte code page is converted once at the end, from UTF-8.
        utf8Output_ = codePage == kCodePageUtf8 || !singleByte_;
    }

    void Reserve(std::size_t size) {
        out_.resize(size);
        at_ = 0;
    }

    // Hands the output so far on to `write` once there is a piece of it; between nodes only,
    // so that a piece never ends inside a character. False when the write failed.
    bool Flush(const WritePiece& write, bool last = false) {
        if (at_ < kPieceSize && !last) return true;
        std::string_view piece(out_.data(), at_);
        bool ok;
        if (utf8Output_ && codePage_ != kCodePageUtf8) ok = write(EncodeFromUtf8(codePage_, piece));
        else ok = write(piece);
        at_ = 0;
        return ok;
    }

    void Raw(std::string_view ascii) {
        char* to = Room(ascii.size());
        std::memcpy(to, ascii.data(), ascii.size());
        at_ += ascii.size();
    }

    void Newline(std::size_t depth) {
        std::size_t spaces = depth * 3;
        char* to = Room(spaces + 1);
        *to++ = '\n';
        std::memset(to, ' ', spaces);
        at_ += spaces + 1;
    }

    void Put(std::string_view utf8, Escape escape, char replacement = 0) {
        // An escape or a character reference is at most six bytes for one; a character in a
        // single-byte code page is never longer than its UTF-8.
        char* const start = Room(utf8.size() * 6);
        char* to = start;
        const bool* special = kSpecial[static_cast<int>(escape)];
        const char* p = utf8.data();
        const char* end = p + utf8.size();
        while (p < end) {
            // Runs of plain ASCII eight bytes at a time.
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (MayNeedWork(word, escape)) break;
                std::memcpy(to, &word, 8);
                to += 8;
                p += 8;
            }
            if (p == end) break;
            unsigned char c = static_cast<unsigned char>(*p);
            if (!special[c]) {
                *to++ = *p++;
                continue;
            }
            if (c >= 0x80) {
                // U+FFFE and U+FFFF have no place in an XML file, not even as references; a
                // file that held one (an earlier version could write it from a window title)
                // still loads, and its next save writes a blank in its place.
                if (c == 0xEF && end - p >= 3 && static_cast<unsigned char>(p[1]) == 0xBF &&
                    static_cast<unsigned char>(p[2]) >= 0xBE) {
                    *to++ = replacement ? replacement : ' ';
                    p += 3;
                    continue;
                }
                if (codePage_ == kCodePageUtf8) {
                    *to++ = *p++;
                    continue;
                }
                const char* character = p;
                char32_t codePoint = NextCodePoint(p, end);
                if (utf8Output_) {
                    if (escape == Escape::None || MultiByteCodePageHas(std::string_view(character, p - character))) {
                        std::memcpy(to, character, static_cast<std::size_t>(p - character));
                        to += p - character;
                        continue;
                    }
                } else {
                    unsigned char byte = codePoint < 0x10000 ? singleByte_->encode[codePoint] : 0;
                    if (byte || escape == Escape::None) {
                        *to++ = byte ? static_cast<char>(byte) : (replacement ? replacement : '?');
                        continue;
                    }
                }
                to += std::snprintf(to, 12, "&#%u;", static_cast<unsigned>(codePoint));
                continue;
            }
            ++p;
            const char* entity = Entity(c);
            std::size_t length = std::strlen(entity);
            std::memcpy(to, entity, length);
            to += length;
        }
        at_ += static_cast<std::size_t>(to - start);
    }

    std::string Finish() {
        out_.resize(at_);
        if (utf8Output_ && codePage_ != kCodePageUtf8) return EncodeFromUtf8(codePage_, out_);
        return std::move(out_);
    }

    // The start tag's "<name", an attribute's " name=\"" and the end tag's "</name>" of each
    // name of the document, encoded once per save.
    void Name(const Storage& storage, std::uint32_t id, std::size_t form) {
        if (id >= names_.size()) names_.resize(storage.NameCount());
        std::string& cached = names_[id][form];
        if (cached.empty()) {
            static const char* const kBefore[] = {"<", " ", "</"};
            static const char* const kAfter[] = {"", "=\"", ">"};
            const std::size_t start = at_;
            Raw(kBefore[form]);
            Put(storage.Name(id), Escape::None, '_');
            Raw(kAfter[form]);
            cached.assign(out_.data() + start, at_ - start);
            return;
        }
        Raw(cached);
    }
    static constexpr std::size_t kStartTag = 0, kAttribute = 1, kEndTag = 2;

    // An attribute's " name=\"" as Name writes it, and whether the code page could not show
    // all of the name: two such names may then come out the same.
    const std::string& AttributeName(const Storage& storage, std::uint32_t id, bool& lossy) {
        const std::size_t start = at_;
        Name(storage, id, kAttribute);
        at_ = start;
        const std::string& piece = names_[id][kAttribute];
        const std::string_view name = storage.Name(id);
        lossy = std::count(piece.begin(), piece.end(), '_') != std::count(name.begin(), name.end(), '_');
        return piece;
    }

private:
    static constexpr const bool (&kSpecial)[3][256] = kSpecialTables.table;

    // Whether eight bytes hold anything but ASCII that the escape copies as it is.
    static bool MayNeedWork(std::uint64_t word, Escape escape) {
        constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighBits = 0x8080808080808080ull;
        auto has = [](std::uint64_t w, unsigned char byte) {
            std::uint64_t x = w ^ (kOnes * byte);
            return (x - kOnes) & ~x & kHighBits;
        };
        std::uint64_t found = word & kHighBits;
        if (escape != Escape::None) {
            found |= has(word, '&') | has(word, '<') | ((word - kOnes * 0x20) & ~word & kHighBits);
            found |= escape == Escape::Text ? has(word, '>') : has(word, '"');
        }
        return found != 0;
    }

    static const char* Entity(unsigned char c) {
        switch (c) {
        case '&': return "&amp;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        case '"': return "&quot;";
        case '\t': return "&#9;";
        case '\n': return "&#10;";
        case '\r': return "&#13;";
        default: return "";
        }
    }

    // Whether the multibyte code page has the character: it survives the way there and back.
    bool MultiByteCodePageHas(std::string_view character) {
        const std::string key(character);
        auto known = multiByteHas_.find(key);
        if (known != multiByteHas_.end()) return known->second;
        std::string back;
        const bool has = DecodeToUtf8(codePage_, EncodeFromUtf8(codePage_, character), back) && back == character;
        multiByteHas_.emplace(key, has);
        return has;
    }

    // Makes room for `size` more bytes and returns where they go.
    char* Room(std::size_t size) {
        if (at_ + size > out_.size()) out_.resize((at_ + size) * 2);
        return &out_[0] + at_;
    }

    int codePage_;
    const SingleByteCodePage* singleByte_ = nullptr;
    bool utf8Output_ = true;
    std::string out_;
    std::size_t at_ = 0;
    std::vector<std::array<std::string, 3>> names_;
    std::map<std::string, bool> multiByteHas_;
};

XmlNodeKind Kind(const Node* node) { return xmldom::KindOf(node->header); }

std::string_view TextOf(const Storage& storage, const Node* node) { return storage.Text(node->header, node->value); }

bool HasChildElement(const Storage& storage, const Node* node) {
    for (Offset child = node->links.firstChild; child;) {
        const Node* at = storage.NodeAt(child);
        if (Kind(at) == XmlNodeKind::Element) return true;
        child = at->nextSibling;
    }
    return false;
}

// Text beside child elements: added line breaks would become part of that text at the next
// load and grow with every save, so such an element is written as it stands.
bool IsMixed(const Storage& storage, const Node* node) {
    if (!(node->header & xmldom::kHadText)) return false;
    bool text = false, element = false;
    for (Offset child = node->links.firstChild; child;) {
        const Node* at = storage.NodeAt(child);
        if (Kind(at) == XmlNodeKind::Element) element = true;
        else if (Kind(at) == XmlNodeKind::Text && !xmldom::IsBlank(TextOf(storage, at))) text = true;
        child = at->nextSibling;
    }
    return text && element;
}

bool HasContent(const Storage& storage, const Node* node) {
    for (Offset child = node->links.firstChild; child;) {
        const Node* at = storage.NodeAt(child);
        if (Kind(at) != XmlNodeKind::Text || !xmldom::IsBlank(TextOf(storage, at))) return true;
        child = at->nextSibling;
    }
    return false;
}

void WriteStartTag(Writer& writer, const Storage& storage, const Node* element, bool empty) {
    writer.Name(storage, xmldom::NameOf(element->header), Writer::kStartTag);
    // Names the code page cannot show all of are written with '_' in place: where two of one
    // element come out the same, the later gets more '_' before its '=', or the file would not
    // load again.
    std::vector<std::string> lossyNames;
    for (Offset at = element->links.firstAttribute; at;) {
        const xmldom::Attribute* attribute = storage.AttributeAt(at);
        bool lossy = false;
        std::string piece = writer.AttributeName(storage, xmldom::NameOf(attribute->header), lossy);
        if (lossy || !lossyNames.empty()) {
            for (Offset other = element->links.firstAttribute; other != at;) {
                const xmldom::Attribute* earlier = storage.AttributeAt(other);
                bool ignored = false;
                if (writer.AttributeName(storage, xmldom::NameOf(earlier->header), ignored) == piece ||
                    std::find(lossyNames.begin(), lossyNames.end(), piece) != lossyNames.end()) {
                    piece.insert(piece.size() - 2, "_");
                    other = element->links.firstAttribute;
                    continue;
                }
                other = earlier->next;
            }
            lossyNames.push_back(piece);
        }
        writer.Raw(piece);
        writer.Put(storage.Text(attribute->header, attribute->value), Escape::Attribute);
        writer.Raw("\"");
        at = attribute->next;
    }
    writer.Raw(empty ? "/>" : ">");
}

// Writes one node that is not an element, or an element's start (and, when it is empty,
// its whole self). Returns true when the element's children come next.
bool WriteOpening(Writer& writer, const Storage& storage, const Node* node, std::size_t depth, bool flat) {
    switch (Kind(node)) {
    case XmlNodeKind::Element: {
        if (!flat) writer.Newline(depth);
        bool content = HasContent(storage, node);
        WriteStartTag(writer, storage, node, !content);
        return content;
    }
    case XmlNodeKind::Text:
        if (!xmldom::IsBlank(TextOf(storage, node))) writer.Put(TextOf(storage, node), Escape::Text);
        return false;
    case XmlNodeKind::Comment:
        writer.Raw("<!--");
        writer.Put(TextOf(storage, node), Escape::None);
        writer.Raw("-->");
        return false;
    case XmlNodeKind::ProcessingInstruction:
        writer.Raw("<?");
        writer.Put(storage.Name(xmldom::NameOf(node->header)), Escape::None, '_');
        if (!TextOf(storage, node).empty()) {
            writer.Raw(" ");
            // '?' for a foreign character could close the instruction early ("?>").
            writer.Put(TextOf(storage, node), Escape::None, '_');
        }
        writer.Raw("?>");
        return false;
    case XmlNodeKind::Document:
        return false;
    }
    return false;
}

void WriteClosing(Writer& writer, const Storage& storage, const Node* element, std::size_t depth, bool childElements,
                  bool flat) {
    if (childElements && !flat) writer.Newline(depth);
    writer.Name(storage, xmldom::NameOf(element->header), Writer::kEndTag);
}

// Writes the document through `writer`; with a `write`, piece by piece as it goes.
bool WriteDocument(Writer& writer, const Storage& storage, Offset document, int codePage, const WritePiece* write) {
    writer.Raw("<?xml version=\"1.0\" encoding=\"");
    writer.Raw(CodePageName(codePage));
    writer.Raw("\"?>");

    // Iterative walk: `open` holds, per open element, whether it has child elements and
    // whether it is the mixed element below which nothing is indented.
    struct Open {
        bool childElements;
        bool startsFlat;
    };
    std::vector<Open> open;
    Offset offset = storage.NodeAt(document)->links.firstChild;
    std::size_t depth = 0;
    bool flat = false;
    while (offset) {
        const Node* node = storage.NodeAt(offset);
        if (write && !writer.Flush(*write)) return false;
        if (Kind(node) == XmlNodeKind::Element && WriteOpening(writer, storage, node, depth, flat)) {
            bool startsFlat = !flat && IsMixed(storage, node);
            open.push_back({HasChildElement(storage, node), startsFlat});
            flat = flat || startsFlat;
            ++depth;
            offset = node->links.firstChild;
            continue;
        }
        if (Kind(node) != XmlNodeKind::Element) WriteOpening(writer, storage, node, depth, flat);
        while (!node->nextSibling && depth > 0) {
            offset = node->parent;
            node = storage.NodeAt(offset);
            --depth;
            WriteClosing(writer, storage, node, depth, open.back().childElements, flat);
            if (open.back().startsFlat) flat = false;
            open.pop_back();
        }
        offset = node->nextSibling;
    }
    return !write || writer.Flush(*write, true);
}

}  // namespace

std::string FormatXmlDocument(const XmlDocument& document) {
    const int codePage = NarrowCodePage();
    Writer writer(codePage);
    writer.Reserve(document.storage_->BytesUsed() / 4 + 256);
    WriteDocument(writer, *document.storage_, document.document_, codePage, nullptr);
    return writer.Finish();
}

SaveResult SaveXmlDocument(const XmlDocument& document, const std::string& narrowPath) {
    const int codePage = NarrowCodePage();
    return ReplaceFileContents(narrowPath, [&](const WritePiece& write) {
        Writer writer(codePage);
        // A piece and the node that ends it; a small document needs no more than itself.
        const std::size_t small = document.storage_->BytesUsed() + 256;
        writer.Reserve(small < 2 * kPieceSize ? small : 2 * kPieceSize);
        return WriteDocument(writer, *document.storage_, document.document_, codePage, &write);
    });
}
