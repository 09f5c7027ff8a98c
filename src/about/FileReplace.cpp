#include "FileReplace.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

void replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        const QString shown = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        const QString message = QStringLiteral("Cannot create file \"%1\". %2").arg(shown, file.errorString());
        throw FileCreateError(message.toLocal8Bit().toStdString());
    }
    // Flush first: commit() does not look at an error that only its own flush meets, and would
    // put a truncated file in place. Uncommitted, the temporary file goes away with `file`.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        throw StreamWriteError("Stream write error");
}
