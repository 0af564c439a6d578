#pragma once

#include <string>
#include <string_view>

#include "files/save_result.h"
#include "xmlstore/xml_document.h"

// A user's own copy of a list, with a shared starting copy beside it ("user1-Programs.xml" and
// "Programs.xml"). The per-user file is read when it can be, the shared one otherwise; a per-user
// file that exists but could not be read holds what a user wrote by hand, so the first save sets
// it aside before writing over it.
struct UserListFile {
    std::string userPath;
    std::string sharedPath;
    bool userFileUnread = false;

    // Also removes what an interrupted save of the per-user file left. False when neither loads.
    bool Load(XmlDocument& document);
    // A set-aside file is named by `setAsideStamp`, the minute of the save ("20261207-0905").
    SaveResult Save(const XmlDocument& document, std::string_view setAsideStamp);
};
