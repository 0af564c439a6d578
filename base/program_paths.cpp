#include "base/program_paths.h"

std::string ProgramDir;
std::string UserName;
std::string ComputerName;
std::string LocalDataDir;

std::string CleanComputerName(std::string_view name) {
    std::string clean;
    for (const char c : name) {
        // Bytes of other characters (UTF-8 or a code page) are kept: none of them is one of these.
        const auto byte = static_cast<unsigned char>(c);
        const bool unsafe = byte < 0x20 || byte == 0x7F || byte == ' ' ||
                            std::string_view("\\/:*?\"<>|@").find(c) != std::string_view::npos;
        clean += unsafe ? '_' : c;
    }
    // Windows drops a name's trailing dots: "PC." would name the same file as "PC".
    while (!clean.empty() && clean.back() == '.') clean.pop_back();
    return clean.empty() ? "computer" : clean;
}
