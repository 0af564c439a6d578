// The program editor: one title pattern, typed or taken from the title of an open window.
#pragma once

#include <string>
#include <vector>

#include "ui/controls/hyperlink.h"
#include "winui/dialog.h"

// The language keys of what the editor says the pattern is for.
struct PatternEditorTexts {
    const char* hint;
    const char* captionAdd;
    const char* captionEdit;
};

inline constexpr PatternEditorTexts kProgramEditorTexts = {"PopupProgram/Hint1", "PopupProgram/CaptionAdd",
                                                           "PopupProgram/CaptionEdit"};

class CDlgPopupProgram : public CDialogImpl {
public:
    enum Mode { Add = 0, Edit = 1 };

    CDlgPopupProgram(Mode mode, std::string text, const PatternEditorTexts& texts = kProgramEditorTexts);

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
    PatternEditorTexts texts_;
    CHyperLink pickLink_;
    // The titles the window picker offered last, in menu order; refilled at each opening.
    std::vector<std::string> pickerTitles_;
};
