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
}  // namespace

WindowTitleSource& SystemTitleSource() {
    static NoWindowTitles titles;
    return titles;
}
