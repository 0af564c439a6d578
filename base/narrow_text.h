// Narrow text as the program keeps it: the limits of names, titles and texts, the one cut that
// honours them without splitting a character, and the cleaning of names for the time log.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A name cut out of a title or copied from a pattern, a project name, a filter text, a stored
// setting, a menu or selector text, an editor's text. The report keeps names to the same limit
// (delivered/report/report-logic.js); the layering check compares the two.
constexpr std::size_t kNameLimit = 254;
// A whole window title, or a name made from one whole (the idle name): one byte more.
constexpr std::size_t kTitleLimit = kNameLimit + 1;
// The buffers such texts are read into, terminator included.
constexpr std::size_t kNameBufferSize = kNameLimit + 1;
constexpr std::size_t kTextBufferSize = kTitleLimit + 1;

constexpr int kCodePageUtf8 = 65001;

// The code page narrow text is in: the process's ANSI code page (UTF-8 where the manifest's
// wish is honoured), Windows-1251 off Windows, unless a test has put another in its place.
int NarrowCodePage();
// Puts a code page in the place of the platform's; 0 gives the platform's back.
void SetNarrowCodePage(int codePage);
// True when narrow text is UTF-8; otherwise every byte is a character.
bool NarrowTextIsUtf8();

// The length of the longest start of `text` of at most `limit` bytes that ends on a character
// boundary; `utf8` tells whether the bytes are UTF-8 or single-byte characters. A text that
// fits but ends in an incomplete sequence (the platform cut it to its buffer) loses that end.
std::size_t CutLength(std::string_view text, std::size_t limit, bool utf8);
// The start of `text` of at most `limit` bytes that ends on a character boundary of narrow text.
std::string_view CutText(std::string_view text, std::size_t limit);
void CutText(std::string& text, std::size_t limit);

// Makes a name safe to store in the time log, whose queries put names between double quotes
// and whose readers expect no control characters: a double quote becomes a single one and
// every control character a blank.
void CleanName(std::string& name);
// Every control character becomes a blank, so that a tab or line break in a title separates
// like a space.
void BlankControlCharacters(std::string& text);
