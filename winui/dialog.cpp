#include "winui/dialog.h"

#include <cstring>

#include "winui/app_module.h"

namespace {

// The messages whose answer a dialog procedure returns itself; every other answer goes
// through DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
    switch (message) {
    case WM_INITDIALOG:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
    case WM_COMPAREITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

bool IsDialogWindow(HWND window) {
    char className[8] = "";
    return GetClassNameA(window, className, sizeof className) && std::strcmp(className, "#32770") == 0;
}

// The dialog manager of an outer dialog speaks for the controls of the dialogs nested in it
// (Enter on a page's focused button, a mnemonic): their commands go to their own dialog.
bool ForwardNestedCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
    auto control = reinterpret_cast<HWND>(lParam);
    if (!control || !IsChild(dialog, control)) return false;
    HWND owner = GetParent(control);
    if (owner == dialog || !IsDialogWindow(owner)) return false;
    SendMessageA(owner, WM_COMMAND, wParam, lParam);
    return true;
}

}  // namespace

HWND OutermostDialog(HWND dialog) {
    HWND outermost = dialog;
    // Parents only: what GetParent gives for a window that is no child is its owner.
    for (HWND window = dialog; window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD);) {
        window = GetParent(window);
        if (window && IsDialogWindow(window)) outermost = window;
    }
    return outermost;
}

CDialogImpl::~CDialogImpl() {
    if (!hwnd())
        return;
    // Unbind first: the derived parts of the object are already destroyed, so the messages
    // of the destruction must not reach them.
    HWND window = hwnd();
    Unbind();
    ::DestroyWindow(window);
}

HWND CDialogImpl::Create(HWND parent) {
    if (hwnd())
        return nullptr;
    return CreateDialogParamA(AppModule.Instance(), MAKEINTRESOURCEA(templateId_), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialogImpl::DoModal(HWND parent) {
    if (hwnd())
        return -1;
    return DialogBoxParamA(AppModule.Instance(), MAKEINTRESOURCEA(templateId_), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialogImpl::EndDialog(INT_PTR result) { return hwnd() && ::EndDialog(hwnd(), result); }

bool CDialogImpl::DestroyWindow() { return hwnd() && ::DestroyWindow(hwnd()); }

INT_PTR CALLBACK CDialogImpl::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialogImpl*>(lParam);
        if (self && !self->hwnd())
            self->Bind(window);
    }
    CWindowBase* self = FromHandle(window);
    // Messages before WM_INITDIALOG (WM_SETFONT, the controls' WM_MEASUREITEM) get the
    // dialog manager's default.
    if (!self)
        return FALSE;
    if (message == WM_COMMAND && ForwardNestedCommand(window, wParam, lParam))
        return TRUE;
    WindowMessage delivered{window, message, wParam, lParam};
    bool handled = Deliver(*self, delivered, true);
    if (message == WM_NCDESTROY) {
        FinishWindow(*self);
        return FALSE;
    }
    if (message == WM_INITDIALOG)
        return handled ? delivered.result : TRUE;  // TRUE: the system sets the focus
    if (!handled)
        return FALSE;
    if (AnswersDirectly(message))
        return delivered.result;
    // The window may be gone by now (a handler may destroy it); then this simply fails.
    SetWindowLongPtrA(window, DWLP_MSGRESULT, delivered.result);
    return TRUE;
}
