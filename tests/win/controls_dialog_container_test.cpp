// The page container: pages hidden as they are added, one page shown at a time with the
// notifications around the change (which the parent may refuse), the focus handed into the
// page, the shown page sized to the container and commands passed on to it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/win/controls_test_support.h"
#include "ui/controls/dialog_container.h"

namespace {

using controls_test::HostDialog;
using controls_test::Page;
using controls_test::SelectionChanged;
using controls_test::SelectionChanging;

RECT ClientOf(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect;
}

RECT RectInParent(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool HasControlParentStyle(HWND window) { return GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_CONTROLPARENT; }

using Codes = std::vector<int>;

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(dialog.Create(nullptr), nullptr);
        ASSERT_TRUE(container.AttachDlgItem(dialog.hwnd(), IDC_HOST_PAGES));
        for (Page* page : {&first, &second, &third})
            ASSERT_NE(page->Create(container.hwnd()), nullptr);
    }
    void TearDown() override { dialog.DestroyWindow(); }

    void AddThreePages() {
        for (Page* page : {&first, &second, &third})
            container.AddPage(page->hwnd());
        dialog.heard.clear();
    }
    void ShowDialog() {
        ShowWindow(dialog.hwnd(), SW_SHOW);
        SetForegroundWindow(dialog.hwnd());
        SetActiveWindow(dialog.hwnd());
    }
    void ClearJournals() {
        dialog.heard.clear();
        for (Page* page : {&first, &second, &third}) {
            page->notifications.clear();
            page->commands.clear();
        }
    }

    HostDialog dialog;
    CDlgContainerCtrl container;
    Page first{IDD_CONTROLS_PAGE_FIRST};
    Page second{IDD_CONTROLS_PAGE_SECOND};  // visible in its template
    Page third{IDD_CONTROLS_PAGE_THIRD};    // no tab stop
};

TEST_F(ContainerTest, SetUpMakesTheContainerAControlParentAndTellsTheParentItIsReady) {
    EXPECT_TRUE(HasControlParentStyle(container.hwnd()));
    const auto heard = dialog.HeardFrom(container.hwnd());
    ASSERT_EQ(heard.size(), 1u);
    const auto& ready = heard[0];
    EXPECT_EQ(ready.message, static_cast<UINT>(WM_NOTIFY));
    EXPECT_EQ(ready.code, NM_CONTAINER_READY);
    EXPECT_EQ(ready.id, static_cast<UINT_PTR>(IDC_HOST_PAGES));
    EXPECT_EQ(ready.wParam, static_cast<WPARAM>(IDC_HOST_PAGES));
    EXPECT_EQ(ready.sender, container.hwnd());
}

