// The General page: the interface language, the start with Windows, the version and the link
// to the update page.
#pragma once

#include "ui/options/options_page.h"

class CDlgPage1General : public COptionsPage {
public:
    CDlgPage1General();

    void Commit() override;
    void Revert() override;
    // True after a Commit that stored another language, until the next load.
    bool LanguageChanged() const { return languageChanged_; }

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);

    bool languageChanged_ = false;
};
