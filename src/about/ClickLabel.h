#pragma once
// A text label that answers clicks by the same rule as our other controls: the left button pressed
// and released over the label; the second press of a double-click gives nothing.

#include "controls/ClickRule.h"

#include <QLabel>

class TClickLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TClickLabel(QWidget *parent = nullptr);

signals:
    void clicked(QObject *sender);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    ClickRule m_clickRule;
};
