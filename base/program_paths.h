// Where the per-user data files live; the application shell fills both at start.
#pragma once

#include <string>
#include <string_view>

// The executable's folder including its final backslash: the prefix of every data file.
extern std::string ProgramDir;
// The logged-on user's name; empty when it could not be read.
extern std::string UserName;

// This computer's name, cleaned for a file name. Files that only this computer may write carry
// it, so that a program folder or a shared folder used by several computers keeps them apart.
extern std::string ComputerName;
// The user's own data folder on this computer ("%LOCALAPPDATA%\Ostrak\"), with its final
// separator: where time goes when the program folder cannot be written. Empty when unknown.
extern std::string LocalDataDir;

// The computer's name as a file name may carry it: every control character, blank and
// \ / : * ? " < > | @ becomes "_", trailing dots go, and an empty name becomes "computer".
std::string CleanComputerName(std::string_view name);

// The computer's name (cleaned) and the local data folder as the platform tells them.
std::string ReadComputerName();
std::string ReadLocalDataDir();

// The full path of the running executable, however long; empty when it cannot be read.
std::string ExecutablePath();
