#include "base/narrow_text.h"

namespace {

int ReplacedCodePage = 0;

bool IsUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The number of bytes a UTF-8 sequence with this first byte has; 0 for a continuation byte
// or a byte that starts nothing.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC0 && lead < 0xE0) return 2;
    if (lead >= 0xE0 && lead < 0xF0) return 3;
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    return 0;
}

}  // namespace

// Defined by the platform twin: GetACP() on Windows, 1251 elsewhere.
int PlatformNarrowCodePage();

int NarrowCodePage() { return ReplacedCodePage ? ReplacedCodePage : PlatformNarrowCodePage(); }

void SetNarrowCodePage(int codePage) { ReplacedCodePage = codePage; }

bool NarrowTextIsUtf8() { return NarrowCodePage() == kCodePageUtf8; }

std::size_t CutLength(std::string_view text, std::size_t limit, bool utf8) {
    std::size_t length = text.size() < limit ? text.size() : limit;
    if (!utf8) return length;
    // The last character that starts within the last four bytes must end within the cut; if
    // it does not, it is left out whole. Stray continuation bytes with no start before them
    // are no character to keep whole and stay as they are.
    for (std::size_t back = 1; back <= 4 && back <= length; ++back) {
        const auto byte = static_cast<unsigned char>(text[length - back]);
        if (IsUtf8Continuation(byte)) continue;
        const std::size_t needed = SequenceLength(byte);
        if (needed > back) length -= back;
        break;
    }
    return length;
}

std::string_view CutText(std::string_view text, std::size_t limit) {
    return text.substr(0, CutLength(text, limit, NarrowTextIsUtf8()));
}

void CutText(std::string& text, std::size_t limit) {
    text.resize(CutLength(text, limit, NarrowTextIsUtf8()));
}

void CleanName(std::string& name) {
    for (char& c : name) {
        if (c == '"') c = '\'';
    }
    BlankControlCharacters(name);
}

void BlankControlCharacters(std::string& text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
}
