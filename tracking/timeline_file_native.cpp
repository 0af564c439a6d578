#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "tracking/timeline.h"

namespace {

SaveFailure FailureFromErrno(int error) {
    if (error == EACCES || error == EPERM || error == EROFS) return SaveFailure::NoWriteAccess;
    if (error == ENOSPC || error == EDQUOT || error == EFBIG) return SaveFailure::DiskFull;
    return SaveFailure::Other;
}

bool WriteAll(int descriptor, const char* data, std::size_t left) {
    while (left > 0) {
        ssize_t written = write(descriptor, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

SaveResult AppendTimelineFile(const std::string& narrowPath, std::string_view lines) {
    const int descriptor = open(narrowPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) return {FailureFromErrno(errno)};
    int error = 0;
    const off_t size = lseek(descriptor, 0, SEEK_END);
    char last = '\n';
    if (size < 0 || (size > 0 && pread(descriptor, &last, 1, size - 1) != 1)) error = errno ? errno : EIO;
    if (!error) {
        const std::string bytes = TimelineAppendBytes(size == 0, last == '\n', lines);
        if (!WriteAll(descriptor, bytes.data(), bytes.size()) || fsync(descriptor) != 0) {
            error = errno;
            // What went out of a failed batch is taken back: the next save writes it whole.
            if (ftruncate(descriptor, size) != 0) error = errno;
        }
    }
    if (close(descriptor) != 0 && !error) error = errno;
    return error ? SaveResult{FailureFromErrno(error)} : SaveResult{};
}
