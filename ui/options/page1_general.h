// The General page: the interface language, the start with Windows, the version and the link
// to the update page.
#pragma once

#include <cstdint>

#include "ui/options/options_page.h"
#include "winui/hyperlink.h"
#include "winui/window.h"

class CDlgPage1General : public COptionsPage {
public:
    CDlgPage1General();

    // Stores another chosen language and a changed start check box.
    std::optional<SaveResult> Commit() override;
    // Shows the stored language and start flag again.
    void Revert() override;
    // True after a Commit that stored another language, until the next load.
    bool LanguageChanged() const { return languageChanged_; }

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);
    LRESULT OnUpdateLink(WindowMessage& message);

    void FillLanguageList();
    void Load();

    CWindowImpl languageList_;
    CHyperLink updateLink_;
    bool languageChanged_ = false;
    // What the controls showed at the last load: a commit stores only what differs.
    std::int32_t loadedLanguageIndex_ = 0;
    std::int32_t loadedStartFlag_ = 0;
};
