#include "ui/options/page3_filters.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "base/scoped_handles_win.h"
#include "projects/projects.h"
#include "resources/resource.h"
#include "tracking/calendar.h"
#include "ui/options/editor_support.h"
#include "ui/options/popup_filter.h"
#include "ui/options/popup_project.h"
#include "winui/wide_text.h"

namespace {

// After a deletion: selects the item now at `index`, or the last one, and returns which;
// -1 when the list is empty.
int SelectInRange(HWND list, int index, int count) {
    if (count <= 0) return -1;
    index = std::min(index, count - 1);
    SendMessageA(list, LB_SETCURSEL, index, 0);
    return index;
}

// A filter's project and where-kind share its item data, one in each 32-bit half, so that
// every value of a hand-edited file passes the page unchanged.
static_assert(sizeof(LPARAM) >= 8, "the filters list's item data holds two 32-bit values");

LPARAM FilterItemData(std::int32_t project, std::int32_t where) {
    const std::uint64_t high = static_cast<std::uint32_t>(project);
    const std::uint64_t low = static_cast<std::uint32_t>(where);
    return static_cast<LPARAM>(high << 32 | low);
}

std::int32_t FilterProject(LRESULT data) { return static_cast<std::int32_t>(static_cast<std::uint64_t>(data) >> 32); }

std::int32_t FilterWhere(LRESULT data) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(data)); }

std::string FilterLine(const std::string& text, const std::string& projectName, const std::string& whereText) {
    return text + '\t' + projectName + '\t' + whereText;
}

// The filter text is the line up to its first TAB.
std::string FilterText(const std::string& line) { return line.substr(0, line.find('\t')); }

// The text, the project name and the kind of a filter line.
struct FilterLineParts {
    std::string text, project, kind;
};

FilterLineParts SplitFilterLine(const std::string& line) {
    FilterLineParts parts;
    const std::size_t first = line.find('\t');
    parts.text = line.substr(0, first);
    if (first == std::string::npos) return parts;
    const std::size_t second = line.find('\t', first + 1);
    parts.project = line.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (second != std::string::npos) parts.kind = line.substr(second + 1);
    return parts;
}

// The filter text and the project name share what the kind leaves, as 90 to 60 dialog units.
constexpr int kTextShare = 90;
constexpr int kProjectShare = 60;
// The narrowest kind column, in dialog units.
constexpr int kKindMinimum = 10;

}  // namespace

CDlgPage3Filters::CDlgPage3Filters() : COptionsPage(IDD_PAGE_PROJECTS) {}

