// The per-user time log: seconds per day, application and document, held in memory as one
// XML document from start to shutdown and written whole by each save.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "tracking/platform_seams.h"
#include "xmlstore/xml_document.h"

extern std::unique_ptr<XmlDocument> TimeLog;
extern std::string TimeLogFileName;  // UserName + "-Time.xml"; the report is given this name
extern std::string TimeLogPath;      // ProgramDir + TimeLogFileName

// ProgramDir + UserName + "-Time.xml": where OpenTimeLog finds the log of the user.
std::string UserTimeLogPath();

// Loads the log (or starts an empty one) and starts the sampling timer.
void OpenTimeLog();
// False when there is no log to save or its file could not be written; the file then stays
// as it was.
bool SaveTimeLog();
// Kills the sampling timer and releases the log; call after the last save.
void CloseTimeLog();

// Adds the seconds to today's Date, its App and, unless the document name is empty, that
// App's Doc, creating whatever is missing.
void CreditTime(std::string_view appName, std::string_view docName, int seconds);
void AddToTimeAttribute(XmlNode element, int seconds);
// Days since 30 December 1899 (1 January 1900 is 2), from the calendar fields alone.
int DaySerial(const LocalDateTime& time);
