// The notification-area icon of the main window and its menu.
#pragma once

#include <windows.h>

// The icon's mouse events reach the main window as this message.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
constexpr UINT TrayIconId = 1000;

// Adds the icon; false when the shell did not take it (at logon it may not be ready yet).
bool AddTrayIcon(HWND owner);
void RemoveTrayIcon(HWND owner);
// Shows the tray menu at the mouse and returns when it has closed; a chosen item reaches the
// owner as WM_COMMAND.
void ShowTrayMenu(HWND owner);
// The message the shell broadcasts when its notification area has been created anew.
UINT TaskbarCreatedMessage();
