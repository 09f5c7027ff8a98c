#include "ReportText.h"

#include "crash/box/ReportFile.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

namespace reporter {

namespace {

QString address(quint64 value)
{
    return QStringLiteral("0x%1").arg(value, 16, 16, QLatin1Char('0'));
}

QString megabytes(quint64 bytes)
{
    return QLocale::c().toString(double(bytes) / (1024.0 * 1024.0), 'f', 0) + QStringLiteral(" MB");
}

void addRegisters(QString &out, const Snapshot &s)
{
    out += QStringLiteral("\nRegisters of the faulting thread %1:\n").arg(s.faultingThread);
    if (s.registers.isEmpty())
        out += QStringLiteral("  (not available)\n");
    for (int i = 0; i < s.registers.size(); ++i) {
        out += QStringLiteral("  %1 %2").arg(s.registers[i].name, -6).arg(address(s.registers[i].value));
        out += (i % 3 == 2 || i + 1 == s.registers.size()) ? QStringLiteral("\n") : QStringLiteral("  ");
    }
}

void addThreads(QString &out, const Snapshot &s)
{
    out += QStringLiteral("\nThreads: %1\n").arg(s.threads.size());
    for (const ThreadStack &thread : s.threads) {
        out += QStringLiteral("Thread %1").arg(thread.id);
        if (!thread.name.isEmpty())
            out += QStringLiteral(" \"%1\"").arg(thread.name);
        if (thread.faulting)
            out += QStringLiteral(" (faulting)");
        out += QLatin1Char('\n');
        for (int i = 0; i < thread.frames.size(); ++i) {
            const Frame &frame = thread.frames[i];
            out += QStringLiteral("  #%1 %2 %3+0x%4").arg(i, -2).arg(address(frame.pc),
                                                            frame.module.isEmpty() ? QStringLiteral("?") : frame.module)
                       .arg(frame.moduleOffset, 0, 16);
            if (!frame.function.isEmpty())
                out += QStringLiteral(" %1").arg(frame.function);
            out += QLatin1Char('\n');
        }
        if (thread.frames.size() >= maxFrames)
            out += QStringLiteral("  (the stack goes on; only its first %1 frames are shown)\n").arg(maxFrames);
        else if (!thread.problem.isEmpty())
            out += QStringLiteral("  (the stack ends here: %1)\n").arg(thread.problem);
    }
}

void addModules(QString &out, const Snapshot &s)
{
    out += QStringLiteral("\nModules: %1\n").arg(s.modules.size());
    for (const Module &module : s.modules)
        out += QStringLiteral("  %1 size 0x%2 %3 %4\n")
                   .arg(address(module.base))
                   .arg(module.size, 8, 16, QLatin1Char('0'))
                   .arg(module.path, module.identity);
}

void addProcesses(QString &out, const Snapshot &s)
{
    out += QStringLiteral("\nProcesses: %1\n").arg(s.processes.size());
    for (const RunningProcess &process : s.processes)
        out += QStringLiteral("  %1 %2\n").arg(process.id, 7).arg(process.name);
}

void addSystem(QString &out, const Snapshot &s)
{
    const SystemFacts &system = s.system;
    out += QStringLiteral("\nSystem:\n");
    out += QStringLiteral("  OS: %1\n").arg(system.os);
    out += QStringLiteral("  CPU: %1, %2 logical processors\n")
               .arg(system.cpu.isEmpty() ? QStringLiteral("unknown") : system.cpu)
               .arg(system.cpuCount);
    out += QStringLiteral("  Memory: %1 in all, %2 free\n").arg(megabytes(system.memoryTotal), megabytes(system.memoryFree));
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        const QSize logical = screen->geometry().size();
        const qreal scale = screen->devicePixelRatio();
        out += QStringLiteral("  Screen \"%1\": %2 x %3 pixels, scale %4 (%5 %)\n")
                   .arg(screen->name())
                   .arg(qRound(logical.width() * scale))
                   .arg(qRound(logical.height() * scale))
                   .arg(scale)
                   .arg(qRound(scale * 100));
    }
    if (screens.isEmpty())
        out += QStringLiteral("  Screen: none\n");
}

} // namespace

QString hexNumber(quint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

QString reportText(const Snapshot &s)
{
    QString out = crash::reportHeading();
    out += QStringLiteral("Fault: %1\n").arg(s.fault);
    out += QStringLiteral("Process: %1 %2\n").arg(s.pid).arg(s.executable);
    for (const QString &problem : s.problems)
        out += QStringLiteral("Not in this report: %1\n").arg(problem);
    addRegisters(out, s);
    addThreads(out, s);
    addModules(out, s);
    addProcesses(out, s);
    addSystem(out, s);
    out += crash::reportEnding();
    return crash::withoutHome(out);
}

} // namespace reporter
