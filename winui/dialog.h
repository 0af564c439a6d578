// Dialogs from dialog resources: modeless (Create) or modal (DoModal), bound to their C++ object
// at WM_INITDIALOG.
#pragma once

#include "winui/window.h"

class CDialogImpl : public CWindowBase {
public:
    explicit CDialogImpl(UINT templateId) : templateId_(templateId) {}
    // Destroys a modeless dialog that is still open.
    ~CDialogImpl() override;

    UINT TemplateId() const { return templateId_; }

    // Modeless; the window, or null when the template is missing or creation failed.
    HWND Create(HWND parent);
    // Modal; the value given to EndDialog, or -1 when the dialog could not be created.
    INT_PTR DoModal(HWND parent = nullptr);
    bool EndDialog(INT_PTR result);
    bool DestroyWindow();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    UINT templateId_;
};

// The outermost dialog that `dialog` sits in (itself when it sits in none): the one whose
// dialog manager knows every control around it, for Tab, Enter and Esc.
HWND OutermostDialog(HWND dialog);
