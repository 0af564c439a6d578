#include <windows.h>

#include "base/narrow_text.h"

int PlatformNarrowCodePage() {
    // The code page cannot change while the process runs.
    static const int codePage = static_cast<int>(GetACP());
    return codePage;
}
