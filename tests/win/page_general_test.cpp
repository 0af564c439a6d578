// The General page, alone and inside the real options dialog: the language list from the
// program folder's language files, the start check box, the version line and the update link,
// and what OK and Cancel make of them. The settings live in a clean registry in memory that
// writes down every change made through it.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/lifecycle.h"
#include "app/main_dialog.h"
#include "app/tray.h"
#include "base/program_paths.h"
#include "links/links.h"
#include "localization/language.h"
#include "localization/translate_win.h"
#include "projects/projects.h"
#include "resources/resource.h"
#include "settings/in_memory_registry.h"
#include "settings/platform_seams.h"
#include "settings/settings.h"
#include "tests/e2e/shell_recorder.h"
#include "tests/win/program_folder.h"
#include "tests/win/sampler_probe.h"
#include "tracking/programs_list.h"
#include "tracking/sampler.h"
#include "tracking/timeline.h"
#include "ui/options/page1_general.h"

namespace {

const char kOptionsKey[] = "Software\\Ostrak\\Options";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// With a blank in it, so that the Run entry quotes it.
const char kExecutable[] = "C:\\Program Files\\Ostrak\\Ostrak.exe";

using Texts = std::vector<std::string>;

std::string ReadSource(const std::string& relative) {
    std::ifstream in(std::string(OSTRAK_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What a text becomes in this run's ANSI code page: Cyrillic letters under 1251, the code
// page's default character under 1252.
std::string InAnsiCodePage(const wchar_t* text) {
    char narrow[256] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

std::string WindowText(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A key of the in-memory registry that reports each change to the registry it came from.
class RecordingKey final : public RegistryKey {
public:
    RecordingKey(std::unique_ptr<RegistryKey> key, std::string path, Texts& changes)
        : key_(std::move(key)), path_(std::move(path)), changes_(changes) {}

    std::optional<std::uint32_t> ReadText(const char* name, char* buffer, std::uint32_t capacity) override {
        return key_->ReadText(name, buffer, capacity);
    }
    std::optional<std::uint32_t> ReadNumber(const char* name) override { return key_->ReadNumber(name); }
    bool WriteText(const char* name, const char* text, std::uint32_t byteCount) override {
        changes_.push_back(path_ + "\\" + name);
        return key_->WriteText(name, text, byteCount);
    }
    bool WriteNumber(const char* name, std::uint32_t number) override {
        changes_.push_back(path_ + "\\" + name);
        return key_->WriteNumber(name, number);
    }
    bool DeleteValue(const char* name) override {
        changes_.push_back(path_ + "\\" + name);
        return key_->DeleteValue(name);
    }

private:
    std::unique_ptr<RegistryKey> key_;
    std::string path_;
    Texts& changes_;
};

class RecordingRegistry final : public RegistryBackend {
public:
    std::unique_ptr<RegistryKey> CreateKey(const char* path) override {
        return std::make_unique<RecordingKey>(store_.CreateKey(path), path, changes);
    }

    std::optional<std::string> Text(const char* path, const char* name) {
        char buffer[256] = "";
        if (!store_.CreateKey(path)->ReadText(name, buffer, sizeof buffer)) return std::nullopt;
        return std::string(buffer);
    }
    std::optional<std::uint32_t> Number(const char* path, const char* name) {
        return store_.CreateKey(path)->ReadNumber(name);
    }

    // Every value written or deleted, as key path, backslash, value name.
    Texts changes;

private:
    InMemoryRegistry store_;
};

class GeneralPageTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = MakeProgramFolder("general");
        ProgramList.clear();
        ProjectList.clear();
        FilterList.clear();
        SetRegistryBackend(&registry_);
        SetExecutablePath(kExecutable);
    }

    void TearDown() override {
        Close();
        FreeLanguage();
        SetRegistryBackend(nullptr);
        SetExecutablePath("");
        RestartAfterExit = false;
        CurrentLanguage.clear();
        // A language change ends the loop: its quit message must not end the next test's.
        MSG quit;
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        ProgramList.clear();
        RemoveProgramFolder(folder_);
    }

    void WriteProgramFile(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_ + name, std::ios::binary) << bytes;
    }

    // The delivered English and Russian files, with the stored language loaded as at start.
    void WithDeliveredLanguages(const std::string& stored) {
        WriteProgramFile("Lang.English.xml", ReadSource("delivered/Lang.English.xml"));
        WriteProgramFile("Lang.Russian.xml", ReadSource("delivered/Lang.Russian.xml"));
        WriteSettingText("Options", "Lang", stored);
        LoadLanguage();
    }

    // The page alone, in a frameless host window as in the options dialog's page area, and
    // the dialog's translation pass over it. Most tests need no more: the whole dialog adds a
    // tray icon, whose removal costs Wine under Xvfb two seconds.
    void OpenPage() {
        LoadLanguage();  // as at start: the page shows the language in use
        host_ = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 460, 280, nullptr, nullptr, GetModuleHandleA(nullptr),
                                nullptr);
        ownPage_ = std::make_unique<CDlgPage1General>();
        pageWindow_ = ownPage_->Create(host_);
        ASSERT_TRUE(pageWindow_);
        page_ = ownPage_.get();
        TranslateDialog(host_);
    }

    // The whole options dialog, whose OK and Cancel reach the page. It stays hidden: OK and
    // Cancel work the same, and Wine under Xvfb takes seconds to hide a window.
    void OpenDialog() {
        LoadLanguage();
        dialog_ = std::make_unique<CDlgMain>("Ostrak.GeneralPageTest");
        main_ = dialog_->Create(nullptr);
        ASSERT_TRUE(main_);
        HWND container = GetDlgItem(main_, IDC_MAIN_PAGES);
        for (HWND child = GetWindow(container, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (auto* page = dynamic_cast<CDlgPage1General*>(CWindowBase::FromHandle(child))) {
                page_ = page;
                pageWindow_ = child;
            }
        }
        ASSERT_TRUE(page_);
    }

    void Close() {
        if (dialog_ && dialog_->hwnd()) RemoveTrayIcon(dialog_->hwnd());
        dialog_.reset();
        ownPage_.reset();
        if (host_) DestroyWindow(host_);
        main_ = host_ = pageWindow_ = nullptr;
        page_ = nullptr;
    }

    // The entries of the language list, or of another list of the page.
    Texts Entries(int id = IDC_PAGE_GENERAL_LANGUAGE) const {
        HWND list = GetDlgItem(pageWindow_, id);
        Texts entries;
        const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
        for (int index = 0; index < count; ++index) {
            std::vector<char> text(static_cast<std::size_t>(SendMessageA(list, CB_GETLBTEXTLEN, index, 0)) + 1);
            SendMessageA(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
            entries.emplace_back(text.data());
        }
        return entries;
    }

    // The text of the selected entry; "(none)" without a selection.
    std::string Shown(int id = IDC_PAGE_GENERAL_LANGUAGE) const {
        const LRESULT selected = SendMessageA(GetDlgItem(pageWindow_, id), CB_GETCURSEL, 0, 0);
        if (selected == CB_ERR) return "(none)";
        return Entries(id).at(static_cast<std::size_t>(selected));
    }

    void Choose(const std::string& entry, int id = IDC_PAGE_GENERAL_LANGUAGE) {
        HWND list = GetDlgItem(pageWindow_, id);
        const LRESULT index =
            SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
        ASSERT_NE(index, CB_ERR) << entry;
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(pageWindow_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    }

    void ClickStartCheckBox(int box = IDC_PAGE_GENERAL_STARTUP) { SendMessageA(GetDlgItem(pageWindow_, box), BM_CLICK, 0, 0); }

    bool StartChecked() const { return IsDlgButtonChecked(pageWindow_, IDC_PAGE_GENERAL_STARTUP) == BST_CHECKED; }

    // OK or Cancel of the options dialog; the registry changes they made.
    Texts Press(int button) {
        registry_.changes.clear();
        SendMessageA(main_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return registry_.changes;
    }

    // The page's side of OK and of Cancel; the registry changes they made.
    Texts Commit() {
        registry_.changes.clear();
        page_->Commit();
        return registry_.changes;
    }
    Texts Revert() {
        registry_.changes.clear();
        page_->Revert();
        return registry_.changes;
    }

    std::optional<std::string> StoredLanguage() { return registry_.Text(kOptionsKey, "Lang"); }
    std::optional<std::uint32_t> StoredStartFlag() { return registry_.Number(kOptionsKey, "Startup"); }
    std::optional<std::uint32_t> StoredAwayTime() { return registry_.Number(kOptionsKey, "IdleMinutes"); }
    std::optional<std::string> RunEntry() { return registry_.Text(kRunKey, "Ostrak"); }

    // True when the loop was told to end with this code; takes the quit message.
    static bool QuitPosted(WPARAM code) {
        MSG quit;
        return PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == code;
    }

    std::string folder_;
    RecordingRegistry registry_;
    std::unique_ptr<CDlgMain> dialog_;
    std::unique_ptr<CDlgPage1General> ownPage_;
    HWND main_ = nullptr;
    HWND host_ = nullptr;
    CDlgPage1General* page_ = nullptr;
    HWND pageWindow_ = nullptr;
};

const std::string kLangValue = std::string(kOptionsKey) + "\\Lang";
const std::string kStartupValue = std::string(kOptionsKey) + "\\Startup";
const std::string kIdleValue = std::string(kOptionsKey) + "\\IdleMinutes";
const std::string kTimelineValue = std::string(kOptionsKey) + "\\Timeline";
const std::string kMediaValue = std::string(kOptionsKey) + "\\MediaIsPresence";
// The Privacy page's box, read again by Cancel as the General page's settings are.
const std::string kRecordValue = std::string(kOptionsKey) + "\\RecordDocuments";
const std::string kRunValue = std::string(kRunKey) + "\\Ostrak";

// ---- Set-up ----

TEST_F(GeneralPageTest, TwoLanguageFilesGiveTwoEntriesWithTheStoredOneShownAndTheVersionAppended) {
    WithDeliveredLanguages("Russian");
    OpenPage();
    EXPECT_EQ(Entries(), (Texts{"English", "Russian"}));
    EXPECT_EQ(Shown(), "Russian");
    EXPECT_EQ(CurrentLanguage, "Russian");
    EXPECT_FALSE(StartChecked());
    EXPECT_FALSE(page_->LanguageChanged());
    // The language text of "Page1/Hint1" with the version directly behind it; the dialog's
    // translation pass afterwards left it alone.
    EXPECT_EQ(WindowText(GetDlgItem(pageWindow_, IDC_PAGE_GENERAL_VERSION)),
              InAnsiCodePage(L"\u0412\u0435\u0440\u0441\u0438\u044f ") + "1.01");
    // The link keeps its own label: an address is no key.
    EXPECT_EQ(WindowText(GetDlgItem(pageWindow_, IDC_PAGE_GENERAL_UPDATE_LINK)), "ostrak.example.org");
}

TEST_F(GeneralPageTest, OnAFirstSetUpTheStartFlagIsStoredAsZero) {
    WithDeliveredLanguages("English");
    ASSERT_FALSE(StoredStartFlag());
    OpenPage();
    EXPECT_EQ(StoredStartFlag(), 0u);
    EXPECT_EQ(WindowText(GetDlgItem(pageWindow_, IDC_PAGE_GENERAL_VERSION)), "Version 1.01");
}

TEST_F(GeneralPageTest, EntriesAreSortedWithoutRegardToCaseAndOtherFilesAreLeftOut) {
    for (const char* name : {"Lang.ukrainian.xml", "Lang.English.xml", "Lang.deutsch.xml", "Lang.Russian.xml",
                             "Programs.xml", "Language.xml", "Lang.English.txt"})
        WriteProgramFile(name, "<Language/>");
    CreateDirectoryA((folder_ + "Lang.Folder.xml").c_str(), nullptr);
    OpenPage();
    EXPECT_EQ(Entries(), (Texts{"deutsch", "English", "Russian", "ukrainian"}));
    EXPECT_EQ(Shown(), "English");
}

TEST_F(GeneralPageTest, WithoutLanguageFilesTheListIsEmptyTheVersionStandsAloneAndNoLanguageIsStored) {
    OpenPage();
    EXPECT_EQ(Entries(), Texts{});
    EXPECT_EQ(Shown(), "(none)");
    EXPECT_EQ(WindowText(GetDlgItem(pageWindow_, IDC_PAGE_GENERAL_VERSION)), "1.01");
    EXPECT_EQ(Commit(), Texts{});
    EXPECT_EQ(StoredLanguage(), "English");
    EXPECT_FALSE(page_->LanguageChanged());
}

// ---- Which entry the stored name selects ----

TEST_F(GeneralPageTest, WithEnglishUkBesideEnglishEachStoredNameShowsItselfAndOkRestartsNothing) {
    WriteProgramFile("Lang.English.xml", "<Language/>");
    WriteProgramFile("Lang.EnglishUK.xml", "<Language/>");
    for (const char* stored : {"English", "EnglishUK"}) {
        SCOPED_TRACE(stored);
        WriteSettingText("Options", "Lang", stored);
        OpenDialog();
        EXPECT_EQ(Entries(), (Texts{"English", "EnglishUK"}));
        EXPECT_EQ(Shown(), stored);
        EXPECT_EQ(Press(IDOK), Texts{});
        EXPECT_FALSE(page_->LanguageChanged());
        EXPECT_FALSE(RestartAfterExit);
        EXPECT_TRUE(IsWindow(main_));
        Close();
    }
}

TEST_F(GeneralPageTest, TheSearchIgnoresLetterCaseAndFindsAPrefix) {
    for (const char* name : {"Lang.Deutsch.xml", "Lang.English.xml", "Lang.Russian.xml"})
        WriteProgramFile(name, "<Language/>");
    WriteSettingText("Options", "Lang", "rus");
    OpenPage();
    EXPECT_EQ(Shown(), "Russian");
    EXPECT_EQ(CurrentLanguage, "rus");
}

TEST_F(GeneralPageTest, AStoredLanguageWithoutAFileShowsEntryZeroAndStaysStored) {
    WithDeliveredLanguages("German");
    OpenPage();
    EXPECT_EQ(Shown(), "English");
    EXPECT_EQ(Commit(), Texts{});
    // Choosing entry 0 explicitly is no change either.
    Choose("English");
    EXPECT_EQ(Commit(), Texts{});
    EXPECT_EQ(StoredLanguage(), "German");
    EXPECT_EQ(CurrentLanguage, "German");
    EXPECT_FALSE(page_->LanguageChanged());
}

// ---- Commit and Revert ----

TEST_F(GeneralPageTest, ACommittedLanguageIsAChangeUntilTheNextLoad) {
    WithDeliveredLanguages("English");
    OpenPage();
    Choose("Russian");
    EXPECT_EQ(Commit(), Texts{kLangValue});
    EXPECT_EQ(StoredLanguage(), "Russian");
    EXPECT_EQ(CurrentLanguage, "English") << "the language in use until the restart loads the new one";
    EXPECT_TRUE(page_->LanguageChanged());
    Revert();
    EXPECT_FALSE(page_->LanguageChanged());
    EXPECT_EQ(Shown(), "English");
    EXPECT_EQ(Commit(), Texts{});
}

TEST_F(GeneralPageTest, TheStartCheckBoxWritesTheFlagAndTheRunEntryOnlyWhenChanged) {
    WithDeliveredLanguages("English");
    OpenPage();
    ClickStartCheckBox();
    EXPECT_EQ(Commit(), (Texts{kStartupValue, kRunValue}));
    EXPECT_EQ(StoredStartFlag(), 1u);
    EXPECT_EQ(RunEntry(), "\"" + std::string(kExecutable) + "\" -tray");
    // Only a language change restarts the program.
    EXPECT_FALSE(page_->LanguageChanged());

    EXPECT_TRUE(StartChecked());
    EXPECT_EQ(Commit(), Texts{});

    ClickStartCheckBox();
    EXPECT_EQ(Commit(), (Texts{kStartupValue, kRunValue}));
    EXPECT_EQ(StoredStartFlag(), 0u);
    EXPECT_FALSE(RunEntry());
}

TEST_F(GeneralPageTest, AStoredFlagOtherThanOneShowsTickedAndAnUnchangedCommitKeepsIt) {
    WithDeliveredLanguages("English");
    WriteSettingNumber("Options", "Startup", 7);
    OpenPage();
    EXPECT_TRUE(StartChecked());
    EXPECT_EQ(Commit(), Texts{});
    EXPECT_EQ(StoredStartFlag(), 7u);
}

// ---- Through the options dialog ----

TEST_F(GeneralPageTest, CancelForgetsTheEditsAndOkAfterAnotherLanguageEndsTheProgramToStartAgain) {
    WithDeliveredLanguages("English");
    OpenDialog();
    Choose("Russian");
    ClickStartCheckBox();
    // The load reads the settings again, and reading a number equal to its default writes it
    // back; nothing else is touched.
    EXPECT_EQ(Press(IDCANCEL), (Texts{kStartupValue, kIdleValue, kTimelineValue, kMediaValue, kRecordValue}));
    EXPECT_EQ(Shown(), "English");
    EXPECT_FALSE(StartChecked());
    EXPECT_EQ(StoredLanguage(), "English");
    EXPECT_EQ(StoredStartFlag(), 0u);
    EXPECT_FALSE(RunEntry());
    EXPECT_FALSE(RestartAfterExit);
    EXPECT_TRUE(IsWindow(main_));

    Choose("Russian");
    EXPECT_EQ(Press(IDOK), Texts{kLangValue});
    EXPECT_EQ(StoredLanguage(), "Russian");
    EXPECT_TRUE(page_->LanguageChanged());
    EXPECT_TRUE(RestartAfterExit);
    // ExitProgram: the main window is gone and the loop is told to end with code 1.
    EXPECT_FALSE(IsWindow(main_));
    EXPECT_TRUE(QuitPosted(1));
}

// ---- The away time ----

TEST_F(GeneralPageTest, TheAwayListOffersNeverAndSixTimesInEachLanguageWithTheStoredTimeShown) {
    const struct {
        const char* language;
        std::string never;
        std::string unit;
    } languages[] = {
        {"English", "Never", "min"},
        {"Russian", InAnsiCodePage(L"\u041d\u0438\u043a\u043e\u0433\u0434\u0430"), InAnsiCodePage(L"\u043c\u0438\u043d")},
    };
    for (const auto& language : languages) {
        WithDeliveredLanguages(language.language);
        OpenPage();
        Texts expected{language.never};
        for (const char* minutes : {"3", "5", "10", "15", "30", "60"}) expected.push_back(minutes + (" " + language.unit));
        EXPECT_EQ(Entries(IDC_PAGE_GENERAL_AWAY_TIME), expected) << language.language;
        EXPECT_EQ(Shown(IDC_PAGE_GENERAL_AWAY_TIME), "10 " + language.unit) << "the default, stored on the way";
        EXPECT_EQ(StoredAwayTime(), 10u);
        Close();
    }
}

TEST_F(GeneralPageTest, TheAwayTimeIsStoredOnlyWhenChangedAndHandedToTheSamplerAfterOk) {
    WithDeliveredLanguages("English");
    WriteSettingNumber("Options", "IdleMinutes", 7);
    OpenDialog();
    // A time stored by hand keeps an entry of its own, in its place.
    EXPECT_EQ(Entries(IDC_PAGE_GENERAL_AWAY_TIME),
              (Texts{"Never", "3 min", "5 min", "7 min", "10 min", "15 min", "30 min", "60 min"}));
    EXPECT_EQ(Shown(IDC_PAGE_GENERAL_AWAY_TIME), "7 min");
    EXPECT_EQ(Press(IDOK), Texts{}) << "an unchanged hand-stored time is kept";
    EXPECT_EQ(StoredAwayTime(), 7u);
    EXPECT_EQ(SamplerAwayMinutes(), 7u);

    Choose("30 min", IDC_PAGE_GENERAL_AWAY_TIME);
    EXPECT_EQ(Press(IDCANCEL), (Texts{kStartupValue, kTimelineValue, kMediaValue, kRecordValue}));
    EXPECT_EQ(Shown(IDC_PAGE_GENERAL_AWAY_TIME), "7 min");
    EXPECT_EQ(StoredAwayTime(), 7u);

    Choose("Never", IDC_PAGE_GENERAL_AWAY_TIME);
    EXPECT_EQ(Press(IDOK), Texts{kIdleValue});
    EXPECT_EQ(StoredAwayTime(), 0u);
    EXPECT_EQ(SamplerAwayMinutes(), 0u);
    Choose("30 min", IDC_PAGE_GENERAL_AWAY_TIME);
    EXPECT_EQ(Press(IDOK), Texts{kIdleValue});
    EXPECT_EQ(SamplerAwayMinutes(), 30u);
    EXPECT_EQ(Press(IDOK), Texts{});
    SetAwayMinutes(0);
}

// ---- The update link ----

TEST_F(GeneralPageTest, AClickOnTheLinkOpensTheUpdatePageOfTheStoredLanguage) {
    ASSERT_NE(kRecorderProgram[0], '\0') << "built without the recorder program";
    ShellRecorder recorder(kRecorderProgram, folder_ + "shell-record.txt");
    ASSERT_TRUE(recorder.Registered());
    WithDeliveredLanguages("Russian");
    OpenPage();
    HWND link = GetDlgItem(pageWindow_, IDC_PAGE_GENERAL_UPDATE_LINK);
    PostMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    const Texts opened = recorder.WaitForOpened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find(std::string(MakerSite) + "/ostrak/ru.update.php?program_version=1.01&report_version="),
              std::string::npos)
        << opened[0];
}

// ---- The day's timeline and sound as presence ----

TEST_F(GeneralPageTest, EachFlagBoxIsOnByDefaultStoredOnlyWhenChangedAndHandedOverAfterOk) {
    const struct {
        int box;
        const char* name;
        std::string value;
        bool (*handedOver)(const CDlgPage1General&);
    } boxes[] = {
        {IDC_PAGE_GENERAL_TIMELINE, "Timeline", kTimelineValue, [](const CDlgPage1General&) { return TimelineIsOn(); }},
        // The sampler keeps the flag to itself: the page's value is what OK hands it.
        {IDC_PAGE_GENERAL_MEDIA_PRESENCE, "MediaIsPresence", kMediaValue,
         [](const CDlgPage1General& page) { return page.MediaIsPresence(); }},
    };
    WithDeliveredLanguages("English");
    OpenDialog();
    for (const auto& box : boxes) {
        SCOPED_TRACE(box.name);
        EXPECT_EQ(IsDlgButtonChecked(pageWindow_, box.box), BST_CHECKED);
        EXPECT_EQ(registry_.Number(kOptionsKey, box.name), 1u) << "the default, stored on the way";

        ClickStartCheckBox(box.box);
        EXPECT_EQ(Press(IDCANCEL), (Texts{kStartupValue, kIdleValue, kTimelineValue, kMediaValue, kRecordValue}));
        EXPECT_EQ(IsDlgButtonChecked(pageWindow_, box.box), BST_CHECKED);
        EXPECT_TRUE(box.handedOver(*page_));

        ClickStartCheckBox(box.box);
        EXPECT_EQ(Press(IDOK), Texts{box.value});
        EXPECT_EQ(registry_.Number(kOptionsKey, box.name), 0u);
        EXPECT_FALSE(box.handedOver(*page_));
        EXPECT_EQ(Press(IDOK), Texts{});

        // On again, so that the next box's Cancel finds every default stored as before.
        ClickStartCheckBox(box.box);
        EXPECT_EQ(Press(IDOK), Texts{box.value});
        EXPECT_TRUE(box.handedOver(*page_));
    }
    SetTimelineOn(true);
    SetMediaIsPresence(true);
}

}  // namespace
