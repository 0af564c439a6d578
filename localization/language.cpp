#include "localization/language.h"

#include "settings/settings.h"
#include "tracking/program_paths.h"
#include "tracking/sampler.h"

std::unique_ptr<XmlDocument> LanguageDocument;

namespace {

// The sampler copies InactiveName into a 256-byte name.
constexpr std::size_t kInactiveNameLimit = 255;

// InactiveName becomes an application name of the time log, whose queries put names between
// double quotes: a quote in it would never be found again and every idle stretch would add
// an element. Control characters have no place in an attribute either. Titles are cleaned
// the same way.
std::string CleanInactiveName(std::string name) {
    for (char& c : name) {
        if (c == '"') {
            c = '\'';
        } else if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
    if (name.size() > kInactiveNameLimit) name.resize(kInactiveNameLimit);
    return name;
}

}  // namespace

void LoadLanguage() {
    InactiveName.clear();
    LanguageDocument = CreateXmlDocument();
    const std::string name = ReadSettingText("Options", "Lang", "English");
    // A failed load leaves the document empty: every key then gives the empty text.
    if (!LanguageDocument->Load(ProgramDir + "Lang." + name + ".xml")) return;
    InactiveName = CleanInactiveName(Translate("Common/Inactive"));
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
