// The report, the help file and the update page: what the shell is asked to open.
#pragma once

#include <string>
#include <string_view>

#include "base/version.h"

// The maker's web site: one constant, so that it is changed in one place.
constexpr std::string_view MakerSite = "http://ostrak.example.org";
// Sent unchanged with every update request.
constexpr std::string_view UpdateToken = "jgjjvttfbfuj88oamz1innpy45qzirsqdggkgboxh6ayzekf65lau5uyjf";

struct ShellTarget {
    std::string target;
    std::string parameters;
};

// ProgramDir + "Report.hta", with the log's file name, CurrentLanguage, "/computer:<name>" and,
// when a shared folder is set, "/shared:"<folder>"" (without its final backslash) as parameters.
ShellTarget ReportTarget(std::string_view timeLogFileName, std::string_view computer, std::string_view sharedFolder);
// ProgramDir + the language's help file name; the folder itself when the language names none.
ShellTarget HelpTarget();
// The update page for CurrentLanguage and this version.
ShellTarget UpdatePageTarget();

// Starts the report on the log of that file name; the caller saves the log first, so that the
// report reads every second credited so far.
void OpenReport(std::string_view timeLogFileName, std::string_view computer, std::string_view sharedFolder);
void OpenHelp();
void OpenUpdatePage();
