#include "ClickLabel.h"

#include "crash/ErrorHandler.h"

#include <QMouseEvent>

TClickLabel::TClickLabel(QWidget *parent) : QLabel(parent) {}

void TClickLabel::mousePressEvent(QMouseEvent *event)
{
    m_clickRule.press(event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_clickRule.release(event, *this))
        ErrorHandler::guard([this] { emit clicked(this); });
}

void TClickLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}
