#include "tracking/shared_copies.h"

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/program_paths.h"
#include "files/file_access.h"
#include "files/file_replace.h"
#include "tracking/calendar.h"

// The copying runs on a thread of its own, the one exception to the program's single thread: a
// share that hangs for minutes must not stop the one-second tick or the local saves. It only
// reads the local files as saved (never the log in memory), with full sharing so that a save
// is never refused, and writes only in the shared folder and its own memory file.

namespace {

// ---- one copy, on whatever thread ----

// What this computer remembers of a copy it wrote: the bytes' hash, the local file's and the
// copy's stamps then, so that a copy still current is neither read nor written again, and the
// mark of the last change taken back that the log carried then.
struct CopyRecord {
    std::uint64_t hash = 0;
    FileStamp source;
    FileStamp copy;
    std::string mark;
};
using CopyMemory = std::map<std::string, CopyRecord>;

std::uint64_t HashOf(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string MemoryPath(const SharedCopyJob& job) {
    return job.programDir + job.user + "-Time." + job.computer + ".copies";
}

bool ToNumber(std::string_view text, long long& number) {
    if (text.empty()) return false;
    const std::string copy(text);
    char* end = nullptr;
    number = std::strtoll(copy.c_str(), &end, 10);
    return end && *end == '\0';
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

// One line a copy: name, hash, the two stamps (exists, size, write time) and the mark; a line
// that does not read so is passed over, which only costs a comparison of the copy's bytes.
CopyMemory ReadMemory(const std::string& path) {
    CopyMemory memory;
    std::string text;
    if (!ReadWholeFile(path, text)) return memory;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::vector<std::string_view> fields = Fields(std::string_view(text).substr(start, end - start));
        start = end + 1;
        long long numbers[7];
        bool read = fields.size() == 9;
        for (int i = 0; read && i < 7; ++i) read = ToNumber(fields[i + 1], numbers[i]);
        if (!read) continue;
        CopyRecord record;
        record.hash = static_cast<std::uint64_t>(numbers[0]);
        record.source = {numbers[1] != 0, static_cast<std::uint64_t>(numbers[2]), numbers[3]};
        record.copy = {numbers[4] != 0, static_cast<std::uint64_t>(numbers[5]), numbers[6]};
        record.mark = std::string(fields[8]);
        memory[std::string(fields[0])] = record;
    }
    return memory;
}

void WriteMemory(const std::string& path, const CopyMemory& memory) {
    std::string text;
    for (const auto& [name, record] : memory) {
        char line[160];
        std::snprintf(line, sizeof line, "\t%lld\t%d\t%llu\t%lld\t%d\t%llu\t%lld\t", static_cast<long long>(record.hash),
                      record.source.exists ? 1 : 0, static_cast<unsigned long long>(record.source.size),
                      static_cast<long long>(record.source.writeTime), record.copy.exists ? 1 : 0,
                      static_cast<unsigned long long>(record.copy.size), static_cast<long long>(record.copy.writeTime));
        text += name;
        text += line;
        text += record.mark + "\n";
    }
    // Lost, it costs only a reading of each copy: a copy this computer wrote is then kept if
    // it holds more, until the user removes it.
    ReplaceFileContents(path, text);
}

// The seconds of each day (year * 10000 + month * 100 + day) a file holds.
using DaySeconds = std::map<int, long long>;

// The value of `name="..."` in a start tag's text; empty when absent.
std::string_view AttributeOf(std::string_view tag, std::string_view name) {
    for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        const char before = at > 0 ? tag[at - 1] : '<';
        const bool startsWord = before == ' ' || before == '\t' || before == '\n' || before == '\r';
        if (!startsWord || tag.substr(at + name.size(), 2) != "=\"") continue;
        const std::size_t value = at + name.size() + 2;
        const std::size_t end = tag.find('"', value);
        return end == std::string_view::npos ? std::string_view() : tag.substr(value, end - value);
    }
    return {};
}

long long NumberOf(std::string_view text) {
    long long number = 0;
    return ToNumber(text, number) ? number : 0;
}

// Each Date's time by its day; false when the text is no time log.
bool LogDays(std::string_view xml, DaySeconds& days) {
    if (xml.find("<Ostrak") == std::string_view::npos) return false;
    for (std::size_t at = xml.find("<Date"); at != std::string_view::npos; at = xml.find("<Date", at + 1)) {
        const std::size_t end = xml.find('>', at);
        if (end == std::string_view::npos) break;
        const std::string_view tag = xml.substr(at, end - at);
        if (tag.size() > 5 && tag[5] != ' ' && tag[5] != '\t' && tag[5] != '\n' && tag[5] != '\r') continue;
        const long long day = NumberOf(AttributeOf(tag, "y")) * 10000 + NumberOf(AttributeOf(tag, "m")) * 100 +
                              NumberOf(AttributeOf(tag, "d"));
        days[static_cast<int>(day)] += NumberOf(AttributeOf(tag, "time"));
    }
    return true;
}

// Each line's seconds by the day it began ("YYYY-MM-DD HH:MM:SS\tseconds\t..."); the header and
// anything else are passed over.
void TimelineDays(std::string_view tsv, DaySeconds& days) {
    for (std::size_t start = 0; start < tsv.size();) {
        std::size_t end = tsv.find('\n', start);
        if (end == std::string_view::npos) end = tsv.size();
        const std::string_view line = tsv.substr(start, end - start);
        start = end + 1;
        const std::size_t tab = line.find('\t');
        const std::size_t secondTab = tab == std::string_view::npos ? tab : line.find('\t', tab + 1);
        if (tab < 10 || secondTab == std::string_view::npos || line[4] != '-' || line[7] != '-') continue;
        long long year = 0, month = 0, day = 0, seconds = 0;
        if (!ToNumber(line.substr(0, 4), year) || !ToNumber(line.substr(5, 2), month) ||
            !ToNumber(line.substr(8, 2), day) || !ToNumber(line.substr(tab + 1, secondTab - tab - 1), seconds))
            continue;
        days[static_cast<int>(year * 10000 + month * 100 + day)] += seconds;
    }
}

enum class Kind { Log, Timeline };

// True when `existing` holds a day's seconds beyond what `local` holds on that day (or a day it
// lacks), or is no readable file of its kind at all: only then could writing lose time.
bool HoldsMore(Kind kind, std::string_view existing, std::string_view local) {
    DaySeconds there, here;
    if (kind == Kind::Log) {
        if (!LogDays(existing, there)) return !existing.empty();
        LogDays(local, here);
    } else {
        TimelineDays(existing, there);
        TimelineDays(local, here);
    }
    for (const auto& [day, seconds] : there) {
        const auto found = here.find(day);
        if (seconds > (found == here.end() ? 0 : found->second)) return true;
    }
    return false;
}

enum class CopyResult { Current, Written, Kept, Changed, Failed };

// The mark of the last change taken back, on the log's element; empty when none.
std::string LogMark(std::string_view xml) {
    const std::size_t at = xml.find("<Ostrak");
    if (at == std::string_view::npos) return {};
    const std::size_t end = xml.find('>', at);
    return std::string(AttributeOf(xml.substr(at, end == std::string_view::npos ? end : end - at), "takenBack"));
}

// Copies one file. `mark` is the log's mark of the last change taken back: for the log itself
// it is found here, from what is copied.
CopyResult CopyOne(Kind kind, const std::string& sourcePath, const std::string& copyPath, CopyRecord& record,
                   bool known, std::string& mark, SaveFailure& failure) {
    const FileStamp source = ReadFileStamp(sourcePath);
    if (!source.exists) return CopyResult::Current;
    const FileStamp copy = ReadFileStamp(copyPath);
    if (known && source == record.source && copy.exists && copy == record.copy) {
        if (kind == Kind::Log) mark = record.mark;
        return CopyResult::Current;
    }
    std::string bytes;
    // A save that replaces the file meanwhile leaves another stamp: this copy waits for the next.
    if (!ReadWholeFile(sourcePath, bytes) || ReadFileStamp(sourcePath) != source) return CopyResult::Changed;
    if (kind == Kind::Log) mark = LogMark(bytes);
    const std::uint64_t hash = HashOf(bytes);
    if (copy.exists) {
        std::string existing;
        if (!ReadWholeFile(copyPath, existing)) {
            failure = SaveFailure::FileInUse;
            return CopyResult::Failed;
        }
        const std::uint64_t existingHash = HashOf(existing);
        if (existingHash == hash) {
            record = {hash, source, copy, mark};
            return CopyResult::Current;
        }
        // What this computer wrote last gives way to a change taken back since: that is how
        // a Forget reaches the copy. A log that merely lost time (set aside at start, replaced
        // by hand) carries no new mark, and the copy keeps what it holds.
        const bool takenBackSince = known && record.hash == existingHash && !mark.empty() && mark != record.mark;
        if (!takenBackSince && HoldsMore(kind, existing, bytes)) return CopyResult::Kept;
    }
    RemoveStaleTemporaryFiles(copyPath);
    if (const SaveResult written = ReplaceFileContents(copyPath, bytes); !written) {
        failure = written.failure;
        return CopyResult::Failed;
    }
    record = {hash, source, ReadFileStamp(copyPath), mark};
    return CopyResult::Written;
}

// The months of the user's timeline files beside the log, as "YYYY-MM".
std::vector<std::string> TimelineMonths(const SharedCopyJob& job) {
    std::vector<std::string> months;
    for (const std::string& name : FilesNamed(job.programDir, job.user + "-Timeline-", ".tsv")) {
        const std::string month = name.substr(job.user.size() + 10, name.size() - job.user.size() - 14);
        if (month.size() == 7 && month[4] == '-' && month.find_first_not_of("0123456789-") == std::string::npos)
            months.push_back(month);
    }
    return months;
}

}  // namespace

