#include "projects/projects.h"

#include "base/narrow_text.h"
#include "base/program_paths.h"
#include "xmlstore/user_list_file.h"
#include "xmlstore/xml_document.h"

std::vector<ProjectItem> ProjectList;
std::vector<FilterItem> FilterList;

namespace {

std::string UserProjectsPath() { return ProgramDir + UserName + "-" + "Projects.xml"; }

// Starting set for every user who has not saved projects of their own yet.
std::string SharedProjectsPath() { return ProgramDir + "Projects.xml"; }

// The per-user file and the shared one, at the paths of this moment: the program folder and
// the user are known only once the program runs.
UserListFile& ListFile() {
    static UserListFile file;
    file.userPath = UserProjectsPath();
    file.sharedPath = SharedProjectsPath();
    return file;
}

// An element's name or text: its first child's value, cut; empty when it has no child
// (the save writes a blank name as an empty element).
std::string ElementText(XmlNode element) {
    XmlNode child = element.FirstChild();
    std::string text = child ? child.Value() : std::string();
    CutText(text, kNameLimit);
    return text;
}

// A missing or non-numeric attribute of a hand-edited file reads as 0.
std::int32_t IntegerAttribute(XmlNode element, const char* name) {
    std::int32_t value = 0;
    return element.AttributeToInt32(name, value) ? value : 0;
}

bool AppendTextElement(XmlDocument& document, XmlNode root, const char* name, const std::string& text,
                       XmlNode& element) {
    element = document.CreateElement(name);
    XmlNode content = document.CreateTextNode(text);
    if (!element || !content) return false;
    element.AppendChild(content);
    return static_cast<bool>(root.AppendChild(element));
}

void AppendProjectsAndFilters(XmlDocument& document) {
    // Lenient: every Project and every Filter anywhere, whatever the root, in document order.
    for (XmlNode element : document.AsNode().SelectNodes("//Project"))
        ProjectList.push_back({ElementText(element), IntegerAttribute(element, "id")});
    for (XmlNode element : document.AsNode().SelectNodes("//Filter"))
        FilterList.push_back(
            {ElementText(element), IntegerAttribute(element, "project"), IntegerAttribute(element, "where")});
}

}  // namespace

void LoadProjects() {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (document && ListFile().Load(*document)) AppendProjectsAndFilters(*document);
}

bool ProjectsAreHeld() { return ListFile().userFileHeld; }

bool ReopenHeldProjects() {
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (!document || !ListFile().ReopenHeld(*document)) return false;
    ProjectList.clear();
    FilterList.clear();
    AppendProjectsAndFilters(*document);
    return true;
}

SaveResult SaveProjects(std::string_view setAsideStamp) {
    // The lists in memory were edited over the shared ones. A held file that opens only now
    // wins over them, as at every other retry: the user is told that the save failed, and what
    // the file holds, never read until now, is not lost.
    if (ReopenHeldProjects() || ProjectsAreHeld()) return {SaveFailure::FileInUse};
    std::unique_ptr<XmlDocument> document = CreateXmlDocument();
    if (!document || !document->LoadXml("<List/>")) return {SaveFailure::Other};
    XmlNode root = document->DocumentElement();
    if (!root) return {SaveFailure::Other};
    // A document cut short by a failure must not replace the saved one.
    for (const ProjectItem& project : ProjectList) {
        XmlNode element;
        if (!AppendTextElement(*document, root, "Project", project.name, element)) return {SaveFailure::Other};
        element.SetAttribute("id", std::int64_t{project.id});
    }
    for (const FilterItem& filter : FilterList) {
        XmlNode element;
        if (!AppendTextElement(*document, root, "Filter", filter.text, element)) return {SaveFailure::Other};
        element.SetAttribute("project", std::int64_t{filter.project});
        element.SetAttribute("where", std::int64_t{filter.where});
    }
    return ListFile().Save(*document, setAsideStamp);
}
