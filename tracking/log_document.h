// A document in the time log's form: <Ostrak>, its Date elements, their App and Doc children,
// each with its seconds. The log itself, and the pieces of time kept apart from it, have it.
#pragma once

#include <functional>
#include <memory>
#include <vector>
#include <string_view>

#include "tracking/calendar.h"
#include "tracking/journal.h"
#include "xmlstore/xml_document.h"

// True when the document's element is Ostrak.
bool IsUsableLog(const XmlDocument& document);

// The last Date found in a document, so that a credit need not search a log of many years.
// Nodes are never removed while their document lives; the document is kept beside the node
// so that a replaced one is never searched through a stale handle.
struct DayCache {
    XmlNode day;
    const XmlDocument* document = nullptr;
};

// Adds the seconds to that day's Date, its App and, unless the document name is empty, that
// App's Doc, creating whatever is missing.
void CreditTimeTo(XmlDocument& log, DayCache& cache, const LocalDateTime& day, std::string_view appName,
                  std::string_view docName, int seconds);

// Each document's time, and each application's time that no document took, with the day
// (hour and minute zero); names as the document holds them, in narrow text.
using CreditVisitor =
    std::function<void(const LocalDateTime& day, const std::string& app, const std::string& doc, int seconds)>;
void VisitCredits(const XmlDocument& log, const CreditVisitor& visit);

// Credits what `recorded` holds to `log`.
void AddRecordedTime(XmlDocument& log, DayCache& cache, const XmlDocument& recorded);

// A copy of the log with the pieces' seconds taken out of their days, applications and
// documents (never below zero). On those days an application or document left with no
// seconds is left out, and so is a day left with none: no name stays without its time.
std::unique_ptr<XmlDocument> CopyTakingOut(const XmlDocument& log, const std::vector<DayCredit>& pieces);
