#include "tracking/time_log.h"

#include "base/program_paths.h"
#include "files/file_replace.h"
#include "tracking/log_document.h"
#include "tracking/unsaved_time.h"

std::unique_ptr<XmlDocument> TimeLog;
std::string TimeLogFileName;
std::string TimeLogPath;

namespace {

std::string UserTimeLogFileName() { return UserName + "-Time.xml"; }

DayCache LastFoundDay;
bool TimeLogHeld = false;
// The log file as it was loaded or last saved: a save finds another writer by a change of it.
FileStamp KnownStamp;
bool OtherWriterSeen = false;

}  // namespace

void CreditTime(const LocalDateTime& day, std::string_view appName, std::string_view docName, int seconds) {
    if (!TimeLog) return;
    CreditTimeTo(*TimeLog, LastFoundDay, day, appName, docName, seconds);
    NoteCredit(day, appName, docName, seconds);
}

std::string UserTimeLogPath() { return ProgramDir + UserTimeLogFileName(); }

bool OpenTimeLog() {
    LastFoundDay = DayCache();
    TimeLogFileName = UserTimeLogFileName();
    TimeLogPath = ProgramDir + TimeLogFileName;
    TimeLogHeld = false;
    OtherWriterSeen = false;
    RemoveStaleTemporaryFiles(TimeLogPath);

    TimeLog = CreateXmlDocument();
    if (!TimeLog) return false;

    // Stamped before it is read: a change while it is read then looks like another writer's,
    // never the other way round.
    KnownStamp = ReadFileStamp(TimeLogPath);
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
        KnownStamp = ReadFileStamp(TimeLogPath);
        TimeLog = CreateXmlDocument();
        if (!TimeLog || !TimeLog->LoadXml("<Ostrak/>")) return false;
    }
    // What a run that ended without its last save left for this very file.
    if (std::unique_ptr<XmlDocument> recovered = OpenUnsavedTime(KnownStamp))
        AddRecordedTime(*TimeLog, LastFoundDay, *recovered);
    return true;
}

bool TimeLogIsHeld() { return TimeLogHeld; }
bool OtherWriterChangedLog() { return OtherWriterSeen; }

bool ReopenHeldTimeLog() {
    if (!TimeLogHeld) return true;
    if (!TimeLog) return false;
    std::unique_ptr<XmlDocument> loaded = CreateXmlDocument();
    if (!loaded) return false;
    const FileStamp stamp = ReadFileStamp(TimeLogPath);
    if (!loaded->Load(TimeLogPath) || !IsUsableLog(*loaded)) {
        // Still held; or it opens now but is gone, empty or unreadable, which the start
        // would have found too: set aside what cannot be read, and the recorded log is the log.
        const FileState state = ProbeFile(TimeLogPath);
        if (state == FileState::Unopenable) return false;
        if (state == FileState::Present && !SetFileAside(TimeLogPath, MinuteStampNow())) return false;
        TimeLogHeld = false;
        KnownStamp = ReadFileStamp(TimeLogPath);
        NoteLogReplaced(KnownStamp);
        return true;
    }
    std::unique_ptr<XmlDocument> recorded = std::move(TimeLog);
    TimeLog = std::move(loaded);
    LastFoundDay = DayCache();
    AddRecordedTime(*TimeLog, LastFoundDay, *recorded);
    TimeLogHeld = false;
    // What was recorded meanwhile is still missing from this file, whoever wrote it last.
    KnownStamp = stamp;
    NoteLogReplaced(KnownStamp);
    return true;
}

void TakeSideFilesIntoLog() {
    // Taken while another writer owns the file, they would only be set aside again.
    if (!TimeLog || OtherWriterSeen) return;
    if (std::unique_ptr<XmlDocument> taken = TakeSideFiles()) AddRecordedTime(*TimeLog, LastFoundDay, *taken);
}

SaveResult SaveTimeLog() {
    // A log without its document element never reached a usable state; writing it would
    // only replace the file with nothing.
    if (!TimeLog || !TimeLog->DocumentElement()) return {SaveFailure::Other};
    // The held file is never written over: what it holds comes first.
    if (!ReopenHeldTimeLog()) return {SaveFailure::FileInUse};
    TakeSideFilesIntoLog();
    // A file that is no longer the one loaded or last saved was written by someone else: it is
    // never replaced from here on, and what this run records goes to side files.
    // A file that is gone holds nothing to overwrite: the log in memory takes its place.
    const FileStamp onDisk = ReadFileStamp(TimeLogPath);
    if (onDisk.exists && onDisk != KnownStamp) OtherWriterSeen = true;
    if (OtherWriterSeen) {
        SetUnsavedTimeAside();
        return {SaveFailure::FileInUse};
    }
    const SaveResult result = SaveXmlDocument(*TimeLog, TimeLogPath);
    if (result) {
        KnownStamp = ReadFileStamp(TimeLogPath);
        NoteLogWritten(KnownStamp);
    }
    return result;
}

SaveResult ReplaceTimeLog(std::unique_ptr<XmlDocument> changed) {
    if (!TimeLog || !changed || !IsUsableLog(*changed)) return {SaveFailure::Other};
    if (TimeLogHeld || OtherWriterSeen) return {SaveFailure::FileInUse};
    const FileStamp onDisk = ReadFileStamp(TimeLogPath);
    if (onDisk.exists && onDisk != KnownStamp) {
        // Found here as a save would find it; the next save sets this run's time aside.
        OtherWriterSeen = true;
        return {SaveFailure::FileInUse};
    }
    const SaveResult result = SaveXmlDocument(*changed, TimeLogPath);
    if (!result) return result;
    TimeLog = std::move(changed);
    LastFoundDay = DayCache();
    KnownStamp = ReadFileStamp(TimeLogPath);
    NoteLogWritten(KnownStamp);
    return result;
}

void CloseTimeLog() {
    LastFoundDay = DayCache();
    TimeLog.reset();
    TimeLogHeld = false;
    OtherWriterSeen = false;
    CloseUnsavedTime();
}
