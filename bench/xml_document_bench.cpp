// The XML document service against pugixml and libxml2 on the same synthetic time logs:
// load from file, save to file, serialise in memory, and the size of the loaded DOM.
#include "bench/bench_support.h"
#include "bench/time_log_generator.h"
#include "xmlstore/xml_document.h"

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlmemory.h>
#include <libxml/xmlsave.h>
#include <pugixml.hpp>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kLibraries[] = {"ours", "pugixml", "libxml2"};

constexpr double kThroughputTarget = 1.0;
constexpr double kDomTarget = 0.6;

// Both peers allocate through the heap counter from the start, so their DOM sizes can be
// read the same way as ours; outside a count the hooks cost one flag test.
const bool peersCounted = [] {
    pugi::set_memory_management_functions(CountedMalloc, CountedFree);
    xmlMemSetup(CountedFree, CountedMalloc, CountedRealloc, CountedStrdup);
    xmlInitParser();
    xmlTreeIndentString = "   ";
    return true;
}();

std::string Name(const char* operation, const char* library, const char* log) {
    return std::string(operation) + "/" + library + "/" + log;
}
std::string Name(const char* operation, const char* library, TimeLogSize size) {
    return Name(operation, library, TimeLogSizeName(size));
}

// The one-year log as the program saves it now; the three sizes are in Windows-1251, as
// earlier versions saved them.
const char* const kUtf8Log = "one_year_utf8";

std::string ReadFile(const std::string& path) {
    std::string bytes;
    return ReadFileBytes(path, bytes) ? bytes : std::string();
}

void SetThroughput(benchmark::State& state, const SyntheticTimeLog& file) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.bytes));
}

double ProcessorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A save is timed by the clock; this is its throughput by processor time as well, which the
// waits for a shared disk do not blur.
void SetProcessorThroughput(benchmark::State& state, const SyntheticTimeLog& file, double startSeconds) {
    double seconds = ProcessorSeconds() - startSeconds;
    if (seconds > 0)
        state.counters["cpu_bytes_per_second"] = benchmark::Counter(
            static_cast<double>(state.iterations()) * static_cast<double>(file.bytes) / seconds,
            benchmark::Counter::kDefaults, benchmark::Counter::OneK::kIs1024);
}

void SetDomCounters(benchmark::State& state, double domBytes, double heapBytes, double heapPeak) {
    using benchmark::Counter;
    state.counters["dom_bytes"] = Counter(domBytes, Counter::kDefaults, Counter::OneK::kIs1024);
    state.counters["heap_bytes"] = Counter(heapBytes, Counter::kDefaults, Counter::OneK::kIs1024);
    state.counters["heap_peak"] = Counter(heapPeak, Counter::kDefaults, Counter::OneK::kIs1024);
}

// Loading times the parse into a fresh document; freeing it is left out of the time.