TEST_F(ContainerTest, AddedPagesAreHiddenControlParentsAndNoneIsShown) {
    dialog.heard.clear();
    EXPECT_TRUE(GetWindowLongA(second.hwnd(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(container.AddPage(first.hwnd()), 0);
    EXPECT_EQ(container.AddPage(second.hwnd()), 1);
    EXPECT_EQ(container.AddPage(third.hwnd()), 2);
    EXPECT_EQ(container.PageCount(), 3);
    for (Page* page : {&first, &second, &third}) {
        EXPECT_FALSE(GetWindowLongA(page->hwnd(), GWL_STYLE) & WS_VISIBLE);
        EXPECT_TRUE(HasControlParentStyle(page->hwnd()));
    }
    EXPECT_EQ(dialog.NotificationCodesFrom(container.hwnd()), (Codes{NM_PAGE_ADDED, NM_PAGE_ADDED, NM_PAGE_ADDED}));
    EXPECT_EQ(container.CurrentIndex(), -1);
    EXPECT_EQ(container.CurrentPage(), nullptr);
}

TEST_F(ContainerTest, AnIndexOutOfRangeIsRefusedAndTheShownPageStays) {
    AddThreePages();
    EXPECT_FALSE(container.ShowPage(-1));
    EXPECT_FALSE(container.ShowPage(3));
    EXPECT_TRUE(dialog.HeardFrom(container.hwnd()).empty());
    ASSERT_TRUE(container.ShowPage(2));
    ClearJournals();
    EXPECT_FALSE(container.ShowPage(3));
    EXPECT_EQ(container.CurrentIndex(), 2);
    EXPECT_TRUE(GetWindowLongA(third.hwnd(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(dialog.HeardFrom(container.hwnd()).empty());
}

TEST_F(ContainerTest, TheFirstShowSizesThePageFocusesItsFirstTabStopAndNotifiesParentThenPage) {
    ShowDialog();
    AddThreePages();
    SetFocus(GetDlgItem(dialog.hwnd(), IDOK));
    ASSERT_TRUE(container.ShowPage(0));
    EXPECT_EQ(container.CurrentIndex(), 0);
    EXPECT_EQ(container.CurrentPage(), first.hwnd());
    EXPECT_TRUE(IsWindowVisible(first.hwnd()));
    EXPECT_FALSE(IsWindowVisible(second.hwnd()));
    EXPECT_FALSE(IsWindowVisible(third.hwnd()));
    RECT page = RectInParent(first.hwnd());
    RECT client = ClientOf(container.hwnd());
    EXPECT_TRUE(EqualRect(&page, &client));
    // The label comes first but takes no focus: the edit is the first tab stop.
    EXPECT_EQ(GetFocus(), GetDlgItem(first.hwnd(), IDC_PAGE_EDIT));
    EXPECT_EQ(dialog.NotificationCodesFrom(container.hwnd()), (Codes{SelectionChanging, SelectionChanged}));
    EXPECT_EQ(first.notifications, Codes{SelectionChanged});
    EXPECT_TRUE(second.notifications.empty());
}

TEST_F(ContainerTest, ShowingTheShownPageSendsNothingAndLeavesTheFocus) {
    ShowDialog();
    AddThreePages();
    ASSERT_TRUE(container.ShowPage(0));
    HWND button = GetDlgItem(first.hwnd(), IDC_PAGE_BUTTON);
    SetFocus(button);
    ClearJournals();
    EXPECT_TRUE(container.ShowPage(0));
    EXPECT_TRUE(dialog.HeardFrom(container.hwnd()).empty());
    EXPECT_TRUE(first.notifications.empty());
    EXPECT_EQ(GetFocus(), button);
}

TEST_F(ContainerTest, ANonZeroAnswerBeforeTheChangeKeepsTheOldPage) {
    AddThreePages();
    ASSERT_TRUE(container.ShowPage(0));
    ClearJournals();
    dialog.refuseChange = 1;
    EXPECT_FALSE(container.ShowPage(1));
    EXPECT_EQ(container.CurrentIndex(), 0);
    EXPECT_EQ(container.CurrentPage(), first.hwnd());
    EXPECT_TRUE(GetWindowLongA(first.hwnd(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongA(second.hwnd(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(dialog.NotificationCodesFrom(container.hwnd()), Codes{SelectionChanging});
    EXPECT_TRUE(second.notifications.empty());
}

TEST_F(ContainerTest, SwitchingHidesTheOldPageAndFocusesTheNewOne) {
    ShowDialog();
    AddThreePages();
    ASSERT_TRUE(container.ShowPage(0));
    ClearJournals();
    ASSERT_TRUE(container.ShowPage(1));
    EXPECT_FALSE(IsWindowVisible(first.hwnd()));
    EXPECT_TRUE(IsWindowVisible(second.hwnd()));
    RECT page = RectInParent(second.hwnd());
    RECT client = ClientOf(container.hwnd());
    EXPECT_TRUE(EqualRect(&page, &client));
    HWND focus = GetFocus();
    EXPECT_TRUE(focus == second.hwnd() || IsChild(second.hwnd(), focus));
    EXPECT_EQ(dialog.NotificationCodesFrom(container.hwnd()), (Codes{SelectionChanging, SelectionChanged}));
    EXPECT_EQ(second.notifications, Codes{SelectionChanged});
    EXPECT_TRUE(first.notifications.empty());
}

TEST_F(ContainerTest, APageWithoutTabStopsLeavesTheFocusOnTheContainer) {
    ShowDialog();
    AddThreePages();
    ASSERT_TRUE(container.ShowPage(2));
    EXPECT_EQ(GetFocus(), container.hwnd());
}

TEST_F(ContainerTest, ResizingSizesTheShownPageOnly) {
    AddThreePages();
    ASSERT_TRUE(container.ShowPage(0));
    RECT secondBefore = RectInParent(second.hwnd());
    SetWindowPos(container.hwnd(), nullptr, 0, 0, 150, 90, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT resized = {0, 0, 150, 90};
    RECT shown = RectInParent(first.hwnd());
    EXPECT_TRUE(EqualRect(&shown, &resized));
    RECT hidden = RectInParent(second.hwnd());
    EXPECT_TRUE(EqualRect(&hidden, &secondBefore));
    EXPECT_NE(hidden.right - hidden.left, 150);
    ASSERT_TRUE(container.ShowPage(1));
    RECT nowShown = RectInParent(second.hwnd());
    EXPECT_TRUE(EqualRect(&nowShown, &resized));
}

TEST_F(ContainerTest, ACommandSentToTheContainerReachesTheShownPage) {
    AddThreePages();
    SendMessageA(container.hwnd(), WM_COMMAND, MAKEWPARAM(41, 0), 0);
    EXPECT_TRUE(first.commands.empty());
    ASSERT_TRUE(container.ShowPage(1));
    SendMessageA(container.hwnd(), WM_COMMAND, MAKEWPARAM(42, BN_CLICKED), 0);
    EXPECT_EQ(second.commands, std::vector<WORD>{42});
    EXPECT_TRUE(first.commands.empty());
    EXPECT_TRUE(third.commands.empty());
}

TEST_F(ContainerTest, ASlotWithoutAPageHidesThePreviousPageAndShowsNothing) {
    container.AddPage(first.hwnd());
    EXPECT_EQ(container.AddPage(nullptr), 1);
    ASSERT_TRUE(container.ShowPage(0));
    EXPECT_TRUE(container.ShowPage(1));
    EXPECT_EQ(container.CurrentIndex(), 1);
    EXPECT_FALSE(GetWindowLongA(first.hwnd(), GWL_STYLE) & WS_VISIBLE);
}

}  // namespace
