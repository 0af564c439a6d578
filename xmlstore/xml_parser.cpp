// The parser: well-formed XML 1.0 into the arena DOM, in place over the decoded file bytes.
// It refuses entity declarations, undeclared entities and absurd nesting, and never recurses.
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include "xmlstore/code_page.h"
#include "xmlstore/code_page_platform.h"
#include "xmlstore/xml_dom.h"

namespace xmldom {

namespace {

struct ScanTables {
    bool textStop[256] = {};
    bool attributeStop[256] = {};
    constexpr ScanTables() {
        for (int c = 0; c < 0x20; ++c) textStop[c] = attributeStop[c] = c != '\t' && c != '\n';
        textStop['<'] = textStop['&'] = textStop['\r'] = true;
        attributeStop['<'] = attributeStop['&'] = attributeStop['"'] = attributeStop['\''] = true;
        attributeStop['\t'] = attributeStop['\n'] = attributeStop['\r'] = true;
    }
};
constexpr ScanTables kScan;

bool IsXmlChar(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

bool StartsWith(const char* p, const char* end, std::string_view prefix) {
    return static_cast<std::size_t>(end - p) >= prefix.size() && std::memcmp(p, prefix.data(), prefix.size()) == 0;
}

int WriteUtf8(char* out, std::uint32_t c) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

class Parser {
public:
    Parser(Storage& storage, char* begin, char* end) : storage_(storage), p_(begin), begin_(begin), end_(end) {}

    bool Run(Node* document);

private:
    bool SkipDeclaration();
    bool ParseName(Text& name);
    bool ParseReference(char*& write);
    bool ParseText(Node* parent);
    bool ParseAttributes(Node* element, bool& empty);
    bool ParseEndTag(Node*& current);
    bool ParseComment(Node* parent);
    bool ParseCdata(Node* parent);
    bool ParseInstruction(Node* parent);
    bool SkipDoctype();
    // Indentation is runs of blanks: eight at a time, then byte by byte. The zero byte after
    // the source is no space, so the end needs no test.
    void SkipSpace() {
        char* p = p_;
        while (end_ - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (word != 0x2020202020202020ull) break;
            p += 8;
        }
        while (IsXmlSpace(*p)) ++p;
        p_ = p;
    }

    static constexpr std::size_t kFewAttributes = 16;

    Storage& storage_;
    std::unordered_set<std::string_view> manyNames_;
    char* p_;
    char* const begin_;
    char* const end_;
};

bool Parser::SkipDeclaration() {
    if (!StartsWith(p_, end_, "<?xml") || end_ - p_ < 6 || !IsXmlSpace(p_[5])) return true;
    const char* close = static_cast<const char*>(std::memchr(p_, '>', end_ - p_));
    if (!close || close[-1] != '?') return false;
    std::string_view declaration(p_ + 5, close - 1 - (p_ + 5));
    if (declaration.find("version") == std::string_view::npos) return false;
    p_ = const_cast<char*>(close) + 1;
    return true;
}

bool Parser::ParseName(Text& name) {
    if (p_ >= end_ || !IsNameStart(static_cast<unsigned char>(*p_))) return false;
    char* start = p_++;
    char* p = p_;
    while (IsNameChar(static_cast<unsigned char>(*p))) ++p;  // the source ends in a zero byte
    p_ = p;
    name.data = start;
    name.size = name.capacity = static_cast<std::uint32_t>(p_ - start);
    return true;
}

// Decodes the reference at p_ ('&') and writes its UTF-8 at `write`, which never runs ahead
// of the reference: a reference is always at least as long as what it stands for.
bool Parser::ParseReference(char*& write) {
    char* start = p_ + 1;
    const char* semicolon = static_cast<const char*>(std::memchr(start, ';', end_ - start < 16 ? end_ - start : 16));
    if (!semicolon) return false;
    std::string_view name(start, semicolon - start);
    std::uint32_t c = 0;
    if (name == "lt") c = '<';
    else if (name == "gt") c = '>';
    else if (name == "amp") c = '&';
    else if (name == "apos") c = '\'';
    else if (name == "quot") c = '"';
    else if (name.size() >= 2 && name[0] == '#') {
        bool hex = name[1] == 'x';
        std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) return false;
        for (char d : digits) {
            std::uint32_t value;
            if (d >= '0' && d <= '9') value = static_cast<std::uint32_t>(d - '0');
            else if (hex && d >= 'a' && d <= 'f') value = static_cast<std::uint32_t>(d - 'a' + 10);
            else if (hex && d >= 'A' && d <= 'F') value = static_cast<std::uint32_t>(d - 'A' + 10);
            else return false;
            c = c * (hex ? 16 : 10) + value;
            if (c > 0x10FFFF) return false;
        }
        if (!IsXmlChar(c)) return false;
    } else {
        return false;  // no entity declarations are read, so no other name is known
    }
    p_ = const_cast<char*>(semicolon) + 1;
    write += WriteUtf8(write, c);
    return true;
}

bool Parser::ParseText(Node* parent) {
    char* space = p_;
    SkipSpace();
    if (p_ < end_ && *p_ == '<') return true;  // white space between elements is not kept
    p_ = space;
    char* start = p_;
    char* write = nullptr;  // set once decoding makes the text shorter than its source
    for (;;) {
        char* run = p_;
        char* scan = p_;
        while (!kScan.textStop[static_cast<unsigned char>(*scan)]) ++scan;
        p_ = scan;
        if (write) {
            std::memmove(write, run, p_ - run);
            write += p_ - run;
        }
        if (p_ >= end_) return false;
        char c = *p_;
        if (c == '<') break;
        if (!write) write = p_;
        if (c == '&') {
            if (!ParseReference(write)) return false;
        } else if (c == '\r') {
            *write++ = '\n';
            ++p_;
            if (*p_ == '\n') ++p_;
        } else {
            return false;  // a control character XML does not allow
        }
    }
    Text text{start, static_cast<std::uint32_t>((write ? write : p_) - start), static_cast<std::uint32_t>(p_ - start)};
    if (write && IsBlank(text.View())) return true;
    Node* node = storage_.NewNode(XmlNodeKind::Text);
    node->value = text;
    Append(parent, node);
    return true;
}

bool Parser::ParseAttributes(Node* element, bool& empty) {
    Attribute* last = nullptr;
    std::size_t count = 0;
    for (;;) {
        bool spaced = p_ < end_ && IsXmlSpace(*p_);
        SkipSpace();
        if (p_ >= end_) return false;
        if (*p_ == '>') {
            ++p_;
            empty = false;
            return true;
        }
        if (*p_ == '/') {
            if (p_[1] != '>') return false;
            p_ += 2;
            empty = true;
            return true;
        }
        if (!spaced) return false;
        Attribute* attribute = storage_.NewAttribute();
        if (!ParseName(attribute->name)) return false;
        SkipSpace();
        if (*p_ != '=') return false;
        ++p_;
        SkipSpace();
        char quote = *p_;
        if (quote != '"' && quote != '\'') return false;
        char* start = ++p_;
        char* write = nullptr;
        for (;;) {
            char* run = p_;
            char* scan = p_;
            while (!kScan.attributeStop[static_cast<unsigned char>(*scan)]) ++scan;
            p_ = scan;
            if (write) {
                std::memmove(write, run, p_ - run);
                write += p_ - run;
            }
            if (p_ >= end_) return false;
            char c = *p_;
            if (c == quote) break;
            if (c == '"' || c == '\'') {
                if (write) *write++ = c;
                ++p_;
                continue;
            }
            if (c == '<') return false;
            if (!write) write = p_;
            if (c == '&') {
                if (!ParseReference(write)) return false;
            } else if (c == '\t' || c == '\n' || c == '\r') {
                // Attribute values are normalised: each line end or tab reads as one blank.
                *write++ = ' ';
                ++p_;
                if (c == '\r' && *p_ == '\n') ++p_;
            } else {
                return false;
            }
        }
        attribute->value = Text{start, static_cast<std::uint32_t>((write ? write : p_) - start),
                                static_cast<std::uint32_t>(p_ - start)};
        ++p_;
        // Duplicates: a plain comparison for the few attributes elements usually have, a set
        // for the rare element with many.
        std::string_view name = attribute->name.View();
        if (++count <= kFewAttributes) {
            for (Attribute* other = element->firstAttribute; other; other = other->next)
                if (other->name.size == name.size() && other->name.data[0] == name[0] && other->name.View() == name)
                    return false;
            if (count == kFewAttributes) {
                manyNames_.clear();
                for (Attribute* other = element->firstAttribute; other; other = other->next)
                    manyNames_.insert(other->name.View());
            }
        }
        if (count >= kFewAttributes && !manyNames_.insert(name).second) return false;
        if (last) last->next = attribute;
        else element->firstAttribute = attribute;
        last = attribute;
    }
}

bool Parser::ParseEndTag(Node*& current) {
    p_ += 2;
    Text name;
    if (!ParseName(name) || name.View() != current->name.View()) return false;
    SkipSpace();
    if (*p_ != '>') return false;
    ++p_;
    current = current->parent;
    return true;
}

bool Parser::ParseComment(Node* parent) {
    char* start = p_ + 4;
    char* search = start;
    for (;;) {
        char* dash = static_cast<char*>(std::memchr(search, '-', end_ - search));
        if (!dash || end_ - dash < 3) return false;
        if (dash[1] == '-') {
            if (dash[2] != '>') return false;  // "--" may only close a comment
            for (char* c = start; c < dash; ++c)
                if (static_cast<unsigned char>(*c) < 0x20 && !IsXmlSpace(*c)) return false;
            Node* node = storage_.NewNode(XmlNodeKind::Comment);
            node->value = Text{start, static_cast<std::uint32_t>(dash - start), static_cast<std::uint32_t>(dash - start)};
            Append(parent, node);
            p_ = dash + 3;
            return true;
        }
        search = dash + 1;
    }
}

bool Parser::ParseCdata(Node* parent) {
    char* start = p_ + 9;
    char* search = start;
    char* close = nullptr;
    while (!close) {
        char* bracket = static_cast<char*>(std::memchr(search, ']', end_ - search));
        if (!bracket || end_ - bracket < 3) return false;
        if (bracket[1] == ']' && bracket[2] == '>') close = bracket;
        search = bracket + 1;
    }
    char* write = start;
    for (char* c = start; c < close; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 && !IsXmlSpace(*c)) return false;
        if (*c == '\r') {
            *write++ = '\n';
            if (c + 1 < close && c[1] == '\n') ++c;
        } else {
            *write++ = *c;
        }
    }
    p_ = close + 3;
    Text text{start, static_cast<std::uint32_t>(write - start), static_cast<std::uint32_t>(close - start)};
    if (IsBlank(text.View())) return true;
    Node* node = storage_.NewNode(XmlNodeKind::Text);
    node->value = text;
    Append(parent, node);
    return true;
}

bool Parser::ParseInstruction(Node* parent) {
    p_ += 2;
    Text target;
    if (!ParseName(target)) return false;
    std::string_view name = target.View();
    if (name.size() == 3 && (name[0] | 0x20) == 'x' && (name[1] | 0x20) == 'm' && (name[2] | 0x20) == 'l')
        return false;  // a declaration anywhere but at the very start
    char* data = p_;
    if (!StartsWith(p_, end_, "?>")) {
        if (!IsXmlSpace(*p_)) return false;
        SkipSpace();
        data = p_;
    }
    char* close = data;
    for (;;) {
        close = static_cast<char*>(std::memchr(close, '?', end_ - close));
        if (!close || close + 1 >= end_) return false;
        if (close[1] == '>') break;
        ++close;
    }
    for (char* c = data; c < close; ++c)
        if (static_cast<unsigned char>(*c) < 0x20 && !IsXmlSpace(*c)) return false;
    Node* node = storage_.NewNode(XmlNodeKind::ProcessingInstruction);
    node->name = target;
    node->value = Text{data, static_cast<std::uint32_t>(close - data), static_cast<std::uint32_t>(close - data)};
    Append(parent, node);
    p_ = close + 2;
    return true;
}

bool Parser::SkipDoctype() {
    p_ += 9;
    char quote = 0;
    for (; p_ < end_; ++p_) {
        char c = *p_;
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            return false;  // internal declarations (entities among them) are refused
        } else if (c == '>') {
            ++p_;
            return true;
        }
    }
    return false;
}

