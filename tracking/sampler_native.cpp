#include "tracking/platform_seams.h"

namespace {
// Natively there are no windows: every title is empty.
class NoWindowTitles final : public WindowTitleSource {
public:
    int TitleLength(WindowHandle) override { return 0; }
    int ReadTitle(WindowHandle, char* buffer, int capacity) override {
        if (capacity > 0) buffer[0] = '\0';
        return 0;
    }
};

// Nor any input to watch: the user never counts as away.
class NoLastInput final : public LastInputSource {
public:
    bool LastInputTick(std::uint32_t&) override { return false; }
};
}  // namespace

WindowTitleSource& SystemTitleSource() {
    static NoWindowTitles titles;
    return titles;
}

LastInputSource& SystemLastInput() {
    static NoLastInput input;
    return input;
}
