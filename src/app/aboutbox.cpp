#include "app/aboutbox.h"

#include "core/datetime.h"
#include "core/version.h"
#include "i18n/messagetable.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

QPixmap RostelmarkPicture(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal m = size / 16.0;
    const QRectF page(m, m, size - 2 * m, size - 2 * m);
    p.setPen(QPen(QColor(40, 40, 90), m / 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(page, m, m);
    p.fillRect(QRectF(page.left(), page.top(), page.width(), page.height() / 5), QColor(0, 0, 128));
    const int cols = 5, rows = 4;
    const qreal cw = page.width() / cols, ch = (page.height() * 4 / 5) / rows;
    const QColor fills[] = {QColor(196, 150, 150), QColor(255, 255, 0), QColor(228, 196, 196), QColor(150, 128, 128)};
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const QRectF cell(page.left() + c * cw, page.top() + page.height() / 5 + r * ch, cw, ch);
            p.fillRect(cell.adjusted(m / 3, m / 3, -m / 3, -m / 3), fills[(r * 3 + c) % 4]);
        }
    return pm;
}

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("Info"));
    ProgramIcon = new QLabel(this);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(RostelmarkPicture(64));
    ProductName = new QLabel(QStringLiteral("Rostelmark " ROSTELMARK_VERSION), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont f = ProductName->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    ProductName->setFont(f);
    QString notice = QString::fromUtf8("Copyright © XXXX Quorvex");
    const int at = notice.indexOf(QStringLiteral("XXXX"));
    if (at >= 0)
        notice.replace(at, 4, QString::number(Clock::today().year()).rightJustified(4, QLatin1Char('0')));
    Copyright = new QLabel(notice, this);
    Copyright->setObjectName(QStringLiteral("Copyright"));
    Comments = new QLabel(QString::fromUtf8("Quorvex entwickelt Werkzeuge für die Dienstplanung kleiner Teams."), this);
    Comments->setObjectName(QStringLiteral("Comments"));
    Comments->setWordWrap(true);
    auto* web = new QPushButton(QStringLiteral("www"), this);
    web->setObjectName(QStringLiteral("wwwBtn2"));
    connect(web, &QPushButton::clicked, this, [] { QDesktopServices::openUrl(QUrl(GetMessageText(66))); });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->addWidget(ProgramIcon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(ProductName, 0, 1);
    grid->addWidget(Copyright, 1, 1);
    grid->addWidget(Comments, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(web);
    buttons->addStretch();
    buttons->addWidget(ok);
    grid->addLayout(buttons, 3, 0, 1, 2);
    setFixedSize(sizeHint().expandedTo(QSize(360, 180)));
}
