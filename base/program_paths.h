// Where the per-user data files live; the application shell fills both at start.
#pragma once

#include <string>

// The executable's folder including its final backslash: the prefix of every data file.
extern std::string ProgramDir;
// The logged-on user's name; empty when it could not be read.
extern std::string UserName;

// The full path of the running executable, however long; empty when it cannot be read.
std::string ExecutablePath();
