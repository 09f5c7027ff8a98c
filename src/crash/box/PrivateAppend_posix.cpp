#include "PrivateAppend.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace crash {

int appendPrivately(const char *path, const char *bytes, std::size_t length)
{
    const int file = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0)
        return errno;
    // A file an earlier version made readable by others is made private now.
    struct stat status {};
    if (fstat(file, &status) == 0 && status.st_uid == geteuid() && (status.st_mode & 077) != 0)
        fchmod(file, status.st_mode & 0700);
    ssize_t written;
    do {
        written = write(file, bytes, length);
    } while (written < 0 && errno == EINTR);
    const int error = written < 0 ? errno : std::size_t(written) == length ? 0 : -1;
    close(file);
    return error;
}

} // namespace crash
