#include "no_tool_tips.h"

#include <QEvent>

bool NoToolTips::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
    case QEvent::StatusTip:
    case QEvent::WhatsThis:
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
