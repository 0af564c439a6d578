// The user's ordered list of window-title patterns and its file "Programs.xml".
#pragma once

#include <string>
#include <vector>

#include "files/save_result.h"

// In file order, which is the order the sampler tries the patterns; duplicates stay.
extern std::vector<std::string> ProgramList;

// Appends the patterns of the per-user file, or of the shared one when that cannot be loaded.
void LoadProgramList();
// Writes ProgramList to the per-user file; the shared file is never written. A per-user file
// that the load could not read is set aside first. On failure the file stays as it was and
// the result says why.
SaveResult SaveProgramList();