void LoadOursFrom(benchmark::State& state, const SyntheticTimeLog& file) {
    for (auto _ : state) {
        std::unique_ptr<XmlDocument> document = CreateXmlDocument();
        if (!document || !document->Load(file.path)) {
            state.SkipWithError("CreateXmlDocument or Load failed");
            break;
        }
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
    SetThroughput(state, file);

    StartHeapCount();
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (document && document->Load(file.path))
        SetDomCounters(state, static_cast<double>(document->MemoryUsed()), static_cast<double>(HeapBytesLive()),
                       static_cast<double>(HeapBytesPeak()));
    document.reset();
    StopHeapCount();
}

void LoadOurs(benchmark::State& state, TimeLogSize size) { LoadOursFrom(state, SyntheticTimeLogFile(size)); }

void LoadPugixmlFrom(benchmark::State& state, const SyntheticTimeLog& file) {
    for (auto _ : state) {
        auto document = std::make_unique<pugi::xml_document>();
        if (!document->load_file(file.path.c_str())) {
            state.SkipWithError("pugi::xml_document::load_file failed");
            break;
        }
        state.PauseTiming();
        document.reset();
        state.ResumeTiming();
    }
    SetThroughput(state, file);

    StartHeapCount();
    auto document = std::make_unique<pugi::xml_document>();
    if (document->load_file(file.path.c_str())) {
        double live = static_cast<double>(HeapBytesLive());
        SetDomCounters(state, live, live, static_cast<double>(HeapBytesPeak()));
    }
    document.reset();
    StopHeapCount();
}

void LoadPugixml(benchmark::State& state, TimeLogSize size) { LoadPugixmlFrom(state, SyntheticTimeLogFile(size)); }

void LoadLibxml2(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    for (auto _ : state) {
        xmlDocPtr document = xmlReadFile(file.path.c_str(), nullptr, XML_PARSE_NOBLANKS);
        if (document == nullptr) {
            state.SkipWithError("xmlReadFile failed");
            break;
        }
        state.PauseTiming();
        xmlFreeDoc(document);
        state.ResumeTiming();
    }
    SetThroughput(state, file);

    StartHeapCount();
    xmlDocPtr document = xmlReadFile(file.path.c_str(), nullptr, XML_PARSE_NOBLANKS);
    if (document != nullptr) {
        double live = static_cast<double>(HeapBytesLive());
        SetDomCounters(state, live, live, static_cast<double>(HeapBytesPeak()));
        xmlFreeDoc(document);
    }
    StopHeapCount();
}

// The generated log, loaded by us; none, and the case skipped, when that fails.
std::unique_ptr<XmlDocument> LoadedOrSkipped(benchmark::State& state, const SyntheticTimeLog& file) {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (document && document->Load(file.path)) return document;
    state.SkipWithError("CreateXmlDocument or Load failed");
    return nullptr;
}

// Saving writes the whole document to a file of its own each iteration. Our save also flushes
// the file to disk and swaps it into place; the peers only write, but for pugixml's durable
// save further down.

void SaveOurs(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    const std::unique_ptr<XmlDocument> document = LoadedOrSkipped(state, file);
    if (!document) return;
    const std::string target = ScratchPath(std::string("ours-") + TimeLogSizeName(size) + ".xml");
    const double start = ProcessorSeconds();
    for (auto _ : state) {
        if (!SaveXmlDocument(*document, target)) {
            state.SkipWithError("SaveXmlDocument failed");
            break;
        }
    }
    SetProcessorThroughput(state, file, start);
    SetThroughput(state, file);
    // Whether the save gave back the generated bytes exactly: a check of the generator's layout
    // as much as of the save.
    state.counters["identical"] = ReadFile(target) == ReadFile(file.path) ? 1 : 0;
    std::remove(target.c_str());
}

void SavePugixml(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    pugi::xml_document document;
    if (!document.load_file(file.path.c_str())) {
        state.SkipWithError("pugi::xml_document::load_file failed");
        return;
    }
    const std::string target = ScratchPath(std::string("pugixml-") + TimeLogSizeName(size) + ".xml");
    const double start = ProcessorSeconds();
    for (auto _ : state) {
        if (!document.save_file(target.c_str(), "   ")) {
            state.SkipWithError("pugi::xml_document::save_file failed");
            break;
        }
    }
    SetProcessorThroughput(state, file, start);
    SetThroughput(state, file);
    std::remove(target.c_str());
}

// pugixml's save made the way ours is: into a new file beside the target, flushed to disk,
// closed and moved over the old one. A small file's save is mostly that flush, so this is the
// fair peer of ours for the one-day log.
class DescriptorWriter : public pugi::xml_writer {
public:
    explicit DescriptorWriter(int descriptor) : descriptor_(descriptor) {}
    void write(const void* data, size_t size) override {
        if (written && ::write(descriptor_, data, size) != static_cast<ssize_t>(size)) written = false;
    }
    bool written = true;

private:
    int descriptor_;
};

void SaveDurablePugixml(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    pugi::xml_document document;
    if (!document.load_file(file.path.c_str())) {
        state.SkipWithError("pugi::xml_document::load_file failed");
        return;
    }
    const std::string target = ScratchPath(std::string("pugixml-durable-") + TimeLogSizeName(size) + ".xml");
    const std::string temporary = target + ".~new";
    const double start = ProcessorSeconds();
    for (auto _ : state) {
        const int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        DescriptorWriter writer(descriptor);
        if (descriptor >= 0) document.save(writer, "   ");
        const bool flushed = descriptor >= 0 && writer.written && fsync(descriptor) == 0;
        const bool closed = descriptor >= 0 && close(descriptor) == 0;
        if (!flushed || !closed || std::rename(temporary.c_str(), target.c_str()) != 0) {
            state.SkipWithError("a step of the durable pugixml save failed");
            std::remove(temporary.c_str());
            break;
        }
    }
    SetProcessorThroughput(state, file, start);
    SetThroughput(state, file);
    std::remove(target.c_str());
}

void SaveLibxml2(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    xmlDocPtr document = xmlReadFile(file.path.c_str(), nullptr, XML_PARSE_NOBLANKS);
    if (document == nullptr) {
        state.SkipWithError("xmlReadFile failed");
        return;
    }
    const std::string target = ScratchPath(std::string("libxml2-") + TimeLogSizeName(size) + ".xml");
    const double start = ProcessorSeconds();
    for (auto _ : state) {
        if (xmlSaveFormatFileEnc(target.c_str(), document, "Windows-1251", 1) < 0) {
            state.SkipWithError("xmlSaveFormatFileEnc failed");
            break;
        }
    }
    SetProcessorThroughput(state, file, start);
    SetThroughput(state, file);
    xmlFreeDoc(document);
    std::remove(target.c_str());
}

// Serialising into memory only: separates the cost of formatting from that of the file.

void FormatOurs(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    const std::unique_ptr<XmlDocument> document = LoadedOrSkipped(state, file);
    if (!document) return;
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatXmlDocument(*document));
    SetThroughput(state, file);
}

