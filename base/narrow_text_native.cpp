#include "base/narrow_text.h"

// Off Windows narrow text stands for Windows-1251, the code page the native tests use.
int PlatformNarrowCodePage() { return 1251; }
