// The project editor: one project name, for a new project or a new name of one.
#pragma once

#include <string>

#include "winui/dialog.h"

class CDlgPopupProject : public CDialogImpl {
public:
    enum Mode { Add = 0, Edit = 1 };

    CDlgPopupProject(Mode mode, std::string name);

    // The initial name; after IDOK, the name as typed (at most kNameLimit bytes).
    const std::string& Name() const { return name_; }

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);
    LRESULT OnOk(WindowMessage& message);
    LRESULT OnCancel(WindowMessage& message);

    Mode mode_;
    std::string name_;
};
