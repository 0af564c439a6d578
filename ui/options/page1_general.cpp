#include "ui/options/page1_general.h"

#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "base/program_paths.h"
#include "base/scoped_handles_win.h"
#include "base/version.h"
#include "links/links.h"
#include "localization/language.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "winui/wide_text.h"

namespace {

// The away times offered, in minutes; 0 is never.
constexpr std::uint32_t kAwayChoices[] = {0, 3, 5, 10, 15, 30, 60};

std::string AwayChoiceText(std::uint32_t minutes) {
    if (minutes == 0) {
        // Without its text the entry shows its key, as an untranslated control does.
        std::string never = Translate("Page1/AwayNever");
        return never.empty() ? "Page1/AwayNever" : never;
    }
    std::string text = std::to_string(minutes);
    const std::string unit = Translate("Page1/AwayMinutes");
    if (!unit.empty()) text += " " + unit;
    return text;
}

// The folder the user picks in the system's folder dialog, in narrow text; empty when the user
// cancels or picks something that is no folder on disk (a library, the network itself).
std::string PickFolder(HWND owner, const std::string& title, const std::string& current) {
    const std::wstring wideTitle = WideText(title);
    const std::wstring start = WideText(current);
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = wideTitle.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    // The dialog opens at the folder chosen before.
    browse.lpfn = [](HWND dialog, UINT message, LPARAM, LPARAM data) -> int {
        if (message == BFFM_INITIALIZED && data) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
        return 0;
    };
    browse.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen) return {};
    std::wstring path(32768, L'\0');
    const bool found = SHGetPathFromIDListEx(chosen, &path[0], static_cast<DWORD>(path.size()), GPFIDL_DEFAULT) != FALSE;
    CoTaskMemFree(chosen);
    if (!found) return {};
    path.resize(wcslen(path.c_str()));
    const int length = WideCharToMultiByte(CP_ACP, 0, path.c_str(), static_cast<int>(path.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(length > 0 ? length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(CP_ACP, 0, path.c_str(), static_cast<int>(path.size()), &narrow[0], length, nullptr, nullptr);
    // A path the code page cannot hold would name another folder.
    return WideText(narrow) == path ? narrow : std::string();
}

}  // namespace

CDlgPage1General::CDlgPage1General() : COptionsPage(IDD_PAGE_GENERAL) {}

bool CDlgPage1General::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgPage1General> rows[] = {
        HandleMessage(WM_INITDIALOG, &CDlgPage1General::OnInitDialog),
        HandleNotify(IDC_PAGE_GENERAL_UPDATE_LINK, NM_CLICK, &CDlgPage1General::OnUpdateLink),
        HandleCommand(IDC_PAGE_GENERAL_SHARED_BROWSE, BN_CLICKED, &CDlgPage1General::OnBrowseSharedFolder),
        HandleCommand(IDC_PAGE_GENERAL_SHARED_CLEAR, BN_CLICKED, &CDlgPage1General::OnClearSharedFolder),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgPage1General::OnInitDialog(WindowMessage&) {
    languageList_.AttachDlgItem(hwnd(), IDC_PAGE_GENERAL_LANGUAGE);
    awayList_.AttachDlgItem(hwnd(), IDC_PAGE_GENERAL_AWAY_TIME);
    // The link keeps the label the resource gives it: the maker's address is no key.
    if (updateLink_.AttachDlgItem(hwnd(), IDC_PAGE_GENERAL_UPDATE_LINK))
        updateLink_.SetHyperLinkExtendedStyle(HyperLinkNotifyButton);
    // Composed here, before the options dialog's translation pass, which then finds no key in
    // it and leaves it alone. The language text brings its own separator.
    const std::string version = Translate("Page1/Hint1") + std::string(ProgramVersion);
    SetDlgItemTextA(hwnd(), IDC_PAGE_GENERAL_VERSION, version.c_str());
    FillLanguageList();
    Load();
    return TRUE;
}

LRESULT CDlgPage1General::OnUpdateLink(WindowMessage&) {
    OpenUpdatePage();
    return 0;
}

LRESULT CDlgPage1General::OnBrowseSharedFolder(WindowMessage&) {
    const std::string chosen = PickFolder(hwnd(), Translate("Page1/BrowseTitle"), sharedFolder_);
    if (!chosen.empty()) ShowSharedFolder(chosen);
    return 0;
}

LRESULT CDlgPage1General::OnClearSharedFolder(WindowMessage&) {
    ShowSharedFolder("");
    return 0;
}

void CDlgPage1General::ShowSharedFolder(const std::string& folder) {
    sharedFolder_ = folder;
    SetDlgItemTextW(hwnd(), IDC_PAGE_GENERAL_SHARED_FOLDER, WideText(folder).c_str());
}

void CDlgPage1General::FillLanguageList() {
    HWND list = languageList_.hwnd();
    if (!list) return;
    WIN32_FIND_DATAA found;
    ScopedFindHandle search(FindFirstFileA((ProgramDir + LanguageFileName("*")).c_str(), &found));
    if (!search) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        // "Lang..xml" names no language that could be stored and read back.
        const std::string name = LanguageOfFileName(found.cFileName);
        if (name.empty()) continue;
        // The list is sorted: it finds each entry's place itself, without regard to case.
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    } while (FindNextFileA(search.get(), &found));
}

void CDlgPage1General::Load() {
    HWND list = languageList_.hwnd();
    // The language loaded at start is the one stored: only a restart follows a change.
    // Its own entry first: the list's prefix search alone, which starts after entry 0, would
    // show "EnglishUK" for a stored "English". The prefix search still finds a shortened name.
    LRESULT index = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(CurrentLanguage.c_str()));
    if (index == CB_ERR)
        index = SendMessageA(list, CB_FINDSTRING, 0, reinterpret_cast<LPARAM>(CurrentLanguage.c_str()));
    if (index == CB_ERR) index = 0;
    loadedLanguageIndex_ = static_cast<std::int32_t>(index);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);

