#include "tracking/log_document.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <tuple>
#include <utility>

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

namespace {

struct DayKey {
    int year, month, day;
    bool operator<(const DayKey& other) const {
        return std::tie(year, month, day) < std::tie(other.year, other.month, other.day);
    }
};

// What comes out of one day: in all, per application (stored name), per document of it.
struct DayOut {
    std::int64_t total = 0;
    std::map<std::string, std::int64_t> apps;
    std::map<std::pair<std::string, std::string>, std::int64_t> docs;
};

// The element's value of the attribute as stored; empty when it has none.
std::string_view AttributeValue(XmlNode element, std::string_view name) {
    for (XmlAttribute attribute = element.FirstAttribute(); attribute; attribute = attribute.Next())
        if (attribute.NameUtf8() == name) return attribute.ValueUtf8();
    return {};
}

// Names and values go over as stored, so that a copy keeps what the code page cannot show.
XmlNode CopyElement(XmlDocument& into, XmlNode element) {
    XmlNode copy = into.CreateElement(element.Name());
    if (!copy) return XmlNode();
    for (XmlAttribute attribute = element.FirstAttribute(); attribute; attribute = attribute.Next())
        copy.SetAttributeFromUtf8(attribute.Name(), attribute.ValueUtf8());
    return copy;
}

// Copies the element and the elements it holds; a log holds no text of its own.
XmlNode DeepCopy(XmlDocument& into, XmlNode element) {
    XmlNode copy = CopyElement(into, element);
    if (!copy) return XmlNode();
    for (XmlNode child = element.FirstChild(); child; child = child.NextSibling())
        if (child.Kind() == XmlNodeKind::Element) copy.AppendChild(DeepCopy(into, child));
    return copy;
}

// Copies the element with `out` seconds less; none when it is left with no seconds.
XmlNode CopyWithLess(XmlDocument& into, XmlNode element, std::int64_t out) {
    const std::int64_t left = std::max<std::int64_t>(TimeAttribute(element) - out, 0);
    if (left <= 0) return XmlNode();
    XmlNode copy = CopyElement(into, element);
    if (copy) copy.SetAttribute("time", left);
    return copy;
}

}  // namespace

std::unique_ptr<XmlDocument> CopyTakingOut(const XmlDocument& log, const std::vector<DayCredit>& pieces) {
    std::map<DayKey, DayOut> days;
    for (const DayCredit& piece : pieces) {
        DayOut& out = days[{piece.day.year, piece.day.month, piece.day.day}];
        const std::string app = StorableUtf8(piece.app);
        out.total += piece.seconds;
        out.apps[app] += piece.seconds;
        if (!piece.doc.empty()) out.docs[{app, StorableUtf8(piece.doc)}] += piece.seconds;
    }
    std::unique_ptr<XmlDocument> copy = CreateXmlDocument();
    XmlNode root = log.DocumentElement();
    if (!copy || !root || !copy->AsNode().AppendChild(CopyElement(*copy, root))) return nullptr;
    XmlNode copyRoot = copy->DocumentElement();
    // Of two days with the same date the first is the one credits go to, as in CreditTimeTo.
    std::map<DayKey, bool> seen;
    for (XmlNode date = root.FirstChild(); date; date = date.NextSibling()) {
        std::int32_t year = 0, month = 0, day = 0;
        const bool isDay = date.Kind() == XmlNodeKind::Element && date.NameUtf8() == "Date" &&
                           date.AttributeToInt32("y", year) && date.AttributeToInt32("m", month) &&
                           date.AttributeToInt32("d", day);
        const DayKey key{year, month, day};
        const auto out = isDay && !seen[key] ? days.find(key) : days.end();
        if (isDay) seen[key] = true;
        if (out == days.end()) {
            if (date.Kind() == XmlNodeKind::Element) copyRoot.AppendChild(DeepCopy(*copy, date));
            continue;
        }
        XmlNode dateCopy = CopyWithLess(*copy, date, out->second.total);
        if (!dateCopy) continue;
        for (XmlNode app = date.FirstChild(); app; app = app.NextSibling()) {
            if (app.Kind() != XmlNodeKind::Element) continue;
            const std::string appName(app.NameUtf8() == "App" ? AttributeValue(app, "name") : std::string());
            const auto appOut = out->second.apps.find(appName);
            XmlNode appCopy = CopyWithLess(*copy, app, appOut == out->second.apps.end() ? 0 : appOut->second);
            if (!appCopy) continue;
            for (XmlNode doc = app.FirstChild(); doc; doc = doc.NextSibling()) {
                if (doc.Kind() != XmlNodeKind::Element) continue;
                const auto docOut = out->second.docs.find({appName, std::string(AttributeValue(doc, "name"))});
                XmlNode docCopy = CopyWithLess(*copy, doc, docOut == out->second.docs.end() ? 0 : docOut->second);
                if (docCopy) appCopy.AppendChild(docCopy);
            }
            dateCopy.AppendChild(appCopy);
        }
        copyRoot.AppendChild(dateCopy);
    }
    return copy;
}