bool Parser::Run(Node* document) {
    if (!SkipDeclaration()) return false;
    Node* current = document;
    int depth = 0;
    bool rootSeen = false;
    bool doctypeAllowed = true;
    for (;;) {
        if (current == document) {
            SkipSpace();
            if (p_ >= end_) break;
            if (*p_ != '<') return false;  // text outside the document element
        } else if (*p_ != '<') {
            if (!ParseText(current)) return false;
            continue;
        }
        char next = p_[1];
        if (next == '/') {
            if (current == document || !ParseEndTag(current)) return false;
            --depth;
        } else if (next == '?') {
            if (!ParseInstruction(current)) return false;
        } else if (next == '!') {
            if (StartsWith(p_, end_, "<!--")) {
                if (!ParseComment(current)) return false;
            } else if (StartsWith(p_, end_, "<![CDATA[")) {
                if (current == document || !ParseCdata(current)) return false;
            } else if (StartsWith(p_, end_, "<!DOCTYPE")) {
                if (current != document || !doctypeAllowed || !SkipDoctype()) return false;
                doctypeAllowed = false;
            } else {
                return false;
            }
        } else {
            if (current == document) {
                if (rootSeen) return false;
                rootSeen = true;
                doctypeAllowed = false;
            }
            ++p_;
            Node* element = storage_.NewNode(XmlNodeKind::Element);
            if (!ParseName(element->name)) return false;
            bool empty = false;
            if (!ParseAttributes(element, empty)) return false;
            Append(current, element);
            if (!empty) {
                if (++depth > kMaxDepth) return false;
                current = element;
            }
        }
    }
    return rootSeen && current == document;
}

