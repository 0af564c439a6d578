#include "links/links.h"

#include "links/shell_open.h"
#include "localization/language.h"
#include "tracking/program_paths.h"
#include "tracking/time_log.h"

std::string CurrentLanguage;

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

ShellTarget ReportTarget() {
    return {ProgramDir + "Report.hta", TimeLogFileName + " " + CurrentLanguage};
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

void OpenReport() {
    // The report must read every second credited so far.
    SaveTimeLog();
    OpenInShell(ReportTarget());
}

void OpenHelp() { OpenInShell(HelpTarget()); }

void OpenUpdatePage() { OpenInShell(UpdatePageTarget()); }
