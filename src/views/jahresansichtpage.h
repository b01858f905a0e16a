#pragma once
// The "Jahresansicht" page: the year overview of one employee as a preview of the printer
// page, with the year, the zoom and the employee selector. Drawing lives in
// views/yearview.

#include "views/yearview.h"

#include <QImage>
#include <QWidget>

class QComboBox;
class QPushButton;
class QScrollArea;
class QSpinBox;
class TPrinterSource;
class TRoster;
class TViewPaintBox;

class TJahresansichtPage : public QWidget {
    Q_OBJECT
public:
    TJahresansichtPage(TRoster& roster, TPrinterSource& printer, QWidget* parent = nullptr);

    QSpinBox* Year3Ed;
    QSpinBox* ZoomEd3;
    QComboBox* MitarbeiterEd;
    QPushButton* PrintYearBtn;
    QPushButton* BitBtnXP2;
    QScrollArea* ScrollBox3;
    TViewPaintBox* PaintBox3;

    TYearView View() const;
    const QImage& Preview() const { return m_image; }
    const TYearGeometry& Geometry() const { return m_geo; }

    // Draws the year into the preview image now and shows it.
    void PaintBox3Paint();

    // --- handlers ---------------------------------------------------------------------
    void PrintYearBtnClick();
    void PrintersetupBtnClick();

Q_SIGNALS:
    // Year3EdChange: the employee list must be refilled (ListPersons3), then repainted.
    void yearChanged();

private:
    void render();

    TRoster& m_roster;
    TPrinterSource& m_printer;
    QImage m_image;
    TYearGeometry m_geo;
};
