// The program editor: one title pattern, typed or taken from the title of an open window.
#pragma once

#include <string>
#include <vector>

#include "ui/controls/hyperlink.h"
#include "winui/dialog.h"

class CDlgPopupProgram : public CDialogImpl {
public:
    enum Mode { Add = 0, Edit = 1 };

    CDlgPopupProgram(Mode mode, std::string text);

    // The initial pattern; after IDOK, the pattern as typed (at most kNameLimit bytes).
    const std::string& Text() const { return text_; }

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);
    LRESULT OnOk(WindowMessage& message);
    LRESULT OnCancel(WindowMessage& message);
    LRESULT OnPickWindow(WindowMessage& message);
    LRESULT OnPickedTitle(WindowMessage& message);

    Mode mode_;
    std::string text_;
    CHyperLink pickLink_;
    // The titles the window picker offered last, in menu order; refilled at each opening.
    std::vector<std::string> pickerTitles_;
};