bool DecodeUtf16(std::string_view bytes, bool littleEndian, std::string& utf8) {
    if (bytes.size() % 2) return false;
    utf8.reserve(bytes.size());
    const std::size_t count = bytes.size() / 2;
    auto unit = [&](std::size_t i) -> std::uint32_t {
        auto lo = static_cast<unsigned char>(bytes[2 * i + (littleEndian ? 0 : 1)]);
        auto hi = static_cast<unsigned char>(bytes[2 * i + (littleEndian ? 1 : 0)]);
        return lo | (hi << 8);
    };
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= count) return false;
            std::uint32_t low = unit(++i);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        AppendUtf8(utf8, c);
    }
    return true;
}

// The encoding named by the declaration at the start, or empty.
std::string_view DeclaredEncoding(std::string_view bytes) {
    if (bytes.substr(0, 5) != "<?xml") return {};
    std::size_t close = bytes.find("?>");
    if (close == std::string_view::npos) return {};
    std::string_view declaration(bytes.data(), close);
    std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return {};
    at += 8;
    while (at < declaration.size() && IsXmlSpace(declaration[at])) ++at;
    if (at >= declaration.size() || declaration[at] != '=') return {};
    ++at;
    while (at < declaration.size() && IsXmlSpace(declaration[at])) ++at;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return {};
    char quote = declaration[at++];
    std::size_t end = declaration.find(quote, at);
    if (end == std::string_view::npos) return {};
    return declaration.substr(at, end - at);
}

}  // namespace

