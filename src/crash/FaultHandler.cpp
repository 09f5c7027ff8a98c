#include "FaultHandler.h"

#include "FaultHandlerPlatform.h"
#include "ReportFile.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace crash {

namespace {

FaultRecord g_record;
QString g_reporter;
QStringList g_extraArguments;
bool g_installed = false;
QPointer<QWidget> g_mainWindow;

// Copies `bytes` into a fixed field, always ended by a '\0'; too long a text is cut.
template <std::size_t N> void copyField(char (&field)[N], const QByteArray &bytes)
{
    const std::size_t length = std::min<std::size_t>(std::size_t(bytes.size()), N - 1);
    std::memcpy(field, bytes.constData(), length);
    field[length] = '\0';
}

void prepareLaunch()
{
    platformPrepareLaunch(g_reporter, reporterArguments());
}

// Keeps the record's window frame up to date; only moves and resizes, a few stores each.
class WindowWatcher : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show)
            note(static_cast<QWidget *>(watched));
        return false;
    }
    static void note(QWidget *window)
    {
        const QRect frame = window->frameGeometry();
        g_record.windowGeometry[0] = frame.x();
        g_record.windowGeometry[1] = frame.y();
        g_record.windowGeometry[2] = frame.width();
        g_record.windowGeometry[3] = frame.height();
        if (window->testAttribute(Qt::WA_WState_Created))
            g_record.windowId = std::uint64_t(window->winId());
    }
};

} // namespace

FaultRecord &faultRecord()
{
    return g_record;
}

QString reporterProgram()
{
    return g_reporter;
}

QStringList reporterArguments()
{
    QStringList arguments{QStringLiteral("--pid"), QString::number(QCoreApplication::applicationPid()),
                          QStringLiteral("--record"),
                          QStringLiteral("0x") + QString::number(quintptr(&g_record), 16)};
    return arguments + g_extraArguments;
}

void setReporter(const QString &program, const QStringList &extraArguments)
{
    g_reporter = program;
    g_extraArguments = extraArguments;
    if (g_installed)
        prepareLaunch();
}

void setReportPath(const QString &path)
{
    copyField(g_record.reportPath, pathForRecord(path));
}

void setRestartCommand(const QStringList &command)
{
    QByteArray list;
    for (const QString &part : command)
        list += part.toUtf8() + '\0';
    if (list.size() >= qsizetype(sizeof g_record.restartCommand)) // would be cut: no restart at all
        list.clear();
    std::memset(g_record.restartCommand, 0, sizeof g_record.restartCommand);
    std::memcpy(g_record.restartCommand, list.constData(), std::size_t(list.size()));
}

void watchMainWindow(QWidget *window)
{
    static QPointer<WindowWatcher> watcher;
    if (!watcher)
        watcher = new WindowWatcher(qApp);
    window->installEventFilter(watcher);
    g_mainWindow = window;
    WindowWatcher::note(window);
}

QWidget *mainWindow()
{
    return g_mainWindow;
}

QStringList restartCommand()
{
    return restartCommandOf(g_record);
}

void noteUncaughtErrorAndAbort()
{
    if (const std::exception_ptr error = std::current_exception()) {
        const char *text = "Unknown error";
        try {
            std::rethrow_exception(error);
        } catch (const std::exception &escaped) {
            text = escaped.what();
        } catch (...) {
        }
        std::snprintf(g_record.errorText, sizeof g_record.errorText, "after an uncaught C++ error: %s", text);
    }
    std::abort();
}

bool faultHandlerInstalled()
{
    return g_installed;
}

bool installFaultHandler()
{
    std::memcpy(g_record.magic, faultRecordMagic, sizeof g_record.magic);
    g_record.size = sizeof(FaultRecord);
    const QString self = platformExecutablePath();
    if (g_reporter.isEmpty())
        g_reporter = platformFindReporter(QFileInfo(self).absolutePath());
    if (g_record.restartCommand[0] == '\0' && !self.isEmpty())
        setRestartCommand({self});
#ifdef VARTOLIN_SANITIZE
    return false; // the sanitizers own the fatal signals
#else
    prepareLaunch();
    g_installed = platformInstallHandlers();
    return g_installed;
#endif
}

} // namespace crash
