// Reading the end of a file: what an earlier append left there.
#pragma once

#include <cstddef>
#include <string>

// The last `count` bytes of a file, or all of it when it is shorter; a missing file reads as
// empty. False when the file exists but cannot be read.
bool ReadFileTail(const std::string& narrowPath, std::size_t count, std::string& tail);
