// The page selector's list box: the set-up, the entries' own copies of their records and
// when they are freed, and the drawing of entries checked pixel by pixel in a memory bitmap.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "tests/win/controls_test_support.h"
#include "ui/controls/image_list_box.h"

namespace {

using controls_test::Canvas;
using controls_test::HostDialog;
using controls_test::SolidSquares;

const COLORREF Red = RGB(255, 0, 0);
const COLORREF Green = RGB(0, 255, 0);
const COLORREF Untouched = RGB(255, 0, 255);

COLORREF Background() { return GetSysColor(COLOR_WINDOW); }
COLORREF Highlight() { return GetSysColor(COLOR_HIGHLIGHT); }

ImageListBoxItem Item(UINT mask, UINT style = 0, const char* text = nullptr) {
    ImageListBoxItem item = {};
    item.position = -1;  // at the end
    item.mask = mask;
    item.style = style;
    item.text = const_cast<char*>(text);
    return item;
}

class ImageListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        copiesBefore = CImageListBoxCtrl::LiveItemCopies();
        ASSERT_NE(dialog.Create(nullptr), nullptr);
        ASSERT_TRUE(list.AttachDlgItem(dialog.hwnd(), IDC_HOST_SELECTOR));
        list.SetImageList(ImageListBoxImages::Normal, images.get());
        list.SetImageList(ImageListBoxImages::Selected, selectedImages.get());
    }
    void TearDown() override {
        dialog.DestroyWindow();
        EXPECT_EQ(CImageListBoxCtrl::LiveItemCopies(), copiesBefore);
    }

    const ImageListBoxItem& Stored(int index) const {
        return *reinterpret_cast<const ImageListBoxItem*>(SendMessageA(list.hwnd(), LB_GETITEMDATA, index, 0));
    }
    int Count() const { return static_cast<int>(SendMessageA(list.hwnd(), LB_GETCOUNT, 0, 0)); }

    // Draws entry `index` into the canvas through the dialog, which reflects the message.
    void Draw(Canvas& canvas, int index, const RECT& rect, bool selected) {
        DRAWITEMSTRUCT entry = {};
        entry.CtlType = ODT_LISTBOX;
        entry.CtlID = IDC_HOST_SELECTOR;
        entry.itemID = static_cast<UINT>(index);
        entry.itemAction = ODA_DRAWENTIRE;
        entry.itemState = selected ? ODS_SELECTED : 0;
        entry.hwndItem = list.hwnd();
        entry.hDC = canvas.dc();
        entry.rcItem = rect;
        entry.itemData = index >= 0 ? SendMessageA(list.hwnd(), LB_GETITEMDATA, index, 0) : 0;
        SendMessageA(dialog.hwnd(), WM_DRAWITEM, IDC_HOST_SELECTOR, reinterpret_cast<LPARAM>(&entry));
    }

    int copiesBefore = 0;
    HostDialog dialog;
    CImageListBoxCtrl list;
    ScopedImageList images{SolidSquares(16, {Red})};
    ScopedImageList selectedImages{SolidSquares(16, {Untouched, Green})};
};

