// The options dialog side of the real main window, created in this process from resource 150
// with its four pages, driven by its own messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/tray.h"
#include "base/program_paths.h"
#include "localization/language.h"
#include "projects/projects.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tests/win/program_folder.h"
#include "tracking/programs_list.h"
#include "ui/controls/image_list_box.h"

namespace {

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(OSTRAK_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class OptionsDialogTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeProgramFolder("options");
        ProgramList.clear();
        ProjectList.clear();
        FilterList.clear();
        WriteSettingText("Options", "Lang", "English");
    }

    void TearDown() override {
        if (dialog_ && dialog_->hwnd()) RemoveTrayIcon(dialog_->hwnd());
        dialog_.reset();
        FreeLanguage();
        RemoveProgramFolder(folder_);
    }

    void WithDeliveredEnglish() {
        std::ofstream(folder_ + "Lang.English.xml", std::ios::binary) << ReadSource("delivered/Lang.English.xml");
        LoadLanguage();
    }

    HWND Create() {
        dialog_ = std::make_unique<CDlgMain>("Ostrak.OptionsTest");
        return dialog_->Create(nullptr);
    }

    std::vector<std::string> SelectorTexts(HWND main) const {
        std::vector<std::string> texts;
        HWND selector = GetDlgItem(main, IDC_MAIN_SELECTOR);
        const int count = static_cast<int>(SendMessageA(selector, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            auto* entry = reinterpret_cast<const ImageListBoxItem*>(SendMessageA(selector, LB_GETITEMDATA, i, 0));
            texts.push_back(entry && entry->text ? entry->text : "");
        }
        return texts;
    }

    // The page windows in the container, in the order they were added.
    std::vector<HWND> Pages(HWND main) const {
        std::vector<HWND> pages;
        HWND container = GetDlgItem(main, IDC_MAIN_PAGES);
        for (HWND child = GetWindow(container, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            pages.push_back(child);
        return pages;
    }

    HWND VisiblePage(HWND main) const {
        for (HWND page : Pages(main))
            if (IsWindowVisible(page)) return page;
        return nullptr;
    }

    std::string folder_;
    std::unique_ptr<CDlgMain> dialog_;
};

TEST_F(OptionsDialogTest, SelectorShowsTheFourPagesInOrderWithTranslatedTexts) {
    WithDeliveredEnglish();
    HWND main = Create();
    ASSERT_TRUE(main);
    EXPECT_EQ(SelectorTexts(main), (std::vector<std::string>{"General", "Applications", "Projects", "Privacy"}));
    HWND selector = GetDlgItem(main, IDC_MAIN_SELECTOR);
    RECT outer;
    GetWindowRect(selector, &outer);
    const int itemHeight = static_cast<int>(SendMessageA(selector, LB_GETITEMHEIGHT, 0, 0));
    EXPECT_EQ(itemHeight, (outer.bottom - outer.top) / 4 - 1);
    // Each entry holds its icon and its name below it, clear of the rounded selection's corners.
    auto* entry = reinterpret_cast<const ImageListBoxItem*>(SendMessageA(selector, LB_GETITEMDATA, 3, 0));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->image, 3);
    RECT name = {};
    {
        HDC dc = GetDC(selector);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(selector, WM_GETFONT, 0, 0)));
        DrawTextA(dc, "Privacy", -1, &name, DT_CALCRECT | DT_CENTER);
        SelectObject(dc, previous);
        ReleaseDC(selector, dc);
    }
    RECT client;
    GetClientRect(selector, &client);
    EXPECT_GE(itemHeight, 2 * ImageListBoxStyle::CornerSize + 32 + name.bottom);
    EXPECT_LE(name.right, client.right - 2 * ImageListBoxStyle::CornerSize);
    EXPECT_EQ(SendMessageA(selector, LB_GETCURSEL, 0, 0), 0);

    char caption[256];
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_STREQ(caption, "Options - Ostrak");
    // The pages were translated in the same pass: the General page's check box has its text.
    ASSERT_EQ(Pages(main).size(), 4u);
    char text[256];
    GetDlgItemTextA(Pages(main)[0], IDC_PAGE_GENERAL_STARTUP, text, sizeof text);
    EXPECT_STREQ(text, "Start with Windows");
    GetDlgItemTextA(main, IDOK, text, sizeof text);
    EXPECT_STREQ(text, "OK");
}

TEST_F(OptionsDialogTest, WithoutALanguageFileKeysShowAndTheCaptionHasNoPrefix) {
    HWND main = Create();
    ASSERT_TRUE(main);
    char caption[256];
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_STREQ(caption, " - Ostrak");
    EXPECT_EQ(SelectorTexts(main), (std::vector<std::string>{"", "", "", ""}));
    char text[256];
    GetDlgItemTextA(main, IDCANCEL, text, sizeof text);
    EXPECT_STREQ(text, "Dialog/Cancel");
}

TEST_F(OptionsDialogTest, ChoosingAnEntryShowsItsPage) {
    WithDeliveredEnglish();
    HWND main = Create();
    ASSERT_TRUE(main);
    std::vector<HWND> pages = Pages(main);
    ASSERT_EQ(pages.size(), 4u);
    ShowWindow(main, SW_SHOW);
    EXPECT_EQ(VisiblePage(main), pages[0]);
    HWND selector = GetDlgItem(main, IDC_MAIN_SELECTOR);
    for (int index : {2, 1, 3, 0, 2}) {
        SendMessageA(selector, LB_SETCURSEL, index, 0);
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_MAIN_SELECTOR, LBN_SELCHANGE), reinterpret_cast<LPARAM>(selector));
        EXPECT_EQ(VisiblePage(main), pages[index]) << index;
    }
    // Cancel hides the dialog; shown again it still shows the page chosen last.
    SendMessageA(main, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindowVisible(main));
    ShowWindow(main, SW_SHOW);
    EXPECT_EQ(VisiblePage(main), pages[2]);
}

TEST_F(OptionsDialogTest, OkWithoutChangesWritesNoFile) {
    WithDeliveredEnglish();
    HWND main = Create();
    ASSERT_TRUE(main);
    ShowWindow(main, SW_SHOW);
    SendMessageA(main, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(GetFileAttributesA((folder_ + "user1-Programs.xml").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((folder_ + "user1-Projects.xml").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(IsWindow(main));  // OK only hides
}

}  // namespace
