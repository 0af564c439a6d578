// The options side of the main dialog: the page selector, the page container with the four
// pages, the report and help links, and what OK and Cancel do with the pages' data. The dialog
// that holds the panel routes the selector's and the buttons' messages to it; what the program
// then does (hide, save the log, start anew) is the dialog's affair.
#pragma once

#include <windows.h>

#include <optional>

#include "base/scoped_handles_win.h"
#include "ui/controls/dialog_container.h"
#include "ui/controls/hyperlink.h"
#include "ui/controls/image_list_box.h"
#include "ui/options/page1_general.h"
#include "ui/options/page2_programs.h"
#include "ui/options/page3_filters.h"
#include "ui/options/page4_privacy.h"

// What the program must do after the pages have stored their changes.
enum class AfterCommit { KeepRunning, Restart };

// What OK did: whether a restart is wanted, and the outcome of each list's save, or none
// when its page saved nothing.
struct CommitOutcome {
    AfterCommit next = AfterCommit::KeepRunning;
    std::optional<SaveResult> programs;
    std::optional<SaveResult> projects;
    std::optional<SaveResult> privateList;
};

class COptionsPanel {
public:
    // Builds the selector and the pages inside `dialog`, translates the dialog's texts, puts
    // the options title before its caption and makes the two links; during WM_INITDIALOG.
    void SetUp(HWND dialog);

    // Shows the page whose entry the selector has selected.
    void ShowSelectedPage();
    // Stores what each page changed. Another language is read only at start, so choosing one
    // asks for a restart.
    CommitOutcome Commit();
    // Shows the stored data again on every page.
    void Revert();
    // Tries the list files another program held at start again; a page whose file opened
    // shows it, with nothing left to commit.
    void RetryHeldLists();
    // Shows shipped patterns just added to ProgramList on the Applications page.
    void ShowAddedPatterns(const std::vector<std::string>& shared, const std::vector<std::string>& added) {
        programsPage_.ShowAddedPatterns(shared, added);
    }
    // The stored away time in minutes (0: never), as the General page last loaded or committed it.
    std::uint32_t IdleMinutes() const { return generalPage_.IdleMinutes(); }
    bool TimelineOn() const { return generalPage_.TimelineOn(); }
    bool MediaIsPresence() const { return generalPage_.MediaIsPresence(); }
    const std::string& SharedFolder() const { return generalPage_.SharedFolder(); }
    // Whether titles give document names, as the Privacy page last loaded or committed it.
    bool RecordDocuments() const { return privacyPage_.RecordDocuments(); }

private:
    void BuildPageSelector();
    void BuildPages();
    void ComposeCaption();
    void AttachLinks();

    HWND dialog_ = nullptr;
    // In the main dialog's order of construction; destruction runs in reverse.
    ScopedImageList PageImages;
    CImageListBoxCtrl selector_;
    CDlgContainerCtrl container_;
    CHyperLink reportLink_;
    CHyperLink helpLink_;
    CDlgPage1General generalPage_;
    CDlgPage2Programs programsPage_;
    CDlgPage3Filters filtersPage_;
    CDlgPage4Privacy privacyPage_;
};
