// Replacing a file's contents so that a failure never leaves it emptied or cut short.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Appends bytes to the file being written; false when the write failed.
using WritePiece = std::function<bool(std::string_view)>;

// Writes the bytes to a new file beside the target, flushes it to disk and puts it in the
// target's place in one step. On failure the target is unchanged and no temporary file stays.
bool ReplaceFileContents(const std::string& narrowPath, std::string_view bytes);
// The same with the bytes made while they are written: `produce` hands them to its argument
// piece by piece and returns false to give up.
bool ReplaceFileContents(const std::string& narrowPath, const std::function<bool(const WritePiece&)>& produce);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& narrowPath, std::string& bytes);