std::string SharedLogName(std::string_view user, std::string_view computer) {
    return std::string(user) + "@" + std::string(computer) + "-Time.xml";
}

std::string SharedTimelineName(std::string_view user, std::string_view computer, int year, int month) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-Timeline-%04d-%02d.tsv", year, month);
    return std::string(user) + "@" + std::string(computer) + suffix;
}

SharedCopyOutcome CopyToSharedFolder(const SharedCopyJob& job) {
    SharedCopyOutcome outcome;
    if (!FolderExists(job.folder)) return {SharedCopyState::FolderMissing};
    outcome.state = SharedCopyState::Current;
    const std::string memoryPath = MemoryPath(job);
    CopyMemory memory = ReadMemory(memoryPath);
    bool remembered = false;
    std::string mark;
    auto copy = [&](Kind kind, const std::string& localName, const std::string& copyName) {
        const auto found = memory.find(copyName);
        CopyRecord record = found == memory.end() ? CopyRecord() : found->second;
        SaveFailure failure = SaveFailure::None;
        const CopyResult result = CopyOne(kind, job.programDir + localName, job.folder + copyName, record,
                                          found != memory.end(), mark, failure);
        if (result == CopyResult::Current || result == CopyResult::Written) {
            const auto before = memory.find(copyName);
            if (before == memory.end() || before->second.hash != record.hash || before->second.source != record.source ||
                before->second.copy != record.copy || before->second.mark != record.mark) {
                memory[copyName] = record;
                remembered = true;
            }
        } else if (result == CopyResult::Changed) {
            outcome.again = true;
        } else if (result == CopyResult::Kept && outcome.state == SharedCopyState::Current) {
            outcome.state = SharedCopyState::Kept;
        } else if (result == CopyResult::Failed && outcome.state != SharedCopyState::Failed) {
            outcome.state = SharedCopyState::Failed;
            outcome.failure = failure;
        }
        return result;
    };
    // A kept log says that this name is another computer's: its months are left alone as well.
    if (copy(Kind::Log, job.user + "-Time.xml", SharedLogName(job.user, job.computer)) != CopyResult::Kept) {
        for (const std::string& month : TimelineMonths(job))
            copy(Kind::Timeline, job.user + "-Timeline-" + month + ".tsv",
                 SharedTimelineName(job.user, job.computer, std::atoi(month.c_str()), std::atoi(month.c_str() + 5)));
    }
    if (remembered) WriteMemory(memoryPath, memory);
    return outcome;
}

