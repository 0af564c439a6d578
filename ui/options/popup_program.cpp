#include "ui/options/popup_program.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "base/narrow_text.h"
#include "base/scoped_handles_win.h"
#include "localization/language.h"
#include "localization/translate_win.h"
#include "resources/resource.h"
#include "ui/options/editor_support.h"

namespace {

constexpr UINT kFirstPickerId = 1000;
constexpr UINT kLastPickerId = 2000;

struct TitleSearch {
    HWND editor;
    std::vector<std::string>* titles;
};

// Every window a user would call a window: one with a caption, border or dialog frame, a
// title, and visible; never the editor asking.
BOOL CALLBACK CollectTitle(HWND window, LPARAM data) {
    const auto* search = reinterpret_cast<const TitleSearch*>(data);
    // WS_CAPTION is the two bits WS_BORDER and WS_DLGFRAME; either one will do.
    if (!(GetWindowLongA(window, GWL_STYLE) & WS_CAPTION))
        return TRUE;
    char title[kTextBufferSize] = "";
    if (GetWindowTextA(window, title, static_cast<int>(sizeof title)) <= 0)
        return TRUE;
    if (!IsWindowVisible(window) || window == search->editor)
        return TRUE;
    search->titles->emplace_back(CutText(title, kTitleLimit));
    return TRUE;
}

}  // namespace

CDlgPopupProgram::CDlgPopupProgram(Mode mode, std::string text, const PatternEditorTexts& texts)
    : CDialogImpl(IDD_POPUP_PROGRAM), mode_(mode), text_(std::move(text)), texts_(texts) {}

bool CDlgPopupProgram::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgPopupProgram> rows[] = {
        HandleMessage(WM_INITDIALOG, &CDlgPopupProgram::OnInitDialog),
        HandleCommand(IDOK, &CDlgPopupProgram::OnOk),
        HandleCommand(IDCANCEL, &CDlgPopupProgram::OnCancel),
        HandleNotify(IDC_POPUP_PROGRAM_PICK_WINDOW, static_cast<int>(NM_CLICK), &CDlgPopupProgram::OnPickWindow),
        HandleMessage(WM_COMMAND, &CDlgPopupProgram::OnPickedTitle),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgPopupProgram::OnInitDialog(WindowMessage&) {
    CenterEditorOverOwner(hwnd());
    // The hint's key as the page asks, translated with the rest.
    SetDlgItemTextA(hwnd(), IDC_POPUP_PROGRAM_HINT, texts_.hint);
    TranslateDialog(hwnd());
    // After the translation: the link takes its label from the control's text.
    if (pickLink_.AttachDlgItem(hwnd(), IDC_POPUP_PROGRAM_PICK_WINDOW))
        pickLink_.SetHyperLinkExtendedStyle(HyperLinkNotifyButton);
    const char* captionKey = mode_ == Edit ? texts_.captionEdit : texts_.captionAdd;
    SetWindowTextA(hwnd(), (" " + Translate(captionKey)).c_str());
    SetDlgItemTextA(hwnd(), IDC_POPUP_PROGRAM_PATTERN, text_.c_str());
    return TRUE;
}

LRESULT CDlgPopupProgram::OnOk(WindowMessage&) {
    text_ = EditorText(hwnd(), IDC_POPUP_PROGRAM_PATTERN);
    // No pattern is no entry: an empty or blank text counts as Cancel.
    EndDialog(HoldsNoText(text_) ? IDCANCEL : IDOK);
    return 0;
}

LRESULT CDlgPopupProgram::OnCancel(WindowMessage&) {
    EndDialog(IDCANCEL);
    return 0;
}

LRESULT CDlgPopupProgram::OnPickWindow(WindowMessage&) {
    pickerTitles_.clear();
    TitleSearch search{hwnd(), &pickerTitles_};
    EnumChildWindows(GetDesktopWindow(), CollectTitle, reinterpret_cast<LPARAM>(&search));

    ScopedMenu menu(CreatePopupMenu());
    if (!menu)
        return 0;
    for (std::size_t index = 0; index < pickerTitles_.size(); ++index)
        AppendMenuA(menu.get(), MF_STRING, kFirstPickerId + index, pickerTitles_[index].c_str());

    POINT at{};
    GetCursorPos(&at);
    if (!MonitorFromPoint(at, MONITOR_DEFAULTTONULL)) {
        const RECT area = WorkArea(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST));
        at.x = std::max(area.left, std::min(at.x, area.right - 1));
    }
    // Without the foreground the menu would stay open when the user clicks elsewhere.
    SetForegroundWindow(hwnd());
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
    return 0;
}

LRESULT CDlgPopupProgram::OnPickedTitle(WindowMessage& message) {
    const UINT id = message.CommandId();
    if (id < kFirstPickerId || id > kLastPickerId) {
        message.handled = false;
        return 0;
    }
    const std::size_t index = id - kFirstPickerId;
    if (index < pickerTitles_.size())
        SetDlgItemTextA(hwnd(), IDC_POPUP_PROGRAM_PATTERN, pickerTitles_[index].c_str());
    return 0;
}
