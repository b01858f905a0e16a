#include "views/viewpaintbox.h"

#include <QPainter>

TViewPaintBox::TViewPaintBox(const QImage& image, std::function<void()> render, QWidget* parent)
    : QWidget(parent)
    , m_image(image)
    , m_render(std::move(render))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TViewPaintBox::paintEvent(QPaintEvent*)
{
    // An exposure without a preceding change draws anew, so the view never shows an older
    // state of the roster than the one in memory.
    if (!m_rendered && m_render)
        m_render();
    m_rendered = false;
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!m_image.isNull())
        painter.drawImage(0, 0, m_image);
}
