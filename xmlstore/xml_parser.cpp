// The parser: well-formed XML 1.0 into the arena DOM, from the file's bytes decoded a piece at
// a time. It refuses entity declarations, undeclared entities and absurd nesting, and never
// recurses.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/code_page.h"
#include "base/code_page_platform.h"
#include "base/sse2.h"
#include "xmlstore/xml_dom.h"

namespace xmldom {

namespace {

struct ScanTables {
    bool textStop[256] = {};
    bool attributeStop[256] = {};
    constexpr ScanTables() {
        for (int c = 0; c < 0x20; ++c) textStop[c] = attributeStop[c] = c != '\t' && c != '\n';
        for (unsigned char c : {'<', '&', '\r'}) textStop[c] = true;
        for (unsigned char c : {'<', '&', '"', '\'', '\t', '\n', '\r'}) attributeStop[c] = true;
    }
};
constexpr ScanTables kScan;

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Word tests, exact as yes or no: whether a byte of the word is `byte`, or below 0x20.
inline std::uint64_t HasByte(std::uint64_t word, unsigned char byte) {
    std::uint64_t x = word ^ (kOnes * byte);
    return (x - kOnes) & ~x & kHighBits;
}
inline std::uint64_t HasControl(std::uint64_t word) { return (word - kOnes * 0x20) & ~word & kHighBits; }

// Passes eight bytes at a time while none of them is one of the three or a control
// character; the byte-wise scan that follows finds the exact stop.
inline char* SkipPlain(char* p, const char* end, unsigned char a, unsigned char b, unsigned char c) {
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (HasByte(word, a) | HasByte(word, b) | HasByte(word, c) | HasControl(word)) break;
        p += 8;
    }
    return p;
}

#if OSTRAK_SSE2
// Sixteen bytes at a time where the processor has it (every x86-64 does): each load reads at
// most fifteen bytes past the zero byte that ends the text, which the buffer keeps readable.
inline __m128i Load16(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline unsigned Mask(__m128i bytes) { return static_cast<unsigned>(_mm_movemask_epi8(bytes)); }

// From the opening quote's next byte to the first byte that ends a plain value: the quote,
// '&', '<' or a control character (the zero byte after the text among them). `nonAscii` is
// set when a byte before it is beyond ASCII.
inline char* ScanPlainValue(char* p, char quote, bool& nonAscii) {
    const __m128i quotes = _mm_set1_epi8(quote), ampersands = _mm_set1_epi8('&'), lessThans = _mm_set1_epi8('<'),
                  lastControl = _mm_set1_epi8(0x1F);
    unsigned high = 0;
    for (;; p += 16) {
        const __m128i bytes = Load16(p);
        const __m128i controls = _mm_cmpeq_epi8(_mm_min_epu8(bytes, lastControl), bytes);
        const unsigned stops =
            Mask(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quotes), _mm_cmpeq_epi8(bytes, ampersands)),
                              _mm_or_si128(_mm_cmpeq_epi8(bytes, lessThans), controls)));
        if (stops) {
            const unsigned at = static_cast<unsigned>(__builtin_ctz(stops));
            nonAscii = (high | (Mask(bytes) & ((1u << at) - 1))) != 0;
            return p + at;
        }
        high |= Mask(bytes);
    }
}
#else
// The portable twin: eight bytes at a time while none of them ends the value (each load reads
// at most seven bytes past the zero byte), then byte by byte to the exact stop.
inline char* ScanPlainValue(char* p, char quote, bool& nonAscii) {
    const auto quoteByte = static_cast<unsigned char>(quote);
    std::uint64_t high = 0;
    for (;; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (HasByte(word, quoteByte) | HasByte(word, '&') | HasByte(word, '<') | HasControl(word)) break;
        high |= word;
    }
    for (;; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == quoteByte || c == '&' || c == '<' || c < 0x20) break;
        high |= c;
    }
    nonAscii = (high & kHighBits) != 0;
    return p;
}
#endif

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

