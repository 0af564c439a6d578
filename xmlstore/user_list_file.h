#pragma once

#include <string>
#include <string_view>

#include "files/save_result.h"
#include "xmlstore/xml_document.h"

// A user's own copy of a list, with a shared starting copy beside it ("user1-Programs.xml" and
// "Programs.xml"). The per-user file is read when it can be, the shared one otherwise. A per-user
// file that was read and found damaged holds what a user wrote by hand, so the first save sets
// it aside before writing over it; one that another program holds is neither set aside nor
// written over: the shared list stands in until it opens.
struct UserListFile {
    std::string userPath;
    std::string sharedPath;
    bool userFileUnread = false;
    bool userFileHeld = false;
    // What the last load or reopening read: the per-user file, not the shared one standing in.
    bool userFileLoaded = false;

    // Also removes what an interrupted save of the per-user file left. False when neither loads.
    bool Load(XmlDocument& document);
    // Tries a held per-user file again: true when it loads now, into `document`.
    bool ReopenHeld(XmlDocument& document);
    // A set-aside file is named by `setAsideStamp`, the minute of the save ("20261207-0905").
    // Fails with FileInUse while the per-user file is held.
    SaveResult Save(const XmlDocument& document, std::string_view setAsideStamp);
};