TEST_F(ImageListBoxTest, SetUpLeavesAnUnsortedSingleSelectionListWithoutStringsThatNotifies) {
    HWND plain = CreateWindowExA(0, "ListBox", "", WS_CHILD | LBS_OWNERDRAWFIXED | LBS_SORT | LBS_MULTIPLESEL | LBS_HASSTRINGS,
                                 0, 0, 80, 80, dialog.hwnd(), nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    CImageListBoxCtrl other;
    ASSERT_TRUE(other.Attach(plain));
    LONG style = GetWindowLongA(plain, GWL_STYLE);
    EXPECT_EQ(style & (LBS_SORT | LBS_MULTIPLESEL | LBS_HASSTRINGS), 0);
    EXPECT_TRUE(style & LBS_NOTIFY);
    EXPECT_TRUE(style & LBS_OWNERDRAWFIXED);
}

TEST_F(ImageListBoxTest, AnEntryStoresItsOwnCopyOfTheFieldsItsMaskGives) {
    char text[] = "General";
    char subtext[] = "not stored";
    ImageListBoxItem item = {};
    item.position = -1;
    item.mask = ImageListBoxField::Text | ImageListBoxField::Image | ImageListBoxField::Format;
    item.style = ImageListBoxStyle::ImageTop;
    item.format = DT_CENTER;
    item.text = text;
    item.subtext = subtext;
    item.image = 2;
    item.selectedImage = 5;
    item.data = 77;
    ASSERT_EQ(list.AddItem(item), 0);
    std::strcpy(text, "changed");

    const ImageListBoxItem& stored = Stored(0);
    EXPECT_NE(stored.text, text);
    EXPECT_STREQ(stored.text, "General");
    EXPECT_EQ(stored.mask, item.mask);
    EXPECT_EQ(stored.format, static_cast<UINT>(DT_CENTER));
    EXPECT_EQ(stored.image, 2);
    EXPECT_EQ(stored.style, 0u);
    EXPECT_EQ(stored.subtext, nullptr);
    EXPECT_EQ(stored.selectedImage, 0);
    EXPECT_EQ(stored.data, 0);

    // A text without its mask bit is not stored at all.
    ImageListBoxItem unmarked = Item(ImageListBoxField::Subtext | ImageListBoxField::Data, 0, "ignored");
    unmarked.subtext = subtext;
    unmarked.data = 9;
    ASSERT_EQ(list.AddItem(unmarked), 1);
    EXPECT_EQ(Stored(1).text, nullptr);
    EXPECT_STREQ(Stored(1).subtext, "not stored");
    EXPECT_NE(Stored(1).subtext, subtext);
    EXPECT_EQ(Stored(1).data, 9);
}

TEST_F(ImageListBoxTest, EntriesGoWhereTheirRecordsPositionSays) {
    // As the options dialog fills its selector: each at the front, in reverse order.
    for (const char* name : {"Projects", "Applications", "General"}) {
        ImageListBoxItem item = Item(ImageListBoxField::Text, 0, name);
        item.position = 0;
        EXPECT_EQ(list.AddItem(item), 0);
    }
    ASSERT_EQ(Count(), 3);
    EXPECT_STREQ(Stored(0).text, "General");
    EXPECT_STREQ(Stored(1).text, "Applications");
    EXPECT_STREQ(Stored(2).text, "Projects");
    ImageListBoxItem beyond = Item(ImageListBoxField::Text, 0, "beyond");
    beyond.position = 7;
    EXPECT_EQ(list.AddItem(beyond), LB_ERR);
    EXPECT_EQ(Count(), 3);
}

TEST_F(ImageListBoxTest, EveryCopyIsFreedWhenEntriesAreDeletedOrTheListEmptied) {
    for (const char* name : {"one", "two", "three"}) {
        ImageListBoxItem item = Item(ImageListBoxField::Text | ImageListBoxField::Subtext, 0, name);
        item.subtext = const_cast<char*>("sub");
        list.AddItem(item);
    }
    EXPECT_EQ(CImageListBoxCtrl::LiveItemCopies(), copiesBefore + 3);
    SendMessageA(list.hwnd(), LB_DELETESTRING, 1, 0);
    EXPECT_EQ(CImageListBoxCtrl::LiveItemCopies(), copiesBefore + 2);
    EXPECT_STREQ(Stored(1).text, "three");
    SendMessageA(list.hwnd(), LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(CImageListBoxCtrl::LiveItemCopies(), copiesBefore);
}

TEST_F(ImageListBoxTest, EveryCopyIsFreedWhenTheListIsDestroyed) {
    list.AddItem(Item(ImageListBoxField::Text, 0, "one"));
    list.AddItem(Item(0));
    EXPECT_EQ(CImageListBoxCtrl::LiveItemCopies(), copiesBefore + 2);
    ASSERT_TRUE(DestroyWindow(list.hwnd()));
    EXPECT_EQ(list.hwnd(), nullptr);
    EXPECT_EQ(CImageListBoxCtrl::LiveItemCopies(), copiesBefore);
}

TEST_F(ImageListBoxTest, EveryCopyIsFreedWhenTheWholeDialogIsDestroyed) {
    list.AddItem(Item(ImageListBoxField::Text, 0, "one"));
    list.AddItem(Item(ImageListBoxField::Text, 0, "two"));
    ASSERT_TRUE(dialog.DestroyWindow());
    EXPECT_EQ(CImageListBoxCtrl::LiveItemCopies(), copiesBefore);
}

TEST_F(ImageListBoxTest, AControlObjectGoneBeforeItsListTakesTheCopiesWithIt) {
    HWND window;
    {
        CImageListBoxCtrl shortLived;
        ASSERT_TRUE(shortLived.Attach(CreateWindowExA(0, "ListBox", "", WS_CHILD | LBS_OWNERDRAWFIXED, 0, 0, 80, 80,
                                                       dialog.hwnd(), nullptr, nullptr, nullptr)));
        window = shortLived.hwnd();
        shortLived.AddItem(Item(ImageListBoxField::Text, 0, "one"));
        EXPECT_EQ(CImageListBoxCtrl::LiveItemCopies(), copiesBefore + 1);
    }
    EXPECT_EQ(CImageListBoxCtrl::LiveItemCopies(), copiesBefore);
    EXPECT_EQ(SendMessageA(window, LB_GETITEMDATA, 0, 0), 0);
}

TEST_F(ImageListBoxTest, ASelectedRoundedEntryIsAFilledRoundedRectangleOnTheBackground) {
    ASSERT_EQ(list.AddItem(Item(ImageListBoxField::Style, ImageListBoxStyle::ImageTop | ImageListBoxStyle::RoundedSelection)), 0);
    Canvas canvas(60, 50, Untouched);
    HGDIOBJ pen = GetCurrentObject(canvas.dc(), OBJ_PEN);
    HGDIOBJ brush = GetCurrentObject(canvas.dc(), OBJ_BRUSH);
    HGDIOBJ font = GetCurrentObject(canvas.dc(), OBJ_FONT);
    Draw(canvas, 0, RECT{0, 0, 60, 50}, true);

    for (POINT corner : {POINT{0, 0}, POINT{59, 0}, POINT{0, 49}, POINT{59, 49}})
        EXPECT_EQ(canvas.Pixel(corner.x, corner.y), Background()) << corner.x << "," << corner.y;
    for (POINT inside : {POINT{30, 25}, POINT{30, 0}, POINT{0, 25}, POINT{59, 25}, POINT{4, 4}, POINT{55, 45}})
        EXPECT_EQ(canvas.Pixel(inside.x, inside.y), Highlight()) << inside.x << "," << inside.y;
    // The pen and brush of the selection were selected out again (and so could be deleted).
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_BRUSH), brush);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), font);

    Canvas unselected(60, 50, Untouched);
    Draw(unselected, 0, RECT{0, 0, 60, 50}, false);
    EXPECT_FALSE(unselected.AnyPixelOtherThan(RECT{0, 0, 60, 50}, Background()));
}

