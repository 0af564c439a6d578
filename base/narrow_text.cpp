#include "base/narrow_text.h"

namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::size_t CutLength(std::string_view text, std::size_t limit, bool utf8) {
    if (text.size() <= limit) return text.size();
    std::size_t length = limit;
    // The byte after the cut continues a character that started before it: leave that
    // character out whole. Invalid runs of continuation bytes are never longer than three,
    // so a cut never loses more than a character's worth.
    if (utf8) {
        for (int steps = 0; steps < 3 && length > 0 && IsUtf8Continuation(text[length]); ++steps) --length;
        if (IsUtf8Continuation(text[length])) length = limit;
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
        if (c == '"') {
            c = '\'';
        } else if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
}
