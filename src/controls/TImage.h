#pragma once
// Picture control: shows one picture, placed by the Stretch, Proportional and Center flags.

#include "Picture.h"
#include "TControl.h"

class TImage : public TControl
{
    Q_OBJECT
    Q_PROPERTY(bool Stretch READ stretch WRITE setStretch)
    Q_PROPERTY(bool Proportional READ proportional WRITE setProportional)
    Q_PROPERTY(bool Center READ center WRITE setCenter)
    Q_PROPERTY(bool AutoSize READ autoSize WRITE setAutoSize)
    Q_PROPERTY(bool Transparent READ transparent WRITE setTransparent)

public:
    explicit TImage(QWidget *parent = nullptr);

    const Picture &picture() const { return m_picture; }
    void setPicture(const Picture &picture);   // shares the picture's pixels
    void clearPicture() { setPicture(Picture()); }
    QRect pictureRect() const;                 // where the picture is drawn, in control coordinates

    bool stretch() const { return m_stretch; }
    void setStretch(bool on) { m_stretch = on; update(); }
    bool proportional() const { return m_proportional; }
    void setProportional(bool on) { m_proportional = on; update(); }
    bool center() const { return m_center; }
    void setCenter(bool on) { m_center = on; update(); }
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool transparent() const { return m_transparent; }
    void setTransparent(bool on) { m_transparent = on; update(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Picture m_picture;
    bool m_stretch = false, m_proportional = false, m_center = false;
    bool m_autoSize = false, m_transparent = false;
};
