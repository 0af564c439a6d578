// The Applications page and the program editor it opens, driven by their own messages: the page
// alone in a bare host window for its own behaviour, inside the real options dialog for OK and
// Cancel. Also the Privacy page, which edits the private patterns with the same code. Each editor is caught as it initialises and driven from there; one closed at once is
// never shown, which keeps these tests fast under Wine (hiding a framed window costs seconds).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/tray.h"
#include "base/code_page.h"
#include "base/program_paths.h"
#include "files/file_replace.h"
#include "localization/language.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tests/win/program_folder.h"
#include "tracking/private_list.h"
#include "tracking/programs_list.h"
#include "tracking/sampler.h"
#include "ui/options/page2_programs.h"
#include "ui/options/page4_privacy.h"
#include "winui/app_module.h"
#include "winui/message_loop.h"

namespace {

using Texts = std::vector<std::string>;

std::string WindowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A programs file as the program writes it, in the ANSI code page of the run.
std::string ProgramsFile(const Texts& patterns) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"" + CodePageName(NarrowCodePage()) + "\"?>\n<List>\n";
    for (const std::string& pattern : patterns)
        xml += "   <Pattern>" + pattern + "</Pattern>\n";
    return xml + "</List>";
}

// ---- Driving the modal editor and the picker's menu ----

struct MenuItem {
    UINT id;
    std::string text;
};
using Menu = std::vector<MenuItem>;
using EditorStep = std::function<void(HWND editor)>;
// Given the open menu's items, the id to choose, or 0 to close the menu without a choice.
using MenuChoice = std::function<UINT(const Menu& menu)>;

// The first step runs as the editor finishes its initialisation, before it is shown; each
// later one on a timer tick while the editor is open, shown and without a menu.
struct EditorScript {
    EditorScript(std::vector<EditorStep> steps, MenuChoice onMenu = nullptr)
        : steps(std::move(steps)), onMenu(std::move(onMenu)) {}
    std::vector<EditorStep> steps;
    MenuChoice onMenu;
};

struct EditorDriver {
    EditorScript* script = nullptr;
    std::size_t nextStep = 0;
    int editorsSeen = 0;
    int idleTicks = 0;
    HWND editor = nullptr;
    bool inTick = false;
};
EditorDriver Driver;

LRESULT CALLBACK CatchEditor(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && Driver.script &&
        GetDlgItem(call->hwnd, IDC_POPUP_PROGRAM_PICK_WINDOW)) {
        Driver.editor = call->hwnd;
        ++Driver.editorsSeen;
        if (!Driver.script->steps.empty())
            Driver.script->steps[Driver.nextStep++](call->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND OpenMenuWindow() {
    HWND menu = FindWindowA("#32768", nullptr);
    return menu && IsWindowVisible(menu) ? menu : nullptr;
}

Menu MenuItems(HMENU menu) {
    Menu items;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        char text[512] = "";
        GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
        items.push_back({GetMenuItemID(menu, position), text});
    }
    return items;
}

void CALLBACK DriveTick(HWND, UINT, UINT_PTR, DWORD) {
    // The menu's own loop runs inside a step, and its ticks come back here.
    if (Driver.inTick || !Driver.script || !IsWindow(Driver.editor))
        return;
    Driver.inTick = true;
    if (HWND menuWindow = OpenMenuWindow()) {
        auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
        const UINT chosen = Driver.script->onMenu ? Driver.script->onMenu(MenuItems(menu)) : 0;
        EndMenu();
        // What a click on the item sends once the menu has closed.
        if (chosen)
            PostMessageA(Driver.editor, WM_COMMAND, chosen, 0);
    } else if (!IsWindowVisible(Driver.editor)) {
        // The dialog manager shows it when its queue first runs empty.
    } else if (Driver.nextStep < Driver.script->steps.size()) {
        Driver.script->steps[Driver.nextStep++](Driver.editor);
    } else if (++Driver.idleTicks > 100) {
        // A script that forgot to close the editor must not hang the run.
        ADD_FAILURE() << "the editor stayed open after its script";
        SendMessageA(Driver.editor, WM_COMMAND, IDCANCEL, 0);
    }
    Driver.inTick = false;
}

// Runs `open`, which opens the editor modally, while the script drives the editor; the number
// of editors that opened.
int RunWithEditor(EditorScript script, const std::function<void()>& open) {
    Driver = EditorDriver{};
    Driver.script = &script;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, CatchEditor, nullptr, GetCurrentThreadId());
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, DriveTick);
    open();
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    Driver.script = nullptr;
    return Driver.editorsSeen;
}

