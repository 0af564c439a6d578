// The per-user time log: seconds per day, application and document, held in memory as one
// XML document from start to shutdown and written whole by each save.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "tracking/calendar.h"
#include "xmlstore/xml_document.h"

extern std::unique_ptr<XmlDocument> TimeLog;
extern std::string TimeLogFileName;  // UserName + "-Time.xml"; the report is given this name
extern std::string TimeLogPath;      // ProgramDir + TimeLogFileName

// ProgramDir + UserName + "-Time.xml": where OpenTimeLog finds the log of the user.
std::string UserTimeLogPath();

// Loads the log, or starts an empty one; false when there is no log to record into. A log file
// that exists but cannot be opened (another program holds it) is neither set aside nor
// overwritten: the run records into a fresh log until the file opens. What an earlier run left
// for this file (its crash journal, side files) is added.
bool OpenTimeLog();
// Fails when there is no log to save, while the log file is held, when another writer changed
// it (what this run recorded since then goes to a side file instead), or when its file could
// not be written (the file then stays as it was).
SaveResult SaveTimeLog();
// Writes `changed` (a copy of the log with something taken back) in the log file's place and,
// once written, makes it the log; the journal begins anew. Fails, changing nothing, as
// SaveTimeLog would, and while the log is held or another writer changed it.
SaveResult ReplaceTimeLog(std::unique_ptr<XmlDocument> changed);
// Releases the log; call after the last save.
void CloseTimeLog();

// True while the log file could not be opened at start and has not been opened since.
bool TimeLogIsHeld();
// True once a save found the log file changed by another writer: it is not written any more.
bool OtherWriterChangedLog();
// Adds the side files that appeared or opened since the start to the log.
void TakeSideFilesIntoLog();
// Tries to open a held log file again. When it opens, the time recorded meanwhile is added
// to it (day, application and document times, as crediting would) and it becomes the log.
// True when the log is no longer held.
bool ReopenHeldTimeLog();
// How often the program tries a held log file again.
constexpr unsigned kHeldTimeLogRetryMs = 30000;

// Adds the seconds to that day's Date, its App and, unless the document name is empty, that
// App's Doc, creating whatever is missing; nothing without a log.
void CreditTime(const LocalDateTime& day, std::string_view appName, std::string_view docName, int seconds);
