#include <windows.h>
#include <shellapi.h>

#include "links/shell_open.h"

void OpenInShell(const ShellTarget& target) {
    // The result is not examined: a missing file or browser changes nothing here.
    ShellExecuteA(nullptr, "open", target.target.c_str(), target.parameters.c_str(), "", SW_SHOW);
}
