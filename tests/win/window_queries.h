// Small questions the Windows tests ask of windows: text, class and placement.
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

}  // namespace window_queries
