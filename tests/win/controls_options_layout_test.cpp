// The three controls together as the options dialog uses them, on screen: a selector of three
// entries with large masked icons, the container with three pages and the two links. Set
// OSTRAK_CONTROLS_SHOW_MS to keep the dialog on screen that long (for a screenshot).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "tests/win/controls_test_support.h"
#include "ui/controls/dialog_container.h"
#include "ui/controls/hyperlink.h"
#include "ui/controls/image_list_box.h"

namespace {

const COLORREF Transparent = RGB(49, 106, 197);
constexpr int IconSize = 48;

// Three 48-pixel pictures on the transparent colour: a gear, a window, a folder.
HIMAGELIST PageIcons() {
    HDC screen = GetDC(nullptr);
    ScopedBitmap strip(CreateCompatibleBitmap(screen, IconSize * 3, IconSize));
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, strip.get());
    {
        ScopedBrush transparent(CreateSolidBrush(Transparent));
        RECT all = {0, 0, IconSize * 3, IconSize};
        FillRect(dc, &all, transparent.get());
        ScopedPen outline(CreatePen(PS_SOLID, 1, RGB(60, 60, 60)));
        ScopedSelectObject pen(dc, outline.get());

        ScopedBrush grey(CreateSolidBrush(RGB(150, 150, 150)));
        ScopedSelectObject gearBrush(dc, grey.get());
        for (int tooth = 0; tooth < 4; ++tooth) {
            const int x = tooth % 2 ? 20 : (tooth ? 38 : 2);
            const int y = tooth % 2 ? (tooth == 1 ? 2 : 38) : 20;
            Rectangle(dc, x, y, x + 8, y + 8);
        }
        Ellipse(dc, 8, 8, 40, 40);
        {
            ScopedSelectObject hole(dc, transparent.get());
            Ellipse(dc, 18, 18, 30, 30);
        }

        ScopedBrush white(CreateSolidBrush(RGB(255, 255, 255)));
        ScopedBrush title(CreateSolidBrush(RGB(30, 60, 140)));
        {
            ScopedSelectObject windowBrush(dc, white.get());
            Rectangle(dc, 48 + 4, 8, 48 + 44, 40);
            ScopedSelectObject titleBrush(dc, title.get());
            Rectangle(dc, 48 + 4, 8, 48 + 44, 16);
        }

        ScopedBrush yellow(CreateSolidBrush(RGB(240, 200, 70)));
        ScopedSelectObject folderBrush(dc, yellow.get());
        Rectangle(dc, 96 + 4, 10, 96 + 20, 16);
        Rectangle(dc, 96 + 4, 14, 96 + 44, 40);
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    HIMAGELIST list = ImageList_Create(IconSize, IconSize, ILC_COLOR24 | ILC_MASK, 3, 1);
    ImageList_AddMasked(list, strip.get(), Transparent);
    return list;
}

class OptionsLikeDialog : public CDialogImpl {
public:
    OptionsLikeDialog() : CDialogImpl(IDD_CONTROLS_HOST) {}