TEST_F(ImageListBoxTest, ASelectedPlainEntryIsFilledToItsCorners) {
    ASSERT_EQ(list.AddItem(Item(0)), 0);
    Canvas canvas(60, 50, Untouched);
    Draw(canvas, 0, RECT{0, 0, 60, 50}, true);
    EXPECT_FALSE(canvas.AnyPixelOtherThan(RECT{0, 0, 60, 50}, Highlight()));
}

TEST_F(ImageListBoxTest, StyleZeroPutsTheIconAtTheLeftVerticallyCentredAndTheTextRightOfIt) {
    ImageListBoxItem item = Item(ImageListBoxField::Text | ImageListBoxField::Image, 0, "Wg");
    ASSERT_EQ(list.AddItem(item), 0);
    Canvas canvas(100, 40, Untouched);
    Draw(canvas, 0, RECT{0, 0, 100, 40}, false);
    // 40 high, 16-pixel icon: rows 12 to 27.
    EXPECT_EQ(canvas.Pixel(0, 12), Red);
    EXPECT_EQ(canvas.Pixel(15, 27), Red);
    EXPECT_EQ(canvas.Pixel(0, 11), Background());
    EXPECT_EQ(canvas.Pixel(0, 28), Background());
    EXPECT_FALSE(canvas.AnyPixelOtherThan(RECT{0, 0, 16, 12}, Background()));
    EXPECT_FALSE(canvas.AnyPixelOtherThan(RECT{0, 28, 16, 40}, Background()));
    EXPECT_TRUE(canvas.AnyPixelOtherThan(RECT{16, 0, 100, 40}, Background()));  // the text
}

TEST_F(ImageListBoxTest, ImageAtTheRightIsVerticallyCentredAgainstTheRightEdge) {
    ASSERT_EQ(list.AddItem(Item(ImageListBoxField::Image | ImageListBoxField::Style, ImageListBoxStyle::ImageRight)), 0);
    Canvas canvas(100, 40, Untouched);
    Draw(canvas, 0, RECT{0, 0, 100, 40}, false);
    EXPECT_EQ(canvas.Pixel(84, 12), Red);
    EXPECT_EQ(canvas.Pixel(99, 27), Red);
    EXPECT_EQ(canvas.Pixel(83, 20), Background());
    EXPECT_EQ(canvas.Pixel(99, 11), Background());
}

