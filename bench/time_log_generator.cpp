#include "bench/time_log_generator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

// The few non-ASCII characters the names below use, UTF-8 in this source, to Windows-1251.
// Written out here so the generated files do not depend on the code page conversion under test.
std::string ToWindows1251(std::string_view utf8) {
    std::string bytes;
    for (std::size_t i = 0; i < utf8.size();) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            bytes += static_cast<char>(lead);
            ++i;
            continue;
        }
        std::uint32_t code = 0;
        std::size_t length = lead >= 0xE0 ? 3 : 2;
        code = lead & (length == 3 ? 0x0F : 0x1F);
        for (std::size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += length;
        unsigned char out = '?';
        if (code >= 0x0410 && code <= 0x044F)
            out = static_cast<unsigned char>(0xC0 + (code - 0x0410));
        else if (code == 0x0401)
            out = 0xA8;  // Ё
        else if (code == 0x0451)
            out = 0xB8;  // ё
        else if (code == 0x2116)
            out = 0xB9;  // №
        else if (code == 0x00AB || code == 0x00BB)
            out = static_cast<unsigned char>(code);  // « and » keep their Latin-1 places
        else if (code == 0x2014)
            out = 0x97;  // em dash
        else
            std::abort();
        bytes += static_cast<char>(out);
    }
    return bytes;
}

// A small fixed generator: the same bytes on every platform and standard library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 11);
    }
    int Below(int limit) { return static_cast<int>(Next() % static_cast<std::uint32_t>(limit)); }

private:
    std::uint64_t state_;
};

struct Application {
    const char* name;
    std::vector<const char*> documents;  // "#" stands for a number that varies
};

// Titles of the kind the sampler splits: what a working day on Windows looks like.
const std::vector<Application>& Applications() {
    static const std::vector<Application> applications = {
        {"Microsoft Word", {"Отчёт за квартал #.docx", "Letter to supplier #.docx", "Договор поставки №#.docx"}},
        {"Microsoft Excel", {"Budget 2015-#.xlsx", "Смета проекта #.xlsx", "Sales Q# summary.xlsx"}},
        {"Microsoft Outlook", {"Inbox - ivan.petrov@example.com (#)", "Входящие (#)", "RE: Meeting notes #"}},
        {"Mozilla Firefox", {"Яндекс — поиск #", "GitHub - issue #", "Stack Overflow question #"}},
        {"Google Chrome", {"YouTube - lecture #", "Почта Mail.ru (#)", "Google Docs - draft #"}},
        {"Visual Studio Code", {"main.cpp - project# - Visual Studio Code", "README.md - tools#", "settings.json (#)"}},
        {"Microsoft Visual Studio", {"Solution# (Debug)", "sampler.cpp - Solution#", "Output window #"}},
        {"Total Commander", {"C:\\Work\\Проекты\\#", "D:\\Photos\\2015\\#", "Lister - log#.txt"}},
        {"Проводник", {"Документы #", "Загрузки #", "Рабочий стол #"}},
        {"Блокнот", {"заметки#.txt", "todo #.txt", "Безымянный #"}},
        {"1С:Предприятие", {"Бухгалтерия предприятия, ред. 3.#", "Счёт-фактура №#", "Отчёт «Оборот» #"}},
        {"Skype", {"Chat with Alexei #", "Звонок: Мария #", "Conference #"}},
        {"Telegram", {"Рабочая группа (#)", "Saved Messages #", "Channel news #"}},
        {"Adobe Acrobat Reader", {"manual_v#.pdf", "Счёт №# от поставщика.pdf", "Spec sheet #.pdf"}},
        {"Paint.NET", {"screenshot#.png", "Логотип #.pdn", "banner #.jpg"}},
        {"Far Manager", {"{C:\\Temp\\#}", "Редактор: config#.ini", "Viewer - build#.log"}},
        {"PuTTY", {"root@server#: ~", "admin@db#: /var/log", "build@ci#: ~/src"}},
        {"Windows PowerShell", {"Administrator: PowerShell #", "PS C:\\Users\\Иван #", "Q&A script #"}},
        {"Microsoft PowerPoint", {"Презентация #.pptx", "Quarterly review #.pptx", "Training deck #.pptx"}},
        {"Zoom", {"Zoom Meeting #", "Совещание отдела #", "Webinar #"}},
        {"Microsoft Teams", {"Chat | Team #", "Календарь #", "Call with Olga O'Neil #"}},
        {"WinRAR", {"archive#.rar", "Резервная копия #.zip", "backup-#.7z"}},
        {"Калькулятор", {"Обычный #", "Scientific #", "Программист #"}},
        {"Notepad++", {"change#.log - Notepad++", "Новый #", "style#.css"}},
    };
    return applications;
}

std::string Encoded(std::string_view utf8, bool toUtf8) { return toUtf8 ? std::string(utf8) : ToWindows1251(utf8); }

std::string WithNumber(const char* pattern, int number, bool utf8) {
    std::string text = Encoded(pattern, utf8);
    std::string::size_type mark = text.find('#');
    if (mark != std::string::npos)
        text.replace(mark, 1, std::to_string(number));
    return text;
}

