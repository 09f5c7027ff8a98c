#pragma once
#include <QRect>

// Where a picture control draws its picture: the placement flags applied to the picture's size and
// the control's size. Derived sizes are truncated, centring offsets are half the difference, truncated.
QRect fitPicture(QSize picture, QSize control, bool stretch, bool proportional, bool center);
