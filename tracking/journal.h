// The crash journal: a text file beside the time log that holds what the log file lacks, so
// that a process that ends without its last save loses at most the last minute.
//
// It is UTF-8, one record a line, fields separated by tabs, a tab, line break or backslash in a
// name written as \t, \n or \\. Its head names the log file it follows (its size and write
// time as the folder records them) and the journal's generation; "done" lines name side files
// whose time the log or this journal already holds. Then come credits ("+") as they are made,
// and the stretch in front ("~" lines after a "=" line), written again from time to time: only
// the last front counts, and only when no credit followed it (that credit took its place).
// A line without its line break was cut by a crash and is not read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "files/file_access.h"
#include "tracking/calendar.h"

// Seconds credited to an application and document on a day; names in narrow text.
struct DayCredit {
    LocalDateTime day;  // year, month and day
    int seconds = 0;
    std::string app;
    std::string doc;
};

struct Journal {
    FileStamp log;
    std::string generation;
    std::vector<std::string> done;
    // The credits, then the front when it counts.
    std::vector<DayCredit> credits;
};

// False when the file is missing, cannot be read, or its head is not whole.
bool ParseJournal(std::string_view text, Journal& journal);

// The head of a journal, ended by a line break.
std::string JournalHead(const FileStamp& log, std::string_view generation, const std::vector<std::string>& done);
// One credit's line ("+") or one line of the front ("~").
std::string JournalCreditLine(const DayCredit& credit, bool front = false);
// The line that begins a new front.
inline constexpr std::string_view kJournalFrontStart = "=\n";

// The fields of the tracker's own text files (this journal, the Forget's intent file): separated
// by tabs, with the tab, the line ends and the backslash escaped, in UTF-8.
void AppendEscapedField(std::string& line, std::string_view utf8);
std::string UnescapedField(std::string_view field);
std::vector<std::string_view> SplitFields(std::string_view line);
