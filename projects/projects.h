// The user's projects and their filters, and their common file "Projects.xml". Only the
// Projects page edits them; the report reads the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/save_result.h"

struct ProjectItem {
    std::string name;  // at most kNameLimit bytes when loaded
    std::int32_t id = 0;
};

struct FilterItem {
    std::string text;  // at most kNameLimit bytes when loaded
    std::int32_t project = 0;
    std::int32_t where = 0;  // 0: found in the application name; 1: in the document name
};

extern std::vector<ProjectItem> ProjectList;
extern std::vector<FilterItem> FilterList;

// Appends the projects and filters of the per-user file, or of the shared one when that
// cannot be loaded.
void LoadProjects();
// Whether the per-user file was held by another program at the load and has not opened since;
// the shared projects and filters apply meanwhile.
bool ProjectsAreHeld();
// Tries the held per-user file again; when it opens, its projects and filters replace both
// lists and the result is true. False when nothing was held or it is still held.
bool ReopenHeldProjects();
// Writes both lists to the per-user file: all projects, then all filters. A per-user file
// that the load read and found damaged is set aside first, named by `setAsideStamp`
// ("20261207-0905"). A held one is tried again first and is never written: the save fails with
// FileInUse, also when it opens just now (its lists then replace both). On failure the file
// stays as it was and the result says why.
SaveResult SaveProjects(std::string_view setAsideStamp);
