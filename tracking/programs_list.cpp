#include "tracking/programs_list.h"

#include "base/program_paths.h"
#include "tracking/time_log.h"
#include "xmlstore/xml_document.h"

std::vector<std::string> ProgramList;

namespace {

std::string UserProgramsPath() {
    return ProgramDir + UserName + "-" + "Programs.xml";
}

// Starting list for every user who has not saved a list of their own yet.
std::string SharedProgramsPath() {
    return ProgramDir + "Programs.xml";
}

// The per-user file exists but the load could not read it: hand-edited patterns the next
// save must not destroy.
bool UserFileUnread = false;

}  // namespace

void LoadProgramList() {
    UserFileUnread = false;
    RemoveStaleTemporaryFiles(UserProgramsPath());
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (!document) return;
    if (!document->Load(UserProgramsPath())) {
        const FileState state = ProbeFile(UserProgramsPath());
        UserFileUnread = state == FileState::Present || state == FileState::Unopenable;
        if (!document->Load(SharedProgramsPath())) return;
    }

    // Lenient: every Pattern anywhere, whatever the root is called, in document order.
    for (XmlNode pattern : document->AsNode().SelectNodes("//Pattern")) {
        XmlNode text = pattern.FirstChild();
        // We never write anything but text into a Pattern; a hand-made one that starts with
        // an element or a comment names no pattern we could know.
        if (!text || text.Kind() != XmlNodeKind::Text) continue;
        ProgramList.push_back(text.Value());
    }
}

SaveResult SaveProgramList() {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (!document || !document->LoadXml("<List/>")) return {SaveFailure::Other};
    XmlNode root = document->DocumentElement();
    if (!root) return {SaveFailure::Other};
    for (const std::string& pattern : ProgramList) {
        XmlNode element = document->CreateElement("Pattern");
        XmlNode text = document->CreateTextNode(pattern);
        // A list cut short must not replace the saved one.
        if (!element || !text) return {SaveFailure::Other};
        element.AppendChild(text);
        root.AppendChild(element);
    }
    if (UserFileUnread) {
        SaveResult setAside = SetAsideBeforeReplacing(UserProgramsPath(), MinuteStampNow());
        if (!setAside) return setAside;
        UserFileUnread = false;
    }
    return SaveXmlDocument(*document, UserProgramsPath());
}
