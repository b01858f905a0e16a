#include "widgets/progresspanel.h"

#include "core/statusprogress.h"

#include <QPainter>

TProgressPanel::TProgressPanel(const int& position, QWidget* parent)
    : QWidget(parent)
    , m_position(position)
{
    setObjectName(QStringLiteral("ProgressPanel"));
    setFixedWidth(50);
}

void TProgressPanel::paintEvent(QPaintEvent*)
{
    m_rect = rect();
    QPainter p(this);
    const QRect bar = ProgressBarRect(m_rect, m_position);
    if (bar.width() > 0)
        p.fillRect(bar, QColor(0, 0, 128));
}
