// Puts the language's texts into windows and menus whose texts are keys.
#pragma once

#include <windows.h>

// Every descendant of the window, children of children included; not the window's own
// caption. A text with no translation stays as it is, so a missing key shows the key.
void TranslateDialog(HWND window);
// The items of this one menu level; an item whose key has no translation becomes blank.
void TranslateMenu(HMENU menu);
