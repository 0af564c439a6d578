#include "ui/options/page3_filters.h"

#include "resources/resource.h"
#include "xmlstore/projects.h"

CDlgPage3Filters::CDlgPage3Filters() : COptionsPage(IDD_PAGE_PROJECTS) {}

bool CDlgPage3Filters::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgPage3Filters> rows[] = {
        HandleMessage(WM_INITDIALOG, &CDlgPage3Filters::OnInitDialog),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgPage3Filters::OnInitDialog(WindowMessage&) {
    // The page's creation is the one moment projects and filters are read from their file.
    LoadProjects();
    return TRUE;
}

void CDlgPage3Filters::Commit() {}

void CDlgPage3Filters::Revert() {}
