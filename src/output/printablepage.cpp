#include "output/printablepage.h"

#include <QPageSize>
#include <QSize>

TPrintablePage DefaultPrintablePage()
{
    const QSize a4 = QPageSize(QPageSize::A4).sizePixels(600);
    TPrintablePage page;
    page.width = a4.height();
    page.height = a4.width();
    page.dpi = 600;
    return page;
}
