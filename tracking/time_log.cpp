#include "tracking/time_log.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "base/program_paths.h"
#include "files/file_replace.h"

std::unique_ptr<XmlDocument> TimeLog;
std::string TimeLogFileName;
std::string TimeLogPath;

namespace {

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

bool TimeLogHeld = false;

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

// The first attribute of that name, compared as text.
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

void AddToTimeAttribute(XmlNode element, int seconds) {
    std::int32_t current = 0;
    std::int64_t total = seconds;
    if (element.AttributeToInt32("time", current)) total += current;
    // Saturate rather than wrap: a total beyond 32 bits would not read back as a number
    // and so would restart from the next credit.
    if (total > std::numeric_limits<std::int32_t>::max()) total = std::numeric_limits<std::int32_t>::max();
    element.SetAttribute("time", total);
}

// The child `kind` element of `parent` whose name attribute is `name`, appended when missing.
XmlNode FindOrCreateNamed(XmlNode parent, std::string_view kind, std::string_view name) {
    // Compared with the name as it is stored: a character XML cannot carry is stored as a
    // blank, and the same name must find its element again.
    const std::string stored = StorableUtf8(name);
    for (XmlNode child = parent.FirstChild(); child; child = child.NextSibling()) {
        if (child.Kind() == XmlNodeKind::Element && child.NameUtf8() == kind && AttributeTextIs(child, "name", stored))
            return child;
    }
    XmlNode created = TimeLog->CreateElement(kind);
    if (!created) return XmlNode();
    created.SetAttribute("name", name);
    return parent.AppendChild(created);
}

}  // namespace

void CreditTime(const LocalDateTime& day, std::string_view appName, std::string_view docName, int seconds) {
    if (!TimeLog) return;
    XmlNode date = FindOrCreateDay(day);
    if (!date) return;
    AddToTimeAttribute(date, seconds);

    XmlNode app = FindOrCreateNamed(date, "App", appName);
    if (!app) return;
    AddToTimeAttribute(app, seconds);

    if (docName.empty()) return;
    XmlNode doc = FindOrCreateNamed(app, "Doc", docName);
    if (!doc) return;
    AddToTimeAttribute(doc, seconds);
}

namespace {

std::int32_t TimeAttribute(XmlNode element) {
    std::int32_t seconds = 0;
    return element.AttributeToInt32("time", seconds) ? seconds : 0;
}

// Credits what `recorded` holds to TimeLog: each document's time, and each application's time
// that no document took.
void AddRecordedTime(const XmlDocument& recorded) {
    XmlNode root = recorded.DocumentElement();
    for (XmlNode date = root ? root.FirstChild() : XmlNode(); date; date = date.NextSibling()) {
        if (date.Kind() != XmlNodeKind::Element || date.NameUtf8() != "Date") continue;
        std::int32_t year = 0, month = 0, day = 0;
        if (!date.AttributeToInt32("y", year) || !date.AttributeToInt32("m", month) || !date.AttributeToInt32("d", day))
            continue;
        const LocalDateTime when{year, month, day, 0, 0};
        for (XmlNode app = date.FirstChild(); app; app = app.NextSibling()) {
            std::string appName;
            if (app.NameUtf8() != "App" || !app.GetAttribute("name", appName)) continue;
            std::int64_t withoutDocument = TimeAttribute(app);
            for (XmlNode doc = app.FirstChild(); doc; doc = doc.NextSibling()) {
                std::string docName;
                if (doc.NameUtf8() != "Doc" || !doc.GetAttribute("name", docName) || docName.empty()) continue;
                CreditTime(when, appName, docName, TimeAttribute(doc));
                withoutDocument -= TimeAttribute(doc);
            }
            CreditTime(when, appName, "", static_cast<int>(withoutDocument > 0 ? withoutDocument : 0));
        }
    }
}

}  // namespace

std::string UserTimeLogPath() { return ProgramDir + UserTimeLogFileName(); }

bool OpenTimeLog() {
    ForgetLastFoundDay();
    TimeLogFileName = UserTimeLogFileName();
    TimeLogPath = ProgramDir + TimeLogFileName;
    TimeLogHeld = false;
    RemoveStaleTemporaryFiles(TimeLogPath);

    TimeLog = CreateXmlDocument();
    if (!TimeLog) return false;

    if (!TimeLog->Load(TimeLogPath) || !IsUsableLog(*TimeLog)) {
        // A missing or empty file is a first run. One that another program holds is left
        // alone until it opens; anything else holds data we cannot read, and it may not be
        // overwritten. If it cannot be moved aside, run without a log.
        const FileState state = ProbeFile(TimeLogPath);
        if (state == FileState::Unopenable) {
            TimeLogHeld = true;
        } else if (state == FileState::Present && !SetFileAside(TimeLogPath, MinuteStampNow())) {
            TimeLog.reset();
            return false;
        }
        TimeLog = CreateXmlDocument();
        if (!TimeLog || !TimeLog->LoadXml("<Ostrak/>")) return false;
    }
    return true;
}

bool TimeLogIsHeld() { return TimeLogHeld; }

bool ReopenHeldTimeLog() {
    if (!TimeLogHeld) return true;
    if (!TimeLog) return false;
    std::unique_ptr<XmlDocument> loaded = CreateXmlDocument();
    if (!loaded) return false;
    if (!loaded->Load(TimeLogPath) || !IsUsableLog(*loaded)) {
        // Still held; or it opens now but is gone, empty or unreadable, which the start
        // would have found too: set aside what cannot be read, and the recorded log is the log.
        const FileState state = ProbeFile(TimeLogPath);
        if (state == FileState::Unopenable) return false;
        if (state == FileState::Present && !SetFileAside(TimeLogPath, MinuteStampNow())) return false;
        TimeLogHeld = false;
        return true;
    }
    std::unique_ptr<XmlDocument> recorded = std::move(TimeLog);
    TimeLog = std::move(loaded);
    ForgetLastFoundDay();
    AddRecordedTime(*recorded);
    TimeLogHeld = false;
    return true;
}

SaveResult SaveTimeLog() {
    // A log without its document element never reached a usable state; writing it would
    // only replace the file with nothing.
    if (!TimeLog || !TimeLog->DocumentElement()) return {SaveFailure::Other};
    // The held file is never written over: what it holds comes first.
    if (!ReopenHeldTimeLog()) return {SaveFailure::FileInUse};
    return SaveXmlDocument(*TimeLog, TimeLogPath);
}

void CloseTimeLog() {
    ForgetLastFoundDay();
    TimeLog.reset();
    TimeLogHeld = false;
}
