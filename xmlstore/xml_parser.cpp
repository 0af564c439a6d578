// The parser: well-formed XML 1.0 into the arena DOM, from the file's bytes decoded a piece at
// a time. It refuses entity declarations, undeclared entities and absurd nesting, and never
// recurses.
#include <cstdint>
#include <cstring>
#include <string>
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

// The parser works through decoded text a piece at a time. A token cut by the end of a piece
// fails like a malformed one; it is then parsed again from its start once more text has come,
// so every token function leaves the tree alone until it has succeeded. Nothing it keeps
// points into the text: names are interned and values copied into the document's arena.
class Parser {
public:
    enum class Step { Done, More, Failed };

    Parser(Storage& storage, Offset document) : storage_(storage), document_(document), current_(document) {}

    // Parses [begin, end), which is followed by a zero byte and eight more readable bytes.
    // More: the text from Consumed() on is yet to be parsed, with what follows it.
    Step Feed(char* begin, char* end, bool final);
    char* Consumed() const { return p_; }

private:
    Step Retry(char* token) {
        if (final_ || fatal_) return Step::Failed;
        p_ = token;
        return Step::More;
    }
    bool SkipDeclaration();
    bool ParseName(std::string_view& name);
    std::uint32_t NameId(std::string_view name);
    bool ParseReference(std::string& out);
    bool ParseText();
    bool ParseAttributes(Offset element, bool& empty);
    bool ParseEndTag();
    bool ParseComment();
    bool ParseCdata();
    bool ParseInstruction();
    bool SkipDoctype();
    bool Store(Offset node, std::string_view text);
    Offset NewNode(XmlNodeKind kind, std::uint32_t name) {
        Offset node = storage_.NewNode(kind, name);
        if (!node) fatal_ = true;
        return node;
    }
    // Indentation is runs of blanks: eight at a time, then byte by byte. The zero byte after
    // the text is no space, so the end needs no test.
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

    // Names of up to eight bytes, by their bytes: a document uses few names many times over.
    struct CachedName {
        std::uint64_t word = 0;
        std::uint32_t size = 0;
        std::uint32_t id = kNoName;
    };

