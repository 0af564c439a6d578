#include "xmlstore/user_list_file.h"

#include "files/file_replace.h"

namespace {

// Why a per-user file that did not load failed: read and damaged, or held by another program.
void NoteWhyUnloaded(UserListFile& file) {
    const FileState state = ProbeFile(file.userPath);
    file.userFileUnread = state == FileState::Present;
    file.userFileHeld = state == FileState::Unopenable;
}

}  // namespace

bool UserListFile::Load(XmlDocument& document) {
    userFileUnread = false;
    userFileHeld = false;
    RemoveStaleTemporaryFiles(userPath);
    userFileLoaded = document.Load(userPath);
    if (userFileLoaded) return true;
    NoteWhyUnloaded(*this);
    return document.Load(sharedPath);
}

bool UserListFile::ReopenHeld(XmlDocument& document) {
    if (!userFileHeld) return false;
    if (document.Load(userPath)) {
        userFileHeld = false;
        userFileLoaded = true;
        return true;
    }
    // Let go of by now, it may turn out damaged (set aside at the first save, as at a load) or
    // gone (the next save writes it anew).
    NoteWhyUnloaded(*this);
    return false;
}

SaveResult UserListFile::Save(const XmlDocument& document, std::string_view setAsideStamp) {
    // What the held file says has never been read: writing over it would lose it.
    if (userFileHeld) return {SaveFailure::FileInUse};
    if (userFileUnread) {
        SaveResult setAside = SetAsideBeforeReplacing(userPath, setAsideStamp);
        if (!setAside) return setAside;
        userFileUnread = false;
    }
    return SaveXmlDocument(document, userPath);
}
