#pragma once
// The click rule of every clickable control: the left button pressed over the control and released
// over it. The second press of a double-click gives nothing (the control accepts the double-click
// event and does not count it as a press).

class QMouseEvent;
class QWidget;

class ClickRule
{
public:
    void press(QMouseEvent *event);
    // True when this release completes a click on `control`.
    bool release(QMouseEvent *event, const QWidget &control);

private:
    bool m_pressed = false;
};
