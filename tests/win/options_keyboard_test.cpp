// The options dialog from the keyboard alone: keys sent with SendInput to the real dialog in
// front, and a message loop that offers them to the message filters, as the program's loop does.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/tray.h"
#include "files/file_replace.h"
#include "localization/language.h"
#include "projects/projects.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tests/e2e/shell_recorder.h"
#include "tests/win/program_folder.h"
#include "tracking/programs_list.h"
#include "winui/app_module.h"
#include "winui/message_loop.h"

namespace {

using Names = std::vector<std::string>;

// The program's loop for a while: its filters see every key before it is dispatched.
class LoopForAWhile : public CMessageLoop {
public:
    void RunFor(DWORD milliseconds) {
        deadline_ = GetTickCount() + milliseconds;
        Run();
    }

protected:
    BOOL RetrieveMessage(MSG* message) override {
        for (;;) {
            if (PeekMessageA(message, nullptr, 0, 0, PM_REMOVE)) return message->message != WM_QUIT;
            if (static_cast<LONG>(GetTickCount() - deadline_) >= 0) {
                message->message = WM_QUIT;
                message->wParam = 0;
                return FALSE;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

private:
    DWORD deadline_ = 0;
};

// What the keyboard focus is on, by the control's role.
std::string Named(HWND control) {
    static const std::pair<int, const char*> kNames[] = {
        {IDC_MAIN_SELECTOR, "Selector"},
        {IDC_MAIN_REPORT_LINK, "Report"},
        {IDC_MAIN_HELP_LINK, "Help"},
        {IDOK, "OK"},
        {IDCANCEL, "Cancel"},
        {IDC_PAGE_GENERAL_LANGUAGE, "Language"},
        {IDC_PAGE_GENERAL_STARTUP, "Startup"},
        {IDC_PAGE_GENERAL_UPDATE_LINK, "Update"},
        {IDC_PAGE_GENERAL_AWAY_TIME, "Away"},
        {IDC_PAGE_GENERAL_TIMELINE, "Timeline"},
        {IDC_PAGE_GENERAL_MEDIA_PRESENCE, "Media"},
        {IDC_PAGE_GENERAL_SHARED_FOLDER, "SharedFolder"},
        {IDC_PAGE_GENERAL_SHARED_BROWSE, "Browse"},
        {IDC_PAGE_GENERAL_SHARED_CLEAR, "SharedOff"},
        {IDC_PAGE_APPLICATIONS_LIST, "Patterns"},
        {IDC_PAGE_APPLICATIONS_ADD, "Add"},
        {IDC_PAGE_APPLICATIONS_DELETE, "Del"},
        {IDC_PAGE_APPLICATIONS_UP, "Up"},
        {IDC_PAGE_APPLICATIONS_DOWN, "Down"},
        {IDC_PAGE_PROJECTS_ADD_PROJECT, "AddProject"},
        {IDC_PAGE_PROJECTS_DELETE_PROJECT, "DelProject"},
        {IDC_PAGE_PROJECTS_PROJECTS, "Projects"},
        {IDC_PAGE_PROJECTS_ADD_FILTER, "AddFilter"},
        {IDC_PAGE_PROJECTS_DELETE_FILTER, "DelFilter"},
        {IDC_PAGE_PROJECTS_FILTERS, "Filters"},
        {IDC_PAGE_PRIVACY_RECORD_DOCUMENTS, "RecordDocuments"},
    };
    if (!control) return "(nothing)";
    for (const auto& [id, name] : kNames)
        if (GetDlgCtrlID(control) == id) return name;
    return "(id " + std::to_string(GetDlgCtrlID(control)) + ")";
}

struct PageKeys {
    const char* page;
    int index;      // in the selector
    int controlId;  // one of the page's controls
    Names tabRound;  // from the selector, Tab by Tab, back to it
};

// Every control can take the focus: the data leave no button disabled.
const PageKeys kPages[] = {
    {"General", 0, IDC_PAGE_GENERAL_LANGUAGE,
     {"Language", "Startup", "Update", "Away", "Timeline", "Media", "SharedFolder", "Browse", "SharedOff", "Report", "Help",
      "OK", "Cancel", "Selector"}},
    {"Applications", 1, IDC_PAGE_APPLICATIONS_LIST,
     {"Patterns", "Add", "Del", "Up", "Down", "Report", "Help", "OK", "Cancel", "Selector"}},
    {"Projects", 2, IDC_PAGE_PROJECTS_FILTERS,
     {"AddProject", "DelProject", "Projects", "AddFilter", "DelFilter", "Down", "Up", "Filters", "Report", "Help", "OK",
      "Cancel", "Selector"}},
    {"Privacy", 3, IDC_PAGE_PRIVACY_RECORD_DOCUMENTS,
     {"Patterns", "Add", "Del", "Up", "Down", "RecordDocuments", "Report", "Help", "OK", "Cancel", "Selector"}},
};

class OptionsKeyboardTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeProgramFolder("keyboard");
        ProgramList.clear();
        ProjectList.clear();
        FilterList.clear();
        WriteSettingText("Options", "Lang", "English");
        Write("Lang.English.xml", ReadWholeFile(std::string(OSTRAK_SOURCE_DIR) + "/delivered/Lang.English.xml"));
        Write("Help.English.html", "<p>help</p>");
        Write("user1-Programs.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<List>\n   <Pattern>a</Pattern>\n"
                                    "   <Pattern>b</Pattern>\n   <Pattern>c</Pattern>\n</List>");
        Write("user1-Projects.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<List>\n   <Project id=\"2\">Work</Project>\n"
              "   <Filter project=\"2\" where=\"0\">a</Filter>\n   <Filter project=\"2\" where=\"1\">b</Filter>\n"
              "   <Filter project=\"2\" where=\"0\">c</Filter>\n</List>");
        Write("user1-Private.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<List>\n   <Pattern>x</Pattern>\n"
                                   "   <Pattern>y</Pattern>\n   <Pattern>z</Pattern>\n</List>");
        LoadLanguage();
        ASSERT_TRUE(AppModule.AddMessageLoop(&loop_));
        dialog_ = std::make_unique<CDlgMain>("Ostrak.KeyboardTest");
        main_ = dialog_->Create(nullptr);
        ASSERT_TRUE(main_);
        // The middle entry and filter alone: Up and Down are both enabled.
        SelectMiddle(IDC_PAGE_APPLICATIONS_LIST);
        SelectMiddle(IDC_PAGE_PROJECTS_FILTERS);
        SelectMiddle(IDC_PAGE_PRIVACY_LIST, IDC_PAGE_PRIVACY_RECORD_DOCUMENTS);
        Show();
    }

    void TearDown() override {
        if (dialog_ && dialog_->hwnd()) RemoveTrayIcon(dialog_->hwnd());
        dialog_.reset();
        AppModule.RemoveMessageLoop();
        FreeLanguage();
        RemoveProgramFolder(folder_);
    }

    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_ + name, std::ios::binary) << bytes;
    }

