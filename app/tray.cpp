#include "app/tray.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <iterator>
#include <string_view>

#include "base/narrow_text.h"
#include "base/program_paths.h"
#include "base/scoped_handles_win.h"
#include "localization/language.h"
#include "localization/translate_win.h"
#include "resources/resource.h"
#include "tracking/calendar.h"
#include "winui/app_module.h"
#include "winui/wide_text.h"

namespace {

// The version-2 layout: the one with the 128-character tip, known to every shell since 2000.
// The wide record: its fields count characters, not bytes, so a Cyrillic tip holds twice the
// text it would in UTF-8.
NOTIFYICONDATAW IconRecord(HWND owner) {
    NOTIFYICONDATAW record;
    std::memset(&record, 0, sizeof record);
    record.cbSize = NOTIFYICONDATAW_V2_SIZE;
    record.hWnd = owner;
    record.uID = TrayIconId;
    return record;
}

// Copies text into one of the record's fixed fields, cut to whole characters.
template <std::size_t Size>
void CopyField(wchar_t (&field)[Size], const std::string& text) {
    const std::wstring wide = WideText(text);
    std::size_t size = std::min(wide.size(), Size - 1);
    // A character beyond the basic plane takes two units: never keep half of one.
    if (size < wide.size() && size > 0 && wide[size - 1] >= 0xD800 && wide[size - 1] <= 0xDBFF) --size;
    std::wmemcpy(field, wide.data(), size);
    field[size] = L'\0';
}

constexpr char kProductName[] = "Ostrak";

// A missing text shows its key, as an untranslated control does, rather than nothing.
std::string TextOrKey(const char* key) {
    std::string text = Translate(key);
    return text.empty() ? key : text;
}

// "14:05": the local hour and minute of an instant.
std::string LocalHourMinute(std::int64_t utcSeconds) {
    const LocalDateTime time = LocalTimeAt(utcSeconds);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", time.hour, time.minute);
    return text;
}

struct Placeholder {
    std::string_view name;
    std::string_view value;
};

// Fills each "{name}" of a language's text in one pass, so that a value holding braces (a
// document called "{end}") stays as it is; an unknown name stays as written.
std::string FillPlaceholders(const std::string& text, std::initializer_list<Placeholder> placeholders) {
    std::string filled;
    std::size_t at = 0;
    while (at < text.size()) {
        bool replaced = false;
        if (text[at] == '{') {
            for (const Placeholder& placeholder : placeholders) {
                if (text.compare(at + 1, placeholder.name.size(), placeholder.name) == 0 &&
                    at + 1 + placeholder.name.size() < text.size() && text[at + 1 + placeholder.name.size()] == '}') {
                    filled += placeholder.value;
                    at += placeholder.name.size() + 2;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) filled += text[at++];
    }
    return filled;
}

bool ChangeIcon(DWORD change, HWND owner, int iconId, const std::string& tip) {
    NOTIFYICONDATAW record = IconRecord(owner);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAYNOTIFY;
    // The shell keeps its own copy of the icon, so ours goes when the call returns.
    ScopedIcon icon(static_cast<HICON>(LoadImageA(AppModule.Instance(), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                  LR_DEFAULTCOLOR)));
    record.hIcon = icon.get();
    CopyField(record.szTip, tip);
    return Shell_NotifyIconW(change, &record) != FALSE;
}

// A folder as a user would type it, without the final backslash.
std::string FolderAsTyped(std::string folder) {
    if (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
    return folder;
}

const char* ReasonKey(SaveFailure failure) {
    switch (failure) {
    case SaveFailure::NoWriteAccess:
        return "Common/NoWriteAccess";
    case SaveFailure::DiskFull:
        return "Common/DiskFull";
    case SaveFailure::FileInUse:
        return "Common/FileInUse";
    default:
        return "Common/WriteFailed";
    }
}

// Each trouble's picture, in the order of TrackerTrouble. Recording without document names is,
// like a timeline not saved, less than the whole record: the same picture.
// The shared folder's copies are not the record either: the local files are whole.
constexpr int kTroubleIcons[] = {IDI_TRAY_NOT_RECORDING, IDI_TRAY_OTHER_WRITER, IDI_TRAY_LOG_HELD,
                                 IDI_TRAY_LOG_NOT_SAVED, IDI_TRAY_SIDE_FILE,    IDI_TRAY_TIMELINE,
                                 IDI_TRAY_TIMELINE,      IDI_TRAY_TIMELINE,     IDI_TRAY_TIMELINE};
static_assert(std::size(kTroubleIcons) == static_cast<std::size_t>(TrackerTrouble::Count));

}  // namespace

bool AddTrayIcon(HWND owner, int iconId, const std::string& tip) {
    return ChangeIcon(NIM_ADD, owner, iconId, tip);
}

void SetTrayIcon(HWND owner, int iconId, const std::string& tip) { ChangeIcon(NIM_MODIFY, owner, iconId, tip); }

bool ShowTrayBalloon(HWND owner, const std::string& text, BalloonIcon icon) {
    NOTIFYICONDATAW record = IconRecord(owner);
    record.uFlags = NIF_INFO;
    record.dwInfoFlags = icon == BalloonIcon::Warning ? NIIF_WARNING : NIIF_INFO;
    record.uTimeout = 30000;  // honoured by old shells only; newer ones decide themselves
    CopyField(record.szInfoTitle, kProductName);
    CopyField(record.szInfo, text);
    return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

std::string AwayOfferText(const AwayOffer& offer) {
    const char* key = offer.doc.empty() ? "Tray/AwayOfferNoDocument" : "Tray/AwayOffer";
    const std::string minutes = std::to_string((offer.endUtc - offer.startUtc + 30) / 60);
    return FillPlaceholders(TextOrKey(key), {{"start", LocalHourMinute(offer.startUtc)},
                                             {"end", LocalHourMinute(offer.endUtc)},
                                             {"minutes", minutes},
                                             {"document", offer.doc},
                                             {"application", offer.app}});
}

std::string PatternsOfferText(std::size_t count) {
    return FillPlaceholders(TextOrKey("Tray/PatternsOffer"), {{"count", std::to_string(count)}});
}

std::string ForgetConfirmText(ForgetSpan span, std::int64_t fromUtc, std::int64_t toUtc) {
    const char* key = span == ForgetSpan::LastFiveMinutes ? "Tray/ForgetMinutes"
                      : span == ForgetSpan::LastHour      ? "Tray/ForgetHour"
                                                          : "Tray/ForgetToday";
    return FillPlaceholders(TextOrKey(key), {{"start", LocalHourMinute(fromUtc)}, {"end", LocalHourMinute(toUtc)}});
}

std::string CountAbsenceText(const LastAbsence& absence) {
    const char* key = absence.doc.empty() ? "Tray/CountAbsenceNoDocument" : "Tray/CountAbsence";
    const std::string minutes = std::to_string((absence.endUtc - absence.startUtc + 30) / 60);
    return FillPlaceholders(TextOrKey(key), {{"start", LocalHourMinute(absence.startUtc)},
                                             {"end", LocalHourMinute(absence.endUtc)},
                                             {"minutes", minutes},
                                             {"document", absence.doc},
                                             {"application", absence.app}});
}

std::string TakeBackOutcomeText(const TakeBackResult& result, bool forget) {
    switch (result.outcome) {
    case TakeBackOutcome::Done: return {};
    case TakeBackOutcome::TimelineLater: return TextOrKey("Tray/TakeBackTimelineLater");
    case TakeBackOutcome::NothingToDo: return TextOrKey(forget ? "Tray/NothingToForget" : "Tray/NoAbsence");
    case TakeBackOutcome::NotNow: return TextOrKey("Tray/TakeBackNotNow");
    case TakeBackOutcome::Failed: break;
    }
    return TextOrKey("Tray/TakeBackFailed") + " " + TextOrKey(ReasonKey(result.failure));
}

void RemoveTrayIcon(HWND owner) {
    NOTIFYICONDATAW record = IconRecord(owner);
    Shell_NotifyIconW(NIM_DELETE, &record);
}

void ShowTrayMenu(HWND owner) {
    ScopedMenu menu(LoadMenuA(AppModule.Instance(), MAKEINTRESOURCEA(IDR_TRAYMENU)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    SetMenuDefaultItem(popup, 0, TRUE);
    TranslateMenu(popup);
    const bool paused = RecordingPaused();
    EnableMenuItem(popup, ID_MENU_RESUME, MF_BYCOMMAND | (paused ? MF_ENABLED : MF_GRAYED));
    // The Pause submenu is greyed as a whole: its entry has no command of its own.
    for (int position = 0; position < GetMenuItemCount(popup); ++position) {
        HMENU submenu = GetSubMenu(popup, position);
        if (submenu && GetMenuItemID(submenu, 0) == ID_MENU_PAUSE_15_MINUTES)
            EnableMenuItem(popup, position, MF_BYPOSITION | (paused ? MF_GRAYED : MF_ENABLED));
    }
    POINT mouse{};
    GetCursorPos(&mouse);
    // Without this the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(owner);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, mouse.x, mouse.y, 0, owner, nullptr);
    // Lets the menu's owner see a message after the menu loop, so a second right click
    // opens the menu again at once.
    PostMessageA(owner, WM_NULL, 0, 0);
}

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

std::vector<TrackerTrouble> TrayStatus::Update(const TrackerTroubles& troubles) {
    std::vector<TrackerTrouble> begun;
    // From the least serious up, so that when the shell shows only the last balloon, it is
    // the one that matters most.
    for (int i = static_cast<int>(TrackerTrouble::Count) - 1; i >= 0; --i) {
        const auto trouble = static_cast<TrackerTrouble>(i);
        if (troubles.Holds(trouble) && !troubles_.Holds(trouble)) begun.push_back(trouble);
    }
    troubles_ = troubles;
    return begun;
}

bool TrayStatus::RecordSave(SavedFile file, SaveResult result) {
    SaveFailure& failure = lists_[static_cast<int>(file)];
    const bool begins = failure == SaveFailure::None && !result;
    failure = result.failure;
    return begins;
}

void TrayStatus::SetPause(bool paused, std::int64_t untilUtc) {
    paused_ = paused;
    pausedUntil_ = untilUtc;
}

int TrayStatus::IconId() const {
    for (int i = 0; i < static_cast<int>(TrackerTrouble::Count); ++i)
        if (troubles_.holds[i]) return kTroubleIcons[i];
    // A list that was not saved is a file not saved like the log.
    for (SaveFailure failure : lists_)
        if (failure != SaveFailure::None) return IDI_TRAY_LOG_NOT_SAVED;
    if (paused_) return IDI_TRAY_PAUSED;
    return IDI_MAIN;
}

std::string TrayStatus::Tip() const {
    for (int i = 0; i < static_cast<int>(TrackerTrouble::Count); ++i)
        if (troubles_.holds[i]) return TroubleText(static_cast<TrackerTrouble>(i));
    for (SaveFailure failure : lists_)
        if (failure != SaveFailure::None) return SaveFailureText(failure);
    if (paused_ && pausedUntil_ == PausedUntilResumed) return TextOrKey("Tray/PausedUntilResumed");
    if (paused_) return FillPlaceholders(TextOrKey("Tray/PausedUntil"), {{"time", LocalHourMinute(pausedUntil_)}});
    return kProductName;
}

std::string TrayStatus::TroubleText(TrackerTrouble trouble) const {
    const std::string folder = FolderAsTyped(ProgramDir);
    switch (trouble) {
    case TrackerTrouble::NotRecording:
        return TextOrKey("Tray/NotRecording") + " " + folder;
    case TrackerTrouble::OtherWriter:
        return TextOrKey("Tray/OtherWriter");
    case TrackerTrouble::LogHeld:
        return SaveFailureText(SaveFailure::FileInUse);
    case TrackerTrouble::LogNotSaved:
        return SaveFailureText(troubles_.logFailure);
    case TrackerTrouble::SideFileWaiting:
        return TextOrKey("Tray/SideFileWaiting") + " " + FolderAsTyped(troubles_.sideFileFolder);
    case TrackerTrouble::TimelineNotSaved:
        return TextOrKey(ReasonKey(troubles_.timelineFailure)) + "\n" + TextOrKey("Tray/TimelineNotSaved") + " " + folder;
    case TrackerTrouble::PrivateListUnread:
        return TextOrKey(troubles_.privateListHeld ? "Tray/PrivateListHeld" : "Tray/PrivateListDamaged") + " " + folder;
    case TrackerTrouble::SharedCopyKept:
        return TextOrKey("Tray/SharedCopyKept") + " " + FolderAsTyped(troubles_.sharedFolder);
    case TrackerTrouble::SharedCopyNotWritten:
        if (troubles_.sharedFolderMissing)
            return TextOrKey("Tray/SharedFolderMissing") + " " + FolderAsTyped(troubles_.sharedFolder);
        return TextOrKey(ReasonKey(troubles_.sharedCopyFailure)) + "\n" + TextOrKey("Tray/SharedCopyNotWritten") + " " +
               FolderAsTyped(troubles_.sharedFolder);
    default:
        return kProductName;
    }
}

std::string TrayStatus::SaveFailureText(SaveFailure failure) {
    // The reason first: a long folder is what a tip cut to its length loses.
    return TextOrKey(ReasonKey(failure)) + "\n" + TextOrKey("Common/SaveFailed") + " " + FolderAsTyped(ProgramDir);
}
