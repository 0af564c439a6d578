// The code pages Windows knows, through its own converters.
#include <windows.h>

#include <vector>

#include "base/code_page_platform.h"

bool PlatformSingleByteTable(int codePage, char32_t table[256]) {
    CPINFO info;
    if (codePage == CP_UTF8 || !IsValidCodePage(codePage) || !GetCPInfo(codePage, &info) || info.MaxCharSize != 1)
        return false;
    char bytes[256];
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
    wchar_t wide[256];
    if (MultiByteToWideChar(codePage, 0, bytes, 256, wide, 256) != 256) return false;
    for (int i = 0; i < 256; ++i) table[i] = wide[i];
    return true;
}

bool PlatformIsMultiByteCodePage(int codePage) {
    CPINFO info;
    return codePage != CP_UTF8 && IsValidCodePage(codePage) && GetCPInfo(codePage, &info) && info.MaxCharSize > 1;
}

namespace {

bool Convert(int fromCodePage, DWORD flags, std::string_view bytes, int toCodePage, std::string& out) {
    out.clear();
    if (bytes.empty()) return true;
    const int size = static_cast<int>(bytes.size());
    int wideSize = MultiByteToWideChar(fromCodePage, flags, bytes.data(), size, nullptr, 0);
    if (wideSize <= 0) return false;
    std::vector<wchar_t> wide(wideSize);
    MultiByteToWideChar(fromCodePage, flags, bytes.data(), size, wide.data(), wideSize);
    int narrowSize = WideCharToMultiByte(toCodePage, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    if (narrowSize <= 0) return false;
    out.resize(narrowSize);
    WideCharToMultiByte(toCodePage, 0, wide.data(), wideSize, &out[0], narrowSize, nullptr, nullptr);
    return true;
}

}  // namespace

bool PlatformDecodeMultiByte(int codePage, std::string_view bytes, std::string& utf8, bool replaceInvalid) {
    return Convert(codePage, replaceInvalid ? 0 : MB_ERR_INVALID_CHARS, bytes, CP_UTF8, utf8);
}

bool PlatformEncodeMultiByte(int codePage, std::string_view utf8, std::string& bytes) {
    return Convert(CP_UTF8, 0, utf8, codePage, bytes);
}
