#include "tracking/private_list.h"

#include <memory>

#include "base/program_paths.h"
#include "tracking/calendar.h"
#include "tracking/pattern_file.h"
#include "xmlstore/user_list_file.h"
#include "xmlstore/xml_document.h"

std::vector<std::string> PrivateList;

namespace {

UserListFile& ListFile() {
    static UserListFile file;
    file.userPath = ProgramDir + UserName + "-" + "Private.xml";
    file.sharedPath = ProgramDir + "Private.xml";
    return file;
}

}  // namespace

void LoadPrivateList() {
    PrivateList.clear();
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (document && ListFile().Load(*document)) AppendPatterns(*document, PrivateList);
}

bool PrivateListFailsClosed() {
    const UserListFile& file = ListFile();
    return file.userFileHeld || file.userFileUnread;
}

bool PrivateListIsHeld() { return ListFile().userFileHeld; }

bool ReopenHeldPrivateList() {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (!document || !ListFile().ReopenHeld(*document)) return false;
    PrivateList.clear();
    AppendPatterns(*document, PrivateList);
    return true;
}

SaveResult SavePrivateList() {
    if (ReopenHeldPrivateList() || PrivateListIsHeld()) return {SaveFailure::FileInUse};
    std::unique_ptr<XmlDocument> document = PatternsDocument(PrivateList);
    if (!document) return {SaveFailure::Other};
    return ListFile().Save(*document, MinuteStampNow());
}
