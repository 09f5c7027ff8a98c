// The crash reporter. The game starts it when something went wrong: for a fatal fault from its
// fault handler, which then waits; for a C++ error with --gather, while the game waits. It stops
// the game, gathers the report from outside, appends it to bugreport.txt, and then either prints
// it and lets the game go on (--gather), or grabs the game's picture, ends the game and shows the
// box: send, save or show the report; restart or close.
//
//   vartolin-reporter --pid <pid> --record <address> [--gather]
//   test options: --answer <step,step,...> --log <file> --save-to <file> --send-as <name|mail|text>

#include "Answering.h"
#include "CrashedProcess.h"
#include "ReportText.h"
#include "app/ApplicationTitle.h"
#include "app/FontSubstitutions.h"
#include "crash/CrashDialog.h"
#include "crash/ReportFile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QProcess>
#include <QScreen>
#include <cstdio>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {

// Exit statuses of --gather: the report is printed but could not be added to the file; the game
// could not be looked into at all.
constexpr int reportNotAdded = 3;
constexpr int cannotInspect = 4;

QStringList restartCommand(const crash::FaultRecord &record, const QString &executable)
{
    const QStringList command = crash::restartCommandOf(record);
    return command.isEmpty() && !executable.isEmpty() ? QStringList{executable} : command;
}

QScreen *screenOfGame(const crash::FaultRecord &record)
{
    const QRect frame(record.windowGeometry[0], record.windowGeometry[1], record.windowGeometry[2],
                      record.windowGeometry[3]);
    if (frame.isValid())
        if (QScreen *screen = QGuiApplication::screenAt(frame.center()))
            return screen;
    return QGuiApplication::primaryScreen();
}

// The game's window as it is now, still showing what it showed when the fault happened.
QImage pictureOfGame(const crash::FaultRecord &record)
{
    if (record.windowId == 0)
        return {};
    QScreen *screen = screenOfGame(record);
    return screen ? screen->grabWindow(WId(record.windowId)).toImage() : QImage();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    QApplication::setQuitOnLastWindowClosed(false);
    installFontSubstitutions();

    QCommandLineParser options;
    const QCommandLineOption pidOption(QStringLiteral("pid"), QStringLiteral("the failing process"), QStringLiteral("pid"));
    const QCommandLineOption recordOption(QStringLiteral("record"), QStringLiteral("address of its fault record"),
                                          QStringLiteral("address"));
    const QCommandLineOption gatherOption(QStringLiteral("gather"), QStringLiteral("print the report, let it go on"));
    const QCommandLineOption answerOption(QStringLiteral("answer"), QStringLiteral("answer the box (tests)"), QStringLiteral("steps"));
    const QCommandLineOption logOption(QStringLiteral("log"), QStringLiteral("what the box showed (tests)"), QStringLiteral("file"));
    const QCommandLineOption saveOption(QStringLiteral("save-to"), QStringLiteral("save dialog's answer (tests)"), QStringLiteral("file"));
    const QCommandLineOption sendOption(QStringLiteral("send-as"), QStringLiteral("send form's answers (tests)"), QStringLiteral("name|mail|text"));
    options.addOptions({pidOption, recordOption, gatherOption, answerOption, logOption, saveOption, sendOption});
    options.process(app);
    bool pidOk = false, recordOk = false;
    const qint64 pid = options.value(pidOption).toLongLong(&pidOk);
    const quint64 recordAddress = options.value(recordOption).toULongLong(&recordOk, 16);
    if (!pidOk || pid <= 0 || !recordOk) {
        std::fprintf(stderr, "vartolin-reporter: --pid and --record are needed; the game starts this program\n");
        return 2;
    }

    reporter::CrashedProcess process(pid, recordAddress);
    const reporter::Snapshot snapshot = process.snapshot();
    // A game that cannot be looked into writes its own short report, which knows the error at least.
    if (options.isSet(gatherOption) && !snapshot.recordRead)
        return cannotInspect;
    const crash::FaultRecord &record = snapshot.record;
    const QString report = reporter::reportText(snapshot);
    const QString path = record.reportPath[0] ? crash::pathFromRecord(record.reportPath) : crash::defaultReportPath();
    const QString problem = crash::appendReport(path, report);

    if (options.isSet(gatherOption)) {
#ifdef Q_OS_WIN
        _setmode(_fileno(stdout), _O_BINARY); // the report as it is, with no line ends added
#endif
        const QByteArray bytes = report.toUtf8();
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
        std::fflush(stdout);
        if (!problem.isEmpty())
            std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
        process.release();
        return problem.isEmpty() ? 0 : reportNotAdded;
    }

    crash::CrashDetails details;
    details.error = snapshot.fault;
    details.report = report;
    details.reportPath = problem.isEmpty() ? path : QString();
    details.reportProblem = problem;
    details.screenshot = pictureOfGame(record);
    details.canContinue = false; // nothing in the failed process can be trusted to go on
    const QStringList restart = restartCommand(record, snapshot.executable);
    // The failed process stays stopped until the user has chosen: its window shows what it showed.
    if (options.isSet(answerOption))
        reporter::answerDialogs({options.value(answerOption).split(QLatin1Char(','), Qt::SkipEmptyParts),
                                 options.value(logOption), options.value(saveOption),
                                 options.value(sendOption).split(QLatin1Char('|'))});
    crash::CrashDialog box(details);
    const crash::CrashChoice choice = box.run(screenOfGame(record));
    process.end();
    if (choice == crash::CrashChoice::Restart && !restart.isEmpty())
        QProcess::startDetached(restart.front(), restart.mid(1));
    return 0;
}
