#include "localization/language.h"

#include "base/program_paths.h"
#include "settings/settings.h"

std::unique_ptr<XmlDocument> LanguageDocument;
std::string CurrentLanguage;

namespace {

constexpr std::string_view kLanguageFilePrefix = "Lang.";
constexpr std::string_view kLanguageFileSuffix = ".xml";

}  // namespace

std::string LanguageFileName(std::string_view language) {
    std::string name(kLanguageFilePrefix);
    return name.append(language).append(kLanguageFileSuffix);
}

std::string LanguageOfFileName(std::string_view fileName) {
    // The file search matched the prefix and suffix already, in any letter case.
    if (fileName.size() <= kLanguageFilePrefix.size() + kLanguageFileSuffix.size()) return {};
    return std::string(
        fileName.substr(kLanguageFilePrefix.size(), fileName.size() - kLanguageFilePrefix.size() - kLanguageFileSuffix.size()));
}

void LoadLanguage() {
    CurrentLanguage = ReadSettingText("Options", LanguageSettingName, DefaultLanguage);
    LanguageDocument = CreateXmlDocument();
    // A failed load leaves the document empty: every key then gives the empty text.
    if (LanguageDocument) LanguageDocument->Load(ProgramDir + LanguageFileName(CurrentLanguage));
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
