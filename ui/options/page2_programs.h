// The Applications page: the ordered list of title patterns.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ui/options/options_page.h"
#include "winui/message_loop.h"

class CDlgPage2Programs : public COptionsPage, public CMessageFilter, public CIdleHandler {
public:
    CDlgPage2Programs();
    ~CDlgPage2Programs() override;

    // Replaces ProgramList by the list box's entries and saves it, when the page changed;
    // patterns too long to show keep their places.
    std::optional<SaveResult> Commit() override;
    // Shows ProgramList again, when the page changed.
    void Revert() override;
    // Shows the list as it is now, dropping what the page changed.
    void Reload();
    // Shows shipped patterns just added to ProgramList: the whole list when the page is
    // unchanged, else the same patterns placed among the page's edits, for OK to save.
    void ShowAddedPatterns(const std::vector<std::string>& shared, const std::vector<std::string>& added);

    bool PreTranslateMessage(MSG* message) override;
    void OnIdle() override;

protected:
    bool ProcessMessage(WindowMessage& message) override;

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
    void Fill();
    void ApplyButtonRule();
    void SetButtons(int selectedCount, int selectedIndex);
    void MoveFirstSelected(int step);
    int Count() const;
    int FirstSelected() const;

    // A pattern too long for the list box, kept so that a commit does not lose it.
    struct HiddenPattern {
        std::size_t index;  // its place in ProgramList
        std::string pattern;
    };

    HWND list_ = nullptr;
    bool modified_ = false;
    std::vector<HiddenPattern> hidden_;
};
