#include "tracking/programs_list.h"

#include <algorithm>
#include <map>
#include <set>

#include "base/program_paths.h"
#include "tracking/calendar.h"
#include "tracking/pattern_file.h"
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

}  // namespace

void LoadProgramList() {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (document && ListFile().Load(*document)) AppendPatterns(*document, ProgramList);
}

bool ProgramListIsHeld() { return ListFile().userFileHeld; }

bool ProgramListIsOwn() { return ListFile().userFileLoaded; }

std::vector<std::string> ReadSharedPatterns() {
    std::vector<std::string> patterns;
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (document && document->Load(SharedProgramsPath())) AppendPatterns(*document, patterns);
    return patterns;
}

bool ReopenHeldProgramList() {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (!document || !ListFile().ReopenHeld(*document)) return false;
    ProgramList.clear();
    AppendPatterns(*document, ProgramList);
    return true;
}

SaveResult SaveProgramList() {
    // The list in memory was edited over the shared one. A held file that opens only now wins
    // over it, as at every other retry: the user is told that the save failed, and what the
    // file holds, never read until now, is not lost.
    if (ReopenHeldProgramList() || ProgramListIsHeld()) return {SaveFailure::FileInUse};
    std::unique_ptr<XmlDocument> document = PatternsDocument(ProgramList);
    if (!document) return {SaveFailure::Other};
    return ListFile().Save(*document, MinuteStampNow());
}

std::uint32_t PatternFingerprint(std::string_view pattern) {
    // FNV-1a: a collision only keeps one new pattern from being offered.
    std::uint32_t hash = 2166136261u;
    for (unsigned char byte : pattern) {
        hash ^= byte;
        hash *= 16777619u;
    }
    return hash;
}

std::vector<std::string> SharedPatternsToOffer(const std::vector<std::string>& shared,
                                               const std::vector<std::string>& own,
                                               const std::vector<std::uint32_t>& offeredBefore) {
    const std::set<std::string> owned(own.begin(), own.end());
    const std::set<std::uint32_t> offered(offeredBefore.begin(), offeredBefore.end());
    std::set<std::string> taken;
    std::vector<std::string> offer;
    for (const std::string& pattern : shared) {
        if (owned.count(pattern) || offered.count(PatternFingerprint(pattern)) || !taken.insert(pattern).second) continue;
        offer.push_back(pattern);
    }
    return offer;
}

std::vector<std::string> AddSharedPatterns(const std::vector<std::string>& own, const std::vector<std::string>& shared,
                                           const std::vector<std::string>& added) {
    // The first place of each own pattern: a new one goes before the first of duplicates.
    std::map<std::string, std::size_t> ownPlace;
    for (std::size_t index = own.size(); index-- > 0;) ownPlace[own[index]] = index;
    const std::set<std::string> wanted(added.begin(), added.end());
    std::set<std::string> placed;
    // What goes before own[i], and (at own.size()) after the last.
    std::vector<std::vector<std::string>> before(own.size() + 1);
    std::vector<std::string> waiting;
    for (const std::string& pattern : shared) {
        const auto owned = ownPlace.find(pattern);
        if (owned != ownPlace.end()) {
            std::vector<std::string>& slot = before[owned->second];
            slot.insert(slot.end(), waiting.begin(), waiting.end());
            waiting.clear();
        } else if (wanted.count(pattern) && placed.insert(pattern).second) {
            waiting.push_back(pattern);
        }
    }
    before[own.size()] = std::move(waiting);
    std::vector<std::string> merged;
    merged.reserve(own.size() + placed.size());
    for (std::size_t index = 0; index <= own.size(); ++index) {
        merged.insert(merged.end(), before[index].begin(), before[index].end());
        if (index < own.size()) merged.push_back(own[index]);
    }
    return merged;
}
