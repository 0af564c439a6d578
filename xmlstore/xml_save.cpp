// The indenting save: the declaration, then every element on a line of its own, three
// spaces per level, end tags of elements with child elements on their own line, comments
// and instructions copied where they stand, blank text dropped, LF line ends.
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "xmlstore/code_page.h"
#include "xmlstore/code_page_platform.h"
#include "xmlstore/xml_dom.h"

namespace {

using xmldom::Node;

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
            unsigned char c = static_cast<unsigned char>(*p);
            if (!special[c]) {
                *to++ = *p++;
                continue;
            }
            if (c >= 0x80) {
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

private:
    static constexpr const bool (&kSpecial)[3][256] = kSpecialTables.table;

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
    std::map<std::string, bool> multiByteHas_;
};

bool HasChildElement(const Node* node) {
    for (const Node* child = node->firstChild; child; child = child->nextSibling)
        if (child->kind == XmlNodeKind::Element) return true;
    return false;
}

// Text beside child elements: added line breaks would become part of that text at the next
// load and grow with every save, so such an element is written as it stands.
bool IsMixed(const Node* node) {
    bool text = false, element = false;
    for (const Node* child = node->firstChild; child; child = child->nextSibling) {
        if (child->kind == XmlNodeKind::Element) element = true;
        else if (child->kind == XmlNodeKind::Text && !xmldom::IsBlank(child->value.View())) text = true;
    }
    return text && element;
}

bool HasContent(const Node* node) {
    for (const Node* child = node->firstChild; child; child = child->nextSibling)
        if (child->kind != XmlNodeKind::Text || !xmldom::IsBlank(child->value.View())) return true;
    return false;
}

void WriteStartTag(Writer& writer, const Node* element, bool empty) {
    writer.Raw("<");
    writer.Put(element->name.View(), Escape::None, '_');
    for (const xmldom::Attribute* attribute = element->firstAttribute; attribute; attribute = attribute->next) {
        writer.Raw(" ");
        writer.Put(attribute->name.View(), Escape::None, '_');
        writer.Raw("=\"");
        writer.Put(attribute->value.View(), Escape::Attribute);
        writer.Raw("\"");
    }
    writer.Raw(empty ? "/>" : ">");
}

// Writes one node that is not an element, or an element's start (and, when it is empty,
// its whole self). Returns true when the element's children come next.
bool WriteOpening(Writer& writer, const Node* node, std::size_t depth, bool flat) {
    switch (node->kind) {
    case XmlNodeKind::Element: {
        if (!flat) writer.Newline(depth);
        bool content = HasContent(node);
        WriteStartTag(writer, node, !content);
        return content;
    }
    case XmlNodeKind::Text:
        if (!xmldom::IsBlank(node->value.View())) writer.Put(node->value.View(), Escape::Text);
        return false;
    case XmlNodeKind::Comment:
        writer.Raw("<!--");
        writer.Put(node->value.View(), Escape::None);
        writer.Raw("-->");
        return false;
    case XmlNodeKind::ProcessingInstruction:
        writer.Raw("<?");
        writer.Put(node->name.View(), Escape::None, '_');
        if (node->value.size) {
            writer.Raw(" ");
            // '?' for a foreign character could close the instruction early ("?>").
            writer.Put(node->value.View(), Escape::None, '_');
        }
        writer.Raw("?>");
        return false;
    case XmlNodeKind::Document:
        return false;
    }
    return false;
}

void WriteClosing(Writer& writer, const Node* element, std::size_t depth, bool childElements, bool flat) {
    if (childElements && !flat) writer.Newline(depth);
    writer.Raw("</");
    writer.Put(element->name.View(), Escape::None, '_');
    writer.Raw(">");
}

}  // namespace

std::string FormatXmlDocument(const XmlDocument& document) {
    const int codePage = AnsiCodePage();
    Writer writer(codePage);
    writer.Reserve(document.MemoryUsed() / 4 + 256);
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
    const Node* node = document.document_->firstChild;
    std::size_t depth = 0;
    bool flat = false;
    while (node) {
        if (node->kind == XmlNodeKind::Element && WriteOpening(writer, node, depth, flat)) {
            bool startsFlat = !flat && IsMixed(node);
            open.push_back({HasChildElement(node), startsFlat});
            flat = flat || startsFlat;
            ++depth;
            node = node->firstChild;
            continue;
        }
        if (node->kind != XmlNodeKind::Element) WriteOpening(writer, node, depth, flat);
        while (!node->nextSibling && depth > 0) {
            node = node->parent;
            --depth;
            WriteClosing(writer, node, depth, open.back().childElements, flat);
            if (open.back().startsFlat) flat = false;
            open.pop_back();
        }
        node = node->nextSibling;
    }
    return writer.Finish();
}
