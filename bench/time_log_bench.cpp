// What the tracker costs on logs of one day, one year and ten years: each kind of credit a
// working day brings, the first credit of a new day, and the autosave of a one-year log. The
// log is opened and saved through the tracker's own functions, with a fixed clock in place.
#include "base/program_paths.h"
#include "bench/bench_support.h"
#include "bench/time_log_generator.h"
#include "tracking/platform_seams.h"
#include "tracking/time_log.h"
#include "xmlstore/xml_document.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr double kCreditTargetMicroseconds = 1;
constexpr double kFirstCreditTargetMicroseconds = 1000;
constexpr double kSaveTargetMilliseconds = 100;

class FixedClock final : public LocalClock {
public:
    std::int64_t UtcNow() override { return 0; }
    LocalDateTime LocalTimeAt(std::int64_t) override { return now; }
    LocalDateTime now;
};

// Nothing samples during a benchmark: the credits are made by hand.
class IdleTimer final : public SamplingTimer {
public:
    std::uintptr_t Start() override { return 0; }
    void Stop(std::uintptr_t) override {}
};

FixedClock benchClock;
IdleTimer benchTimer;

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

LocalDateTime NextDay(LocalDateTime date) {
    if (++date.day > DaysInMonth(date.year, date.month)) {
        date.day = 1;
        if (++date.month > 12) {
            date.month = 1;
            ++date.year;
        }
    }
    return date;
}

int IntegerAttribute(XmlNode element, const char* name) {
    std::string text;
    return element.GetAttribute(name, text) ? std::atoi(text.c_str()) : 0;
}

struct NamePair {
    std::string app;
    std::string doc;
};

// A copy of the generated log of that size in a program folder of its own, opened by
// OpenTimeLog as at start, with the clock at noon of the log's last day. Closed and the
// platform restored when it goes.
class OpenedLog {
public:
    OpenedLog(TimeLogSize size, const char* folderName) {
        const SyntheticTimeLog& generated = SyntheticTimeLogFile(size);
        std::filesystem::path folder = ScratchPath(folderName);
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        ProgramDir = folder.string() + "/";
        UserName = "bench";
        std::filesystem::copy_file(generated.path, ProgramDir + UserName + "-Time.xml",
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error) return;

        SetClock(&benchClock);
        SetSamplingTimer(&benchTimer);
        OpenTimeLog();
        if (!TimeLog || !TimeLog->DocumentElement()) return;

        for (XmlNode child = TimeLog->DocumentElement().FirstChild(); child; child = child.NextSibling()) {
            if (child.Kind() == XmlNodeKind::Element && child.NameUtf8() == "Date")
                lastDay_ = child;
        }
        if (!lastDay_) return;
        lastDate.year = IntegerAttribute(lastDay_, "y");
        lastDate.month = IntegerAttribute(lastDay_, "m");
        lastDate.day = IntegerAttribute(lastDay_, "d");
        lastDate.hour = 12;
        benchClock.now = lastDate;

        for (XmlNode app = lastDay_.FirstChild(); app; app = app.NextSibling()) {
            std::string appName;
            if (app.Kind() != XmlNodeKind::Element || !app.GetAttribute("name", appName)) continue;
            apps.push_back(appName);
            for (XmlNode doc = app.FirstChild(); doc; doc = doc.NextSibling()) {
                std::string docName;
                if (doc.Kind() == XmlNodeKind::Element && doc.GetAttribute("name", docName))
                    pairs.push_back({appName, docName});
            }
        }
    }

    ~OpenedLog() {
        CloseTimeLog();
        SetClock(nullptr);
        SetSamplingTimer(nullptr);
    }

    bool Usable() const { return TimeLog && lastDay_ && !pairs.empty(); }
    // The last day's total, to check that the credits landed where they were meant to.
    int LastDayTime() const { return IntegerAttribute(lastDay_, "time"); }

    LocalDateTime lastDate;
    std::vector<std::string> apps;
    std::vector<NamePair> pairs;

private:
    XmlNode lastDay_;
};

// A small fixed generator, so every run makes the same choices.
class Random {
public:
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 11);
    }
    std::size_t Below(std::size_t limit) { return Next() % limit; }

private:
    std::uint64_t state_ = 0x0571A4ull;
};

// Times one call on the monotonic clock; the benchmark's own timer gives only the mean, and a
// credit's cost is best told by its median.
class Samples {
public:
    explicit Samples(std::size_t expected) { nanoseconds_.reserve(expected); }

