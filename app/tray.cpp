#include "app/tray.h"

#include <shellapi.h>

#include <cstring>

#include "base/scoped_handles_win.h"
#include "localization/translate_win.h"
#include "resources/resource.h"
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

}  // namespace

bool AddTrayIcon(HWND owner) {
    NOTIFYICONDATAA record = IconRecord(owner);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAYNOTIFY;
    // The shell keeps its own copy of the icon, so ours goes when the call returns.
    ScopedIcon icon(static_cast<HICON>(LoadImageA(AppModule.Instance(), MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                  LR_DEFAULTCOLOR)));
    record.hIcon = icon.get();
    std::strcpy(record.szTip, "Ostrak");
    return Shell_NotifyIconA(NIM_ADD, &record) != FALSE;
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