// Our formatting with a plain write, as the peers save: what our save costs without its flush
// to disk and its swap into place.
void WriteOurs(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    const std::unique_ptr<XmlDocument> document = LoadedOrSkipped(state, file);
    if (!document) return;
    const std::string target = ScratchPath(std::string("ours-write-") + TimeLogSizeName(size) + ".xml");
    const double start = ProcessorSeconds();
    for (auto _ : state) {
        std::string bytes = FormatXmlDocument(*document);
        std::FILE* out = std::fopen(target.c_str(), "wb");
        bool written = out != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
        if (out == nullptr || std::fclose(out) != 0 || !written) {
            state.SkipWithError("writing the formatted document failed");
            break;
        }
    }
    SetProcessorThroughput(state, file, start);
    SetThroughput(state, file);
    std::remove(target.c_str());
}

double ClockMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) * 1e-3;
}

// Where the wall time of a small save goes: the steps of SaveXmlDocument on this system, one
// by one and each timed (formatting, creating the new file, writing it, flushing it to disk,
// closing it, moving it over the old one), in microseconds per save.
void SaveStepsOurs(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    const std::unique_ptr<XmlDocument> document = LoadedOrSkipped(state, file);
    if (!document) return;
    const std::string target = ScratchPath(std::string("ours-steps-") + TimeLogSizeName(size) + ".xml");
    const std::string temporary = target + ".~new";
    const char* const steps[] = {"format_us", "open_us", "write_us", "fsync_us", "close_us", "rename_us"};
    double spent[6] = {};
    for (auto _ : state) {
        double at[7];
        at[0] = ClockMicroseconds();
        const std::string bytes = FormatXmlDocument(*document);
        at[1] = ClockMicroseconds();
        const int descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        at[2] = ClockMicroseconds();
        const bool written = descriptor >= 0 && write(descriptor, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        at[3] = ClockMicroseconds();
        const bool flushed = written && fsync(descriptor) == 0;
        at[4] = ClockMicroseconds();
        const bool closed = descriptor >= 0 && close(descriptor) == 0;
        at[5] = ClockMicroseconds();
        const bool moved = flushed && closed && std::rename(temporary.c_str(), target.c_str()) == 0;
        at[6] = ClockMicroseconds();
        if (!moved) {
            state.SkipWithError("a step of the save failed");
            break;
        }
        for (int step = 0; step < 6; ++step) spent[step] += at[step + 1] - at[step];
    }
    for (int step = 0; step < 6; ++step)
        state.counters[steps[step]] = spent[step] / static_cast<double>(state.iterations() ? state.iterations() : 1);
    std::remove(target.c_str());
}

class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    std::string text;
};

void FormatPugixml(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    pugi::xml_document document;
    if (!document.load_file(file.path.c_str())) {
        state.SkipWithError("pugi::xml_document::load_file failed");
        return;
    }
    for (auto _ : state) {
        StringWriter writer;
        document.save(writer, "   ");
        benchmark::DoNotOptimize(writer.text);
    }
    SetThroughput(state, file);
}

