#pragma once
// A text label that answers clicks by the same rule as our other controls: the left button pressed
// and released over the label; the second press of a double-click gives nothing.

#include "controls/ClickRule.h"

#include <QLabel>

class TClickLabel : public WithClickRule<QLabel>
{
    Q_OBJECT

public:
    explicit TClickLabel(QWidget *parent = nullptr) : WithClickRule<QLabel>(parent) {}

signals:
    void clicked(QObject *sender);

protected:
    void clickCompleted() override { emit clicked(this); }
};