    Storage& storage_;
    const Offset document_;
    Offset current_;
    int depth_ = 0;
    bool declarationDone_ = false;
    bool rootSeen_ = false;
    bool doctypeAllowed_ = true;
    bool final_ = false;
    // Set when the arena or the name table is full: no more text can help.
    bool fatal_ = false;
    std::unordered_set<std::uint32_t> manyNames_;
    std::string scratch_;
    CachedName nameCache_[64];
    char* p_ = nullptr;
    char* end_ = nullptr;
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

bool Parser::ParseName(std::string_view& name) {
    if (p_ >= end_ || !IsNameStart(static_cast<unsigned char>(*p_))) return false;
    char* start = p_++;
    char* p = p_;
    while (IsNameChar(static_cast<unsigned char>(*p))) ++p;  // the text ends in a zero byte
    p_ = p;
    name = std::string_view(start, static_cast<std::size_t>(p_ - start));
    return true;
}

std::uint32_t Parser::NameId(std::string_view name) {
    std::uint32_t id;
    if (name.size() > 8) {
        id = storage_.Intern(name);
    } else {
        // Eight bytes are always readable after a name; only its own count.
        std::uint64_t word = 0;
        std::memcpy(&word, name.data(), name.size());
        CachedName& cached = nameCache_[(word * 0x9E3779B97F4A7C15ull) >> 58];
        if (cached.word == word && cached.size == name.size()) return cached.id;
        id = storage_.Intern(name);
        if (id != kNoName) cached = {word, static_cast<std::uint32_t>(name.size()), id};
    }
    if (id == kNoName) fatal_ = true;
    return id;
}

// Decodes the reference at p_ ('&') and appends its UTF-8 to `out`.
bool Parser::ParseReference(std::string& out) {
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
    char utf8[4];
    out.append(utf8, static_cast<std::size_t>(WriteUtf8(utf8, c)));
    return true;
}

bool Parser::Store(Offset node, std::string_view text) {
    Node* target = storage_.NodeAt(node);
    if (storage_.Assign(target->header, target->value, text)) return true;
    fatal_ = true;
    return false;
}

bool Parser::ParseText() {
    char* space = p_;
    SkipSpace();
    if (p_ < end_ && *p_ == '<') return true;  // white space between elements is not kept
    p_ = space;
    const char* start = p_;
    bool decoded = false;  // set once the text differs from its source
    for (;;) {
        const char* run = p_;
        char* scan = p_;
        while (!kScan.textStop[static_cast<unsigned char>(*scan)]) ++scan;
        p_ = scan;
        if (decoded) scratch_.append(run, static_cast<std::size_t>(p_ - run));
        if (p_ >= end_) return false;
        char c = *p_;
        if (c == '<') break;
        if (!decoded) {
            scratch_.assign(start, static_cast<std::size_t>(p_ - start));
            decoded = true;
        }
        if (c == '&') {
            if (!ParseReference(scratch_)) return false;
        } else if (c == '\r') {
            scratch_ += '\n';
            ++p_;
            if (*p_ == '\n') ++p_;
        } else {
            return false;  // a control character XML does not allow
        }
    }
    std::string_view text = decoded ? std::string_view(scratch_) : std::string_view(start, static_cast<std::size_t>(p_ - start));
    if (decoded && IsBlank(text)) return true;
    Offset node = NewNode(XmlNodeKind::Text, kNoName);
    if (!node || !Store(node, text)) return false;
    Append(storage_, current_, node);
    return true;
}

bool Parser::ParseAttributes(Offset element, bool& empty) {
    Offset last = 0;
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
        std::string_view nameText;
        if (!ParseName(nameText)) return false;
        SkipSpace();
        if (*p_ != '=') return false;
        ++p_;
        SkipSpace();
        char quote = *p_;
        if (quote != '"' && quote != '\'') return false;
        const char* start = ++p_;
        bool decoded = false;
        for (;;) {
            const char* run = p_;
            char* scan = p_;
            while (!kScan.attributeStop[static_cast<unsigned char>(*scan)]) ++scan;
            p_ = scan;
            if (decoded) scratch_.append(run, static_cast<std::size_t>(p_ - run));
            if (p_ >= end_) return false;
            char c = *p_;
            if (c == quote) break;
            if (!decoded) {
                scratch_.assign(start, static_cast<std::size_t>(p_ - start));
                decoded = true;
            }
            if (c == '"' || c == '\'') {
                scratch_ += c;
                ++p_;
                continue;
            }
            if (c == '<') return false;
            if (c == '&') {
                if (!ParseReference(scratch_)) return false;
            } else if (c == '\t' || c == '\n' || c == '\r') {
                // Attribute values are normalised: each line end or tab reads as one blank.
                scratch_ += ' ';
                ++p_;
                if (c == '\r' && *p_ == '\n') ++p_;
            } else {
                return false;
            }
        }
        std::string_view value = decoded ? std::string_view(scratch_) : std::string_view(start, static_cast<std::size_t>(p_ - start));
        ++p_;
        const std::uint32_t name = NameId(nameText);
        if (name == kNoName) return false;
        // Duplicates: a plain comparison for the few attributes elements usually have, a set
        // for the rare element with many.
        if (++count <= kFewAttributes) {
            for (Offset other = storage_.NodeAt(element)->links.firstAttribute; other;) {
                const Attribute* attribute = storage_.AttributeAt(other);
                if (NameOf(attribute->header) == name) return false;
                other = attribute->next;
            }
            if (count == kFewAttributes) {
                manyNames_.clear();
                for (Offset other = storage_.NodeAt(element)->links.firstAttribute; other;
                     other = storage_.AttributeAt(other)->next)
                    manyNames_.insert(NameOf(storage_.AttributeAt(other)->header));
            }
        }
        if (count >= kFewAttributes && !manyNames_.insert(name).second) return false;
        Offset created = storage_.NewAttribute(name);
        if (!created) {
            fatal_ = true;
            return false;
        }
        Attribute* attribute = storage_.AttributeAt(created);
        if (!storage_.Assign(attribute->header, attribute->value, value)) {
            fatal_ = true;
            return false;
        }
        if (last) storage_.AttributeAt(last)->next = created;
        else storage_.NodeAt(element)->links.firstAttribute = created;
        last = created;
    }
}