void Type(HWND editor, const std::string& text) { SetDlgItemTextA(editor, IDC_POPUP_PROGRAM_PATTERN, text.c_str()); }

std::string EditText(HWND editor) { return WindowText(GetDlgItem(editor, IDC_POPUP_PROGRAM_PATTERN)); }

void Press(HWND dialog, int button) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

EditorStep TypeText(const std::string& text) {
    return [text](HWND editor) { Type(editor, text); };
}

EditorStep TypeAndPress(const std::string& text, int button) {
    return [text, button](HWND editor) {
        Type(editor, text);
        Press(editor, button);
    };
}

// A click on the picker link as the mouse makes it, posted so that the menu's loop runs inside
// the editor's loop rather than inside this step.
void ClickPickerLink(HWND editor) {
    HWND link = GetDlgItem(editor, IDC_POPUP_PROGRAM_PICK_WINDOW);
    PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

bool Lists(const Menu& menu, const std::string& text) {
    for (const MenuItem& item : menu)
        if (item.text == text)
            return true;
    return false;
}

UINT IdOf(const Menu& menu, const std::string& text) {
    for (const MenuItem& item : menu)
        if (item.text == text)
            return item.id;
    return 0;
}

// Windows of a class of our own, with the given style and title; gone with the object.
class TestWindows {
public:
    TestWindows() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OstrakProgramsTestWindow";
        RegisterClassA(&windowClass);
    }
    ~TestWindows() {
        for (auto window = windows_.rbegin(); window != windows_.rend(); ++window)
            DestroyWindow(*window);
    }
    // A visible top-level window is shown without activation: under Wine an activated window
    // is managed by the window manager, and without one its removal waits seconds.
    HWND Add(const std::string& title, DWORD style, HWND parent = nullptr) {
        const bool topLevelShown = !(style & WS_CHILD) && (style & WS_VISIBLE);
        HWND window = CreateWindowExA(0, "OstrakProgramsTestWindow", title.c_str(), topLevelShown ? style & ~WS_VISIBLE : style,
                                      10, 10, 160, 60, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (topLevelShown)
            ShowWindow(window, SW_SHOWNA);
        windows_.push_back(window);
        return window;
    }

private:
    std::vector<HWND> windows_;
};

// ---- The fixture ----

class ProgramsPageTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeProgramFolder("programs");
        ProgramList.clear();
        PrivateList.clear();
        WriteSettingText("Options", "Lang", "English");
        std::ofstream(folder_ + "Lang.English.xml", std::ios::binary)
            << ReadWholeFile(std::string(OSTRAK_SOURCE_DIR) + "/delivered/Lang.English.xml");
        LoadLanguage();
    }

    void TearDown() override {
        if (dialog_ && dialog_->hwnd())
            RemoveTrayIcon(dialog_->hwnd());
        dialog_.reset();
        page_.reset();
        if (host_)
            DestroyWindow(host_);
        FreeLanguage();
        ProgramList.clear();
        PrivateList.clear();
        // As every other test expects it, whatever the Privacy page stored.
        WriteSettingNumber("Options", RecordDocumentsName, DefaultRecordDocuments);
        SetRecordDocuments(true);
        RemoveProgramFolder(folder_);
    }

    std::string UserFile() const { return folder_ + "user1-Programs.xml"; }
    std::string SharedFile() const { return folder_ + "Programs.xml"; }

    void WritePatterns(const std::string& path, const Texts& patterns) {
        std::ofstream(path, std::ios::binary) << ProgramsFile(patterns);
    }

    // The page alone, in a frameless host window as in the options dialog's page area; its
    // creation loads the programs list.
    void CreatePage() {
        host_ = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 460, 280, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        page_ = std::make_unique<CDlgPage2Programs>();
        pageWindow_ = page_->Create(host_);
        ASSERT_TRUE(pageWindow_);
        ShowWindow(pageWindow_, SW_SHOW);
        pageObject_ = page_.get();
        list_ = GetDlgItem(pageWindow_, IDC_PAGE_APPLICATIONS_LIST);
    }
    void OpenPage(const Texts& patterns) {
        WritePatterns(UserFile(), patterns);
        CreatePage();
    }

    // The real main dialog, which creates its pages, this one among them; with the Privacy
    // page's class, that page instead.
    template <class Page = CDlgPage2Programs>
    void CreateOptionsDialog() {
        dialog_ = std::make_unique<CDlgMain>("Ostrak.ProgramsPageTest");
        main_ = dialog_->Create(nullptr);
        ASSERT_TRUE(main_);
        HWND container = GetDlgItem(main_, IDC_MAIN_PAGES);
        for (HWND child = GetWindow(container, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (auto* page = dynamic_cast<Page*>(CWindowBase::FromHandle(child))) {
                pageObject_ = page;
                pageWindow_ = child;
            }
        }
        ASSERT_TRUE(pageObject_);
        list_ = GetDlgItem(pageWindow_, IDC_PAGE_APPLICATIONS_LIST);
    }

    Texts Items() const {
        Texts items;
        const int count = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            std::vector<char> text(static_cast<std::size_t>(SendMessageA(list_, LB_GETTEXTLEN, index, 0)) + 1);
            SendMessageA(list_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
            items.emplace_back(text.data());
        }
        return items;
    }

    std::vector<int> Selected() const {
        std::vector<int> selected;
        const int count = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
        for (int index = 0; index < count; ++index)
            if (SendMessageA(list_, LB_GETSEL, index, 0) > 0)
                selected.push_back(index);
        return selected;
    }

    // The enabled buttons, in the page's order.
    std::string Buttons() const {
        std::string enabled;
        const std::pair<int, const char*> buttons[] = {{IDC_PAGE_APPLICATIONS_ADD, "Add"},
                                                       {IDC_PAGE_APPLICATIONS_DELETE, "Del"},
                                                       {IDC_PAGE_APPLICATIONS_UP, "Up"},
                                                       {IDC_PAGE_APPLICATIONS_DOWN, "Down"}};
        for (const auto& button : buttons)
            if (IsWindowEnabled(GetDlgItem(pageWindow_, button.first)))
                enabled += (enabled.empty() ? "" : " ") + std::string(button.second);
        return enabled;
    }

    // Selects exactly these entries, as the user would, and the list tells the page.
    void Select(std::initializer_list<int> indices) {
        SendMessageA(list_, LB_SETSEL, FALSE, -1);
        for (int index : indices)
            SendMessageA(list_, LB_SETSEL, TRUE, index);
        SendMessageA(pageWindow_, WM_COMMAND, MAKEWPARAM(IDC_PAGE_APPLICATIONS_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list_));
    }

    void Click(int button) { Press(pageWindow_, button); }

    int AddWith(EditorScript script) {
        return RunWithEditor(std::move(script), [this] { Click(IDC_PAGE_APPLICATIONS_ADD); });
    }
    int EditWith(EditorScript script) {
        return RunWithEditor(std::move(script), [this] {
            SendMessageA(pageWindow_, WM_COMMAND, MAKEWPARAM(IDC_PAGE_APPLICATIONS_LIST, LBN_DBLCLK),
                         reinterpret_cast<LPARAM>(list_));
        });
    }

    // The programs file as the next start would read it.
    Texts LoadedAgain() {
        const Texts kept = ProgramList;
        ProgramList.clear();
        LoadProgramList();
        Texts loaded = ProgramList;
        ProgramList = kept;
        return loaded;
    }

    std::string folder_;
    HWND host_ = nullptr;
    std::unique_ptr<CDlgPage2Programs> page_;
    std::unique_ptr<CDlgMain> dialog_;
    HWND main_ = nullptr;
    CPatternListPage* pageObject_ = nullptr;
    HWND pageWindow_ = nullptr;
    HWND list_ = nullptr;
};

