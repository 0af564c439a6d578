// Small pieces shared by the option pages and their editors.
#pragma once

#include <windows.h>

#include <string>

// The work area of a monitor, or of the primary one when it has none.
RECT WorkArea(HMONITOR monitor);

// Centres a modal editor over its owner, or over the work area when the owner is hidden or
// minimised, and keeps it whole on the screen.
void CenterEditorOverOwner(HWND editor);

// The text of an edit box as the editors take it: at most kNameLimit bytes.
std::string EditorText(HWND dialog, int editId);

// True for a text an editor treats as no text (its OK then counts as Cancel): empty, or only
// blanks, tabs and line ends, which the lists' files do not keep.
bool HoldsNoText(const std::string& text);

// A list box item's text at its full length.
std::string ListBoxItemText(HWND list, int index);
