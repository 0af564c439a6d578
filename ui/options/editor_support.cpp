#include "ui/options/editor_support.h"

#include <algorithm>

#include "base/narrow_text.h"

RECT WorkArea(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor && GetMonitorInfoA(monitor, &info)) return info.rcWork;
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

void CenterEditorOverOwner(HWND editor) {
    RECT window{};
    if (!GetWindowRect(editor, &window)) return;
    // A hidden or minimised owner has no place on the screen to centre over.
    HWND owner = GetWindow(editor, GW_OWNER);
    const bool overOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
    const RECT area = WorkArea(MonitorFromWindow(overOwner ? owner : editor, MONITOR_DEFAULTTOPRIMARY));
    RECT around = area;
    if (overOwner) GetWindowRect(owner, &around);

    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG left = around.left + (around.right - around.left - width) / 2;
    LONG top = around.top + (around.bottom - around.top - height) / 2;
    // Over an owner near the screen's edge the editor still shows whole.
    left = std::max(area.left, std::min(left, area.right - width));
    top = std::max(area.top, std::min(top, area.bottom - height));
    SetWindowPos(editor, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string EditorText(HWND dialog, int editId) {
    // Room for a name and its terminator: the rest of a longer text is left out.
    char text[kNameBufferSize] = "";
    GetDlgItemTextA(dialog, editId, text, static_cast<int>(sizeof text));
    // The platform cuts to the buffer, in UTF-8 possibly inside a character.
    return std::string(CutText(text, kNameLimit));
}

bool HoldsNoText(const std::string& text) {
    return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

std::string ListBoxItemText(HWND list, int index) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (length <= 0) return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}
