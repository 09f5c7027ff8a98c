#pragma once
// The base of our plain controls: its tab position among its siblings and the click rule (the left
// button pressed over the control and released over it; the second press of a double-click gives
// nothing). Its Tag is the one every control has (Tag.h).

#include "ClickRule.h"
#include "Tag.h"

#include <QWidget>

class TControl : public WithClickRule<QWidget>
{
    Q_OBJECT
    Q_PROPERTY(int TabOrder READ tabOrder WRITE setTabOrder)

public:
    explicit TControl(QWidget *parent = nullptr) : WithClickRule<QWidget>(parent) {}

    int tabOrder() const { return m_tabOrder; }
    void setTabOrder(int order) { m_tabOrder = order; }

signals:
    void clicked(QObject *sender);

protected:
    void clickCompleted() override { emit clicked(this); }

private:
    int m_tabOrder = 0;
};
