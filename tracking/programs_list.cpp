#include "tracking/programs_list.h"

#include "base/program_paths.h"
#include "tracking/calendar.h"
#include "xmlstore/user_list_file.h"
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

// The per-user file and the shared one, at the paths of this moment: the program folder and
// the user are known only once the program runs.
UserListFile& ListFile() {
    static UserListFile file;
    file.userPath = UserProgramsPath();
    file.sharedPath = SharedProgramsPath();
    return file;
}

void AppendPatterns(XmlDocument& document) {
    // Lenient: every Pattern anywhere, whatever the root is called, in document order.
    for (XmlNode pattern : document.AsNode().SelectNodes("//Pattern")) {
        XmlNode text = pattern.FirstChild();
        // We never write anything but text into a Pattern; a hand-made one that starts with
        // an element or a comment names no pattern we could know.
        if (!text || text.Kind() != XmlNodeKind::Text) continue;
        ProgramList.push_back(text.Value());
    }
}

}  // namespace

void LoadProgramList() {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (document && ListFile().Load(*document)) AppendPatterns(*document);
}

bool ProgramListIsHeld() { return ListFile().userFileHeld; }

bool ReopenHeldProgramList() {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (!document || !ListFile().ReopenHeld(*document)) return false;
    ProgramList.clear();
    AppendPatterns(*document);
    return true;
}

SaveResult SaveProgramList() {
    // The list in memory was edited over the shared one. A held file that opens only now wins
    // over it, as at every other retry: the user is told that the save failed, and what the
    // file holds, never read until now, is not lost.
    if (ReopenHeldProgramList() || ProgramListIsHeld()) return {SaveFailure::FileInUse};
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
    return ListFile().Save(*document, MinuteStampNow());
}