bool Parser::ParseEndTag() {
    p_ += 2;
    std::string_view name;
    if (!ParseName(name) || name != storage_.Name(NameOf(storage_.NodeAt(current_)->header))) return false;
    SkipSpace();
    if (*p_ != '>') return false;
    ++p_;
    current_ = storage_.NodeAt(current_)->parent;
    return true;
}

bool Parser::ParseComment() {
    char* start = p_ + 4;
    char* search = start;
    for (;;) {
        char* dash = static_cast<char*>(std::memchr(search, '-', end_ - search));
        if (!dash || end_ - dash < 3) return false;
        if (dash[1] == '-') {
            if (dash[2] != '>') return false;  // "--" may only close a comment
            for (char* c = start; c < dash; ++c)
                if (static_cast<unsigned char>(*c) < 0x20 && !IsXmlSpace(*c)) return false;
            Offset node = NewNode(XmlNodeKind::Comment, kNoName);
            if (!node || !Store(node, std::string_view(start, static_cast<std::size_t>(dash - start)))) return false;
            Append(storage_, current_, node);
            p_ = dash + 3;
            return true;
        }
        search = dash + 1;
    }
}

bool Parser::ParseCdata() {
    char* start = p_ + 9;
    char* search = start;
    char* close = nullptr;
    while (!close) {
        char* bracket = static_cast<char*>(std::memchr(search, ']', end_ - search));
        if (!bracket || end_ - bracket < 3) return false;
        if (bracket[1] == ']' && bracket[2] == '>') close = bracket;
        search = bracket + 1;
    }
    scratch_.clear();
    for (char* c = start; c < close; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 && !IsXmlSpace(*c)) return false;
        if (*c == '\r') {
            scratch_ += '\n';
            if (c + 1 < close && c[1] == '\n') ++c;
        } else {
            scratch_ += *c;
        }
    }
    p_ = close + 3;
    if (IsBlank(scratch_)) return true;
    Offset node = NewNode(XmlNodeKind::Text, kNoName);
    if (!node || !Store(node, scratch_)) return false;
    Append(storage_, current_, node);
    return true;
}

bool Parser::ParseInstruction() {
    p_ += 2;
    std::string_view name;
    if (!ParseName(name)) return false;
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
    const std::uint32_t target = NameId(name);
    if (target == kNoName) return false;
    Offset node = NewNode(XmlNodeKind::ProcessingInstruction, target);
    if (!node || !Store(node, std::string_view(data, static_cast<std::size_t>(close - data)))) return false;
    Append(storage_, current_, node);
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
            fatal_ = true;  // internal declarations (entities among them) are refused
            return false;
        } else if (c == '>') {
            ++p_;
            return true;
        }
    }
    return false;
}

