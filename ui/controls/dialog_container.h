// A control that hosts child dialogs, its pages, in one rectangle and shows one at a time,
// sized to its client area, with the keyboard focus handed into it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "winui/window.h"

// Notifications the container sends its parent (WM_NOTIFY, its own id and window as sender).
// Before and after another page is shown it sends TCN_SELCHANGING (a non-zero answer keeps
// the old page) and TCN_SELCHANGE (to the parent, then to the new page).
constexpr int NM_CONTAINER_READY = -560;
constexpr int NM_PAGE_ADDED = -561;

class CDlgContainerCtrl : public CWindowImpl {
public:
    // Attaches to an existing child window (typically a static of a dialog) and sets it up:
    // the dialog's keyboard navigation then reaches the pages' controls, and the parent is told.
    bool Attach(HWND window);
    bool AttachDlgItem(HWND dialog, int id);

    // Appends a page, hidden; the pages are children of the container and not owned by it.
    // Returns the new page's index.
    int AddPage(HWND page);
    // True when the page at `index` is the shown one afterwards.
    bool ShowPage(int index);

    int PageCount() const { return static_cast<int>(pages_.size()); }
    int CurrentIndex() const { return currentIndex_; }
    HWND CurrentPage() const { return currentPage_; }

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    void SetUp();
    LRESULT OnDestroy(WindowMessage& message);
    LRESULT OnSetFocus(WindowMessage& message);
    LRESULT OnEraseBackground(WindowMessage& message);
    LRESULT OnSize(WindowMessage& message);
    LRESULT OnCommand(WindowMessage& message);

    LRESULT Notify(HWND target, UINT code);
    void FitCurrentPage();

    std::vector<HWND> pages_;
    int currentIndex_ = -1;
    HWND currentPage_ = nullptr;
};
