#pragma once
// A Windows .ico holding each image as PNG (understood by Windows since Vista), so the application
// icon has a hand-rendered image for every size Windows asks for.

#include <QByteArray>
#include <QImage>
#include <QList>

namespace art {

// Throws std::runtime_error for an image larger than 256 pixels on a side.
QByteArray packIcon(const QList<QImage> &images);

} // namespace art
