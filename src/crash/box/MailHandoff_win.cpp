// The user's mail program on Windows, through Simple MAPI: MAPISendMailW where the system has it
// (Windows 8 and later), else MAPISendMail with texts in the ANSI code page.

#include "BugReportMail.h"
#include "MapiWide.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <cstring>
#include <string>
#include <vector>

namespace crash {

namespace {

QString g_mapiLibrary = QStringLiteral("MAPI32.DLL");

using SendMailWide = ULONG(WINAPI *)(LHANDLE, ULONG_PTR, MapiMessageWide *, FLAGS, ULONG);

std::wstring wide(const QString &text)
{
    return text.toStdWString();
}

std::string ansi(const QString &text)
{
    const std::wstring w = wide(text);
    const int size = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(std::size_t(std::max(size, 1)), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

QString crlf(QString text)
{
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

ULONG sendWide(SendMailWide send, const MailMessage &message, ULONG_PTR window)
{
    std::wstring to = wide(QStringLiteral("SMTP:") + message.to), subject = wide(message.subject),
                 body = wide(crlf(message.body));
    MapiRecipDescWide recipient{0, MAPI_TO, to.data() + 5, to.data(), 0, nullptr};
    std::vector<std::wstring> paths, names;
    for (const QString &file : message.attachments) {
        paths.push_back(wide(QDir::toNativeSeparators(file)));
        names.push_back(wide(QFileInfo(file).fileName()));
    }
    std::vector<MapiFileDescWide> files;
    for (std::size_t i = 0; i < paths.size(); ++i)
        files.push_back({0, 0, ULONG(-1), paths[i].data(), names[i].data(), nullptr});
    MapiMessageWide mail{0, subject.data(), body.data(), nullptr, nullptr, nullptr, 0, nullptr,
                         1, &recipient, ULONG(files.size()), files.empty() ? nullptr : files.data()};
    return send(0, window, &mail, MAPI_LOGON_UI | MAPI_DIALOG, 0);
}

ULONG sendAnsi(LPMAPISENDMAIL send, const MailMessage &message, ULONG_PTR window)
{
    std::string to = ansi(QStringLiteral("SMTP:") + message.to), subject = ansi(message.subject),
                body = ansi(crlf(message.body));
    MapiRecipDesc recipient{0, MAPI_TO, to.data() + 5, to.data(), 0, nullptr};
    std::vector<std::string> paths, names;
    for (const QString &file : message.attachments) {
        paths.push_back(ansi(QDir::toNativeSeparators(file)));
        names.push_back(ansi(QFileInfo(file).fileName()));
    }
    std::vector<MapiFileDesc> files;
    for (std::size_t i = 0; i < paths.size(); ++i)
        files.push_back({0, 0, ULONG(-1), paths[i].data(), names[i].data(), nullptr});
    MapiMessage mail{0, subject.data(), body.data(), nullptr, nullptr, nullptr, 0, nullptr,
                     1, &recipient, ULONG(files.size()), files.empty() ? nullptr : files.data()};
    return send(0, window, &mail, MAPI_LOGON_UI | MAPI_DIALOG, 0);
}

} // namespace

void setMapiLibrary(const QString &path)
{
    g_mapiLibrary = path.isEmpty() ? QStringLiteral("MAPI32.DLL") : path;
}

Handoff handToMailProgram(const MailMessage &message, QWidget *parent, QString *detail)
{
    // The system's MAPI32.DLL from the system folder alone, never one a ZIP unpacked beside the game;
    // a provider named by its full path (the tests' stand-in) from there, its own libraries with it.
    const std::wstring library = wide(QDir::toNativeSeparators(g_mapiLibrary));
    const DWORD search = QFileInfo(g_mapiLibrary).isAbsolute() ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                                                                 : LOAD_LIBRARY_SEARCH_SYSTEM32;
    HMODULE mapi = LoadLibraryExW(library.c_str(), nullptr, search);
    if (!mapi) {
        *detail = QStringLiteral("no Simple MAPI mail program is registered");
        return Handoff::NoMailProgram;
    }
    const ULONG_PTR window = parent ? ULONG_PTR(parent->window()->winId()) : 0;
    ULONG result = MAPI_E_NOT_SUPPORTED;
    if (auto sendW = reinterpret_cast<SendMailWide>(reinterpret_cast<void *>(GetProcAddress(mapi, "MAPISendMailW"))))
        result = sendWide(sendW, message, window);
    else if (auto sendA = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void *>(GetProcAddress(mapi, "MAPISendMail"))))
        result = sendAnsi(sendA, message, window);
    FreeLibrary(mapi);
    if (result == SUCCESS_SUCCESS)
        return Handoff::Handed;
    if (result == MAPI_USER_ABORT)
        return Handoff::Cancelled;
    *detail = QStringLiteral("the mail program answered with Simple MAPI error %1").arg(result);
    return Handoff::NoMailProgram;
}

} // namespace crash