bool CDlgPage3Filters::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgPage3Filters> rows[] = {
        HandleMessage(WM_INITDIALOG, &CDlgPage3Filters::OnInitDialog),
        HandleCommand(IDC_PAGE_PROJECTS_PROJECTS, LBN_SELCHANGE, &CDlgPage3Filters::OnProjectSelectionChange),
        HandleCommand(IDC_PAGE_PROJECTS_PROJECTS, LBN_DBLCLK, &CDlgPage3Filters::OnProjectDoubleClick),
        HandleCommand(IDC_PAGE_PROJECTS_FILTERS, LBN_SELCHANGE, &CDlgPage3Filters::OnFilterSelectionChange),
        HandleCommand(IDC_PAGE_PROJECTS_FILTERS, LBN_DBLCLK, &CDlgPage3Filters::OnFilterDoubleClick),
        HandleCommand(IDC_PAGE_PROJECTS_ADD_PROJECT, &CDlgPage3Filters::OnAddProject),
        HandleCommand(IDC_PAGE_PROJECTS_DELETE_PROJECT, &CDlgPage3Filters::OnDeleteProject),
        HandleCommand(IDC_PAGE_PROJECTS_ADD_FILTER, &CDlgPage3Filters::OnAddFilter),
        HandleCommand(IDC_PAGE_PROJECTS_DELETE_FILTER, &CDlgPage3Filters::OnDeleteFilter),
        HandleCommand(IDC_PAGE_PROJECTS_FILTER_DOWN, &CDlgPage3Filters::OnFilterDown),
        HandleCommand(IDC_PAGE_PROJECTS_FILTER_UP, &CDlgPage3Filters::OnFilterUp),
        HandleMessage(WM_DRAWITEM, &CDlgPage3Filters::OnDrawItem),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgPage3Filters::OnInitDialog(WindowMessage&) {
    projects_ = Item(IDC_PAGE_PROJECTS_PROJECTS);
    filters_ = Item(IDC_PAGE_PROJECTS_FILTERS);
    LayOutFilterColumns();
    // The page's creation is the one moment projects and filters are read from their file.
    LoadProjects();
    Fill();
    SetButtons();
    return TRUE;
}

LRESULT CDlgPage3Filters::OnProjectSelectionChange(WindowMessage&) {
    projectIndex_ = static_cast<int>(SendMessageA(projects_, LB_GETCURSEL, 0, 0));
    return 0;
}

LRESULT CDlgPage3Filters::OnProjectDoubleClick(WindowMessage&) {
    if (projectIndex_ < 0) return 0;
    CDlgPopupProject editor(CDlgPopupProject::Edit, ListBoxItemText(projects_, projectIndex_));
    if (editor.DoModal(hwnd()) != IDOK) return 0;
    // The filter lines keep the old name until the next fill; they refer to the identifier.
    const LRESULT data = SendMessageA(projects_, LB_GETITEMDATA, projectIndex_, 0);
    SendMessageA(projects_, LB_INSERTSTRING, projectIndex_, reinterpret_cast<LPARAM>(editor.Name().c_str()));
    SendMessageA(projects_, LB_SETITEMDATA, projectIndex_, data);
    SendMessageA(projects_, LB_SETCURSEL, projectIndex_, 0);
    SendMessageA(projects_, LB_DELETESTRING, projectIndex_ + 1, 0);
    modified_ = true;
    SetButtons();
    return 0;
}

LRESULT CDlgPage3Filters::OnFilterSelectionChange(WindowMessage&) {
    filterIndex_ = static_cast<int>(SendMessageA(filters_, LB_GETCURSEL, 0, 0));
    SetButtons();
    return 0;
}

LRESULT CDlgPage3Filters::OnFilterDoubleClick(WindowMessage&) {
    if (filterIndex_ < 0) return 0;
    const LRESULT data = SendMessageA(filters_, LB_GETITEMDATA, filterIndex_, 0);
    CDlgPopupFilter editor(CDlgPopupFilter::Edit, FilterText(ListBoxItemText(filters_, filterIndex_)),
                           FilterWhere(data), FilterProject(data), projects_);
    if (editor.DoModal(hwnd()) != IDOK) return 0;
    InsertFilter(filterIndex_, FilterLine(editor.Text(), editor.ProjectName(), editor.WhereText()),
                 FilterItemData(editor.Project(), editor.Where()));
    SendMessageA(filters_, LB_DELETESTRING, filterIndex_ + 1, 0);
    modified_ = true;
    SetButtons();
    return 0;
}

LRESULT CDlgPage3Filters::OnAddProject(WindowMessage&) {
    // Identifiers only grow; past the largest there is none left to give.
    if (highestProject_ == INT32_MAX) return 0;
    CDlgPopupProject editor(CDlgPopupProject::Add, std::string());
    if (editor.DoModal(hwnd()) == IDOK) {
        // Just below the selected project, at the top when there is none.
        ++projectIndex_;
        ++highestProject_;
        SendMessageA(projects_, LB_INSERTSTRING, projectIndex_, reinterpret_cast<LPARAM>(editor.Name().c_str()));
        SendMessageA(projects_, LB_SETITEMDATA, projectIndex_, ProjectItemData(highestProject_));
        SendMessageA(projects_, LB_SETCURSEL, projectIndex_, 0);
        ++projectCount_;
        modified_ = true;
    }
    SetButtons();
    return 0;
}

LRESULT CDlgPage3Filters::OnDeleteProject(WindowMessage&) {
    if (projectIndex_ < 0) return 0;
    const std::int32_t project = ProjectFromItemData(SendMessageA(projects_, LB_GETITEMDATA, projectIndex_, 0));
    SendMessageA(projects_, LB_DELETESTRING, projectIndex_, 0);
    --projectCount_;
    projectIndex_ = SelectInRange(projects_, projectIndex_, projectCount_);

    // The project's filters go with it.
    for (int index = filterCount_ - 1; index >= 0; --index) {
        if (FilterProject(SendMessageA(filters_, LB_GETITEMDATA, index, 0)) == project) {
            SendMessageA(filters_, LB_DELETESTRING, index, 0);
            --filterCount_;
        }
    }
    const int selected = static_cast<int>(SendMessageA(filters_, LB_GETCURSEL, 0, 0));
    filterIndex_ = selected >= 0 ? selected : SelectInRange(filters_, filterIndex_, filterCount_);
    modified_ = true;
    SetButtons();
    return 0;
}

LRESULT CDlgPage3Filters::OnAddFilter(WindowMessage&) {
    // A filter belongs to a project: without one there is nothing to add it to.
    if (projectCount_ == 0) return 0;
    const std::int32_t project =
        projectIndex_ >= 0 ? ProjectFromItemData(SendMessageA(projects_, LB_GETITEMDATA, projectIndex_, 0)) : 0;
    CDlgPopupFilter editor(CDlgPopupFilter::Add, std::string(), 0, project, projects_);
    if (editor.DoModal(hwnd()) == IDOK) {
        // Just below the selected filter, at the top when there is none.
        ++filterIndex_;
        InsertFilter(filterIndex_, FilterLine(editor.Text(), editor.ProjectName(), editor.WhereText()),
                     FilterItemData(editor.Project(), editor.Where()));
        ++filterCount_;
        modified_ = true;
    }
    SetButtons();
    return 0;
}

LRESULT CDlgPage3Filters::OnDeleteFilter(WindowMessage&) {
    if (filterIndex_ < 0) return 0;
    SendMessageA(filters_, LB_DELETESTRING, filterIndex_, 0);
    --filterCount_;
    filterIndex_ = SelectInRange(filters_, filterIndex_, filterCount_);
    modified_ = true;
    SetButtons();
    return 0;
}

LRESULT CDlgPage3Filters::OnFilterDown(WindowMessage&) {
    MoveFilter(1);
    return 0;
}

LRESULT CDlgPage3Filters::OnFilterUp(WindowMessage&) {
    MoveFilter(-1);
    return 0;
}

void CDlgPage3Filters::MoveFilter(int step) {
    const int target = filterIndex_ + step;
    if (filterIndex_ < 0 || target < 0 || target >= filterCount_) return;
    const std::string line = ListBoxItemText(filters_, filterIndex_);
    const LRESULT data = SendMessageA(filters_, LB_GETITEMDATA, filterIndex_, 0);
    SendMessageA(filters_, LB_DELETESTRING, filterIndex_, 0);
    filterIndex_ = target;
    InsertFilter(filterIndex_, line, data);
    modified_ = true;
    SetButtons();
}

LRESULT CDlgPage3Filters::OnDrawItem(WindowMessage& message) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.lParam);
    if (!item || item->hwndItem != filters_) {
        message.handled = false;
        return 0;
    }
    DrawFilterLine(*item);
    return TRUE;
}