// ---- Fill and the button rule ----

TEST_F(ProgramsPageTest, FillShowsThePatternsShorterThan256InOrderWithTheFirstSelected) {
    const std::string longest(255, 'x');
    OpenPage({"Notepad", "Word", std::string(256, 'y'), longest, "Notepad", std::string(400, 'z'), "Excel"});
    EXPECT_EQ(ProgramList.size(), 7u);  // the sampler has them all
    EXPECT_EQ(Items(), (Texts{"Notepad", "Word", longest, "Notepad", "Excel"}));
    EXPECT_EQ(Selected(), (std::vector<int>{0}));
    EXPECT_EQ(Buttons(), "Add Del Down");
}

TEST_F(ProgramsPageTest, WithoutAProgramsFileOnlyAddIsEnabled) {
    CreatePage();
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(Buttons(), "Add");
}

TEST_F(ProgramsPageTest, ButtonRuleForNoneOneAndTwoSelected) {
    OpenPage({"a", "b", "c", "d", "e"});
    Select({});
    EXPECT_EQ(Buttons(), "Add");
    Select({0});
    EXPECT_EQ(Buttons(), "Add Del Down");
    Select({2});
    EXPECT_EQ(Buttons(), "Add Del Up Down");
    Select({4});
    EXPECT_EQ(Buttons(), "Add Del Up");
    Select({1, 2});
    EXPECT_EQ(Buttons(), "Add Del");
}

