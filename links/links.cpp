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

ShellTarget ReportTarget(std::string_view timeLogFileName) {
    return {ProgramDir + "Report.hta", std::string(timeLogFileName) + " " + CurrentLanguage};
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

void OpenReport(std::string_view timeLogFileName) { OpenInShell(ReportTarget(timeLogFileName)); }

void OpenHelp() { OpenInShell(HelpTarget()); }

void OpenUpdatePage() { OpenInShell(UpdatePageTarget()); }
