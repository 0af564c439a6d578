#include "links/shell_open.h"

// Off Windows there is no shell to hand anything to; tests look at the targets instead.
void OpenInShell(const ShellTarget&) {}
