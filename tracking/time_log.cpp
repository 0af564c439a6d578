#include "tracking/time_log.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "base/program_paths.h"

std::unique_ptr<XmlDocument> TimeLog;
std::string TimeLogFileName;
std::string TimeLogPath;

namespace {

std::uintptr_t SamplingTimerId = 0;

std::string UserTimeLogFileName() { return UserName + "-Time.xml"; }

// Today's Date as last found or created, so that a credit need not search a log of many
// years. Nodes are never removed while their document lives; the document it was found in
// is kept beside it so that a replaced log is never searched through a stale handle.
XmlNode LastFoundDay;
const XmlDocument* LastFoundDayDocument = nullptr;

void ForgetLastFoundDay() {
    LastFoundDay = XmlNode();
    LastFoundDayDocument = nullptr;
}

enum class FileState { Missing, Empty, Present };

// A file that exists but cannot be opened (locked, no permission) counts as present: its
// contents are unknown, so they must not be overwritten.
FileState ProbeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return errno == ENOENT ? FileState::Missing : FileState::Present;
    bool empty = std::fgetc(file) == EOF;
    std::fclose(file);
    return empty ? FileState::Empty : FileState::Present;
}

// Moves a log we cannot use to a dated name beside it, so that the first save of the new
// log cannot destroy what may be years of data.
bool SetAsideUnreadableLog() {
    LocalDateTime now = ActiveClock().Now();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d", now.year, now.month, now.day,
                  now.hour, now.minute);
    std::string stem = ProgramDir + UserName + "-Time.unreadable-" + stamp;
    // Several set-asides within one minute get a counter; give up on an absurd number.
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        std::string aside = stem;
        if (attempt > 1) aside += "-" + std::to_string(attempt);
        aside += ".xml";
        if (ProbeFile(aside) != FileState::Missing) continue;
        return std::rename(TimeLogPath.c_str(), aside.c_str()) == 0;
    }
    return false;
}

bool IsUsableLog(const XmlDocument& document) {
    XmlNode root = document.DocumentElement();
    return root && root.NameUtf8() == "Ostrak";
}

struct DecimalText {
    char digits[16];
    std::size_t size;
    std::string_view View() const { return {digits, size}; }
};

DecimalText ToDecimal(int value) {
    DecimalText text;
    text.size = static_cast<std::size_t>(
        std::to_chars(text.digits, text.digits + sizeof text.digits, value).ptr - text.digits);
    return text;
}

// The first attribute of that name, compared as text: the same test the day query makes.
bool AttributeTextIs(XmlNode element, std::string_view name, std::string_view expected) {
    for (XmlAttribute attribute = element.FirstAttribute(); attribute; attribute = attribute.Next()) {
        if (attribute.NameUtf8() == name) return attribute.ValueUtf8() == expected;
    }
    return false;
}

XmlNode FindOrCreateDay(const LocalDateTime& now) {
    DecimalText year = ToDecimal(now.year), month = ToDecimal(now.month), day = ToDecimal(now.day);
    if (LastFoundDay && LastFoundDayDocument == TimeLog.get() &&
        AttributeTextIs(LastFoundDay, "y", year.View()) &&
        AttributeTextIs(LastFoundDay, "m", month.View()) &&
        AttributeTextIs(LastFoundDay, "d", day.View())) {
        return LastFoundDay;
    }

    // The days are the children of the document element, in the order they first got time: a
    // search among them alone passes a few thousand elements, where a search of the whole
    // document would pass every application and document of every day. Of two days with the
    // same date (a hand edit, a clock set back) the first is taken.
    XmlNode root = TimeLog->DocumentElement();
    if (!root || root.NameUtf8() != "Ostrak") return XmlNode();
    XmlNode found;
    for (XmlNode child = root.FirstChild(); child && !found; child = child.NextSibling()) {
        if (child.Kind() == XmlNodeKind::Element && child.NameUtf8() == "Date" &&
            AttributeTextIs(child, "y", year.View()) && AttributeTextIs(child, "m", month.View()) &&
            AttributeTextIs(child, "d", day.View()))
            found = child;
    }
    if (!found) {
        XmlNode created = TimeLog->CreateElement("Date");
        if (!created) return XmlNode();
        created.SetAttribute("id", std::int64_t{DaySerial(now)});
        created.SetAttribute("y", std::int64_t{now.year});
        created.SetAttribute("m", std::int64_t{now.month});
        created.SetAttribute("d", std::int64_t{now.day});
        found = root.AppendChild(created);
        if (!found) return XmlNode();
    }
    LastFoundDay = found;
    LastFoundDayDocument = TimeLog.get();
    return found;
}

