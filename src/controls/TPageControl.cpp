#include "TPageControl.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOption>
#include <QTabBar>

TTabSheet::TTabSheet(QWidget *parent) : TControl(parent)
{
    setAutoFillBackground(true); // the platform's tab-page ground
}

TPageControl::TPageControl(QWidget *parent) : TControl(parent)
{
    setFocusPolicy(Qt::TabFocus);
}

QRect TPageControl::pageArea(QSize controlSize)
{
    // 4 px of frame left, right and bottom; 6 px at the top where the tab row would join.
    return QRect(4, 6, controlSize.width() - 8, controlSize.height() - 10);
}

void TPageControl::addPage(TTabSheet *page)
{
    page->setParent(this);
    page->setGeometry(pageArea(size()));
    page->setVisible(int(m_pages.size()) == m_active);
    m_pages.append(page);
}

void TPageControl::setActivePageIndex(int index)
{
    if (index < 0 || index >= m_pages.size() || index == m_active)
        return;
    if (TTabSheet *old = page(m_active))
        old->hide();
    m_active = index;
    m_pages[index]->show();
}

void TPageControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // The shown page covers everything inside the frame, so only the frame band is painted.
    if (page(m_active))
        painter.setClipRegion(QRegion(rect()) - QRegion(pageArea(size())));
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.rect = rect().adjusted(0, 2, 0, 0);
    option.shape = QTabBar::RoundedNorth;
    option.tabBarSize = QSize(0, 0);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
}

void TPageControl::resizeEvent(QResizeEvent *)
{
    for (TTabSheet *sheet : std::as_const(m_pages))
        sheet->setGeometry(pageArea(size()));
}

void TPageControl::keyPressEvent(QKeyEvent *event)
{
    // No visible tab: keyboard page switching has nowhere to go.
    event->ignore();
}
