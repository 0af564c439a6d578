#include "ui/options/popup_filter.h"

#include <algorithm>

#include "base/scoped_handles_win.h"
#include "localization/language.h"
#include "localization/translate_win.h"
#include "resources/resource.h"
#include "ui/options/editor_support.h"
#include "winui/wide_text.h"

namespace {

std::string ComboItemText(HWND combo, int index) {
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (length <= 0) return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

}  // namespace

std::string WhereShortText(std::int32_t where) { return Translate(where == 0 ? "WhereShort1" : "WhereShort2"); }

CDlgPopupFilter::CDlgPopupFilter(Mode mode, std::string text, std::int32_t where, std::int32_t project,
                                 HWND projects)
    : CDialogImpl(IDD_POPUP_FILTER),
      mode_(mode),
      text_(std::move(text)),
      where_(where),
      whereText_(WhereShortText(where)),
      project_(project),
      projects_(projects) {}

bool CDlgPopupFilter::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgPopupFilter> rows[] = {
        HandleMessage(WM_INITDIALOG, &CDlgPopupFilter::OnInitDialog),
        HandleCommand(IDOK, &CDlgPopupFilter::OnOk),
        HandleCommand(IDCANCEL, &CDlgPopupFilter::OnCancel),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgPopupFilter::OnInitDialog(WindowMessage&) {
    CenterEditorOverOwner(hwnd());
    // Before any text goes in: a filter text or project name that happens to be a key must
    // stay as it is.
    TranslateDialog(hwnd());
    const char* captionKey = mode_ == Edit ? "PopupFilter/CaptionEdit" : "PopupFilter/CaptionAdd";
    SetWindowTextA(hwnd(), (" " + Translate(captionKey)).c_str());
    SetDlgItemTextA(hwnd(), IDC_POPUP_FILTER_TEXT, text_.c_str());
    FillWhereChoice();
    FillProjectChoice();
    return TRUE;
}

void CDlgPopupFilter::FillWhereChoice() {
    HWND choice = GetDlgItem(hwnd(), IDC_POPUP_FILTER_WHERE);
    for (const char* key : {"PopupFilter/WhereLong1", "PopupFilter/WhereLong2"})
        SendMessageA(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Translate(key).c_str()));
    SendMessageA(choice, CB_SETCURSEL, where_ == 0 ? 0 : 1, 0);
}

void CDlgPopupFilter::FillProjectChoice() {
    // The page's projects as they stand, including those not committed yet.
    HWND choice = GetDlgItem(hwnd(), IDC_POPUP_FILTER_PROJECT);
    const int count = static_cast<int>(SendMessageA(projects_, LB_GETCOUNT, 0, 0));
    int selected = -1;
    int widest = 0;
    {
        ScopedGetDC dc(choice);
        ScopedSelectObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(choice, WM_GETFONT, 0, 0)));
        for (int index = 0; index < count; ++index) {
            const LRESULT data = SendMessageA(projects_, LB_GETITEMDATA, index, 0);
            const std::string name = ListBoxItemText(projects_, index);
            SendMessageA(choice, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(name.c_str()));
            SendMessageA(choice, CB_SETITEMDATA, index, data);
            if (selected < 0 && ProjectFromItemData(data) == project_) selected = index;
            SIZE extent{};
            const std::wstring wideName = WideText(name);
            if (dc.get() && GetTextExtentPoint32W(dc.get(), wideName.c_str(), static_cast<int>(wideName.size()), &extent))
                widest = std::max(widest, static_cast<int>(extent.cx));
        }
    }
    // A long project name shows whole when the choice opens; the closed box keeps its width.
    const int margins = 4 * GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXVSCROLL);
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    SendMessageA(choice, CB_SETDROPPEDWIDTH, std::min(widest + margins, screen), 0);
    // A filter of a project that is gone gets the first project.
    SendMessageA(choice, CB_SETCURSEL, selected < 0 ? 0 : selected, 0);
}

LRESULT CDlgPopupFilter::OnOk(WindowMessage&) {
    text_ = EditorText(hwnd(), IDC_POPUP_FILTER_TEXT);
    // The filters list separates its columns by TABs, and a TAB would cut the text when its
    // line is read back.
    std::replace(text_.begin(), text_.end(), '\t', ' ');

    const LRESULT where = SendMessageA(GetDlgItem(hwnd(), IDC_POPUP_FILTER_WHERE), CB_GETCURSEL, 0, 0);
    where_ = where == CB_ERR ? 0 : static_cast<std::int32_t>(where);
    whereText_ = WhereShortText(where_);

    HWND choice = GetDlgItem(hwnd(), IDC_POPUP_FILTER_PROJECT);
    const LRESULT project = SendMessageA(choice, CB_GETCURSEL, 0, 0);
    if (project >= 0) {
        project_ = ProjectFromItemData(SendMessageA(choice, CB_GETITEMDATA, project, 0));
        projectName_ = ComboItemText(choice, static_cast<int>(project));
    }
    // No text is no filter: an empty or blank text counts as Cancel.
    EndDialog(HoldsNoText(text_) ? IDCANCEL : IDOK);
    return 0;
}

LRESULT CDlgPopupFilter::OnCancel(WindowMessage&) {
    EndDialog(IDCANCEL);
    return 0;
}
