#include "ClickLabel.h"

#include <QMouseEvent>
#include <utility>

TClickLabel::TClickLabel(QWidget *parent) : QLabel(parent) {}

void TClickLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void TClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The release comes to the pressed label even when the mouse has left it.
    const bool wasPressed = std::exchange(m_pressed, false);
    if (wasPressed && rect().contains(event->position().toPoint()))
        emit clicked(this);
    event->accept();
}

void TClickLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}