    template <typename Call>
    void Time(Call call) {
        auto start = std::chrono::steady_clock::now();
        call();
        auto end = std::chrono::steady_clock::now();
        nanoseconds_.push_back(
            static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count()));
    }

    // Median, 99th percentile and largest, in the unit given as nanoseconds per unit.
    void Report(benchmark::State& state, const char* unit, double nanosecondsPerUnit) {
        if (nanoseconds_.empty()) return;
        std::vector<double> sorted = nanoseconds_;
        std::sort(sorted.begin(), sorted.end());
        auto at = [&](double fraction) {
            return sorted[static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1))] /
                   nanosecondsPerUnit;
        };
        state.counters[std::string("median_") + unit] = at(0.5);
        state.counters[std::string("p99_") + unit] = at(0.99);
        state.counters[std::string("max_") + unit] = sorted.back() / nanosecondsPerUnit;
    }

private:
    std::vector<double> nanoseconds_;
};

std::string LogFolder(TimeLogSize size) {
    return std::string("tracker-") + TimeLogSizeName(size);
}

std::string Name(const char* operation, TimeLogSize size) {
    return std::string(operation) + "/" + TimeLogSizeName(size);
}

// A name no log holds yet; plain ASCII, as long as a typical document name.
std::string NewName(const char* kind, std::int64_t number) {
    return std::string(kind) + " " + std::to_string(number) + " of this afternoon.txt";
}

// Credits to pairs the day already holds: all the tracker does for most of a day. The first
// credit after start searches all days of the log for its day and is timed on its own.
void CreditExisting(benchmark::State& state, TimeLogSize size) {
    OpenedLog log(size, LogFolder(size).c_str());
    if (!log.Usable()) {
        state.SkipWithError("the generated log did not open");
        return;
    }
    Samples first(1);
    first.Time([&] { CreditTime(LocalNow(), log.pairs[0].app, log.pairs[0].doc, 1); });
    const int before = log.LastDayTime();

    Samples samples(static_cast<std::size_t>(state.max_iterations));
    Random random;
    std::int64_t credited = 0;
    for (auto _ : state) {
        const NamePair& pair = log.pairs[random.Below(log.pairs.size())];
        samples.Time([&] { CreditTime(LocalNow(), pair.app, pair.doc, 7); });
        credited += 7;
    }
    if (log.LastDayTime() != before + credited) {
        state.SkipWithError("the credits did not reach the last day");
        return;
    }
    samples.Report(state, "us", 1e3);
    first.Report(state, "first_us", 1e3);
}

// A new document of an application the day already holds: one more Doc at the end of its App.
void CreditNewDocument(benchmark::State& state, TimeLogSize size) {
    OpenedLog log(size, LogFolder(size).c_str());
    if (!log.Usable()) {
        state.SkipWithError("the generated log did not open");
        return;
    }
    CreditTime(LocalNow(), log.pairs[0].app, log.pairs[0].doc, 1);

    Samples samples(static_cast<std::size_t>(state.max_iterations));
    std::int64_t number = 0;
    for (auto _ : state) {
        const std::string& app = log.apps[static_cast<std::size_t>(number) % log.apps.size()];
        std::string doc = NewName("new document", number++);
        samples.Time([&] { CreditTime(LocalNow(), app, doc, 3); });
    }
    samples.Report(state, "us", 1e3);
}

// A day as the sampler makes it, a change every quarter of a minute: mostly pairs already
// seen that day, now and then an application without a document, a new document or a new
// application.
void CreditMix(benchmark::State& state, TimeLogSize size) {
    OpenedLog log(size, LogFolder(size).c_str());
    if (!log.Usable()) {
        state.SkipWithError("the generated log did not open");
        return;
    }
    CreditTime(LocalNow(), log.pairs[0].app, log.pairs[0].doc, 1);

    Samples samples(static_cast<std::size_t>(state.max_iterations));
    Random random;
    std::vector<NamePair> seen = log.pairs;
    std::int64_t number = 0;
    for (auto _ : state) {
        std::size_t roll = random.Below(100);
        NamePair pair;
        if (roll < 88) {
            pair = seen[random.Below(seen.size())];
        } else if (roll < 94) {
            pair.app = seen[random.Below(seen.size())].app;
        } else if (roll < 99) {
            pair = {seen[random.Below(seen.size())].app, NewName("new document", number++)};
            seen.push_back(pair);
        } else {
            pair = {"Application " + std::to_string(number), NewName("new document", number)};
            ++number;
            seen.push_back(pair);
        }
        samples.Time([&] { CreditTime(LocalNow(), pair.app, pair.doc, 15); });
    }
    samples.Report(state, "us", 1e3);
}

