#pragma once
// A page image like the month export renders at 150 dpi: a white page with a title, a
// grid of rows and day columns, coloured duty cells with abbreviations and sum columns.
// Shared by the page tests and the benchmark.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

namespace pdftest {

inline QImage samplePage(int pageNr, int width = 1754, int height = 1240)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(36);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::black);
    p.drawText(60, 70, QStringLiteral("Monatsplan März 2024 – Seite %1").arg(pageNr + 1));

    QFont cellFont(QStringLiteral("Liberation Sans Narrow"));
    cellFont.setPixelSize(16);
    p.setFont(cellFont);
    const int left = 60;
    const int top = 110;
    const int nameWidth = 260;
    const int dayWidth = 38;
    const int rowHeight = 30;
    const int rows = (height - top - 60) / rowHeight;
    const QColor duties[] = {QColor(196, 150, 150), QColor(150, 196, 150), QColor(150, 150, 196), QColor(228, 196, 196),
        QColor(255, 230, 120)};
    const char* abbrev[] = {"F", "S", "N", "U", "K"};
    for (int r = 0; r < rows; ++r) {
        const int y = top + r * rowHeight;
        p.setPen(Qt::black);
        p.drawText(
            left + 6, y + 21, QStringLiteral("Mitarbeiter %1, Abteilung %2").arg(pageNr * rows + r + 1).arg(r % 4 + 1));
        for (int d = 0; d < 31; ++d) {
            const int x = left + nameWidth + d * dayWidth;
            const int k = (r * 7 + d * 3 + pageNr) % 9;
            if (d % 7 == 5 || d % 7 == 6)
                p.fillRect(x, y, dayWidth, rowHeight, QColor(128, 128, 150));
            if (k < 5) {
                p.fillRect(x + 1, y + 1, dayWidth - 2, rowHeight - 2, duties[k]);
                p.drawText(x + 12, y + 21, QString::fromLatin1(abbrev[k]));
            }
        }
        p.drawText(
            left + nameWidth + 31 * dayWidth + 10, y + 21, QStringLiteral("%1,5").arg(120 + (r * 13 + pageNr) % 60));
    }
    p.setPen(QPen(Qt::black, 1));
    for (int r = 0; r <= rows; ++r)
        p.drawLine(left, top + r * rowHeight, left + nameWidth + 31 * dayWidth + 120, top + r * rowHeight);
    for (int d = 0; d <= 31; ++d)
        p.drawLine(left + nameWidth + d * dayWidth, top, left + nameWidth + d * dayWidth, top + rows * rowHeight);
    p.drawLine(left, top, left, top + rows * rowHeight);
    p.drawLine(
        left + nameWidth + 31 * dayWidth + 120, top, left + nameWidth + 31 * dayWidth + 120, top + rows * rowHeight);
    p.end();
    return img;
}

} // namespace pdftest