void CDlgPage3Filters::LayOutFilterColumns() {
    // Lines as high as the projects list's, which draws its own.
    SendMessageA(filters_, LB_SETITEMHEIGHT, 0, SendMessageA(projects_, LB_GETITEMHEIGHT, 0, 0));

    // The columns stay where they are whether the scroll bar shows or not: they are laid out
    // for the narrower list, the one with the scroll bar.
    RECT client{};
    GetClientRect(filters_, &client);
    SCROLLBARINFO scrollBar{};
    scrollBar.cbSize = sizeof scrollBar;
    const bool scrollBarShown = GetScrollBarInfo(filters_, OBJID_VSCROLL, &scrollBar) &&
                                !(scrollBar.rgstate[0] & STATE_SYSTEM_INVISIBLE);
    const int width = client.right - (scrollBarShown ? 0 : GetSystemMetrics(SM_CXVSCROLL));

    // The kind column fits the longer kind whole; the other two share the rest.
    RECT minimum{0, 0, kKindMinimum, 0};
    MapDialogRect(hwnd(), &minimum);
    int kindWidth = minimum.right;
    {
        ScopedGetDC dc(filters_);
        ScopedSelectObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(filters_, WM_GETFONT, 0, 0)));
        for (std::int32_t where : {0, 1}) {
            const std::wstring kind = WideText(WhereShortText(where));
            SIZE extent{};
            if (GetTextExtentPoint32W(dc.get(), kind.c_str(), static_cast<int>(kind.size()), &extent))
                kindWidth = std::max(kindWidth, static_cast<int>(extent.cx) + 2 * GetSystemMetrics(SM_CXEDGE));
        }
    }
    const int shared = std::max(width - kindWidth, 0);
    columns_.project = shared * kTextShare / (kTextShare + kProjectShare);
    columns_.kind = shared;
}

