#include "TControl.h"

#include "crash/ErrorHandler.h"

#include <QMouseEvent>
#include <utility>

TControl::TControl(QWidget *parent) : QWidget(parent) {}

void TControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void TControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Qt sends the release to the pressed widget even when the mouse has left it.
    const bool wasPressed = std::exchange(m_pressed, false);
    if (wasPressed && rect().contains(event->position().toPoint()))
        ErrorHandler::guard([this] { emit clicked(this); });
    event->accept();
}

void TControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The base class would treat the second press as a new press and so give a second click.
    event->accept();
}
