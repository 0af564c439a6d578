#include "ui/options/page1_general.h"

#include "resources/resource.h"

CDlgPage1General::CDlgPage1General() : COptionsPage(IDD_PAGE_GENERAL) {}

bool CDlgPage1General::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgPage1General> rows[] = {
        HandleMessage(WM_INITDIALOG, &CDlgPage1General::OnInitDialog),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgPage1General::OnInitDialog(WindowMessage&) { return TRUE; }

void CDlgPage1General::Commit() {}

void CDlgPage1General::Revert() { languageChanged_ = false; }