    CImageListBoxCtrl selector;
    CDlgContainerCtrl container;
    CHyperLink report;
    CHyperLink help;
    controls_test::Page* pages[3] = {};
    int linkClicks = 0;

protected:
    bool ProcessMessage(WindowMessage& message) override {
        static const MessageRow<OptionsLikeDialog> rows[] = {
            HandleCommand(IDC_HOST_SELECTOR, LBN_SELCHANGE, &OptionsLikeDialog::OnSelect),
            HandleNotify(IDC_HOST_LINK, NM_CLICK, &OptionsLikeDialog::OnLink),
        };
        return RouteMessage(*this, rows, message);
    }

private:
    LRESULT OnSelect(WindowMessage&) {
        container.ShowPage(static_cast<int>(SendMessageA(selector.hwnd(), LB_GETCURSEL, 0, 0)));
        return 0;
    }
    LRESULT OnLink(WindowMessage&) {
        ++linkClicks;
        return 0;
    }
};

class OptionsLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        HWND window = dialog.Create(nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(dialog.selector.AttachDlgItem(window, IDC_HOST_SELECTOR));
        dialog.selector.SetImageList(ImageListBoxImages::Normal, icons.get());
        dialog.selector.SetImageList(ImageListBoxImages::Selected, icons.get());
        RECT outer;
        GetWindowRect(dialog.selector.hwnd(), &outer);
        SendMessageA(dialog.selector.hwnd(), LB_SETITEMHEIGHT, 0, (outer.bottom - outer.top) / 3 - 1);
        const char* names[] = {"General", "Applications", "Projects"};
        for (int page = 2; page >= 0; --page) {
            ImageListBoxItem item = {};
            item.mask = ImageListBoxField::Text | ImageListBoxField::Image | ImageListBoxField::SelectedImage |
                        ImageListBoxField::Style | ImageListBoxField::Format;
            item.style = ImageListBoxStyle::ImageTop | ImageListBoxStyle::RoundedSelection;
            item.format = DT_CENTER;
            item.text = const_cast<char*>(names[page]);
            item.image = item.selectedImage = page;
            dialog.selector.AddItem(item);
        }
        SendMessageA(dialog.selector.hwnd(), LB_SETCURSEL, 0, 0);

        ASSERT_TRUE(dialog.container.AttachDlgItem(window, IDC_HOST_PAGES));
        for (controls_test::Page* page : {&first, &second, &third}) {
            ASSERT_NE(page->Create(dialog.container.hwnd()), nullptr);
            dialog.container.AddPage(page->hwnd());
        }
        dialog.container.ShowPage(0);
        ASSERT_TRUE(dialog.report.AttachDlgItem(window, IDC_HOST_LINK));
        ASSERT_TRUE(dialog.help.AttachDlgItem(window, IDC_HOST_SECOND_LINK));
        dialog.report.SetHyperLinkExtendedStyle(HyperLinkNotifyButton);
        dialog.help.SetHyperLinkExtendedStyle(HyperLinkNotifyButton);
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        UpdateWindow(window);
    }
    void TearDown() override {
        if (const char* linger = std::getenv("OSTRAK_CONTROLS_SHOW_MS"))
            controls_test::PumpMessagesFor(static_cast<DWORD>(std::atoi(linger)));
        dialog.DestroyWindow();
    }

    RECT Entry(int index) const {
        RECT rect = {};
        SendMessageA(dialog.selector.hwnd(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
        return rect;
    }

    ScopedImageList icons{PageIcons()};
    OptionsLikeDialog dialog;
    controls_test::Page first{IDD_CONTROLS_PAGE_FIRST};
    controls_test::Page second{IDD_CONTROLS_PAGE_SECOND};
    controls_test::Page third{IDD_CONTROLS_PAGE_THIRD};
};

TEST_F(OptionsLayoutTest, ClickingAnEntryShowsItsPageOnARoundedHighlightWithItsIconMasked) {
    HWND list = dialog.selector.hwnd();
    RECT outer;
    GetWindowRect(list, &outer);
    const int itemHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
    EXPECT_EQ(itemHeight, (outer.bottom - outer.top) / 3 - 1);

    RECT entry = Entry(1);
    const int centreX = (entry.left + entry.right) / 2;
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centreX, entry.top + 5));
    SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(centreX, entry.top + 5));
    controls_test::PumpMessagesFor(100);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(dialog.container.CurrentIndex(), 1);
    EXPECT_TRUE(IsWindowVisible(second.hwnd()));
    EXPECT_FALSE(IsWindowVisible(first.hwnd()));

    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    ScopedGetDC screen(list);
    const COLORREF background = GetSysColor(COLOR_WINDOW);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    // The selected entry: window colour at its corners, highlight inside, and the highlight
    // through the icon's transparent corner (icon centred, 8 pixels below the top).
    EXPECT_EQ(GetPixel(screen.get(), entry.left, entry.top), background);
    EXPECT_EQ(GetPixel(screen.get(), entry.right - 1, entry.bottom - 1), background);
    EXPECT_EQ(GetPixel(screen.get(), centreX, entry.bottom - 3), highlight);
    const int iconLeft = entry.left + 8 + (entry.right - entry.left - 16) / 2 - IconSize / 2;
    EXPECT_EQ(GetPixel(screen.get(), iconLeft, entry.top + 8), highlight);
    EXPECT_EQ(GetPixel(screen.get(), iconLeft + 24, entry.top + 8 + 24), RGB(255, 255, 255)) << "window icon";
    // The others stay on the window colour.
    RECT other = Entry(0);
    EXPECT_EQ(GetPixel(screen.get(), centreX, other.bottom - 3), background);
    EXPECT_EQ(GetPixel(screen.get(), iconLeft, other.top + 8), background);

    SendMessageA(dialog.report.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(dialog.report.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(dialog.linkClicks, 1);
}

}  // namespace
