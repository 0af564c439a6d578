// The names of the temporary files a save writes before it puts one in the target's place.
#pragma once

#include <string>
#include <string_view>

// The temporary file name of a save by that process: "<target>.~<process id>-<attempt>".
std::string TemporaryFileName(const std::string& narrowPath, unsigned long processId, unsigned attempt);
// The process id in a name that TemporaryFileName made for `targetFileName`; false for any
// other name.
bool TemporaryFileProcess(std::string_view fileName, std::string_view targetFileName, unsigned long& processId);
