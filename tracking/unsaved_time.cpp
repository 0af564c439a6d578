#include "tracking/unsaved_time.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "base/program_paths.h"
#include "files/file_replace.h"
#include "files/file_tail.h"
#include "tracking/log_document.h"
#include "xmlstore/xml_document.h"

namespace {

struct UnsavedState {
    // What the log file lacks: the credits folded into a document in the log's form, and
    // those since, in the order they came. Most runs save well and never need the document:
    // the credits are folded only when a side file or a journal's rewrite needs them, or when
    // many have come.
    std::unique_ptr<XmlDocument> kept;
    DayCache keptDay;
    std::vector<DayCredit> recent;
    // The first of `recent` whose line the journal does not have yet.
    std::size_t unwritten = 0;
    // The journal's head: the log file it follows, its generation and the side files done.
    FileStamp log;
    std::string generation;
    std::vector<std::string> done;
    // Side files seen but not taken (held by another program), and those this run wrote.
    std::vector<std::string> waiting;
    std::vector<std::string> written;
};

UnsavedState State;

std::unique_ptr<XmlDocument> EmptyLog() {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (document && !document->LoadXml("<Ostrak/>")) document.reset();
    return document;
}

std::string NewGeneration() {
    static std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(UtcNow())};
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random()));
    return text;
}

std::string SideFilePrefix() { return UserName + "-Time.unsaved-"; }
constexpr std::string_view kSideFileSuffix = ".xml";

// So many credits waiting to be folded that memory is better spent on the document.
constexpr std::size_t kFoldAfter = 4096;

// Folds the recent credits into the kept document.
void Fold() {
    if (!State.kept) return;
    for (const DayCredit& credit : State.recent)
        CreditTimeTo(*State.kept, State.keptDay, credit.day, credit.app, credit.doc, credit.seconds);
    State.recent.clear();
    State.unwritten = 0;
}

// Starts anew with nothing kept.
void KeepNothing() {
    State.kept = EmptyLog();
    State.keptDay = DayCache();
    State.recent.clear();
    State.unwritten = 0;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The side files in the log's folder and the local data folder, by full path; set-aside copies
// of damaged ones are not side files any more.
std::vector<std::string> SideFiles() {
    std::vector<std::string> folders{ProgramDir};
    if (!LocalDataDir.empty() && LocalDataDir != ProgramDir) folders.push_back(LocalDataDir);
    std::vector<std::string> paths;
    for (const std::string& folder : folders) {
        for (const std::string& name : FilesNamed(folder, SideFilePrefix(), kSideFileSuffix))
            if (name.find(".unreadable-") == std::string::npos) paths.push_back(folder + name);
    }
    return paths;
}

void AddCredit(XmlDocument& document, DayCache& cache, const DayCredit& credit) {
    CreditTimeTo(document, cache, credit.day, credit.app, credit.doc, credit.seconds);
}

// Writes the journal anew in one replace: its head, then `credits` (what the log file lacks).
// Done side files that are gone need no mention any more; those still there are removed once
// the journal that names them is written (a sync program may hold one: it goes later).
bool RewriteJournal(const XmlDocument& credits) {
    State.done.erase(std::remove_if(State.done.begin(), State.done.end(),
                                    [](const std::string& path) { return !ReadFileStamp(path).exists; }),
                     State.done.end());
    const std::string generation = NewGeneration();
    std::string text = JournalHead(State.log, generation, State.done);
    VisitCredits(credits, [&text](const LocalDateTime& day, const std::string& app, const std::string& doc, int seconds) {
        text += JournalCreditLine({day, seconds, app, doc});
    });
    if (!ReplaceFileContents(JournalPath(), text)) return false;
    State.generation = generation;
    State.unwritten = State.recent.size();  // the credits above hold them
    for (const std::string& path : State.done) RemoveFile(path);
    return true;
}

// Loads a side file; false when it cannot be read now. A damaged one is set aside, never read
// again.
bool LoadSideFile(const std::string& path, XmlDocument& document) {
    if (document.Load(path) && IsUsableLog(document)) return true;
    if (ProbeFile(path) == FileState::Present) SetFileAside(path, MinuteStampNow());
    return false;
}

// Adds the side files that are not done, not this run's and can be read to `into`; their paths
// go to `taken`, those that cannot be read yet to State.waiting. True when one names
// `generation` (the time of that journal is in it).
bool GatherSideFiles(XmlDocument& into, std::vector<std::string>& taken, std::string_view generation) {
    bool namesGeneration = false;
    DayCache cache;
    State.waiting.clear();
    for (const std::string& path : SideFiles()) {
        if (Contains(State.done, path) || Contains(State.written, path)) continue;
        std::unique_ptr<XmlDocument> side = CreateXmlDocument();
        if (!side || !LoadSideFile(path, *side)) {
            if (ProbeFile(path) != FileState::Missing) State.waiting.push_back(path);
            continue;
        }
        std::string named;
        if (!generation.empty() && side->DocumentElement().GetAttribute("journal", named) && named == generation)
            namesGeneration = true;
        AddRecordedTime(into, cache, *side);
        taken.push_back(path);
    }
    return namesGeneration;
}

// "20261208-141503": the local second, for a side file's name.
std::string SecondStamp() {
    const LocalDateTime now = LocalTimeAt(UtcNow());
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", now.year, now.month, now.day, now.hour, now.minute,
                  now.second);
    return text;
}