// ---- the worker, and the program's side of it ----

namespace {

// Shared with the worker, which holds it too: a worker let go of at exit never finds it gone.
struct Worker {
    std::mutex lock;
    std::condition_variable changed;
    std::optional<SharedCopyJob> waiting;
    bool busy = false;
    bool stop = false;
    SharedCopyOutcome last;
    SharedCopyListener listener = nullptr;
};

std::shared_ptr<Worker> Copier = std::make_shared<Worker>();
std::thread CopierThread;
// The program's thread alone uses these.
std::string Folder;
std::optional<std::int64_t> LastRequestUtc;

void Run(std::shared_ptr<Worker> worker) {
    std::unique_lock<std::mutex> held(worker->lock);
    for (;;) {
        worker->changed.wait(held, [&worker] { return worker->waiting || worker->stop; });
        if (!worker->waiting) return;
        const SharedCopyJob job = std::move(*worker->waiting);
        worker->waiting.reset();
        worker->busy = true;
        held.unlock();
        const SharedCopyOutcome outcome = CopyToSharedFolder(job);
        held.lock();
        worker->busy = false;
        worker->last = outcome;
        worker->changed.notify_all();
        if (const SharedCopyListener listener = worker->listener) {
            held.unlock();
            listener();
            held.lock();
        }
    }
}

}  // namespace