void CDlgPage3Filters::DrawFilterLine(const DRAWITEMSTRUCT& item) const {
    HDC dc = item.hDC;
    // An empty list with the focus shows the focus where its first line would be.
    if (item.itemID == static_cast<UINT>(-1)) {
        if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &item.rcItem);
        return;
    }
    // The whole line every time: a change of selection or focus alone is drawn the same way.
    const bool selected = item.itemState & ODS_SELECTED;
    FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int textColour = item.itemState & ODS_DISABLED ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT;
    const COLORREF previousColour = SetTextColor(dc, GetSysColor(textColour));
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    ScopedSelectObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(filters_, WM_GETFONT, 0, 0)));

    // Each part is cut with an ellipsis at its column's edge, so that all three show.
    const FilterLineParts parts = SplitFilterLine(ListBoxItemText(filters_, static_cast<int>(item.itemID)));
    const int left = item.rcItem.left;
    const int margin = GetSystemMetrics(SM_CXEDGE);
    const std::pair<const std::string*, std::pair<int, int>> cells[] = {
        {&parts.text, {left, left + columns_.project}},
        {&parts.project, {left + columns_.project, left + columns_.kind}},
        {&parts.kind, {left + columns_.kind, item.rcItem.right}},
    };
    for (const auto& [text, edges] : cells) {
        RECT cell{edges.first + margin, item.rcItem.top, edges.second - margin, item.rcItem.bottom};
        // Through the W function: with UTF-8 as the code page, GDI would read A text wrongly.
        const std::wstring wide = WideText(*text);
        if (cell.right > cell.left)
            DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &cell,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &item.rcItem);
    SetBkMode(dc, previousMode);
    SetTextColor(dc, previousColour);
}

