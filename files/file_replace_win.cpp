#include <windows.h>

#include <functional>

#include "base/scoped_handles_win.h"
#include "files/file_replace.h"
#include "files/temporary_file_name.h"

namespace {

SaveFailure FailureFromError(DWORD error) {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_READ_ONLY:
        return SaveFailure::NoWriteAccess;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return SaveFailure::DiskFull;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return SaveFailure::FileInUse;
    default:
        return SaveFailure::Other;
    }
}

// Writes all of `bytes`; false with `error` set when a write failed.
bool WriteAll(HANDLE file, std::string_view bytes, DWORD& error) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        DWORD chunk = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr)) {
            error = GetLastError();
            return false;
        }
        if (written != chunk) {
            error = ERROR_DISK_FULL;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

bool MoveTo(HANDLE file, LONGLONG offset) {
    LARGE_INTEGER position;
    position.QuadPart = offset;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != FALSE;
}

// The folder part of a path, with its final separator; empty for a bare file name.
std::string FolderOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

}  // namespace

SaveResult ReplaceFileContents(const std::string& narrowPath, const std::function<bool(const WritePiece&)>& produce) {
    // A read-only target is the user's word that it must not change; not every file system
    // refuses to move another file over it, so ask first.
    DWORD attributes = GetFileAttributesA(narrowPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {SaveFailure::Other};
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return {SaveFailure::NoWriteAccess};
    // A name of our own beside the target, so the final move stays on one volume.
    std::string temporary;
    ScopedFile file;
    for (unsigned attempt = 0; attempt < 100 && !file; ++attempt) {
        temporary = TemporaryFileName(narrowPath, GetCurrentProcessId(), attempt);
        // A plain file from the start: it becomes the target as it stands, and the flush below
        // writes it out whatever the cache would have done, so no attribute needs undoing.
        file.reset(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS) return {FailureFromError(GetLastError())};
    }
    if (!file) return {SaveFailure::Other};

    DWORD error = ERROR_SUCCESS;
    const HANDLE handle = file.get();
    const WritePiece writePiece = [handle, &error](std::string_view bytes) { return WriteAll(handle, bytes, error); };
    // A producer that gives up without a failed write has no reason to name.
    if (!produce(writePiece) && !error) error = ERROR_GEN_FAILURE;
    // The new bytes must be on disk before they take the old file's name.
    if (!error && !FlushFileBuffers(file.get())) error = GetLastError();
    // Closing can report a write that failed late; the file must be closed before it moves.
    if (!CloseHandle(file.release()) && !error) error = GetLastError();
    SaveResult result;
    if (error) {
        result.failure = FailureFromError(error);
    } else if (!MoveFileExA(temporary.c_str(), narrowPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        // The folder took the new file and the target is not read-only: a refusal now means
        // another program holds the target (Windows says "access denied" for that, too). The
        // old file stays whole and the next save tries again.
        error = GetLastError();
        result.failure = error == ERROR_ACCESS_DENIED ? SaveFailure::FileInUse : FailureFromError(error);
    }
    if (!result) DeleteFileA(temporary.c_str());
    return result;
}

SaveResult AppendFileContents(const std::string& narrowPath, const AppendBytes& bytesFor) {
    // Readers may have it open; nobody else writes it.
    ScopedFile file(CreateFileA(narrowPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {FailureFromError(GetLastError())};
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return {FailureFromError(GetLastError())};
    char last = '\n';
    DWORD read = 0;
    if (size.QuadPart > 0 &&
        (!MoveTo(file.get(), size.QuadPart - 1) || !ReadFile(file.get(), &last, 1, &read, nullptr) || read != 1))
        return {FailureFromError(GetLastError())};
    const std::string bytes = bytesFor(size.QuadPart == 0, last == '\n');
    DWORD error = ERROR_SUCCESS;
    if (!MoveTo(file.get(), size.QuadPart)) error = GetLastError();
    else if (WriteAll(file.get(), bytes, error) && !FlushFileBuffers(file.get())) error = GetLastError();
    if (error) {
        // What went out of a failed write is taken back: the next one writes it whole.
        if (MoveTo(file.get(), size.QuadPart)) SetEndOfFile(file.get());
        return {FailureFromError(error)};
    }
    return {};
}

void RemoveStaleTemporaryFiles(const std::string& narrowPath) {
    const std::string folder = FolderOf(narrowPath);
    const std::string target = narrowPath.substr(folder.size());
    WIN32_FIND_DATAA found;
    ScopedFindHandle search(FindFirstFileA((narrowPath + ".~*").c_str(), &found));
    if (!search) return;
    do {
        unsigned long processId = 0;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
            !TemporaryFileProcess(found.cFileName, target, processId))
            continue;
        // A process that still runs may be writing it right now (or a new process got the
        // old id: the file then waits for a later start).
        ScopedKernelObject process(OpenProcess(SYNCHRONIZE, FALSE, processId));
        if (process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) continue;
        if (!process && GetLastError() != ERROR_INVALID_PARAMETER) continue;
        DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search.get(), &found));
}
