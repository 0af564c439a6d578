#include "ui/options/popup_project.h"

#include "localization/language.h"
#include "localization/translate_win.h"
#include "resources/resource.h"
#include "ui/options/editor_support.h"

CDlgPopupProject::CDlgPopupProject(Mode mode, std::string name)
    : CDialogImpl(IDD_POPUP_PROJECT), mode_(mode), name_(std::move(name)) {}

bool CDlgPopupProject::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgPopupProject> rows[] = {
        HandleMessage(WM_INITDIALOG, &CDlgPopupProject::OnInitDialog),
        HandleCommand(IDOK, &CDlgPopupProject::OnOk),
        HandleCommand(IDCANCEL, &CDlgPopupProject::OnCancel),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgPopupProject::OnInitDialog(WindowMessage&) {
    CenterEditorOverOwner(hwnd());
    // Before the name goes in: a name that happens to be a key must stay as it is.
    TranslateDialog(hwnd());
    const char* captionKey = mode_ == Edit ? "PopupProject/CaptionEdit" : "PopupProject/CaptionAdd";
    SetWindowTextA(hwnd(), (" " + Translate(captionKey)).c_str());
    SetDlgItemTextA(hwnd(), IDC_POPUP_PROJECT_NAME, name_.c_str());
    return TRUE;
}

LRESULT CDlgPopupProject::OnOk(WindowMessage&) {
    name_ = EditorText(hwnd(), IDC_POPUP_PROJECT_NAME);
    // No name is no project: an empty or blank text counts as Cancel.
    EndDialog(HoldsNoText(name_) ? IDCANCEL : IDOK);
    return 0;
}

LRESULT CDlgPopupProject::OnCancel(WindowMessage&) {
    EndDialog(IDCANCEL);
    return 0;
}