    HWND PageControl(int id) const {
        HWND container = GetDlgItem(main_, IDC_MAIN_PAGES);
        for (HWND page = GetWindow(container, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
            if (HWND control = GetDlgItem(page, id)) return control;
        return nullptr;
    }

    // As a click on the second item: the list selects it alone and tells its page, which is the
    // first page with that list, or the one with the control `onPageOf`.
    void SelectMiddle(int listId, int onPageOf = 0) {
        HWND list = onPageOf ? GetDlgItem(GetParent(PageControl(onPageOf)), listId) : PageControl(listId);
        if (GetWindowLongA(list, GWL_STYLE) & LBS_EXTENDEDSEL) {
            SendMessageA(list, LB_SETSEL, FALSE, -1);
            SendMessageA(list, LB_SETSEL, TRUE, 1);
        } else {
            SendMessageA(list, LB_SETCURSEL, 1, 0);
        }
        SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }

    void Show() {
        ShowMainDialog();
        loop_.RunFor(300);
        FocusSelector();
    }

    void FocusSelector() {
        SendMessageA(main_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(main_, IDC_MAIN_SELECTOR)), TRUE);
    }

    void Key(WORD key, bool shift = false) {
        std::vector<INPUT> inputs;
        auto add = [&inputs](WORD virtualKey, DWORD flags) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = virtualKey;
            input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
            input.ki.dwFlags = flags;
            inputs.push_back(input);
        };
        if (shift) add(VK_SHIFT, 0);
        add(key, 0);
        add(key, KEYEVENTF_KEYUP);
        if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
        ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size());
        loop_.RunFor(150);
    }

    // With the selector's arrow keys.
    void ChoosePage(int index) {
        FocusSelector();
        Key(VK_HOME);
        for (int step = 0; step < index; ++step) Key(VK_DOWN);
    }

    std::string Focus() const { return Named(GetFocus()); }

    HWND VisiblePage() const {
        HWND container = GetDlgItem(main_, IDC_MAIN_PAGES);
        for (HWND page = GetWindow(container, GW_CHILD); page; page = GetWindow(page, GW_HWNDNEXT))
            if (IsWindowVisible(page)) return page;
        return nullptr;
    }

    std::string folder_;
    LoopForAWhile loop_;
    std::unique_ptr<CDlgMain> dialog_;
    HWND main_ = nullptr;
};

