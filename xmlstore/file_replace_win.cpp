#include <windows.h>

#include "base/scoped_handles_win.h"
#include "xmlstore/file_replace.h"

bool ReplaceFileContents(const std::string& narrowPath, const std::function<bool(const WritePiece&)>& produce) {
    // A read-only target is the user's word that it must not change; not every file system
    // refuses to move another file over it, so ask first.
    DWORD attributes = GetFileAttributesA(narrowPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    // A name of our own beside the target, so the final move stays on one volume.
    std::string temporary;
    ScopedFile file;
    for (unsigned attempt = 0; attempt < 100 && !file; ++attempt) {
        temporary = narrowPath + ".~" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        file.reset(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (!file) return false;

    const HANDLE handle = file.get();
    const WritePiece writePiece = [handle](std::string_view bytes) {
        const char* data = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!WriteFile(handle, data, chunk, &written, nullptr) || written != chunk) return false;
            data += written;
            left -= written;
        }
        return true;
    };
    bool ok = produce(writePiece);
    // The new bytes must be on disk before they take the old file's name.
    ok = ok && FlushFileBuffers(file.get());
    // Closing can report a write that failed late; the file must be closed before it moves.
    ok = CloseHandle(file.release()) && ok;
    ok = ok && SetFileAttributesA(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Refused while another program holds the target open without sharing; the old file
    // then stays whole and the next save tries again.
    ok = ok && MoveFileExA(temporary.c_str(), narrowPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileA(temporary.c_str());
    return ok;
}
