#include <windows.h>

#include "base/narrow_text.h"

bool NarrowTextIsUtf8() {
    // The code page cannot change while the process runs.
    static const bool utf8 = GetACP() == CP_UTF8;
    return utf8;
}
