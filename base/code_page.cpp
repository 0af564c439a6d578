#include "base/code_page.h"

#include <cstring>
#include <map>
#include <memory>

#include "base/code_page_platform.h"
#include "base/sse2.h"

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// A whole decimal number, or -1.
int ParseNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return -1;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

struct NamedCodePage {
    const char* name;
    int codePage;
};

// Names a declaration may carry besides the numbered forms handled in CodePageFromName.
constexpr NamedCodePage kNamedCodePages[] = {
    {"utf-8", kCodePageUtf8},      {"utf8", kCodePageUtf8},       {"us-ascii", 20127},
    {"ascii", 20127},              {"latin1", 28591},             {"koi8-r", 20866},
    {"koi8-u", 21866},             {"shift_jis", 932},            {"shift-jis", 932},
    {"sjis", 932},                 {"gb2312", 936},               {"gbk", 936},
    {"ks_c_5601-1987", 949},       {"euc-kr", 949},               {"big5", 950},
    {"euc-jp", 20932},             {"macintosh", 10000},          {"x-mac-cyrillic", 10007},
    {"ibm866", 866},               {"cp866", 866},
};

}  // namespace

int CodePageFromName(std::string_view name) {
    int codePage = 0;
    for (const NamedCodePage& entry : kNamedCodePages)
        if (EqualsIgnoringCase(name, entry.name)) codePage = entry.codePage;
    if (!codePage) {
        if (StartsWithIgnoringCase(name, "windows-")) {
            codePage = ParseNumber(name.substr(8));
        } else if (StartsWithIgnoringCase(name, "cp")) {
            codePage = ParseNumber(name.substr(2));
        } else if (StartsWithIgnoringCase(name, "iso-8859-")) {
            int part = ParseNumber(name.substr(9));
            codePage = part >= 1 && part <= 15 ? 28590 + part : 0;
        }
    }
    if (codePage <= 0) return 0;
    if (codePage == kCodePageUtf8) return codePage;
    if (FindSingleByteCodePage(codePage) || PlatformIsMultiByteCodePage(codePage)) return codePage;
    return 0;
}

std::string CodePageName(int codePage) {
    switch (codePage) {
    case 1251: return "Windows-1251";
    case kCodePageUtf8: return "UTF-8";
    case 20127: return "us-ascii";
    case 20866: return "koi8-r";
    case 21866: return "koi8-u";
    case 932: return "shift_jis";
    case 936: return "gb2312";
    case 949: return "ks_c_5601-1987";
    case 950: return "big5";
    case 866: return "ibm866";
    default: break;
    }
    if (codePage > 28590 && codePage <= 28605) return "iso-8859-" + std::to_string(codePage - 28590);
    return "windows-" + std::to_string(codePage);
}

const SingleByteCodePage* FindSingleByteCodePage(int codePage) {
    // Built on first use and kept: a handful of code pages at most in one run.
    static std::map<int, std::unique_ptr<SingleByteCodePage>> known;
    auto found = known.find(codePage);
    if (found != known.end()) return found->second.get();
    auto page = std::make_unique<SingleByteCodePage>();
    if (!PlatformSingleByteTable(codePage, page->decode)) {
        known.emplace(codePage, nullptr);
        return nullptr;
    }
    std::memset(page->encode, 0, sizeof page->encode);
    for (int byte = 0; byte < 256; ++byte) {
        std::string sequence;
        AppendUtf8(sequence, page->decode[byte]);
        page->utf8[byte][0] = static_cast<unsigned char>(sequence.size());
        std::memcpy(&page->utf8[byte][1], sequence.data(), sequence.size());
    }
    // Highest byte first, so that a code point two bytes share encodes to the lower one.
    for (int byte = 255; byte > 0; --byte) {
        char32_t codePoint = page->decode[byte];
        if (codePoint < 0x10000 && codePoint != 0xFFFD) page->encode[codePoint] = static_cast<unsigned char>(byte);
    }
    return known.emplace(codePage, std::move(page)).first->second.get();
}

char32_t NextCodePoint(const char*& p, const char* end) {
    auto byte = [&](int i) { return static_cast<unsigned char>(p[i]) & 0x3Fu; };
    unsigned char lead = static_cast<unsigned char>(*p);
    char32_t codePoint;
    int length;
    if (lead < 0x80) {
        codePoint = lead;
        length = 1;
    } else if (lead < 0xE0) {
        length = 2;
        codePoint = (lead & 0x1Fu) << 6;
    } else if (lead < 0xF0) {
        length = 3;
        codePoint = (lead & 0x0Fu) << 12;
    } else {
        length = 4;
        codePoint = (lead & 0x07u) << 18;
    }
    if (end - p < length) {  // cannot happen on valid text; stay safe on invalid text
        p = end;
        return 0xFFFD;
    }
    if (length == 2) codePoint |= byte(1);
    if (length == 3) codePoint |= (byte(1) << 6) | byte(2);
    if (length == 4) codePoint |= (byte(1) << 12) | (byte(2) << 6) | byte(3);
    p += length;
    return codePoint;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

namespace {

// Length of the leading ASCII run, eight bytes at a time.
std::size_t AsciiPrefix(std::string_view bytes) {
    std::size_t i = 0;
    const std::size_t size = bytes.size();
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < size && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
    return i;
}

const unsigned char* SkipAscii(const unsigned char* p, const unsigned char* end) {
    return p + AsciiPrefix(std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)));
}

