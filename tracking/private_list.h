// The user's private patterns and their file "Private.xml": a window whose title holds one is
// recorded under the private name with no document, and its title is kept nowhere.
#pragma once

#include <string>
#include <vector>

#include "files/save_result.h"

// In file order; tried before the application patterns.
extern std::vector<std::string> PrivateList;

// Replaces PrivateList by the patterns of the per-user file, or of the shared one when the
// user has none. A per-user file that exists but cannot be read (held, damaged) is not stood in
// for silently: the shared patterns apply, and PrivateListFailsClosed says so.
void LoadPrivateList();
// Whether the user's own file exists but could not be read (held by another program, or
// damaged and not yet replaced by a save): no document name may be recorded then.
bool PrivateListFailsClosed();
bool PrivateListIsHeld();
// Tries the held per-user file again; when it opens, its patterns replace PrivateList and the
// result is true.
bool ReopenHeldPrivateList();
// Writes PrivateList to the per-user file, as SaveProgramList does for the application patterns;
// a damaged file is set aside first, and a good save ends failing closed.
SaveResult SavePrivateList();
