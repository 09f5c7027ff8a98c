#include "CrashedProcess.h"

#include <csignal>
#include <cstring>

namespace reporter {

namespace {

bool knownKind(crash::FaultKind kind)
{
    switch (kind) {
    case crash::FaultKind::Signal:
    case crash::FaultKind::WindowsException:
    case crash::FaultKind::RuntimeEnding:
    case crash::FaultKind::CppError:
        return true;
    case crash::FaultKind::None:
        break;
    }
    return false;
}

} // namespace

void checkFaultRecord(Snapshot &snapshot, bool read, const QVector<quint64> &threads)
{
    crash::FaultRecord &record = snapshot.record;
    QString damage;
    if (!read)
        damage = QStringLiteral("the fault record could not be read");
    else if (std::memcmp(record.magic, crash::faultRecordMagic, sizeof record.magic) != 0)
        damage = QStringLiteral("the fault record is damaged: it does not start as one");
    else if (record.version != crash::protocolVersion || record.size != sizeof record)
        damage = QStringLiteral("the fault record is of another version (%1, %2 bytes)").arg(record.version).arg(record.size);
    else if (!knownKind(record.kind))
        damage = QStringLiteral("the fault record is damaged: unknown kind %1").arg(quint32(record.kind));
    else if (record.kind == crash::FaultKind::Signal && (record.signal <= 0 || record.signal >= NSIG))
        damage = QStringLiteral("the fault record is damaged: signal %1").arg(record.signal);
    snapshot.recordRead = damage.isEmpty();
    if (!snapshot.recordRead) {
        record = crash::FaultRecord{};
        snapshot.problems << damage;
        return;
    }
    // The record is ours; each field that cannot be true is left out.
    if (record.contextSize > sizeof record.context) {
        snapshot.problems << QStringLiteral("the fault record is damaged: its registers are left out");
        record.contextSize = 0;
    }
    if (!std::memchr(record.errorText, '\0', sizeof record.errorText))
        snapshot.problems << QStringLiteral("the fault record is damaged: its error text is cut");
    record.errorText[sizeof record.errorText - 1] = '\0';
    if (!threads.contains(record.threadId)) {
        snapshot.problems << QStringLiteral("the fault record is damaged: thread %1 is none of the process's").arg(record.threadId);
        record.threadId = 0;
        record.contextSize = 0;
    }
}

} // namespace reporter