// The names of one element's attributes so far, to refuse a repeated one: a plain comparison
// for the few attributes elements usually have, a set for the rare element with many.
class SeenNames {
public:
    explicit SeenNames(std::unordered_set<std::uint32_t>& many) : many_(many) {}
    bool Add(std::uint32_t name) {
        if (count_ == kFew) return many_.insert(name).second;
        for (std::size_t other = 0; other < count_; ++other)
            if (names_[other] == name) return false;
        names_[count_] = name;
        if (++count_ == kFew) {
            many_.clear();
            many_.insert(names_, names_ + count_);
        }
        return true;
    }

private:
    static constexpr std::size_t kFew = 16;
    std::unordered_set<std::uint32_t>& many_;
    std::uint32_t names_[kFew];
    std::size_t count_ = 0;
};

// The parser works through decoded text a piece at a time. A token cut by the end of a piece
// fails like a malformed one; it is then parsed again from its start once more text has come,
// so every token function leaves the tree alone until it has succeeded. Nothing it keeps
// points into the text: names are interned and values copied into the document's arena.
class Parser {
public:
    enum class Step { Done, More, Failed };

    Parser(Storage& storage, Offset document)
        : storage_(storage), document_(document), current_(document), currentNode_(storage.NodeAt(document)) {}

    // Text in a single-byte code page is parsed as it stands (markup is ASCII in all of them)
    // and each name and value decoded as it is stored.
    void SetCodePage(const SingleByteCodePage* page) { page_ = page; }

    // Parses [begin, end), which is followed by a zero byte and fifteen more readable bytes.
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
    // Eight bytes are always readable from a name's start; only its own count.
    static std::uint64_t NameWord(std::string_view name) {
        std::uint64_t word;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        std::memcpy(&word, name.data(), 8);
        word &= ~std::uint64_t{0} >> (64 - 8 * name.size());
#else
        word = 0;
        std::memcpy(&word, name.data(), name.size());
#endif
        return word;
    }
    static std::size_t CacheIndex(std::uint64_t word, std::size_t size) {
        return static_cast<std::size_t>(((word ^ size) * 0x9E3779B97F4A7C15ull) >> 56);
    }
    std::uint32_t NameId(std::string_view name) {
        if (name.size() <= 8) {
            const std::uint64_t word = NameWord(name);
            const CachedName& cached = nameCache_[CacheIndex(word, name.size())];
            if (cached.word == word && cached.size == name.size()) return cached.id;
        }
        return InternName(name);
    }
    std::uint32_t InternName(std::string_view name);
    bool ParseReference(std::string& out);
    bool ParseText();
    bool ParseAttributes(Node* element, bool& empty);
    // At '>' or "/>", the end of a start tag.
    bool CloseStartTag(char* p, bool& empty);
    // From an attribute's name to just past its value's opening quote, giving the name's id
    // and the quote; null when no attribute stands there.
    char* ParseAttributeName(char* p, const char* end, std::uint32_t& name, char& quote);
    // A value with references, line ends or tabs, from `start` into scratch_: the bytes up to
    // p_ as they stand, then byte by byte to the closing quote, where p_ stops. Kept out of
    // line: inlined, this rare path slowed the usual attribute's by a tenth.
    [[gnu::noinline]] bool DecodeValue(const char* start, char quote);
    bool ParseEndTag();
    bool ParseComment();
    bool ParseCdata();
    bool ParseInstruction();
    bool SkipDoctype();
    bool Store(Offset node, std::string_view text);
    // Stores source text that needs no decoding of references into a value.
    bool StoreSource(std::uint32_t& header, Value& value, const char* begin, const char* end, bool ascii);
    // The UTF-8 of source text: the text itself when it is UTF-8 or ASCII, else its decoding
    // in `buffer`.
    std::string_view Utf8Of(std::string_view source, std::string& buffer) const;
    void AppendUtf8Of(std::string& out, const char* begin, const char* end) const;
    void AppendToCurrent(Offset child) { AppendToCurrent(child, storage_.NodeAt(child)); }
    void AppendToCurrent(Offset child, Node* childNode) {
        childNode->parent = current_;
        if (KindOf(childNode->header) == XmlNodeKind::Text) currentNode_->header |= kHadText;
        Node*& last = lastChildren_[static_cast<std::size_t>(depth_)];
        if (last) last->nextSibling = child;
        else currentNode_->links.firstChild = child;
        currentNode_->links.lastChild = child;
        last = childNode;
    }
    Offset NewNode(XmlNodeKind kind, std::uint32_t name) {
        Node* node;
        return NewNode(kind, name, node);
    }
    Offset NewNode(XmlNodeKind kind, std::uint32_t name, Node*& node) {
        Offset offset = storage_.NewNode(kind, name, node);
        if (!offset) fatal_ = true;
        return offset;
    }
    // Indentation is a line end and a run of blanks: blanks eight at a time, anything else
    // byte by byte. The zero byte after the text is no space, so the end needs no test.
    static char* SkipSpaceFrom(char* p, const char* end) {
        for (;;) {
            while (end - p >= 8) {
                std::uint64_t word;
                std::memcpy(&word, p, 8);
                if (word != 0x2020202020202020ull) break;
                p += 8;
            }
            if (!IsXmlSpace(*p)) return p;
            ++p;
        }
    }
    void SkipSpace() { p_ = SkipSpaceFrom(p_, end_); }
    // Past the blanks before an attribute or the end of the tag.
    static char* SkipBeforeAttribute(char* p, const char* end) {
        // The usual single blank before the next attribute.
        if (p[0] == ' ' && IsNameStart(static_cast<unsigned char>(p[1]))) return p + 1;
        return SkipSpaceFrom(p, end);
    }

