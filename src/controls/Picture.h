#pragma once
// A picture as the controls hold it. Copies share one decoded image, so copying a holder's picture
// into a place costs a pointer, never a decode. The image is decoded on first use, so holders that
// the first view does not show cost nothing at start-up.

#include <QPixmap>
#include <QSize>
#include <QString>
#include <memory>

class Picture
{
public:
    Picture() = default;
    static Picture fromFile(const QString &path);   // reads the header now, the pixels on first use
    // A picture whose size and kind are already known: no reading at all until first use.
    static Picture fromFile(const QString &path, QSize size, bool bitmap);
    static Picture fromImage(const QImage &image);

    bool isNull() const { return !m_data; }
    QSize size() const;
    bool isBitmap() const;                   // a BMP: its bottom-left colour may be drawn transparent
    QPixmap pixmap() const;
    QPixmap pixmapWithoutColourAtBottomLeft() const; // the bitmap with that colour left out
    bool sharesImageWith(const Picture &other) const { return m_data == other.m_data; }

private:
    struct Data;
    std::shared_ptr<Data> m_data;
};
