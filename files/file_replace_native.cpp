#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>

#include "files/file_replace.h"
#include "files/temporary_file_name.h"

namespace {

SaveFailure FailureFromErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return SaveFailure::NoWriteAccess;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return SaveFailure::DiskFull;
    case EBUSY:
    case ETXTBSY:
        return SaveFailure::FileInUse;
    default:
        return SaveFailure::Other;
    }
}

// Writes all of `bytes`; false with `error` set when a write failed.
bool WriteAll(int descriptor, std::string_view bytes, int& error) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t written = write(descriptor, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            error = written < 0 ? errno : ENOSPC;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

SaveResult ReplaceFileContents(const std::string& narrowPath, const std::function<bool(const WritePiece&)>& produce) {
    std::string temporary;
    int descriptor = -1;
    for (unsigned attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporary = TemporaryFileName(narrowPath, static_cast<unsigned long>(getpid()), attempt);
        descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (descriptor < 0 && errno != EEXIST) return {FailureFromErrno(errno)};
    }
    if (descriptor < 0) return {SaveFailure::Other};
    int error = 0;
    const WritePiece writePiece = [descriptor, &error](std::string_view bytes) {
        return WriteAll(descriptor, bytes, error);
    };
    // A producer that gives up without a failed write has no reason to name.
    if (!produce(writePiece) && !error) error = -1;
    // The new bytes must be on disk before they take the old file's name.
    if (!error && fsync(descriptor) != 0) error = errno;
    if (close(descriptor) != 0 && !error) error = errno;
    if (!error && std::rename(temporary.c_str(), narrowPath.c_str()) != 0) error = errno;
    if (!error) return {};
    unlink(temporary.c_str());
    return {FailureFromErrno(error)};
}

SaveResult AppendFileContents(const std::string& narrowPath, const AppendBytes& bytesFor) {
    const int descriptor = open(narrowPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) return {FailureFromErrno(errno)};
    int error = 0;
    const off_t size = lseek(descriptor, 0, SEEK_END);
    char last = '\n';
    if (size < 0 || (size > 0 && pread(descriptor, &last, 1, size - 1) != 1)) error = errno ? errno : EIO;
    if (!error) {
        const std::string bytes = bytesFor(size == 0, last == '\n');
        if (!WriteAll(descriptor, bytes, error) || fsync(descriptor) != 0) {
            if (!error) error = errno;
            // What went out of a failed write is taken back: the next one writes it whole.
            if (ftruncate(descriptor, size) != 0) error = errno;
        }
    }
    if (close(descriptor) != 0 && !error) error = errno;
    return error ? SaveResult{FailureFromErrno(error)} : SaveResult{};
}

void RemoveStaleTemporaryFiles(const std::string& narrowPath) {
    const std::size_t slash = narrowPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : narrowPath.substr(0, slash + 1);
    const std::string target = slash == std::string::npos ? narrowPath : narrowPath.substr(slash + 1);
    DIR* directory = opendir(folder.c_str());
    if (!directory) return;
    while (dirent* entry = readdir(directory)) {
        unsigned long processId = 0;
        if (!TemporaryFileProcess(entry->d_name, target, processId)) continue;
        // A process that still runs may be writing it right now.
        if (kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM) continue;
        unlink((slash == std::string::npos ? std::string(entry->d_name) : folder + entry->d_name).c_str());
    }
    closedir(directory);
}
