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
// Writes both lists to the per-user file: all projects, then all filters. A per-user file
// that the load could not read is set aside first. On failure the file stays as it was and
// the result says why. A set-aside file is named by `setAsideStamp` ("20261207-0905").
SaveResult SaveProjects(std::string_view setAsideStamp);
