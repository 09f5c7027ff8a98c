// A stand-in Simple MAPI provider: instead of opening a mail program it writes down what it was
// given, one item a line, to the file named by VARTOLIN_MAPI_LOG, and reports success.

#include "crash/box/MapiWide.h"

#include <string>

namespace {

std::string utf8(const wchar_t *text)
{
    if (!text)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

} // namespace

extern "C" __declspec(dllexport) ULONG WINAPI MAPISendMailW(LHANDLE, ULONG_PTR, MapiMessageWide *message, FLAGS flags, ULONG)
{
    wchar_t path[1024];
    if (!GetEnvironmentVariableW(L"VARTOLIN_MAPI_LOG", path, 1024))
        return MAPI_E_FAILURE;
    std::string log = "flags " + std::to_string(flags) + "\n";
    for (ULONG i = 0; i < message->nRecipCount; ++i)
        log += utf8(message->lpRecips[i].lpszAddress) + "\n";
    log += utf8(message->lpszSubject) + "\n" + utf8(message->lpszNoteText) + "\n";
    for (ULONG i = 0; i < message->nFileCount; ++i)
        log += utf8(message->lpFiles[i].lpszPathName) + "\n";
    const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return MAPI_E_FAILURE;
    DWORD written = 0;
    WriteFile(file, log.data(), DWORD(log.size()), &written, nullptr);
    CloseHandle(file);
    return SUCCESS_SUCCESS;
}