// The names stand in double-quoted attributes; only the ampersand needs an entity.
std::string AttributeText(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else
            escaped += c;
    }
    return escaped;
}

std::int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int dayOfEra = static_cast<int>(days - era * 146097);
    const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<int>(yearOfEra + era * 400) + (month <= 2);
}

struct Credit {
    std::string name;
    int seconds = 0;
};

}  // namespace

std::string GenerateTimeLog(int days, int appsPerDay, int docsPerApp, bool utf8) {
    const auto& applications = Applications();
    Random random(0x0571A4ull);
    const std::int64_t firstDay = DaysFromCivil(2015, 1, 1);
    const std::int64_t serialBase = DaysFromCivil(1899, 12, 30);

    std::string log = std::string("<?xml version=\"1.0\" encoding=\"") + (utf8 ? "UTF-8" : "Windows-1251") + "\"?>\n<Ostrak";
    if (days <= 0)
        return log + "/>";
    log += ">";
    for (int dayIndex = 0; dayIndex < days; ++dayIndex) {
        int year = 0, month = 0, day = 0;
        CivilFromDays(firstDay + dayIndex, year, month, day);

        // Each day uses its own selection and order of applications, as first used that day.
        std::vector<int> order(applications.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<int>(i);
        for (std::size_t i = order.size() - 1; i > 0; --i)
            std::swap(order[i], order[static_cast<std::size_t>(random.Below(static_cast<int>(i) + 1))]);

        std::string dayBody;
        std::int64_t dayTime = 0;
        for (int appIndex = 0; appIndex < appsPerDay; ++appIndex) {
            const Application& application =
                applications[static_cast<std::size_t>(order[static_cast<std::size_t>(appIndex) % order.size()])];
            std::string appName = Encoded(application.name, utf8);
            if (appIndex >= static_cast<int>(order.size()))
                appName += " (" + std::to_string(appIndex) + ")";

            std::vector<Credit> documents;
            int appTime = random.Below(120);  // credits without a document name
            for (int docIndex = 0; docIndex < docsPerApp; ++docIndex) {
                const char* pattern =
                    application.documents[static_cast<std::size_t>(docIndex) % application.documents.size()];
                // Distinct numbers keep the names distinct within their application.
                Credit document{WithNumber(pattern, docIndex * 100 + random.Below(100), utf8), 1 + random.Below(1800)};
                appTime += document.seconds;
                documents.push_back(std::move(document));
            }
            dayTime += appTime;

            dayBody += "\n      <App name=\"" + AttributeText(appName) + "\" time=\"" + std::to_string(appTime) + "\">";
            for (const Credit& document : documents)
                dayBody += "\n         <Doc name=\"" + AttributeText(document.name) + "\" time=\"" +
                           std::to_string(document.seconds) + "\"/>";
            dayBody += "\n      </App>";
        }

        log += "\n   <Date id=\"" + std::to_string(firstDay + dayIndex - serialBase) + "\" y=\"" +
               std::to_string(year) + "\" m=\"" + std::to_string(month) + "\" d=\"" + std::to_string(day) +
               "\" time=\"" + std::to_string(dayTime) + "\"";
        if (dayBody.empty())
            log += "/>";
        else
            log += ">" + dayBody + "\n   </Date>";
    }
    return log + "\n</Ostrak>";
}

const char* TimeLogSizeName(TimeLogSize size) {
    switch (size) {
    case TimeLogSize::OneDay:
        return "one_day";
    case TimeLogSize::OneYear:
        return "one_year";
    case TimeLogSize::TenYears:
        return "ten_years";
    }
    return "";
}

namespace {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ostrak-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("ostrak_bench: cannot create a temporary folder");
            std::exit(1);
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

}  // namespace

std::string ScratchPath(const std::string& fileName) {
    return (Scratch().Path() / fileName).string();
}

namespace {

SyntheticTimeLog WriteTimeLog(const std::string& name, int days, bool utf8) {
    std::string bytes = GenerateTimeLog(days, 20, 10, utf8);
    SyntheticTimeLog file{ScratchPath(name + "-Time.xml"), bytes.size()};
    std::ofstream out(file.path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "ostrak_bench: cannot write %s\n", file.path.c_str());
        std::exit(1);
    }
    return file;
}

}  // namespace

const SyntheticTimeLog& SyntheticTimeLogFile(TimeLogSize size) {
    static std::map<TimeLogSize, SyntheticTimeLog> files;
    auto found = files.find(size);
    if (found != files.end())
        return found->second;

    int days = size == TimeLogSize::OneDay ? 1 : size == TimeLogSize::OneYear ? 365 : 3650;
    return files.emplace(size, WriteTimeLog(TimeLogSizeName(size), days, false)).first->second;
}

const SyntheticTimeLog& Utf8TimeLogFile() {
    static const SyntheticTimeLog file = WriteTimeLog("one_year_utf8", 365, true);
    return file;
}