    // A hand-edited value other than 0 or 1 shows as ticked and is remembered as 1, so that
    // an OK without a change of the box writes nothing.
    loadedStartFlag_ = ReadSettingNumber("Options", StartupName, 0) != 0 ? 1 : 0;
    CheckDlgButton(hwnd(), IDC_PAGE_GENERAL_STARTUP, loadedStartFlag_ ? BST_CHECKED : BST_UNCHECKED);
    LoadAwayTime();
    // Like the start flag: a hand-edited value other than 0 or 1 is on and stays as it is.
    loadedTimelineFlag_ = ReadTimelineOn() ? 1 : 0;
    CheckDlgButton(hwnd(), IDC_PAGE_GENERAL_TIMELINE, loadedTimelineFlag_ ? BST_CHECKED : BST_UNCHECKED);
    loadedMediaFlag_ = ReadMediaIsPresence() ? 1 : 0;
    CheckDlgButton(hwnd(), IDC_PAGE_GENERAL_MEDIA_PRESENCE, loadedMediaFlag_ ? BST_CHECKED : BST_UNCHECKED);
    loadedSharedFolder_ = ReadSharedFolder();
    ShowSharedFolder(loadedSharedFolder_);
    languageChanged_ = false;
}

void CDlgPage1General::LoadAwayTime() {
    HWND list = awayList_.hwnd();
    loadedIdleMinutes_ = ReadIdleMinutes();
    // A value stored by hand is kept: it shows as an entry of its own, in its place by length.
    std::vector<std::uint32_t> choices(std::begin(kAwayChoices), std::end(kAwayChoices));
    if (std::find(choices.begin(), choices.end(), loadedIdleMinutes_) == choices.end())
        choices.insert(std::upper_bound(choices.begin(), choices.end(), loadedIdleMinutes_), loadedIdleMinutes_);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (std::uint32_t minutes : choices) {
        const LRESULT index =
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AwayChoiceText(minutes).c_str()));
        if (index < 0) continue;
        SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(minutes));
        if (minutes == loadedIdleMinutes_) SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

std::optional<SaveResult> CDlgPage1General::Commit() {
    if (!hwnd()) return std::nullopt;
    HWND list = languageList_.hwnd();
    const LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR && selected != loadedLanguageIndex_) {
        const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(selected), 0);
        if (length != CB_ERR) {
            std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
            SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text.data()));
            const std::string name = text.data();
            // Choosing the stored language again, in any letter case (the same file), is no
            // change: storing it would only restart the program.
            if (lstrcmpiA(name.c_str(), CurrentLanguage.c_str()) != 0) {
                // CurrentLanguage stays the language in use until the restart loads the new one.
                WriteSettingText("Options", LanguageSettingName, name);
                languageChanged_ = true;
            }
        }
    }
    // The remembered index stays: a stored language change restarts the program anyway.

    const std::int32_t startFlag = IsDlgButtonChecked(hwnd(), IDC_PAGE_GENERAL_STARTUP) == BST_CHECKED ? 1 : 0;
    if (startFlag != loadedStartFlag_) {
        WriteSettingNumber("Options", StartupName, startFlag);
        loadedStartFlag_ = startFlag;
        SetStartWithSystem(startFlag != 0);
    }

    const LRESULT away = SendMessageA(awayList_.hwnd(), CB_GETCURSEL, 0, 0);
    if (away != CB_ERR) {
        const auto minutes =
            static_cast<std::uint32_t>(SendMessageA(awayList_.hwnd(), CB_GETITEMDATA, static_cast<WPARAM>(away), 0));
        if (minutes != loadedIdleMinutes_) {
            WriteSettingNumber("Options", IdleMinutesName, static_cast<std::int32_t>(minutes));
            loadedIdleMinutes_ = minutes;
        }
    }
    const std::int32_t timelineFlag = IsDlgButtonChecked(hwnd(), IDC_PAGE_GENERAL_TIMELINE) == BST_CHECKED ? 1 : 0;
    if (timelineFlag != loadedTimelineFlag_) {
        WriteSettingNumber("Options", TimelineName, timelineFlag);
        loadedTimelineFlag_ = timelineFlag;
    }
    const std::int32_t mediaFlag = IsDlgButtonChecked(hwnd(), IDC_PAGE_GENERAL_MEDIA_PRESENCE) == BST_CHECKED ? 1 : 0;
    if (mediaFlag != loadedMediaFlag_) {
        WriteSettingNumber("Options", MediaIsPresenceName, mediaFlag);
        loadedMediaFlag_ = mediaFlag;
    }
    if (sharedFolder_ != loadedSharedFolder_) {
        WriteSharedFolder(sharedFolder_);
        loadedSharedFolder_ = sharedFolder_;
    }
    // The settings live in the registry: no file was saved.
    return std::nullopt;
}

void CDlgPage1General::Revert() {
    if (!hwnd()) return;
    Load();
}
