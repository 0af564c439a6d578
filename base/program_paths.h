// Where the per-user data files live; the application shell fills both at start.
#pragma once

#include <string>

// The executable's folder including its final backslash: the prefix of every data file.
extern std::string ProgramDir;
// The logged-on user's name; empty when it could not be read.
extern std::string UserName;

// This computer's name; empty when it could not be read. Files that only this computer may
// write carry it, so that a program folder shared between computers keeps them apart.
extern std::string ComputerName;
// The user's own data folder on this computer ("%LOCALAPPDATA%\Ostrak\"), with its final
// separator: where time goes when the program folder cannot be written. Empty when unknown.
extern std::string LocalDataDir;

// The computer's name and the local data folder as the platform tells them.
std::string ReadComputerName();
std::string ReadLocalDataDir();

// The full path of the running executable, however long; empty when it cannot be read.
std::string ExecutablePath();