void CDlgPage3Filters::InsertFilter(int index, const std::string& line, LPARAM data) {
    SendMessageA(filters_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageA(filters_, LB_SETITEMDATA, index, data);
    SendMessageA(filters_, LB_SETCURSEL, index, 0);
}

void CDlgPage3Filters::Fill() {
    SendMessageA(projects_, LB_RESETCONTENT, 0, 0);
    highestProject_ = 1;
    projectCount_ = 0;
    for (const ProjectItem& project : ProjectList) {
        SendMessageA(projects_, LB_INSERTSTRING, projectCount_, reinterpret_cast<LPARAM>(project.name.c_str()));
        SendMessageA(projects_, LB_SETITEMDATA, projectCount_, ProjectItemData(project.id));
        highestProject_ = std::max(highestProject_, project.id);
        ++projectCount_;
    }
    projectIndex_ = projectCount_ > 0 ? 0 : -1;
    SendMessageA(projects_, LB_SETCURSEL, projectIndex_, 0);

    SendMessageA(filters_, LB_RESETCONTENT, 0, 0);
    filterCount_ = 0;
    for (const FilterItem& filter : FilterList) {
        // A TAB in a hand-edited text would end the text where the line is read back; as a
        // blank the whole text survives a commit.
        std::string text = filter.text;
        std::replace(text.begin(), text.end(), '\t', ' ');
        SendMessageA(filters_, LB_INSERTSTRING, filterCount_,
                     reinterpret_cast<LPARAM>(FilterLine(text, ProjectName(filter.project), WhereShortText(filter.where)).c_str()));
        SendMessageA(filters_, LB_SETITEMDATA, filterCount_, FilterItemData(filter.project, filter.where));
        ++filterCount_;
    }
    filterIndex_ = filterCount_ > 0 ? 0 : -1;
    SendMessageA(filters_, LB_SETCURSEL, filterIndex_, 0);
    modified_ = false;
}

std::string CDlgPage3Filters::ProjectName(std::int32_t project) const {
    for (int index = 0; index < projectCount_; ++index) {
        if (ProjectFromItemData(SendMessageA(projects_, LB_GETITEMDATA, index, 0)) == project)
            return ListBoxItemText(projects_, index);
    }
    return std::string();
}

void CDlgPage3Filters::SetButtons() {
    const bool anyProject = projectCount_ != 0;
    const bool anyFilter = anyProject && filterCount_ != 0;
    HWND focus = GetFocus();
    EnableWindow(Item(IDC_PAGE_PROJECTS_ADD_PROJECT), TRUE);
    EnableWindow(Item(IDC_PAGE_PROJECTS_DELETE_PROJECT), projectIndex_ >= 0);
    EnableWindow(filters_, anyProject);
    EnableWindow(Item(IDC_PAGE_PROJECTS_ADD_FILTER), anyProject);
    EnableWindow(Item(IDC_PAGE_PROJECTS_DELETE_FILTER), anyFilter && filterIndex_ >= 0);
    EnableWindow(Item(IDC_PAGE_PROJECTS_FILTER_DOWN), anyFilter && filterIndex_ < filterCount_ - 1);
    EnableWindow(Item(IDC_PAGE_PROJECTS_FILTER_UP), anyFilter && filterIndex_ != 0);
    // A button pressed until it disables itself (Down on the way to the last filter) would
    // leave the keyboard nowhere.
    if (focus && GetParent(focus) == hwnd() && !IsWindowEnabled(focus)) {
        HWND next = IsWindowEnabled(filters_) ? filters_ : Item(IDC_PAGE_PROJECTS_ADD_PROJECT);
        SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    }
}

std::optional<SaveResult> CDlgPage3Filters::Commit() {
    if (!modified_) return std::nullopt;
    ProjectList.clear();
    for (int index = 0; index < projectCount_; ++index)
        ProjectList.push_back(
            {ListBoxItemText(projects_, index), ProjectFromItemData(SendMessageA(projects_, LB_GETITEMDATA, index, 0))});
    FilterList.clear();
    for (int index = 0; index < filterCount_; ++index) {
        const LRESULT data = SendMessageA(filters_, LB_GETITEMDATA, index, 0);
        FilterList.push_back({FilterText(ListBoxItemText(filters_, index)), FilterProject(data), FilterWhere(data)});
    }
    const bool held = ProjectsAreHeld();
    // Unsaved, the page stays modified: the next OK tries again. A held file that opened just
    // now wins over the edit: the page shows it.
    const SaveResult saved = SaveProjects(MinuteStampNow());
    if (saved) modified_ = false;
    RenameInFilterLines();
    if (held && !ProjectsAreHeld()) Reload();
    return saved;
}

void CDlgPage3Filters::RenameInFilterLines() {
    // A project renamed since the last fill still has its old name in its filter lines.
    const LRESULT top = SendMessageA(filters_, LB_GETTOPINDEX, 0, 0);
    for (int index = 0; index < filterCount_; ++index) {
        const LRESULT data = SendMessageA(filters_, LB_GETITEMDATA, index, 0);
        const std::string line = ListBoxItemText(filters_, index);
        const std::string current =
            FilterLine(FilterText(line), ProjectName(FilterProject(data)), WhereShortText(FilterWhere(data)));
        if (current == line) continue;
        SendMessageA(filters_, LB_DELETESTRING, index, 0);
        SendMessageA(filters_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(current.c_str()));
        SendMessageA(filters_, LB_SETITEMDATA, index, data);
    }
    SendMessageA(filters_, LB_SETCURSEL, filterIndex_, 0);
    SendMessageA(filters_, LB_SETTOPINDEX, top, 0);
}

void CDlgPage3Filters::Reload() {
    Fill();
    SetButtons();
    modified_ = false;
}

void CDlgPage3Filters::Revert() {
    Fill();
    SetButtons();
}
