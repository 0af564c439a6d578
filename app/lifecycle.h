// The program's spine: start-up, the one message loop, shutdown and the relaunch.
#pragma once

#include <windows.h>

#include <string>

// The whole run, from the entry point's arguments to the process exit code.
int RunProgram(HINSTANCE instance, const char* commandLine, int showCommand);

// Creates the loop and the main dialog, runs the loop; its exit code, or 0 when the main
// dialog cannot be created.
int RunMainDialog(const char* commandLine, int showCommand);

// True when the command line asks for a hidden start: "tray" anywhere, in any letter case.
bool IsTrayStart(const char* commandLine);

// The folder part of an executable path, up to and including its last backslash.
std::string FolderOf(const std::string& path);
// The folder in its full long form, so that a start through an 8.3 short name finds the same
// files and the same single-instance guard; the folder as given when the system cannot say.
std::string LongFolderPath(const std::string& folder);
