#pragma once
#include <QEvent>
#include <QWidget>

// The owner-drawn status bar panel that shows a progress bar in navy.
class TProgressPanel : public QWidget {
    Q_OBJECT
public:
    explicit TProgressPanel(const int& position, QWidget* parent = nullptr);
    // Rectangle of the last painting (sbrect).
    QRect lastRect() const { return m_rect; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const int& m_position;
    QRect m_rect;
};

// Posted to the main window to set the progress percentage (the counterpart of the
// window message WM_USER with the percentage as first parameter).
class TProgressEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = QEvent::User;
    explicit TProgressEvent(int percent)
        : QEvent(kType)
        , percent(percent)
    {
    }
    int percent;
};