#if OSTRAK_SSE2
// Past a run of ASCII and two-byte characters (Cyrillic, Greek, accented Latin), sixteen bytes
// at a time; it stops at the first byte beyond ASCII of anything else, or where fewer than
// sixteen bytes are left, and the check goes on byte by byte from there.
const unsigned char* SkipSimpleRun(const unsigned char* p, const unsigned char* end) {
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
        if (!high) {
            p += 16;
            continue;
        }
        // As signed bytes, continuations 0x80-0xBF are below -64 and the leads 0xC2-0xDF
        // lie from -62 to -33.
        const unsigned continuations = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(bytes, _mm_set1_epi8(-64))));
        const unsigned leads = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(-63)), _mm_cmplt_epi8(bytes, _mm_set1_epi8(-32)))));
        // A lead in the last byte has its continuation in the next sixteen.
        const unsigned completed = leads & 0x7FFF;
        if ((continuations | leads) != high || continuations != completed << 1) return p + __builtin_ctz(high);
        p += leads == completed ? 16 : 15;
    }
    return SkipAscii(p, end);
}
#else
// The portable twin: runs of ASCII only.
const unsigned char* SkipSimpleRun(const unsigned char* p, const unsigned char* end) { return SkipAscii(p, end); }
#endif

// Byte by byte after the lead, with the ranges of the second byte that rule out overlong forms,
// surrogates and values past U+10FFFF; runs of ASCII many bytes at a time.
bool CheckUtf8(std::string_view bytes, bool onlyXmlCharacters) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const unsigned char* const end = p + bytes.size();
    auto continuation = [](unsigned char byte) { return (byte & 0xC0) == 0x80; };
    while (p < end) {
        p = SkipSimpleRun(p, end);
        if (p == end) break;
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
        } else if (lead < 0xC2) {
            return false;  // a continuation byte, or an overlong form of ASCII
        } else if (lead < 0xE0) {
            if (end - p < 2 || !continuation(p[1])) return false;
            p += 2;
        } else if (lead < 0xF0) {
            if (end - p < 3 || !continuation(p[1]) || !continuation(p[2])) return false;
            if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] >= 0xA0)) return false;
            // U+FFFE and U+FFFF, which XML does not allow even as references.
            if (onlyXmlCharacters && lead == 0xEF && p[1] == 0xBF && p[2] >= 0xBE) return false;
            p += 3;
        } else if (lead < 0xF5) {
            if (end - p < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3])) return false;
            if ((lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] >= 0x90)) return false;
            p += 4;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) { return CheckUtf8(bytes, false); }
bool IsXmlUtf8(std::string_view bytes) { return CheckUtf8(bytes, true); }

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

std::uint64_t LoadWord(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return word;
}

}  // namespace

std::size_t Utf8SizeOfSingleByte(const SingleByteCodePage& page, std::string_view bytes) {
    std::size_t size = 0;
    std::size_t i = 0;
    const std::size_t count = bytes.size();
    for (; i + 8 <= count; i += 8) {
        if (!(LoadWord(bytes.data() + i) & kHighBits)) {
            size += 8;
            continue;
        }
        for (std::size_t k = i; k < i + 8; ++k) size += page.utf8[static_cast<unsigned char>(bytes[k])][0];
    }
    for (; i < count; ++i) size += page.utf8[static_cast<unsigned char>(bytes[i])][0];
    return size;
}

std::size_t DecodeSingleByte(const SingleByteCodePage& page, std::string_view bytes, char* out) {
    char* const start = out;
    std::size_t i = 0;
    const std::size_t count = bytes.size();
    auto decodeOne = [&](unsigned char byte) {
        const unsigned char* sequence = page.utf8[byte];
        std::memcpy(out, sequence + 1, 3);  // the buffer's slack takes the fixed three-byte copy
        out += sequence[0];
    };
    for (; i + 8 <= count; i += 8) {
        std::uint64_t word = LoadWord(bytes.data() + i);
        if (!(word & kHighBits)) {
            std::memcpy(out, &word, 8);
            out += 8;
            continue;
        }
        for (std::size_t k = i; k < i + 8; ++k) {
            auto byte = static_cast<unsigned char>(bytes[k]);
            if (byte < 0x80) *out++ = static_cast<char>(byte);
            else decodeOne(byte);
        }
    }
    for (; i < count; ++i) {
        auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) *out++ = static_cast<char>(byte);
        else decodeOne(byte);
    }
    return static_cast<std::size_t>(out - start);
}