// ---- Delete, Up and Down ----

TEST_F(ProgramsPageTest, DeletingEntriesZeroAndTwoSelectsTheNewFirstEntry) {
    OpenPage({"e0", "e1", "e2", "e3", "e4"});
    Select({0, 2});
    Click(IDC_PAGE_APPLICATIONS_DELETE);
    EXPECT_EQ(Items(), (Texts{"e1", "e3", "e4"}));
    EXPECT_EQ(Selected(), (std::vector<int>{0}));
    EXPECT_EQ(Buttons(), "Add Del Down");

    // Otherwise the entry above the lowest deleted one is selected next.
    Select({2});
    Click(IDC_PAGE_APPLICATIONS_DELETE);
    EXPECT_EQ(Items(), (Texts{"e1", "e3"}));
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    EXPECT_EQ(Buttons(), "Add Del Up");

    Select({0, 1});
    Click(IDC_PAGE_APPLICATIONS_DELETE);
    EXPECT_TRUE(Items().empty());
    EXPECT_EQ(Buttons(), "Add");
    EXPECT_EQ(ProgramList, (Texts{"e0", "e1", "e2", "e3", "e4"}));  // only a commit stores
}

TEST_F(ProgramsPageTest, UpAndDownMoveTheFirstSelectedEntryAndKeepTheOthersSelected) {
    OpenPage({"a", "b", "c", "d"});
    Select({2});
    Click(IDC_PAGE_APPLICATIONS_UP);
    EXPECT_EQ(Items(), (Texts{"a", "c", "b", "d"}));
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    Click(IDC_PAGE_APPLICATIONS_UP);
    EXPECT_EQ(Items(), (Texts{"c", "a", "b", "d"}));
    EXPECT_EQ(Buttons(), "Add Del Down");
    Click(IDC_PAGE_APPLICATIONS_UP);  // already the first
    EXPECT_EQ(Items(), (Texts{"c", "a", "b", "d"}));

    Select({2});
    Click(IDC_PAGE_APPLICATIONS_DOWN);
    EXPECT_EQ(Items(), (Texts{"c", "a", "d", "b"}));
    EXPECT_EQ(Buttons(), "Add Del Up");
    Click(IDC_PAGE_APPLICATIONS_DOWN);  // already the last
    EXPECT_EQ(Items(), (Texts{"c", "a", "d", "b"}));

    // With two selected the lower index moves; the other entry stays selected where it is.
    Select({1, 3});
    Click(IDC_PAGE_APPLICATIONS_DOWN);
    EXPECT_EQ(Items(), (Texts{"c", "d", "a", "b"}));
    EXPECT_EQ(Selected(), (std::vector<int>{2, 3}));
    EXPECT_EQ(Buttons(), "Add Del Up Down");  // set for the moved entry alone
}