bool DecodeSource(Storage& storage) {
    std::string_view bytes = storage.Source();
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        storage.TrimSource(3, bytes.size() - 3);
        return IsValidUtf8(storage.Source());
    }
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        std::string utf8;
        if (!DecodeUtf16(bytes.substr(2), bytes[0] == '\xFF', utf8)) return false;
        char* source = storage.NewSource(utf8.size());
        std::memcpy(source, utf8.data(), utf8.size());
        return true;
    }
    std::string_view encoding = DeclaredEncoding(bytes);
    int codePage = encoding.empty() ? kCodePageUtf8 : CodePageFromName(encoding);
    if (codePage == 0) return false;
    if (codePage == kCodePageUtf8) return IsValidUtf8(bytes);
    if (const SingleByteCodePage* page = FindSingleByteCodePage(codePage)) {
        std::size_t size = Utf8SizeOfSingleByte(*page, bytes);
        if (size == bytes.size()) return true;  // nothing but ASCII: already UTF-8
        // Decoded into a buffer of its own, which then replaces the source.
        Storage decoded;
        DecodeSingleByte(*page, bytes, decoded.NewSource(size));
        decoded.TrimSource(0, size);
        storage.AdoptSource(decoded);
        return true;
    }
    std::string utf8;
    if (!DecodeToUtf8(codePage, bytes, utf8)) return false;
    char* source = storage.NewSource(utf8.size());
    std::memcpy(source, utf8.data(), utf8.size());
    return true;
}

bool ParseInPlace(Storage& storage, Node* document) {
    // The zero byte after the source is a control character, so every scanning loop stops at
    // the end without testing for it.
    char* source = storage.SourceData();
    if (!source) return false;
    Parser parser(storage, source, source + storage.Source().size());
    return parser.Run(document);
}

}  // namespace xmldom
