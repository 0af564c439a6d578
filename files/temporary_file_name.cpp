#include "files/temporary_file_name.h"

std::string TemporaryFileName(const std::string& narrowPath, unsigned long processId, unsigned attempt) {
    return narrowPath + ".~" + std::to_string(processId) + "-" + std::to_string(attempt);
}

bool TemporaryFileProcess(std::string_view fileName, std::string_view targetFileName, unsigned long& processId) {
    if (fileName.size() <= targetFileName.size() + 2 || fileName.substr(0, targetFileName.size()) != targetFileName)
        return false;
    std::string_view rest = fileName.substr(targetFileName.size());
    if (rest.substr(0, 2) != ".~") return false;
    rest.remove_prefix(2);
    const std::size_t hyphen = rest.find('-');
    if (hyphen == 0 || hyphen == std::string_view::npos || hyphen + 1 == rest.size()) return false;
    unsigned long id = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (i == hyphen) continue;
        if (c < '0' || c > '9') return false;
        if (i < hyphen) {
            if (id > 0xFFFFFFFFul / 10) return false;
            id = id * 10 + static_cast<unsigned long>(c - '0');
        }
    }
    processId = id;
    return true;
}