Parser::Step Parser::Feed(char* begin, char* end, bool final) {
    p_ = begin;
    end_ = end;
    final_ = final;
    if (!declarationDone_) {
        if (!SkipDeclaration()) return Retry(begin);
        declarationDone_ = true;
    }
    for (;;) {
        char* token = p_;
        if (current_ == document_) {
            SkipSpace();
            if (p_ >= end_) {
                if (!final) return Step::More;
                return rootSeen_ ? Step::Done : Step::Failed;
            }
            if (*p_ != '<') return Step::Failed;  // text outside the document element
            token = p_;
        } else if (*p_ != '<') {
            if (!ParseText()) return Retry(token);
            continue;
        }
        char next = p_[1];
        if (next == '/') {
            if (current_ == document_) return Step::Failed;
            if (!ParseEndTag()) return Retry(token);
            --depth_;
        } else if (next == '?') {
            if (!ParseInstruction()) return Retry(token);
        } else if (next == '!') {
            if (StartsWith(p_, end_, "<!--")) {
                if (!ParseComment()) return Retry(token);
            } else if (StartsWith(p_, end_, "<![CDATA[")) {
                if (current_ == document_) return Step::Failed;
                if (!ParseCdata()) return Retry(token);
            } else if (StartsWith(p_, end_, "<!DOCTYPE")) {
                if (current_ != document_ || !doctypeAllowed_) return Step::Failed;
                if (!SkipDoctype()) return Retry(token);
                doctypeAllowed_ = false;
            } else {
                return Retry(token);
            }
        } else {
            ++p_;
            std::string_view nameText;
            if (!ParseName(nameText)) return Retry(token);
            if (current_ == document_ && rootSeen_) return Step::Failed;
            const std::uint32_t name = NameId(nameText);
            if (name == kNoName) return Step::Failed;
            Offset element = NewNode(XmlNodeKind::Element, name);
            if (!element) return Step::Failed;
            bool empty = false;
            if (!ParseAttributes(element, empty)) return Retry(token);
            if (current_ == document_) {
                rootSeen_ = true;
                doctypeAllowed_ = false;
            }
            Append(storage_, current_, element);
            if (!empty) {
                if (++depth_ > kMaxDepth) return Step::Failed;
                current_ = element;
            }
        }
    }
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

namespace {

// Raw bytes read at a time: small enough that the decoded text is still in the cache when the
// parser reads it.
constexpr std::size_t kPieceSize = 64 * 1024;
// Readable bytes after the decoded text: its zero byte, the name cache's eight-byte reads and
// the fixed three-byte writes of the single-byte decoder.
constexpr std::size_t kSlack = 16;

bool ReadFully(ByteSource& source, char* buffer, std::size_t size, std::size_t& read) {
    read = 0;
    while (read < size) {
        std::size_t got = 0;
        if (!source.Read(buffer + read, size - read, got)) return false;
        if (got == 0) break;
        read += got;
    }
    return true;
}

// Everything the source still holds, after the bytes already read.
bool ReadRest(ByteSource& source, std::string& bytes) {
    for (;;) {
        std::size_t at = bytes.size();
        bytes.resize(at + kPieceSize);
        std::size_t read = 0;
        if (!ReadFully(source, &bytes[at], kPieceSize, read)) return false;
        bytes.resize(at + read);
        if (read < kPieceSize) return true;
    }
}

// How many bytes at the end of valid-looking UTF-8 belong to a character the next piece
// completes.
std::size_t IncompleteTail(const char* begin, const char* end) {
    for (std::size_t back = 1; back <= 3 && back <= static_cast<std::size_t>(end - begin); ++back) {
        auto byte = static_cast<unsigned char>(end[-static_cast<std::ptrdiff_t>(back)]);
        if ((byte & 0xC0) == 0x80) continue;
        std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

// The decoded text waiting for the parser, in one buffer that grows only when a single token
// outgrows it.
class TextBuffer {
public:
    char* Data() { return memory_.get(); }
    std::size_t Size() const { return size_; }
    // Drops the parsed text before `from`; keeps `room` bytes free after the rest.
    void Compact(const char* from, std::size_t room) {
        std::size_t keep = memory_ ? size_ - static_cast<std::size_t>(from - memory_.get()) : 0;
        if (keep && from != memory_.get()) std::memmove(memory_.get(), from, keep);
        size_ = keep;
        std::size_t needed = keep + room + kSlack;
        if (needed > capacity_) {
            std::size_t capacity = capacity_ ? capacity_ : 256;
            while (capacity < needed) capacity *= 2;
            std::unique_ptr<char[]> grown(new char[capacity]);
            if (keep) std::memcpy(grown.get(), memory_.get(), keep);
            memory_ = std::move(grown);
            capacity_ = capacity;
        }
    }
    char* End() { return memory_.get() + size_; }
    void Grow(std::size_t added) { size_ += added; }

private:
    std::unique_ptr<char[]> memory_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Hands the parser the buffer's text but for `held` bytes at its end, each time behind a zero
// byte.
Parser::Step FeedParser(Parser& parser, TextBuffer& text, std::size_t held, bool final) {
    char* end = text.End() - held;
    char saved[4];
    std::memcpy(saved, end, 4);
    *end = '\0';
    Parser::Step step = parser.Feed(text.Data(), end, final);
    std::memcpy(end, saved, 4);
    return step;
}

}  // namespace

bool Parse(ByteSource& source, Storage& storage, Offset document) {
    Parser parser(storage, document);
    std::string raw(kPieceSize, '\0');
    std::size_t read = 0;
    if (!ReadFully(source, &raw[0], kPieceSize, read)) return false;
    raw.resize(read);
    bool atEnd = read < kPieceSize;
    // The declaration decides the encoding, so it must be read whole first.
    while (!atEnd && raw.compare(0, 5, "<?xml") == 0 && raw.find("?>") == std::string::npos) {
        std::size_t at = raw.size();
        raw.resize(at + kPieceSize);
        if (!ReadFully(source, &raw[at], kPieceSize, read)) return false;
        raw.resize(at + read);
        atEnd = read < kPieceSize;
    }

    std::string_view bytes = raw;
    const SingleByteCodePage* singleByte = nullptr;
    bool utf8 = false;
    std::string whole;  // text decoded all at once, for the rare encodings read that way
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        utf8 = true;
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        if (!atEnd && !ReadRest(source, raw)) return false;
        if (!DecodeUtf16(std::string_view(raw).substr(2), raw[0] == '\xFF', whole)) return false;
        atEnd = true;
    } else {
        std::string_view encoding = DeclaredEncoding(bytes);
        int codePage = encoding.empty() ? kCodePageUtf8 : CodePageFromName(encoding);
        if (codePage == 0) return false;
        if (codePage == kCodePageUtf8) {
            utf8 = true;
        } else if (!(singleByte = FindSingleByteCodePage(codePage))) {
            if (!atEnd && !ReadRest(source, raw)) return false;
            if (!DecodeToUtf8(codePage, raw, whole)) return false;
            atEnd = true;
        }
    }
    if (!utf8 && !singleByte) {
        bytes = whole;
        raw.clear();
    }

    TextBuffer text;
    const char* parsed = nullptr;
    std::size_t held = 0;  // bytes of a character the next piece completes
    for (;;) {
        // The new bytes go after the unparsed text and any character held back.
        text.Compact(parsed, singleByte ? 3 * bytes.size() : bytes.size());
        if (singleByte) {
            text.Grow(DecodeSingleByte(*singleByte, bytes, text.End()));
        } else {
            char* start = text.End() - held;
            if (!bytes.empty()) std::memcpy(text.End(), bytes.data(), bytes.size());
            text.Grow(bytes.size());
            if (utf8) {
                held = atEnd ? 0 : IncompleteTail(start, text.End());
                if (!IsValidUtf8(std::string_view(start, static_cast<std::size_t>(text.End() - held - start))))
                    return false;
            }
        }
        Parser::Step step = FeedParser(parser, text, held, atEnd);
        if (step != Parser::Step::More) return step == Parser::Step::Done;
        parsed = parser.Consumed();
        if (atEnd) return false;
        // A token longer than a piece is parsed again each time: read as much again as it
        // holds, so that a long one costs a few passes and not one per piece.
        const std::size_t unparsed = static_cast<std::size_t>(text.End() - parsed);
        const std::size_t wanted = unparsed > kPieceSize ? unparsed : kPieceSize;
        raw.resize(wanted);
        if (!ReadFully(source, &raw[0], wanted, read)) return false;
        raw.resize(read);
        bytes = raw;
        atEnd = read < wanted;
    }
}

}  // namespace xmldom
