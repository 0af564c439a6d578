#include "app/tray.h"

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "base/narrow_text.h"
#include "base/program_paths.h"
#include "base/scoped_handles_win.h"
#include "localization/language.h"
#include "localization/translate_win.h"
#include "resources/resource.h"
#include "tracking/calendar.h"
#include "winui/app_module.h"

namespace {

// The version-2 layout: the one with the 128-character tip, known to every shell since 2000.
NOTIFYICONDATAA IconRecord(HWND owner) {
    NOTIFYICONDATAA record;
    std::memset(&record, 0, sizeof record);
    record.cbSize = NOTIFYICONDATAA_V2_SIZE;
    record.hWnd = owner;
    record.uID = TrayIconId;
    return record;
}

// Copies text into one of the record's fixed fields, cut to whole characters.
template <std::size_t Size>
void CopyField(char (&field)[Size], const std::string& text) {
    const std::string_view cut = CutText(text, Size - 1);
    std::memcpy(field, cut.data(), cut.size());
    field[cut.size()] = '\0';
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

}  // namespace

bool AddTrayIcon(HWND owner, const std::string& tip) {
    NOTIFYICONDATAA record = IconRecord(owner);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAYNOTIFY;
    // The shell keeps its own copy of the icon, so ours goes when the call returns.
    ScopedIcon icon(static_cast<HICON>(LoadImageA(AppModule.Instance(), MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                  LR_DEFAULTCOLOR)));
    record.hIcon = icon.get();
    CopyField(record.szTip, tip);
    return Shell_NotifyIconA(NIM_ADD, &record) != FALSE;
}

void SetTrayTip(HWND owner, const std::string& tip) {
    NOTIFYICONDATAA record = IconRecord(owner);
    record.uFlags = NIF_TIP;
    CopyField(record.szTip, tip);
    Shell_NotifyIconA(NIM_MODIFY, &record);
}

bool ShowTrayBalloon(HWND owner, const std::string& text, BalloonIcon icon) {
    NOTIFYICONDATAA record = IconRecord(owner);
    record.uFlags = NIF_INFO;
    record.dwInfoFlags = icon == BalloonIcon::Warning ? NIIF_WARNING : NIIF_INFO;
    record.uTimeout = 30000;  // honoured by old shells only; newer ones decide themselves
    CopyField(record.szInfoTitle, kProductName);
    CopyField(record.szInfo, text);
    return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
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

void RemoveTrayIcon(HWND owner) {
    NOTIFYICONDATAA record = IconRecord(owner);
    Shell_NotifyIconA(NIM_DELETE, &record);
}

void ShowTrayMenu(HWND owner) {
    ScopedMenu menu(LoadMenuA(AppModule.Instance(), MAKEINTRESOURCEA(IDR_TRAYMENU)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    SetMenuDefaultItem(popup, 0, TRUE);
    TranslateMenu(popup);
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

bool SaveStatus::Record(SavedFile file, SaveResult result) {
    SaveFailure& failure = failures_[static_cast<int>(file)];
    const bool begins = failure == SaveFailure::None && !result;
    failure = result.failure;
    return begins;
}

std::string SaveStatus::Tip() const {
    for (SaveFailure failure : failures_)
        if (failure != SaveFailure::None) return FailureText(failure);
    return kProductName;
}

std::string SaveStatus::FailureText(SaveFailure failure) {
    const char* reason = "Common/WriteFailed";
    switch (failure) {
    case SaveFailure::NoWriteAccess:
        reason = "Common/NoWriteAccess";
        break;
    case SaveFailure::DiskFull:
        reason = "Common/DiskFull";
        break;
    case SaveFailure::FileInUse:
        reason = "Common/FileInUse";
        break;
    default:
        break;
    }
    // The folder as a user would type it, without the final backslash.
    std::string folder = ProgramDir;
    if (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
    return TextOrKey("Common/SaveFailed") + " " + folder + "\n" + TextOrKey(reason);
}
