#include "CrashSupport.h"

#include "app/Startup.h"
#include "app/VartolinApplication.h"
#include "uMain.h"

#include <QFile>

QByteArray writeEarlierReports(const QString &path)
{
    const QByteArray earlier = QByteArrayLiteral("==== Vartolin bug report ====\r\nFault: an old one\r\n"
                                                 "==== end of report ====\r\n\r\n"
                                                 "\xff\xfe not UTF-8, no line end at the end");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(earlier) != earlier.size())
        return {};
    return earlier;
}

QStringList missingSections(const QString &report)
{
    QStringList missing;
    for (const char *section : {"==== Vartolin bug report ====", "Date: ", "Program: Vartolin", "Version: " VARTOLIN_VERSION,
                                "Compiler & RTL: ", "Fault: ", "Registers of the faulting thread", " rip ", "Threads: ",
                                "(faulting)", "  #0 ", "Modules: ", "Processes: ", "System:", "  OS: ", "  CPU: ",
                                "  Memory: ", "  Screen ", "==== end of report ===="})
        if (!report.contains(QLatin1String(section)))
            missing << QLatin1String(section);
    return missing;
}

int runRestartedGame(int argc, char **argv)
{
    VartolinApplication app(argc, argv);
    configureApplication();
    TfrmMain window;
    window.show();
    QFile note(QString::fromLocal8Bit(argv[2]));
    if (!note.open(QIODevice::WriteOnly))
        return 1;
    note.write(QByteArray("level ") + QByteArray::number(window.level()) + '\n');
    return 0;
}
