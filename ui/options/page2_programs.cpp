#include "ui/options/page2_programs.h"

#include "resources/resource.h"
#include "tracking/programs_list.h"
#include "ui/options/editor_support.h"

namespace {

const PatternListFile kProgramsFile = {&ProgramList, LoadProgramList, ProgramListIsHeld, SaveProgramList};

}  // namespace

CDlgPage2Programs::CDlgPage2Programs()
    : CPatternListPage(IDD_PAGE_APPLICATIONS, kProgramsFile, kProgramEditorTexts) {}

void CDlgPage2Programs::ShowAddedPatterns(const std::vector<std::string>& shared,
                                          const std::vector<std::string>& added) {
    if (!modified_) {
        Fill();
        return;
    }
    std::vector<std::string> lines;
    for (int index = 0; index < Count(); ++index) lines.push_back(ListBoxItemText(list_, index));
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : AddSharedPatterns(lines, shared, added))
        SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    ApplyButtonRule();
}