// The first credit of a new day: the day is searched for among all days of the log, not found,
// and appended. Each pass moves the clock on by one day, so each pass is such a first credit.
void CreditNewDay(benchmark::State& state, TimeLogSize size) {
    OpenedLog log(size, LogFolder(size).c_str());
    if (!log.Usable()) {
        state.SkipWithError("the generated log did not open");
        return;
    }
    Samples samples(static_cast<std::size_t>(state.max_iterations));
    LocalDateTime day = log.lastDate;
    for (auto _ : state) {
        day = NextDay(day);
        benchClock.now = day;
        const NamePair& pair = log.pairs[0];
        samples.Time([&] { CreditTime(LocalNow(), pair.app, pair.doc, 30); });
    }
    samples.Report(state, "us", 1e3);
}

double ThreadProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The autosave: SaveTimeLog writes a temporary file, flushes it to disk and puts it in place.
void Autosave(benchmark::State& state, TimeLogSize size) {
    OpenedLog log(size, "autosave");
    if (!log.Usable()) {
        state.SkipWithError("the generated log did not open");
        return;
    }
    CreditTime(LocalNow(), log.pairs[0].app, log.pairs[0].doc, 1);

    Samples samples(static_cast<std::size_t>(state.max_iterations));
    const double processorStart = ThreadProcessorSeconds();
    for (auto _ : state)
        samples.Time([] { SaveTimeLog(); });
    const double processorSeconds = ThreadProcessorSeconds() - processorStart;

    std::string saved;
    if (!ReadFileBytes(TimeLogPath, saved) || saved != FormatXmlDocument(*TimeLog)) {
        state.SkipWithError("the saved file does not hold the log");
        return;
    }
    samples.Report(state, "ms", 1e6);
    state.counters["processor_ms"] = processorSeconds * 1e3 / static_cast<double>(state.iterations());
    state.counters["file_bytes"] = static_cast<double>(saved.size());
}

