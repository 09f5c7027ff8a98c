#include "PictureFit.h"

namespace {

// Largest size with the picture's ratio that fits the control, starting from the longer side.
QSize keepRatio(QSize picture, QSize control)
{
    const qint64 pw = picture.width(), ph = picture.height();
    int w, h;
    if (pw > ph) {
        w = control.width();
        h = int(ph * w / pw);
        if (h > control.height()) {
            h = control.height();
            w = int(pw * h / ph);
        }
    } else {
        h = control.height();
        w = int(pw * h / ph);
        if (w > control.width()) {
            w = control.width();
            h = int(ph * w / pw);
        }
    }
    return {w, h};
}

} // namespace

QRect fitPicture(QSize picture, QSize control, bool stretch, bool proportional, bool center)
{
    if (picture.isEmpty())
        return {};
    QSize drawn = picture;
    if (stretch && !proportional)
        drawn = control;
    else if (stretch && proportional)
        drawn = keepRatio(picture, control);
    else if (proportional && (picture.width() > control.width() || picture.height() > control.height()))
        drawn = keepRatio(picture, control);
    QPoint topLeft(0, 0);
    if (center)
        topLeft = QPoint((control.width() - drawn.width()) / 2, (control.height() - drawn.height()) / 2);
    return {topLeft, drawn};
}
