// The user's ordered list of window-title patterns and its file "Programs.xml".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/save_result.h"

// In file order, which is the order the sampler tries the patterns; duplicates stay.
extern std::vector<std::string> ProgramList;

// Appends the patterns of the per-user file, or of the shared one when that cannot be loaded.
void LoadProgramList();
// Whether the per-user file was held by another program at the load and has not opened since;
// the shared patterns apply meanwhile.
bool ProgramListIsHeld();
// Whether ProgramList came from the per-user file, rather than from the shared one standing in.
bool ProgramListIsOwn();
// The patterns of the shared file, read now; empty when it cannot be loaded.
std::vector<std::string> ReadSharedPatterns();
// Tries the held per-user file again; when it opens, its patterns replace ProgramList and the
// result is true. False when nothing was held or it is still held.
bool ReopenHeldProgramList();
// Writes ProgramList to the per-user file; the shared file is never written. A per-user file
// that the load read and found damaged is set aside first. A held one is tried again first and
// is never written: the save fails with FileInUse, also when it opens just now (its patterns
// then replace ProgramList). On failure the file stays as it was and the result says why.
SaveResult SaveProgramList();

// Shipped patterns for users who have their own list: which to offer and where they go.
// A short fingerprint of a pattern, for remembering which patterns were offered.
std::uint32_t PatternFingerprint(std::string_view pattern);
// The shared patterns that `own` lacks and whose fingerprints are not in `offeredBefore`, in
// the shared order, each once.
std::vector<std::string> SharedPatternsToOffer(const std::vector<std::string>& shared,
                                               const std::vector<std::string>& own,
                                               const std::vector<std::uint32_t>& offeredBefore);
// `own` with those of `added` that the shared list holds and `own` lacks, each where the
// shared order puts it: before the next shared pattern that `own` holds, or at the end.
std::vector<std::string> AddSharedPatterns(const std::vector<std::string>& own, const std::vector<std::string>& shared,
                                           const std::vector<std::string>& added);
