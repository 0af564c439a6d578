// Narrow text for the platform's W functions. GDI's A functions read text in the code page of
// the selected font's character set, not in the process's ANSI code page: with UTF-8 as that
// code page a Cyrillic label would be drawn as Windows-1252 mojibake. Whatever draws or
// measures narrow text itself converts it here and uses the W functions.
#pragma once

#include <string>
#include <string_view>

// The narrow text in the ANSI code page as UTF-16.
std::wstring WideText(std::string_view narrow);
