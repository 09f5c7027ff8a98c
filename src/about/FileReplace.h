#pragma once
// Replacing a file safely: the old one stays whole until the new one is complete.

#include <QByteArray>
#include <QString>
#include <stdexcept>

// The file could not be created or opened for writing.
class FileCreateError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Writing to a created file failed.
class StreamWriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Replaces the file at `path` with `bytes`. The old file stays whole until the new one is complete,
// and a failure leaves nothing half-written behind. Throws FileCreateError or StreamWriteError.
void replaceFile(const QString &path, const QByteArray &bytes);
