// The report, the help file and the update page: what the shell is asked to open.
#pragma once

#include <string>
#include <string_view>

// The language name as stored in the settings; set by the General page, read here.
extern std::string CurrentLanguage;

constexpr std::string_view ProgramVersion = "1.01";
// The maker's web site: one constant, so that it is changed in one place.
constexpr std::string_view MakerSite = "http://ostrak.example.org";
// Sent unchanged with every update request.
constexpr std::string_view UpdateToken = "jgjjvttfbfuj88oamz1innpy45qzirsqdggkgboxh6ayzekf65lau5uyjf";

struct ShellTarget {
    std::string target;
    std::string parameters;
};

// ProgramDir + "Report.hta", with the log's file name and the language as parameters.
ShellTarget ReportTarget();
// ProgramDir + the language's help file name; the folder itself when the language names none.
ShellTarget HelpTarget();
// The update page for the current language and version.
ShellTarget UpdatePageTarget();

// Saves the time log, then starts the report.
void OpenReport();
void OpenHelp();
void OpenUpdatePage();
