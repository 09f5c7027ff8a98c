#pragma once
// Adds bytes at the end of a file that belongs to the user alone, in one system call that appends
// (O_APPEND; FILE_APPEND_DATA on Windows), so that two programs failing at once both keep their
// reports whole. The file is created private (0600 on POSIX; on Windows it takes the protection of
// its folder, the user's profile), is never opened through a link, and what it held is never
// rewritten or cut. Safe in a signal handler or an exception filter: no heap, no locks.
// Defined in PrivateAppend_posix.cpp or PrivateAppend_win.cpp.

#include <cstddef>

namespace crash {

// `path`: the file system's encoding on POSIX, UTF-8 on Windows. Returns 0, or the system's error
// code (errno; GetLastError()). A write that the system cuts short gives -1.
int appendPrivately(const char *path, const char *bytes, std::size_t length);

} // namespace crash
