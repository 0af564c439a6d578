#include "winui/wide_text.h"

#include <windows.h>

std::wstring WideText(std::string_view narrow) {
    if (narrow.empty()) return std::wstring();
    const int size = static_cast<int>(narrow.size());
    const int wideSize = MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, nullptr, 0);
    if (wideSize <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(wideSize), L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrow.data(), size, &wide[0], wideSize);
    return wide;
}
