// Translation of real dialogs and menus: a control's text is its key, a menu item's text too.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "localization/language.h"
#include "localization/translate_win.h"

namespace {

// Templates of translate_win_test.rc.
constexpr int kTestDialog = 900;
constexpr int kTestPage = 901;
constexpr int kPageHost = 1006;

// A key whose item name is so long that only its first 254 characters reach the lookup.
const std::string kLongItem(247, 'L');
const std::string kCutKey = "Dialog/" + kLongItem;

std::string LanguageFile() {
    return "<Lang>"
           "<Save>not a key</Save><as>not a key</as>"
           "<Dialog><Ok>OK</Ok><Empty></Empty><" + kLongItem + ">Cut</" + kLongItem + ">"
           "<Long>" + std::string(300, 'x') + "</Long></Dialog>"
           "<Common><Options>Options</Options></Common>"
           "<Menu><Exit>Exit</Exit><Report>Report</Report></Menu>"
           "<Page3><Hint1>Projects</Hint1></Page3>"
           "</Lang>";
}

std::string Text(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

class TranslateDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        LanguageDocument = CreateXmlDocument();
        ASSERT_TRUE(LanguageDocument->LoadXml(LanguageFile()));
        dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTestDialog), nullptr,
                                     PlainDialogProc, 0);
        ASSERT_NE(dialog_, nullptr);
        page_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kTestPage),
                                   GetDlgItem(dialog_, kPageHost), PlainDialogProc, 0);
        ASSERT_NE(page_, nullptr);
        // An owner may set a text before the pass; this one is longer than a lookup takes.
        SetDlgItemTextA(dialog_, 1005, (kCutKey + "Tail").c_str());
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        FreeLanguage();
    }

    std::string Item(int id) const { return Text(GetDlgItem(dialog_, id)); }

    HWND dialog_ = nullptr;
    HWND page_ = nullptr;
};

TEST_F(TranslateDialogTest, KeysAreReplacedAndEverythingElseStaysAsItWas) {
    TranslateDialog(dialog_);
    EXPECT_EQ(Item(1001), "OK");
    EXPECT_EQ(Item(1007), "Projects");
    // A key without a text, or with an empty one, shows the key.
    EXPECT_EQ(Item(1002), "Dialog/Missing");
    EXPECT_EQ(Item(1008), "Dialog/Empty");
    // Words that happen to be element names are no key.
    EXPECT_EQ(Item(1003), "Save as");
    EXPECT_EQ(Item(1004), "");
    EXPECT_EQ(Text(dialog_), "Dialog/Ok");
}

TEST_F(TranslateDialogTest, AChildOfAChildIsTranslated) {
    ASSERT_EQ(GetParent(GetParent(GetDlgItem(page_, 1101))), GetDlgItem(dialog_, kPageHost));
    TranslateDialog(dialog_);
    EXPECT_EQ(Text(GetDlgItem(page_, 1101)), "Exit");
}

TEST_F(TranslateDialogTest, ATextOver254CharactersIsLookedUpCut) {
    ASSERT_EQ(kCutKey.size(), 254u);
    TranslateDialog(dialog_);
    EXPECT_EQ(Item(1005), "Cut");
}

TEST_F(TranslateDialogTest, WithoutALanguageEveryControlShowsItsKey) {
    FreeLanguage();
    TranslateDialog(dialog_);
    EXPECT_EQ(Item(1001), "Dialog/Ok");
    EXPECT_EQ(Item(1007), "Page3/Hint1");
    EXPECT_EQ(Text(GetDlgItem(page_, 1101)), "Menu/Exit");
}

std::string MenuText(HMENU menu, int position) {
    char text[512] = "";
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

UINT MenuType(HMENU menu, int position) {
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &item);
    return item.fType;
}

class TranslateMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        LanguageDocument = CreateXmlDocument();
        ASSERT_TRUE(LanguageDocument->LoadXml(LanguageFile()));
        menu_ = CreatePopupMenu();
        subMenu_ = CreatePopupMenu();
        AppendMenuA(subMenu_, MF_STRING, 200, "Menu/Exit");
        AppendMenuA(menu_, MF_STRING, 101, "Common/Options");
        AppendMenuA(menu_, MF_STRING, 102, "Menu/Missing");
        AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu_, MF_STRING, 103, "Dialog/Empty");
        AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(subMenu_), "Menu/Report");
        AppendMenuA(menu_, MF_OWNERDRAW, 104, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(0x5A5A)));
        AppendMenuA(menu_, MF_STRING, 105, "Dialog/Long");
    }
    void TearDown() override {
        DestroyMenu(menu_);  // takes the sub-menu with it
        FreeLanguage();
    }

    HMENU menu_ = nullptr;
    HMENU subMenu_ = nullptr;
};

TEST_F(TranslateMenuTest, ItemsGetTheirTextsAndAMissingKeyBlanksItsItem) {
    TranslateMenu(menu_);
    EXPECT_EQ(MenuText(menu_, 0), "Options");
    EXPECT_EQ(MenuText(menu_, 1), "");
    EXPECT_EQ(MenuText(menu_, 3), "");
    // Blank items are still items, with their commands.
    EXPECT_EQ(MenuType(menu_, 1), static_cast<UINT>(MFT_STRING));
    EXPECT_EQ(GetMenuItemID(menu_, 1), 102u);
    EXPECT_EQ(GetMenuItemID(menu_, 3), 103u);
    EXPECT_EQ(GetMenuItemCount(menu_), 7);
}

TEST_F(TranslateMenuTest, StringItemsAreTranslatedSubmenusIncluded) {
    TranslateMenu(menu_);
    EXPECT_TRUE(MenuType(menu_, 2) & MFT_SEPARATOR);
    EXPECT_EQ(MenuText(menu_, 4), "Report");
    EXPECT_EQ(GetSubMenu(menu_, 4), subMenu_);
    EXPECT_EQ(MenuText(subMenu_, 0), "Exit");

    MENUITEMINFOA ownerDrawn{};
    ownerDrawn.cbSize = sizeof ownerDrawn;
    ownerDrawn.fMask = MIIM_FTYPE | MIIM_DATA;
    ASSERT_TRUE(GetMenuItemInfoA(menu_, 5, TRUE, &ownerDrawn));
    EXPECT_TRUE(ownerDrawn.fType & MFT_OWNERDRAW);
    EXPECT_EQ(ownerDrawn.dwItemData, 0x5A5Au);
}

TEST_F(TranslateMenuTest, ATranslationOver254CharactersIsCut) {
    TranslateMenu(menu_);
    EXPECT_EQ(MenuText(menu_, 6), std::string(254, 'x'));
}

TEST_F(TranslateMenuTest, WithoutALanguageEveryItemIsBlank) {
    FreeLanguage();
    TranslateMenu(menu_);
    EXPECT_EQ(MenuText(menu_, 0), "");
    EXPECT_EQ(MenuText(menu_, 4), "");
    EXPECT_EQ(MenuText(subMenu_, 0), "");
}

}  // namespace
