#pragma once
// The form the program reads its pictures in: the decoded pixels, run-length packed. Unpacking is
// a fill or a copy per run, so showing the first view costs no PNG or BMP decoding and loads no
// image plugin. The build packs each stored picture from its PNG or BMP file, pixel for pixel.

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QString>

// Packs `image` as 32-bit pixels: RGB32 when it is opaque, premultiplied ARGB otherwise.
QByteArray packImage(const QImage &image);

// The image `packed` holds; throws std::runtime_error when the data is malformed or truncated.
QImage unpackImage(QByteArrayView packed);

// Reads a picture file: a packed picture (".vpx") or any format Qt reads. Resource paths are read
// in place, without a copy. Throws std::runtime_error when the file is missing or unreadable.
QImage readPictureFile(const QString &path);
