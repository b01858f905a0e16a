#include "core/canvas.h"

TCanvas::TCanvas(QPaintDevice*, int) {}
TCanvas::TCanvas(QPainter* painter, int)
    : painter_(painter)
{
}
TCanvas::~TCanvas() = default;
bool TCanvas::IsActive() const { return painter_ != nullptr; }
QPaintDevice* TCanvas::Device() const { return nullptr; }
void TCanvas::AssignFont(const TFontRec&) {}
void TCanvas::TakeFont(const TFontRec&, int, double) {}
void TCanvas::SetFontHeight(int h) { fontHeight_ = h; }
void TCanvas::SetFontBold(bool) {}
void TCanvas::SetFontItalic(bool) {}
void TCanvas::SetFontColor(const QColor& c) { fontColor_ = c; }
void TCanvas::Rectangle(int, int, int, int) {}
void TCanvas::FillRect(int, int, int, int, const QColor&) {}
void TCanvas::MoveTo(int x, int y) { penPos_ = QPoint(x, y); }
void TCanvas::LineTo(int x, int y) { penPos_ = QPoint(x, y); }
void TCanvas::TextOut(int, int, const QString&) {}
int TCanvas::TextWidth(const QString&) { return 0; }
int TCanvas::TextHeight(const QString&) { return 0; }
void TCanvas::InvertRect(int, int, int, int) {}
QColor ColorOfRef(std::uint32_t) { return Qt::black; }