// Writes the kept time as a new side file in `folder`; its path, or empty.
std::string WriteSideFile(const std::string& folder) {
    const std::string stem = folder + SideFilePrefix() + SecondStamp();
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string path = stem + (attempt > 1 ? "-" + std::to_string(attempt) : "") + std::string(kSideFileSuffix);
        if (ReadFileStamp(path).exists) continue;
        return SaveXmlDocument(*State.kept, path) ? path : std::string();
    }
    return std::string();
}

// A copy of a document in the log's form.
std::unique_ptr<XmlDocument> Copy(const XmlDocument& document) {
    std::unique_ptr<XmlDocument> copy = EmptyLog();
    DayCache cache;
    if (copy) AddRecordedTime(*copy, cache, document);
    return copy;
}

}  // namespace

std::string JournalPath() {
    return ProgramDir + UserName + "-Time." + (ComputerName.empty() ? "" : ComputerName + ".") + "journal";
}

std::unique_ptr<XmlDocument> OpenUnsavedTime(const FileStamp& log) {
    State = UnsavedState();
    State.log = log;
    std::unique_ptr<XmlDocument> journalTime = EmptyLog();
    std::unique_ptr<XmlDocument> allTime = EmptyLog();
    if (!journalTime || !allTime) {
        State.kept = EmptyLog();
        return EmptyLog();
    }

    std::string text;
    Journal journal;
    const bool found = ReadFileTail(JournalPath(), std::string::npos, text) && ParseJournal(text, journal);
    if (found) State.done = journal.done;
    std::vector<std::string> taken;
    // A side file that names the journal's generation holds its time: the journal counts no more.
    const bool journalSetAside = GatherSideFiles(*allTime, taken, found ? journal.generation : std::string());
    if (found && journal.log == log && !journalSetAside) {
        DayCache journalDay, allDay;
        for (const DayCredit& credit : journal.credits) {
            AddCredit(*journalTime, journalDay, credit);
            AddCredit(*allTime, allDay, credit);
        }
    }

    const std::vector<std::string> doneBefore = State.done;
    State.done.insert(State.done.end(), taken.begin(), taken.end());
    if (RewriteJournal(*allTime)) {
        State.kept = std::move(allTime);
    } else {
        // What cannot be marked taken may not be taken: those side files wait for a start that
        // can. The journal on disk still holds what it held.
        State.done = doneBefore;
        State.waiting.insert(State.waiting.end(), taken.begin(), taken.end());
        State.kept = std::move(journalTime);
    }
    return Copy(*State.kept);
}

