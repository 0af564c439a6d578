#include "ui/options/pattern_list_page.h"

#include <algorithm>
#include <utility>

#include "base/narrow_text.h"
#include "resources/resource.h"
#include "ui/options/editor_support.h"
#include "winui/app_module.h"

CPatternListPage::CPatternListPage(int dialogId, const PatternListFile& file, const PatternEditorTexts& editorTexts)
    : COptionsPage(dialogId), file_(file), editorTexts_(editorTexts) {}

CPatternListPage::~CPatternListPage() {
    // The window outlives this part of the object (the base class destroys it), and its
    // WM_DESTROY no longer reaches the page.
    LeaveMessageLoop();
}

bool CPatternListPage::PreTranslateMessage(MSG* message) {
    // The dialog the page sits in handles the keys, so that Tab goes on from the page's last
    // control to the rest of the dialog and Enter and Esc are its OK and Cancel; a page on its
    // own handles them itself.
    return hwnd() && IsDialogMessageA(OutermostDialog(hwnd()), message);
}

void CPatternListPage::OnIdle() {}

bool CPatternListPage::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CPatternListPage> rows[] = {
        HandleMessage(WM_INITDIALOG, &CPatternListPage::OnInitDialog),
        HandleCommand(IDC_PAGE_APPLICATIONS_LIST, LBN_SELCHANGE, &CPatternListPage::OnSelectionChange),
        HandleCommand(IDC_PAGE_APPLICATIONS_LIST, LBN_DBLCLK, &CPatternListPage::OnDoubleClick),
        HandleCommand(IDC_PAGE_APPLICATIONS_ADD, &CPatternListPage::OnAdd),
        HandleCommand(IDC_PAGE_APPLICATIONS_DELETE, &CPatternListPage::OnDelete),
        HandleCommand(IDC_PAGE_APPLICATIONS_UP, &CPatternListPage::OnUp),
        HandleCommand(IDC_PAGE_APPLICATIONS_DOWN, &CPatternListPage::OnDown),
        HandleMessage(WM_DESTROY, &CPatternListPage::OnDestroy),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CPatternListPage::OnInitDialog(WindowMessage&) {
    if (CMessageLoop* loop = AppModule.GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    list_ = Item(IDC_PAGE_APPLICATIONS_LIST);
    modified_ = false;
    // The page's creation is the one moment the patterns are read from their file.
    file_.load();
    Fill();
    SetUpMore();
    return TRUE;
}

LRESULT CPatternListPage::OnDestroy(WindowMessage& message) {
    LeaveMessageLoop();
    message.handled = false;
    return 0;
}

void CPatternListPage::LeaveMessageLoop() {
    // The loop may outlive the page; it must not call a page that is gone.
    if (CMessageLoop* loop = AppModule.GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
}

LRESULT CPatternListPage::OnSelectionChange(WindowMessage&) {
    ApplyButtonRule();
    return 0;
}

LRESULT CPatternListPage::OnDoubleClick(WindowMessage&) {
    const int index = FirstSelected();
    if (index < 0)
        return 0;
    CDlgPopupProgram editor(CDlgPopupProgram::Edit, ListBoxItemText(list_, index), editorTexts_);
    if (editor.DoModal(hwnd()) != IDOK)
        return 0;
    SendMessageA(list_, LB_DELETESTRING, index, 0);
    SendMessageA(list_, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(editor.Text().c_str()));
    SendMessageA(list_, LB_SETSEL, TRUE, index);
    modified_ = true;
    SetButtons(1, index);
    return 0;
}

LRESULT CPatternListPage::OnAdd(WindowMessage&) {
    CDlgPopupProgram editor(CDlgPopupProgram::Add, std::string(), editorTexts_);
    if (editor.DoModal(hwnd()) != IDOK)
        return 0;
    // Appended at the end and selected in addition to what was selected before.
    const int index = static_cast<int>(SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(editor.Text().c_str())));
    if (index < 0)
        return 0;
    SendMessageA(list_, LB_SETSEL, TRUE, index);
    SendMessageA(list_, LB_SETCARETINDEX, index, FALSE);  // scrolls the new entry into view
    modified_ = true;
    SetButtons(1, index);
    return 0;
}

LRESULT CPatternListPage::OnDelete(WindowMessage&) {
    int lowestDeleted = -1;
    for (int index = Count() - 1; index >= 0; --index) {
        if (SendMessageA(list_, LB_GETSEL, index, 0) > 0) {
            SendMessageA(list_, LB_DELETESTRING, index, 0);
            lowestDeleted = index;
        }
    }
    // Nothing was selected: nothing changed.
    if (lowestDeleted < 0)
        return 0;
    if (Count() > 0)
        SendMessageA(list_, LB_SETSEL, TRUE, std::max(lowestDeleted - 1, 0));
    ApplyButtonRule();
    modified_ = true;
    return 0;
}

LRESULT CPatternListPage::OnUp(WindowMessage&) {
    MoveFirstSelected(-1);
    return 0;
}

LRESULT CPatternListPage::OnDown(WindowMessage&) {
    MoveFirstSelected(1);
    return 0;
}

void CPatternListPage::MoveFirstSelected(int step) {
    const int index = FirstSelected();
    const int target = index + step;
    if (index < 0 || target < 0 || target >= Count())
        return;
    const std::string text = ListBoxItemText(list_, index);
    SendMessageA(list_, LB_DELETESTRING, index, 0);
    SendMessageA(list_, LB_INSERTSTRING, target, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(list_, LB_SETSEL, TRUE, target);
    SendMessageA(list_, LB_SETCARETINDEX, target, FALSE);
    modified_ = true;
    SetButtons(1, target);
}

std::optional<SaveResult> CPatternListPage::Commit() {
    if (!modified_)
        return std::nullopt;
    std::vector<std::string> patterns;
    const int count = Count();
    for (int index = 0; index < count; ++index)
        patterns.push_back(ListBoxItemText(list_, index));
    // A pattern the page cannot show goes back to the place it had, or to the end of a list
    // that has become shorter, so that a commit never loses what a user wrote by hand. The
    // place is remembered as it is now, for the next commit without a refill.
    for (HiddenPattern& hidden : hidden_) {
        hidden.index = std::min(hidden.index, patterns.size());
        patterns.insert(patterns.begin() + static_cast<std::ptrdiff_t>(hidden.index), hidden.pattern);
    }
    *file_.patterns = std::move(patterns);
    const bool held = file_.isHeld();
    // Unsaved, the page stays modified: the next OK tries again. A held file that opened just
    // now wins over the edit: the page shows it.
    const SaveResult saved = file_.save();
    if (saved) modified_ = false;
    if (held && !file_.isHeld()) Reload();
    return saved;
}

void CPatternListPage::Reload() {
    Fill();
    modified_ = false;
}

void CPatternListPage::Revert() {
    if (!modified_)
        return;
    Fill();
    modified_ = false;
}

void CPatternListPage::Fill() {
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    hidden_.clear();
    const std::vector<std::string>& patterns = *file_.patterns;
    for (std::size_t index = 0; index < patterns.size(); ++index) {
        const std::string& pattern = patterns[index];
        // Longer ones come only from a hand-edited file; the list box does not show them.
        if (pattern.size() <= kTitleLimit)
            SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pattern.c_str()));
        else
            hidden_.push_back({index, pattern});
    }
    if (Count() > 0)
        SendMessageA(list_, LB_SETSEL, TRUE, 0);
    ApplyButtonRule();
}

void CPatternListPage::ApplyButtonRule() {
    const int selectedCount = static_cast<int>(SendMessageA(list_, LB_GETSELCOUNT, 0, 0));
    int selectedIndex = -1;
    if (selectedCount == 1 && SendMessageA(list_, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&selectedIndex)) != 1)
        selectedIndex = -1;
    SetButtons(selectedCount, selectedIndex);
}

void CPatternListPage::SetButtons(int selectedCount, int selectedIndex) {
    const int count = Count();
    const bool single = selectedCount == 1;
    // Disabling the button that has the keyboard focus takes the focus away from it.
    HWND focus = GetFocus();
    EnableWindow(Item(IDC_PAGE_APPLICATIONS_ADD), TRUE);
    EnableWindow(Item(IDC_PAGE_APPLICATIONS_DELETE), selectedCount > 0);
    EnableWindow(Item(IDC_PAGE_APPLICATIONS_DOWN), single && selectedIndex >= 0 && selectedIndex != count - 1);
    EnableWindow(Item(IDC_PAGE_APPLICATIONS_UP), single && selectedIndex > 0);
    // Up pressed until the first entry would otherwise leave the keyboard nowhere.
    if (focus && focus != list_ && GetParent(focus) == hwnd() && !IsWindowEnabled(focus))
        SendMessageA(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list_), TRUE);
}

int CPatternListPage::Count() const { return static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0)); }

int CPatternListPage::FirstSelected() const {
    // The selected indices come in ascending order: the first is the lowest.
    int index = -1;
    if (SendMessageA(list_, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&index)) != 1)
        return -1;
    return index;
}
