#include "Platform.h"

#include <QString>
#include <QWidget>

#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>

namespace platform {

std::optional<quint32> fileVersionMajorMinor()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return std::nullopt;
        if (length < path.size())
            break;
        if (path.size() >= 32768) // longer than any path the system allows
            return std::nullopt;
        path.resize(path.size() * 2); // truncated: try a larger buffer
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.data(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> info(size);
    if (!GetFileVersionInfoW(path.data(), 0, size, info.data()))
        return std::nullopt;
    void *fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(info.data(), L"\\", &fixed, &fixedSize) || !fixed
        || fixedSize < sizeof(VS_FIXEDFILEINFO))
        return std::nullopt;
    return quint32(static_cast<const VS_FIXEDFILEINFO *>(fixed)->dwFileVersionMS);
}

namespace {

void systemShellExecute(void *window, const wchar_t *verb, const wchar_t *file, const wchar_t *parameters,
                        const wchar_t *directory, int show)
{
    ShellExecuteW(static_cast<HWND>(window), verb, file, parameters, directory, show); // result ignored
}

ShellExecuteCall g_shellExecute = systemShellExecute;

} // namespace

ShellExecuteCall setShellExecuteCall(ShellExecuteCall call)
{
    const ShellExecuteCall previous = g_shellExecute;
    g_shellExecute = call ? call : systemShellExecute;
    return previous;
}

void openAddress(QWidget *owner, const QString &address)
{
    void *window = owner ? reinterpret_cast<void *>(owner->window()->winId()) : nullptr;
    const std::wstring file = address.toStdWString(); // exactly as shown, no scheme added
    g_shellExecute(window, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

CharacterEncoder userCodePageEncoder()
{
    const UINT codePage = GetACP();
    if (codePage == CP_UTF8)
        return [](QStringView character) { return std::optional<QByteArray>(character.toUtf8()); };
    return [codePage](QStringView character) -> std::optional<QByteArray> {
        const auto *wide = reinterpret_cast<LPCWCH>(character.utf16());
        const int wideLength = int(character.size());
        char bytes[8];
        BOOL usedDefault = FALSE;
        // Without best fit, a character the code page lacks is reported instead of approximated.
        int length = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, wideLength, bytes,
                                         int(sizeof bytes), nullptr, &usedDefault);
        if (length == 0 && (GetLastError() == ERROR_INVALID_FLAGS || GetLastError() == ERROR_INVALID_PARAMETER))
            // Some code pages take neither flags nor the default-character report.
            length = WideCharToMultiByte(codePage, 0, wide, wideLength, bytes, int(sizeof bytes), nullptr, nullptr);
        if (length <= 0 || usedDefault)
            return std::nullopt;
        return QByteArray(bytes, length);
    };
}

} // namespace platform
