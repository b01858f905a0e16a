#pragma once
// The "Tagesanwesenheit" page: the day attendance list as a preview of the printer page,
// with the day, zoom and page selectors, the heading of the day plan and the switch that
// counts a person without duty as absent. Drawing and counting live in views/dayview.

#include "views/dayview.h"

#include <QImage>
#include <QWidget>

class QCheckBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class TPrinterSource;
class TRoster;
class TViewPaintBox;

class TTagesanwesenheitPage : public QWidget {
    Q_OBJECT
public:
    TTagesanwesenheitPage(TRoster& roster, TPrinterSource& printer, QWidget* parent = nullptr);

    QDateEdit* DateEdit1;
    QSpinBox* ZoomEd2;
    QSpinBox* SeiteEd2;
    QLineEdit* Capt2Ed;
    QCheckBox* CountNoDienstCheck;
    QPushButton* PrintBtn2;
    QPushButton* PrinterSetup2Btn;
    QScrollArea* ScrollBox2;
    TViewPaintBox* PaintBox2;

    // Pages of the list as the last drawing found them.
    int maxseiten2 = 1;

    TDayView View() const;
    // The preview image as last drawn, and the geometry of that drawing.
    const QImage& Preview() const { return m_image; }
    const TDayGeometry& Geometry() const { return m_geo; }

    // Shows the plan settings this page carries (heading, switch) after a file was read,
    // without raising handlers.
    void ShowSettings();
    // Takes the heading and the switch from the controls into the settings (after the
    // window translation changed the heading).
    void ReadControls();

    // Draws the list into the preview image now and shows it; every change of what the
    // view shows ends here.
    void PaintBox2Paint();

    // --- handlers ---------------------------------------------------------------------
    void SeiteEd2Change();
    void PrintBtn2Click();
    void PrintersetupBtnClick();
    // Scrolls the view by 20 pixels per wheel notch (negative `notches`: up).
    void WheelScroll(int notches);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();

    TRoster& m_roster;
    TPrinterSource& m_printer;
    QImage m_image;
    TDayGeometry m_geo;
    bool m_showing = false;
    int m_wheelRest = 0; // wheel angle not yet turned into notches
};