void SetSharedFolder(const std::string& folder) {
    std::string withSeparator = folder;
    if (!withSeparator.empty() && withSeparator.back() != '\\' && withSeparator.back() != '/')
        withSeparator += withSeparator.find('\\') != std::string::npos ? '\\' : '/';
    if (withSeparator == Folder) return;
    Folder = withSeparator;
    LastRequestUtc.reset();
    {
        // What the last folder said no longer holds.
        std::lock_guard<std::mutex> held(Copier->lock);
        Copier->last = SharedCopyOutcome();
    }
    RequestSharedCopy(SharedCopyWhen::Now);
}

const std::string& SharedFolder() { return Folder; }

void RequestSharedCopy(SharedCopyWhen when) {
    if (Folder.empty() || ProgramDir.empty()) return;
    const std::int64_t now = UtcNow();
    std::lock_guard<std::mutex> held(Copier->lock);
    // After a failure, or a file that changed while it was copied, the next save tries again; a
    // kept copy waits its hour, as reading it is what costs.
    const SharedCopyOutcome& last = Copier->last;
    const bool retry = last.again || last.state == SharedCopyState::Failed || last.state == SharedCopyState::FolderMissing;
    if (when == SharedCopyWhen::Hourly && !retry && LastRequestUtc && now >= *LastRequestUtc &&
        now - *LastRequestUtc < kSharedCopyIntervalSeconds)
        return;
    LastRequestUtc = now;
    Copier->waiting = SharedCopyJob{Folder, ProgramDir, UserName, ComputerName};
    Copier->stop = false;
    Copier->changed.notify_all();
    if (!CopierThread.joinable()) CopierThread = std::thread(Run, Copier);
}

bool WaitForSharedCopies(unsigned milliseconds) {
    std::unique_lock<std::mutex> held(Copier->lock);
    return Copier->changed.wait_for(held, std::chrono::milliseconds(milliseconds),
                                    [] { return !Copier->busy && !Copier->waiting; });
}

void FinishSharedCopies(unsigned milliseconds) {
    const bool done = WaitForSharedCopies(milliseconds);
    {
        std::lock_guard<std::mutex> held(Copier->lock);
        Copier->stop = true;
        // Not begun by now, it never is: the exit does not wait for a share that hangs.
        Copier->waiting.reset();
        Copier->changed.notify_all();
    }
    if (!CopierThread.joinable()) return;
    // A worker stuck in a share ends with the process; the local files are saved already.
    if (done) CopierThread.join();
    else CopierThread.detach();
}

SharedCopyOutcome LastSharedCopy() {
    std::lock_guard<std::mutex> held(Copier->lock);
    return Copier->last;
}

void SetSharedCopyListener(SharedCopyListener listener) {
    std::lock_guard<std::mutex> held(Copier->lock);
    Copier->listener = listener;
}
