// The time the log file does not hold yet: kept in memory beside the log, written to the crash
// journal as it is credited, and set aside in a side file ("<user>-Time.unsaved-YYYYMMDD-
// HHMMSS.xml", the log's form) when the log cannot take it. The next start adds a journal
// that still follows the log file, and every side file, to the log, each exactly once.
//
// Why nothing counts twice: a journal counts only while the log file is the very one its head
// names; the save that puts its time in the log changes the file, and the journal begins anew
// after it. A side file is taken by writing a journal that names it done and holds its time,
// in one replace, before the side file is removed. A side file written from the journal's time
// names the journal's generation, and a journal whose generation a side file names counts no more.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_access.h"
#include "files/save_result.h"
#include "tracking/journal.h"
#include "xmlstore/xml_document.h"

// "<user>-Time.<computer>.journal" beside the log: each computer keeps its own.
std::string JournalPath();

// Starts keeping what the log file (as `log` stamps it) lacks, and takes what earlier runs left
// for it: the journal when it follows that very file, and every side file not yet taken. Returns
// what they hold, to be added to the log.
std::unique_ptr<XmlDocument> OpenUnsavedTime(const FileStamp& log);
// A credit the log file lacks until the next good save; its journal line waits for
// WriteNotedCredits, so that a stretch's pieces go out in one write.
void NoteCredit(const LocalDateTime& day, std::string_view app, std::string_view doc, int seconds);
void WriteNotedCredits();
// What would be credited if the program ended now: written to the journal in place of the
// previous front.
void NoteFront(const std::vector<DayCredit>& front);
// The log file (stamped `log`) now holds every credit: the journal begins anew.
void NoteLogWritten(const FileStamp& log);
// The log file is now another one (stamped `log`) that still lacks what is kept: the journal
// follows it from here.
void NoteLogReplaced(const FileStamp& log);
// Writes what the log lacks to a new side file beside the log, or in the local data folder when
// that cannot be written; it then no longer waits here. Nothing to do is a success.
SaveResult SetUnsavedTimeAside();
// Takes the side files that appeared or opened since the start (not those this run wrote);
// null when none was taken. What they hold is kept here already; the caller adds it to the log.
std::unique_ptr<XmlDocument> TakeSideFiles();
bool HasUnsavedTime();
// Side files that wait to be added to a log: ones that could not be taken yet, and those this
// run wrote. The folder of the first, with its final separator; empty when none waits.
bool SideFilesWait();
std::string WaitingSideFileFolder();
void CloseUnsavedTime();