    // Names of up to eight bytes, by their bytes: a document uses few names many times over.
    struct CachedName {
        std::uint64_t word = 0;
        std::uint32_t size = 0;
        std::uint32_t id = kNoName;
    };

    Storage& storage_;
    const Offset document_;
    Offset current_;
    Node* currentNode_;  // blocks never move, so the current element's node can be held
    int depth_ = 0;
    // The last child of each open element by depth, the document's at 0.
    std::vector<Node*> lastChildren_ = std::vector<Node*>(1, nullptr);
    bool declarationDone_ = false;
    bool rootSeen_ = false;
    bool doctypeAllowed_ = true;
    bool final_ = false;
    // Set when the arena or the name table is full: no more text can help.
    bool fatal_ = false;
    std::unordered_set<std::uint32_t> manyNames_;
    const SingleByteCodePage* page_ = nullptr;
    std::string scratch_;
    std::string decoded_;
    CachedName nameCache_[256];
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

bool IsAscii(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & kHighBits) return false;
    }
    for (; p < end; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return false;
    return true;
}

std::string_view Parser::Utf8Of(std::string_view source, std::string& buffer) const {
    if (!page_ || IsAscii(source)) return source;
    const std::size_t size = Utf8SizeOfSingleByte(*page_, source);
    buffer.resize(size + 3);  // the decoder's slack
    DecodeSingleByte(*page_, source, &buffer[0]);
    buffer.resize(size);
    return buffer;
}

