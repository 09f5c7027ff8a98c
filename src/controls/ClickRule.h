#pragma once
// The click rule of every clickable control: the left button pressed over the control and released
// over it gives a click; the second press of a double-click gives nothing.

#include "EscapedError.h"

#include <QMouseEvent>
#include <utility>

// The second press of a double-click is accepted and dropped: the base class would take it for a
// new press and so give a second click.
template <class Widget>
class IgnoresSecondPress : public Widget
{
public:
    using Widget::Widget;

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override { event->accept(); }
};

// A widget with the click rule. A completed click calls clickCompleted(); an error escaping it is
// reported right there, not unwound through the toolkit's event delivery.
template <class Widget>
class WithClickRule : public IgnoresSecondPress<Widget>
{
public:
    using IgnoresSecondPress<Widget>::IgnoresSecondPress;

protected:
    virtual void clickCompleted() = 0;

    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            m_pressed = true;
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        event->accept();
        // Qt sends the release to the pressed widget even when the mouse has left it.
        const bool wasPressed = std::exchange(m_pressed, false);
        if (wasPressed && this->rect().contains(event->position().toPoint()))
            controls::guard([this] { clickCompleted(); });
    }

private:
    bool m_pressed = false;
};
