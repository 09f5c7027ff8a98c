#pragma once
// The base of our plain controls: the Tag every control carries, its tab position among its
// siblings, and the click rule: the left button pressed over the control and released over it.
// The second press of a double-click gives nothing.

#include "ClickRule.h"

#include <QWidget>

class TControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int Tag READ tag WRITE setTag)
    Q_PROPERTY(int TabOrder READ tabOrder WRITE setTabOrder)

public:
    explicit TControl(QWidget *parent = nullptr);

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }
    int tabOrder() const { return m_tabOrder; }
    void setTabOrder(int order) { m_tabOrder = order; }

signals:
    void clicked(QObject *sender);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    int m_tag = 0;
    int m_tabOrder = 0;
    ClickRule m_clickRule;
};
