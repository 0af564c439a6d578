// What the platform supplies to the code-page conversions: the ANSI code page and the
// tables or converters of the code pages it knows.
#pragma once

#include <string>
#include <string_view>

// True when the code page exists and is single-byte: `table` then maps every byte to its
// code point.
bool PlatformSingleByteTable(int codePage, char32_t table[256]);
// Multibyte code pages other than UTF-8 (only Windows has them): whole-string conversions.
bool PlatformIsMultiByteCodePage(int codePage);
// Decoding fails on bytes invalid in the code page unless `replaceInvalid` asks for them to
// be replaced.
bool PlatformDecodeMultiByte(int codePage, std::string_view bytes, std::string& utf8, bool replaceInvalid = false);
bool PlatformEncodeMultiByte(int codePage, std::string_view utf8, std::string& bytes);

// A single-byte code page both ways, built once from the platform's table. Code points
// beyond the basic plane are never in a single-byte code page.
struct SingleByteCodePage {
    char32_t decode[256];
    // Each byte as UTF-8: its length, then up to three bytes.
    unsigned char utf8[256][4];
    // 0 for "not in this code page"; the byte 0 itself is never looked up this way.
    unsigned char encode[0x10000];
};
const SingleByteCodePage* FindSingleByteCodePage(int codePage);
// The UTF-8 size of bytes in a single-byte code page, and the decoding into a buffer of that
// size plus three bytes of slack; the decoding returns the size it wrote.
std::size_t Utf8SizeOfSingleByte(const SingleByteCodePage& page, std::string_view bytes);
std::size_t DecodeSingleByte(const SingleByteCodePage& page, std::string_view bytes, char* out);

// Reads one UTF-8 sequence at `p` (which must be valid UTF-8, as the DOM's text always is)
// and returns its code point, advancing `p`.
char32_t NextCodePoint(const char*& p, const char* end);
void AppendUtf8(std::string& out, char32_t codePoint);
// Strict UTF-8 check: no overlong forms, surrogates or values past U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
// The same, and no character that XML cannot carry at all, not even as a reference (U+FFFE,
// U+FFFF); control characters are not looked at.
bool IsXmlUtf8(std::string_view bytes);
