#include "links/links.h"

#include "base/program_paths.h"
#include "links/shell_open.h"
#include "localization/language.h"

namespace {

bool IsRussian(std::string_view language) {
    constexpr std::string_view russian = "russian";
    if (language.size() != russian.size()) return false;
    for (std::size_t i = 0; i < russian.size(); ++i) {
        char c = language[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != russian[i]) return false;
    }
    return true;
}

}  // namespace

ShellTarget ReportTarget(std::string_view timeLogFileName, std::string_view computer, std::string_view sharedFolder) {
    std::string parameters = std::string(timeLogFileName) + " " + CurrentLanguage + " /computer:" + std::string(computer);
    // A backslash before the closing quote would read as an escaped quote.
    while (!sharedFolder.empty() && (sharedFolder.back() == '\\' || sharedFolder.back() == '/'))
        sharedFolder.remove_suffix(1);
    if (!sharedFolder.empty()) parameters += " /shared:\"" + std::string(sharedFolder) + "\"";
    return {ProgramDir + "Report.hta", parameters};
}

ShellTarget HelpTarget() {
    return {ProgramDir + Translate("Dialog/HelpFile"), ""};
}

ShellTarget UpdatePageTarget() {
    std::string address(MakerSite);
    address += "/ostrak/";
    address += IsRussian(CurrentLanguage) ? "ru" : "en";
    address += ".update.php?program_version=";
    address += ProgramVersion;
    address += "&report_version=";
    address += UpdateToken;
    return {address, ""};
}

void OpenReport(std::string_view timeLogFileName, std::string_view computer, std::string_view sharedFolder) {
    OpenInShell(ReportTarget(timeLogFileName, computer, sharedFolder));
}

void OpenHelp() { OpenInShell(HelpTarget()); }

void OpenUpdatePage() { OpenInShell(UpdatePageTarget()); }
