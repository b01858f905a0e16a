#pragma once
#include <QRect>

// The filled part of the status bar's progress panel: from the panel's left edge,
// width × percent div 100 pixels wide, full panel height.
inline QRect ProgressBarRect(const QRect& panel, int percent)
{
    return QRect(panel.left(), panel.top(), panel.width() * percent / 100, panel.height());
}
