#include "ClickRule.h"

#include <QMouseEvent>
#include <QWidget>
#include <utility>

void ClickRule::press(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

bool ClickRule::release(QMouseEvent *event, const QWidget &control)
{
    if (event->button() != Qt::LeftButton)
        return false;
    event->accept();
    // Qt sends the release to the pressed widget even when the mouse has left it.
    const bool wasPressed = std::exchange(m_pressed, false);
    return wasPressed && control.rect().contains(event->position().toPoint());
}
