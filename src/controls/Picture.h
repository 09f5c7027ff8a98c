#pragma once
// A picture as the controls hold it. Copies share one decoded image, so copying a holder's picture
// into a place costs a pointer, never a decode. The image is decoded on first use, so holders that
// the first view does not show cost nothing at start-up. A picture may also have a rendering at
// twice its size for high-density screens, decoded only when such a screen asks for it.

#include <QPixmap>
#include <QSize>
#include <QString>
#include <memory>

class Picture
{
public:
    Picture() = default;
    // How a file becomes an image. Without one, Qt's own image readers; the picture set passes the
    // reader of its packed format, which the controls need not know.
    using FileReader = QImage (*)(const QString &path);

    static Picture fromFile(const QString &path);   // reads the header now, the pixels on first use
    // A picture whose size and kind are already known: no reading at all until first use.
    // `path2x`, when given, holds the same picture rendered at twice `size`.
    static Picture fromFile(const QString &path, QSize size, bool bitmap, const QString &path2x = {},
                            FileReader reader = nullptr);
    static Picture fromImage(const QImage &image);

    bool isNull() const { return !m_data; }
    QSize size() const;                      // in the layout's pixels, whatever the screen
    bool isBitmap() const;                   // a BMP: its bottom-left colour may be drawn transparent

    // The rendering for a screen of `devicePixelRatio`: the 2x one on any screen denser than 1x,
    // when there is one. Its devicePixelRatio() tells which was taken.
    QPixmap pixmap(qreal devicePixelRatio = 1) const;
    // The same, with the bitmap's bottom-left colour left out.
    QPixmap pixmapWithoutColourAtBottomLeft(qreal devicePixelRatio = 1) const;
    bool sharesImageWith(const Picture &other) const { return m_data == other.m_data; }

private:
    struct Data;
    std::shared_ptr<Data> m_data;
};
