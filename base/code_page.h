// Conversions between narrow text in a code page and UTF-8, the DOM's inner form.
// The platform decides the ANSI code page and which code pages exist.
#pragma once

#include <string>
#include <string_view>

#include "base/narrow_text.h"

// The code page for an encoding name of an XML declaration ("windows-1251", "iso-8859-1",
// "utf-8", ...), letter case ignored; 0 when the name is unknown or the platform lacks it.
int CodePageFromName(std::string_view name);

// The name a saved file's declaration gives for a code page: "Windows-1251" for 1251.
std::string CodePageName(int codePage);

// Bytes in a code page to UTF-8. False when the code page is unusable or the bytes are not
// valid in it (malformed UTF-8, for instance).
bool DecodeToUtf8(int codePage, std::string_view bytes, std::string& utf8);

// UTF-8 to bytes in a code page; a character the code page cannot show becomes
// `replacement` when given, otherwise the code page's default character.
std::string EncodeFromUtf8(int codePage, std::string_view utf8, char replacement = 0);

// Bytes in a code page to UTF-8 whatever they hold: a sequence that is not valid in the code
// page becomes U+FFFD, and only that sequence.
std::string DecodeReplacingInvalid(int codePage, std::string_view bytes);

// Narrow text in the ANSI code page to and from UTF-8; ASCII passes through untouched.
std::string NarrowToUtf8(std::string_view narrow);
std::string Utf8ToNarrow(std::string_view utf8);
