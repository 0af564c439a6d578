// The user interface language: one language file read at start, and the lookup of a text by
// its key ("Dialog/Ok", "WhereShort1").
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "xmlstore/xml_document.h"

// The chosen language's file, read once at start and never changed; absent before
// LoadLanguage and after FreeLanguage. A file that could not be read leaves it empty.
extern std::unique_ptr<XmlDocument> LanguageDocument;
// The language name as stored in the settings when the language was loaded ("English"); the
// report and the update page are given it.
extern std::string CurrentLanguage;

// "Lang.<language>.xml", the name of a language's file in the program folder; "*" for the
// language gives the pattern that finds them all.
std::string LanguageFileName(std::string_view language);
// The language of a file name that pattern found; empty when it names none ("Lang..xml").
std::string LanguageOfFileName(std::string_view fileName);

// Sets CurrentLanguage from the settings and loads its language file.
void LoadLanguage();
void FreeLanguage();

// The text of a key: the value of the first child of the first element the key names, in
// document order and at any depth. Empty when there is none, or the text is no key at all.
std::string Translate(std::string_view key);
