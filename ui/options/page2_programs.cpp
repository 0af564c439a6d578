#include "ui/options/page2_programs.h"

#include "resources/resource.h"
#include "xmlstore/programs_list.h"

CDlgPage2Programs::CDlgPage2Programs() : COptionsPage(IDD_PAGE_APPLICATIONS) {}

bool CDlgPage2Programs::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgPage2Programs> rows[] = {
        HandleMessage(WM_INITDIALOG, &CDlgPage2Programs::OnInitDialog),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgPage2Programs::OnInitDialog(WindowMessage&) {
    // The page's creation is the one moment the patterns are read from their file.
    LoadProgramList();
    return TRUE;
}

void CDlgPage2Programs::Commit() {}

void CDlgPage2Programs::Revert() {}