// ---- The message loop and the keyboard ----

TEST_F(ProgramsPageTest, TheLoopGivesThePageItsKeyboardAndUpAtTheTopLeavesTheFocusOnTheList) {
    CMessageLoop loop;
    ASSERT_TRUE(AppModule.AddMessageLoop(&loop));
    WritePatterns(UserFile(), {"a", "b"});
    CreatePage();
    CMessageFilter* filter = pageObject_;
    CIdleHandler* idleHandler = pageObject_;
    EXPECT_FALSE(loop.AddMessageFilter(filter));  // registered already
    EXPECT_FALSE(loop.AddIdleHandler(idleHandler));

    SetForegroundWindow(host_);
    SetFocus(list_);
    EXPECT_EQ(GetFocus(), list_);
    // Tab, which the list box itself ignores, moves on to Add through the page's filter.
    PostMessageA(list_, WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostQuitMessage(0);
    loop.Run();
    EXPECT_EQ(GetFocus(), GetDlgItem(pageWindow_, IDC_PAGE_APPLICATIONS_ADD));

    // Up pressed from the keyboard on the second entry disables itself.
    Select({1});
    SetFocus(GetDlgItem(pageWindow_, IDC_PAGE_APPLICATIONS_UP));
    Click(IDC_PAGE_APPLICATIONS_UP);
    EXPECT_EQ(Buttons(), "Add Del Down");
    EXPECT_EQ(GetFocus(), list_);

    page_.reset();
    EXPECT_FALSE(loop.RemoveMessageFilter(filter));
    EXPECT_FALSE(loop.RemoveIdleHandler(idleHandler));
    AppModule.RemoveMessageLoop();
}

// ---- Add and edit through the editor ----

TEST_F(ProgramsPageTest, AddAppendsTheTextSelectedBesidesTheSelectionAndKeepsDuplicates) {
    OpenPage({"e0", "e1", "e2", "e3"});
    Select({1, 2});
    std::string caption = "none", initialText = "none";
    EXPECT_EQ(AddWith({{[&](HWND editor) {
                  caption = WindowText(editor);
                  initialText = EditText(editor);
                  TypeAndPress("e1", IDOK)(editor);
              }}}),
              1);
    EXPECT_EQ(caption, " New Application");
    EXPECT_EQ(initialText, "");
    EXPECT_EQ(Items(), (Texts{"e0", "e1", "e2", "e3", "e1"}));
    EXPECT_EQ(Selected(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(Buttons(), "Add Del Up");

    pageObject_->Commit();
    EXPECT_EQ(ProgramList, (Texts{"e0", "e1", "e2", "e3", "e1"}));
    EXPECT_EQ(LoadedAgain(), ProgramList);
}

TEST_F(ProgramsPageTest, AnEmptyTextCountsAsCancelAndChangesNothing) {
    WritePatterns(SharedFile(), {"a", "b"});
    CreatePage();
    Select({1});
    AddWith({{TypeAndPress("", IDOK)}});
    AddWith({{TypeAndPress("typed, then cancelled", IDCANCEL)}});
    EditWith({{TypeAndPress("", IDOK)}});
    EXPECT_EQ(Items(), (Texts{"a", "b"}));
    EXPECT_EQ(Selected(), (std::vector<int>{1}));
    // The page is still unchanged: a commit writes no file.
    pageObject_->Commit();
    EXPECT_FALSE(FileExists(UserFile()));
}

TEST_F(ProgramsPageTest, TheEditorTakesAtMost254Characters) {
    const std::string shownLongest(255, 'w');
    OpenPage({shownLongest});
    std::string typed;
    for (int index = 0; index < 300; ++index)
        typed += static_cast<char>('a' + index % 26);
    AddWith({{TypeAndPress(typed, IDOK)}});
    // An entry of 255 characters loses its last one even when OK changes nothing.
    Select({0});
    EditWith({{[](HWND editor) { Press(editor, IDOK); }}});
    EXPECT_EQ(Items(), (Texts{shownLongest.substr(0, 254), typed.substr(0, 254)}));
}

TEST_F(ProgramsPageTest, DoubleClickEditsTheFirstSelectedEntryInPlace) {
    OpenPage({"e0", "e1", "e2", "e3"});
    Select({1, 3});
    std::string caption, initialText;
    EditWith({{[&](HWND editor) {
        caption = WindowText(editor);
        initialText = EditText(editor);
        TypeAndPress("Word", IDOK)(editor);
    }}});
    EXPECT_EQ(caption, " Edit Application");
    EXPECT_EQ(initialText, "e1");
    EXPECT_EQ(Items(), (Texts{"e0", "Word", "e2", "e3"}));
    EXPECT_EQ(Selected(), (std::vector<int>{1, 3}));
    EXPECT_EQ(Buttons(), "Add Del Up Down");  // set for the edited entry alone

    Select({});
    EXPECT_EQ(EditWith({{TypeAndPress("never", IDOK)}}), 0);
    EXPECT_EQ(Items(), (Texts{"e0", "Word", "e2", "e3"}));
}

// ---- Commit and Revert ----

TEST_F(ProgramsPageTest, CommitKeepsThePatternsThePageCannotShowAtTheirPlaces) {
    const std::string long300(300, 'L');
    const std::string long256(256, 'M');
    OpenPage({"Alpha", long300, "Beta", long256, "Gamma"});
    ASSERT_EQ(Items(), (Texts{"Alpha", "Beta", "Gamma"}));

    Select({0});
    Click(IDC_PAGE_APPLICATIONS_DELETE);
    pageObject_->Commit();
    EXPECT_EQ(ProgramList, (Texts{"Beta", long300, "Gamma", long256}));
    EXPECT_EQ(LoadedAgain(), ProgramList);

    // Past the end of a list that has become shorter, they follow it in their order.
    Select({0, 1});
    Click(IDC_PAGE_APPLICATIONS_DELETE);
    pageObject_->Commit();
    EXPECT_EQ(ProgramList, (Texts{long300, long256}));
    EXPECT_EQ(LoadedAgain(), ProgramList);

    // Refilled by a revert, the page still hides them, and they keep their places 0 and 1.
    AddWith({{TypeAndPress("Delta", IDOK)}});
    pageObject_->Revert();
    EXPECT_TRUE(Items().empty());
    AddWith({{TypeAndPress("Delta", IDOK)}});
    pageObject_->Commit();
    EXPECT_EQ(ProgramList, (Texts{long300, long256, "Delta"}));
}

TEST_F(ProgramsPageTest, ACommitWhoseSaveFailsKeepsTheChangeForTheNextCommit) {
    OpenPage({"a", "b"});
    const std::string before = ReadWholeFile(UserFile());
    SetFileAttributesA(UserFile().c_str(), FILE_ATTRIBUTE_READONLY);
    Select({0});
    Click(IDC_PAGE_APPLICATIONS_DOWN);
    pageObject_->Commit();
    EXPECT_EQ(ReadWholeFile(UserFile()), before);
    SetFileAttributesA(UserFile().c_str(), FILE_ATTRIBUTE_NORMAL);
    pageObject_->Commit();
    EXPECT_EQ(ReadWholeFile(UserFile()), ProgramsFile({"b", "a"}));
}

TEST_F(ProgramsPageTest, OkOfTheOptionsDialogWritesOnlyAfterAChangeAndAReorderIsOne) {
    WritePatterns(SharedFile(), {"a", "b", "c"});
    CreateOptionsDialog();
    EXPECT_EQ(Items(), (Texts{"a", "b", "c"}));
    Press(main_, IDOK);
    EXPECT_FALSE(FileExists(UserFile()));

    Select({0});
    Click(IDC_PAGE_APPLICATIONS_DOWN);
    Press(main_, IDOK);
    EXPECT_EQ(ProgramList, (Texts{"b", "a", "c"}));
    EXPECT_EQ(ReadWholeFile(UserFile()), ProgramsFile({"b", "a", "c"}));
    // The list box is not refilled: the selection stays where the user left it.
    EXPECT_EQ(Selected(), (std::vector<int>{1}));

    // Committed, the page is unchanged again.
    DeleteFileA(UserFile().c_str());
    Press(main_, IDOK);
    EXPECT_FALSE(FileExists(UserFile()));
}

TEST_F(ProgramsPageTest, CancelOfTheOptionsDialogRestoresTheListAndTheSamplerKeepsTheOldOne) {
    WritePatterns(UserFile(), {"Notepad", "Word", "Excel"});
    const std::string before = ReadWholeFile(UserFile());
    CreateOptionsDialog();
    Select({0});
    Click(IDC_PAGE_APPLICATIONS_DELETE);
    AddWith({{TypeAndPress("Visual Studio", IDOK)}});
    ASSERT_EQ(Items(), (Texts{"Word", "Excel", "Visual Studio"}));

    Press(main_, IDCANCEL);
    EXPECT_EQ(Items(), (Texts{"Notepad", "Word", "Excel"}));
    EXPECT_EQ(Selected(), (std::vector<int>{0}));
    EXPECT_EQ(ProgramList, (Texts{"Notepad", "Word", "Excel"}));
    EXPECT_EQ(ReadWholeFile(UserFile()), before);
    EXPECT_EQ(SplitTitle("readme.txt - Notepad", ProgramList, "").app, "Notepad");

    // Reverted, the page is unchanged again: OK writes nothing.
    DeleteFileA(UserFile().c_str());
    Press(main_, IDOK);
    EXPECT_FALSE(FileExists(UserFile()));
}

// ---- The Privacy page ----

TEST_F(ProgramsPageTest, PrivacyOkStoresThePrivatePatternsAndTheBoxAndCancelShowsThemAgain) {
    WriteSettingNumber("Options", RecordDocumentsName, 1);
    std::ofstream(folder_ + "user1-Private.xml", std::ios::binary) << ProgramsFile({"InPrivate"});
    WritePatterns(UserFile(), {"Notepad"});
    const std::string programsBefore = ReadWholeFile(UserFile());
    CreateOptionsDialog<CDlgPage4Privacy>();
    HWND box = GetDlgItem(pageWindow_, IDC_PAGE_PRIVACY_RECORD_DOCUMENTS);
    EXPECT_EQ(Items(), (Texts{"InPrivate"}));
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);

    // The editor says what the pattern is for; the list works as on the Applications page.
    std::string caption, hint;
    AddWith({{[&](HWND editor) {
        caption = WindowText(editor);
        hint = WindowText(GetDlgItem(editor, IDC_POPUP_PROGRAM_HINT));
        TypeAndPress("Bank", IDOK)(editor);
    }}});
    EXPECT_EQ(caption, " New Private Pattern");
    EXPECT_EQ(hint, "Text in the title of a private window:");
    Select({1});
    Click(IDC_PAGE_PRIVACY_UP);
    SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
    Press(main_, IDOK);
    EXPECT_EQ(PrivateList, (Texts{"Bank", "InPrivate"}));
    EXPECT_EQ(ReadWholeFile(folder_ + "user1-Private.xml"), ProgramsFile({"Bank", "InPrivate"}));
    EXPECT_EQ(ReadSettingNumber("Options", RecordDocumentsName, 1), 0);
    EXPECT_EQ(ReadWholeFile(UserFile()), programsBefore);  // the other list is not touched

    Click(IDC_PAGE_PRIVACY_DELETE);
    SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    Press(main_, IDCANCEL);
    EXPECT_EQ(Items(), (Texts{"Bank", "InPrivate"}));
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(ReadSettingNumber("Options", RecordDocumentsName, 1), 0);
}

// ---- The window picker ----

TEST_F(ProgramsPageTest, PickerListsTitledVisibleFramedWindowsWithTheOptionsDialogButNeverTheEditor) {
    TestWindows windows;
    HWND host = windows.Add("Picker bordered", WS_POPUP | WS_VISIBLE | WS_BORDER);
    windows.Add("Picker framed child", WS_CHILD | WS_VISIBLE | WS_BORDER, host);
    windows.Add("Picker dialog frame", WS_POPUP | WS_VISIBLE | WS_DLGFRAME);
    windows.Add("Picker hidden", WS_POPUP | WS_CAPTION);
    windows.Add("", WS_POPUP | WS_VISIBLE | WS_BORDER);
    windows.Add("Picker frameless", WS_POPUP | WS_VISIBLE);
    windows.Add("Picker frameless child", WS_CHILD | WS_VISIBLE, host);
    CreateOptionsDialog();
    ShowWindow(main_, SW_SHOW);

    Menu menu;
    bool editorShown = false;
    std::string text;
    AddWith({{TypeText("typed"),
              [&](HWND editor) {
                  editorShown = IsWindowVisible(editor) != FALSE;
                  ClickPickerLink(editor);
              },
              [&](HWND editor) {
                  text = EditText(editor);
                  Press(editor, IDCANCEL);
              }},
             [&](const Menu& items) -> UINT {
                 menu = items;
                 return 0;
             }});
    ASSERT_TRUE(editorShown);
    EXPECT_TRUE(Lists(menu, "Options - Ostrak"));
    EXPECT_TRUE(Lists(menu, "Picker bordered"));
    EXPECT_TRUE(Lists(menu, "Picker framed child"));
    EXPECT_TRUE(Lists(menu, "Picker dialog frame"));
    EXPECT_FALSE(Lists(menu, " New Application"));
    EXPECT_FALSE(Lists(menu, "Picker hidden"));
    EXPECT_FALSE(Lists(menu, "Picker frameless"));
    EXPECT_FALSE(Lists(menu, "Picker frameless child"));
    EXPECT_FALSE(Lists(menu, ""));
    for (std::size_t index = 0; index < menu.size(); ++index)
        EXPECT_EQ(menu[index].id, 1000 + index);
    EXPECT_EQ(text, "typed");  // closing the menu changes nothing
}

TEST_F(ProgramsPageTest, PickingReplacesTheWholeTextFromAFreshListAndIdsAbove2000DoNothing) {
    // Enough titles for menu ids past 2000.
    TestWindows windows;
    HWND host = windows.Add("", WS_POPUP | WS_VISIBLE);
    for (int index = 0; index < 1005; ++index)
        windows.Add("Row " + std::to_string(index), WS_CHILD | WS_VISIBLE | WS_BORDER, host);
    OpenPage({"a"});

    Menu third;
    int menus = 0;
    std::string afterAbove2000, afterSecond, afterThird;
    AddWith({{TypeText("kept"), ClickPickerLink,
              [&](HWND editor) {
                  afterAbove2000 = EditText(editor);
                  windows.Add("Picker new window", WS_POPUP | WS_VISIBLE | WS_BORDER);
                  ClickPickerLink(editor);
              },
              [&](HWND editor) {
                  afterSecond = EditText(editor);
                  ClickPickerLink(editor);
              },
              [&](HWND editor) {
                  afterThird = EditText(editor);
                  Press(editor, IDOK);
              }},
             [&](const Menu& menu) -> UINT {
                 switch (++menus) {
                 case 1:
                     EXPECT_FALSE(Lists(menu, "Picker new window"));
                     return menu.size() > 1001 ? 2001 : 0;
                 case 2:
                     return IdOf(menu, "Picker new window");
                 default:
                     third = menu;
                     return 2000;
                 }
             }});
    EXPECT_EQ(menus, 3);
    ASSERT_GT(third.size(), 1001u);
    EXPECT_EQ(afterAbove2000, "kept");
    EXPECT_EQ(afterSecond, "Picker new window");
    EXPECT_EQ(afterThird, third[1000].text);
    EXPECT_EQ(Items(), (Texts{"a", third[1000].text}));
}

}  // namespace
