// Small questions the Windows tests ask of windows (text, class, placement), and a window to
// attach to.
#pragma once

#include <windows.h>

#include <string>

namespace window_queries {

inline std::string Text(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The dialog manager converts position and size separately, so each rounds on its own.
inline RECT DialogUnits(HWND dialog, int x, int y, int width, int height) {
    RECT units = {x, y, width, height};
    MapDialogRect(dialog, &units);
    return RECT{units.left, units.top, units.left + units.right, units.top + units.bottom};
}

inline RECT RectInParent(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A hidden message-only window of a system class, for a test's window class to attach to:
// the window layer only attaches to windows, it creates none of its own.
inline HWND MessageOnlyWindow(const char* text) {
    return CreateWindowExA(0, "STATIC", text, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

}  // namespace window_queries