// The same save without its flush to disk: format, write a temporary file, rename it over the
// log. What is left between this and the autosave is the wait for the disk.
void AutosaveUnflushed(benchmark::State& state, TimeLogSize size) {
    OpenedLog log(size, "autosave");
    if (!log.Usable()) {
        state.SkipWithError("the generated log did not open");
        return;
    }
    const std::string temporary = TimeLogPath + ".unflushed";
    Samples samples(static_cast<std::size_t>(state.max_iterations));
    bool ok = true;
    for (auto _ : state) {
        samples.Time([&] {
            std::string bytes = FormatXmlDocument(*TimeLog);
            int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ok = descriptor >= 0 &&
                 write(descriptor, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
            ok = descriptor >= 0 && close(descriptor) == 0 && ok;
            ok = ok && std::rename(temporary.c_str(), TimeLogPath.c_str()) == 0;
        });
        if (!ok) {
            state.SkipWithError("writing the log without a flush failed");
            return;
        }
    }
    samples.Report(state, "ms", 1e6);
}

// Formatting alone, into memory.
void AutosaveFormat(benchmark::State& state, TimeLogSize size) {
    OpenedLog log(size, "autosave");
    if (!log.Usable()) {
        state.SkipWithError("the generated log did not open");
        return;
    }
    Samples samples(static_cast<std::size_t>(state.max_iterations));
    for (auto _ : state)
        samples.Time([] { benchmark::DoNotOptimize(FormatXmlDocument(*TimeLog)); });
    samples.Report(state, "ms", 1e6);
}

using Case = void (*)(benchmark::State&, TimeLogSize);

struct CreditCase {
    const char* name;
    Case run;
    // Passes per repetition by log size. Fixed, so that a log that grows with each pass grows
    // the same way in every run, and each repetition opens its log once.
    std::int64_t passes[3];
};

const CreditCase kCreditCases[] = {
    {"credit_existing", CreditExisting, {4000, 4000, 4000}},
    {"credit_new_document", CreditNewDocument, {400, 400, 400}},
    {"credit_mix", CreditMix, {2000, 2000, 2000}},
    {"credit_new_day", CreditNewDay, {200, 100, 20}},
};

const bool registered = [] {
    for (TimeLogSize size : kTimeLogSizes) {
        for (const CreditCase& credit : kCreditCases) {
            auto* bench = benchmark::RegisterBenchmark(Name(credit.name, size).c_str(), credit.run, size);
            bench->Unit(benchmark::kMicrosecond)
                ->Iterations(credit.passes[static_cast<int>(size)])
                ->Repetitions(3)
                ->DisplayAggregatesOnly(true);
        }
    }
    // A save waits for the disk, so it is timed by the clock.
    const struct {
        const char* name;
        Case run;
    } saves[] = {{"autosave", Autosave}, {"autosave_unflushed", AutosaveUnflushed}, {"autosave_format", AutosaveFormat}};
    for (const auto& save : saves) {
        benchmark::RegisterBenchmark(Name(save.name, TimeLogSize::OneYear).c_str(), save.run, TimeLogSize::OneYear)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(10)
            ->Repetitions(3)
            ->DisplayAggregatesOnly(true)
            ->UseRealTime();
    }
    return true;
}();

std::string Fixed(std::optional<double> value, int decimals) {
    if (!value) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    return text;
}

std::string Pad(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Verdict(std::optional<double> value, double bound, int decimals = 1) {
    if (!value) return "not measured";
    return std::string(*value <= bound ? "holds" : "MISSED") + " (" + Fixed(value, decimals) + ")";
}

void PrintSummary(std::ostream& out) {
    auto credit = [](const char* operation, TimeLogSize size, const char* counter) {
        return RunCounter(Name(operation, size), counter);
    };

    out << "\nTime log: microseconds per credit, median [99th percentile] of each run, median of 3 runs\n\n";
    const char* header[] = {"log", "file", "existing", "new doc", "mix", "first after start", "first of new day"};
    const std::size_t widths[] = {10, 11, 18, 18, 18, 19, 18};
    for (std::size_t i = 0; i < std::size(header); ++i) out << Pad(header[i], widths[i]);
    out << "\n";
    for (TimeLogSize size : kTimeLogSizes) {
        auto both = [&](const char* operation) {
            return Fixed(credit(operation, size, "median_us"), 2) + " [" + Fixed(credit(operation, size, "p99_us"), 1) +
                   "]";
        };
        // Only a log that was generated for a run has a size to show.
        std::optional<double> mebibytes;
        if (credit("credit_existing", size, "median_us"))
            mebibytes = static_cast<double>(SyntheticTimeLogFile(size).bytes) / (1024.0 * 1024.0);
        std::string cells[] = {TimeLogSizeName(size),
                               mebibytes ? Fixed(mebibytes, 2) + " MiB" : "-",
                               both("credit_existing"),
                               both("credit_new_document"),
                               both("credit_mix"),
                               Fixed(credit("credit_existing", size, "median_first_us"), 0),
                               Fixed(credit("credit_new_day", size, "median_us"), 0)};
        for (std::size_t i = 0; i < std::size(cells); ++i) out << Pad(cells[i], widths[i]);
        out << "\n";
    }
    out << "\nTargets: a credit at most " << kCreditTargetMicroseconds
        << " us (median of the mix); the first credit after start and the first of a new day (medians) at most "
        << kFirstCreditTargetMicroseconds << " us\n";
    for (TimeLogSize size : kTimeLogSizes)
        out << Pad(TimeLogSizeName(size), 10) << ": credit "
            << Verdict(credit("credit_mix", size, "median_us"), kCreditTargetMicroseconds, 2) << ", first after start "
            << Verdict(credit("credit_existing", size, "median_first_us"), kFirstCreditTargetMicroseconds, 0)
            << ", first of a new day "
            << Verdict(credit("credit_new_day", size, "median_us"), kFirstCreditTargetMicroseconds, 0) << "\n";

    auto save = [](const char* operation, const char* counter) {
        return RunCounter(Name(operation, TimeLogSize::OneYear), counter);
    };
    out << "\nAutosave of the one-year log, milliseconds, median [99th percentile]: SaveTimeLog "
        << Fixed(save("autosave", "median_ms"), 1) << " [" << Fixed(save("autosave", "p99_ms"), 1)
        << "] of which processor " << Fixed(save("autosave", "processor_ms"), 1) << "; without the flush to disk "
        << Fixed(save("autosave_unflushed", "median_ms"), 1) << "; formatting alone "
        << Fixed(save("autosave_format", "median_ms"), 1) << "\nTarget: at most " << kSaveTargetMilliseconds
        << " ms: " << Verdict(save("autosave", "median_ms"), kSaveTargetMilliseconds) << "\n";
}

const bool summarised = AddSummary(PrintSummary);

}  // namespace