// The child `kind` element of `parent` whose name attribute is `name`, appended when missing.
XmlNode FindOrCreateNamed(XmlNode parent, std::string_view kind, std::string_view name) {
    std::string query;
    query.reserve(kind.size() + name.size() + 16);
    query.append(kind).append("[@name = \"").append(name).append("\"]");
    XmlNode found = parent.SelectSingleNode(query);
    if (found) return found;
    XmlNode created = TimeLog->CreateElement(kind);
    if (!created) return XmlNode();
    created.SetAttribute("name", name);
    return parent.AppendChild(created);
}

}  // namespace

std::string UserTimeLogPath() { return ProgramDir + UserTimeLogFileName(); }

void OpenTimeLog() {
    ForgetLastFoundDay();
    TimeLogFileName = UserTimeLogFileName();
    TimeLogPath = ProgramDir + TimeLogFileName;

    TimeLog = CreateXmlDocument();
    if (!TimeLog) return;

    if (!TimeLog->Load(TimeLogPath) || !IsUsableLog(*TimeLog)) {
        // A missing or empty file is a first run; anything else holds data we cannot read,
        // and it may not be overwritten. If it cannot be moved aside, run without a log.
        if (ProbeFile(TimeLogPath) == FileState::Present && !SetAsideUnreadableLog()) {
            TimeLog.reset();
            return;
        }
        TimeLog = CreateXmlDocument();
        if (!TimeLog || !TimeLog->LoadXml("<Ostrak/>")) return;
    }

    SamplingTimerId = ActiveSamplingTimer().Start();
}

bool SaveTimeLog() {
    // A log without its document element never reached a usable state; writing it would
    // only replace the file with nothing.
    if (!TimeLog || !TimeLog->DocumentElement()) return false;
    return SaveXmlDocument(*TimeLog, TimeLogPath);
}

void CloseTimeLog() {
    if (SamplingTimerId != 0) {
        ActiveSamplingTimer().Stop(SamplingTimerId);
        SamplingTimerId = 0;
    }
    ForgetLastFoundDay();
    TimeLog.reset();
}

void CreditTime(std::string_view appName, std::string_view docName, int seconds) {
    if (!TimeLog) return;
    // The date at the moment of crediting decides the day.
    LocalDateTime now = ActiveClock().Now();

    XmlNode day = FindOrCreateDay(now);
    if (!day) return;
    AddToTimeAttribute(day, seconds);

    XmlNode app = FindOrCreateNamed(day, "App", appName);
    if (!app) return;
    AddToTimeAttribute(app, seconds);

    if (docName.empty()) return;
    XmlNode doc = FindOrCreateNamed(app, "Doc", docName);
    if (!doc) return;
    AddToTimeAttribute(doc, seconds);
}

void AddToTimeAttribute(XmlNode element, int seconds) {
    std::int32_t current = 0;
    std::int64_t total = seconds;
    if (element.AttributeToInt32("time", current)) total += current;
    // Saturate rather than wrap: a total beyond 32 bits would not read back as a number
    // and so would restart from the next credit.
    if (total > std::numeric_limits<std::int32_t>::max()) total = std::numeric_limits<std::int32_t>::max();
    element.SetAttribute("time", total);
}

int DaySerial(const LocalDateTime& time) {
    // Days from the civil date (proleptic Gregorian), counted from 1 March of year 0.
    int year = time.year - (time.month <= 2 ? 1 : 0);
    int era = (year >= 0 ? year : year - 399) / 400;
    int yearOfEra = year - era * 400;
    int dayOfYear = (153 * (time.month + (time.month > 2 ? -3 : 9)) + 2) / 5 + time.day - 1;
    int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    int daysSince1970 = era * 146097 + dayOfEra - 719468;
    // 30 December 1899 lies 25569 days before 1 January 1970.
    return daysSince1970 + 25569;
}
