#include "tracking/log_document.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

namespace {

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

XmlNode FindOrCreateDay(XmlDocument& log, DayCache& cache, const LocalDateTime& now) {
    DecimalText year = ToDecimal(now.year), month = ToDecimal(now.month), day = ToDecimal(now.day);
    if (cache.day && cache.document == &log && AttributeTextIs(cache.day, "y", year.View()) &&
        AttributeTextIs(cache.day, "m", month.View()) && AttributeTextIs(cache.day, "d", day.View())) {
        return cache.day;
    }

    // The days are the children of the document element, in the order they first got time: a
    // search among them alone passes a few thousand elements, where a search of the whole
    // document would pass every application and document of every day. Of two days with the
    // same date (a hand edit, a clock set back) the first is taken.
    XmlNode root = log.DocumentElement();
    if (!root || root.NameUtf8() != "Ostrak") return XmlNode();
    XmlNode found;
    for (XmlNode child = root.FirstChild(); child && !found; child = child.NextSibling()) {
        if (child.Kind() == XmlNodeKind::Element && child.NameUtf8() == "Date" &&
            AttributeTextIs(child, "y", year.View()) && AttributeTextIs(child, "m", month.View()) &&
            AttributeTextIs(child, "d", day.View()))
            found = child;
    }
    if (!found) {
        XmlNode created = log.CreateElement("Date");
        if (!created) return XmlNode();
        created.SetAttribute("id", std::int64_t{DaySerial(now)});
        created.SetAttribute("y", std::int64_t{now.year});
        created.SetAttribute("m", std::int64_t{now.month});
        created.SetAttribute("d", std::int64_t{now.day});
        found = root.AppendChild(created);
        if (!found) return XmlNode();
    }
    cache.day = found;
    cache.document = &log;
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
XmlNode FindOrCreateNamed(XmlDocument& log, XmlNode parent, std::string_view kind, std::string_view name) {
    // Compared with the name as it is stored: a character XML cannot carry is stored as a
    // blank, and the same name must find its element again.
    const std::string stored = StorableUtf8(name);
    for (XmlNode child = parent.FirstChild(); child; child = child.NextSibling()) {
        if (child.Kind() == XmlNodeKind::Element && child.NameUtf8() == kind && AttributeTextIs(child, "name", stored))
            return child;
    }
    XmlNode created = log.CreateElement(kind);
    if (!created) return XmlNode();
    created.SetAttribute("name", name);
    return parent.AppendChild(created);
}

std::int32_t TimeAttribute(XmlNode element) {
    std::int32_t seconds = 0;
    return element.AttributeToInt32("time", seconds) ? seconds : 0;
}

}  // namespace

bool IsUsableLog(const XmlDocument& document) {
    XmlNode root = document.DocumentElement();
    return root && root.NameUtf8() == "Ostrak";
}

void CreditTimeTo(XmlDocument& log, DayCache& cache, const LocalDateTime& day, std::string_view appName,
                  std::string_view docName, int seconds) {
    XmlNode date = FindOrCreateDay(log, cache, day);
    if (!date) return;
    AddToTimeAttribute(date, seconds);

    XmlNode app = FindOrCreateNamed(log, date, "App", appName);
    if (!app) return;
    AddToTimeAttribute(app, seconds);

    if (docName.empty()) return;
    XmlNode doc = FindOrCreateNamed(log, app, "Doc", docName);
    if (!doc) return;
    AddToTimeAttribute(doc, seconds);
}

void VisitCredits(const XmlDocument& log, const CreditVisitor& visit) {
    XmlNode root = log.DocumentElement();
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
                visit(when, appName, docName, TimeAttribute(doc));
                withoutDocument -= TimeAttribute(doc);
            }
            visit(when, appName, std::string(), static_cast<int>(withoutDocument > 0 ? withoutDocument : 0));
        }
    }
}

void AddRecordedTime(XmlDocument& log, DayCache& cache, const XmlDocument& recorded) {
    VisitCredits(recorded, [&log, &cache](const LocalDateTime& day, const std::string& app, const std::string& doc,
                                          int seconds) { CreditTimeTo(log, cache, day, app, doc, seconds); });
}
