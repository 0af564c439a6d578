#include "localization/language.h"

#include "base/program_paths.h"
#include "settings/settings.h"

std::unique_ptr<XmlDocument> LanguageDocument;
std::string CurrentLanguage;

void LoadLanguage() {
    CurrentLanguage = ReadSettingText("Options", "Lang", "English");
    LanguageDocument = CreateXmlDocument();
    // A failed load leaves the document empty: every key then gives the empty text.
    if (LanguageDocument) LanguageDocument->Load(ProgramDir + "Lang." + CurrentLanguage + ".xml");
}

void FreeLanguage() {
    LanguageDocument.reset();
}

std::string Translate(std::string_view key) {
    if (!LanguageDocument) return {};
    // A text that is not a key ("Save as", "1.01", an address) makes no valid query and finds
    // nothing.
    std::string query = "//";
    query += key;
    XmlNode element = LanguageDocument->AsNode().SelectSingleNode(query);
    if (!element) return {};
    // An element child has no value, so an element that holds markup first gives nothing.
    XmlNode first = element.FirstChild();
    if (!first) return {};
    return first.Value();
}
