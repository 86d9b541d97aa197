#include "tool_bar.h"

#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>

ToolBar::ToolBar(QWidget* parent) : QFrame(parent)
{
    setBackgroundRole(QPalette::Shadow);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
}

void ToolBar::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    // The etched edge: a dark line over a light one.
    qDrawShadeLine(&painter, 0, 1, width(), 1, palette(), true, 1, 0);
}