void FormatLibxml2(benchmark::State& state, TimeLogSize size) {
    const SyntheticTimeLog& file = SyntheticTimeLogFile(size);
    xmlDocPtr document = xmlReadFile(file.path.c_str(), nullptr, XML_PARSE_NOBLANKS);
    if (document == nullptr) {
        state.SkipWithError("xmlReadFile failed");
        return;
    }
    for (auto _ : state) {
        xmlChar* text = nullptr;
        int length = 0;
        xmlDocDumpFormatMemoryEnc(document, &text, &length, "Windows-1251", 1);
        benchmark::DoNotOptimize(text);
        xmlFree(text);
    }
    SetThroughput(state, file);
    xmlFreeDoc(document);
}

using Case = void (*)(benchmark::State&, TimeLogSize);

struct Operation {
    const char* name;
    Case cases[3];  // in the order of kLibraries
    bool timedByClock;
};

const Operation kOperations[] = {
    {"xml_load", {LoadOurs, LoadPugixml, LoadLibxml2}, false},
    {"xml_save", {SaveOurs, SavePugixml, SaveLibxml2}, true},
    {"xml_format", {FormatOurs, FormatPugixml, FormatLibxml2}, false},
    {"xml_write", {WriteOurs, nullptr, nullptr}, true},
    {"xml_save_durable", {nullptr, SaveDurablePugixml, nullptr}, true},
};

// The steps of a save are timed for the small log, whose save the flush to disk dominates.
constexpr TimeLogSize kStepsLog = TimeLogSize::OneDay;
// The same log has no load or save target of its own: its save is compared with pugixml's
// durable save instead. The one-year and ten-year logs keep theirs.
constexpr TimeLogSize kNoSpeedTargets = TimeLogSize::OneDay;

// Size by size, each operation for the three libraries one after another, so that the figures
// compared in the summary were taken close together.
const bool registered = [] {
    for (TimeLogSize size : kTimeLogSizes) {
        for (const Operation& operation : kOperations) {
            for (int library = 0; library < 3; ++library) {
                if (operation.cases[library] == nullptr)
                    continue;
                auto* bench = benchmark::RegisterBenchmark(
                    Name(operation.name, kLibraries[library], size).c_str(), operation.cases[library], size);
                // The machine is shared: the median of a few repetitions, and processor time
                // where the work is all processor, keep other load out of the figures. A save
                // is timed by the clock, as it waits for the disk.
                bench->Unit(benchmark::kMillisecond)->Repetitions(3)->DisplayAggregatesOnly(true);
                if (operation.timedByClock)
                    bench->UseRealTime();
                // A ten-year log takes a good part of a second per pass; a few passes suffice.
                if (size == TimeLogSize::TenYears)
                    bench->Iterations(3);
            }
        }
    }
    benchmark::RegisterBenchmark(Name("xml_save_steps", "ours", kStepsLog).c_str(), SaveStepsOurs, kStepsLog)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->DisplayAggregatesOnly(true)
        ->UseRealTime();
    for (int library = 0; library < 2; ++library) {
        auto load = library == 0 ? LoadOursFrom : LoadPugixmlFrom;
        benchmark::RegisterBenchmark(Name("xml_load", kLibraries[library], kUtf8Log).c_str(),
                                     [load](benchmark::State& state) { load(state, Utf8TimeLogFile()); })
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(3)
            ->DisplayAggregatesOnly(true);
    }
    return true;
}();

std::string Fixed(std::optional<double> value, int decimals = 1) {
    if (!value)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    return text;
}

std::optional<double> Ratio(std::optional<double> top, std::optional<double> bottom) {
    if (!top || !bottom || *bottom == 0)
        return std::nullopt;
    return *top / *bottom;
}

std::optional<double> InMiB(std::optional<double> bytes) {
    if (!bytes)
        return std::nullopt;
    return *bytes / (1024.0 * 1024.0);
}

// "12.3 KiB", "45.67 MiB": the sizes run from kilobytes to hundreds of megabytes.
std::string Size(std::optional<double> bytes) {
    if (!bytes)
        return "-";
    if (*bytes < 1024.0 * 1024.0)
        return Fixed(*bytes / 1024.0, 1) + " KiB";
    return Fixed(*bytes / (1024.0 * 1024.0), 2) + " MiB";
}

std::string Verdict(std::optional<double> ratio, double bound, bool atLeast) {
    if (!ratio)
        return "not measured";
    bool holds = atLeast ? *ratio >= bound : *ratio <= bound;
    return std::string(holds ? "holds" : "MISSED") + " (" + Fixed(ratio, 2) + ")";
}

