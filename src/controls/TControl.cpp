#include "TControl.h"

#include "crash/ErrorHandler.h"

#include <QMouseEvent>

TControl::TControl(QWidget *parent) : QWidget(parent) {}

void TControl::mousePressEvent(QMouseEvent *event)
{
    m_clickRule.press(event);
}

void TControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_clickRule.release(event, *this))
        ErrorHandler::guard([this] { emit clicked(this); });
}

void TControl::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The base class would treat the second press as a new press and so give a second click.
    event->accept();
}