TEST_F(OptionsKeyboardTest, FromTheSelectorTabVisitsEveryControlOfEachPageAndTheDialogAndShiftTabComesBack) {
    for (const PageKeys& page : kPages) {
        SCOPED_TRACE(page.page);
        ChoosePage(page.index);
        // The selector keeps the focus while the arrow keys choose the page.
        ASSERT_EQ(Focus(), "Selector");
        ASSERT_EQ(VisiblePage(), GetParent(PageControl(page.controlId)));
        Names forward;
        for (std::size_t step = 0; step < page.tabRound.size(); ++step) {
            Key(VK_TAB);
            forward.push_back(Focus());
        }
        EXPECT_EQ(forward, page.tabRound);
        Names backward;
        for (std::size_t step = 0; step < page.tabRound.size(); ++step) {
            Key(VK_TAB, true);
            backward.push_back(Focus());
        }
        Names expectedBack(page.tabRound.rbegin() + 1, page.tabRound.rend());
        expectedBack.push_back("Selector");
        EXPECT_EQ(backward, expectedBack);
        EXPECT_TRUE(IsWindowVisible(main_));
    }
}

TEST_F(OptionsKeyboardTest, TheSelectorShowsWhichEntryHasTheFocusAndOnlyWhileItHasIt) {
    ChoosePage(1);
    HWND selector = GetDlgItem(main_, IDC_MAIN_SELECTOR);
    RECT entry = {};
    SendMessageA(selector, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&entry));
    // Down the selected entry's left side, where only its fill is, unless a focus rectangle is.
    auto notFill = [&] {
        RedrawWindow(selector, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = GetDC(selector);
        int count = 0;
        for (int y = entry.top + 12; y < entry.bottom - 12; ++y)
            count += GetPixel(dc, entry.left + 2, y) != GetSysColor(COLOR_HIGHLIGHT);
        ReleaseDC(selector, dc);
        return count;
    };
    ASSERT_EQ(Focus(), "Selector");
    EXPECT_GT(notFill(), (entry.bottom - entry.top - 24) / 3);
    Key(VK_TAB);
    EXPECT_EQ(notFill(), 0);
}

TEST_F(OptionsKeyboardTest, EscFromInsideEachPageHidesTheDialog) {
    for (const PageKeys& page : kPages) {
        SCOPED_TRACE(page.page);
        ChoosePage(page.index);
        Key(VK_TAB);
        EXPECT_EQ(Focus(), page.tabRound[0]);
        Key(VK_ESCAPE);
        EXPECT_FALSE(IsWindowVisible(main_));
        Show();
    }
}

TEST_F(OptionsKeyboardTest, EnterFollowsAFocusedLinkPressesAFocusedButtonAndIsOkElsewhere) {
    ASSERT_NE(kRecorderProgram[0], '\0') << "built without the recorder program";
    ShellRecorder recorder(kRecorderProgram, folder_ + "shell-record.txt");
    ASSERT_TRUE(recorder.Registered());

    // The help link of the dialog, and the update link of a page.
    Key(VK_TAB, true);
    Key(VK_TAB, true);
    Key(VK_TAB, true);
    ASSERT_EQ(Focus(), "Help");
    Key(VK_RETURN);
    ChoosePage(0);
    for (int step = 0; step < 3; ++step) Key(VK_TAB);
    ASSERT_EQ(Focus(), "Update");
    Key(VK_RETURN);
    const std::vector<std::string> opened = recorder.WaitForOpened(2);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NE(opened[0].find("Help.English.html"), std::string::npos) << opened[0];
    EXPECT_NE(opened[1].find("/ostrak/en.update.php?"), std::string::npos) << opened[1];
    EXPECT_TRUE(IsWindowVisible(main_));

    // A page's button: Del filter deletes the selected filter, and the dialog stays.
    ChoosePage(2);
    for (int step = 0; step < 5; ++step) Key(VK_TAB);
    ASSERT_EQ(Focus(), "DelFilter");
    Key(VK_RETURN);
    EXPECT_EQ(SendMessageA(PageControl(IDC_PAGE_PROJECTS_FILTERS), LB_GETCOUNT, 0, 0), 2);
    EXPECT_TRUE(IsWindowVisible(main_));

    // On the filters list, which the page draws itself, the arrow keys choose a line as in any
    // list, and Enter is OK: the dialog hides and the change is stored. Down, disabled on the
    // last filter, is passed over.
    Key(VK_TAB);
    Key(VK_TAB);
    ASSERT_EQ(Focus(), "Filters");
    Key(VK_UP);
    HWND filters = PageControl(IDC_PAGE_PROJECTS_FILTERS);
    EXPECT_EQ(SendMessageA(filters, LB_GETCURSEL, 0, 0), 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(GetParent(filters), IDC_PAGE_PROJECTS_FILTER_UP)));
    Key(VK_RETURN);
    EXPECT_FALSE(IsWindowVisible(main_));
    EXPECT_EQ(FilterList.size(), 2u);
}

}  // namespace