void Parser::AppendUtf8Of(std::string& out, const char* begin, const char* end) const {
    std::string_view source(begin, static_cast<std::size_t>(end - begin));
    if (!page_ || IsAscii(source)) {
        out.append(source);
        return;
    }
    const std::size_t at = out.size();
    const std::size_t size = Utf8SizeOfSingleByte(*page_, source);
    out.resize(at + size + 3);
    DecodeSingleByte(*page_, source, &out[at]);
    out.resize(at + size);
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

std::uint32_t Parser::InternName(std::string_view name) {
    std::uint32_t id = storage_.Intern(Utf8Of(name, decoded_));
    if (id == kNoName) {
        fatal_ = true;
    } else if (name.size() <= 8) {
        CachedName& cached = nameCache_[CacheIndex(NameWord(name), name.size())];
        cached = {NameWord(name), static_cast<std::uint32_t>(name.size()), id};
    }
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
        for (;;) {
            scan = SkipPlain(scan, end_, '<', '&', '<');
            if (kScan.textStop[static_cast<unsigned char>(*scan)]) break;
            ++scan;
        }
        p_ = scan;
        if (decoded) AppendUtf8Of(scratch_, run, p_);
        if (p_ >= end_) return false;
        char c = *p_;
        if (c == '<') break;
        if (!decoded) {
            scratch_.clear();
            AppendUtf8Of(scratch_, start, p_);
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
    std::string_view text = decoded ? std::string_view(scratch_)
                                    : Utf8Of(std::string_view(start, static_cast<std::size_t>(p_ - start)), decoded_);
    if (decoded && IsBlank(text)) return true;
    Offset node = NewNode(XmlNodeKind::Text, kNoName);
    if (!node || !Store(node, text)) return false;
    AppendToCurrent(node);
    return true;
}

bool Parser::StoreSource(std::uint32_t& header, Value& value, const char* begin, const char* end, bool ascii) {
    std::string_view source(begin, static_cast<std::size_t>(end - begin));
    bool stored;
    if (ascii || !page_) {
        stored = storage_.AssignPadded(header, value, source);
    } else {
        // A value of a few dozen bytes is decoded once, on the stack, then copied (in whole
        // sixteen-byte steps, which the buffer has room for).
        char decoded[3 * 64 + 3];
        if (source.size() <= 64) {
            const std::size_t size = DecodeSingleByte(*page_, source, decoded);
            stored = storage_.AssignPadded(header, value, std::string_view(decoded, size));
        } else {
            // Longer ones straight into the arena; the decoder's fixed three-byte writes go
            // into room that the arena takes back at once.
            const std::size_t size = Utf8SizeOfSingleByte(*page_, source);
            Offset data = storage_.AllocateText(size, 3);
            stored = data != 0;
            if (stored) {
                DecodeSingleByte(*page_, source, storage_.At<char>(data));
                storage_.SetOutOfLine(header, value, data, size);
            }
        }
    }
    if (!stored) fatal_ = true;
    return stored;
}

bool Parser::ParseAttributes(Node* element, bool& empty) {
    Offset* link = &element->links.firstAttribute;
    SeenNames seen(manyNames_);
    // A local position: what the parser keeps in members, stores into the arena could
    // overwrite as far as the compiler knows, so it would read them again after each. The
    // member is set only where it is read: on success, and for the byte-by-byte decoding of a
    // value; a failure is parsed again from the tag's start.
    const char* const end = end_;
    char* p = p_;
    for (;;) {
        char* const before = p;
        p = SkipBeforeAttribute(p, end);
        const bool spaced = p != before;
        if (p >= end) return false;
        if (*p == '>' || *p == '/') return CloseStartTag(p, empty);
        std::uint32_t name;
        char quote;
        if (!spaced || !(p = ParseAttributeName(p, end, name, quote))) return false;
        char* const start = p;
        // The usual value holds nothing to decode: find its closing quote many bytes at a time.
        bool nonAscii;
        p = ScanPlainValue(p, quote, nonAscii);
        Attribute* attribute;
        const Offset created = storage_.NewAttribute(name, attribute);
        if (!created) {
            fatal_ = true;
            return false;
        }
        p_ = p;
        if (*p == quote) {
            if (!StoreSource(attribute->header, attribute->value, start, p, !nonAscii)) return false;
        } else {
            if (p >= end || !DecodeValue(start, quote)) return false;
            attribute = storage_.AttributeAt(created);
            if (!storage_.Assign(attribute->header, attribute->value, scratch_)) {
                fatal_ = true;
                return false;
            }
            p = p_;
        }
        ++p;
        if (!seen.Add(name)) return false;
        *link = created;
        link = &attribute->next;
    }
}

bool Parser::CloseStartTag(char* p, bool& empty) {
    if (*p == '>') {
        p_ = p + 1;
        empty = false;
        return true;
    }
    if (p[1] != '>') return false;
    p_ = p + 2;
    empty = true;
    return true;
}

char* Parser::ParseAttributeName(char* p, const char* end, std::uint32_t& name, char& quote) {
    if (!IsNameStart(static_cast<unsigned char>(*p))) return nullptr;
    char* const nameStart = p++;
    while (IsNameChar(static_cast<unsigned char>(*p))) ++p;  // the text ends in a zero byte
    name = NameId(std::string_view(nameStart, static_cast<std::size_t>(p - nameStart)));
    if (name == kNoName) return nullptr;
    if (*p != '=') p = SkipSpaceFrom(p, end);
    if (*p != '=') return nullptr;
    ++p;
    if (*p != '"' && *p != '\'') p = SkipSpaceFrom(p, end);
    quote = *p;
    if (quote != '"' && quote != '\'') return nullptr;
    return p + 1;
}

bool Parser::DecodeValue(const char* start, char quote) {
    scratch_.clear();
    AppendUtf8Of(scratch_, start, p_);
    for (;;) {
        const char* run = p_;
        char* scan = p_;
        for (;;) {
            scan = SkipPlain(scan, end_, static_cast<unsigned char>(quote), '&', '<');
            if (kScan.attributeStop[static_cast<unsigned char>(*scan)]) break;
            ++scan;
        }
        p_ = scan;
        AppendUtf8Of(scratch_, run, p_);
        if (p_ >= end_) return false;
        const char c = *p_;
        if (c == quote) return true;
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
}

bool Parser::ParseEndTag() {
    p_ += 2;
    std::string_view name;
    if (!ParseName(name)) return false;
    const std::uint32_t id = NameId(name);
    if (id == kNoName || id != NameOf(currentNode_->header)) return false;
    SkipSpace();
    if (*p_ != '>') return false;
    ++p_;
    current_ = currentNode_->parent;
    currentNode_ = storage_.NodeAt(current_);
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
            if (!node || !Store(node, Utf8Of(std::string_view(start, static_cast<std::size_t>(dash - start)), decoded_)))
                return false;
            AppendToCurrent(node);
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
    if (!node || !Store(node, Utf8Of(scratch_, decoded_))) return false;
    AppendToCurrent(node);
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
    if (!node || !Store(node, Utf8Of(std::string_view(data, static_cast<std::size_t>(close - data)), decoded_)))
        return false;
    AppendToCurrent(node);
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
            // Mostly the indentation before the next tag.
            SkipSpace();
            if (*p_ != '<' || p_ >= end_) {
                p_ = token;
                if (!ParseText()) return Retry(token);
                continue;
            }
            token = p_;
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
            Node* elementNode;
            Offset element = NewNode(XmlNodeKind::Element, name, elementNode);
            if (!element) return Step::Failed;
            bool empty = false;
            if (!ParseAttributes(elementNode, empty)) return Retry(token);
            if (current_ == document_) {
                rootSeen_ = true;
                doctypeAllowed_ = false;
            }
            AppendToCurrent(element, elementNode);
            if (!empty) {
                if (++depth_ > kMaxDepth) return Step::Failed;
                if (lastChildren_.size() <= static_cast<std::size_t>(depth_)) lastChildren_.push_back(nullptr);
                lastChildren_[static_cast<std::size_t>(depth_)] = nullptr;
                current_ = element;
                currentNode_ = elementNode;
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

// Bytes read at a time: small enough that they are still in the cache when the parser reads
// them.
constexpr std::size_t kPieceSize = 64 * 1024;
// Readable bytes after the text: its zero byte, the sixteen-byte reads of the scans that stop
// at it, the name cache's eight-byte reads and the fixed three-byte writes of the single-byte
// decoder.
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

// The text waiting for the parser, in one buffer that grows only when a single token outgrows
// it.
class TextBuffer {
public:
    char* Data() { return memory_.get(); }
    char* End() { return memory_.get() + size_; }
    std::size_t Size() const { return size_; }
    // Drops the text before `from` and keeps `room` bytes free after the rest.
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
    // Reads up to `size` more bytes; false on a read error.
    bool ReadMore(ByteSource& source, std::size_t size, std::size_t& read) {
        Compact(memory_ ? memory_.get() : nullptr, size);
        if (!ReadFully(source, End(), size, read)) return false;
        size_ += read;
        return true;
    }
    void Replace(std::string_view text) {
        size_ = 0;
        Compact(memory_ ? memory_.get() : nullptr, text.size());
        if (!text.empty()) std::memcpy(memory_.get(), text.data(), text.size());
        size_ = text.size();
    }

private:
    std::unique_ptr<char[]> memory_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Hands the parser the buffer's text from `begin` but for `held` bytes at its end, behind a
// zero byte.
Parser::Step FeedParser(Parser& parser, TextBuffer& text, char* begin, std::size_t held, bool final) {
    char* end = text.End() - held;
    char saved[4];
    std::memcpy(saved, end, 4);
    *end = '\0';
    Parser::Step step = parser.Feed(begin, end, final);
    std::memcpy(end, saved, 4);
    return step;
}

}  // namespace

bool Parse(ByteSource& source, Storage& storage, Offset document) {
    Parser parser(storage, document);
    TextBuffer text;
    std::size_t read = 0;
    if (!text.ReadMore(source, kPieceSize, read)) return false;
    bool atEnd = read < kPieceSize;
    // The declaration decides the encoding, so it must be read whole first.
    while (!atEnd && std::string_view(text.Data(), text.Size()).substr(0, 5) == "<?xml" &&
           std::string_view(text.Data(), text.Size()).find("?>") == std::string_view::npos) {
        if (!text.ReadMore(source, kPieceSize, read)) return false;
        atEnd = read < kPieceSize;
    }

    std::string_view start(text.Data(), text.Size());
    std::size_t skip = 0;
    bool utf8 = false;
    std::string whole;  // text decoded all at once, for the rare encodings read that way
    if (start.substr(0, 3) == "\xEF\xBB\xBF") {
        skip = 3;
        utf8 = true;
    } else if (start.substr(0, 2) == "\xFF\xFE" || start.substr(0, 2) == "\xFE\xFF") {
        while (!atEnd) {
            if (!text.ReadMore(source, kPieceSize, read)) return false;
            atEnd = read < kPieceSize;
        }
        std::string_view bytes(text.Data(), text.Size());
        if (!DecodeUtf16(bytes.substr(2), bytes[0] == '\xFF', whole)) return false;
        text.Replace(whole);
    } else {
        std::string_view encoding = DeclaredEncoding(start);
        int codePage = encoding.empty() ? kCodePageUtf8 : CodePageFromName(encoding);
        if (codePage == 0) return false;
        if (codePage == kCodePageUtf8) {
            utf8 = true;
        } else if (const SingleByteCodePage* page = FindSingleByteCodePage(codePage)) {
            parser.SetCodePage(page);
        } else {
            while (!atEnd) {
                if (!text.ReadMore(source, kPieceSize, read)) return false;
                atEnd = read < kPieceSize;
            }
            if (!DecodeToUtf8(codePage, std::string_view(text.Data(), text.Size()), whole)) return false;
            text.Replace(whole);
        }
    }
    whole = std::string();

    char* parsed = text.Data() + skip;
    std::size_t checked = skip;  // UTF-8 is checked as it comes, up to here
    for (;;) {
        std::size_t held = 0;  // bytes of a character the next piece completes
        if (utf8) {
            held = atEnd ? 0 : IncompleteTail(text.Data() + checked, text.End());
            std::size_t upTo = text.Size() - held;
            if (!IsValidUtf8(std::string_view(text.Data() + checked, upTo - checked))) return false;
        }
        Parser::Step step = FeedParser(parser, text, parsed, held, atEnd);
        if (step != Parser::Step::More) return step == Parser::Step::Done;
        if (atEnd) return false;
        // A token longer than a piece is parsed again each time: read as much again as it
        // holds, so that a long one costs a few passes and not one per piece.
        const std::size_t unparsed = static_cast<std::size_t>(text.End() - parser.Consumed());
        const std::size_t wanted = unparsed > kPieceSize ? unparsed : kPieceSize;
        text.Compact(parser.Consumed(), wanted);
        checked = text.Size() - held;
        parsed = text.Data();
        if (!text.ReadMore(source, wanted, read)) return false;
        atEnd = read < wanted;
    }
}

}  // namespace xmldom
