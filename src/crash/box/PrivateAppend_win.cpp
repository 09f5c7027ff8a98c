#include "PrivateAppend.h"

#include <windows.h>

namespace crash {

int appendPrivately(const char *path, const char *bytes, std::size_t length)
{
    wchar_t widePath[4096];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, widePath, int(sizeof widePath / sizeof *widePath)) == 0)
        return int(GetLastError());
    // FILE_APPEND_DATA alone: every write lands at the end as the system sees it then, whoever else
    // appends. A reparse point (a link) is opened as itself, and then refused.
    const HANDLE file = CreateFileW(widePath, FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return int(GetLastError());
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag)
        && (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CloseHandle(file);
        return ERROR_CANT_ACCESS_FILE;
    }
    DWORD written = 0;
    const BOOL ok = length <= MAXDWORD && WriteFile(file, bytes, DWORD(length), &written, nullptr);
    const int error = !ok ? int(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT) : written == length ? 0 : -1;
    CloseHandle(file);
    return error;
}

} // namespace crash
