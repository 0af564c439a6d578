// The filter editor: a filter's text, where to look for it, and the project it counts toward,
// chosen among the projects page's current projects.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "winui/dialog.h"

class CDlgPopupFilter : public CDialogImpl {
public:
    enum Mode { Add = 0, Edit = 1 };

    // `projects` is the page's projects list box: its texts and item data (the identifiers)
    // are the choice of projects.
    CDlgPopupFilter(Mode mode, std::string text, std::int32_t where, std::int32_t project, HWND projects);

    // The initial values; after IDOK, the chosen ones.
    const std::string& Text() const { return text_; }
    std::int32_t Where() const { return where_; }
    const std::string& WhereText() const { return whereText_; }
    std::int32_t Project() const { return project_; }
    const std::string& ProjectName() const { return projectName_; }

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);
    LRESULT OnOk(WindowMessage& message);
    LRESULT OnCancel(WindowMessage& message);

    void FillWhereChoice();
    void FillProjectChoice();

    Mode mode_;
    std::string text_;
    std::int32_t where_;
    std::string whereText_;
    std::int32_t project_;
    std::string projectName_;
    HWND projects_;
};

// How the filters list shows a where-kind: 0 is the first kind, anything else the second.
std::string WhereShortText(std::int32_t where);

// A project's identifier as the item data of the projects list and of the project choice.
inline LPARAM ProjectItemData(std::int32_t project) { return static_cast<LPARAM>(project); }
inline std::int32_t ProjectFromItemData(LRESULT data) { return static_cast<std::int32_t>(data); }
