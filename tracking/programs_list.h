// The user's ordered list of window-title patterns and its file "Programs.xml".
#pragma once

#include <string>
#include <vector>

#include "files/save_result.h"

// In file order, which is the order the sampler tries the patterns; duplicates stay.
extern std::vector<std::string> ProgramList;

// Appends the patterns of the per-user file, or of the shared one when that cannot be loaded.
void LoadProgramList();
// Whether the per-user file was held by another program at the load and has not opened since;
// the shared patterns apply meanwhile.
bool ProgramListIsHeld();
// Tries the held per-user file again; when it opens, its patterns replace ProgramList and the
// result is true. False when nothing was held or it is still held.
bool ReopenHeldProgramList();
// Writes ProgramList to the per-user file; the shared file is never written. A per-user file
// that the load read and found damaged is set aside first. A held one is tried again first and
// is never written: the save fails with FileInUse, also when it opens just now (its patterns
// then replace ProgramList). On failure the file stays as it was and the result says why.
SaveResult SaveProgramList();
