// The link over a static control: a click tells the parent (NM_CLICK with the control's id)
// and does nothing else; the label is painted as a link with a hand cursor over it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/win/controls_test_support.h"
#include "ui/controls/hyperlink.h"

namespace {

using controls_test::Canvas;
using controls_test::HostDialog;
using controls_test::LinkClicked;
using controls_test::PumpMessagesFor;

int WindowsOfThisProcess() {
    int count = 0;
    EnumWindows(
        [](HWND window, LPARAM counter) -> BOOL {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == GetCurrentProcessId())
                ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

std::string Text(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void Click(HWND window, int downX, int downY, int upX, int upY) {
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(downX, downY));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(upX, upY));
}

class HyperLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(dialog.Create(nullptr), nullptr);
        ASSERT_TRUE(link.AttachDlgItem(dialog.hwnd(), IDC_HOST_LINK));
        link.SetHyperLinkExtendedStyle(HyperLinkNotifyButton);
        dialog.heard.clear();
    }
    void TearDown() override { dialog.DestroyWindow(); }

    HostDialog dialog;
    CHyperLink link;
};

TEST_F(HyperLinkTest, AClickSendsTheParentNmClickWithTheLinksIdAndNothingElse) {
    const int windowsBefore = WindowsOfThisProcess();
    Click(link.hwnd(), 3, 3, 4, 3);
    // The press takes the focus from the list box, which says so; the link says one thing.
    const auto heard = dialog.HeardFrom(link.hwnd());
    ASSERT_EQ(heard.size(), 1u);
    const auto& click = heard[0];
    EXPECT_EQ(click.message, static_cast<UINT>(WM_NOTIFY));
    EXPECT_EQ(click.code, LinkClicked);
    EXPECT_EQ(click.id, static_cast<UINT_PTR>(IDC_HOST_LINK));
    EXPECT_EQ(click.wParam, static_cast<WPARAM>(IDC_HOST_LINK));
    EXPECT_EQ(click.sender, link.hwnd());
    EXPECT_NE(GetCapture(), link.hwnd());
    EXPECT_EQ(WindowsOfThisProcess(), windowsBefore);
    EXPECT_EQ(Text(link.hwnd()), "Report");

    Click(link.hwnd(), 3, 3, 3, 3);
    EXPECT_EQ(dialog.NotificationCodesFrom(link.hwnd()), (std::vector<int>{LinkClicked, LinkClicked}));
}

TEST_F(HyperLinkTest, ReleasingTheButtonAwayFromTheLinkTakesTheClickBack) {
    Click(link.hwnd(), 3, 3, -5, 3);
    Click(link.hwnd(), 3, 3, 3, 500);
    EXPECT_TRUE(dialog.HeardFrom(link.hwnd()).empty());
    SendMessageA(link.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));  // no press before it
    EXPECT_TRUE(dialog.HeardFrom(link.hwnd()).empty());
}

TEST_F(HyperLinkTest, OutsideTheNotifyModeAClickDoesNothing) {
    link.SetHyperLinkExtendedStyle(0);
    Click(link.hwnd(), 3, 3, 3, 3);
    EXPECT_TRUE(dialog.HeardFrom(link.hwnd()).empty());
}

TEST_F(HyperLinkTest, ARealClickReachesTheLinkAlthoughTheStaticDoesNotNotify) {
    EXPECT_FALSE(GetWindowLongA(link.hwnd(), GWL_STYLE) & SS_NOTIFY);
    ShowWindow(dialog.hwnd(), SW_SHOW);
    SetForegroundWindow(dialog.hwnd());
    UpdateWindow(dialog.hwnd());
    RECT rect;
    GetWindowRect(link.hwnd(), &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PumpMessagesFor(100);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, inputs, sizeof(INPUT)), 2u);
    PumpMessagesFor(300);
    // Only the notification: no STN_CLICKED command besides it.
    const auto heard = dialog.HeardFrom(link.hwnd());
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].message, static_cast<UINT>(WM_NOTIFY));
    EXPECT_EQ(heard[0].code, LinkClicked);
}