void NoteCredit(const LocalDateTime& day, std::string_view app, std::string_view doc, int seconds) {
    if (!State.kept) return;
    State.recent.push_back({{day.year, day.month, day.day}, seconds, std::string(app), std::string(doc)});
    if (State.recent.size() < kFoldAfter) return;
    WriteNotedCredits();
    Fold();
}

namespace {

// The journal's lines of the credits it does not have yet, then `after`, in one append. A
// journal that cannot be written only costs what a crash would take.
void AppendToJournal(std::string_view after) {
    std::string lines;
    for (std::size_t i = State.unwritten; i < State.recent.size(); ++i) lines += JournalCreditLine(State.recent[i]);
    State.unwritten = State.recent.size();
    lines += after;
    if (!lines.empty()) AppendToFile(JournalPath(), lines);
}

}  // namespace

void WriteNotedCredits() {
    if (State.kept) AppendToJournal({});
}

void NoteFront(const std::vector<DayCredit>& front) {
    if (!State.kept) return;
    std::string lines(kJournalFrontStart);
    for (const DayCredit& credit : front) lines += JournalCreditLine(credit, true);
    AppendToJournal(lines);
}

void NoteLogWritten(const FileStamp& log) {
    if (!State.kept) return;
    State.log = log;
    KeepNothing();
    if (State.kept) RewriteJournal(*State.kept);
}

void NoteLogReplaced(const FileStamp& log) {
    if (!State.kept) return;
    State.log = log;
    Fold();
    RewriteJournal(*State.kept);
}

bool HasUnsavedTime() {
    return State.kept && (!State.recent.empty() || (State.kept->DocumentElement() && State.kept->DocumentElement().FirstChild()));
}

SaveResult SetUnsavedTimeAside() {
    if (!HasUnsavedTime()) return {};
    Fold();
    // The side file holds the journal's time: it names the journal so that the journal counts
    // no more should the process end before the journal begins anew.
    State.kept->DocumentElement().SetAttribute("journal", State.generation);
    std::string path = WriteSideFile(ProgramDir);
    if (path.empty() && !LocalDataDir.empty() && CreateFolder(LocalDataDir)) path = WriteSideFile(LocalDataDir);
    if (path.empty()) return {SaveFailure::Other};
    State.written.push_back(path);
    KeepNothing();
    if (State.kept) RewriteJournal(*State.kept);
    return {};
}

std::unique_ptr<XmlDocument> TakeSideFiles() {
    if (!State.kept) return nullptr;
    std::unique_ptr<XmlDocument> sideTime = EmptyLog();
    if (!sideTime) return nullptr;
    std::vector<std::string> taken;
    GatherSideFiles(*sideTime, taken, std::string());
    if (taken.empty()) return nullptr;
    Fold();
    std::unique_ptr<XmlDocument> allTime = Copy(*State.kept);
    if (!allTime) return nullptr;
    DayCache cache;
    AddRecordedTime(*allTime, cache, *sideTime);
    State.done.insert(State.done.end(), taken.begin(), taken.end());
    if (!RewriteJournal(*allTime)) {
        State.done.resize(State.done.size() - taken.size());
        State.waiting.insert(State.waiting.end(), taken.begin(), taken.end());
        return nullptr;
    }
    State.kept = std::move(allTime);
    State.keptDay = DayCache();
    return sideTime;
}

bool SideFilesWait() { return !State.waiting.empty() || !State.written.empty(); }

std::string WaitingSideFileFolder() {
    const std::string& path = !State.waiting.empty() ? State.waiting.front()
                              : !State.written.empty() ? State.written.front()
                                                       : std::string();
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

void CloseUnsavedTime() { State = UnsavedState(); }
