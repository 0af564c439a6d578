// Runs every benchmark registered by the files of this folder, then prints their summaries.
#include <malloc.h>
#include "bench/bench_support.h"
#include "bench/time_log_generator.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <vector>

namespace {

std::map<std::string, benchmark::BenchmarkReporter::Run>& RecordedRuns() {
    static std::map<std::string, benchmark::BenchmarkReporter::Run> runs;
    return runs;
}

std::vector<std::function<void(std::ostream&)>>& Summaries() {
    static std::vector<std::function<void(std::ostream&)>> summaries;
    return summaries;
}

// The usual console output, keeping each run so the summaries can read it afterwards.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    explicit RecordingReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& reports) override {
        for (const Run& run : reports) {
            if (run.error_occurred)
                continue;
            // Keyed by the name the case was registered under, without the suffixes that
            // options such as UseRealTime add.
            std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate)
                name += "_" + run.aggregate_name;
            RecordedRuns()[name] = run;
        }
        ConsoleReporter::ReportRuns(reports);
    }
};

}  // namespace

std::optional<double> RunCounter(const std::string& benchmarkName, const std::string& counter) {
    auto run = RecordedRuns().find(benchmarkName + "_median");
    if (run == RecordedRuns().end())
        run = RecordedRuns().find(benchmarkName);
    if (run == RecordedRuns().end())
        return std::nullopt;
    auto value = run->second.counters.find(counter);
    if (value == run->second.counters.end())
        return std::nullopt;
    return value->second.value;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool AddSummary(std::function<void(std::ostream&)> print) {
    Summaries().push_back(std::move(print));
    return true;
}

int main(int argc, char** argv) {
    // "--write-time-log DAYS PATH": writes the generated log of that many days (20 applications
    // of 10 documents each), for measurements of the program itself, and does nothing else.
    if (argc == 4 && std::strcmp(argv[1], "--write-time-log") == 0) {
        std::string bytes = GenerateTimeLog(std::atoi(argv[2]), 20, 10);
        std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return out.flush() ? 0 : 1;
    }

    // Every library is measured with the allocator in a steady state: freed memory stays in
    // the process instead of going back to the system and faulting in afresh at the next
    // iteration, which otherwise makes the figures of large documents swing by half
    // depending on which cases ran before.
    mallopt(M_MMAP_THRESHOLD, 512 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // Colour only on a terminal, so a run piped into a file stays readable.
    auto options = isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults
                                         : benchmark::ConsoleReporter::OO_Tabular;
    RecordingReporter reporter(options);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    for (const auto& print : Summaries())
        print(std::cout);
    benchmark::Shutdown();
    return 0;
}