TEST_F(HyperLinkTest, TheLabelIsPaintedUnderlinedInTheLinkColourWithAHandCursorOverIt) {
    RECT client;
    GetClientRect(link.hwnd(), &client);
    const COLORREF untouched = RGB(255, 0, 255);
    Canvas canvas(client.right, client.bottom, untouched);
    SendMessageA(link.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);

    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    const COLORREF linkColour = LinkTextColour(GetSysColor(COLOR_HOTLIGHT), background);
    EXPECT_EQ(canvas.Pixel(client.right - 1, client.bottom - 1), background);
    int longestRun = 0;  // the underline: one row of link colour under the whole label
    int linkPixels = 0;
    for (int y = 0; y < client.bottom; ++y) {
        int run = 0;
        for (int x = 0; x < client.right; ++x) {
            COLORREF pixel = canvas.Pixel(x, y);
            EXPECT_NE(pixel, untouched);
            run = pixel == linkColour ? run + 1 : 0;
            linkPixels += pixel == linkColour;
            longestRun = std::max(longestRun, run);
        }
    }
    EXPECT_GT(linkPixels, 20);
    EXPECT_GE(longestRun, 15);

    EXPECT_EQ(SendMessageA(link.hwnd(), WM_NCHITTEST, 0, 0), HTCLIENT);
    EXPECT_EQ(SendMessageA(link.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.hwnd()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
}

TEST_F(HyperLinkTest, WithTheFocusEnterOrSpaceFollowTheLinkAndAFocusRectangleShowsIt) {
    // The dialog manager leaves Enter to the link instead of pressing the default button.
    MSG enter = {link.hwnd(), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
    MSG tab = {link.hwnd(), WM_KEYDOWN, VK_TAB, 0x000F0001, 0, {}};
    EXPECT_TRUE(SendMessageA(link.hwnd(), WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE);
    EXPECT_FALSE(SendMessageA(link.hwnd(), WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) & DLGC_WANTMESSAGE);
    SendMessageA(link.hwnd(), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    SendMessageA(link.hwnd(), WM_KEYDOWN, VK_RETURN, 0x401C0001);  // the key held down: no second opening
    SendMessageA(link.hwnd(), WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_EQ(dialog.NotificationCodesFrom(link.hwnd()), (std::vector<int>{LinkClicked, LinkClicked}));

    RECT client;
    GetClientRect(link.hwnd(), &client);
    auto paint = [&](Canvas& canvas) {
        SendMessageA(link.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    };
    Canvas unfocused(client.right, client.bottom, RGB(255, 0, 255));
    paint(unfocused);
    SendMessageA(dialog.hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SetFocus(link.hwnd());
    ASSERT_EQ(GetFocus(), link.hwnd());
    Canvas focused(client.right, client.bottom, RGB(255, 0, 255));
    paint(focused);
    int changed = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) changed += focused.Pixel(x, y) != unfocused.Pixel(x, y);
    EXPECT_GT(changed, 20);  // the dotted outline around the label
}

TEST(LinkTextColour, IsTheHotTrackColourUnlessThatIsTooFaintAgainstTheBackground) {
    const COLORREF linkBlue = RGB(0, 102, 204);  // Windows 10's hot-track colour
    EXPECT_EQ(LinkTextColour(linkBlue, RGB(240, 240, 240)), linkBlue);
    EXPECT_EQ(LinkTextColour(RGB(255, 255, 0), RGB(0, 0, 0)), RGB(255, 255, 0));  // high contrast
    EXPECT_EQ(LinkTextColour(RGB(224, 224, 224), RGB(245, 245, 245)), linkBlue);  // a hover tint
    EXPECT_EQ(LinkTextColour(RGB(0, 0, 40), RGB(0, 0, 0)), linkBlue);
}

TEST_F(HyperLinkTest, TheLabelIsTheControlsTextAtAttachTime) {
    EXPECT_EQ(link.Label(), "Report");
    SetWindowTextA(link.hwnd(), "Something else");
    EXPECT_EQ(link.Label(), "Report");
    HWND second = GetDlgItem(dialog.hwnd(), IDC_HOST_SECOND_LINK);
    SetWindowTextA(second, "Aide");  // translated before the attach
    CHyperLink help;
    ASSERT_TRUE(help.Attach(second));
    EXPECT_EQ(help.Label(), "Aide");
}

}  // namespace