TEST_F(ImageListBoxTest, ImageOnTopIsCentredHorizontallyAtTheInsetTop) {
    ImageListBoxItem item = Item(ImageListBoxField::Text | ImageListBoxField::Image | ImageListBoxField::Style |
                                     ImageListBoxField::Format,
                                 ImageListBoxStyle::ImageTop | ImageListBoxStyle::RoundedSelection, "Wg");
    item.format = DT_CENTER | DT_NOPREFIX;
    ASSERT_EQ(list.AddItem(item), 0);
    Canvas canvas(100, 60, Untouched);
    Draw(canvas, 0, RECT{0, 0, 100, 60}, false);
    // Inset by the 8-pixel corners to (8,8)-(92,52): the icon at 8 + 84 / 2 - 8 = 42, row 8.
    EXPECT_EQ(canvas.Pixel(42, 8), Red);
    EXPECT_EQ(canvas.Pixel(57, 23), Red);
    EXPECT_EQ(canvas.Pixel(41, 8), Background());
    EXPECT_EQ(canvas.Pixel(58, 8), Background());
    EXPECT_EQ(canvas.Pixel(42, 7), Background());
    // The name below the icon, centred: nothing beside the icon, something under it.
    EXPECT_FALSE(canvas.AnyPixelOtherThan(RECT{0, 0, 42, 24}, Background()));
    EXPECT_FALSE(canvas.AnyPixelOtherThan(RECT{58, 0, 100, 24}, Background()));
    EXPECT_TRUE(canvas.AnyPixelOtherThan(RECT{30, 24, 70, 52}, Background()));
}

TEST_F(ImageListBoxTest, AnEntryWithoutAnImageStartsItsTextAtTheInsetTop) {
    ImageListBoxItem item =
        Item(ImageListBoxField::Text | ImageListBoxField::Style, ImageListBoxStyle::ImageTop | ImageListBoxStyle::RoundedSelection, "Wg");
    ASSERT_EQ(list.AddItem(item), 0);
    Canvas canvas(100, 60, Untouched);
    Draw(canvas, 0, RECT{0, 0, 100, 60}, false);
    TEXTMETRICA metrics = {};
    {
        ScopedSelectObject font(canvas.dc(), reinterpret_cast<HGDIOBJ>(SendMessageA(list.hwnd(), WM_GETFONT, 0, 0)));
        GetTextMetricsA(canvas.dc(), &metrics);
    }
    EXPECT_FALSE(canvas.AnyPixelOtherThan(RECT{0, 0, 100, 8}, Background()));
    EXPECT_TRUE(canvas.AnyPixelOtherThan(RECT{8, 8, 92, 8 + metrics.tmHeight}, Background()));
    EXPECT_FALSE(canvas.AnyPixelOtherThan(RECT{0, 8 + metrics.tmHeight, 100, 60}, Background()));
}

TEST_F(ImageListBoxTest, TheSelectedImageShowsOnlyWhileTheEntryIsSelected) {
    ImageListBoxItem item = Item(ImageListBoxField::Image | ImageListBoxField::SelectedImage);
    item.selectedImage = 1;
    ASSERT_EQ(list.AddItem(item), 0);
    ASSERT_EQ(list.AddItem(Item(ImageListBoxField::Image)), 1);  // no selected image of its own
    Canvas canvas(100, 40, Untouched);
    Draw(canvas, 0, RECT{0, 0, 100, 40}, false);
    EXPECT_EQ(canvas.Pixel(8, 20), Red);
    Draw(canvas, 0, RECT{0, 0, 100, 40}, true);
    EXPECT_EQ(canvas.Pixel(8, 20), Green);
    Draw(canvas, 1, RECT{0, 0, 100, 40}, true);
    EXPECT_EQ(canvas.Pixel(8, 20), Red);
}

TEST_F(ImageListBoxTest, AnEmptyListDrawsNothing) {
    Canvas canvas(40, 40, Untouched);
    Draw(canvas, -1, RECT{0, 0, 40, 40}, true);
    EXPECT_FALSE(canvas.AnyPixelOtherThan(RECT{0, 0, 40, 40}, Untouched));
}

TEST_F(ImageListBoxTest, EraseFillsTheClientAreaWithTheBackgroundColour) {
    RECT client;
    GetClientRect(list.hwnd(), &client);
    Canvas canvas(client.right + 10, client.bottom + 10, Untouched);
    EXPECT_EQ(SendMessageA(list.hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0), 1);
    EXPECT_FALSE(canvas.AnyPixelOtherThan(client, Background()));
    EXPECT_EQ(canvas.Pixel(client.right, client.bottom), Untouched);
}

TEST_F(ImageListBoxTest, ResizingTheListRepaintsItCompletely) {
    ShowWindow(dialog.hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(dialog.hwnd());
    ValidateRect(list.hwnd(), nullptr);
    RECT window;
    GetWindowRect(list.hwnd(), &window);
    // Narrower: nothing new is uncovered, yet centred content moves.
    SetWindowPos(list.hwnd(), nullptr, 0, 0, window.right - window.left - 10, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(list.hwnd(), &client);
    RECT update = {};
    ASSERT_TRUE(GetUpdateRect(list.hwnd(), &update, FALSE));
    EXPECT_TRUE(EqualRect(&update, &client));
}

}  // namespace
