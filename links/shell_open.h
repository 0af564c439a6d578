// Hands a target to the shell's "open" verb; fire-and-forget.
#pragma once

#include "links/links.h"

void OpenInShell(const ShellTarget& target);
