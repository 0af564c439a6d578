#include "tracking/sampler_win.h"

#include "tracking/platform_seams.h"
#include "tracking/sampler.h"

namespace {
class SystemWindowTitles final : public WindowTitleSource {
public:
    int TitleLength(WindowHandle window) override {
        return GetWindowTextLengthA(reinterpret_cast<HWND>(window));
    }
    int ReadTitle(WindowHandle window, char* buffer, int capacity) override {
        if (capacity <= 0) return 0;
        buffer[0] = '\0';
        return GetWindowTextA(reinterpret_cast<HWND>(window), buffer, capacity);
    }
};

class SessionLastInput final : public LastInputSource {
public:
    bool LastInputTick(std::uint32_t& tick) override {
        LASTINPUTINFO info{};
        info.cbSize = sizeof info;
        if (!GetLastInputInfo(&info)) return false;
        tick = info.dwTime;
        return true;
    }
};
}  // namespace

WindowTitleSource& SystemTitleSource() {
    static SystemWindowTitles titles;
    return titles;
}

LastInputSource& SystemLastInput() {
    static SessionLastInput input;
    return input;
}

HWND TopLevelWindowInFront() {
    // For an owned pop-up the parent query reports its owner: the climb ends at the window
    // the user thinks of as the application.
    HWND window = GetForegroundWindow();
    while (window) {
        HWND parent = GetParent(window);
        if (!parent) break;
        window = parent;
    }
    return window;
}

void CALLBACK OnTrackTimer(HWND, UINT, UINT_PTR, DWORD tick) {
    SampleWindow(reinterpret_cast<WindowHandle>(TopLevelWindowInFront()), tick);
    NoteFrontIfDue(tick);
}
