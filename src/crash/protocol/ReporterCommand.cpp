#include "CrashProtocol.h"

namespace crash {

namespace {

const QString pidOption = QStringLiteral("--pid");
const QString recordOption = QStringLiteral("--record");
const QString reportOption = QStringLiteral("--report");
const QString restartOption = QStringLiteral("--restart-arg");
const QString windowOption = QStringLiteral("--window");
const QString gatherOption = QStringLiteral("--gather");
const QString handOverOption = QStringLiteral("--hand-over");

QString hex(std::uint64_t value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

std::optional<std::uint64_t> parseHex(const QString &text)
{
    if (!text.startsWith(QLatin1String("0x")))
        return std::nullopt;
    bool ok = false;
    const std::uint64_t value = text.mid(2).toULongLong(&ok, 16);
    return ok ? std::optional<std::uint64_t>(value) : std::nullopt;
}

} // namespace

QStringList ReporterCommand::toArguments() const
{
    QStringList arguments{pidOption, QString::number(pid), recordOption, hex(recordAddress), reportOption, reportPath};
    for (const QString &part : restart)
        arguments << restartOption << part;
    if (window != 0)
        arguments << windowOption << hex(window);
    if (gather)
        arguments << gatherOption << handOverOption << handOverPath;
    return arguments;
}

std::optional<ReporterCommand> ReporterCommand::fromArguments(const QStringList &arguments, QString *problem)
{
    ReporterCommand command;
    const auto fail = [problem](const QString &why) {
        *problem = why;
        return std::nullopt;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &option = arguments[i];
        if (option == gatherOption) {
            command.gather = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("%1 needs a value").arg(option));
        const QString value = arguments[++i];
        if (option == pidOption) {
            bool ok = false;
            command.pid = value.toLongLong(&ok);
            if (!ok || command.pid <= 0)
                return fail(QStringLiteral("not a process id: %1").arg(value));
        } else if (option == recordOption || option == windowOption) {
            const std::optional<std::uint64_t> number = parseHex(value);
            if (!number)
                return fail(QStringLiteral("not an address: %1").arg(value));
            (option == recordOption ? command.recordAddress : command.window) = *number;
        } else if (option == reportOption) {
            command.reportPath = value;
        } else if (option == restartOption) {
            command.restart << value;
        } else if (option == handOverOption) {
            command.handOverPath = value;
        } else {
            return fail(QStringLiteral("unknown option %1").arg(option));
        }
    }
    if (command.pid == 0 || command.recordAddress == 0)
        return fail(QStringLiteral("--pid and --record are needed; the game starts this program"));
    if (command.reportPath.isEmpty())
        return fail(QStringLiteral("--report is needed"));
    if (command.gather && command.handOverPath.isEmpty())
        return fail(QStringLiteral("--gather needs --hand-over"));
    return command;
}

} // namespace crash
