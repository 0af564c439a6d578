// Replacing a file's contents so that a failure never leaves it emptied or cut short, and the
// care of the files around it: probing, setting an unreadable one aside, and removing the
// temporary files of a save that its process did not live to finish.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "files/save_result.h"

// Appends bytes to the file being written; false when the write failed.
using WritePiece = std::function<bool(std::string_view)>;

// Writes the bytes to a new file beside the target ("<target>.~<process id>-<n>"), flushes
// it to disk and puts it in the target's place in one step. On failure the target is
// unchanged and no temporary file stays.
SaveResult ReplaceFileContents(const std::string& narrowPath, std::string_view bytes);
// The same with the bytes made while they are written: `produce` hands them to its argument
// piece by piece and returns false to give up.
SaveResult ReplaceFileContents(const std::string& narrowPath, const std::function<bool(const WritePiece&)>& produce);

// Appends to a file, created when missing, in one write followed by a flush. `bytesFor` is told
// whether the file is empty and whether its last byte ends a line, and gives what to write. A
// failed write is taken back: the file keeps its old length.
using AppendBytes = std::function<std::string(bool empty, bool endsWithLineBreak)>;
SaveResult AppendFileContents(const std::string& narrowPath, const AppendBytes& bytesFor);

// Removes the temporary files beside the target whose process no longer runs: what a save
// left when its process was ended in the middle of it.
void RemoveStaleTemporaryFiles(const std::string& narrowPath);

enum class FileState {
    Missing,
    Empty,
    Present,
    // It exists but cannot be opened: another program holds it, or it may not be read.
    Unopenable,
};
FileState ProbeFile(const std::string& narrowPath);

// Moves a file that exists but could not be read to "<name>.unreadable-<stamp><extension>"
// beside it (a counter follows the stamp when that name is taken), so that writing a new file cannot
// destroy what it holds. `stamp` names the minute, as "20261207-0905".
bool SetFileAside(const std::string& narrowPath, std::string_view stamp);

// For a file that a load could not read (FileState Present or Unopenable), before a new one
// is written in its place: sets it aside when it is still there. A failure means that nothing
// may be written yet.
SaveResult SetAsideBeforeReplacing(const std::string& narrowPath, std::string_view stamp);
