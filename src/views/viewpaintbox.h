#pragma once
// The paint area of a view inside its scroll box: shows the page image its owner keeps,
// asking the owner to draw it first when an exposure comes without a preceding change.

#include <QImage>
#include <QWidget>

#include <functional>

class TViewPaintBox : public QWidget {
public:
    // `image` is the owner's page image; `render` draws it anew.
    TViewPaintBox(const QImage& image, std::function<void()> render, QWidget* parent);
    // The image is fresh: the next paint shows it without drawing again.
    void MarkRendered() { m_rendered = true; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage& m_image;
    std::function<void()> m_render;
    bool m_rendered = false;
};
