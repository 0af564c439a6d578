#include <windows.h>

#include "base/scoped_handles_win.h"
#include "tracking/timeline.h"

namespace {

SaveFailure FailureOf(DWORD error) {
    if (error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT) return SaveFailure::NoWriteAccess;
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return SaveFailure::DiskFull;
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return SaveFailure::FileInUse;
    return SaveFailure::Other;
}

bool MoveTo(HANDLE file, LONGLONG offset) {
    LARGE_INTEGER position;
    position.QuadPart = offset;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != FALSE;
}

}  // namespace

SaveResult AppendTimelineFile(const std::string& narrowPath, std::string_view lines) {
    // Readers (the report) may have it open; nobody else writes it.
    ScopedFile file(CreateFileA(narrowPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {FailureOf(GetLastError())};
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return {FailureOf(GetLastError())};
    char last = '\n';
    DWORD read = 0;
    if (size.QuadPart > 0 &&
        (!MoveTo(file.get(), size.QuadPart - 1) || !ReadFile(file.get(), &last, 1, &read, nullptr) || read != 1))
        return {FailureOf(GetLastError())};
    const std::string bytes = TimelineAppendBytes(size.QuadPart == 0, last == '\n', lines);
    DWORD error = ERROR_SUCCESS;
    DWORD written = 0;
    if (!MoveTo(file.get(), size.QuadPart) ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        error = GetLastError();
    else if (written != bytes.size())
        error = ERROR_DISK_FULL;
    else if (!FlushFileBuffers(file.get()))
        error = GetLastError();
    if (error) {
        // What went out of a failed batch is taken back: the next save writes it whole.
        if (MoveTo(file.get(), size.QuadPart)) SetEndOfFile(file.get());
        return {FailureOf(error)};
    }
    return {};
}