bool DecodeToUtf8(int codePage, std::string_view bytes, std::string& utf8) {
    if (codePage == kCodePageUtf8) {
        if (!IsValidUtf8(bytes)) return false;
        utf8.assign(bytes);
        return true;
    }
    if (const SingleByteCodePage* page = FindSingleByteCodePage(codePage)) {
        const std::size_t size = Utf8SizeOfSingleByte(*page, bytes);
        utf8.resize(size + 3);
        DecodeSingleByte(*page, bytes, &utf8[0]);
        utf8.resize(size);
        return true;
    }
    if (PlatformIsMultiByteCodePage(codePage)) return PlatformDecodeMultiByte(codePage, bytes, utf8);
    return false;
}

std::string EncodeFromUtf8(int codePage, std::string_view utf8, char replacement) {
    if (codePage == kCodePageUtf8) return std::string(utf8);
    std::string out;
    if (const SingleByteCodePage* page = FindSingleByteCodePage(codePage)) {
        const char fallback = replacement ? replacement : '?';
        out.reserve(utf8.size());
        const char* p = utf8.data();
        const char* end = p + utf8.size();
        while (p < end) {
            std::size_t ascii = AsciiPrefix(std::string_view(p, end - p));
            out.append(p, ascii);
            p += ascii;
            while (p < end && static_cast<unsigned char>(*p) >= 0x80) {
                char32_t c = NextCodePoint(p, end);
                unsigned char byte = c < 0x10000 ? page->encode[c] : 0;
                out += byte ? static_cast<char>(byte) : fallback;
            }
        }
        return out;
    }
    if (PlatformIsMultiByteCodePage(codePage) && PlatformEncodeMultiByte(codePage, utf8, out)) return out;
    // An unusable code page keeps only what every code page shares.
    for (char c : utf8) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return out;
}

namespace {

// The length of the valid UTF-8 sequence at `at`, or of the longest start of one that is
// cut off or broken there (at least one byte), negated. The second byte's range rules out
// overlong forms, surrogates and values past U+10FFFF.
int Utf8SequenceAt(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    int length;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return -1;
    }
    int taken = 1;
    while (taken < length && at + taken < bytes.size()) {
        const auto next = static_cast<unsigned char>(bytes[at + taken]);
        if (next < low || next > high) break;
        low = 0x80;
        high = 0xBF;
        ++taken;
    }
    return taken == length ? length : -taken;
}

}  // namespace

std::string DecodeReplacingInvalid(int codePage, std::string_view bytes) {
    std::string utf8;
    if (DecodeToUtf8(codePage, bytes, utf8)) return utf8;
    utf8.clear();
    if (codePage == kCodePageUtf8) {
        utf8.reserve(bytes.size() + 8);
        std::size_t at = 0;
        while (at < bytes.size()) {
            const std::size_t ascii = AsciiPrefix(bytes.substr(at));
            utf8.append(bytes.substr(at, ascii));
            at += ascii;
            if (at >= bytes.size()) break;
            const int length = Utf8SequenceAt(bytes, at);
            if (length > 0) {
                utf8.append(bytes.substr(at, static_cast<std::size_t>(length)));
                at += static_cast<std::size_t>(length);
            } else {
                utf8 += "\xEF\xBF\xBD";
                at += static_cast<std::size_t>(-length);
            }
        }
        return utf8;
    }
    if (PlatformIsMultiByteCodePage(codePage) && PlatformDecodeMultiByte(codePage, bytes, utf8, true)) return utf8;
    // A code page we cannot read at all: keep what every code page shares.
    utf8.clear();
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x80) utf8 += c;
        else utf8 += "\xEF\xBF\xBD";
    }
    return utf8;
}

std::string NarrowToUtf8(std::string_view narrow) {
    if (AsciiPrefix(narrow) == narrow.size()) return std::string(narrow);
    // Narrow text invalid in the ANSI code page happens only with a multibyte one (a title
    // that a program cut in the middle of a character): the rest of it stays readable.
    return DecodeReplacingInvalid(NarrowCodePage(), narrow);
}

std::string Utf8ToNarrow(std::string_view utf8) {
    if (AsciiPrefix(utf8) == utf8.size()) return std::string(utf8);
    return EncodeFromUtf8(NarrowCodePage(), utf8);
}
