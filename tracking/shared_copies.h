// Copies of this computer's records in a folder the user shares between computers (a synced
// folder or a network share), so that the report can add the computers up. Each computer
// writes only its own files there: "<user>@<computer>-Time.xml" and
// "<user>@<computer>-Timeline-YYYY-MM.tsv", each the local file as last saved.
#pragma once

#include <string>
#include <string_view>

#include "files/save_result.h"

std::string SharedLogName(std::string_view user, std::string_view computer);
std::string SharedTimelineName(std::string_view user, std::string_view computer, int year, int month);

enum class SharedCopyState {
    Off,            // no shared folder is set, or no copy was made yet
    Current,        // the copies there are the local files as saved
    Kept,           // a copy there holds time the local file lacks and is not this computer's last write
    FolderMissing,  // the folder cannot be found (removed, offline)
    Failed,         // a copy could not be written; `failure` says why
};
struct SharedCopyOutcome {
    SharedCopyState state = SharedCopyState::Off;
    SaveFailure failure = SaveFailure::None;
    // A local file changed while it was copied: its copy is made again soon.
    bool again = false;
};

// What a copy needs, taken on the program's thread: the copying itself reads no shared state.
struct SharedCopyJob {
    std::string folder;      // the shared folder, with its final separator
    std::string programDir;  // where the local files are
    std::string user;
    std::string computer;
};

// Copies the log and every month's timeline whose copy is not current, each through a
// temporary file and one replace. A copy that holds a day's seconds beyond the local file's is
// kept unless it is, byte for byte, what this computer wrote last; a kept log means nothing
// is written. What was written is remembered beside the log ("<user>-Time.<computer>.copies").
SharedCopyOutcome CopyToSharedFolder(const SharedCopyJob& job);

// The user's shared folder (empty: off); a change copies at once.
void SetSharedFolder(const std::string& folder);
// As set, with its final separator.
const std::string& SharedFolder();

enum class SharedCopyWhen {
    Hourly,  // after a good save: at most once an hour, sooner after a failure
    Now,     // exit, the end of the session, sleep, a change taken back
};
// Hands a copy to the worker thread, which the program's thread never waits for; nothing while
// no folder is set.
void RequestSharedCopy(SharedCopyWhen when);
inline constexpr int kSharedCopyIntervalSeconds = 3600;
// Waits at most this long for the copies asked for; true when they are done.
bool WaitForSharedCopies(unsigned milliseconds);
// At exit: waits as long at most, then lets go of the worker whatever it does.
void FinishSharedCopies(unsigned milliseconds);

SharedCopyOutcome LastSharedCopy();
// Told on the worker's thread after each copy; the listener hands over to the program's thread.
using SharedCopyListener = void (*)();
void SetSharedCopyListener(SharedCopyListener listener);
