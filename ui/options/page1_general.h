// The General page: the interface language, the start with Windows, the version, the link to
// the update page, the time without input after which the user counts as away, whether the
// day's timeline is kept, whether sound playing keeps the user present, and the folder shared
// with the user's other computers.
#pragma once

#include <cstdint>
#include <string>

#include "ui/controls/hyperlink.h"
#include "ui/options/options_page.h"
#include "winui/window.h"

class CDlgPage1General : public COptionsPage {
public:
    CDlgPage1General();

    // Stores another chosen language, a changed start check box and another away time; the
    // settings live in the registry, so no file's save result comes back.
    std::optional<SaveResult> Commit() override;
    // Shows the stored language, start flag and away time again.
    void Revert() override;
    // True after a Commit that stored another language, until the next load.
    bool LanguageChanged() const { return languageChanged_; }
    // The stored away time in minutes (0: never), as the last load or commit left it.
    std::uint32_t IdleMinutes() const { return loadedIdleMinutes_; }
    // Whether the day's timeline is kept, as the last load or commit left it.
    bool TimelineOn() const { return loadedTimelineFlag_ != 0; }
    // Whether sound playing counts as presence, as the last load or commit left it.
    bool MediaIsPresence() const { return loadedMediaFlag_ != 0; }
    // The shared folder (empty: off), as the last load or commit left it.
    const std::string& SharedFolder() const { return loadedSharedFolder_; }

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnInitDialog(WindowMessage& message);
    LRESULT OnUpdateLink(WindowMessage& message);
    LRESULT OnBrowseSharedFolder(WindowMessage& message);
    LRESULT OnClearSharedFolder(WindowMessage& message);
    void ShowSharedFolder(const std::string& folder);

    void FillLanguageList();
    void Load();
    void LoadAwayTime();

    CWindowImpl languageList_;
    CWindowImpl awayList_;
    CHyperLink updateLink_;
    bool languageChanged_ = false;
    // What the controls showed at the last load: a commit stores only what differs.
    std::int32_t loadedLanguageIndex_ = 0;
    std::int32_t loadedStartFlag_ = 0;
    std::uint32_t loadedIdleMinutes_ = 0;
    std::int32_t loadedTimelineFlag_ = 1;
    std::int32_t loadedMediaFlag_ = 1;
    std::string loadedSharedFolder_;
    // What the line shows: chosen but not yet committed.
    std::string sharedFolder_;
};
