#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "xmlstore/file_replace.h"

bool ReplaceFileContents(const std::string& narrowPath, const std::function<bool(const WritePiece&)>& produce) {
    std::string temporary = narrowPath + ".XXXXXX";
    int descriptor = mkstemp(&temporary[0]);
    if (descriptor < 0) return false;
    const WritePiece writePiece = [descriptor](std::string_view bytes) {
        const char* data = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            ssize_t written = write(descriptor, data, left);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        return true;
    };
    bool ok = produce(writePiece);
    // The new bytes must be on disk before they take the old file's name.
    ok = ok && fsync(descriptor) == 0;
    ok = close(descriptor) == 0 && ok;
    ok = ok && fchmodat(AT_FDCWD, temporary.c_str(), 0644, 0) == 0;
    ok = ok && std::rename(temporary.c_str(), narrowPath.c_str()) == 0;
    if (!ok) unlink(temporary.c_str());
    return ok;
}
