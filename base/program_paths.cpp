#include "base/program_paths.h"

std::string ProgramDir;
std::string UserName;
std::string ComputerName;
std::string LocalDataDir;
