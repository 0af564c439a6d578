// A page that edits an ordered list of title patterns kept in a file: Add and Edit (with Pick a
// window), Delete, Up and Down. The Applications and Privacy pages are two of them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ui/options/options_page.h"
#include "ui/options/popup_program.h"
#include "winui/message_loop.h"

// The process-wide list a page edits and the functions over its file.
struct PatternListFile {
    std::vector<std::string>* patterns;
    void (*load)();
    bool (*isHeld)();
    SaveResult (*save)();
};

class CPatternListPage : public COptionsPage, public CMessageFilter, public CIdleHandler {
public:
    // The dialog holds the list and the buttons under the Applications page's control ids.
    CPatternListPage(int dialogId, const PatternListFile& file, const PatternEditorTexts& editorTexts);
    ~CPatternListPage() override;

    // Replaces the list by the list box's entries and saves it, when the page changed;
    // patterns too long to show keep their places.
    std::optional<SaveResult> Commit() override;
    // Shows the list again, when the page changed.
    void Revert() override;
    // Shows the list as it is now, dropping what the page changed.
    void Reload();

    bool PreTranslateMessage(MSG* message) override;
    void OnIdle() override;

protected:
    bool ProcessMessage(WindowMessage& message) override;
    // Sets up what a page shows besides the list; during WM_INITDIALOG, after the list's load.
    virtual void SetUpMore() {}

    void Fill();
    void ApplyButtonRule();
    int Count() const;

    HWND list_ = nullptr;
    bool modified_ = false;

private:
    LRESULT OnInitDialog(WindowMessage& message);
    LRESULT OnDestroy(WindowMessage& message);
    LRESULT OnSelectionChange(WindowMessage& message);
    LRESULT OnDoubleClick(WindowMessage& message);
    LRESULT OnAdd(WindowMessage& message);
    LRESULT OnDelete(WindowMessage& message);
    LRESULT OnUp(WindowMessage& message);
    LRESULT OnDown(WindowMessage& message);

    void LeaveMessageLoop();
    void SetButtons(int selectedCount, int selectedIndex);
    void MoveFirstSelected(int step);
    int FirstSelected() const;

    // A pattern too long for the list box, kept so that a commit does not lose it.
    struct HiddenPattern {
        std::size_t index;  // its place in the list
        std::string pattern;
    };

    PatternListFile file_;
    PatternEditorTexts editorTexts_;
    std::vector<HiddenPattern> hidden_;
};