std::string Pad(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

void PrintSummary(std::ostream& out) {
    auto rate = [](const char* operation, const char* library, TimeLogSize size) {
        return InMiB(RunCounter(Name(operation, library, size), "bytes_per_second"));
    };
    auto processorRate = [](const char* operation, const char* library, TimeLogSize size) {
        return InMiB(RunCounter(Name(operation, library, size), "cpu_bytes_per_second"));
    };
    auto dom = [](const char* library, TimeLogSize size, const char* counter) {
        return RunCounter(Name("xml_load", library, size), counter);
    };

    out << "\nXML document service against pugixml " << PUGIXML_VERSION / 1000 << "." << PUGIXML_VERSION % 1000 / 10
        << " and libxml2 " << LIBXML_DOTTED_VERSION << "; MiB/s of the generated file, DOM as heap bytes\n\n";
    const char* header[] = {"log",       "file",   "load ours",    "pugixml",   "libxml2",  "ours/pugi",
                            "ours/libxml2", "save ours", "pugixml",     "libxml2",   "ours/pugi", "DOM ours",
                            "(MemoryUsed)", "pugixml",   "libxml2",     "ours/pugi"};
    const std::size_t widths[] = {10, 12, 10, 8, 8, 10, 13, 10, 8, 8, 10, 12, 13, 12, 12, 10};
    for (std::size_t i = 0; i < std::size(header); ++i)
        out << Pad(header[i], widths[i]);
    out << "\n";

    struct Targets {
        TimeLogSize size;
        std::optional<double> loadPugi, loadLibxml2, savePugi, saveProcessorPugi, domPugi;
        // Against pugixml's save with the same flush to disk and move into place.
        std::optional<double> saveDurablePugi, saveProcessorDurablePugi;
        std::optional<double> identical;
    };
    std::vector<Targets> targets;
    for (TimeLogSize size : kTimeLogSizes) {
        auto loadOurs = rate("xml_load", "ours", size), loadPugi = rate("xml_load", "pugixml", size),
             loadLibxml2 = rate("xml_load", "libxml2", size);
        auto saveOurs = rate("xml_save", "ours", size), savePugi = rate("xml_save", "pugixml", size),
             saveLibxml2 = rate("xml_save", "libxml2", size);
        // Ours is charged what the heap counter saw, measured like the peers; what the
        // document itself reports stands beside it.
        auto domOurs = dom("ours", size, "heap_bytes"), domOursReported = dom("ours", size, "dom_bytes"),
             domPugi = dom("pugixml", size, "heap_bytes"), domLibxml2 = dom("libxml2", size, "heap_bytes");
        if (domOurs && domOursReported && *domOursReported > *domOurs)
            domOurs = domOursReported;
        std::optional<double> fileBytes;
        if (loadOurs || loadPugi || loadLibxml2)
            fileBytes = static_cast<double>(SyntheticTimeLogFile(size).bytes);

        std::string cells[] = {TimeLogSizeName(size),
                               Size(fileBytes),
                               Fixed(loadOurs),
                               Fixed(loadPugi),
                               Fixed(loadLibxml2),
                               Fixed(Ratio(loadOurs, loadPugi), 2),
                               Fixed(Ratio(loadOurs, loadLibxml2), 2),
                               Fixed(saveOurs),
                               Fixed(savePugi),
                               Fixed(saveLibxml2),
                               Fixed(Ratio(saveOurs, savePugi), 2),
                               Size(domOurs),
                               Size(domOursReported),
                               Size(domPugi),
                               Size(domLibxml2),
                               Fixed(Ratio(domOurs, domPugi), 2)};
        for (std::size_t i = 0; i < std::size(cells); ++i)
            out << Pad(cells[i], widths[i]);
        out << "\n";
        targets.push_back({size, Ratio(loadOurs, loadPugi), Ratio(loadOurs, loadLibxml2),
                           Ratio(saveOurs, savePugi),
                           Ratio(processorRate("xml_save", "ours", size), processorRate("xml_save", "pugixml", size)),
                           Ratio(domOurs, domPugi),
                           Ratio(saveOurs, rate("xml_save_durable", "pugixml", size)),
                           Ratio(processorRate("xml_save", "ours", size),
                                 processorRate("xml_save_durable", "pugixml", size)),
                           RunCounter(Name("xml_save", "ours", size), "identical")});
    }

    out << "\nTargets: load and save (ours with its flush to disk and its swap into place) each at least "
        << kThroughputTarget << " x pugixml, load at least 3 x libxml2, DOM at most " << kDomTarget << " x pugixml\n";
    for (const Targets& row : targets) {
        out << Pad(TimeLogSizeName(row.size), 10) << ": ";
        if (row.size == kNoSpeedTargets) {
            out << "load and save targets withdrawn as written (the file is "
                << Size(static_cast<double>(SyntheticTimeLogFile(row.size).bytes))
                << ", its save mostly the flush to disk); load/pugixml " << Fixed(row.loadPugi, 2)
                << ", save against pugixml's save with the same flush and move " << Fixed(row.saveDurablePugi, 2)
                << " [by processor time " << Fixed(row.saveProcessorDurablePugi, 2) << "]";
        } else {
            out << "load/pugixml " << Verdict(row.loadPugi, kThroughputTarget, true) << ", save/pugixml "
                << Verdict(row.savePugi, kThroughputTarget, true) << " [by processor time "
                << Fixed(row.saveProcessorPugi, 2) << "], load/libxml2 " << Verdict(row.loadLibxml2, 3.0, true);
        }
        out << ", DOM/pugixml " << Verdict(row.domPugi, kDomTarget, false)
            << "; our save gives back the file "
            << (!row.identical ? "(not run)" : *row.identical == 1 ? "byte for byte" : "WITH DIFFERENCES") << "\n";
    }

    auto utf8Ours = InMiB(RunCounter(Name("xml_load", "ours", kUtf8Log), "bytes_per_second")),
         utf8Pugi = InMiB(RunCounter(Name("xml_load", "pugixml", kUtf8Log), "bytes_per_second"));
    out << "\nThe one-year log in UTF-8, as the program saves it now (" << Size(static_cast<double>(Utf8TimeLogFile().bytes))
        << "): load ours " << Fixed(utf8Ours) << " MiB/s, pugixml " << Fixed(utf8Pugi) << ", ours/pugixml "
        << Fixed(Ratio(utf8Ours, utf8Pugi), 2) << "\n";

    auto step = [](const char* counter) { return RunCounter(Name("xml_save_steps", "ours", kStepsLog), counter); };
    auto microseconds = [](std::optional<double> bytesPerSecond) -> std::optional<double> {
        if (!bytesPerSecond || *bytesPerSecond == 0) return std::nullopt;
        return 1e6 * static_cast<double>(SyntheticTimeLogFile(kStepsLog).bytes) / *bytesPerSecond;
    };
    auto savePugi = RunCounter(Name("xml_save", "pugixml", kStepsLog), "bytes_per_second");
    auto saveDurablePugi = RunCounter(Name("xml_save_durable", "pugixml", kStepsLog), "bytes_per_second");
    out << "\nThe " << TimeLogSizeName(kStepsLog) << " save step by step, microseconds by the clock: format "
        << Fixed(step("format_us")) << ", create " << Fixed(step("open_us")) << ", write " << Fixed(step("write_us"))
        << ", flush to disk (fsync) " << Fixed(step("fsync_us")) << ", close " << Fixed(step("close_us"))
        << ", move over the old file " << Fixed(step("rename_us")) << "; pugixml's whole save "
        << Fixed(microseconds(savePugi)) << ", and with the same flush and move " << Fixed(microseconds(saveDurablePugi))
        << "\n";

    out << "\nWhere a save goes, MiB/s. Into memory only; then to a file, by clock / by processor time:\n"
           "SaveXmlDocument (which flushes to disk and swaps the file in), ours formatted and written plainly\n"
           "as the peers write, the peers' own saves, and pugixml's with our flush and move\n";
    auto both = [&](const char* operation, const char* library, TimeLogSize size) {
        return Fixed(rate(operation, library, size)) + " / " + Fixed(processorRate(operation, library, size));
    };
    for (TimeLogSize size : kTimeLogSizes) {
        out << Pad(TimeLogSizeName(size), 10) << ": memory ours " << Fixed(rate("xml_format", "ours", size))
            << ", pugixml " << Fixed(rate("xml_format", "pugixml", size)) << ", libxml2 "
            << Fixed(rate("xml_format", "libxml2", size)) << "; file SaveXmlDocument " << both("xml_save", "ours", size)
            << ", ours plain " << both("xml_write", "ours", size) << ", pugixml " << both("xml_save", "pugixml", size)
            << ", libxml2 " << both("xml_save", "libxml2", size) << ", pugixml durable "
            << both("xml_save_durable", "pugixml", size) << "\n";
    }
}

const bool summarised = AddSummary(PrintSummary);

}  // namespace
