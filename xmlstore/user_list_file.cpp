#include "xmlstore/user_list_file.h"

#include "files/file_replace.h"

bool UserListFile::Load(XmlDocument& document) {
    userFileUnread = false;
    RemoveStaleTemporaryFiles(userPath);
    if (document.Load(userPath)) return true;
    const FileState state = ProbeFile(userPath);
    userFileUnread = state == FileState::Present || state == FileState::Unopenable;
    return document.Load(sharedPath);
}

SaveResult UserListFile::Save(const XmlDocument& document, std::string_view setAsideStamp) {
    if (userFileUnread) {
        SaveResult setAside = SetAsideBeforeReplacing(userPath, setAsideStamp);
        if (!setAside) return setAside;
        userFileUnread = false;
    }
    return SaveXmlDocument(document, userPath);
}
