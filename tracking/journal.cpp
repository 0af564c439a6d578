#include "tracking/journal.h"

#include <charconv>
#include <cstdio>

#include "base/code_page.h"

namespace {

constexpr std::string_view kMagic = "Ostrak journal\t1";

void AppendEscaped(std::string& line, std::string_view narrow) { AppendEscapedField(line, NarrowToUtf8(narrow)); }

std::string Unescaped(std::string_view field) { return Utf8ToNarrow(UnescapedField(field)); }

template <typename Number>
bool ToNumber(std::string_view text, Number& value) {
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// "+" or "~", year, month, day, seconds, application, document.
bool ParseCredit(const std::vector<std::string_view>& fields, DayCredit& credit) {
    if (fields.size() != 7) return false;
    LocalDateTime day;
    if (!ToNumber(fields[1], day.year) || !ToNumber(fields[2], day.month) || !ToNumber(fields[3], day.day) ||
        !ToNumber(fields[4], credit.seconds))
        return false;
    if (day.month < 1 || day.month > 12 || day.day < 1 || day.day > 31 || credit.seconds < 0) return false;
    credit.day = day;
    credit.app = Unescaped(fields[5]);
    credit.doc = Unescaped(fields[6]);
    return true;
}

}  // namespace

bool ParseJournal(std::string_view text, Journal& journal) {
    journal = Journal();
    std::vector<DayCredit> front;
    bool frontCounts = false;
    int headLines = 0;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n', start)) {
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const std::vector<std::string_view> fields = SplitFields(line);
        if (headLines == 0) {
            if (line != kMagic) return false;
            ++headLines;
        } else if (headLines == 1) {
            // log, exists (0 or 1), size, write time
            if (fields.size() != 4 || fields[0] != "log" || !ToNumber(fields[2], journal.log.size) ||
                !ToNumber(fields[3], journal.log.writeTime))
                return false;
            journal.log.exists = fields[1] == "1";
            ++headLines;
        } else if (headLines == 2) {
            if (fields.size() != 2 || fields[0] != "generation" || fields[1].empty()) return false;
            journal.generation = std::string(fields[1]);
            ++headLines;
        } else if (fields.size() == 2 && fields[0] == "done") {
            journal.done.push_back(Unescaped(fields[1]));
        } else if (line == kJournalFrontStart.substr(0, 1)) {
            front.clear();
            frontCounts = true;
        } else if (!fields.empty() && (fields[0] == "+" || fields[0] == "~")) {
            DayCredit credit;
            if (!ParseCredit(fields, credit)) continue;
            if (fields[0] == "+") {
                journal.credits.push_back(std::move(credit));
                frontCounts = false;
            } else if (frontCounts) {
                front.push_back(std::move(credit));
            }
        }
        // Anything else is a line of a later version: passed over.
    }
    if (headLines < 3) return false;
    if (frontCounts)
        for (DayCredit& credit : front) journal.credits.push_back(std::move(credit));
    return true;
}

std::string JournalHead(const FileStamp& log, std::string_view generation, const std::vector<std::string>& done) {
    std::string head(kMagic);
    head += "\nlog\t";
    head += log.exists ? "1\t" : "0\t";
    head += std::to_string(log.size) + "\t" + std::to_string(log.writeTime) + "\n";
    head.append("generation\t").append(generation).append("\n");
    for (const std::string& name : done) {
        head += "done\t";
        AppendEscaped(head, name);
        head += '\n';
    }
    return head;
}

std::string JournalCreditLine(const DayCredit& credit, bool front) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%c\t%d\t%d\t%d\t%d\t", front ? '~' : '+', credit.day.year, credit.day.month,
                  credit.day.day, credit.seconds);
    std::string line(numbers);
    AppendEscaped(line, credit.app);
    line += '\t';
    AppendEscaped(line, credit.doc);
    line += '\n';
    return line;
}

void AppendEscapedField(std::string& line, std::string_view utf8) {
    for (char c : utf8) {
        switch (c) {
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\\': line += "\\\\"; break;
        default: line += c;
        }
    }
}

std::string UnescapedField(std::string_view field) {
    std::string text;
    for (std::size_t at = 0; at < field.size(); ++at) {
        if (field[at] != '\\' || at + 1 == field.size()) {
            text += field[at];
            continue;
        }
        const char next = field[++at];
        text += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return text;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}
